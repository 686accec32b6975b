#include "metricove/GoogleAnalyticsService.h"

GoogleAnalyticsService::GoogleAnalyticsService(const QString& trackingId, const QString& userId, QObject* parent)
    : AnalyticsService(QStringLiteral("google-analytics"), QStringLiteral("tracking_id"), trackingId, userId, parent)
{
}
