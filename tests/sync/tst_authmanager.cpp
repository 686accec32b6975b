#include "shell/Settings.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestMain.h"
#include "sync/AccountServiceAddress.h"
#include "sync/AuthManager.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QSysInfo>

#include <memory>

using Reply = LoopbackHttpServer::Reply;
Q_DECLARE_METATYPE(LoopbackHttpServer::Reply)

class TestAuthManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<AuthManager> m_manager;

    static Settings* settings() { return Settings::instance(); }

    // Sends a token request and waits until it is answered either way.
    bool requestAndWait()
    {
        QSignalSpy received(m_manager.get(), &AuthManager::authTokenReceived);
        QSignalSpy failed(m_manager.get(), &AuthManager::serverError);
        m_manager->requestToken();
        const QDeadlineTimer deadline(20000);
        while (received.count() + failed.count() == 0 && !deadline.hasExpired())
            QTest::qWait(5);
        return received.count() + failed.count() == 1;
    }

private slots:
    void init()
    {
        m_server = std::make_unique<LoopbackHttpServer>();
        QVERIFY(m_server->start());
        qputenv(AccountServiceAddress::Variable, m_server->url("/api").toString().toUtf8());
        settings()->setClientLogin(QStringLiteral("ann@example.com"));
        settings()->setClientPassword(QStringLiteral("5f4dcc3b5aa765d61d8327deb882cf99"));
        settings()->setAuthToken(QString());
        settings()->setApplicationLanguage(QStringLiteral("en"));
        m_manager = std::make_unique<AuthManager>();
    }

    void cleanup()
    {
        m_manager.reset();
        m_server.reset();
        qunsetenv(AccountServiceAddress::Variable);
    }

    void shouldSendCredentialsAsJson_data()
    {
        QTest::addColumn<QString>("applicationLanguage");
        QTest::addColumn<QString>("language");
        QTest::newRow("english") << "en"
                                 << "en";
        QTest::newRow("russian") << "ru"
                                 << "ru";
        QTest::newRow("any other") << "de"
                                   << "en";
    }

    void shouldSendCredentialsAsJson()
    {
        QFETCH(QString, applicationLanguage);
        QFETCH(QString, language);
        settings()->setApplicationLanguage(applicationLanguage);
        m_server->enqueue(Reply::json("{\"key\":\"abc\"}"));
        QVERIFY(requestAndWait());

        const LoopbackHttpServer::Request request = m_server->lastRequest();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, QByteArray("/api/auth/v1/login/"));
        const QJsonDocument body = QJsonDocument::fromJson(request.body);
        const QJsonObject expected { { "login", "ann@example.com" },
            { "password", "5f4dcc3b5aa765d61d8327deb882cf99" }, { "language", language } };
        QCOMPARE(body.object(), expected);

        const QList<QByteArray> names = request.headerNames();
        QVERIFY(names.indexOf("content-type") >= 0);
        QVERIFY(names.indexOf("content-type") < names.indexOf("user-agent"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(request.header("User-Agent"),
            QStringLiteral("Quorvel/1.16.3 (Velmora; %1) Wirelace/1.0")
                .arg(QSysInfo::prettyProductName())
                .toUtf8());
    }

    void shouldStoreReceivedToken()
    {
        m_server->enqueue(Reply::json("{\"key\":\"9944b09199c62bcf9418ad846dd0e4bbdfc6ee4b\",\"user\":7}"));
        QSignalSpy received(m_manager.get(), &AuthManager::authTokenReceived);
        QVERIFY(requestAndWait());
        QCOMPARE(received.count(), 1);
        QVERIFY(m_manager->hasToken());
        QCOMPARE(m_manager->token(), QStringLiteral("9944b09199c62bcf9418ad846dd0e4bbdfc6ee4b"));
        QVERIFY(!m_manager->isRequestActive());
        // Written through to the account file, not only kept in memory.
        QCOMPARE(Settings().authToken(), m_manager->token());
    }

    void shouldStoreEmptyTokenWithoutKey()
    {
        m_server->enqueue(Reply::json("{\"detail\":\"no key here\"}"));
        QSignalSpy received(m_manager.get(), &AuthManager::authTokenReceived);
        QVERIFY(requestAndWait());
        QCOMPARE(received.count(), 1);
        QVERIFY(!m_manager->hasToken());
        QCOMPARE(Settings().authToken(), QString());
    }

    void shouldReportNetworkFailure_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::newRow("refused credentials") << Reply::json("{\"detail\":\"Invalid credentials\"}", 401);
        QTest::newRow("server error") << Reply::text("down", 503);
        QTest::newRow("connection dropped") << Reply::drop();
    }

    void shouldReportNetworkFailure()
    {
        QFETCH(Reply, reply);
        m_server->setDefaultHandler([reply](const LoopbackHttpServer::Request&) { return reply; });
        QSignalSpy failed(m_manager.get(), &AuthManager::serverError);
        QVERIFY(requestAndWait());
        QCOMPARE(failed.count(), 1);
        QVERIFY(!failed.first().first().toString().isEmpty());
        QVERIFY(!m_manager->hasToken());
        QVERIFY(!m_manager->isRequestActive());
    }

    void shouldKeepTokenOnUnreadableReply_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("not JSON") << QByteArray("<html>Bad gateway</html>");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("array") << QByteArray("[\"key\",\"abc\"]");
        QTest::newRow("string") << QByteArray("\"abc\"");
        QTest::newRow("cut short") << QByteArray("{\"key\":\"ab");
        QTest::newRow("line break in token") << QByteArray("{\"key\":\"abc\\r\\nX-Evil: 1\"}");
        QTest::newRow("blank in token") << QByteArray("{\"key\":\"abc def\"}");
    }

    void shouldKeepTokenOnUnreadableReply()
    {
        QFETCH(QByteArray, body);
        m_server->enqueue(Reply::json(body));
        QSignalSpy received(m_manager.get(), &AuthManager::authTokenReceived);
        QSignalSpy failed(m_manager.get(), &AuthManager::serverError);
        QSignalSpy tokenChanged(settings(), &Settings::authTokenChanged);
        QVERIFY(requestAndWait());
        QCOMPARE(failed.count(), 1);
        QCOMPARE(received.count(), 0);
        QCOMPARE(tokenChanged.count(), 0);
        QVERIFY(!m_manager->hasToken());
        QVERIFY(!m_manager->isRequestActive());

        // The next request is not blocked by the failed one.
        m_server->enqueue(Reply::json("{\"key\":\"good\"}"));
        QVERIFY(requestAndWait());
        QCOMPARE(m_manager->token(), QStringLiteral("good"));
    }

    void shouldNotAskWithoutCredentials_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        QTest::newRow("no login") << ""
                                  << "digest";
        QTest::newRow("no password") << "ann@example.com"
                                     << "";
    }

    void shouldNotAskWithoutCredentials()
    {
        QFETCH(QString, login);
        QFETCH(QString, password);
        settings()->setClientLogin(login);
        settings()->setClientPassword(password);
        m_manager->requestToken();
        QVERIFY(!m_manager->isRequestActive());

        // Once signed in, the first request the server sees is the next one.
        settings()->setClientLogin(QStringLiteral("ann@example.com"));
        settings()->setClientPassword(QStringLiteral("digest"));
        m_server->enqueue(Reply::json("{\"key\":\"t\"}"));
        QVERIFY(requestAndWait());
        QCOMPARE(m_server->requestCount(), 1);
    }

    void shouldNotAskWhileRequestIsPending()
    {
        m_server->enqueue(Reply::json("{\"key\":\"first\"}").withDelay(300));
        m_server->enqueue(Reply::json("{\"key\":\"second\"}"));
        QSignalSpy received(m_manager.get(), &AuthManager::authTokenReceived);
        m_manager->requestToken();
        QVERIFY(m_manager->isRequestActive());
        m_manager->requestToken();
        QVERIFY(received.wait(20000));
        QCOMPARE(received.count(), 1);
        QCOMPARE(m_manager->token(), QStringLiteral("first"));
        QCOMPARE(m_server->requestCount(), 1);
    }

    void shouldNotAskWhileTokenIsHeld()
    {
        settings()->setAuthToken(QStringLiteral("held"));
        QVERIFY(m_manager->hasToken());
        m_manager->requestToken();
        QVERIFY(!m_manager->isRequestActive());

        m_manager->logout();
        QVERIFY(!m_manager->hasToken());
        QCOMPARE(Settings().authToken(), QString());
        m_server->enqueue(Reply::json("{\"key\":\"fresh\"}"));
        QVERIFY(requestAndWait());
        QCOMPARE(m_server->requestCount(), 1);
        QCOMPARE(m_manager->token(), QStringLiteral("fresh"));
    }

    void shouldLetGoOfPendingRequestWhenDestroyed()
    {
        m_server->enqueue(Reply::hang());
        m_manager->requestToken();
        QVERIFY(m_server->waitForRequests(1));
        QSignalSpy tokenChanged(settings(), &Settings::authTokenChanged);
        m_manager.reset();
        m_server->stop();
        QCoreApplication::processEvents();
        QCOMPARE(tokenChanged.count(), 0);
        QVERIFY(!Settings::instance()->authToken().size());
    }
};

QUORVEL_TEST_MAIN(TestAuthManager)
#include "tst_authmanager.moc"
