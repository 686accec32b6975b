#include "data/DatabaseRecovery.h"

#include "common/SettingsFileCheck.h"
#include "data/DataManager.h"
#include "data/PredefinedDataHelper.h"
#include "logging/Log.h"
#include "shell/Settings.h"
#include "sync/SyncHandler.h"

#include <QSet>
#include <QSettings>

DatabaseRecovery::DatabaseRecovery(DataManager* data, const QString& databasePath, QObject* parent)
    : QObject(parent)
    , m_data(data)
    , m_backups(databasePath)
{
    connect(m_data, &DataManager::databaseOpenChanged, this, &DatabaseRecovery::refresh);
    refresh();
}

bool DatabaseRecovery::isNeeded() const
{
    return m_needed;
}

QString DatabaseRecovery::problem() const
{
    return m_problem;
}

bool DatabaseRecovery::canRestore() const
{
    return m_needed && m_newest.isValid();
}

QDateTime DatabaseRecovery::backupTime() const
{
    return canRestore() ? m_newest.written : QDateTime();
}

QString DatabaseRecovery::backupPath() const
{
    return canRestore() ? m_newest.path : QString();
}

bool DatabaseRecovery::fullDownloadFollows() const
{
    return m_signedIn;
}

QString DatabaseRecovery::account() const
{
    return DatabaseBackup::accountLabel(Settings::instance()->clientLogin());
}

void DatabaseRecovery::refresh()
{
    m_needed = !m_data->isDatabaseOpen();
    m_signedIn = m_data->isUserLoggedIn();
    m_problem = m_needed ? m_data->databaseOpenError() : QString();
    // Checking a backup reads it whole, so it is only done when one is wanted.
    m_newest = m_needed ? m_backups.newestGood(account()) : DatabaseBackup::Entry();
    emit stateChanged();
}

bool DatabaseRecovery::restoreBackup()
{
    if (!canRestore()) {
        QLOG_WARN() << "There is no backup to restore, or the database is open.";
        return false;
    }
    QLOG_INFO() << "Restoring the backup written " << m_newest.written.toString(Qt::ISODate)
                << " in place of the database that could not be opened...";
    const bool signedIn = m_data->isUserLoggedIn();
    // A run still going on would save its place in the account over the
    // one that makes the next run start again from the beginning.
    if (signedIn)
        m_data->abortSync();
    return finish(m_data->restoreDatabaseBackup(m_newest.path), signedIn, SyncRestart::SinceTheBeginning);
}

bool DatabaseRecovery::startEmpty()
{
    if (!m_needed) {
        QLOG_WARN() << "The database is open; it is not replaced by an empty one.";
        return false;
    }
    QLOG_INFO() << "Starting with an empty database in place of the one that could not be opened...";
    const bool signedIn = m_data->isUserLoggedIn();
    if (signedIn)
        m_data->abortSync();
    const bool opened = m_data->recreateDatabase();
    // The store queues the same reset to this thread; done here as well, the
    // interface sees the initial list identifiers as soon as this returns.
    if (opened)
        PredefinedDataHelper::instance()->resetBuiltInListIds();
    return finish(opened, signedIn, SyncRestart::FromScratch);
}

bool DatabaseRecovery::finish(bool opened, bool signedIn, SyncRestart restart)
{
    if (!opened) {
        QLOG_ERROR() << "The database could not be recovered; it stays closed.";
        refresh();
        return false;
    }
    dropRemindersOfMissingTasks(restart == SyncRestart::FromScratch);
    if (signedIn) {
        prepareFullDownload(restart);
        QLOG_INFO() << "Downloading the whole account again...";
        m_data->startSync();
    }
    refresh();
    emit recovered();
    return true;
}

void DatabaseRecovery::dropRemindersOfMissingTasks(bool storeIsEmpty)
{
    if (storeIsEmpty) {
        if (m_data->clearScheduledReminders())
            QLOG_INFO() << "The reminders of the former database are removed.";
        return;
    }
    const QStringList withReminders = m_data->taskIdsWithReminders();
    if (withReminders.isEmpty())
        return;
    QSet<QString> present;
    for (const DOTask& task : m_data->getTasksByIds(withReminders))
        present.insert(task.value(QStringLiteral("ID")).toString());
    int removed = 0;
    for (const QString& taskId : withReminders) {
        if (!present.contains(taskId) && m_data->removeAllRemindersById(taskId))
            ++removed;
    }
    if (removed > 0)
        QLOG_INFO() << "The reminders of " << removed << " tasks that are not in the restored database are removed.";
}

void DatabaseRecovery::prepareFullDownload(SyncRestart restart)
{
    // The sync keeps its place in the account in the sync file and reads it
    // at the start of every run. A restored backup keeps the identifiers the
    // server gave the built-in lists, so only the place goes back to the
    // beginning; an empty database has none of them, so the file starts
    // afresh, as after a sign-in.
    bool copied = false;
    const std::unique_ptr<QSettings> file = SettingsFileCheck::open(SyncHandler::syncFilePath(), &copied);
    // Nothing written to a copy would reach the file.
    if (!copied) {
        if (restart == SyncRestart::FromScratch) {
            file->clear();
        } else {
            file->beginGroup(QStringLiteral("Sync"));
            file->setValue(QStringLiteral("LastClientRevision"), 0);
            file->endGroup();
        }
        file->sync();
    }
    if (copied || file->status() != QSettings::NoError)
        QLOG_ERROR() << "Unable to write " << SyncHandler::syncFilePath()
                     << "; the next sync may not download everything again.";
}
