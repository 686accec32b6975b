#include "data/DatabaseBackup.h"

#include "logging/Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QRunnable>
#include <QSet>
#include <QStringList>
#include <QThreadPool>

#include <sqlite3.h>

#include <algorithm>

namespace {

const QString PartSuffix = QStringLiteral(".part");
const QString TimeFormat = QStringLiteral("yyyyMMdd-hhmmsszzz");

// Copies are kept and pruned by any thread (the data worker, a pool thread
// finishing a check); the folder is changed under this lock only.
QMutex& folderLock()
{
    static QMutex lock;
    return lock;
}

// Copies still being written or checked, which pruning must leave alone.
QSet<QString>& partsInFlight()
{
    static QSet<QString> parts;
    return parts;
}

QString reasonName(DatabaseBackup::Reason reason)
{
    switch (reason) {
    case DatabaseBackup::Reason::Daily:
        return QStringLiteral("daily");
    case DatabaseBackup::Reason::SchemaChange:
        return QStringLiteral("schema");
    case DatabaseBackup::Reason::Recreation:
        return QStringLiteral("recreate");
    }
    return QStringLiteral("daily");
}

DatabaseBackup::Reason reasonOf(const QString& name)
{
    if (name == QLatin1String("schema"))
        return DatabaseBackup::Reason::SchemaChange;
    if (name == QLatin1String("recreate"))
        return DatabaseBackup::Reason::Recreation;
    return DatabaseBackup::Reason::Daily;
}

const QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

void removeWithJournal(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

QString sqliteText(sqlite3* db, int code)
{
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
    return message.isEmpty() || message == QLatin1String("not an error")
        ? QString::fromUtf8(sqlite3_errstr(code))
        : message;
}

// Rows of the first column of one statement; false (and the error) when it fails.
bool firstColumn(sqlite3* db, const char* sql, QStringList* rows, QString* error)
{
    sqlite3_stmt* statement = nullptr;
    int code = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (code != SQLITE_OK) {
        *error = sqliteText(db, code);
        return false;
    }
    while ((code = sqlite3_step(statement)) == SQLITE_ROW)
        rows->append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
    sqlite3_finalize(statement);
    if (code != SQLITE_DONE) {
        *error = sqliteText(db, code);
        return false;
    }
    return true;
}

} // namespace

DatabaseBackup::DatabaseBackup(const QString& databasePath)
    : m_databasePath(databasePath)
{
}

QString DatabaseBackup::databasePath() const
{
    return m_databasePath;
}

QString DatabaseBackup::folder() const
{
    return QFileInfo(m_databasePath).absolutePath() + QStringLiteral("/backups");
}

QString DatabaseBackup::accountLabel(const QString& login)
{
    const QString normalised = login.trimmed().toLower();
    if (normalised.isEmpty())
        return QStringLiteral("local");
    // A digest, so that the login itself is not written into file names.
    return QString::fromLatin1(
        QCryptographicHash::hash(normalised.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
}

QString DatabaseBackup::write(Reason reason, const QString& account, const QDateTime& now) const
{
    const QString part = copyToPart(reason, account, now);
    if (part.isEmpty())
        return QString();
    QString problem;
    if (!check(part, Check::Full, &problem)) {
        QLOG_ERROR() << "The backup copy " << part << " failed its check, so it is not kept: " << problem;
        QMutexLocker locker(&folderLock());
        removeWithJournal(part);
        partsInFlight().remove(part);
        return QString();
    }
    return keep(part);
}

bool DatabaseBackup::writeCheckingLater(Reason reason, const QString& account, const QDateTime& now,
    std::function<void(const QString&)> done) const
{
    const QString part = copyToPart(reason, account, now);
    if (part.isEmpty())
        return false;
    const DatabaseBackup backup(*this);
    QThreadPool::globalInstance()->start(QRunnable::create([backup, part, done] {
        QString problem;
        QString kept;
        if (check(part, Check::Full, &problem)) {
            kept = backup.keep(part);
        } else {
            QLOG_ERROR() << "The backup copy " << part << " failed its check, so it is not kept: " << problem;
            QMutexLocker locker(&folderLock());
            removeWithJournal(part);
            partsInFlight().remove(part);
        }
        if (done)
            done(kept);
    }));
    return true;
}

QString DatabaseBackup::newBackupPath(Reason reason, const QString& account, const QDateTime& now) const
{
    const QString stem
        = folder() + QLatin1Char('/') + QFileInfo(m_databasePath).completeBaseName() + QLatin1Char('-');
    QDateTime stamp = now;
    QString path;
    // Two copies within one millisecond must not share a name.
    do {
        path = stem + stamp.toString(TimeFormat) + QLatin1Char('-') + reasonName(reason) + QLatin1Char('-')
            + account + QStringLiteral(".db");
        stamp = stamp.addMSecs(1);
    } while (QFileInfo::exists(path) || QFileInfo::exists(path + PartSuffix));
    return path;
}

QString DatabaseBackup::copyToPart(Reason reason, const QString& account, const QDateTime& now) const
{
    if (!QDir().mkpath(folder())) {
        QLOG_ERROR() << "Unable to create the backup folder " << folder();
        return QString();
    }
    QFile::setPermissions(folder(), OwnerOnly | QFileDevice::ExeOwner);

    QString part;
    {
        QMutexLocker locker(&folderLock());
        part = newBackupPath(reason, account, now) + PartSuffix;
        partsInFlight().insert(part);
    }
    QLOG_INFO() << "Backing up the database (" << reasonName(reason) << ") to " << part << "...";
    QString error;
    if (!copy(m_databasePath, part, &error)) {
        QLOG_ERROR() << "Unable to back up the database " << m_databasePath << ": " << error;
        QMutexLocker locker(&folderLock());
        partsInFlight().remove(part);
        return QString();
    }
    return part;
}

QString DatabaseBackup::keep(const QString& partPath) const
{
    QMutexLocker locker(&folderLock());
    partsInFlight().remove(partPath);
    const QString path = partPath.left(partPath.size() - PartSuffix.size());
    if (!QFile::rename(partPath, path)) {
        QLOG_ERROR() << "Unable to keep the backup " << path << "; the checked copy is removed.";
        removeWithJournal(partPath);
        return QString();
    }
    QFile::setPermissions(path, OwnerOnly);
    QLOG_INFO() << "The database was backed up to " << path;
    prune();
    return path;
}

void DatabaseBackup::prune() const
{
    const QList<Entry> kept = entries();
    for (int i = KeptCount; i < kept.size(); ++i) {
        QLOG_INFO() << "Removing the old backup " << kept.at(i).path;
        removeWithJournal(kept.at(i).path);
    }
    // Copies left by a run that ended while writing or checking them.
    const QDir dir(folder());
    const QString base = QFileInfo(m_databasePath).completeBaseName();
    for (const QString& name : dir.entryList({ base + QStringLiteral("-*.db") + PartSuffix }, QDir::Files)) {
        const QString path = dir.filePath(name);
        if (!partsInFlight().contains(path))
            removeWithJournal(path);
    }
}

QList<DatabaseBackup::Entry> DatabaseBackup::entries() const
{
    const QString base = QFileInfo(m_databasePath).completeBaseName();
    static const QString Pattern
        = QStringLiteral("^%1-(\\d{8}-\\d{9})-(daily|schema|recreate)-([0-9a-z]+)\\.db$");
    const QRegularExpression name(Pattern.arg(QRegularExpression::escape(base)));
    const QDir dir(folder());
    QList<Entry> found;
    for (const QString& fileName : dir.entryList({ base + QStringLiteral("-*.db") }, QDir::Files)) {
        const QRegularExpressionMatch match = name.match(fileName);
        if (!match.hasMatch())
            continue;
        Entry entry;
        entry.path = dir.filePath(fileName);
        entry.written = QDateTime::fromString(match.captured(1), TimeFormat);
        entry.reason = reasonOf(match.captured(2));
        entry.account = match.captured(3);
        if (entry.written.isValid())
            found.append(entry);
    }
    std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
        return a.written != b.written ? a.written > b.written : a.path > b.path;
    });
    return found;
}

DatabaseBackup::Entry DatabaseBackup::newestGood(const QString& account) const
{
    for (const Entry& entry : entries()) {
        if (entry.account != account)
            continue;
        QString problem;
        if (check(entry.path, Check::Quick, &problem))
            return entry;
        QLOG_WARN() << "The backup " << entry.path << " cannot be restored: " << problem;
    }
    return Entry();
}

bool DatabaseBackup::isUpToDate() const
{
    const QList<Entry> kept = entries();
    if (kept.isEmpty())
        return false;
    return QFileInfo(kept.first().path).lastModified() >= QFileInfo(m_databasePath).lastModified();
}

bool DatabaseBackup::isDailyDue(const QDate& today) const
{
    const QList<Entry> kept = entries();
    if (kept.isEmpty())
        return true;
    if (kept.first().written.date() >= today)
        return false;
    return !isUpToDate();
}

bool DatabaseBackup::check(const QString& path, Check depth, QString* problem)
{
    if (!QFileInfo(path).isFile()) {
        *problem = QStringLiteral("there is no file");
        return false;
    }
    sqlite3* db = nullptr;
    const int opened
        = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (opened != SQLITE_OK) {
        *problem = sqliteText(db, opened);
        sqlite3_close(db);
        return false;
    }
    QStringList rows;
    QString error;
    bool sound = firstColumn(
        db, depth == Check::Full ? "PRAGMA integrity_check(5)" : "PRAGMA quick_check(5)", &rows, &error);
    if (!sound) {
        *problem = error;
    } else if (rows != QStringList { QStringLiteral("ok") }) {
        *problem = QStringLiteral("it is damaged: ") + rows.join(QStringLiteral("; "));
        sound = false;
    } else {
        rows.clear();
        sound = firstColumn(db,
            "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('task', 'project', "
            "'context')",
            &rows, &error);
        if (!sound)
            *problem = error;
        else if (rows.value(0) != QLatin1String("3")) {
            *problem = QStringLiteral("it is not a Quorvel database");
            sound = false;
        }
    }
    sqlite3_close(db);
    return sound;
}

bool DatabaseBackup::copy(const QString& source, const QString& target, QString* error)
{
    if (!QFileInfo(source).isFile()) {
        *error = QStringLiteral("there is no database file at ") + source;
        return false;
    }
    // The target is made empty and owner-only before a single page goes
    // in, so that the tasks are never readable by others, not even halfway.
    {
        QFile file(target);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || !file.setPermissions(OwnerOnly)) {
            *error = file.errorString();
            return false;
        }
    }

    sqlite3* from = nullptr;
    sqlite3* to = nullptr;
    int code = sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READONLY, nullptr);
    if (code == SQLITE_OK)
        code = sqlite3_open_v2(QFile::encodeName(target).constData(), &to, SQLITE_OPEN_READWRITE, nullptr);
    if (code != SQLITE_OK) {
        *error = sqliteText(to ? to : from, code);
    } else if (sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main")) {
        // One step copies every page; a writer on another connection that
        // holds the file a moment longer is waited for, a little.
        sqlite3_busy_timeout(from, 2000);
        int busy = 0;
        do {
            code = sqlite3_backup_step(backup, -1);
            if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
                if (++busy > 40)
                    break;
                sqlite3_sleep(50);
            }
        } while (code == SQLITE_OK || code == SQLITE_BUSY || code == SQLITE_LOCKED);
        sqlite3_backup_finish(backup);
        if (code != SQLITE_DONE)
            *error = sqliteText(to, code);
    } else {
        code = sqlite3_errcode(to);
        *error = sqliteText(to, code);
    }
    sqlite3_close(from);
    sqlite3_close(to);
    if (code != SQLITE_DONE) {
        removeWithJournal(target);
        return false;
    }
    return true;
}
