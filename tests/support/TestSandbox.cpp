#include "support/TestSandbox.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> &sandboxDir()
{
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
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
    for (const auto &variable : FolderVariables)
        qputenv(variable[0], (root() + QString::fromLatin1(variable[1])).toLocal8Bit());
    // Nothing in a test may reach a user's session or desktop.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("QUORVEL_SYNC_URL");
    qunsetenv("QUORVEL_ACCOUNT_URL");
    createFolders();
}

bool TestSandbox::isActive()
{
    return sandboxDir() && sandboxDir()->isValid()
        && QDir::homePath().startsWith(sandboxDir()->path());
}

QString TestSandbox::root()
{
    return sandboxDir() ? sandboxDir()->path() : QString();
}

QString TestSandbox::home()
{
    return root() + QStringLiteral("/home");
}

void TestSandbox::reset()
{
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
