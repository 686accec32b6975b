#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

// Rolling copies of one database file, kept in the folder "backups" beside
// it. A copy is made with SQLite's online backup API, so it is a consistent
// picture of what was committed even while the program has the database
// open, and it only counts once it has passed an integrity check: until then
// it lies under a temporary name that no one restores from. The newest
// KeptCount copies are kept; each is readable by its owner only.
//
// Every copy is labelled with the account it was written under (a digest of
// the login, or "local" when nobody was signed in), because a copy of one
// account's tasks must never be restored into another's.
//
// The class touches only files and connections of its own, never the
// program's connection, so it may be used from any thread.
class DatabaseBackup
{
public:
    enum class Reason { Daily, SchemaChange, Recreation };
    enum class Check { Quick, Full };

    static constexpr int KeptCount = 7;

    struct Entry
    {
        QString path;
        QDateTime written;
        Reason reason = Reason::Daily;
        QString account;

        bool isValid() const { return !path.isEmpty(); }
    };

    explicit DatabaseBackup(const QString& databasePath);

    QString databasePath() const;
    QString folder() const;

    // The label of the account a login belongs to; "local" for no login.
    static QString accountLabel(const QString& login);

    // Copies the database, checks the copy fully and keeps it. Returns the
    // path of the new backup, or an empty text when it could not be made
    // (logged; nothing half-made stays behind).
    QString write(
        Reason reason, const QString& account, const QDateTime& now = QDateTime::currentDateTime()) const;
    // The same, but only the copy is made now; the check (which reads every
    // page and can take a second on a large database) runs on a thread of
    // the global pool, which then keeps or drops the copy and calls done
    // with the path or an empty text. False when the copy could not be made;
    // done is then not called.
    bool writeCheckingLater(Reason reason, const QString& account, const QDateTime& now,
        std::function<void(const QString&)> done) const;

    // Whether the newest backup already holds what the database holds: it
    // was written after the database file last changed.
    bool isUpToDate() const;
    // A daily backup is due when none was written on that day and the
    // database changed since the newest one.
    bool isDailyDue(const QDate& today) const;

    // Every kept backup of this database, newest first.
    QList<Entry> entries() const;
    // The newest backup of that account that passes a check now; an invalid
    // entry when there is none. Backups that fail are logged and left alone.
    Entry newestGood(const QString& account) const;

    // Opens path read-only on a connection of its own and checks it; false
    // with a plain description in problem when it is not a sound Quorvel
    // database.
    static bool check(const QString& path, Check depth, QString* problem);
    // Copies the database at source to target (which must not exist) with
    // the online backup API; target is readable by its owner only.
    static bool copy(const QString& source, const QString& target, QString* error);

private:
    QString newBackupPath(Reason reason, const QString& account, const QDateTime& now) const;
    QString copyToPart(Reason reason, const QString& account, const QDateTime& now) const;
    QString keep(const QString& partPath) const;
    void prune() const;

    QString m_databasePath;
};
