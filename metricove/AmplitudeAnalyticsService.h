#pragma once

#include "metricove/AnalyticsService.h"

// The product-analytics service: events are filed under the project's API
// key, per user (the account login once there is one).
class METRICOVE_EXPORT AmplitudeAnalyticsService : public AnalyticsService
{
    Q_OBJECT

public:
    AmplitudeAnalyticsService(const QString& apiKey, const QString& userId, QObject* parent = nullptr);
};
