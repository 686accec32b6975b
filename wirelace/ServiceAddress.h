#pragma once

#include "wirelace/WirelaceExport.h"

#include <QString>
#include <QUrl>

// The base address of a remote service: a compiled default that an
// environment variable may replace (a test server, a staging deployment).
//
// An address is usable when it is an absolute HTTPS address, or plain HTTP to
// this machine (localhost, 127.0.0.0/8, ::1), without user, query or
// fragment, and its path ends in the service's fixed path ending. A path
// ending in "/" gains a missing trailing slash ("/api/1" becomes "/api/1/");
// one without loses a trailing slash ("/api/" becomes "/api").
class WIRELACE_EXPORT ServiceAddress
{
public:
    // The variable's address when it is set and usable, else the fallback's.
    // An unusable variable is logged and ignored; an unusable fallback gives
    // an invalid QUrl, to which no request can be sent.
    static QUrl fromEnvironment(const char* variable, const QString& fallback, const QString& pathEnding);

    // The normalised address, or an invalid QUrl when it is not usable.
    static QUrl normalised(const QString& address, const QString& pathEnding);

private:
    static bool isLoopbackHost(const QString& host);
};
