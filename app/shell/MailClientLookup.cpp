#include "shell/MailClientLookup.h"

#include "logging/Log.h"

#include <QProcess>
#include <QSettings>

bool MailClientLookup::hasDefaultMailClient()
{
#ifdef Q_OS_WIN
    const QSettings entry(QStringLiteral("HKEY_CLASSES_ROOT\\mailto"), QSettings::NativeFormat);
    return !entry.childKeys().isEmpty() || !entry.childGroups().isEmpty();
#else
    return queryHandler(QStringLiteral("xdg-mime"),
        { QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/mailto") });
#endif
}

bool MailClientLookup::queryHandler(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(timeoutMs)) {
        QLOG_INFO() << "Unable to ask for the default mail program: " << program << " did not start ("
                    << process.errorString() << ").";
        return false;
    }
    if (!process.waitForFinished(timeoutMs)) {
        QLOG_WARN() << "Unable to ask for the default mail program: " << program << " did not answer within "
                    << timeoutMs << " ms.";
        process.kill();
        process.waitForFinished(timeoutMs);
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return false;
    return !QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed().isEmpty();
}
