#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The real QuorvelNotifier as a child process in the test sandbox, with what
// it wrote to its log since it was started. Killed when it goes.
class NotifierRun
{
public:
    static QString builtProgram();

    explicit NotifierRun(const QString &program = builtProgram());
    ~NotifierRun();

    bool start();
    // How many log lines written since start() contain text.
    int count(const QString &text) const;
    // Waits until `times` such lines are there, or the process ended.
    bool waitForLog(const QString &text, int times = 1, int timeoutMs = 20000) const;
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 pid() const { return m_process.processId(); }
    // The exit code, -1 when it did not end normally in time.
    int waitForExit(int timeoutMs = 10000);
    // Asks it to end (SIGTERM) and waits.
    int stop();

private:
    QString m_program;
    QProcess m_process;
    qint64 m_logStart = 0;
};
