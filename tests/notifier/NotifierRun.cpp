#include "NotifierRun.h"

#include "NtfContent.h"
#include "support/AppProcess.h"
#include "support/LogReader.h"
#include "support/TestSandbox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

QString NotifierRun::builtProgram()
{
    return AppProcess::binPath(QStringLiteral("QuorvelNotifier"));
}

NotifierRun::NotifierRun(const QString &program)
    : m_program(program)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setProcessEnvironment(TestSandbox::environment());
}

NotifierRun::~NotifierRun()
{
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool NotifierRun::start()
{
    m_logStart = QFileInfo(NtfContent::logPath()).size();
    m_process.start(m_program, QStringList());
    return m_process.waitForStarted(10000);
}

int NotifierRun::count(const QString &text) const
{
    return LogReader::messages(NtfContent::logPath(), m_logStart).filter(text).size();
}

bool NotifierRun::waitForLog(const QString &text, int times, int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    while (count(text) < times) {
        if (!isRunning() || timer.elapsed() > timeoutMs)
            return count(text) >= times;
        // The test's own servers keep answering meanwhile.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

int NotifierRun::waitForExit(int timeoutMs)
{
    if (isRunning() && !m_process.waitForFinished(timeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(5000);
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

int NotifierRun::stop()
{
    if (isRunning())
        m_process.terminate();
    return waitForExit();
}
