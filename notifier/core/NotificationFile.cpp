#include "core/NotificationFile.h"

#include "common/SettingsFileCheck.h"
#include "core/NotificationKey.h"
#include "logging/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QThread>

namespace {

// A file that cannot be opened is looked at again shortly before it counts
// as missing or unreadable.
constexpr int OpenAttempts = 3;
constexpr int OpenRetryMs = 2;

const char *lockErrorText(QLockFile::LockError error)
{
    switch (error) {
    case QLockFile::NoError:
        return "no error";
    case QLockFile::LockFailedError:
        return "held by another process";
    case QLockFile::PermissionError:
        return "permission denied";
    case QLockFile::UnknownError:
        break;
    }
    return "unknown error";
}

} // namespace

NotificationFile::NotificationFile(const QString &filePath)
    : m_filePath(QFileInfo(filePath).absoluteFilePath())
    , m_scratch(QDir::tempPath() + QStringLiteral("/quorvel-notifier-XXXXXX"))
{
    if (!m_scratch.isValid())
        QLOG_ERROR() << "Unable to create a private folder for reading the notification file: "
                     << m_scratch.errorString();
}

QString NotificationFile::filePath() const
{
    return m_filePath;
}

NotificationFile::Contents NotificationFile::read()
{
    Contents contents;
    QByteArray bytes;
    bool exists = false;
    if (!readBytes(&bytes, &exists))
        return contents;
    if (bytes.isEmpty()) {
        contents.readable = true;
        return contents;
    }
    // Entries that QSettings cannot read safely never reach it; they count
    // as damage, which is kept aside before the file is written again.
    const SettingsFileCheck::Result safe = SettingsFileCheck::check(bytes);
    reportUnsafe(safe.droppedKeys, bytes);
    const QString copyPath = writeCopy(safe.content);
    if (copyPath.isEmpty())
        return contents;
    {
        const QSettings view(copyPath, QSettings::IniFormat);
        contents.readable = true;
        contents.damaged
            = view.status() != QSettings::NoError || hasUnreadableLines(bytes) || !safe.droppedKeys.isEmpty();
        const QStringList keys = view.allKeys();
        for (const QString &key : keys) {
            if (!key.isEmpty())
                contents.entries.insert(key, view.value(key));
        }
    }
    QFile::remove(copyPath);
    return contents;
}

NotificationFile::Removal NotificationFile::remove(const QString &key)
{
    // The same lock QSettings takes around its own writes, so the main
    // program cannot rewrite the file between our read and our write.
    QLockFile lock(m_filePath + QStringLiteral(".lock"));
    if (!lock.tryLock(LockWaitMs)) {
        QLOG_ERROR() << "Unable to lock the notification file to remove " << NotificationKey::forLog(key)
                     << ": " << lockErrorText(lock.error());
        return Removal::Failed;
    }
    QByteArray bytes;
    bool exists = false;
    if (!readBytes(&bytes, &exists))
        return Removal::Failed;
    if (!exists || bytes.isEmpty())
        return Removal::Absent;
    const SettingsFileCheck::Result safe = SettingsFileCheck::check(bytes);
    reportUnsafe(safe.droppedKeys, bytes);
    const QString copyPath = writeCopy(safe.content);
    if (copyPath.isEmpty())
        return Removal::Failed;
    Removal result = removeFromCopy(copyPath, bytes, key, !safe.droppedKeys.isEmpty());
    if (result == Removal::Removed && !replaceWith(copyPath))
        result = Removal::Failed;
    QFile::remove(copyPath);
    return result;
}

NotificationFile::Removal NotificationFile::removeFromCopy(const QString &copyPath, const QByteArray &bytes,
                                                          const QString &key, bool unsafeLeftOut) const
{
    QSettings view(copyPath, QSettings::IniFormat);
    if (!view.contains(key))
        return Removal::Absent;
    const bool damaged = view.status() != QSettings::NoError || hasUnreadableLines(bytes) || unsafeLeftOut;
    if (damaged && !keepAside(bytes))
        return Removal::Failed;
    view.remove(key);
    view.sync();
    // A damaged file keeps reporting a format error; only a failed write counts.
    if (view.status() == QSettings::AccessError) {
        QLOG_ERROR() << "Unable to write the notification file without " << NotificationKey::forLog(key);
        return Removal::Failed;
    }
    return Removal::Removed;
}

void NotificationFile::reportUnsafe(const QStringList &keys, const QByteArray &bytes)
{
    // Once for each content: the file is read at every change.
    const uint hash = keys.isEmpty() ? 0 : qHash(bytes);
    if (hash != 0 && hash != m_reportedUnsafe)
        QLOG_WARN() << "The notification file holds values that cannot be read safely ("
                    << SettingsFileCheck::keysForLog(keys) << "); they are not read.";
    m_reportedUnsafe = hash;
}

bool NotificationFile::hasUnreadableLines(const QByteArray &content)
{
    for (const QByteArray &raw : content.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        const bool section = line.startsWith('[') && line.endsWith(']');
        const bool entry = line.indexOf('=') > 0;
        if (!section && !entry)
            return true;
    }
    return false;
}

bool NotificationFile::readBytes(QByteArray *bytes, bool *exists) const
{
    // Opened straight away rather than checked first: while another process
    // renames a new file over this one, Qt's existence check can report it
    // missing for a moment, and an empty read would take every entry away.
    for (int attempt = 1;; ++attempt) {
        QFile file(m_filePath);
        if (file.open(QIODevice::ReadOnly)) {
            *exists = true;
            *bytes = file.readAll();
            return true;
        }
        if (attempt == OpenAttempts) {
            *exists = QFileInfo::exists(m_filePath);
            if (!*exists)
                return true;
            QLOG_ERROR() << "Unable to read the notification file " << m_filePath << ": " << file.errorString();
            return false;
        }
        QThread::msleep(OpenRetryMs);
    }
}

QString NotificationFile::writeCopy(const QByteArray &bytes)
{
    if (!m_scratch.isValid())
        return QString();
    // A fresh name every time: QSettings keeps its view of a file cached
    // by name, and that view is exactly what must not be reused.
    const QString copyPath = m_scratch.filePath(QStringLiteral("view-%1.ini").arg(++m_copyCount));
    QFile copy(copyPath);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size()) {
        QLOG_ERROR() << "Unable to copy the notification file for reading: " << copy.errorString();
        copy.remove();
        return QString();
    }
    return copyPath;
}

bool NotificationFile::keepAside(const QByteArray &bytes) const
{
    const QString stem = m_filePath + QStringLiteral(".damaged-")
                       + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    QString keptPath = stem;
    for (int attempt = 2; QFileInfo::exists(keptPath); ++attempt)
        keptPath = stem + QLatin1Char('-') + QString::number(attempt);
    QFile kept(keptPath);
    if (!kept.open(QIODevice::WriteOnly | QIODevice::NewOnly) || kept.write(bytes) != bytes.size()) {
        QLOG_ERROR() << "Unable to keep the damaged notification file as " << keptPath << ": "
                     << kept.errorString();
        return false;
    }
    QLOG_WARN() << "The notification file holds lines that cannot be read; its former content is kept as "
                << keptPath;
    return true;
}

bool NotificationFile::replaceWith(const QString &copyPath) const
{
    QFile copy(copyPath);
    if (!copy.open(QIODevice::ReadOnly)) {
        QLOG_ERROR() << "Unable to read the changed notification file: " << copy.errorString();
        return false;
    }
    const QByteArray bytes = copy.readAll();
    // Written beside the file and renamed over it, as QSettings does, so a
    // reader never meets half a file and watchers see a new file.
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        QLOG_ERROR() << "Unable to write the notification file " << m_filePath << ": " << file.errorString();
        return false;
    }
    return true;
}
