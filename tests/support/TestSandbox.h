#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>

// Every test process runs in a throw-away home: HOME, the XDG folders and
// TMPDIR (where local sockets live on Linux) point into one fresh temporary
// folder, so tests never touch a user's data or each other and may run in
// parallel. enter() must run before the application object exists.
class TestSandbox
{
public:
    static void enter();
    // Like enter(), on a folder that outlives the process (made when
    // missing, never removed): a child that is killed and started again
    // finds its home as it left it. The folder must lie in the temporary
    // folder of the sandbox that started the child; false otherwise.
    static bool enterAt(const QString &root);
    static bool isActive();

    static QString root();
    static QString home();

    // Empties the sandboxed home and temporary folders and recreates them, so
    // that a case starts from a machine on which Quorvel never ran.
    static void reset();

    // Ends every process still running with this sandbox as its home
    // (detached children of the programs under test). Runs at exit too.
    static void endStrayProcesses();
    static QList<qint64> strayProcesses();

    // The environment for a child process that should share this sandbox.
    static QProcessEnvironment environment();

private:
    static void createFolders();
};
