#pragma once

#include <QString>

// The notifier's end of the main program's command channel: one command per
// connection, plain UTF-8 text without a terminator.
class AppMessenger
{
public:
    static QString serverName() { return QStringLiteral("quorvel"); }
    static constexpr int ConnectWaitMs = 300;
    static constexpr int WriteWaitMs = 30000;

    // Sends "show_notification:" followed by the key. False when the main
    // program did not answer or the bytes could not be written.
    static bool sendNotification(const QString &key);
};
