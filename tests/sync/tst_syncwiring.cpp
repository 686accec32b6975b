#include "SyncReplies.h"

#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "plexlink/ApiHandler.h"
#include "shell/AppPaths.h"
#include "shell/Settings.h"
#include "support/AppProcess.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QLocalServer>

#include <memory>

namespace {

const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();
const QString Login = QStringLiteral("ann@example.com");

// Keeps the midnight timer half a day away.
QDateTime noonClock()
{
    return QDateTime(QDate(2024, 5, 10), QTime(12, 0), Qt::UTC);
}

} // namespace

// The data manager's side of sync: its calls reach the sync manager on the
// worker thread, its signals and properties come back from there, and its
// timers start silent runs. Last, the real program starts a run of its own
// once its window is built.
class TestSyncWiring : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<DataManager> m;
    int m_stores = 0;

    void makeManager(int syncDelay = 10000)
    {
        const QString databasePath = TestSandbox::home() + QStringLiteral("/tst_syncwiring.db");
        QVERIFY(DatabaseTemplate::unpackTo(databasePath));
        DataManager::Options options;
        options.syncDelay = syncDelay;
        options.clock = noonClock;
        options.store.databasePath = databasePath;
        options.store.connectionName = QStringLiteral("tst_syncwiring_%1").arg(++m_stores);
        options.store.repeatedRemindersPath = TestSandbox::home() + QStringLiteral("/reminders.dat");
        options.store.sortingPath = TestSandbox::home() + QStringLiteral("/sorting.dat");
        options.store.notificationsPath = TestSandbox::home() + QStringLiteral("/ntf.dat");
        m = std::make_unique<DataManager>(options);
    }

    void signIn()
    {
        Settings::instance()->setClientLogin(Login);
        Settings::instance()->setClientPassword(ApiHandler::md5Hex("secret"));
    }

    void signOut()
    {
        Settings::instance()->clearClientLogin();
        Settings::instance()->clearClientPassword();
    }

private slots:
    void initTestCase()
    {
        StoreFixture::setUpLogging(QStringLiteral("tst_syncwiring"));
        // The settings belong to this thread even though the worker reads them.
        Settings::instance();
    }

    void init()
    {
        TestSandbox::reset();
        m_server = std::make_unique<LoopbackHttpServer>();
        QVERIFY(m_server->start());
        qputenv("QUORVEL_SYNC_URL", m_server->url("/api/1/").toString().toUtf8());
        signOut();
        Settings::instance()->setCloudSyncEnabled(true);
        PredefinedDataHelper::instance()->resetBuiltInListIds();
    }

    void cleanup()
    {
        m.reset();
        m_server.reset();
        signOut();
    }

    // A burst of changes ends in one silent run.
    void shouldStartOneSilentSyncAfterABurstOfChanges()
    {
        signIn();
        makeManager(400);
        m_server->setDefaultHandler(
            [](const LoopbackHttpServer::Request&) { return LoopbackHttpServer::Reply::xml(SyncReplies::changes(3)); });
        QSignalSpy active(m.get(), &DataManager::syncActiveChanged);

        for (int change = 0; change < 3; ++change) {
            m->restartSyncTimer();
            QTest::qWait(100);
        }
        QVERIFY(m_server->waitForRequests(1));
        QTRY_COMPARE_WITH_TIMEOUT(active.count(), 2, 10000);
        QCOMPARE(active.at(0).at(0).toBool(), true);
        QCOMPARE(active.at(1).at(0).toBool(), false);
        QTest::qWait(1000);
        QCOMPARE(SyncReplies::methods(m_server->requests()), QStringList { "get_changes_ex" });
        QVERIFY(m->lastSyncDateTime().isValid());
        QVERIFY(!m->isSyncActive());
    }

    void shouldSignInThroughTheWorker()
    {
        makeManager();
        QVERIFY(!m->isUserLoggedIn());
        m_server->enqueue(LoopbackHttpServer::Reply::xml(SyncReplies::granted()));
        QSignalSpy succeeded(m.get(), &DataManager::checkLoginSuccessful);
        QSignalSpy loggedIn(m.get(), &DataManager::userLoggedInChanged);
        QSignalSpy busy(m.get(), &DataManager::accountOperationActiveChanged);

        m->checkLogin("bob@example.com", ApiHandler::md5Hex("secret"));
        QVERIFY(succeeded.count() == 1 || succeeded.wait(5000));
        QTRY_COMPARE(busy.count(), 2);
        QCOMPARE(busy.at(0).at(0).toBool(), true);
        QCOMPARE(busy.at(1).at(0).toBool(), false);
        QTRY_VERIFY(!loggedIn.isEmpty() && loggedIn.last().at(0).toBool());
        QVERIFY(m->isUserLoggedIn());
        QCOMPARE(m->property("isUserLoggedIn").toBool(), true);
        QCOMPARE(m->property("isAccountOperationActive").toBool(), false);
        QCOMPARE(Settings::instance()->clientLogin(), QString("bob@example.com"));
    }

    // The wipe takes the reminders and the sorting settings along, whether
    // the user signed out or the password was changed on another device.
    void shouldClearRemindersAndSortingWithTheLocalData_data()
    {
        QTest::addColumn<bool>("passwordChangedElsewhere");
        QTest::newRow("sign-out") << false;
        QTest::newRow("password changed elsewhere") << true;
    }

    void shouldClearRemindersAndSortingWithTheLocalData()
    {
        QFETCH(bool, passwordChangedElsewhere);
        signIn();
        makeManager();
        QVERIFY(m->createTaskLocally(RecordBuilder::task("Call", Inbox).withId("t1")) && m->commitChanges());
        QVERIFY(m->scheduleReminder({ { "ID", "t1" }, { "DUEDATE", wallClock(QDate(2031, 1, 2), QTime(9, 0)) } }, 0));
        m->setStartRepeatedReminder("t1", 2);
        m->setSortedList("p1", SortingNamespace::ListTypeProject, SortingNamespace::AlphabeticalType, false);
        QCOMPARE(m->getReminderCount(), 1);
        QSignalSpy aboutToLogout(m.get(), &DataManager::userIsAboutToLogout);
        QSignalSpy outside(m.get(), &DataManager::passwordChangedOutside);
        QSignalSpy userOutside(m.get(), &DataManager::userPasswordChangedOutside);
        QSignalSpy loggedIn(m.get(), &DataManager::userLoggedInChanged);

        if (passwordChangedElsewhere) {
            m_server->enqueue(LoopbackHttpServer::Reply::xml(SyncReplies::refused(201, "Wrong password")));
            m->startSyncSilent();
            QVERIFY(outside.wait(10000));
            QTRY_COMPARE(userOutside.count(), 1);
        } else {
            QVERIFY(m->logout());
            QTRY_COMPARE(aboutToLogout.count(), 1);
        }
        QTRY_VERIFY(!loggedIn.isEmpty() && !loggedIn.last().at(0).toBool());
        QVERIFY(!m->isUserLoggedIn());
        QVERIFY(m->getTaskById("t1").isEmpty());
        QCOMPARE(m->getReminderCount(), 0);
        QVERIFY(m->getStartRepeatedReminders("t1").isEmpty());
        QVERIFY(!m->hasSortedListInfo("p1", SortingNamespace::ListTypeProject));
        QVERIFY(!m->lastSyncDateTime().isValid());
    }

    void shouldAbortARunFromTheInterface()
    {
        signIn();
        makeManager();
        m_server->enqueue(LoopbackHttpServer::Reply::xml(SyncReplies::changes(3)).withDelay(500));
        QSignalSpy active(m.get(), &DataManager::syncActiveChanged);
        m->startSync();
        QVERIFY(m_server->waitForRequests(1));
        QTRY_VERIFY(m->isSyncActive());
        m->abortSync();
        QVERIFY(!m->isSyncActive());
        QTRY_COMPARE(active.count(), 2);
        QVERIFY(!m->lastSyncDateTime().isValid());
    }

    // The real program: a signed-in user with cloud sync gets a silent run
    // as soon as the window is built.
    void shouldSyncOnceTheWindowIsBuilt()
    {
        m_server->setDefaultHandler(
            [](const LoopbackHttpServer::Request&) { return LoopbackHttpServer::Reply::xml(SyncReplies::changes(3)); });
        signIn();
        Settings::instance()->setCloudSyncEnabled(true);
        QLocalServer notifier;
        QVERIFY(notifier.listen(QStringLiteral("quorvel_notifier")));
        AppProcess app;
        app.environment().insert("QUORVEL_SYNC_URL", m_server->url("/api/1/").toString());
        QVERIFY(app.start());
        QVERIFY2(m_server->waitForRequests(1, 30000), qPrintable(AppProcess::logMessages().join('\n')));
        QVERIFY(app.waitForLog("Sync process completed."));
        const LoopbackHttpServer::Request request = m_server->requests().first();
        QCOMPARE(SyncReplies::method(request), QString("get_changes_ex"));
        QCOMPARE(SyncReplies::field(request, "LOGIN"), Login);
        QCOMPARE(app.stop(), 0);
    }
};

QUORVEL_TEST_MAIN(TestSyncWiring)
#include "tst_syncwiring.moc"
