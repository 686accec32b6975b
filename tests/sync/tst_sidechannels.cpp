#include "SideChannelServer.h"
#include "SyncReplies.h"

#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "data/MetaDataManager.h"
#include "data/PredefinedDataHelper.h"
#include "models/FavoritesManager.h"
#include "shell/AppPaths.h"
#include "shell/Settings.h"
#include "sync/RemindersSyncManager.h"
#include "sync/SortingManager.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QSignalSpy>

#include <memory>

using Reply = LoopbackHttpServer::Reply;
using F = FavoritesManager;

namespace {
const QDateTime T0(QDate(2024, 5, 10), QTime(12, 0), Qt::UTC);

QJsonObject favorite(const QString& type, const QString& id)
{
    return { { "object_id", id }, { "object_type", type }, { "last_changed", "2024-05-10T12:00:00Z" } };
}

QJsonObject icon(const QString& projectId, const QString& iconId, const QDateTime& changed)
{
    return { { "object_type", "project" }, { "object_id", projectId }, { "icon_id", iconId },
        { "last_changed", changed.toString(Qt::ISODate) } };
}

QStringList only(const QStringList& calls, const QString& channel)
{
    QStringList kept;
    for (const QString& call : calls) {
        if (call.contains("/api/" + channel + "/"))
            kept.append(call);
    }
    return kept;
}
} // namespace

// The favorites and project icon passes, and how the data manager starts and
// ends the side channels around the main sync.
class TestSideChannels : public QObject
{
    Q_OBJECT

    std::unique_ptr<SideChannelServer> m_server;
    std::unique_ptr<DataManager> m_data;
    std::unique_ptr<F> m_favorites;
    std::unique_ptr<MetaDataManager> m_meta;
    StoreFixture m_log;
    int m_stores = 0;

    void makeDataManager()
    {
        const QString stem = QStringLiteral("sidechannels_%1").arg(++m_stores);
        DataManager::Options options;
        options.store.databasePath = AppPaths::appDataFile(stem + ".db");
        options.store.connectionName = stem;
        options.store.repeatedRemindersPath = AppPaths::appDataFile(stem + "_repeated.dat");
        options.store.sortingPath = AppPaths::appDataFile(stem + "_sorting.dat");
        options.store.notificationsPath = AppPaths::appDataFile(stem + "_ntf.dat");
        options.store.remindersPath = AppPaths::appDataFile(stem + "_reminders.dat");
        QVERIFY(DatabaseTemplate::unpackTo(options.store.databasePath));
        m_data = std::make_unique<DataManager>(options);
    }

    // The main sync answers after delayMs.
    void answerMainSync(int delayMs)
    {
        m_server->http().setHandler("/api/1/get_changes_ex", [delayMs](const LoopbackHttpServer::Request&) {
            return Reply::xml(SyncReplies::changes(3)).withDelay(delayMs);
        });
    }

private slots:
    void initTestCase()
    {
        StoreFixture::setUpLogging(QStringLiteral("tst_sidechannels"));
        Settings::instance();
    }

    void init()
    {
        TestSandbox::reset();
        PredefinedDataHelper::instance()->resetBuiltInListIds();
        m_server = std::make_unique<SideChannelServer>();
        QVERIFY(m_server->start());
        qputenv("QUORVEL_SYNC_URL", m_server->http().url("/api/1/").toString().toUtf8());
        Settings::instance()->setCloudSyncEnabled(true);
        m_server->http().setDefaultHandler([](const LoopbackHttpServer::Request& request) {
            return Reply::json(request.method == "POST" ? request.body : QByteArray("[]"));
        });
        makeDataManager();
        m_favorites = std::make_unique<F>(AppPaths::appDataFile("favorites.dat"), m_data.get());
        m_meta = std::make_unique<MetaDataManager>(AppPaths::appDataFile("meta.dat"));
        m_meta->setClock([] { return T0; });
        m_log.markLog();
    }

    void cleanup()
    {
        m_meta.reset();
        m_favorites.reset();
        m_data.reset();
        m_server.reset();
        qunsetenv("QUORVEL_SYNC_URL");
    }

    void offlineFavoriteChangesAreDeletedThenSentAndTheAnswerDecides()
    {
        m_favorites->add(F::TaskKind, "a");
        m_favorites->add(F::TaskKind, "b");
        QVERIFY(SideChannelServer::run(m_favorites.get()));
        m_server->http().clearRequests();

        m_favorites->remove(F::TaskKind, "a");
        m_favorites->add(F::TaskKind, "c");
        m_server->enqueue(QJsonArray { favorite("task", "b") });
        m_server->enqueue(QJsonArray { favorite("task", "b"), favorite("task", "c"), favorite("project", "p"),
            favorite("folder", "x"), favorite("task", "") });
        QSignalSpy changed(m_favorites.get(), &F::objectsChanged);
        QVERIFY(SideChannelServer::run(m_favorites.get()));

        QCOMPARE(m_server->calls(), (QStringList { "POST /api/favorites/v1/delete/", "POST /api/favorites/v1/" }));
        QCOMPARE(m_server->sent(0).first().toObject().value("object_id").toString(), QStringLiteral("a"));
        QCOMPARE(m_server->sent(1).first().toObject().value("object_id").toString(), QStringLiteral("c"));
        QCOMPARE(m_favorites->taskIds(), (QStringList { "b", "c" }));
        QCOMPARE(m_favorites->projectIds(), QStringList { "p" });
        QVERIFY(m_favorites->objectsToAdd().isEmpty() && m_favorites->objectsToRemove().isEmpty());
        QCOMPARE(changed.count(), 1);
        QVERIFY(m_log.logged("INFO Favorites sync started..."));
        QVERIFY(m_log.logged("INFO Trying to delete favorite objects from the server..."));
    }

    // The settled changes wait for the main sync under way; the main sync
    // is followed by the reminders channel, then the sorting channel.
    void theSideChannelsFollowTheMainSync()
    {
        answerMainSync(800);
        m_favorites->setSettleDelay(100);
        QSignalSpy mainActive(m_data.get(), &DataManager::syncActiveChanged);
        QSignalSpy reminders(m_data.get(), &DataManager::remindersSyncComplete);
        QSignalSpy sorting(m_data.get(), &DataManager::sortingSyncComplete);
        QSignalSpy pass(m_favorites.get(), &BaseSyncManager::completed);
        // The runs start on the worker, one after the other.
        QMutex mutex;
        QStringList started;
        const QObject listening;
        for (BaseSyncManager* channel : std::initializer_list<BaseSyncManager*> {
                 m_data->workerRoot()->remindersSync(), m_data->workerRoot()->sorting() }) {
            connect(channel, &BaseSyncManager::inProgressChanged, &listening, [&mutex, &started, channel](bool running) {
                const QMutexLocker lock(&mutex);
                if (running)
                    started.append(channel->metaObject()->className());
            }, Qt::DirectConnection);
        }
        m_data->startSync();
        QTRY_VERIFY(m_data->isSyncActive());
        m_favorites->add(F::ContextKind, "c1");
        QVERIFY(pass.wait(10000));
        QVERIFY(!mainActive.isEmpty() && !mainActive.last().at(0).toBool());
        QTRY_COMPARE(reminders.count(), 1);
        QTRY_COMPARE(sorting.count(), 1);

        QStringList calls = m_server->calls();
        QCOMPARE(calls.first(), QStringLiteral("POST /api/1/get_changes_ex"));
        calls.removeAll("POST /api/1/get_changes_ex");
        QCOMPARE(only(calls, "reminders") + only(calls, "sorting"),
            (QStringList { "GET /api/reminders/v1/", "GET /api/sorting/v1/" }));
        QCOMPARE(only(calls, "favorites"), QStringList { "POST /api/favorites/v1/" });
        QCOMPARE(m_favorites->contextIds(), QStringList { "c1" });
        const QMutexLocker lock(&mutex);
        QCOMPARE(started, (QStringList { "RemindersSyncManager", "SortingManager" }));
    }

    // The favorites and icon passes follow every main sync on their own,
    // whatever their change timers are doing.
    void theFollowingPassesRunAfterTheMainSync()
    {
        answerMainSync(0);
        m_favorites->setSettleDelay(600000);
        m_favorites->add(F::TaskKind, "a");
        m_data->addFollowingChannel(m_favorites.get());
        m_data->addFollowingChannel(m_meta.get());
        QSignalSpy favoritesPass(m_favorites.get(), &BaseSyncManager::completed);
        QSignalSpy metaPass(m_meta.get(), &BaseSyncManager::completed);
        m_data->startSync();
        QTRY_VERIFY_WITH_TIMEOUT(!favoritesPass.isEmpty() && !metaPass.isEmpty(), 15000);
        QCOMPARE(only(m_server->calls(), "favorites"), QStringList { "POST /api/favorites/v1/" });
        QCOMPARE(only(m_server->calls(), "meta"), QStringList { "GET /api/meta/v1/" });
        QVERIFY(m_favorites->objectsToAdd().isEmpty());
    }

    void signingOutClearsTheToken()
    {
        QSignalSpy wiped(m_data.get(), &DataManager::userDataWiped);
        QVERIFY(m_data->logout());
        QTRY_COMPARE(wiped.count(), 1);
        QTRY_VERIFY(Settings::instance()->authToken().isEmpty());
    }

    void projectIconsTravel()
    {
        m_meta->setProjectIcon("star", "p1");
        m_meta->setProjectIcon("flag", "p2");
        QVERIFY(SideChannelServer::run(m_meta.get()));
        m_server->http().clearRequests();

        m_meta->setProjectIcon(m_meta->defaultProjectIcon(), "p2");
        m_meta->setProjectIcon("home", "p1");
        m_server->enqueue(QJsonArray { icon("p1", "star", T0) });
        m_server->enqueue(QJsonArray { icon("p1", "home", T0), icon("p3", "book", T0) });
        QVERIFY(SideChannelServer::run(m_meta.get()));
        QCOMPARE(m_server->calls(), (QStringList { "POST /api/meta/v1/delete/", "POST /api/meta/v1/" }));
        QCOMPARE(m_server->sent(0).first().toObject().value("object_id").toString(), QStringLiteral("p2"));
        QCOMPARE(m_meta->getProjectIcon("p1"), QStringLiteral("home"));
        QCOMPARE(m_meta->getProjectIcon("p2"), QStringLiteral("project"));
        QCOMPARE(m_meta->getProjectIcon("p3"), QStringLiteral("book"));
        QVERIFY(m_log.logged("INFO Meta sync started..."));
    }

    void theNewerIconWins_data()
    {
        QTest::addColumn<int>("serverAt");
        QTest::addColumn<QString>("lastChanged");
        QTest::addColumn<QString>("expected");
        QTest::newRow("older") << -60 << QString() << "star";
        QTest::newRow("same time") << 0 << QString() << "star";
        QTest::newRow("newer") << 60 << QString() << "flag";
        QTest::newRow("unreadable date") << 60 << "tomorrow"
                                         << "star";
    }

    void theNewerIconWins()
    {
        QFETCH(int, serverAt);
        QFETCH(QString, lastChanged);
        QFETCH(QString, expected);
        m_meta->setProjectIcon("star", "p1");
        m_meta->setProjectIcon("book", "gone");
        QVERIFY(SideChannelServer::run(m_meta.get()));
        QJsonObject record = icon("p1", "flag", T0.addSecs(serverAt));
        if (!lastChanged.isEmpty())
            record.insert("last_changed", lastChanged);
        QSignalSpy changed(m_meta.get(), &MetaDataManager::projectIconsChanged);
        m_server->enqueue(QJsonArray { record });
        QVERIFY(SideChannelServer::run(m_meta.get()));
        QCOMPARE(m_meta->getProjectIcon("p1"), expected);
        // Held here, sent before and no longer on the server: removed elsewhere.
        QCOMPARE(m_meta->getProjectIcon("gone"), QStringLiteral("project"));
        QCOMPARE(changed.count(), 1);
    }

    void clearingForgetsTheIcons()
    {
        m_meta->setProjectIcon("star", "p1");
        QSignalSpy changed(m_meta.get(), &MetaDataManager::projectIconsChanged);
        m_meta->clearAll();
        QCOMPARE(changed.count(), 1);
        MetaDataManager reread(m_meta->filePath());
        QVERIFY(reread.projectIcons().isEmpty());
        QVERIFY(reread.objectsToAdd().isEmpty());
    }
};

QUORVEL_TEST_MAIN(TestSideChannels)
#include "tst_sidechannels.moc"
