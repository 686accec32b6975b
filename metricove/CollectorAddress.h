#pragma once

#include "metricove/MetricoveExport.h"

#include <QUrl>

// Where the analytics services post their events: the value of
// QUORVEL_ANALYTICS_URL when it is set, else the address built in with the
// deployment (QUORVEL_ANALYTICS_URL_DEFAULT, empty unless configured).
//
// The address follows the rules of every service address: HTTPS, or plain
// HTTP to this machine, without user, query or fragment. Without a usable
// address nothing is sent.
class METRICOVE_EXPORT CollectorAddress
{
public:
    static constexpr const char* Variable = "QUORVEL_ANALYTICS_URL";

    // The address, or an invalid QUrl when none is configured or the
    // configured one is not usable (logged).
    static QUrl resolve();

    static QString builtIn();
};
