#pragma once

#include <QString>
#include <QUrl>

// Where the account service (tokens and side channels) lives: the built-in
// address, or the one in QUORVEL_ACCOUNT_URL (see ServiceAddress for what is
// accepted). Its path ends in "/api" without a trailing slash; request paths
// such as "/auth/v1/login/" are appended to it.
class AccountServiceAddress
{
public:
    static constexpr const char* Variable = "QUORVEL_ACCOUNT_URL";

    static QUrl baseUrl();
    // baseUrl() with path appended to its path.
    static QUrl url(const QString& path);
    static QString builtInAddress();
    static QString pathEnding() { return QStringLiteral("/api"); }
};
