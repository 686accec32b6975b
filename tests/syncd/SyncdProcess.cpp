#include "SyncdProcess.h"

#include "support/AppProcess.h"
#include "support/TestSandbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QUuid>

#include <csignal>

SyncdProcess::SyncdProcess()
{
    m_process.setProcessEnvironment(TestSandbox::environment());
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
}

SyncdProcess::~SyncdProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString SyncdProcess::program()
{
    return AppProcess::binPath(QStringLiteral("quorvel-syncd"));
}

bool SyncdProcess::start(const QStringList& extraArguments, const QString& dataFolder)
{
    m_dataFolder = dataFolder.isEmpty()
        ? TestSandbox::root() + QStringLiteral("/syncd-") + QUuid::createUuid().toString(QUuid::Id128).left(8)
        : dataFolder;
    m_process.start(program(),
        QStringList { QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--data"), m_dataFolder,
            QStringLiteral("--hash-iterations"), QStringLiteral("1000") }
            + extraArguments);
    if (!m_process.waitForStarted(5000))
        return false;
    static const QRegularExpression listening(QStringLiteral("listening on https?://127\\.0\\.0\\.1:(\\d+)"));
    QByteArray output;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        if (!m_process.waitForReadyRead(200) && m_process.state() == QProcess::NotRunning)
            break;
        output += m_process.readAllStandardOutput();
        const QRegularExpressionMatch match = listening.match(QString::fromUtf8(output));
        if (match.hasMatch()) {
            m_port = match.captured(1).toInt();
            return true;
        }
    }
    qWarning("quorvel-syncd did not start: %s %s", output.constData(), m_process.readAllStandardError().constData());
    return false;
}

int SyncdProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitCode();
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(15000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

bool SyncdProcess::isRunning() const
{
    return m_process.state() == QProcess::Running;
}

QString SyncdProcess::logFile() const
{
    return m_dataFolder + QStringLiteral("/syncd.log");
}

QStringList SyncdProcess::logLines() const
{
    QFile file(logFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QUrl SyncdProcess::syncUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/api/1/").arg(m_port));
}

QUrl SyncdProcess::accountUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/api").arg(m_port));
}

QString SyncdProcess::runTool(const QStringList& arguments, int* exitCode)
{
    QProcess tool;
    tool.setProcessEnvironment(TestSandbox::environment());
    tool.start(program(), arguments);
    tool.waitForFinished(30000);
    *exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    return QString::fromUtf8(tool.readAllStandardOutput());
}
