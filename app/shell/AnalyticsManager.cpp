#include "shell/AnalyticsManager.h"

#include "logging/Log.h"
#include "metricove/AmplitudeAnalyticsService.h"
#include "metricove/GoogleAnalyticsService.h"
#include "shell/AppInfo.h"
#include "shell/Settings.h"
#include "wirelace/Wirelace.h"

#include <QTimer>
#include <QUuid>

#include <algorithm>

namespace {

enum ServiceIndex { WebAnalytics = 0, ProductAnalytics = 1 };

QString keyFromEnvironment(const char* variable, const char* builtIn)
{
    if (qEnvironmentVariableIsSet(variable))
        return qEnvironmentVariable(variable).trimmed();
    return QString::fromUtf8(builtIn).trimmed();
}

} // namespace

AnalyticsManager::AnalyticsManager(QObject* parent, Settings* settings)
    : QObject(parent)
    , m_settings(settings ? settings : Settings::instance())
    , m_sender(std::make_unique<Wirelace>())
{
    m_retryTimer = new QTimer(this);
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, &AnalyticsManager::retryFailedEvents);

    const QString userId = ensureUserId();
    const QString login = m_settings->clientLogin();
    addService(new GoogleAnalyticsService(trackingId(), userId, this));
    addService(new AmplitudeAnalyticsService(apiKey(), login.isEmpty() ? userId : login, this));

    connect(m_settings, &Settings::clientLoginChanged, this, &AnalyticsManager::onClientLoginChanged);
}

AnalyticsManager::~AnalyticsManager()
{
    // The services go before the sender whose manager their replies use.
    qDeleteAll(m_services);
    m_services.clear();
}

QString AnalyticsManager::trackingId()
{
    return keyFromEnvironment(TrackingIdVariable, QUORVEL_ANALYTICS_TRACKING_ID_BUILTIN);
}

QString AnalyticsManager::apiKey()
{
    return keyFromEnvironment(ApiKeyVariable, QUORVEL_ANALYTICS_API_KEY_BUILTIN);
}

QString AnalyticsManager::ensureUserId()
{
    QString userId = m_settings->analyticsUserId();
    if (userId.isEmpty()) {
        userId = QUuid::createUuid().toString();
        m_settings->setAnalyticsUserId(userId);
    }
    return userId;
}

void AnalyticsManager::addService(AnalyticsService* service)
{
    const int index = m_services.size();
    service->setObjectName(QString::number(index));
    service->setAppVersion(AppInfo::version());
    service->setRequestSender(m_sender.get());
    connect(service, &AnalyticsService::error, this,
        [this, index](const QString& eventId, const QString& category, const QString& name) {
            onServiceError(index, eventId, category, name);
        });
    connect(service, &AnalyticsService::success, this,
        [this, index](const QString& eventId) { onServiceSuccess(index, eventId); });
    m_services.append(service);
}

QList<AnalyticsService*> AnalyticsManager::services() const
{
    return m_services;
}

int AnalyticsManager::failedEventCount() const
{
    return m_failedEvents.size();
}

bool AnalyticsManager::isRetryScheduled() const
{
    return m_retryTimer->isActive();
}

int AnalyticsManager::retryDelay() const
{
    return m_retryDelay;
}

void AnalyticsManager::setFailureTableLimit(int limit)
{
    m_failureTableLimit = std::max(1, limit);
}

void AnalyticsManager::sendEvent(const QString& category, const QString& name)
{
    for (AnalyticsService* service : qAsConst(m_services))
        service->sendEvent(QUuid::createUuid().toString(), category, name);
}

int AnalyticsManager::indexOf(int service, const QString& eventId) const
{
    for (int i = 0; i < m_failedEvents.size(); ++i) {
        if (m_failedEvents.at(i).service == service && m_failedEvents.at(i).eventId == eventId)
            return i;
    }
    return -1;
}

void AnalyticsManager::onServiceError(
    int service, const QString& eventId, const QString& category, const QString& name)
{
    if (indexOf(service, eventId) < 0) {
        if (m_failedEvents.size() >= m_failureTableLimit) {
            const FailedEvent oldest = m_failedEvents.takeFirst();
            QLOG_WARN() << "Too many analytics events are waiting to be sent again; the oldest one ("
                        << oldest.category << "/" << oldest.name << ") is dropped.";
        }
        m_failedEvents.append({ eventId, category, name, service });
    }
    if (!m_retryTimer->isActive())
        m_retryTimer->start(m_retryDelay);
}

void AnalyticsManager::onServiceSuccess(int service, const QString& eventId)
{
    // The collector answers again: the next failure is retried soon.
    m_retryDelay = RetryDelayMs;
    const int index = indexOf(service, eventId);
    if (index >= 0)
        m_failedEvents.removeAt(index);
}

void AnalyticsManager::onClientLoginChanged(const QString& login)
{
    if (!login.isEmpty())
        m_services.at(ProductAnalytics)->setUserId(login);
}

void AnalyticsManager::retryFailedEvents()
{
    // Until a delivery succeeds, every further retry waits twice as long.
    m_retryDelay = std::min(m_retryDelay * 2, MaxRetryDelayMs);
    const QList<FailedEvent> events = m_failedEvents;
    for (const FailedEvent& event : events)
        m_services.at(event.service)->sendEvent(event.eventId, event.category, event.name);
}
