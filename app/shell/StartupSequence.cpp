#include "shell/StartupSequence.h"

#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "logging/Log.h"
#include "shell/AppInfo.h"
#include "shell/AppPaths.h"
#include "shell/AppResources.h"
#include "shell/GuiManager.h"
#include "shell/MemoryAllocator.h"
#include "shell/NotifierLauncher.h"
#include "shell/QuorvelServer.h"
#include "shell/QvApplication.h"
#include "shell/Settings.h"
#include "shell/StartLock.h"
#include "shell/TerminationSignals.h"
#include "common/SettingsFileCheck.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <memory>

namespace {

// How long a start waits for another one that is starting at the same time.
constexpr int StartLockWaitMs = 20000;

const char *const OldSettingFiles[] = {
    "settings.ini",     "predefined_objects.ini", "calendar.ini",
    "repeated_tasks_reminders.ini", "favorites.ini", "rate.ini",
    "sync.ini",         "reminders.ini",          "sorting.ini",
};

// Accepts both "--minimized" and the single-dash "-minimized" used by older
// shortcuts and the notifier's launcher.
QCommandLineOption flagOption(const QString &name)
{
    return QCommandLineOption(QStringList { name });
}

// The settings-library files of the application data folder, looked over
// before anything opens them. The notification file is not among them: its
// readers check it under the lock they share with the notifier.
void screenSettingsFiles()
{
    QStringList names { QStringLiteral("meta.dat") };
    for (const char *name : OldSettingFiles)
        names.append(QString::fromLatin1(name).replace(QLatin1String(".ini"), QLatin1String(".dat")));
    for (const QString &name : qAsConst(names))
        SettingsFileCheck::screen(AppPaths::appDataFile(name));
}

} // namespace

int StartupSequence::run(int argc, char *argv[])
{
    prepareEnvironment();
    // Logging starts this early so that what the look over settings.dat
    // finds is written down; neither needs the application object.
    AppPaths::createFolders();
    startLogging();
    SettingsFileCheck::screen(AppPaths::settingsFile());

    // Read before the application object exists: the scale factor only
    // takes effect when set that early. This handle stays open until the end.
    // A file that still holds values that cannot be read safely (it could
    // not be repaired) is not read here: no forced scale then.
    const QString scalePath = SettingsFileCheck::isSafeToRead(AppPaths::settingsFile())
        ? AppPaths::settingsFile()
        : AppPaths::appDataFile(QStringLiteral("no-settings-readable.dat"));
    auto scaleSettings = std::make_unique<QSettings>(scalePath, QSettings::IniFormat);
    applyScaleFactor(*scaleSettings);

    if (Logging::Logger::qtMessagesWantedByEnvironment())
        Logging::Logger::routeQtMessages();

    auto app = std::make_unique<QvApplication>(argc, argv);
    app->setQuitOnLastWindowClosed(false);

    // A request to end may arrive while start-up still runs (even inside one
    // of its short waits); remember it, so the event loop is never entered.
    bool terminationRequested = false;
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, app.get(),
                     [&terminationRequested] {
                         terminationRequested = true;
                         QCoreApplication::quit();
                     });
    AppResources::initialize();

    QLOG_INFO() << "Application " << AppInfo::version() << " started from "
                << QCoreApplication::applicationDirPath();
    QLOG_INFO() << "Memory allocator: " << MemoryAllocator::name();

    QLOG_INFO() << "Looking for another instance of Quorvel...";
    StartLock startLock(AppPaths::appDataFile(QStringLiteral("quorvel_start.lock")));
    if (!startLock.acquire(StartLockWaitMs)) {
        // Another copy has been starting for this long; it will show its
        // window, so this one hands over if it can, and ends either way.
        QuorvelServer::notifyRunningInstance(300);
        QLOG_WARN() << "Another instance of Quorvel is starting. Closing current process..";
        return 0;
    }
    if (QuorvelServer::notifyRunningInstance(300))
        return 0;

    migrateSettingFiles(AppPaths::appDataDir());
    screenSettingsFiles();
    const bool firstLaunch = prepareDatabase();

    auto server = std::make_unique<QuorvelServer>();
    QLOG_INFO() << "Launching a local server...";
    if (!server->listen())
        QLOG_ERROR() << "Unable to launch a local server!";
    startLock.release();

    const bool notifierActive = NotifierLauncher::ensureRunning();

    QLOG_INFO() << "Parsing arguments from command line...";
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption minimizedOption = flagOption(QStringLiteral("minimized"));
    const QCommandLineOption imeOption = flagOption(QStringLiteral("ime"));
    parser.addOption(minimizedOption);
    parser.addOption(imeOption);
    parser.process(*app);
    // The input method switch only exists on Windows; elsewhere the option
    // is accepted and the input method is left as the desktop set it.
    QLOG_INFO() << "IME is " << (parser.isSet(imeOption) ? "enabled" : "disabled");

    QLOG_INFO() << "Initialization of QML engine...";
    GuiManager *gui = GuiManager::instance();
    gui->initializeEngine();
    gui->setContextProperty(QStringLiteral("FIRST_LAUNCH"), firstLaunch);
    gui->setContextProperty(QStringLiteral("NOTIFIER_APP_ACTIVE"), notifierActive);
    gui->initializeWindow();
    QObject::connect(server.get(), &QuorvelServer::showAppWindowRequested, gui, &GuiManager::showMainWindow);

    if (parser.isSet(minimizedOption)) {
        QLOG_INFO() << "Showing the window minimized...";
        gui->hideMainWindow();
    } else {
        QLOG_INFO() << "Showing the window...";
        gui->showMainWindow();
    }

    const int exitCode = terminationRequested ? 0 : app->exec();
    QLOG_INFO() << "Application finished with code " << exitCode;

    server.reset();
    Logging::Logger::instance().removeDestinations();
    app.reset();
    scaleSettings.reset();
    return exitCode;
}

void StartupSequence::prepareEnvironment()
{
    qputenv("QT_OPENGL_BUGLIST", ":/gpu_blacklist.json");
    AppInfo::applyToApplication();
}

QString StartupSequence::applyScaleFactor(const QSettings &settings)
{
    const QString scaleFactor = settings.value(QStringLiteral("ui_scale_factor")).toString();
    if (!scaleFactor.isEmpty())
        qputenv("QT_SCALE_FACTOR", scaleFactor.toUtf8());
    else
        QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    return scaleFactor;
}

void StartupSequence::startLogging()
{
    Logging::Logger &logger = Logging::Logger::instance();
    logger.setLoggingLevel(Logging::DebugLevel);
    QFile::remove(AppPaths::logsDir() + QStringLiteral("/qv_log.txt"));
    logger.setFileDestination(AppPaths::logFile(), Logging::Logger::DefaultMaxSizeBytes, 0);
}

void StartupSequence::migrateSettingFiles(const QString &dir)
{
    for (const char *name : OldSettingFiles) {
        const QString oldName = QString::fromLatin1(name);
        QString newName = oldName;
        newName.replace(QLatin1String("ini"), QLatin1String("dat"));
        // QFile::rename refuses to replace an existing file, which is what
        // keeps a newer ".dat" safe.
        QFile::rename(dir + QLatin1Char('/') + oldName, dir + QLatin1Char('/') + newName);
    }
}

bool StartupSequence::prepareDatabase()
{
    QLOG_INFO() << "Checking if database is already exist...";
    const QString path = DatabaseHandler::databasePath();
    if (QFile::exists(path)) {
        Settings *settings = Settings::instance();
        if (!settings->hasCloudSyncEnabledSetting() && !settings->clientLogin().isEmpty())
            settings->setCloudSyncEnabled(true);
        return false;
    }

    QLOG_INFO() << "Database not found. Unpacking...";
    if (DatabaseTemplate::unpackTo(path))
        QLOG_INFO() << "Database unpacked successfully.";
    else
        QLOG_ERROR() << "Unable to unpack the database!";
    QLOG_INFO() << "This is the first time launch. Creating default objects in database...";
    storeFirstLaunchSettings();
    return true;
}

void StartupSequence::storeFirstLaunchSettings()
{
    Settings *settings = Settings::instance();
    settings->setAppVersion(AppInfo::version());
    settings->setFirstLaunchDateTime(QDateTime::currentDateTime());
    settings->setShowAppearanceNewBadge(false);
    settings->setShowFavoritesNewBadge(false);
    settings->setUseBlueAsLightThemeColor(true);
    settings->setThemeSwitchType(Settings::Manual);
    settings->setAppTheme(Settings::DarkTheme);
}
