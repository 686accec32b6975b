#include "bench/NotifierBenchmark.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

const char ArmedLine[] = "Timer has started.";
const char StartedLine[] = "Application has started";
constexpr int ArmingTimeoutMs = 60000;

// "LEVEL yyyy-MM-ddThh:mm:ss.zzz message": the time of one log line.
QDateTime loggedTime(const QByteArray &line)
{
    const QList<QByteArray> columns = line.simplified().split(' ');
    return columns.size() > 1 ? QDateTime::fromString(QString::fromLatin1(columns.at(1)), Qt::ISODateWithMs)
                              : QDateTime();
}

} // namespace

NotifierBenchmark::NotifierBenchmark(const QString &notifierPath, int reminderCount)
    : m_notifierPath(notifierPath)
    , m_reminderCount(reminderCount)
{
}

bool NotifierBenchmark::run(int runNumber)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/quorvel-notifier-bench-XXXXXX"));
    if (!home.isValid())
        return false;
    const QString root = home.path();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QStringList folders { "HOME=/home", "XDG_DATA_HOME=/data", "XDG_CONFIG_HOME=/config",
                                "XDG_CACHE_HOME=/cache", "XDG_STATE_HOME=/state", "XDG_RUNTIME_DIR=/runtime",
                                "TMPDIR=/tmp" };
    for (const QString &folder : folders) {
        const QString path = root + folder.section(QLatin1Char('='), 1);
        QDir().mkpath(path);
        environment.insert(folder.section(QLatin1Char('='), 0, 0), path);
    }
    QFile::setPermissions(root + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString appData = root + QStringLiteral("/data/Velmora/Quorvel");
    QDir().mkpath(appData);
    writeNotificationFile(appData + QStringLiteral("/ntf.dat"));

    QProcess notifier;
    notifier.setProcessEnvironment(environment);
    notifier.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    notifier.setStandardOutputFile(QProcess::nullDevice());
    notifier.start(m_notifierPath, QStringList());
    const Arming arming = waitUntilArmed(notifier, appData + QStringLiteral("/logs/notifier_log.dat"));
    const qint64 rssKb = arming.complete ? residentKb(notifier.processId()) : 0;
    notifier.terminate();
    if (!notifier.waitForFinished(10000))
        notifier.kill();
    notifier.waitForFinished(5000);

    std::printf("{\"op\":\"armTimers\",\"count\":%d,\"run\":%d,\"complete\":%s,\"wall_ms\":%lld,"
                "\"logged_ms\":%lld,\"target_ms\":1000}\n",
                m_reminderCount, runNumber, arming.complete ? "true" : "false", arming.wallMs, arming.loggedMs);
    std::printf("{\"op\":\"residentMemory\",\"count\":%d,\"run\":%d,\"rss_kb\":%lld,\"target_kb\":30720}\n",
                m_reminderCount, runNumber, rssKb);
    std::fflush(stdout);
    return arming.complete;
}

void NotifierBenchmark::writeNotificationFile(const QString &path) const
{
    // As the main program writes it: task id, kind, moment; the moment as value.
    QSettings file(path, QSettings::IniFormat);
    const QDateTime base = QDateTime::currentDateTime().addSecs(3600);
    for (int i = 0; i < m_reminderCount; ++i) {
        const QDateTime moment = base.addSecs(qint64(i) * 600);
        const QString kind = i % 3 == 0 ? QStringLiteral("STARTDATE") : QStringLiteral("DUEDATE");
        const QString key = QStringLiteral("%1-4b1c-8f2e-bench%2_%3_%4")
                                .arg(QString::number(100000 + i, 16), QString::number(i), kind,
                                     QString::number(moment.toMSecsSinceEpoch()));
        file.setValue(key, moment);
    }
    file.sync();
}

NotifierBenchmark::Arming NotifierBenchmark::waitUntilArmed(QProcess &notifier, const QString &logPath) const
{
    Arming arming;
    QElapsedTimer timer;
    timer.start();
    if (!notifier.waitForStarted(10000))
        return arming;
    QFile log(logPath);
    QByteArray pending;
    QDateTime started;
    int armed = 0;
    while (timer.elapsed() < ArmingTimeoutMs && notifier.state() == QProcess::Running) {
        if (!log.isOpen() && !log.open(QIODevice::ReadOnly)) {
            QThread::msleep(2);
            continue;
        }
        pending += log.readAll();
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            if (line.endsWith(StartedLine))
                started = loggedTime(line);
            if (line.endsWith(ArmedLine) && ++armed == m_reminderCount) {
                arming.complete = true;
                arming.wallMs = timer.elapsed();
                arming.loggedMs = started.msecsTo(loggedTime(line));
                return arming;
            }
        }
        QThread::msleep(2);
    }
    return arming;
}

qint64 NotifierBenchmark::residentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}
