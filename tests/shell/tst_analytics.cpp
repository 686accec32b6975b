#include "metricove/AnalyticsService.h"
#include "shell/AnalyticsManager.h"
#include "shell/Settings.h"
#include "support/LoopbackHttpServer.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <memory>

namespace {

const QByteArray TrackingId = "UA-12345678-1";
const QByteArray ApiKey = "0123456789abcdef0123456789abcdef";

using Reply = LoopbackHttpServer::Reply;

QJsonObject eventOf(const LoopbackHttpServer::Request& request)
{
    return QJsonDocument::fromJson(request.body).object();
}

bool isBracedUuid(const QString& text)
{
    return text.startsWith('{') && !QUuid(text).isNull();
}

} // namespace

class TestAnalytics : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LoopbackHttpServer> m_server;
    StoreFixture m_log;

    // Configures the deployment values as the environment gives them; a
    // null value leaves the variable unset.
    void configure(const QByteArray& address, const QByteArray& trackingId, const QByteArray& apiKey)
    {
        const auto set = [](const char* name, const QByteArray& value) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        };
        set("QUORVEL_ANALYTICS_URL", address);
        set(AnalyticsManager::TrackingIdVariable, trackingId);
        set(AnalyticsManager::ApiKeyVariable, apiKey);
    }

    QByteArray collector() const { return m_server->url("/collect").toString().toUtf8(); }

    int countLogged(const QString& start) const
    {
        int count = 0;
        for (const QString& line : m_log.logLines())
            count += line.startsWith(start) ? 1 : 0;
        return count;
    }

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_analytics")); }

    void init()
    {
        m_server = std::make_unique<LoopbackHttpServer>();
        m_server->setDefaultHandler([](const LoopbackHttpServer::Request&) { return Reply::json("{}"); });
        QVERIFY(m_server->start());
        Settings::instance()->setClientLogin(QString());
        m_log.markLog();
    }

    void cleanup() { m_server.reset(); }

    void shouldSendNothingWhenOff_data()
    {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<QByteArray>("trackingId");
        QTest::addColumn<QByteArray>("apiKey");
        QTest::newRow("nothing configured") << QByteArray() << QByteArray("") << QByteArray("");
        QTest::newRow("keys without address") << QByteArray() << TrackingId << ApiKey;
        QTest::newRow("address without keys") << QByteArray("collector") << QByteArray("") << QByteArray("");
        QTest::newRow("plain http elsewhere")
            << QByteArray("http://192.0.2.1/collect") << TrackingId << ApiKey;
    }

    void shouldSendNothingWhenOff()
    {
        QFETCH(QByteArray, address);
        QFETCH(QByteArray, trackingId);
        QFETCH(QByteArray, apiKey);
        configure(address == "collector" ? collector() : address, trackingId, apiKey);
        AnalyticsManager manager;
        for (AnalyticsService* service : manager.services())
            QVERIFY(!service->isEnabled());
        manager.sendEvent("Task", "Created");
        QTest::qWait(300);
        QCOMPARE(m_server->requestCount(), 0);
        QCOMPARE(manager.failedEventCount(), 0);
        QVERIFY(!manager.isRetryScheduled());
    }

    void shouldPostEachEventAsJson()
    {
        configure(collector(), TrackingId, ApiKey);
        AnalyticsManager manager;
        const QString hostile = "Line\n\"quoted\" <b>&amp; \\ end";
        manager.sendEvent("Task", hostile);
        QVERIFY(m_server->waitForRequests(2));

        QStringList services;
        QStringList eventIds;
        for (const LoopbackHttpServer::Request& request : m_server->requests()) {
            QCOMPARE(request.method, QByteArray("POST"));
            QCOMPARE(request.path, QByteArray("/collect"));
            QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
            const QJsonObject event = eventOf(request);
            services.append(event.value("service").toString());
            eventIds.append(event.value("event_id").toString());
            QVERIFY(isBracedUuid(eventIds.last()));
            QCOMPARE(event.value("category").toString(), QString("Task"));
            QCOMPARE(event.value("name").toString(), hostile);
            QCOMPARE(event.value("user_id").toString(), Settings::instance()->analyticsUserId());
            QCOMPARE(event.value("app_version").toString(), QString("1.16.3"));
            QVERIFY(
                qAbs(qint64(event.value("time").toDouble()) - QDateTime::currentMSecsSinceEpoch()) < 60000);
            if (services.last() == "google-analytics")
                QCOMPARE(event.value("tracking_id").toString(), QString(TrackingId));
            else
                QCOMPARE(event.value("api_key").toString(), QString(ApiKey));
        }
        services.sort();
        QCOMPARE(services, QStringList({ "amplitude", "google-analytics" }));
        QVERIFY(eventIds.first() != eventIds.last());
        QTest::qWait(100);
        QCOMPARE(manager.failedEventCount(), 0);
        QVERIFY(!manager.isRetryScheduled());
    }

    void shouldSendAFailedEventAgainOnce()
    {
        configure(collector(), "", ApiKey);
        m_server->enqueue(Reply::json("{}", 500));
        AnalyticsManager manager;
        manager.sendEvent("Project", "Deleted");
        QVERIFY(m_server->waitForRequests(1));
        QTRY_COMPARE(manager.failedEventCount(), 1);
        QVERIFY(manager.isRetryScheduled());
        QElapsedTimer sinceFailure;
        sinceFailure.start();

        QVERIFY(m_server->waitForRequests(2));
        QVERIFY2(sinceFailure.elapsed() >= 2500, "the retry came before its delay");
        const QList<LoopbackHttpServer::Request> requests = m_server->requests();
        QCOMPARE(eventOf(requests.at(1)).value("event_id"), eventOf(requests.at(0)).value("event_id"));
        QTRY_COMPARE(manager.failedEventCount(), 0);
        QVERIFY(!manager.isRetryScheduled());
        QCOMPARE(manager.retryDelay(), AnalyticsManager::RetryDelayMs);
        QCOMPARE(m_server->requestCount(), 2);
    }

    void shouldKeepOnlyTheNewestFailedEvents()
    {
        configure(collector(), "", ApiKey);
        m_server->setDefaultHandler(
            [](const LoopbackHttpServer::Request&) { return Reply::json("{}", 503); });
        AnalyticsManager manager;
        manager.setFailureTableLimit(3);
        for (int i = 0; i < 5; ++i)
            manager.sendEvent("Task", QString::number(i));
        QVERIFY(m_server->waitForRequests(5));
        QTRY_COMPARE(countLogged("WARN Too many analytics events are waiting"), 2);
        QCOMPARE(manager.failedEventCount(), 3);
        QVERIFY(manager.isRetryScheduled());
    }

    void shouldCreateTheUserIdOnce()
    {
        configure(QByteArray(), "", "");
        Settings::instance()->setAnalyticsUserId(QString());
        QString userId;
        {
            AnalyticsManager first;
            userId = Settings::instance()->analyticsUserId();
            QVERIFY(isBracedUuid(userId));
        }
        AnalyticsManager second;
        QCOMPARE(Settings::instance()->analyticsUserId(), userId);
        for (AnalyticsService* service : second.services())
            QCOMPARE(service->userId(), userId);
    }

    void shouldKnowTheAccountInTheProductService()
    {
        configure(QByteArray(), "", "");
        AnalyticsManager manager;
        const QString userId = Settings::instance()->analyticsUserId();
        AnalyticsService* web = manager.services().at(0);
        AnalyticsService* product = manager.services().at(1);
        QCOMPARE(web->objectName(), QString("0"));
        QCOMPARE(product->objectName(), QString("1"));

        Settings::instance()->setClientLogin("someone@example.com");
        QCOMPARE(product->userId(), QString("someone@example.com"));
        QCOMPARE(web->userId(), userId);
        // Signing out keeps the last account: only a new login replaces it.
        Settings::instance()->setClientLogin(QString());
        QCOMPARE(product->userId(), QString("someone@example.com"));

        Settings::instance()->setClientLogin("other@example.com");
        AnalyticsManager signedIn;
        QCOMPARE(signedIn.services().at(1)->userId(), QString("other@example.com"));
    }
};

QUORVEL_TEST_MAIN(TestAnalytics)
#include "tst_analytics.moc"
