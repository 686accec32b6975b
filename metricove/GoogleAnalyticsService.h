#pragma once

#include "metricove/AnalyticsService.h"

// The web-analytics service: events are filed under a property's tracking
// identifier ("UA-" followed by the account and property numbers).
class METRICOVE_EXPORT GoogleAnalyticsService : public AnalyticsService
{
    Q_OBJECT

public:
    GoogleAnalyticsService(const QString& trackingId, const QString& userId, QObject* parent = nullptr);
};
