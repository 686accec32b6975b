#include "shell/AutostartEntry.h"

#include "logging/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

QString AutostartEntry::path()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart/Quorvel.desktop");
}

bool AutostartEntry::exists()
{
    return QFileInfo(path()).isFile();
}

QString AutostartEntry::execArgument(const QString &executablePath)
{
    // Three layers, innermost first: "%" would start a field code; inside
    // double quotes a backslash must precede '"', '`', '$' and '\'; and the
    // whole value is a desktop-entry string, whose own escapes are undone
    // before the quotes are read, so every backslash is doubled once more.
    QString quoted = QStringLiteral("\"");
    for (const QChar character : executablePath) {
        if (character == QLatin1Char('"') || character == QLatin1Char('`') || character == QLatin1Char('$')
            || character == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        if (character == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += character;
    }
    quoted += QLatin1Char('"');

    QString value;
    for (const QChar character : quoted) {
        if (character == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (character == QLatin1Char('\n'))
            value += QStringLiteral("\\n");
        else if (character == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (character == QLatin1Char('\r'))
            value += QStringLiteral("\\r");
        else
            value += character;
    }
    return value;
}

bool AutostartEntry::create(const QString &executablePath)
{
    if (executablePath.isEmpty()) {
        QLOG_WARN() << "Unable to create the autostart entry: the executable path is empty";
        return false;
    }
    const QString entryPath = path();
    if (!QDir().mkpath(QFileInfo(entryPath).absolutePath())) {
        QLOG_WARN() << "Unable to create the autostart folder " << QFileInfo(entryPath).absolutePath();
        return false;
    }

    QSaveFile file(entryPath);
    if (!file.open(QIODevice::WriteOnly)) {
        QLOG_WARN() << "Unable to write the autostart entry " << entryPath << ": " << file.errorString();
        return false;
    }
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Quorvel\n"
                                         "Exec=%1\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execArgument(executablePath));
    file.write(entry.toUtf8());
    if (!file.commit()) {
        QLOG_WARN() << "Unable to write the autostart entry " << entryPath << ": " << file.errorString();
        return false;
    }
    QLOG_INFO() << "Autostart entry created: " << entryPath;
    return true;
}

bool AutostartEntry::remove()
{
    const QString entryPath = path();
    if (!QFileInfo::exists(entryPath))
        return true;
    QFile file(entryPath);
    if (!file.remove()) {
        QLOG_WARN() << "Unable to remove the autostart entry " << entryPath << ": " << file.errorString();
        return false;
    }
    QLOG_INFO() << "Autostart entry removed: " << entryPath;
    return true;
}
