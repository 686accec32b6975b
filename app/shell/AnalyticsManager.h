#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class AnalyticsService;
class QTimer;
class Settings;
class Wirelace;

// Sends the interface's analytics events to both services: index 0 the
// web-analytics service, index 1 the product-analytics service (which knows
// the user by the account login once there is one).
//
// An event that a service could not deliver is kept in a failure table and
// sent again by a retry 3 s later. While the collector keeps failing, the
// wait between retries doubles up to ten minutes, and the table keeps the
// newest events only, so that a collector that is down neither floods the
// network nor fills the memory.
class AnalyticsManager : public QObject
{
    Q_OBJECT

public:
    static constexpr int RetryDelayMs = 3000;
    static constexpr int MaxRetryDelayMs = 10 * 60 * 1000;
    static constexpr int DefaultFailureTableLimit = 1000;

    // Environment variables that replace the keys built in with the deployment.
    // A variable that is set but empty turns its service off.
    static constexpr const char* TrackingIdVariable = "QUORVEL_ANALYTICS_TRACKING_ID";
    static constexpr const char* ApiKeyVariable = "QUORVEL_ANALYTICS_API_KEY";

    // settings: where the user id and the login come from; unset, Settings::instance().
    explicit AnalyticsManager(QObject* parent = nullptr, Settings* settings = nullptr);
    ~AnalyticsManager() override;

    QList<AnalyticsService*> services() const;

    int failedEventCount() const;
    bool isRetryScheduled() const;
    int retryDelay() const;
    void setFailureTableLimit(int limit);

    static QString trackingId();
    static QString apiKey();

public slots:
    void sendEvent(const QString& category, const QString& name);

private:
    struct FailedEvent
    {
        QString eventId;
        QString category;
        QString name;
        int service;
    };

    QString ensureUserId();
    void addService(AnalyticsService* service);
    void onServiceError(int service, const QString& eventId, const QString& category, const QString& name);
    void onServiceSuccess(int service, const QString& eventId);
    void onClientLoginChanged(const QString& login);
    void retryFailedEvents();
    int indexOf(int service, const QString& eventId) const;

    Settings* m_settings = nullptr;
    // Declared before the services: their replies need the sender's manager.
    std::unique_ptr<Wirelace> m_sender;
    QList<AnalyticsService*> m_services;
    QList<FailedEvent> m_failedEvents;
    QTimer* m_retryTimer = nullptr;
    int m_retryDelay = RetryDelayMs;
    int m_failureTableLimit = DefaultFailureTableLimit;
};
