#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs one of the built programs as a real child process inside the test
// sandbox and reads what it wrote to its log.
class AppProcess
{
public:
    explicit AppProcess(const QString &program = binPath(QStringLiteral("Quorvel")));
    ~AppProcess();

    static QString binPath(const QString &name);
    static QString logFile();
    static QStringList logLines();
    // Log messages without the level and timestamp columns.
    static QStringList logMessages();

    QProcessEnvironment &environment();
    bool start(const QStringList &arguments = {});
    // Waits until this run logged a line containing text, or the process ends.
    bool waitForLog(const QString &text, int timeoutMs = 15000) const;
    bool waitForReady(int timeoutMs = 15000) const;
    // Asks the program to quit (SIGTERM) and returns its exit code, -1 when
    // it had to be killed.
    int stop(int timeoutMs = 10000);
    int waitForExit(int timeoutMs = 10000);
    QProcess &process();

private:
    QString m_program;
    QProcess m_process;
    QProcessEnvironment m_environment;
    int m_logLinesBefore = 0;
};
