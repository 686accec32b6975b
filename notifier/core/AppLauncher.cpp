#include "core/AppLauncher.h"

#include <QCoreApplication>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <QDesktopServices>
#else
#include <QProcess>
#endif

QString AppLauncher::defaultPath()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + fileName();
}

QUrl AppLauncher::urlOf(const QString &path)
{
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
}

bool AppLauncher::start(const QString &path)
{
#ifdef Q_OS_WIN
    // The launcher is a shortcut there; the shell resolves and runs it.
    return QDesktopServices::openUrl(urlOf(path));
#else
    // The desktop's opener would show a script in an editor rather than run
    // it, so the launcher is run directly, detached, so it outlives a
    // notifier that ends meanwhile.
    const QFileInfo launcher(path);
    if (!launcher.isFile() || !launcher.isExecutable())
        return false;
    return QProcess::startDetached(launcher.absoluteFilePath(), QStringList(), launcher.absolutePath());
#endif
}
