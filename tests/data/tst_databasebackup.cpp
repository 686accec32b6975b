#include "data/DatabaseBackup.h"
#include "data/DatabaseHandler.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QThread>

namespace {

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QDateTime Monday(QDate(2026, 3, 2), QTime(9, 0));

} // namespace

// The rolling backups: what a copy holds, who may read it, which are kept,
// and that a copy that is not sound never counts as a backup.
class TestDatabaseBackup : public QObject
{
    Q_OBJECT

private:
    StoreFixture m_fixture;

    DatabaseBackup backups() const { return DatabaseBackup(m_fixture.path()); }
    QStringList filesInFolder() const
    {
        return QDir(backups().folder()).entryList(QDir::Files | QDir::Hidden);
    }

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_databasebackup")); }

    void init()
    {
        TestSandbox::reset();
        QVERIFY(m_fixture.open());
        QVERIFY(m_fixture.project(QStringLiteral("p1")));
        QVERIFY(m_fixture.task(QStringLiteral("t1"), QStringLiteral("p1")));
        QVERIFY(m_fixture.context(QStringLiteral("c1")));
    }

    void cleanup() { m_fixture.close(); }

    void shouldKeepAnOwnerOnlyCopyOfWhatWasCommitted()
    {
        // A change waiting to be confirmed is not part of the copy.
        QVERIFY(m_fixture.store()->beginTransaction());
        QVERIFY(m_fixture.store()->execute(QStringLiteral("DELETE FROM task")));
        const QString path = backups().write(DatabaseBackup::Reason::Daily, QStringLiteral("local"), Monday);
        QVERIFY(m_fixture.store()->rollbackChanges());

        QVERIFY(!path.isEmpty());
        QCOMPARE(StoreFixture::dumpFile(path), m_fixture.dump());
        QCOMPARE(QFile::permissions(path),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                | QFileDevice::WriteUser);
        QCOMPARE(QFile::permissions(backups().folder()) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
            QFileDevice::Permissions());
        const QList<DatabaseBackup::Entry> entries = backups().entries();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first().path, path);
        QCOMPARE(entries.first().written, Monday);
        QCOMPARE(entries.first().account, QStringLiteral("local"));
        QCOMPARE(filesInFolder().size(), 1);
    }

    void shouldKeepOnlyTheNewestSeven()
    {
        QStringList written;
        for (int i = 0; i < 9; ++i)
            written << backups().write(
                DatabaseBackup::Reason::Daily, QStringLiteral("local"), Monday.addDays(i));
        QStringList kept;
        for (const DatabaseBackup::Entry& entry : backups().entries())
            kept << entry.path;
        std::reverse(written.begin(), written.end());
        QCOMPARE(kept, written.mid(0, DatabaseBackup::KeptCount));
        QCOMPARE(filesInFolder().size(), DatabaseBackup::KeptCount);
    }

    void shouldNotKeepACopyThatIsNotSound_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray database = readFile(m_fixture.path());
        QTest::newRow("cut short") << database.left(database.size() / 2);
        QTest::newRow("zero bytes") << QByteArray();
        QTest::newRow("not a database") << QByteArray("Call the bank.\n").repeated(400);
    }

    void shouldNotKeepACopyThatIsNotSound()
    {
        QFETCH(QByteArray, content);
        const QString path = TestSandbox::root() + QStringLiteral("/broken.db");
        QVERIFY(writeFile(path, content));
        m_fixture.markLog();

        QCOMPARE(
            DatabaseBackup(path).write(DatabaseBackup::Reason::Daily, QStringLiteral("local")), QString());
        QCOMPARE(DatabaseBackup(path).entries().size(), 0);
        QCOMPARE(QDir(DatabaseBackup(path).folder()).entryList({ QStringLiteral("broken*") }, QDir::Files),
            QStringList());
        QCOMPARE(readFile(path), content);
        QCOMPARE(m_fixture.logLines().filter(QRegularExpression(QStringLiteral("^ERROR "))).size(), 1);
    }

    void shouldBeDueOncePerDayAndOnlyAfterAChange()
    {
        const DatabaseBackup backup = backups();
        QVERIFY(backup.isDailyDue(Monday.date()));
        const QString path = backup.write(DatabaseBackup::Reason::Daily, QStringLiteral("local"), Monday);
        QVERIFY(!backup.isDailyDue(Monday.date()));

        // The next day: due only once the database changed after the copy.
        QFile database(m_fixture.path());
        QVERIFY(database.open(QIODevice::ReadWrite));
        QVERIFY(database.setFileTime(
            QFileInfo(path).lastModified().addSecs(-60), QFileDevice::FileModificationTime));
        QVERIFY(backup.isUpToDate());
        QVERIFY(!backup.isDailyDue(Monday.date().addDays(1)));
        QVERIFY(database.setFileTime(
            QFileInfo(path).lastModified().addSecs(60), QFileDevice::FileModificationTime));
        QVERIFY(!backup.isUpToDate());
        QVERIFY(backup.isDailyDue(Monday.date().addDays(1)));
    }

    void shouldOfferTheNewestSoundBackupOfTheAccount()
    {
        const DatabaseBackup backup = backups();
        const QString older = backup.write(DatabaseBackup::Reason::Daily, QStringLiteral("aaaa"), Monday);
        const QString newer
            = backup.write(DatabaseBackup::Reason::SchemaChange, QStringLiteral("aaaa"), Monday.addDays(1));
        const QString other
            = backup.write(DatabaseBackup::Reason::Recreation, QStringLiteral("bbbb"), Monday.addDays(2));
        QVERIFY(!older.isEmpty() && !newer.isEmpty() && !other.isEmpty());
        QCOMPARE(backup.newestGood(QStringLiteral("aaaa")).path, newer);

        const QByteArray sound = readFile(newer);
        QVERIFY(writeFile(newer, sound.left(sound.size() / 2)));
        QCOMPARE(backup.newestGood(QStringLiteral("aaaa")).path, older);
        QCOMPARE(backup.newestGood(QStringLiteral("bbbb")).path, other);
        QVERIFY(!backup.newestGood(DatabaseBackup::accountLabel(QStringLiteral("someone@else"))).isValid());
        // The damaged one is left for a person to look at.
        QVERIFY(QFileInfo::exists(newer));
    }

    // The store's daily backup: only when nothing waits to be confirmed,
    // checked on another thread, and once a day.
    void shouldBackUpDailyAtAQuietMoment()
    {
        DatabaseHandler* store = m_fixture.store();
        QSignalSpy finished(store, &DatabaseHandler::dailyBackupFinished);
        QVERIFY(store->beginTransaction());
        QVERIFY(!store->isQuiet(0));
        QVERIFY(!store->backUpIfDue(0));
        QVERIFY(store->rollbackChanges());
        QVERIFY(!store->backUpIfDue(60000));

        QVERIFY(store->backUpIfDue(0));
        QVERIFY(finished.wait(10000));
        const QString path = finished.first().first().toString();
        QCOMPARE(backups().entries().value(0).path, path);
        QCOMPARE(StoreFixture::dumpFile(path), m_fixture.dump());
        QVERIFY(!store->backUpIfDue(0));
    }
};

QUORVEL_TEST_MAIN(TestDatabaseBackup)
#include "tst_databasebackup.moc"
