#include "shell/NotifierLauncher.h"

#include "logging/Log.h"
#include "shell/AppInfo.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTimer>

#ifdef Q_OS_WIN
#include <QDesktopServices>
#include <QUrl>
#endif

namespace {

constexpr int ProbeIntervalMs = 20;

} // namespace

QString NotifierLauncher::notifierPath()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + AppInfo::notifierExecutableName();
}

bool NotifierLauncher::ensureRunning(int launchWaitMs)
{
    QLOG_INFO() << "Checking if notifications work...";
    bool launched = false;
    for (;;) {
        if (isAnswering()) {
            QLOG_INFO() << "Notification service is active!";
            return true;
        }
        if (launched) {
            QLOG_ERROR() << "Notifications don't work!";
            return false;
        }
        QLOG_INFO() << "Notification service is not active. Trying to launch it...";
        if (!launch(notifierPath())) {
            QLOG_ERROR() << "Unable to start Notification service!";
            return false;
        }
        waitUntilAnswering(launchWaitMs);
        launched = true;
    }
}

// The wait ends at the deadline or as soon as the new process answers, so
// that a start that had to launch the notifier is not held up longer than
// the notifier's own start takes.
void NotifierLauncher::waitUntilAnswering(int waitMs)
{
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer probe;
    probe.setInterval(ProbeIntervalMs);
    QObject::connect(&probe, &QTimer::timeout, &loop, [&loop] {
        if (isAnswering())
            loop.quit();
    });
    deadline.start(waitMs);
    probe.start();
    loop.exec();
}

bool NotifierLauncher::isAnswering()
{
    QLocalSocket socket;
    socket.connectToServer(AppInfo::notifierServerName());
    if (!socket.waitForConnected(300))
        return false;
    socket.disconnectFromServer();
    return true;
}

bool NotifierLauncher::launch(const QString &path)
{
#ifdef Q_OS_WIN
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#else
    // Started detached and without arguments, so it outlives this process.
    // A background service must not hold on to our standard streams: whoever
    // started Quorvel (a terminal, a session manager, a test runner waiting
    // for end of output) would otherwise wait for the notifier too.
    const QFileInfo info(path);
    if (!info.isFile() || !info.isExecutable())
        return false;
    QProcess process;
    process.setProgram(path);
    process.setWorkingDirectory(info.absolutePath());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
#endif
}
