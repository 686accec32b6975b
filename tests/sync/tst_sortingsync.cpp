#include "SideChannelServer.h"

#include "shell/AppPaths.h"
#include "shell/Settings.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"
#include "sync/AuthManager.h"
#include "sync/SortingManager.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <climits>
#include <memory>

using namespace SortingNamespace;
using Reply = LoopbackHttpServer::Reply;
Q_DECLARE_METATYPE(LoopbackHttpServer::Reply)

namespace {
const QDateTime T0(QDate(2024, 5, 10), QTime(12, 0), Qt::UTC);

QJsonObject serverList(const QString& listId, const QDateTime& changed, SortingType type = ManualType)
{
    SortedListInfo info;
    info.sortingType = type;
    info.lastChanged = changed;
    info.orderHash = { { "t1", 2 }, { "t2", 1 } };
    return SortingManager::listToJson(listId, ListTypeProject, info);
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

// The sorting side channel, and with it the frame every side channel shares:
// token, one run at a time, the order of the steps and what a reply may do.
class TestSortingSync : public QObject
{
    Q_OBJECT

    std::unique_ptr<SideChannelServer> m_server;
    std::unique_ptr<SortingManager> m;
    QDateTime m_now = T0;
    StoreFixture m_log;
    int m_files = 0;

    void makeManager(const QString& path = QString())
    {
        const QString file = path.isEmpty() ? AppPaths::appDataFile(QStringLiteral("sorting_%1.dat").arg(++m_files)) : path;
        m = std::make_unique<SortingManager>(file);
        m->setClock([this] { return m_now; });
        m->setChangeDelay(60000);
    }

    // Sends what waits, against a server that takes everything sent.
    void settle()
    {
        QVERIFY(SideChannelServer::run(m.get()));
        QVERIFY(m->pendingLists().isEmpty() && m->deletedListIds().isEmpty());
        m_server->http().clearRequests();
    }

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_sortingsync")); }

    void init()
    {
        m_server = std::make_unique<SideChannelServer>();
        QVERIFY(m_server->start());
        // Sends are answered with what was sent, gets with an empty list.
        m_server->http().setDefaultHandler([](const LoopbackHttpServer::Request& request) {
            return Reply::json(request.method == "POST" ? request.body : QByteArray("[]"));
        });
        m_now = T0;
        makeManager();
        m_log.markLog();
    }

    void cleanup()
    {
        m.reset();
        m_server.reset();
    }

    void anUnchangedChoiceStartsNoRun()
    {
        m->setSortedList("p1", ListTypeProject, AlphabeticalType, false);
        QVERIFY(m->isChangePending());
        const QString path = m->filePath();
        const QByteArray before = contentOf(path);
        makeManager(path);
        m->setSortedList("p1", ListTypeProject, AlphabeticalType, false);
        QVERIFY(!m->isChangePending());
        QCOMPARE(contentOf(path), before);
    }

    void twoChangesWithinTheDelayGiveOneRun()
    {
        // Wide margins: a loaded machine may run the test late by far more
        // than the gap between the changes.
        m->setChangeDelay(1000);
        m->setSortedList("p1", ListTypeProject, AlphabeticalType, false);
        QTest::qWait(200);
        m->setManualSortedList("p2", ListTypeProject, { { "t1", 1 } });
        QVERIFY(m_server->http().waitForRequests(1));
        QTRY_VERIFY(!m->inProgress());
        QTest::qWait(1200);
        QCOMPARE(m_server->calls(), QStringList { "POST /api/sorting/v1/" });
        QCOMPARE(m_server->sent(0).size(), 2);
        QVERIFY(m->pendingLists().isEmpty());
    }

    void theRequestsCarryTheToken()
    {
        QVERIFY(SideChannelServer::run(m.get()));
        const LoopbackHttpServer::Request request = m_server->http().lastRequest();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(request.header("User-Agent"), AuthManager::userAgent());
        QCOMPARE(request.header("Authorization"), "Token " + SideChannelServer::Token.toLatin1());
    }

    void theServerListDecides_data()
    {
        QTest::addColumn<int>("localAt");   // seconds after T0; INT_MIN: no local list
        QTest::addColumn<int>("deletedAt"); // dropped here while the answer is on its way
        QTest::addColumn<int>("serverAt");
        QTest::addColumn<int>("expected"); // sorting type afterwards, -1: no list
        QTest::newRow("equal times: the server's") << 0 << INT_MIN << 0 << int(ManualType);
        QTest::newRow("server newer") << 0 << INT_MIN << 60 << int(ManualType);
        QTest::newRow("local strictly newer") << 60 << INT_MIN << 0 << int(AlphabeticalType);
        QTest::newRow("new on the server") << INT_MIN << INT_MIN << 0 << int(ManualType);
        QTest::newRow("dropped after the server's change") << 0 << 60 << 30 << -1;
        QTest::newRow("dropped at the server's change") << 0 << 30 << 30 << -1;
        QTest::newRow("dropped before the server's change") << 0 << 30 << 60 << int(ManualType);
    }

    void theServerListDecides()
    {
        QFETCH(int, localAt);
        QFETCH(int, deletedAt);
        QFETCH(int, serverAt);
        QFETCH(int, expected);
        if (localAt != INT_MIN) {
            m_now = T0.addSecs(localAt);
            m->setSortedList("p1", ListTypeProject, AlphabeticalType, false);
            settle();
        }
        m_server->enqueue(Reply::json(QJsonDocument(QJsonArray { serverList("p1", T0.addSecs(serverAt)) })
                                          .toJson(QJsonDocument::Compact))
                              .withDelay(400));
        QSignalSpy completed(m.get(), &BaseSyncManager::completed);
        m->sync();
        QVERIFY(m_server->http().waitForRequests(1));
        if (deletedAt != INT_MIN) {
            m_now = T0.addSecs(deletedAt);
            m->deleteSortedList("p1", ListTypeProject);
        }
        QVERIFY(completed.wait(10000));
        QCOMPARE(m->hasSortedListInfo("p1", ListTypeProject), expected >= 0);
        if (expected >= 0)
            QCOMPARE(int(m->getSortingType("p1", ListTypeProject)), expected);
    }

    void listsTheServerDoesNotHoldGoUnlessUnsent()
    {
        m->setSortedList("gone", ListTypeProject, AlphabeticalType, false);
        settle();
        m_server->enqueue(Reply::json("[]").withDelay(300));
        m->sync();
        QVERIFY(m_server->http().waitForRequests(1));
        m->setSortedList("new", ListTypeContext, AlphabeticalType, true);
        QTRY_VERIFY(!m->inProgress());
        QVERIFY(!m->hasSortedListInfo("gone", ListTypeProject));
        QVERIFY(m->hasSortedListInfo("new", ListTypeContext));
        QCOMPARE(m->pendingLists().size(), 1);
    }

    void deletionsGoBeforeChangesInOneRun()
    {
        m->setSortedList("old", ListTypeProject, AlphabeticalType, false);
        settle();
        m->deleteSortedList("old", ListTypeProject);
        m->setSortedList("p2", ListTypeFolder, TimestampDescType, true);
        QVERIFY(SideChannelServer::run(m.get()));
        QCOMPARE(m_server->calls(), (QStringList { "POST /api/sorting/v1/list/delete/", "POST /api/sorting/v1/" }));
        QCOMPARE(m_server->sent(0).first().toObject().value("list_id").toString(), QStringLiteral("old"));
        QCOMPARE(m_server->sent(1).first().toObject().value("list_id").toString(), QStringLiteral("p2"));
        QVERIFY(m->pendingLists().isEmpty() && m->deletedListIds().isEmpty());
        QVERIFY(m->hasSortedListInfo("p2", ListTypeFolder));
    }

    void aFailedRunKeepsWhatWaits()
    {
        m->setSortedList("p1", ListTypeProject, AlphabeticalType, false);
        m->deleteSortedList("p1", ListTypeProject);
        m->setSortedList("p2", ListTypeProject, AlphabeticalType, false);
        m_server->enqueue(Reply::json("[]"));
        m_server->enqueue(Reply::text("unavailable", 503));
        QVERIFY(SideChannelServer::run(m.get()));
        QVERIFY(m_log.logged("ERROR Server Error (Sorting): "));
        makeManager(m->filePath());
        QVERIFY(m->deletedListIds().isEmpty());
        QCOMPARE(m->pendingLists(), (QList<SortingManager::ListKey> { { "p2", ListTypeProject } }));
    }

    // A service may take a delete or a send with no body at all; only a
    // failed request keeps what waits.
    void aTakenRequestIsDoneWhateverItsBody_data()
    {
        QTest::addColumn<bool>("deleting");
        QTest::addColumn<Reply>("answer");
        QTest::addColumn<bool>("done");
        QTest::addColumn<int>("requests");
        for (const bool deleting : { true, false }) {
            const char* step = deleting ? "delete" : "send";
            // A send answered with the server's list needs no get after it.
            const int asked = deleting ? 2 : 1;
            QTest::addRow("%s, empty body", step) << deleting << Reply::json("") << true << 2;
            QTest::addRow("%s, 204", step) << deleting << Reply::text("", 204) << true << 2;
            QTest::addRow("%s, array", step) << deleting << Reply::json("[]") << true << asked;
            QTest::addRow("%s, not JSON", step) << deleting << Reply::text("<html>ok</html>") << true << 2;
            QTest::addRow("%s, 503", step) << deleting << Reply::text("", 503) << false << 1;
        }
    }

    void aTakenRequestIsDoneWhateverItsBody()
    {
        QFETCH(bool, deleting);
        QFETCH(Reply, answer);
        QFETCH(bool, done);
        QFETCH(int, requests);
        m->setSortedList("p1", ListTypeProject, AlphabeticalType, false);
        if (deleting) {
            settle();
            m->deleteSortedList("p1", ListTypeProject);
        }
        m_server->enqueue(answer);
        QVERIFY(SideChannelServer::run(m.get()));
        QCOMPARE(m_server->http().requestCount(), requests);
        makeManager(m->filePath());
        QCOMPARE(m->deletedListIds().isEmpty(), !deleting || done);
        QCOMPARE(m->pendingLists().isEmpty(), deleting || done);
    }

    void anUnreadableAnswerChangesNothing_data()
    {
        QTest::addColumn<Reply>("answer");
        QTest::addColumn<QString>("logged");
        QByteArray many = "[";
        for (int i = 0; i < 100000; ++i)
            many += i ? ",{}" : "{}";
        QTest::newRow("not JSON") << Reply::text("<html>portal</html>") << "the answer is not a JSON array";
        QTest::newRow("an object") << Reply::json("{\"list_id\":\"p1\"}") << "the answer is not a JSON array";
        QTest::newRow("100000 items") << Reply::json(many + "]") << "the answer holds 100000 items";
        QTest::newRow("50 MB") << Reply::json("[" + QByteArray(50 * 1024 * 1024, ' ') + "]") << "the answer is larger";
    }

    // The lists are not replaced by what cannot be read.
    void anUnreadableAnswerChangesNothing()
    {
        QFETCH(Reply, answer);
        QFETCH(QString, logged);
        m->setSortedList("p1", ListTypeProject, AlphabeticalType, false);
        settle();
        m_server->enqueue(answer);
        QVERIFY(SideChannelServer::run(m.get()));
        QVERIFY(m->hasSortedListInfo("p1", ListTypeProject));
        QVERIFY(m_log.logged("ERROR Server Error (Sorting): " + logged));
    }

    void unusableItemsAreSkippedOneByOne()
    {
        m->setSortedList("kept", ListTypeProject, AlphabeticalType, false);
        settle();
        QJsonObject damaged = serverList("kept", T0.addSecs(60));
        damaged.insert("list_items", "not a list");
        QJsonObject badDate = serverList("bad-date", T0);
        badDate.insert("last_changed", "yesterday");
        QJsonObject numericId = serverList("x", T0);
        numericId.insert("list_id", 42);
        m_server->enqueue(QJsonArray { damaged, badDate, numericId, 7, serverList("fine", T0) });
        QVERIFY(SideChannelServer::run(m.get()));
        QCOMPARE(int(m->getSortingType("kept", ListTypeProject)), int(AlphabeticalType));
        QVERIFY(!m->hasSortedListInfo("bad-date", ListTypeProject));
        QVERIFY(m->hasSortedListInfo("fine", ListTypeProject));
        int skipped = 0;
        for (const QString& line : m_log.logLines())
            skipped += line.contains(" of the sorting answer is skipped: ") ? 1 : 0;
        QCOMPARE(skipped, 4);
    }

    void signingOutDuringARunAppliesNothing()
    {
        m_server->enqueue(Reply::json(QJsonDocument(QJsonArray { serverList("p1", T0) }).toJson()).withDelay(400));
        QSignalSpy completed(m.get(), &BaseSyncManager::completed);
        m->sync();
        QVERIFY(m_server->http().waitForRequests(1));
        m->clearAll();
        QCOMPARE(completed.count(), 1);
        QVERIFY(!m->inProgress());
        QTest::qWait(700);
        QVERIFY(!m->hasSortedListInfo("p1", ListTypeProject));
    }

    void withoutATokenARunAsksForOne_data()
    {
        QTest::addColumn<Reply>("tokenReply");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("granted") << Reply::json("{\"key\":\"fresh\"}")
                                 << QStringList { "POST /api/auth/v1/login/", "GET /api/sorting/v1/" };
        QTest::newRow("refused") << Reply::json("{\"detail\":\"no\"}", 400)
                                 << QStringList { "POST /api/auth/v1/login/" };
    }

    void withoutATokenARunAsksForOne()
    {
        QFETCH(Reply, tokenReply);
        QFETCH(QStringList, calls);
        Settings::instance()->setAuthToken(QString());
        m_server->enqueue(tokenReply);
        QSignalSpy progress(m.get(), &BaseSyncManager::inProgressChanged);
        QVERIFY(SideChannelServer::run(m.get()));
        QCOMPARE(m_server->calls(), calls);
        QCOMPARE(progress.count(), 2);
        QVERIFY(!m->inProgress());
    }

    // The service ends tokens (a password change elsewhere): a new one is
    // asked for once, and the step is tried again with it.
    void aRefusedTokenIsRenewedOnce()
    {
        m_server->enqueue(Reply::json("{\"detail\":\"Invalid token.\"}", 401));
        m_server->enqueue(Reply::json("{\"key\":\"renewed\"}"));
        m_server->enqueue(Reply::json("{\"detail\":\"Invalid token.\"}", 401));
        QVERIFY(SideChannelServer::run(m.get()));
        QCOMPARE(m_server->calls(),
            (QStringList { "GET /api/sorting/v1/", "POST /api/auth/v1/login/", "GET /api/sorting/v1/" }));
        QCOMPARE(m_server->http().lastRequest().header("Authorization"), QByteArray("Token renewed"));
        QVERIFY(m_log.logged("ERROR Server Error (Sorting): "));
    }

    void withoutCredentialsNothingRuns()
    {
        SideChannelServer::signOut();
        QSignalSpy progress(m.get(), &BaseSyncManager::inProgressChanged);
        m->sync();
        QTest::qWait(200);
        QVERIFY(progress.isEmpty());
        QCOMPARE(m_server->http().requestCount(), 0);
    }
};

QUORVEL_TEST_MAIN(TestSortingSync)
#include "tst_sortingsync.moc"
