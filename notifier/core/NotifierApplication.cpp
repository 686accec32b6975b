#include "core/NotifierApplication.h"

#include "common/WatchedFile.h"
#include "core/Notifier.h"
#include "core/Reader.h"
#include "core/TerminationWatch.h"
#include "logging/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// How long a start waits for another notifier that is starting right now.
constexpr int StartLockWaitMs = 5000;

QString appDataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

// The folder's identity on disk rather than its name: a folder removed
// and made again under the same name is another one.
QString folderIdentity(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QString();
    return QString::number(info.st_dev) + QLatin1Char(':') + QString::number(info.st_ino);
#else
    return QFileInfo(path).isDir() ? path : QString();
#endif
}

QString logsDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/logs");
}

} // namespace

NotifierApplication::NotifierApplication() = default;

NotifierApplication::~NotifierApplication()
{
    m_termination.reset();
    m_server.reset();
    m_app.reset();
}

QString NotifierApplication::notificationFilePath()
{
    return appDataDir() + QStringLiteral("/ntf.dat");
}

QString NotifierApplication::logFilePath()
{
    return logsDir() + QStringLiteral("/notifier_log.dat");
}

int NotifierApplication::run(int &argc, char *argv[])
{
    // Crash dumps exist on Windows only; elsewhere the system's core dumps serve.
    releaseStandardStreams();
    const bool platformChosenHere = chooseDisplayPlatform();
    m_app = std::make_unique<QGuiApplication>(argc, argv);
    // The main program, started from here, picks its own platform.
    if (platformChosenHere)
        qunsetenv("QT_QPA_PLATFORM");
    QCoreApplication::setOrganizationName(organizationName());
    QCoreApplication::setApplicationName(applicationName());
    // A signal that comes during start-up waits in the watch's socket and
    // ends the event loop as soon as it runs.
    m_termination = std::make_unique<TerminationWatch>();
    QObject::connect(m_termination.get(), &TerminationWatch::terminationRequested, m_app.get(),
                     &QCoreApplication::quit);

    startLogging();
    QLOG_INFO() << "Application has started";
    if (!claimSingleInstance())
        return 0;
    if (!prepareNotificationFile())
        return 0;
    return watchNotifications();
}

void NotifierApplication::releaseStandardStreams()
{
#ifdef Q_OS_UNIX
    // The notifier outlives whoever started it, and everything it has to
    // say goes to its log. Holding on to the starter's terminal or pipes
    // would keep a pipe reader (a shell pipeline, a test runner) waiting
    // for an end of output that never comes.
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0)
        return;
    for (int stream : { STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO })
        ::dup2(devNull, stream);
    ::close(devNull);
#endif
}

bool NotifierApplication::chooseDisplayPlatform()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The notifier shows nothing; without a display it must still run
    // rather than abort for want of one.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }
#endif
    return false;
}

void NotifierApplication::startLogging()
{
    QDir().mkpath(logsDir());
    QFile::remove(logsDir() + QStringLiteral("/notifier_log.txt"));
    Logging::Logger::instance().setFileDestination(logFilePath(), 20971520, 0);
    // Standard error leads nowhere (see releaseStandardStreams()).
    if (Logging::Logger::qtMessagesWantedByEnvironment())
        Logging::Logger::routeQtMessages();
}

bool NotifierApplication::claimSingleInstance()
{
    QLOG_INFO() << "Looking for another instance of QuorvelNotifier...";
    // Held from the probe until the server listens. Two notifiers starting
    // at once would otherwise both find nobody, and the later one would
    // take the server name from the earlier one, which then ran on unseen.
    QLockFile startLock(QDir::tempPath() + QLatin1Char('/') + serverName() + QStringLiteral(".lock"));
    const bool locked = startLock.tryLock(StartLockWaitMs);
    if (!locked && startLock.error() != QLockFile::LockFailedError)
        QLOG_WARN() << "Unable to guard the start against a parallel one; going on without";
    if ((!locked && startLock.error() == QLockFile::LockFailedError) || isAnswering()) {
        QLOG_WARN() << "Another instance of QuorvelNotifier found. Closing current process..";
        return false;
    }
    return listen();
}

bool NotifierApplication::isAnswering()
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(ProbeWaitMs))
        return false;
    socket.disconnectFromServer();
    return true;
}

bool NotifierApplication::listen()
{
    QLocalServer::removeServer(serverName());
    QLOG_INFO() << "Launching a local server...";
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(serverName())) {
        QLOG_ERROR() << "Unable to launch a local server!";
        QLOG_ERROR() << "Local server error: " << m_server->errorString();
        return false;
    }
    // Connections only show that the notifier runs. Each is taken and
    // closed at once: left pending they would pile up, and past the
    // server's limit of pending connections nobody could connect any more.
    QLocalServer *server = m_server.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket *connection = server->nextPendingConnection()) {
            connection->abort();
            connection->deleteLater();
        }
    });
    return true;
}

bool NotifierApplication::prepareNotificationFile()
{
    const QString dir = appDataDir();
    QDir().mkpath(dir);
    // QFile::rename never replaces an existing "ntf.dat".
    QFile::rename(dir + QStringLiteral("/ntf.ini"), notificationFilePath());
    const QString path = notificationFilePath();
    if (QFileInfo::exists(path))
        return true;
    QLOG_WARN() << "Notification file not found. Trying to create it.";
    if (createEmptyFile(path))
        return true;
    QLOG_ERROR() << "Unable to create notification file! The app will be stopped.";
    return false;
}

bool NotifierApplication::createEmptyFile(const QString &path)
{
    // Only ever a new file: the main program may have written one since
    // the check, and opening that for writing would empty it.
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return true;
    }
    QFile existing(path);
    return existing.open(QIODevice::ReadOnly);
}

void NotifierApplication::wire(Reader &reader, Notifier &notifier)
{
    QObject::connect(&reader, &Reader::newNotificationAvailable, &notifier, &Notifier::addNotification);
    QObject::connect(&reader, &Reader::notificationRemoved, &notifier, &Notifier::removeNotification);
    QObject::connect(&notifier, &Notifier::notificationExpired, &reader, &Reader::removeNotification);
}

void NotifierApplication::quitWhenFolderGoes(QFileSystemWatcher &watch, const QString &folder)
{
    // Once the folder is removed nothing can follow the file any more, and a
    // notifier that went on running would still answer the main program's
    // probe, so that no working one would ever be started. A folder of the
    // same name made again meanwhile is not the one watched.
    const QString identity = folderIdentity(folder);
    watch.addPath(folder);
    QObject::connect(&watch, &QFileSystemWatcher::directoryChanged, m_app.get(), [&watch, folder, identity] {
        if (!watch.directories().isEmpty() && folderIdentity(folder) == identity)
            return;
        QLOG_WARN() << "The folder of the notification file has been removed. Closing the notifier.";
        QCoreApplication::exit(0);
    });
}

int NotifierApplication::watchNotifications()
{
    Reader reader(notificationFilePath());
    Notifier notifier;
    wire(reader, notifier);
    WatchedFile watch(reader.filePath());
    QObject::connect(&watch, &WatchedFile::changed, &reader, &Reader::read);
    QFileSystemWatcher folderWatch;
    quitWhenFolderGoes(folderWatch, QFileInfo(reader.filePath()).absolutePath());
    reader.read();
    const int code = m_app->exec();
    QLOG_INFO() << "Application has stopped with code " << code;
    return code;
}
