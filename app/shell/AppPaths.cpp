#include "shell/AppPaths.h"

#include <QDir>
#include <QStandardPaths>

QString AppPaths::appDataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString AppPaths::appLocalDataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

QString AppPaths::logsDir()
{
    return appLocalDataDir() + QStringLiteral("/logs");
}

QString AppPaths::appDataFile(const QString &fileName)
{
    return appDataDir() + QLatin1Char('/') + fileName;
}

QString AppPaths::settingsFile()
{
    return appDataFile(QStringLiteral("settings.dat"));
}

QString AppPaths::configFile()
{
    return appDataFile(QStringLiteral("config.dat"));
}

QString AppPaths::logFile()
{
    return logsDir() + QStringLiteral("/qv_log.dat");
}

bool AppPaths::createFolders()
{
    QDir dir;
    const bool data = dir.mkpath(appDataDir());
    const bool local = dir.mkpath(appLocalDataDir());
    const bool logs = dir.mkpath(logsDir());
    return data && local && logs;
}
