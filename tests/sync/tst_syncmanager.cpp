#include "SyncFixture.h"

#include "data/DatabaseHandler.h"
#include "data/PredefinedDataHelper.h"
#include "plexlink/ApiHandler.h"
#include "shell/Settings.h"
#include "support/RecordBuilder.h"
#include "support/TestMain.h"
#include "sync/SyncManager.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace {

const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();

QDateTime fixtureNow()
{
    return QDateTime::fromSecsSinceEpoch(SyncFixture::Now, Qt::UTC).toLocalTime();
}

} // namespace

// The account and sync front: which runs it starts, what it tells the user
// about failures, and what signing in and out leave behind.
class TestSyncManager : public QObject
{
    Q_OBJECT

private:
    SyncFixture m;

    SyncManager* manager() { return m.manager(); }
    Settings* settings() { return m.settings(); }

    // Runs one sync through the manager and waits for it to end.
    bool runThroughManager(bool silent)
    {
        QSignalSpy active(manager(), &SyncManager::activeChanged);
        silent ? manager()->startSilent() : manager()->start();
        if (!manager()->isActive())
            return false;
        return active.wait(30000) && !manager()->isActive();
    }

    void seedLocalData()
    {
        QVERIFY(m.fixture().task("t1", Inbox));
        settings()->setRecentProjects({ QVariantMap { { "ID", "p1" }, { "NAME", "Plan" }, { "PARENT", "" } } });
        QSettings file(SyncHandler::syncFilePath(), QSettings::IniFormat);
        file.setValue("Sync/LastClientRevision", 12);
        file.setValue("Sync/QB_ID", "server-inbox");
        file.setValue("Sync/LastSyncDateTime", QDateTime(QDate(2023, 1, 2), QTime(3, 4)));
    }

    void verifyWiped()
    {
        QVERIFY(m.fixture().taskRecord("t1").isEmpty());
        QVERIFY(settings()->clientLogin().isEmpty());
        QVERIFY(settings()->clientPassword().isEmpty());
        QVERIFY(settings()->recentProjects().isEmpty());
        QSettings file(SyncHandler::syncFilePath(), QSettings::IniFormat);
        QVERIFY2(file.allKeys().isEmpty(), qPrintable(file.allKeys().join(',')));
        QVERIFY(!manager()->isLoggedIn());
        QVERIFY(!manager()->lastSyncDateTime().isValid());
    }

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_syncmanager")); }

    void init()
    {
        QVERIFY(m.open());
        PredefinedDataHelper::instance()->resetBuiltInListIds();
        settings()->setCloudSyncEnabled(true);
    }

    void cleanup() { m.close(); }

    void shouldNotStartWhileCloudSyncIsOff()
    {
        settings()->setCloudSyncEnabled(false);
        m.makeManager();
        QVERIFY(manager()->isLoggedIn());
        QSignalSpy active(manager(), &SyncManager::activeChanged);
        manager()->start();
        manager()->startSilent();
        QTest::qWait(300);
        QCOMPARE(active.count(), 0);
        QCOMPARE(m.server().requestCount(), 0);
    }

    void shouldRecordTheEndOfAGoodRun()
    {
        m.makeManager();
        m.reply(m.changes(3));
        QSignalSpy lastSync(manager(), &SyncManager::lastSyncDateTimeChanged);
        QSignalSpy progress(manager(), &SyncManager::progressChanged);
        QVERIFY(runThroughManager(false));
        QCOMPARE(lastSync.count(), 1);
        QCOMPARE(manager()->lastSyncDateTime(), fixtureNow());
        QCOMPARE(progress.last().at(0).toInt(), 100);
        QCOMPARE(manager()->syncProgress(), 100);

        // The next run starts from 0 again.
        m.reply(m.changes(3));
        QSignalSpy restarted(manager(), &SyncManager::progressChanged);
        manager()->start();
        QCOMPARE(restarted.first().at(0).toInt(), 0);
        QSignalSpy ended(manager(), &SyncManager::activeChanged);
        QVERIFY(ended.wait(30000));
    }

    void shouldShowServerErrorsOnlyOutsideSilentRuns_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        const QString internal = "We are sorry. The server encountered an internal error and was unable to complete "
                                 "your request. Please try again.";
        QTest::newRow("500") << false << 500 << "Internal Server Error" << internal;
        QTest::newRow("500, silent") << true << 500 << "" << "";
        QTest::newRow("3") << false << 3 << "Sync Error"
                           << "Sync error (code 3). Please logout from your account and login again to resolve the "
                              "issue.";
        QTest::newRow("110") << false << 110 << "Warning"
                             << "The app version you are using is too old. In order to perform sync, please update "
                                "the app.";
    }

    void shouldShowServerErrorsOnlyOutsideSilentRuns()
    {
        QFETCH(bool, silent);
        QFETCH(int, status);
        QFETCH(QString, title);
        QFETCH(QString, message);
        seedLocalData();
        const QDateTime lastSync = QDateTime(QDate(2023, 1, 2), QTime(3, 4));
        m.makeManager();
        m.reply(SyncReplies::refused(status, "Refused"));
        QSignalSpy errors(manager(), &SyncManager::serverError);
        QSignalSpy lastSyncChanges(manager(), &SyncManager::lastSyncDateTimeChanged);

        QVERIFY(runThroughManager(silent));
        QCOMPARE(errors.count(), silent ? 0 : 1);
        if (!silent)
            QCOMPARE(errors.first(), (QList<QVariant> { title, message, status }));
        QVERIFY(m.logged(QString(silent ? "ERROR Server Error (silent mode is on): %1." : "ERROR Server Error: %1.")
                             .arg(status)));
        QCOMPARE(lastSyncChanges.count(), 0);
        QCOMPARE(manager()->lastSyncDateTime(), lastSync);
        QVERIFY(!m.fixture().taskRecord("t1").isEmpty());
    }

    void shouldShowNetworkErrorsOnlyOutsideSilentRuns_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::newRow("normal") << false;
        QTest::newRow("silent") << true;
    }

    void shouldShowNetworkErrorsOnlyOutsideSilentRuns()
    {
        QFETCH(bool, silent);
        m.makeManager();
        m.server().enqueue(LoopbackHttpServer::Reply::drop());
        QSignalSpy errors(manager(), &SyncManager::networkError);
        QSignalSpy lastSync(manager(), &SyncManager::lastSyncDateTimeChanged);
        QVERIFY(runThroughManager(silent));
        QCOMPARE(errors.count(), silent ? 0 : 1);
        if (!silent)
            QCOMPARE(errors.first().at(0).toInt(), 0);
        QCOMPARE(lastSync.count(), 0);
    }

    void shouldWipeTheLocalDataWhenThePasswordChangedElsewhere()
    {
        seedLocalData();
        m.makeManager();
        m.reply(SyncReplies::refused(201, "Wrong password"));
        QSignalSpy outside(manager(), &SyncManager::passwordChangedOutside);
        QSignalSpy wiped(manager(), &SyncManager::localDataWiped);
        QSignalSpy errors(manager(), &SyncManager::serverError);
        QSignalSpy loggedIn(manager(), &SyncManager::loggedInChanged);

        QVERIFY(runThroughManager(true));
        QCOMPARE(outside.count(), 1);
        QCOMPARE(wiped.count(), 1);
        QCOMPARE(errors.count(), 0);
        QCOMPARE(loggedIn.last().at(0).toBool(), false);
        QVERIFY(m.logged("ERROR User's password has been changed on server. Destroying database..."));
        verifyWiped();
        QVERIFY(m.store()->isConnected());
    }

    void shouldLeaveAnAccountRequestsFailureToItsForm()
    {
        seedLocalData();
        m.makeManager();
        m.reply(SyncReplies::refused(201, "Wrong password"));
        QSignalSpy errors(manager(), &SyncManager::serverError);
        QSignalSpy busy(manager(), &SyncManager::changePasswordActiveChanged);
        // A typo in the current password must not cost the user's data.
        manager()->changePassword("wrong", "new secret");
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.first(),
            (QList<QVariant> { "Change Password Error", "Your current password is incorrect, please check.", 201 }));
        QCOMPARE(busy.count(), 2);
        QVERIFY(!m.fixture().taskRecord("t1").isEmpty());
        QCOMPARE(settings()->clientPassword(), SyncFixture::PasswordHash);
    }

    void shouldChangeThePasswordOnlyWhenSignedIn()
    {
        m.signOut();
        m.makeManager();
        QSignalSpy busy(manager(), &SyncManager::changePasswordActiveChanged);
        manager()->changePassword("old", "new");
        QCOMPARE(busy.count(), 0);
        QCOMPARE(m.server().requestCount(), 0);

        m.signIn();
        m.makeManager();
        m.reply(SyncReplies::granted());
        QSignalSpy changed(manager(), &SyncManager::changePasswordSuccessful);
        QSignalSpy busyAgain(manager(), &SyncManager::changePasswordActiveChanged);
        manager()->changePassword("old", "new secret");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(busyAgain.count(), 2);
        QCOMPARE(busyAgain.at(0).at(0).toBool(), true);
        QCOMPARE(busyAgain.at(1).at(0).toBool(), false);
        QCOMPARE(settings()->clientPassword(), ApiHandler::md5Hex("new secret"));
        QCOMPARE(SyncReplies::field(m.requests().at(0), "LOGIN"), SyncFixture::Login);
    }

    void shouldSignInWithTheHashGiven_data()
    {
        QTest::addColumn<bool>("registering");
        QTest::newRow("sign-in") << false;
        QTest::newRow("registration") << true;
    }

    void shouldSignInWithTheHashGiven()
    {
        QFETCH(bool, registering);
        m.signOut();
        m.makeManager();
        QVERIFY(!manager()->isLoggedIn());
        m.reply(SyncReplies::granted());
        QSignalSpy loggedIn(manager(), &SyncManager::loggedInChanged);
        QSignalSpy succeeded(
            manager(), registering ? &SyncManager::userRegistered : &SyncManager::checkLoginSuccessful);
        QSignalSpy busy(manager(),
            registering ? &SyncManager::registrationActiveChanged : &SyncManager::checkLoginActiveChanged);
        const QString hash = ApiHandler::md5Hex("secret");
        registering ? manager()->registerUser("bob@example.com", hash)
                    : manager()->checkLogin("bob@example.com", hash);

        QCOMPARE(succeeded.count(), 1);
        QCOMPARE(busy.count(), 2);
        QVERIFY(manager()->isLoggedIn());
        QCOMPARE(loggedIn.last().at(0).toBool(), true);
        QCOMPARE(settings()->clientLogin(), QString("bob@example.com"));
        QCOMPARE(settings()->clientPassword(), hash);
        QCOMPARE(SyncReplies::field(m.requests().at(0), "PASS"), hash);
        QVERIFY(!manager()->isAccountOperationActive());
    }

    void shouldWipeEverythingOnSignOut()
    {
        seedLocalData();
        m.makeManager();
        QSignalSpy aboutToLogout(manager(), &SyncManager::userIsAboutToLogout);
        QSignalSpy lastSync(manager(), &SyncManager::lastSyncDateTimeChanged);
        QVERIFY(manager()->logout());
        QCOMPARE(aboutToLogout.count(), 1);
        QCOMPARE(lastSync.count(), 1);
        QVERIFY(!lastSync.first().at(0).toDateTime().isValid());
        verifyWiped();
        // Signed out there is nothing more to wipe.
        QVERIFY(!manager()->logout());
        QCOMPARE(aboutToLogout.count(), 1);
    }

    void shouldKeepTheAccountWhenTheDatabaseCannotBeRecreated()
    {
        seedLocalData();
        m.makeManager();
        // A folder where the database file was: it cannot be replaced.
        const QString path = m.fixture().path();
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path + "/blocked"));
        QSignalSpy errors(manager(), &SyncManager::serverError);
        QSignalSpy wiped(manager(), &SyncManager::localDataWiped);

        QVERIFY(!manager()->logout());
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.first().at(0).toString(), QString("Application Error"));
        QCOMPARE(errors.first().at(2).toInt(), 1000);
        QCOMPARE(wiped.count(), 0);
        QVERIFY(manager()->isLoggedIn());
        QCOMPARE(settings()->clientLogin(), SyncFixture::Login);
        QCOMPARE(m.syncFileValue("LastClientRevision"), QString("12"));
        QDir(path).removeRecursively();
    }

    void shouldStopARunningSyncBeforeSigningOut()
    {
        seedLocalData();
        m.makeManager();
        m.server().enqueue(LoopbackHttpServer::Reply::xml(
                               m.changes(20, { SyncReplies::task("old-account", Inbox, SyncFixture::Now) }))
                               .withDelay(500));
        manager()->start();
        QVERIFY(manager()->isActive());
        QVERIFY(manager()->logout());
        QVERIFY(!manager()->isActive());
        QTest::qWait(1000);
        // The late download belongs to the old account.
        QVERIFY(m.fixture().taskRecord("old-account").isEmpty());
        QCOMPARE(m.storedRevision(), -1);
    }

    void shouldNotRecordAnAbortedRunAsSynced()
    {
        m.makeManager();
        m.server().enqueue(LoopbackHttpServer::Reply::xml(m.changes(3)).withDelay(300));
        QSignalSpy lastSync(manager(), &SyncManager::lastSyncDateTimeChanged);
        QSignalSpy active(manager(), &SyncManager::activeChanged);
        manager()->start();
        manager()->abort();
        QCOMPARE(active.count(), 2);
        QCOMPARE(lastSync.count(), 0);
        QVERIFY(!manager()->lastSyncDateTime().isValid());
    }

    void shouldNotRecordARunWhoseDownloadWasNotKept()
    {
        m.makeManager();
        QVariantMap broken = SyncReplies::task("t9", "", SyncFixture::Now);
        broken.insert("TIMESTAMP", "soon");
        m.reply(m.changes(3, { broken }));
        QSignalSpy lastSync(manager(), &SyncManager::lastSyncDateTimeChanged);
        QSignalSpy errors(manager(), &SyncManager::serverError);
        QVERIFY(runThroughManager(false));
        QCOMPARE(lastSync.count(), 0);
        QCOMPARE(errors.count(), 0);
    }

    void shouldHandTheServersBuiltInListsToTheInterface()
    {
        QVariantMap inbox = SyncReplies::project("server-inbox", SyncFixture::Now);
        inbox.insert("INBOX", 1);
        m.makeManager();
        m.reply(m.changes(2, { inbox }));
        QSignalSpy changed(PredefinedDataHelper::instance(), &PredefinedDataHelper::quorvelBoxIdChanged);
        QVERIFY(runThroughManager(false));
        QTRY_COMPARE(PredefinedDataHelper::instance()->quorvelBoxId(), QString("server-inbox"));

        // Known again at the next start.
        PredefinedDataHelper::instance()->resetBuiltInListIds();
        m.makeManager();
        QTRY_COMPARE(PredefinedDataHelper::instance()->quorvelBoxId(), QString("server-inbox"));
    }
};

QUORVEL_TEST_MAIN(TestSyncManager)
#include "tst_syncmanager.moc"
