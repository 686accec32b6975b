#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

// The notification file as the notifier reads and changes it; the main
// program writes the same file through QSettings.
//
// A QSettings handle re-reads its file only when the size or the time stamp
// (in milliseconds) moved, and every handle of the process on that file
// shares one cached view. File systems stamp files with a coarse clock, so
// two rewrites of equal size within one tick look alike: the handle then
// answers from an old view and, when it writes, merges its change into that
// old view - dropping an entry the other program added or bringing back one
// it removed. Here every read parses a private copy of the bytes as they are
// on disk, under a name that is used once, and every change is made under
// QSettings' own lock file ("<file>.lock") on a copy taken after the lock was
// granted, then written back atomically. The format stays QSettings' own.
class NotificationFile
{
public:
    struct Contents {
        // False when the file exists but could not be read: nothing is known.
        bool readable = false;
        // The file holds lines the settings format skips.
        bool damaged = false;
        QVariantMap entries;
    };

    enum class Removal { Removed, Absent, Failed };

    // How long a change waits for another writer's lock before giving up.
    static constexpr int LockWaitMs = 10000;

    explicit NotificationFile(const QString &filePath);

    QString filePath() const;

    // Every entry of the file as it is on disk now. A missing file reads as
    // an empty one.
    Contents read();

    // Removes one entry and leaves every other entry as the file holds it at
    // this moment. Lines the settings format cannot read would be lost by the
    // rewrite, so the former content is first kept beside the file.
    Removal remove(const QString &key);

    // Whether the text holds lines other than blank ones, comments, sections
    // and "key=value" lines; QSettings skips those and drops them when it
    // writes the file again.
    static bool hasUnreadableLines(const QByteArray &content);

private:
    bool readBytes(QByteArray *bytes, bool *exists) const;
    QString writeCopy(const QByteArray &bytes);
    bool keepAside(const QByteArray &bytes) const;
    bool replaceWith(const QString &copyPath) const;
    Removal removeFromCopy(const QString &copyPath, const QByteArray &bytes, const QString &key,
                           bool unsafeLeftOut) const;
    void reportUnsafe(const QStringList &keys, const QByteArray &bytes);

    QString m_filePath;
    QTemporaryDir m_scratch;
    quint64 m_copyCount = 0;
    uint m_reportedUnsafe = 0;
};
