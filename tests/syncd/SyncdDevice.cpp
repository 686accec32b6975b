#include "SyncdDevice.h"

#include "support/AppProcess.h"
#include "support/TestSandbox.h"

#include <QElapsedTimer>
#include <QJsonDocument>

SyncdDevice::SyncdDevice()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SyncdDevice::~SyncdDevice()
{
    stop();
}

QString SyncdDevice::program()
{
    return AppProcess::binPath(QStringLiteral("quorvel-syncd-client"));
}

QStringList SyncdDevice::clockShift(qint64 seconds)
{
    return { QStringLiteral("LD_PRELOAD=") + AppProcess::binPath(QStringLiteral("libquorvel_clockshift.so")),
        QStringLiteral("QUORVEL_TEST_CLOCK_SHIFT=%1").arg(seconds) };
}

bool SyncdDevice::start(
    const QUrl& syncUrl, const QString& login, const QString& passwordHash, const QStringList& extraEnvironment)
{
    return launch(syncUrl, login, passwordHash, extraEnvironment) && waitUntilReady();
}

bool SyncdDevice::waitUntilReady()
{
    // The first line tells that the store is open.
    return !command(QString()).isNull();
}

bool SyncdDevice::launch(
    const QUrl& syncUrl, const QString& login, const QString& passwordHash, const QStringList& extraEnvironment)
{
    QProcessEnvironment environment = TestSandbox::environment();
    for (const QString& pair : extraEnvironment)
        environment.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    m_process.setProcessEnvironment(environment);
    const QStringList arguments { syncUrl.toString(), login, passwordHash };
    if (m_wrapper.isEmpty())
        m_process.start(program(), arguments);
    else
        m_process.start(m_wrapper.first(), m_wrapper.mid(1) + QStringList { program() } + arguments);
    return m_process.waitForStarted(5000);
}

void SyncdDevice::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

void SyncdDevice::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.write("quit\n");
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString SyncdDevice::command(const QString& line)
{
    if (!line.isNull())
        m_process.write(line.toUtf8() + '\n');
    QElapsedTimer timer;
    timer.start();
    while (!m_process.canReadLine() && timer.elapsed() < 120000) {
        if (!m_process.waitForReadyRead(1000) && m_process.state() == QProcess::NotRunning)
            break;
    }
    const QString answer = QString::fromUtf8(m_process.readLine()).trimmed();
    if (answer.startsWith(QLatin1String("OK"))) {
        m_lastError.clear();
        // Not null, also when nothing follows "OK".
        return answer.size() > 3 ? answer.mid(3) : QString(QLatin1String(""));
    }
    m_lastError = answer.isEmpty() ? QStringLiteral("no answer to \"%1\"").arg(line) : answer;
    return QString();
}

QString SyncdDevice::task(const QString& name, const QString& parent, const QString& context)
{
    return command(QStringLiteral("task %1 %2 %3").arg(name, parent, context).trimmed());
}

bool SyncdDevice::sync(QJsonObject* outcome)
{
    const QString answer = command(QStringLiteral("sync"));
    if (answer.isNull())
        return false;
    const QJsonObject result = QJsonDocument::fromJson(answer.toUtf8()).object();
    if (outcome)
        *outcome = result;
    return result.value("networkErrors").toInt() == 0 && result.value("serverErrors").toArray().isEmpty();
}

QJsonArray SyncdDevice::dump()
{
    return QJsonDocument::fromJson(command(QStringLiteral("dump")).toUtf8()).array();
}

QJsonObject SyncdDevice::row(const QString& id)
{
    for (const QJsonValue& value : dump()) {
        if (value.toObject().value("id").toString() == id)
            return value.toObject();
    }
    return {};
}
