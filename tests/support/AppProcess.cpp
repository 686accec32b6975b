#include "support/AppProcess.h"

#include "support/LogReader.h"
#include "support/TestSandbox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

AppProcess::AppProcess(const QString &program)
    : m_program(program)
    , m_environment(TestSandbox::environment())
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

AppProcess::~AppProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString AppProcess::binPath(const QString &name)
{
    return QStringLiteral(QUORVEL_BIN_DIR) + QLatin1Char('/') + name;
}

QString AppProcess::logFile()
{
    return TestSandbox::home() + QStringLiteral("/.local/share/Velmora/Quorvel/logs/qv_log.dat");
}

QStringList AppProcess::logLines()
{
    QFile file(logFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList AppProcess::logMessages()
{
    return LogReader::messages(logFile());
}

QProcessEnvironment &AppProcess::environment()
{
    return m_environment;
}

bool AppProcess::start(const QStringList &arguments)
{
    // Only what this run writes counts; earlier runs share the log file.
    m_logLinesBefore = logLines().size();
    m_process.setProcessEnvironment(m_environment);
    m_process.start(m_program, arguments);
    return m_process.waitForStarted(10000);
}

bool AppProcess::waitForLog(const QString &text, int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        const QStringList lines = logLines();
        for (int i = m_logLinesBefore; i < lines.size(); ++i) {
            if (lines.at(i).contains(text))
                return true;
        }
        if (m_process.state() == QProcess::NotRunning)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return false;
}

bool AppProcess::waitForReady(int timeoutMs) const
{
    return waitForLog(QStringLiteral("Showing the window"), timeoutMs);
}

int AppProcess::stop(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitCode();
    m_process.terminate();
    return waitForExit(timeoutMs);
}

int AppProcess::waitForExit(int timeoutMs)
{
    if (!m_process.waitForFinished(timeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(5000);
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QProcess &AppProcess::process()
{
    return m_process;
}
