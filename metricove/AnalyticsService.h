#pragma once

#include "metricove/MetricoveExport.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkReply;
class Wirelace;

// One analytics service. sendEvent() posts the event as one JSON object to
// the collector address (CollectorAddress) and answers with success(eventId)
// when the collector accepted it (HTTP 2xx) or error(eventId, category, name)
// otherwise, so that the caller can send it again later.
//
// A service without its key or without a collector address is off: it sends
// nothing and emits nothing.
class METRICOVE_EXPORT AnalyticsService : public QObject
{
    Q_OBJECT

public:
    ~AnalyticsService() override;

    QString userId() const;
    void setUserId(const QString& userId);
    QString appVersion() const;
    void setAppVersion(const QString& appVersion);

    bool isEnabled() const;
    QUrl collectorUrl() const;

    // Sends through sender, which must outlive the replies of this service's
    // requests (a Wirelace's replies keep their manager alive on their own).
    // Unset, the service uses a sender of its own.
    void setRequestSender(Wirelace* sender);

    virtual void sendEvent(const QString& eventId, const QString& category, const QString& name);

signals:
    void success(QString eventId);
    void error(QString eventId, QString category, QString name);

protected:
    // serviceName names the service on the wire and in the log; keyField is
    // the JSON field that carries key.
    AnalyticsService(const QString& serviceName, const QString& keyField, const QString& key,
        const QString& userId, QObject* parent);

    // The event as posted; a service may add fields of its own.
    virtual QJsonObject eventObject(const QString& eventId, const QString& category, const QString& name) const;

private:
    void onReplyFinished(QNetworkReply* reply, const QString& eventId, const QString& category, const QString& name);

    struct Private;
    std::unique_ptr<Private> d;
};
