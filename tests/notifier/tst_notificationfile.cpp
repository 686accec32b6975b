#include "NtfContent.h"
#include "core/NotificationFile.h"
#include "core/Reader.h"
#include "logging/Log.h"
#include "support/LogReader.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

// Reading and changing the notification file that the main program writes
// at the same time, and what a damaged file does to the reader.
class TestNotificationFile : public QObject
{
    Q_OBJECT

private:
    QDateTime m_base;
    QString m_a, m_b, m_c;

    static QString path() { return NtfContent::filePath(); }

    QVariantMap entries(const QStringList &keys) const
    {
        QVariantMap map;
        for (const QString &key : keys)
            map.insert(key, m_base);
        return map;
    }

    // Another writer replaces b by c: same size, and a time stamp that the
    // coarse file-system clock could well have given it.
    void replaceKeepingSizeAndTimeStamp(const QVariantMap &newEntries) const
    {
        const QDateTime stamp = QFileInfo(path()).lastModified();
        const QByteArray bytes = NtfContent::bytes(newEntries);
        QCOMPARE(bytes.size(), NtfContent::readBytes(path()).size());
        NtfContent::writeBytes(path(), bytes);
        QFile file(path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    }

private slots:
    void init()
    {
        TestSandbox::reset();
        QVERIFY(Logging::Logger::instance().setFileDestination(NtfContent::logPath()));
        m_base = QDateTime::currentDateTime().addDays(1);
        m_a = NtfContent::key(QStringLiteral("a1"), QStringLiteral("DUEDATE"), m_base);
        m_b = NtfContent::key(QStringLiteral("b1"), QStringLiteral("DUEDATE"), m_base);
        m_c = NtfContent::key(QStringLiteral("c1"), QStringLiteral("DUEDATE"), m_base);
    }

    void shouldSeeARewriteThatKeepsSizeAndTimeStamp()
    {
        NtfContent::write(path(), entries({ m_a, m_b }));
        NotificationFile file(path());
        QCOMPARE(file.read().entries.keys(), (QStringList { m_a, m_b }));
        replaceKeepingSizeAndTimeStamp(entries({ m_a, m_c }));
        QCOMPARE(file.read().entries.keys(), (QStringList { m_a, m_c }));
    }

    void shouldRemoveWithoutUndoingAnotherWritersChange()
    {
        NtfContent::write(path(), entries({ m_a, m_b }));
        NotificationFile file(path());
        file.read();
        replaceKeepingSizeAndTimeStamp(entries({ m_a, m_c }));

        QCOMPARE(file.remove(m_a), NotificationFile::Removal::Removed);
        QCOMPARE(NtfContent::read(path()).keys(), QStringList { m_c });
        QCOMPARE(file.remove(m_a), NotificationFile::Removal::Absent);
    }

    void shouldKeepDamagedContentAsideBeforeRemoving()
    {
        const QByteArray damaged = NtfContent::bytes(entries({ m_a, m_b })) + "\x01\xfe garbage without equals\n";
        NtfContent::writeBytes(path(), damaged);
        NotificationFile file(path());
        QVERIFY(file.read().damaged);

        QCOMPARE(file.remove(m_a), NotificationFile::Removal::Removed);
        QCOMPARE(NtfContent::read(path()).keys(), QStringList { m_b });
        const QStringList kept = QDir(QFileInfo(path()).absolutePath()).entryList({ "ntf.dat.damaged-*" });
        QCOMPARE(kept.size(), 1);
        QCOMPARE(NtfContent::readBytes(QFileInfo(path()).absolutePath() + "/" + kept.first()), damaged);
    }

    void shouldArmOnlyUsableEntries_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("warning");
        const QByteArray moment = QByteArray::number(QDateTime::currentMSecsSinceEpoch() + 3600000);
        QTest::newRow("garbage bytes") << QByteArray("\x00\xff\xfe\x80\n[\n=\x01\n", 11) << "cannot be read";
        QTest::newRow("invalid date") << QByteArray("d1_DUEDATE_" + moment + "=not a date\n") << "without a valid date";
        // Variant forms of no value the programs write never reach QSettings.
        QTest::newRow("broken variant") << QByteArray("d2_DUEDATE_" + moment + "=@Variant(\\0\\0\\0\\x10)\n")
                                        << "cannot be read safely";
        QTest::newRow("broken variant in a group")
            << QByteArray("[..]\nx_DUEDATE_" + moment + "=@DateTime(oops)\n") << "cannot be read safely";
        QTest::newRow("group key") << QByteArray("[..]\nx_DUEDATE_" + moment + "=1\n") << "inside a group";
        QTest::newRow("long key") << QByteArray(QByteArray(10240, 'k') + "_DUEDATE_" + moment + "=1\n") << "longer than";
        QTest::newRow("unknown kind") << QByteArray("u_LATER_" + moment + "=x\n") << "kind is unknown";
        QTest::newRow("moment not a number") << QByteArray("m_DUEDATE_12ab=x\n") << "not a number";
    }

    void shouldArmOnlyUsableEntries()
    {
        QFETCH(QByteArray, extra);
        QFETCH(QString, warning);
        NtfContent::writeBytes(path(), NtfContent::bytes(entries({ m_a })) + extra);
        Reader reader(path());
        QSignalSpy added(&reader, &Reader::newNotificationAvailable);
        reader.read();
        reader.read();
        QCOMPARE(added.count(), 1);
        QCOMPARE(added.first().first().toString(), m_a);
        // Reported once while it stays, not at every read.
        QCOMPARE(LogReader::messages(NtfContent::logPath()).filter(warning).size(), 1);
        QVERIFY(LogReader::messages(NtfContent::logPath()).filter(QString(10240, 'k')).isEmpty());
    }

    void shouldKeepItsViewWhenTheFileCannotBeRead()
    {
        NtfContent::write(path(), entries({ m_a }));
        Reader reader(path());
        QSignalSpy removed(&reader, &Reader::notificationRemoved);
        reader.read();
        QVERIFY(QFile::remove(path()));
        QVERIFY(QDir().mkdir(path()));
        reader.read();
        QCOMPARE(removed.count(), 0);
        QVERIFY(QDir().rmdir(path()));
        reader.read();
        QCOMPARE(removed.count(), 1);
    }
};

QUORVEL_TEST_MAIN(TestNotificationFile)
#include "tst_notificationfile.moc"
