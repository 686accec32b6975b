#include "metricove/AnalyticsService.h"

#include "logging/Log.h"
#include "metricove/CollectorAddress.h"
#include "wirelace/Wirelace.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QSet>

struct AnalyticsService::Private
{
    QString serviceName;
    QString keyField;
    QString key;
    QString userId;
    QString appVersion;
    QUrl collectorUrl;
    Wirelace* sender = nullptr;
    std::unique_ptr<Wirelace> ownSender;
    QSet<QNetworkReply*> pendingReplies;

    Wirelace* requestSender()
    {
        if (sender)
            return sender;
        if (!ownSender)
            ownSender = std::make_unique<Wirelace>();
        return ownSender.get();
    }
};

AnalyticsService::AnalyticsService(const QString& serviceName, const QString& keyField, const QString& key,
    const QString& userId, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->serviceName = serviceName;
    d->keyField = keyField;
    d->key = key.trimmed();
    d->userId = userId;
    d->collectorUrl = CollectorAddress::resolve();
    if (d->key.isEmpty()) {
        QLOG_INFO() << "The analytics service " << serviceName << " is off: it has no key.";
    } else if (!d->collectorUrl.isValid()) {
        QLOG_INFO() << "The analytics service " << serviceName << " is off: there is no collector address.";
    }
}

AnalyticsService::~AnalyticsService()
{
    // A reply that finishes after the service is gone has nobody to tell.
    for (QNetworkReply* reply : qAsConst(d->pendingReplies)) {
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
}

QString AnalyticsService::userId() const
{
    return d->userId;
}

void AnalyticsService::setUserId(const QString& userId)
{
    d->userId = userId;
}

QString AnalyticsService::appVersion() const
{
    return d->appVersion;
}

void AnalyticsService::setAppVersion(const QString& appVersion)
{
    d->appVersion = appVersion;
}

bool AnalyticsService::isEnabled() const
{
    return !d->key.isEmpty() && d->collectorUrl.isValid();
}

QUrl AnalyticsService::collectorUrl() const
{
    return d->collectorUrl;
}

void AnalyticsService::setRequestSender(Wirelace* sender)
{
    d->sender = sender;
}

void AnalyticsService::sendEvent(const QString& eventId, const QString& category, const QString& name)
{
    if (!isEnabled())
        return;
    const QByteArray body = QJsonDocument(eventObject(eventId, category, name)).toJson(QJsonDocument::Compact);
    QNetworkReply* reply = d->requestSender()->sendPostRequest(
        d->collectorUrl, body, { { "Content-Type", "application/json" } });
    d->pendingReplies.insert(reply);
    connect(reply, &QNetworkReply::finished, this,
        [this, reply, eventId, category, name] { onReplyFinished(reply, eventId, category, name); });
}

QJsonObject AnalyticsService::eventObject(
    const QString& eventId, const QString& category, const QString& name) const
{
    QJsonObject event;
    event.insert(QStringLiteral("service"), d->serviceName);
    event.insert(d->keyField, d->key);
    event.insert(QStringLiteral("event_id"), eventId);
    event.insert(QStringLiteral("category"), category);
    event.insert(QStringLiteral("name"), name);
    event.insert(QStringLiteral("user_id"), d->userId);
    event.insert(QStringLiteral("app_version"), d->appVersion);
    event.insert(QStringLiteral("time"), QDateTime::currentMSecsSinceEpoch());
    return event;
}

void AnalyticsService::onReplyFinished(
    QNetworkReply* reply, const QString& eventId, const QString& category, const QString& name)
{
    d->pendingReplies.remove(reply);
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 200 && status < 300) {
        emit success(eventId);
        return;
    }
    if (status != 0) {
        QLOG_WARN() << "The analytics collector refused the event " << eventId << " of " << d->serviceName
                    << " with HTTP status " << status << ".";
    } else {
        QLOG_WARN() << "The event " << eventId << " of " << d->serviceName
                    << " did not reach the analytics collector: " << reply->errorString();
    }
    emit error(eventId, category, name);
}
