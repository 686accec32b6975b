#include "logging/Log.h"
#include "plexlink/ApiHandler.h"
#include "plexlink/BoolApiOperation.h"
#include "plexlink/IntegerApiOperation.h"
#include "plexlink/ObjectApiOperation.h"
#include "plexlink/ObjectListApiOperation.h"
#include "plexlink/SyncServerAddress.h"
#include "support/LogReader.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestMain.h"

#include <QDateTime>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QUuid>

#include <functional>
#include <memory>

using Reply = LoopbackHttpServer::Reply;
using Request = std::function<ApiOperation*(ApiHandler&)>;
Q_DECLARE_METATYPE(Request)

namespace {

const QByteArray Success = "<response><status>0</status><time>1700000000</time><result>7</result></response>";
const QString Login = QStringLiteral("ann@example.com");
const QString PasswordDigest = QStringLiteral("5f4dcc3b5aa765d61d8327deb882cf99"); // "password"
const QByteArray Front = "PLATFORM=Windows&VERSION=1.16.3&";
const QByteArray Credentials = "&LOGIN=client@example.com&PASS=clientdigest";

// "NAME=value&..." split into (name, value) pairs, in order.
QList<QPair<QByteArray, QByteArray>> pairsOf(const QByteArray& body)
{
    QList<QPair<QByteArray, QByteArray>> pairs;
    for (const QByteArray& part : body.split('&')) {
        const int equals = part.indexOf('=');
        pairs.append({ part.left(equals), part.mid(equals + 1) });
    }
    return pairs;
}

} // namespace

class TestApiHandler : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<ApiHandler> m_handler;
    QString m_logPath;
    qint64 m_logStart = 0;

    std::unique_ptr<ApiHandler> makeHandler()
    {
        auto handler = std::make_unique<ApiHandler>(
            ApiHandler::Parameters { { "PLATFORM", "Windows" }, { "VERSION", "1.16.3" } });
        handler->setClientLogin(QStringLiteral("client@example.com"));
        handler->setClientPassword(QStringLiteral("clientdigest"));
        return handler;
    }

    // Waits for the operation's reply and returns the request the server saw.
    LoopbackHttpServer::Request finish(ApiOperation* operation)
    {
        std::unique_ptr<ApiOperation> owned(operation);
        if (!operation)
            return {};
        QSignalSpy finished(operation, &ApiOperation::finished);
        if (!operation->isFinished() && !finished.wait(20000))
            return {};
        return m_server->lastRequest();
    }

    QStringList logMessages() const { return LogReader::messages(m_logPath, m_logStart); }

private slots:
    void initTestCase()
    {
        m_logPath = TestSandbox::root() + QStringLiteral("/logs/tst_apihandler.log");
        QVERIFY(Logging::Logger::instance().setFileDestination(m_logPath));
        Logging::Logger::instance().setLoggingLevel(Logging::DebugLevel);
    }

    void init()
    {
        m_server = std::make_unique<LoopbackHttpServer>();
        QVERIFY(m_server->start());
        m_server->setDefaultHandler([](const LoopbackHttpServer::Request&) { return Reply::xml(Success); });
        qputenv(SyncServerAddress::Variable, m_server->url("/api/1/").toString().toUtf8());
        m_handler = makeHandler();
        Logging::Logger::instance().flush();
        m_logStart = QFileInfo(m_logPath).size();
    }

    void cleanup()
    {
        m_handler.reset();
        m_server.reset();
        qunsetenv(SyncServerAddress::Variable);
    }

    void shouldSendCheckLoginBodyExactly()
    {
        const LoopbackHttpServer::Request request = finish(m_handler->checkLogin(Login, PasswordDigest));
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, QByteArray("/api/1/check_login"));
        QCOMPARE(request.body,
            QByteArray("PLATFORM=Windows&VERSION=1.16.3&LOGIN=ann@example.com&PASS="
                       "5f4dcc3b5aa765d61d8327deb882cf99"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        QVERIFY(logMessages().contains(QStringLiteral(">>API HANDLER. Requested method: check_login")));
    }

    void shouldSendMethodParametersInOrder_data()
    {
        QTest::addColumn<Request>("send");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("parameters");

        QTest::newRow("register_user")
            << Request([](ApiHandler& h) { return h.registerUser(Login, "d1"); })
            << QByteArray("/api/1/register_user") << QByteArray("LOGIN=ann@example.com&PASS=d1");
        QTest::newRow("reset_password")
            << Request([](ApiHandler& h) { return h.resetPassword(Login); })
            << QByteArray("/api/1/reset_password") << QByteArray("LOGIN=ann@example.com");
        QTest::newRow("change_password")
            << Request([](ApiHandler& h) { return h.changePassword(Login, "old secret", "new secret"); })
            << QByteArray("/api/1/change_password")
            << "LOGIN=ann@example.com&OLD_PASS=" + ApiHandler::md5Hex("old secret").toLatin1()
                + "&NEW_PASS=" + ApiHandler::md5Hex("new secret").toLatin1() + Credentials;
        QTest::newRow("get_changes_ex")
            << Request([](ApiHandler& h) { return h.getChanges(1234); })
            << QByteArray("/api/1/get_changes_ex") << "REVISION=1234" + Credentials;
        QTest::newRow("get_task") << Request([](ApiHandler& h) { return h.getTask("t-1"); })
                                  << QByteArray("/api/1/get_task") << "ID=t-1" + Credentials;
        QTest::newRow("get_project") << Request([](ApiHandler& h) { return h.getProject("p-1"); })
                                     << QByteArray("/api/1/get_project") << "ID=p-1" + Credentials;
        QTest::newRow("get_context") << Request([](ApiHandler& h) { return h.getContext("c-1"); })
                                     << QByteArray("/api/1/get_context") << "ID=c-1" + Credentials;
        // A plus sign would reach the server as a blank, an ampersand would
        // start a new parameter.
        QTest::newRow("login with form characters")
            << Request([](ApiHandler& h) { return h.checkLogin("ann+work@example.com", "a&b=c%"); })
            << QByteArray("/api/1/check_login")
            << QByteArray("LOGIN=ann%2Bwork@example.com&PASS=a%26b%3Dc%25");
        QTest::newRow("login with non-ASCII letters")
            << Request([](ApiHandler& h) { return h.resetPassword(QStringLiteral("jos\u00e9@example.com")); })
            << QByteArray("/api/1/reset_password") << QByteArray("LOGIN=jos\xC3\xA9@example.com");
    }

    void shouldSendMethodParametersInOrder()
    {
        QFETCH(Request, send);
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, parameters);
        const LoopbackHttpServer::Request request = finish(send(*m_handler));
        QCOMPARE(request.path, path);
        QCOMPARE(request.body, Front + parameters);
    }

    void shouldHashPasswordsAsLowerCaseHex()
    {
        QCOMPARE(ApiHandler::md5Hex(QStringLiteral("password")), PasswordDigest);
        QCOMPARE(ApiHandler::md5Hex(QStringLiteral("\u043f\u0430\u0440\u043e\u043b\u044c")),
            QStringLiteral("e242f36f4f95f12966da8fa2efd59992"));
    }

    void shouldRefuseMissingArgumentsAndSendNothing_data()
    {
        QTest::addColumn<Request>("send");
        const QVariantMap named { { "NAME", "n" }, { "PARENT", "p" } };
        const QVariantMap identified { { "ID", "i" }, { "PARENT", "p" } };
        QTest::newRow("check_login, empty password")
            << Request([](ApiHandler& h) { return h.checkLogin(Login, ""); });
        QTest::newRow("check_login, empty login")
            << Request([](ApiHandler& h) { return h.checkLogin("", "d"); });
        QTest::newRow("register_user") << Request([](ApiHandler& h) { return h.registerUser(Login, ""); });
        QTest::newRow("reset_password") << Request([](ApiHandler& h) { return h.resetPassword(""); });
        QTest::newRow("change_password, login")
            << Request([](ApiHandler& h) { return h.changePassword("", "a", "b"); });
        QTest::newRow("change_password, old")
            << Request([](ApiHandler& h) { return h.changePassword(Login, "", "b"); });
        QTest::newRow("change_password, new")
            << Request([](ApiHandler& h) { return h.changePassword(Login, "a", ""); });
        QTest::newRow("get_task") << Request([](ApiHandler& h) { return h.getTask(""); });
        QTest::newRow("get_project") << Request([](ApiHandler& h) { return h.getProject(""); });
        QTest::newRow("get_context") << Request([](ApiHandler& h) { return h.getContext(""); });
        QTest::newRow("create_task without PARENT") << Request([](ApiHandler& h) {
            return h.createTask({ { "NAME", "n" } }, 1);
        });
        QTest::newRow("create_task without NAME") << Request([](ApiHandler& h) {
            return h.createTask({ { "PARENT", "p" } }, 1);
        });
        QTest::newRow("update_task without ID")
            << Request([named](ApiHandler& h) { return h.updateTask(named, 1); });
        QTest::newRow("update_task without PARENT") << Request([](ApiHandler& h) {
            return h.updateTask({ { "ID", "i" } }, 1);
        });
        QTest::newRow("create_project")
            << Request([identified](ApiHandler& h) { return h.createProject(identified, 1); });
        QTest::newRow("update_project")
            << Request([named](ApiHandler& h) { return h.updateProject(named, 1); });
        QTest::newRow("create_context")
            << Request([identified](ApiHandler& h) { return h.createContext(identified, 1); });
        QTest::newRow("update_context")
            << Request([named](ApiHandler& h) { return h.updateContext(named, 1); });
    }

    void shouldRefuseMissingArgumentsAndSendNothing()
    {
        QFETCH(Request, send);
        QCOMPARE(send(*m_handler), nullptr);
        // A request sent afterwards is the first that the server sees.
        const LoopbackHttpServer::Request request = finish(m_handler->getChanges(5));
        QCOMPARE(request.path, QByteArray("/api/1/get_changes_ex"));
        QCOMPARE(m_server->requestCount(), 1);
        QCOMPARE(logMessages().filter(QStringLiteral("Requested method")).size(), 1);
    }

    void shouldGiveObjectsFreshIdentifierAndTimestamp()
    {
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        const QVariantMap task { { "NAME", "Buy milk" }, { "PARENT", "p-1" } };
        const LoopbackHttpServer::Request request = finish(m_handler->createTask(task, 12));
        const qint64 after = QDateTime::currentSecsSinceEpoch();
        QCOMPARE(request.path, QByteArray("/api/1/create_task"));

        const auto pairs = pairsOf(request.body);
        QList<QByteArray> names;
        for (const auto& pair : pairs)
            names.append(pair.first);
        QCOMPARE(names,
            (QList<QByteArray> { "PLATFORM", "VERSION", "REVISION", "ID", "TIMESTAMP", "DUE", "NAME",
                "PARENT", "START", "LOGIN", "PASS" }));
        QCOMPARE(pairs.at(2).second, QByteArray("12"));
        const QByteArray id = pairs.at(3).second;
        QCOMPARE(id.size(), 36);
        QVERIFY(!id.contains('{'));
        QVERIFY(!QUuid::fromString(QLatin1String(id)).isNull());
        const qint64 timestamp = pairs.at(4).second.toLongLong();
        QVERIFY(timestamp >= before && timestamp <= after);
        QCOMPARE(pairs.at(5).second, QByteArray("NULL"));
        QCOMPARE(pairs.at(6).second, QByteArray("Buy%20milk"));
        QCOMPARE(pairs.at(8).second, QByteArray("NULL"));

        // Each object gets an identifier of its own.
        const auto second = pairsOf(finish(m_handler->createTask(task, 12)).body);
        QVERIFY(second.at(3).second != id);
    }

    void shouldEncodeObjectFields_data()
    {
        QTest::addColumn<QVariantMap>("object");
        QTest::addColumn<QByteArray>("fields");

        const QVariantMap base { { "ID", "t-1" }, { "PARENT", "p-1" }, { "TIMESTAMP", 1700000000 } };
        auto with = [base](const QVariantMap& extra) {
            QVariantMap object = base;
            for (auto it = extra.cbegin(); it != extra.cend(); ++it)
                object.insert(it.key(), it.value());
            return object;
        };
        QTest::newRow("own identifier and timestamp, key order")
            << with({ { "NAME", "Plan" }, { "STATE", 0 }, { "MEMO", "" } })
            << QByteArray(
                   "DUE=NULL&ID=t-1&MEMO=NULL&NAME=Plan&PARENT=p-1&START=NULL&STATE=0&TIMESTAMP=1700000000");
        QTest::newRow("blank and ampersand")
            << with({ { "NAME", "x y&z" } })
            << QByteArray("DUE=NULL&ID=t-1&NAME=x%20y%26z&PARENT=p-1&START=NULL&TIMESTAMP=1700000000");
        QTest::newRow("UTF-8 and reserved characters")
            << with({ { "NAME", QStringLiteral("Caf\u00e9 \u2713 50%+1=a/b?") } })
            << QByteArray(
                   "DUE=NULL&ID=t-1&NAME=Caf%C3%A9%20%E2%9C%93%2050%25%2B1%3Da%2Fb%3F&PARENT=p-1&START=NULL&"
                   "TIMESTAMP=1700000000");
        QTest::newRow("unreserved characters stay")
            << with({ { "NAME", "a-b.c_d~e" } })
            << QByteArray("DUE=NULL&ID=t-1&NAME=a-b.c_d~e&PARENT=p-1&START=NULL&"
                          "TIMESTAMP=1700000000");
        QTest::newRow("valid dates as UTC seconds")
            << with({ { "START", QDateTime(QDate(2024, 3, 1), QTime(9, 30), Qt::UTC) },
                   { "DUE", QDateTime::fromSecsSinceEpoch(1709500000, Qt::UTC) } })
            << QByteArray("DUE=1709500000&ID=t-1&PARENT=p-1&START=1709285400&TIMESTAMP=1700000000");
        QTest::newRow("invalid start date")
            << with({ { "START", QDateTime() }, { "DUE", "not a date" } })
            << QByteArray("DUE=NULL&ID=t-1&PARENT=p-1&START=NULL&TIMESTAMP=1700000000");
        QTest::newRow("date before 1970")
            << with({ { "START", QDateTime(QDate(1969, 12, 31), QTime(12, 0), Qt::UTC) } })
            << QByteArray("DUE=NULL&ID=t-1&PARENT=p-1&START=NULL&TIMESTAMP=1700000000");
        QTest::newRow("keys compared with case")
            << with({ { "a", "1" }, { "Z", "2" } })
            << QByteArray("DUE=NULL&ID=t-1&PARENT=p-1&START=NULL&TIMESTAMP=1700000000&Z=2&a=1");
        QTest::newRow("hostile key") << with({ { "X&Y=1", "v" } })
                                     << QByteArray(
                                            "DUE=NULL&ID=t-1&PARENT=p-1&START=NULL&TIMESTAMP=1700000000&"
                                            "X%26Y%3D1=v");
    }

    void shouldEncodeObjectFields()
    {
        QFETCH(QVariantMap, object);
        QFETCH(QByteArray, fields);
        const LoopbackHttpServer::Request request = finish(m_handler->updateTask(object, 3));
        QCOMPARE(request.path, QByteArray("/api/1/update_task"));
        QCOMPARE(request.body, Front + "REVISION=3&" + fields + Credentials);
    }

    void shouldSendEachObjectMethodToItsAddress_data()
    {
        QTest::addColumn<Request>("send");
        QTest::addColumn<QByteArray>("path");
        const QVariantMap object { { "ID", "i" }, { "NAME", "n" }, { "PARENT", "p" }, { "TIMESTAMP", 5 } };
        QTest::newRow("create_task") << Request([object](ApiHandler& h) { return h.createTask(object, 1); })
                                     << QByteArray("/api/1/create_task");
        QTest::newRow("create_project")
            << Request([object](ApiHandler& h) { return h.createProject(object, 1); })
            << QByteArray("/api/1/create_project");
        QTest::newRow("update_project")
            << Request([object](ApiHandler& h) { return h.updateProject(object, 1); })
            << QByteArray("/api/1/update_project");
        QTest::newRow("create_context")
            << Request([object](ApiHandler& h) { return h.createContext(object, 1); })
            << QByteArray("/api/1/create_context");
        QTest::newRow("update_context")
            << Request([object](ApiHandler& h) { return h.updateContext(object, 1); })
            << QByteArray("/api/1/update_context");
    }

    void shouldSendEachObjectMethodToItsAddress()
    {
        QFETCH(Request, send);
        QFETCH(QByteArray, path);
        const LoopbackHttpServer::Request request = finish(send(*m_handler));
        QCOMPARE(request.path, path);
        QCOMPARE(request.body,
            Front + "REVISION=1&DUE=NULL&ID=i&NAME=n&PARENT=p&START=NULL&TIMESTAMP=5" + Credentials);
    }

    void shouldReadCredentialsWhenBuildingEachRequest()
    {
        m_handler->setClientLogin(QStringLiteral("later@example.com"));
        m_handler->setClientPassword(QStringLiteral("laterdigest"));
        QCOMPARE(finish(m_handler->getChanges(0)).body,
            Front + "REVISION=0&LOGIN=later@example.com&PASS=laterdigest");
    }

    void shouldTakeAddressFromEnvironment_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("path");
        QTest::newRow("without trailing slash") << "/api/1"
                                                << "/api/1/check_login";
        QTest::newRow("behind a prefix") << "/sync/api/1/"
                                         << "/sync/api/1/check_login";
    }

    void shouldTakeAddressFromEnvironment()
    {
        QFETCH(QString, configured);
        QFETCH(QString, path);
        qputenv(SyncServerAddress::Variable, m_server->url(configured).toString().toUtf8());
        auto handler = makeHandler();
        QCOMPARE(finish(handler->checkLogin(Login, PasswordDigest)).path, path.toUtf8());
    }

    void shouldFallBackToBuiltInAddress()
    {
        qputenv(SyncServerAddress::Variable, "http://sync.example.com/api/1/");
        QCOMPARE(makeHandler()->baseUrl(), QUrl(SyncServerAddress::builtInAddress()));
        qunsetenv(SyncServerAddress::Variable);
        QCOMPARE(makeHandler()->baseUrl(), QUrl(SyncServerAddress::builtInAddress()));
        QCOMPARE(makeHandler()->baseUrl().scheme(), QStringLiteral("https"));
        QVERIFY(makeHandler()->baseUrl().path().endsWith(QLatin1String("/api/1/")));
    }

    void shouldKeepOperationsWorkingAfterHandlerIsGone()
    {
        m_server->enqueue(Reply::xml(Success).withDelay(200));
        std::unique_ptr<BoolApiOperation> operation(m_handler->checkLogin(Login, PasswordDigest));
        m_handler.reset();
        QSignalSpy finished(operation.get(), &ApiOperation::finished);
        QVERIFY(finished.wait(20000));
        QCOMPARE(operation->networkErrorCode(), QNetworkReply::NoError);
        QCOMPARE(operation->result(), QVariant(true));
    }

    // The proxy asks every request for credentials. Listeners must hear each
    // request once, however many requests went through the handler before.
    void shouldForwardProxyAuthenticationOncePerRequest()
    {
        LoopbackHttpServer proxy;
        QVERIFY(proxy.start());
        proxy.setDefaultHandler([](const LoopbackHttpServer::Request& request) {
            if (request.header("Proxy-Authorization") == "Basic " + QByteArray("sam:pw").toBase64())
                return Reply::xml(Success);
            return Reply::text("credentials, please", 407)
                .withHeader("Proxy-Authenticate", "Basic realm=\"office\"");
        });

        // Requests on loopback skip the application proxy; the handler's own
        // manager is pointed at it instead.
        std::unique_ptr<ApiOperation> first(m_handler->getChanges(1));
        QVERIFY(QSignalSpy(first.get(), &ApiOperation::finished).wait(20000));
        first->reply()->manager()->setProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", proxy.port()));

        int asked = 0;
        bool answer = false;
        connect(m_handler.get(), &ApiHandler::proxyAuthenticationRequired, this,
            [&](const QNetworkProxy&, QAuthenticator* authenticator) {
                ++asked;
                if (answer) {
                    authenticator->setUser(QStringLiteral("sam"));
                    authenticator->setPassword(QStringLiteral("pw"));
                }
            });

        for (int round = 1; round <= 3; ++round) {
            std::unique_ptr<ApiOperation> operation(m_handler->getChanges(round));
            QVERIFY(QSignalSpy(operation.get(), &ApiOperation::finished).wait(20000));
            QCOMPARE(asked, round);
            QCOMPARE(operation->networkErrorCode(), QNetworkReply::ProxyAuthenticationRequiredError);
        }

        answer = true;
        std::unique_ptr<ApiOperation> accepted(m_handler->checkLogin(Login, PasswordDigest));
        QVERIFY(QSignalSpy(accepted.get(), &ApiOperation::finished).wait(20000));
        QCOMPARE(asked, 4);
        QCOMPARE(accepted->networkErrorCode(), QNetworkReply::NoError);
        QCOMPARE(accepted->result(), QVariant(true));
        QVERIFY(proxy.lastRequest().target.endsWith("/api/1/check_login"));
    }
};

QUORVEL_TEST_MAIN(TestApiHandler)
#include "tst_apihandler.moc"
