#include "data/DataManager.h"
#include "data/DatabaseBackup.h"
#include "data/DatabaseHandler.h"
#include "data/DatabaseRecovery.h"
#include "data/DatabaseTemplate.h"
#include "shell/AppPaths.h"
#include "shell/Settings.h"
#include "support/AppProcess.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"
#include "sync/SyncHandler.h"
#include "time/NotificationManager.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QMap>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>

#include <memory>

namespace {

QString databasePath()
{
    return AppPaths::appDataFile(QStringLiteral("quorvel_data.db"));
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

// A database of the given tasks at the program's place, written by a store
// of its own that is closed again.
bool makeDatabase(int tasks)
{
    if (!QFileInfo::exists(databasePath()) && !DatabaseTemplate::unpackTo(databasePath()))
        return false;
    DatabaseHandler store(databasePath(), QStringLiteral("setup"));
    if (!store.openAtStart())
        return false;
    for (int i = store.count(QStringLiteral("SELECT count(*) FROM task")); i < tasks; ++i) {
        if (!store.execute(QStringLiteral("INSERT INTO task (id, name, parent, memo, timestamp) VALUES "
                                          "('t%1', 'Task %1', 'p', printf('%.300c', 'm'), '1700000000')")
                               .arg(i)))
            return false;
    }
    return true;
}

QStringList keptAside()
{
    return QDir(AppPaths::appDataDir())
        .entryList({ QStringLiteral("quorvel_data.db.unreadable-*") }, QDir::Files);
}

} // namespace

// The choice the window offers when the tasks would not open, made through
// the recovery object over a real data manager; and the real program on
// damaged databases.
class TestDatabaseRecovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        StoreFixture::setUpLogging(QStringLiteral("tst_databaserecovery"));
        // A sync that starts must fail at once, not wait for a real server.
        qputenv("QUORVEL_SYNC_URL", "http://127.0.0.1:9/api/1/");
    }

    void init() { TestSandbox::reset(); }

    void shouldOpenTheTasksAgainAsChosen_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<bool>("restore");
        QTest::newRow("restore, signed out") << false << true;
        QTest::newRow("restore, signed in") << true << true;
        QTest::newRow("empty, signed out") << false << false;
        QTest::newRow("empty, signed in") << true << false;
    }

    void shouldOpenTheTasksAgainAsChosen()
    {
        QFETCH(bool, signedIn);
        QFETCH(bool, restore);
        const QString login = signedIn ? QStringLiteral("ann@example.com") : QString();
        Settings::instance()->setClientLogin(login);
        Settings::instance()->setClientPassword(
            signedIn ? QStringLiteral("5f4dcc3b5aa765d61d8327deb882cf99") : QString());
        {
            QSettings sync(SyncHandler::syncFilePath(), QSettings::IniFormat);
            sync.setValue(QStringLiteral("Sync/LastClientRevision"), 57);
        }

        // Two backups of this account, one of another; then the file breaks.
        const DatabaseBackup backups(databasePath());
        const QString account = DatabaseBackup::accountLabel(login);
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(makeDatabase(1));
        QVERIFY(!backups.write(DatabaseBackup::Reason::Daily, account, now.addDays(-2)).isEmpty());
        QVERIFY(makeDatabase(2));
        const QString newest = backups.write(DatabaseBackup::Reason::Daily, account, now.addDays(-1));
        QVERIFY(makeDatabase(3));
        QVERIFY(
            !backups.write(DatabaseBackup::Reason::Daily, QStringLiteral("0123456789abcdef"), now).isEmpty());
        const QByteArray damaged = readFile(databasePath()).left(4096);
        QVERIFY(writeFile(databasePath(), damaged));

        DataManager::Options options;
        options.store.databasePath = databasePath();
        options.store.connectionName = QStringLiteral("tst_recovery");
        options.store.repeatedRemindersPath = AppPaths::appDataFile(QStringLiteral("repeated.dat"));
        DataManager data(options);
        DatabaseRecovery recovery(&data, databasePath());
        QVERIFY(recovery.isNeeded());
        QVERIFY(!recovery.problem().isEmpty());
        QVERIFY(recovery.canRestore());
        QCOMPARE(recovery.backupPath(), newest);
        QCOMPARE(recovery.fullDownloadFollows(), signedIn);
        const QStringList backupDump = StoreFixture::dumpFile(newest);
        // Reminders of a task the backup holds and of one made after it.
        for (const char* id : { "t1", "t2" }) {
            QVERIFY(data.scheduleReminder(
                { { "ID", id }, { "DUEDATE", now.addDays(3) } }, NotificationManager::AtTimeOfEvent));
        }

        QSignalSpy recovered(&recovery, &DatabaseRecovery::recovered);
        QVERIFY(restore ? recovery.restoreBackup() : recovery.startEmpty());
        QCOMPARE(recovered.size(), 1);
        QVERIFY(!recovery.isNeeded());
        QVERIFY(data.isDataPrepared());
        QCOMPARE(data.getTaskById(QStringLiteral("t1")).isEmpty(), !restore);
        QVERIFY(data.getTaskById(QStringLiteral("t2")).isEmpty());
        // No reminder is left for a task that is not there.
        QCOMPARE(data.taskIdsWithReminders(), restore ? QStringList { "t1" } : QStringList());
        if (restore) {
            data.stopWorker();
            QCOMPARE(StoreFixture::dumpFile(databasePath()), backupDump);
        }

        // Nothing is lost: the file that would not open and every backup stay.
        QCOMPARE(keptAside().size(), 1);
        QCOMPARE(readFile(AppPaths::appDataFile(keptAside().first())), damaged);
        QCOMPARE(backups.entries().size(), 3);
        // Signed in, the next sync brings the whole account again.
        QCOMPARE(SyncHandler().lastRevision(), signedIn ? 0 : 57);
    }

    void shouldChooseNothingWhileTheTasksAreOpen()
    {
        QVERIFY(makeDatabase(1));
        QVERIFY(!DatabaseBackup(databasePath())
                     .write(DatabaseBackup::Reason::Daily, QStringLiteral("local"))
                     .isEmpty());
        DataManager::Options options;
        options.store.databasePath = databasePath();
        options.store.connectionName = QStringLiteral("tst_recovery");
        options.store.repeatedRemindersPath = AppPaths::appDataFile(QStringLiteral("repeated.dat"));
        DataManager data(options);
        DatabaseRecovery recovery(&data, databasePath());
        QVERIFY(!recovery.isNeeded());
        QVERIFY(!recovery.canRestore());
        QVERIFY(!recovery.restoreBackup());
        QVERIFY(!recovery.startEmpty());
        QVERIFY(!data.getTaskById(QStringLiteral("t0")).isEmpty());
        QVERIFY(keptAside().isEmpty());
    }

    // The real program trusts a database it closed itself after a cheap look,
    // and reads every page of one it was killed over.
    void shouldCheckEveryPageOnlyAfterTheProgramWasKilled()
    {
        QVERIFY(makeDatabase(20));
        const QString leftOpen = QStringLiteral(" was not closed at the end of the last session");
        const QString marker = DatabaseHandler::inUseMarkerPath(databasePath());
        {
            AppProcess app;
            QVERIFY(app.start());
            QVERIFY(app.waitForReady());
            QVERIFY(QFileInfo::exists(marker));
            QCOMPARE(app.stop(), 0);
        }
        QVERIFY(!QFileInfo::exists(marker));
        QVERIFY(AppProcess::logMessages().filter(leftOpen).isEmpty());
        {
            AppProcess app;
            QVERIFY(app.start());
            QVERIFY(app.waitForReady());
            app.process().kill();
            app.process().waitForFinished(5000);
        }
        QVERIFY(QFileInfo::exists(marker));
        AppProcess app;
        QVERIFY(app.start());
        QVERIFY(app.waitForLog(leftOpen));
        QVERIFY(app.waitForLog(QStringLiteral("Connected to the database successfully.")));
        QCOMPARE(app.stop(), 0);
        QVERIFY(!QFileInfo::exists(marker));
    }

    // The real program on a database that will not open: it keeps running,
    // says what happened, and every file it found is still there as it was.
    void shouldKeepRunningOnADamagedDatabase_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("zero bytes") << "zero";
        QTest::newRow("random bytes") << "random";
        QTest::newRow("cut short") << "truncated";
    }

    void shouldKeepRunningOnADamagedDatabase()
    {
        QFETCH(QString, damage);
        QVERIFY(makeDatabase(200));
        QVERIFY(!DatabaseBackup(databasePath())
                     .write(DatabaseBackup::Reason::Daily, QStringLiteral("local"))
                     .isEmpty());
        QByteArray content = readFile(databasePath());
        if (damage == QLatin1String("zero")) {
            content.clear();
        } else if (damage == QLatin1String("random")) {
            QRandomGenerator random(20261209);
            for (char& byte : content)
                byte = char(random.bounded(256));
        } else {
            content.truncate(content.size() / 3);
        }
        QVERIFY(writeFile(databasePath(), content));
        QMap<QString, QByteArray> before;
        QDirIterator files(AppPaths::appDataDir(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            before.insert(path, readFile(path));
        }

        AppProcess app;
        QVERIFY(app.start());
        QVERIFY2(app.waitForReady(), qPrintable(AppProcess::logMessages().join('\n')));
        QTest::qWait(1500);
        QCOMPARE(app.process().state(), QProcess::Running);
        const QStringList messages = AppProcess::logMessages();
        QVERIFY(messages.contains(QStringLiteral("Unable to connect to the database!")));
        QVERIFY2(!messages.filter(databasePath())
                      .filter(QRegularExpression(
                          QStringLiteral("is damaged|is not a Quorvel database|Unable to read the database")))
                      .isEmpty(),
            qPrintable(messages.join('\n')));
        QCOMPARE(app.stop(), 0);

        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QVERIFY2(readFile(it.key()) == it.value(), qPrintable(it.key()));
    }
};

QUORVEL_TEST_MAIN(TestDatabaseRecovery)
#include "tst_databaserecovery.moc"
