#pragma once

#include <QString>
#include <QUrl>

// Starts the main program through the launcher file the installation puts
// beside the notifier ("QuorvelMinimized", which starts it hidden in the tray).
class AppLauncher
{
public:
    static QString fileName() { return QStringLiteral("QuorvelMinimized"); }
    // The launcher beside the running program.
    static QString defaultPath();

    // True when the launcher was started (not whether the main program is up yet).
    static bool start(const QString &path);
    static QUrl urlOf(const QString &path);
};
