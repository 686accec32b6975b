#include "shell/DamagedSettingsFile.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>

namespace {

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestDamagedSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSandbox::reset(); }

    // Two damaged files within one millisecond must not share a copy.
    void shouldNameTheCopyAfterTheFirstFreeName()
    {
        const QString path = QDir(TestSandbox::home()).filePath(QStringLiteral("file.dat"));
        const QDateTime moment(QDate(2024, 3, 5), QTime(14, 7, 9, 42));
        const QString stem = path + QStringLiteral(".damaged-20240305-140709-042");
        QCOMPARE(DamagedSettingsFile::keptPathFor(path, moment), stem);

        touch(stem);
        touch(stem + QStringLiteral("-2"));
        QCOMPARE(DamagedSettingsFile::keptPathFor(path, moment), stem + QStringLiteral("-3"));
    }

    // A caller that goes on to write over the file only when it was kept
    // relies on the empty answer.
    void shouldAnswerNoPathWhenNothingWasKept()
    {
        const QDir home(TestSandbox::home());
        QCOMPARE(DamagedSettingsFile::keepAside(home.filePath(QStringLiteral("missing.dat"))), QString());
        QCOMPARE(DamagedSettingsFile::keepAside(
                     home.filePath(QStringLiteral("no folder/file.dat")), QByteArrayLiteral("x=1\n")),
            QString());
        QCOMPARE(home.entryList({ QStringLiteral("*.damaged-*") }, QDir::Files), QStringList());
    }
};

QUORVEL_TEST_MAIN(TestDamagedSettingsFile)
#include "tst_damagedsettingsfile.moc"
