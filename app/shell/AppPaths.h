#pragma once

#include <QString>

// The folders and files of the main program. All of them derive from the
// organisation and application names, so AppInfo::applyToApplication() must
// have run first.
class AppPaths
{
public:
    // The writable application data folder: settings, database, the other .dat files.
    static QString appDataDir();
    // The writable local application data folder; logs go to its "logs" folder.
    static QString appLocalDataDir();
    static QString logsDir();

    static QString appDataFile(const QString &fileName);
    static QString settingsFile();
    static QString configFile();
    static QString logFile();

    // Creates the application data, local data and logs folders.
    static bool createFolders();
};
