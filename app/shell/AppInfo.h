#pragma once

#include <QString>

// Process-wide identity of the main program and the names it shares with
// its companions (the notifier and the diagnostics tool).
class AppInfo
{
public:
    static QString organizationName() { return QStringLiteral("Velmora"); }
    static QString organizationDomain() { return QStringLiteral("velmora.app"); }
    static QString applicationName() { return QStringLiteral("Quorvel"); }
    static QString version() { return QStringLiteral("1.16.3"); }
    static QString serverName() { return QStringLiteral("quorvel"); }
    static QString notifierServerName() { return QStringLiteral("quorvel_notifier"); }
    // Windows names it QuorvelNotifier.exe; elsewhere executables carry no suffix.
    static QString notifierExecutableName()
    {
#ifdef Q_OS_WIN
        return QStringLiteral("QuorvelNotifier.exe");
#else
        return QStringLiteral("QuorvelNotifier");
#endif
    }

    // Sets organisation and application name and domain on the running
    // application, which QStandardPaths derives its folders from.
    static void applyToApplication();
};
