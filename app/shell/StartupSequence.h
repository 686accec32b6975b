#pragma once

#include <QString>

class QSettings;

// The main program from process start to the end of its event loop, in a
// fixed order: environment, logging, single-instance check, setting-file
// migration, first launch, local server, notifier, interface.
class StartupSequence
{
public:
    static int run(int argc, char *argv[]);

    // Renames the old ".ini" setting files in dir to ".dat"; an existing
    // ".dat" is never overwritten.
    static void migrateSettingFiles(const QString &dir);

    // Applies "ui_scale_factor": a non-empty value becomes QT_SCALE_FACTOR,
    // an empty one enables high-DPI scaling instead. Returns the value used.
    static QString applyScaleFactor(const QSettings &settings);

private:
    static void prepareEnvironment();
    static void startLogging();
    static bool prepareDatabase();
    static void storeFirstLaunchSettings();
};
