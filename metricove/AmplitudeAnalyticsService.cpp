#include "metricove/AmplitudeAnalyticsService.h"

AmplitudeAnalyticsService::AmplitudeAnalyticsService(const QString& apiKey, const QString& userId, QObject* parent)
    : AnalyticsService(QStringLiteral("amplitude"), QStringLiteral("api_key"), apiKey, userId, parent)
{
}
