#include "common/WatchedFile.h"

#include <QDir>

#include <sys/stat.h>

bool WatchedFile::Signature::operator==(const Signature &other) const
{
    return inode == other.inode && size == other.size && modifiedNs == other.modifiedNs
           && exists == other.exists;
}

WatchedFile::WatchedFile(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_filePath(QFileInfo(filePath).absoluteFilePath())
{
    const QString folder = QFileInfo(m_filePath).absolutePath();
    QDir().mkpath(folder);
    m_watcher.addPath(folder);
    rewatchFile();
    m_lastSeen = readSignature();
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &WatchedFile::onFileChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &WatchedFile::onDirectoryChanged);
}

QString WatchedFile::filePath() const
{
    return m_filePath;
}

void WatchedFile::rememberCurrentState()
{
    m_lastSeen = readSignature();
}

void WatchedFile::onFileChanged(const QString &)
{
    // A change of the watched inode itself is always news, even when size and
    // time stamp happen to match (same-size rewrite within one clock tick).
    rewatchFile();
    reportIfMoved(true);
}

void WatchedFile::onDirectoryChanged(const QString &)
{
    rewatchFile();
    reportIfMoved(false);
}

WatchedFile::Signature WatchedFile::readSignature() const
{
    Signature signature;
    struct stat info;
    if (::stat(QFile::encodeName(m_filePath).constData(), &info) != 0)
        return signature;
    signature.exists = true;
    signature.inode = static_cast<quint64>(info.st_ino);
    signature.size = static_cast<qint64>(info.st_size);
#if defined(__APPLE__)
    signature.modifiedNs = qint64(info.st_mtimespec.tv_sec) * 1000000000 + info.st_mtimespec.tv_nsec;
#elif defined(_WIN32)
    signature.modifiedNs = qint64(info.st_mtime) * 1000000000;
#else
    signature.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
#endif
    return signature;
}

void WatchedFile::rewatchFile()
{
    // After a rename-over the old path entry is gone from the watcher (or
    // points at the dead inode); removing and adding binds it to the new one.
    if (m_watcher.files().contains(m_filePath))
        m_watcher.removePath(m_filePath);
    if (QFileInfo::exists(m_filePath))
        m_watcher.addPath(m_filePath);
}

void WatchedFile::reportIfMoved(bool force)
{
    const Signature now = readSignature();
    if (!force && now == m_lastSeen)
        return;
    m_lastSeen = now;
    emit changed();
}
