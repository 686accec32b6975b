#include "NtfContent.h"

#include "core/NotifierApplication.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>

namespace {

// A name never used before in this process; the folder is made again
// because the sandbox is emptied between cases.
QString freshPath()
{
    static int count = 0;
    const QString dir = QDir::tempPath() + QStringLiteral("/ntf-content");
    QDir().mkpath(dir);
    return dir + QStringLiteral("/content-%1.ini").arg(++count);
}

} // namespace

QString NtfContent::key(const QString &taskId, const QString &kind, const QDateTime &moment)
{
    return taskId + QLatin1Char('_') + kind + QLatin1Char('_') + QString::number(moment.toMSecsSinceEpoch());
}

QVariantMap NtfContent::entry(const QString &taskId, const QDateTime &moment, const QString &kind)
{
    return { { key(taskId, kind, moment), moment } };
}

QByteArray NtfContent::bytes(const QVariantMap &entries)
{
    const QString path = freshPath();
    {
        QSettings settings(path, QSettings::IniFormat);
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            settings.setValue(it.key(), it.value());
    }
    const QByteArray content = readBytes(path);
    QFile::remove(path);
    return content;
}

void NtfContent::write(const QString &path, const QVariantMap &entries)
{
    writeBytes(path, bytes(entries));
}

void NtfContent::writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
        file.commit();
    }
}

QVariantMap NtfContent::read(const QString &path)
{
    const QString copy = freshPath();
    if (!QFile::copy(path, copy))
        return {};
    QVariantMap entries;
    {
        const QSettings settings(copy, QSettings::IniFormat);
        for (const QString &key : settings.allKeys())
            entries.insert(key, settings.value(key));
    }
    QFile::remove(copy);
    return entries;
}

QByteArray NtfContent::readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString NtfContent::filePath()
{
    return NotifierApplication::notificationFilePath();
}

QString NtfContent::logPath()
{
    return NotifierApplication::logFilePath();
}
