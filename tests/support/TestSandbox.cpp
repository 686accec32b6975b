#include "support/TestSandbox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <memory>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace {

std::unique_ptr<QTemporaryDir> &sandboxDir()
{
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}

// The root given to enterAt(), which no QTemporaryDir owns.
QString &fixedRoot()
{
    static QString root;
    return root;
}

const char *const FolderVariables[][2] = {
    { "HOME", "/home" },
    { "XDG_CONFIG_HOME", "/home/.config" },
    { "XDG_DATA_HOME", "/home/.local/share" },
    { "XDG_CACHE_HOME", "/home/.cache" },
    { "XDG_STATE_HOME", "/home/.local/state" },
    { "XDG_RUNTIME_DIR", "/runtime" },
    { "TMPDIR", "/tmp" },
};

} // namespace

void TestSandbox::enter()
{
    if (isActive())
        return;
    auto dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quorvel-test-XXXXXX"));
    if (!dir->isValid()) {
        std::fprintf(stderr, "Unable to create a test sandbox; refusing to run.\n");
        std::exit(2);
    }
    dir->setAutoRemove(qEnvironmentVariableIsEmpty("QUORVEL_KEEP_SANDBOX"));
    sandboxDir() = std::move(dir);
    // Registered after the folder exists, so it runs before the folder is removed.
    std::atexit([] { TestSandbox::endStrayProcesses(); });
    for (const auto &variable : FolderVariables)
        qputenv(variable[0], (root() + QString::fromLatin1(variable[1])).toLocal8Bit());
    // Nothing in a test may reach a user's session or desktop.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("QUORVEL_SYNC_URL");
    qunsetenv("QUORVEL_ACCOUNT_URL");
    qunsetenv("QUORVEL_TRANSFER_TIMEOUT");
    createFolders();
}

bool TestSandbox::enterAt(const QString &root)
{
    if (isActive())
        return false;
    const QString parentTemp = QDir(QDir::tempPath()).canonicalPath();
    QDir().mkpath(root);
    const QString canonical = QDir(root).canonicalPath();
    // Only inside a sandbox already: a child of a test, never a user's home.
    if (canonical.isEmpty() || !parentTemp.contains(QStringLiteral("/quorvel-test-"))
        || !canonical.startsWith(parentTemp + QLatin1Char('/')))
        return false;
    fixedRoot() = canonical;
    std::atexit([] { TestSandbox::endStrayProcesses(); });
    for (const auto &variable : FolderVariables)
        qputenv(variable[0], (canonical + QString::fromLatin1(variable[1])).toLocal8Bit());
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("QUORVEL_SYNC_URL");
    qunsetenv("QUORVEL_ACCOUNT_URL");
    qunsetenv("QUORVEL_TRANSFER_TIMEOUT");
    createFolders();
    return true;
}

bool TestSandbox::isActive()
{
    const QString current = root();
    const bool valid = !fixedRoot().isEmpty() || (sandboxDir() && sandboxDir()->isValid());
    return valid && !current.isEmpty() && QDir::homePath().startsWith(current);
}

QString TestSandbox::root()
{
    if (!fixedRoot().isEmpty())
        return fixedRoot();
    return sandboxDir() ? sandboxDir()->path() : QString();
}

QString TestSandbox::home()
{
    return root() + QStringLiteral("/home");
}

void TestSandbox::reset()
{
    endStrayProcesses();
    QDir(home()).removeRecursively();
    QDir(root() + QStringLiteral("/tmp")).removeRecursively();
    createFolders();
}

void TestSandbox::createFolders()
{
    for (const auto &variable : FolderVariables)
        QDir().mkpath(root() + QString::fromLatin1(variable[1]));
    QFile::setPermissions(root() + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QProcessEnvironment TestSandbox::environment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto &variable : FolderVariables)
        environment.insert(QString::fromLatin1(variable[0]), root() + QString::fromLatin1(variable[1]));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

QList<qint64> TestSandbox::strayProcesses()
{
    QList<qint64> found;
#ifdef Q_OS_LINUX
    if (!isActive())
        return found;
    const QByteArray homeEntry = "HOME=" + QFile::encodeName(home());
    const qint64 self = ::getpid();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid || pid == self)
            continue;
        QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
        if (!environ.open(QIODevice::ReadOnly))
            continue;
        if (environ.readAll().split('\0').contains(homeEntry))
            found.append(pid);
    }
#endif
    return found;
}

void TestSandbox::endStrayProcesses()
{
#ifdef Q_OS_LINUX
    // Background programs started by a test (the notifier is started detached
    // by Quorvel) would otherwise outlive the test and keep running in a
    // deleted home.
    QList<qint64> running = strayProcesses();
    for (qint64 pid : running)
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    for (int attempt = 0; attempt < 20 && !running.isEmpty(); ++attempt) {
        QThread::msleep(50);
        running = strayProcesses();
    }
    for (qint64 pid : running)
        ::kill(static_cast<pid_t>(pid), SIGKILL);
#endif
}
