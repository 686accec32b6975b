// A side-channel device killed (SIGKILL) after the server stored its send
// and before the answer reached it: its pending change survives, goes out
// again on the next start, and the server still holds it once.

#include "HttpCall.h"
#include "SyncdProcess.h"
#include "support/AppProcess.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>

#include <httplib.h>

#include <atomic>

using Reply = LoopbackHttpServer::Reply;

namespace {
const QString Password = QStringLiteral("5f4dcc3b5aa765d61d8327deb882cf99");

// Passes a request on to the real server, with the headers that matter to it.
Reply forward(const QUrl& upstream, const LoopbackHttpServer::Request& request)
{
    httplib::Client client(upstream.host().toStdString(), upstream.port());
    client.set_read_timeout(30, 0);
    httplib::Headers headers;
    if (request.hasHeader("Authorization"))
        headers.emplace("Authorization", request.header("Authorization").toStdString());
    const std::string path = request.target.toStdString();
    const httplib::Result result = request.method == "GET"
        ? client.Get(path.c_str(), headers)
        : client.Post(path.c_str(), headers, request.body.constData(), size_t(request.body.size()), "application/json");
    return result ? Reply::json(QByteArray::fromStdString(result->body), result->status) : Reply::drop();
}

class Device
{
public:
    explicit Device(const QString& folder)
    {
        QProcessEnvironment environment = TestSandbox::environment();
        const QString home = folder + QStringLiteral("/home");
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }

    ~Device()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool start(const QUrl& accountUrl, const QString& login)
    {
        m_process.start(AppProcess::binPath(QStringLiteral("quorvel-sidechannel-client")),
            { accountUrl.toString(), login, Password });
        return m_process.waitForStarted(5000) && command(QString()) == QStringLiteral("OK ready");
    }

    // Sends the line (none for the greeting) and returns the answer line.
    QString command(const QString& line)
    {
        if (!line.isEmpty())
            m_process.write(line.toUtf8() + '\n');
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(40000))
                return QStringLiteral("ERR no answer");
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }

    void killNow()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
};
} // namespace

class TestSideChannelKill : public QObject
{
    Q_OBJECT

    SyncdProcess m_server;
    QNetworkAccessManager m_manager;
    int m_accounts = 0;

    QString newAccount()
    {
        HttpCall http(&m_manager);
        const QString login = QStringLiteral("kill%1@example.org").arg(++m_accounts);
        const HttpCall::SyncAnswer answer = http.sync(m_server.syncUrl(), "register_user",
            { { "VERSION", "1.16.3" }, { "LOGIN", login }, { "PASS", Password } });
        return answer.status == 0 ? login : QString();
    }

    QJsonArray serverItems(const QString& login, const QString& channel)
    {
        HttpCall http(&m_manager);
        const HttpCall::Answer token = http.post(QUrl(m_server.accountUrl().toString() + "/auth/v1/login/"),
            QJsonDocument(QJsonObject { { "login", login }, { "password", Password } }).toJson(), "application/json");
        const QByteArray key = QJsonDocument::fromJson(token.body).object().value("key").toString().toLatin1();
        return QJsonDocument::fromJson(
            http.get(QUrl(m_server.accountUrl().toString() + "/" + channel + "/v1/"), { { "Authorization", "Token " + key } })
                .body)
            .array();
    }

    int sendsLogged(const QString& channel) const
    {
        int count = 0;
        for (const QString& line : m_server.logLines())
            count += line.contains("Request POST /" + channel + "/v1/ ") ? 1 : 0;
        return count;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::exists(AppProcess::binPath(QStringLiteral("quorvel-sidechannel-client"))));
        QVERIFY(m_server.start());
    }

    void cleanupTestCase()
    {
        QCOMPARE(m_server.stop(), 0);
    }

    void pendingChangesSurviveAKillBetweenSendAndReply_data()
    {
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("idField");
        QTest::addColumn<QString>("id");
        QTest::newRow("sorting") << "sorting"
                                 << "sort list-1"
                                 << "list_id"
                                 << "list-1";
        QTest::newRow("project icons") << "meta"
                                       << "icon project-1 star"
                                       << "object_id"
                                       << "project-1";
    }

    void pendingChangesSurviveAKillBetweenSendAndReply()
    {
        QFETCH(QString, channel);
        QFETCH(QString, change);
        QFETCH(QString, idField);
        QFETCH(QString, id);
        const QString login = newAccount();
        QVERIFY(!login.isEmpty());
        const QString folder = TestSandbox::root() + "/device-" + channel;
        const int sendsBefore = sendsLogged(channel);

        // The server stores the send; its answer never comes back.
        std::atomic<bool> stored { false };
        const QUrl upstream = m_server.accountUrl();
        const QByteArray sendPath = "/api/" + channel.toLatin1() + "/v1/";
        LoopbackHttpServer proxy;
        proxy.setDefaultHandler([&stored, upstream, sendPath](const LoopbackHttpServer::Request& request) {
            const Reply reply = forward(upstream, request);
            if (request.method != "POST" || request.path != sendPath)
                return reply;
            stored = true;
            return Reply::hang();
        });
        QVERIFY(proxy.start());
        {
            Device device(folder);
            QVERIFY(device.start(proxy.url("/api"), login));
            QCOMPARE(device.command(change), QStringLiteral("OK"));
            QCOMPARE(device.command("start " + channel), QStringLiteral("OK"));
            QTRY_VERIFY_WITH_TIMEOUT(stored.load(), 20000);
            device.killNow();
        }
        proxy.stop();
        QCOMPARE(serverItems(login, channel).size(), 1);

        Device restarted(folder);
        QVERIFY(restarted.start(m_server.accountUrl(), login));
        QCOMPARE(restarted.command("pending " + channel), QStringLiteral("OK 1"));
        QCOMPARE(restarted.command("run " + channel), QStringLiteral("OK"));
        QCOMPARE(restarted.command("pending " + channel), QStringLiteral("OK 0"));
        const QJsonArray items = serverItems(login, channel);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first().toObject().value(idField).toString(), id);
        QCOMPARE(sendsLogged(channel) - sendsBefore, 2);
    }
};

QUORVEL_TEST_MAIN(TestSideChannelKill)
#include "tst_sidechannelkill.moc"
