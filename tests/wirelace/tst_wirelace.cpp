#include "support/LoopbackHttpServer.h"
#include "support/TestMain.h"
#include "wirelace/Wirelace.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSignalSpy>

#include <memory>

using Reply = LoopbackHttpServer::Reply;
Q_DECLARE_METATYPE(LoopbackHttpServer::Reply)

class TestWirelace : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LoopbackHttpServer> m_server;

    static bool waitForFinished(QNetworkReply* reply)
    {
        if (reply->isFinished())
            return true;
        QSignalSpy spy(reply, &QNetworkReply::finished);
        return spy.wait(20000);
    }

    // The recorded headers whose names were passed, in the order they arrived.
    static Wirelace::Headers receivedOf(
        const LoopbackHttpServer::Request& request, const Wirelace::Headers& sent)
    {
        QList<QByteArray> names;
        for (const auto& header : sent)
            names.append(header.first.toLower());
        Wirelace::Headers received;
        for (const auto& header : request.headers) {
            if (names.contains(header.first.toLower()))
                received.append(header);
        }
        return received;
    }

private slots:
    void init()
    {
        m_server = std::make_unique<LoopbackHttpServer>();
        QVERIFY(m_server->start());
    }

    void cleanup() { m_server.reset(); }

    void shouldSendHeadersExactlyAsPassed_data()
    {
        QTest::addColumn<bool>("post");
        QTest::addColumn<Wirelace::Headers>("headers");
        QTest::addColumn<Wirelace::Headers>("expected");

        const Wirelace::Headers json { { "Content-Type", "application/json" },
            { "User-Agent", "Quorvel/1.16.3 (Velmora; Linux) Wirelace/1.0" } };
        QTest::newRow("post, two headers") << true << json << json;
        QTest::newRow("get, two headers") << false << json << json;

        const Wirelace::Headers many { { "X-Zeta", "1" }, { "Authorization", "Token abc" },
            { "X-Alpha", "two words" } };
        QTest::newRow("order kept, not sorted") << false << many << many;

        QTest::newRow("repeated name joined")
            << false << Wirelace::Headers { { "X-Tag", "a" }, { "X-Tag", "b" } }
            << Wirelace::Headers { { "X-Tag", "a, b" } };

        QTest::newRow("line break in a value is dropped")
            << false
            << Wirelace::Headers { { "Authorization", "Token x\r\nX-Injected: 1" }, { "X-Kept", "yes" } }
            << Wirelace::Headers { { "X-Kept", "yes" } };
    }

    void shouldSendHeadersExactlyAsPassed()
    {
        QFETCH(bool, post);
        QFETCH(Wirelace::Headers, headers);
        QFETCH(Wirelace::Headers, expected);
        m_server->enqueue(Reply::text("ok"));

        Wirelace sender;
        QNetworkReply* reply = post ? sender.sendPostRequest(m_server->url("/h"), "{}", headers)
                                    : sender.sendGetRequest(m_server->url("/h"), headers);
        QVERIFY(waitForFinished(reply));
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        reply->deleteLater();

        const LoopbackHttpServer::Request request = m_server->lastRequest();
        QCOMPARE(request.method, QByteArray(post ? "POST" : "GET"));
        QCOMPARE(receivedOf(request, headers), expected);
        QVERIFY(!request.hasHeader("X-Injected"));
    }

    void shouldCarryBodiesBothWays()
    {
        QByteArray body("name=Caf\xC3\xA9&x=1\0tail", 19);
        const QByteArray answer = "<response><status>0</status></response>";
        m_server->enqueue(Reply::xml(answer));
        m_server->enqueue(Reply::text("second"));

        Wirelace sender;
        QNetworkReply* posted = sender.sendPostRequest(
            m_server->url("/api/1/check_login"), body, { { "Content-Type", "application/octet-stream" } });
        QVERIFY(waitForFinished(posted));
        QCOMPARE(posted->readAll(), answer);
        QCOMPARE(m_server->lastRequest().body, body);
        QCOMPARE(m_server->lastRequest().target, QByteArray("/api/1/check_login"));
        posted->deleteLater();

        QNetworkReply* fetched = sender.sendGetRequest(m_server->url("/list?since=5&kind=a%20b"));
        QVERIFY(waitForFinished(fetched));
        QCOMPARE(fetched->readAll(), QByteArray("second"));
        QCOMPARE(m_server->lastRequest().method, QByteArray("GET"));
        QCOMPARE(m_server->lastRequest().target, QByteArray("/list?since=5&kind=a%20b"));
        QCOMPARE(m_server->lastRequest().path, QByteArray("/list"));
        QVERIFY(m_server->lastRequest().body.isEmpty());
        fetched->deleteLater();
    }

    void shouldEndHangingRequestWithNetworkError_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::newRow("no answer at all") << Reply::hang();
        QTest::newRow("body stops half-way")
            << Reply::stall("<response><status>0</status></response>", 10).withAnnouncedLength(1000);
    }

    void shouldEndHangingRequestWithNetworkError()
    {
        QFETCH(Reply, reply);
        m_server->enqueue(reply);
        Wirelace sender;
        sender.setTransferTimeout(300);
        QCOMPARE(sender.transferTimeout(), 300);

        QNetworkReply* pending = sender.sendGetRequest(m_server->url("/slow"));
        QVERIFY(waitForFinished(pending));
        QVERIFY2(pending->error() != QNetworkReply::NoError, qPrintable(pending->errorString()));
        pending->deleteLater();
    }

    void shouldKeepManagerAliveWhileRepliesAre()
    {
        m_server->enqueue(Reply::text("late").withDelay(200));
        auto sender = std::make_unique<Wirelace>();
        QPointer<QNetworkReply> reply = sender->sendGetRequest(m_server->url("/late"));
        QPointer<QNetworkAccessManager> manager = reply->manager();
        QVERIFY(manager);

        // The user object goes away while its reply is still in flight.
        sender.reset();
        QVERIFY(manager);
        QVERIFY(waitForFinished(reply));
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(reply->readAll(), QByteArray("late"));
        QCOMPARE(reply->manager(), manager.data());

        reply->deleteLater();
        QTRY_VERIFY(!reply);
        // With its last reply gone the orphaned manager goes too.
        QTRY_VERIFY(!manager);
    }

    void shouldDeleteManagerWithSenderOnceRepliesAreGone()
    {
        m_server->enqueue(Reply::text("ok"));
        auto sender = std::make_unique<Wirelace>();
        QPointer<QNetworkReply> reply = sender->sendGetRequest(m_server->url("/"));
        QPointer<QNetworkAccessManager> manager = reply->manager();
        QVERIFY(waitForFinished(reply));
        delete reply.data();
        QVERIFY(manager);
        sender.reset();
        QVERIFY(!manager);
    }

    void shouldFollowRedirectOnTheSameServer()
    {
        m_server->setHandler("/old", [](const LoopbackHttpServer::Request&) {
            return Reply::text("moved", 302).withHeader("Location", "/new");
        });
        m_server->setHandler("/new", [](const LoopbackHttpServer::Request&) { return Reply::text("here"); });
        Wirelace sender;
        QNetworkReply* reply = sender.sendGetRequest(m_server->url("/old"));
        QVERIFY(waitForFinished(reply));
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(reply->readAll(), QByteArray("here"));
        QCOMPARE(reply->url().path(), QStringLiteral("/new"));
        QCOMPARE(m_server->requestCount(), 2);
        reply->deleteLater();
    }

    void shouldReadTimeoutFromEnvironment_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("unset") << QByteArray() << 30000;
        QTest::newRow("seconds") << QByteArray("45") << 45000;
        QTest::newRow("padded") << QByteArray(" 5 ") << 5000;
        QTest::newRow("zero") << QByteArray("0") << 30000;
        QTest::newRow("negative") << QByteArray("-3") << 30000;
        QTest::newRow("not a number") << QByteArray("soon") << 30000;
        QTest::newRow("beyond an hour") << QByteArray("3601") << 30000;
    }

    void shouldReadTimeoutFromEnvironment()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        if (value.isNull())
            qunsetenv(Wirelace::TransferTimeoutVariable);
        else
            qputenv(Wirelace::TransferTimeoutVariable, value);
        QCOMPARE(Wirelace::defaultTransferTimeout(), expected);
        QCOMPARE(Wirelace().transferTimeout(), expected);
        qunsetenv(Wirelace::TransferTimeoutVariable);
    }
};

QUORVEL_TEST_MAIN(TestWirelace)
#include "tst_wirelace.moc"
