#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

// The real quorvel-syncd as a child process on a free loopback port, with
// its data folder inside the test sandbox.
class SyncdProcess
{
public:
    SyncdProcess();
    ~SyncdProcess();

    // Starts the server on dataFolder (fresh by default) with extra options.
    bool start(const QStringList& extraArguments = {}, const QString& dataFolder = QString());
    // SIGTERM, then waits; the exit code, or -1 when it had to be killed.
    int stop();
    bool isRunning() const;

    QString dataFolder() const { return m_dataFolder; }
    QString logFile() const;
    QStringList logLines() const;
    int port() const { return m_port; }
    QUrl syncUrl() const;
    QUrl accountUrl() const;
    QProcess& process() { return m_process; }

    static QString program();
    // Runs the program to its end with these arguments; its standard output.
    static QString runTool(const QStringList& arguments, int* exitCode);

private:
    QProcess m_process;
    QString m_dataFolder;
    int m_port = 0;
};
