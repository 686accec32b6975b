#pragma once

#include "data/DatabaseBackup.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class DataManager;

// What the window offers when the database could not be opened: to restore
// the newest sound backup of the account now signed in (or of no account),
// or to start again with an empty database. Either way the file that would
// not open is kept aside under another name, never deleted.
//
// A signed-in user's restored or empty database lacks what the server got
// since the backup (or everything); the next sync therefore downloads the
// whole account again, and it is started at once.
class DatabaseRecovery : public QObject
{
    Q_OBJECT
    // The store is closed and one of the choices below can open it again.
    Q_PROPERTY(bool needed READ isNeeded NOTIFY stateChanged)
    // Why the store is not open, in one plain sentence.
    Q_PROPERTY(QString problem READ problem NOTIFY stateChanged)
    Q_PROPERTY(bool canRestore READ canRestore NOTIFY stateChanged)
    // When the backup that restoreBackup() would restore was written.
    Q_PROPERTY(QDateTime backupTime READ backupTime NOTIFY stateChanged)
    Q_PROPERTY(bool fullDownloadFollows READ fullDownloadFollows NOTIFY stateChanged)

public:
    // databasePath: the store's file, beside which its backups lie.
    DatabaseRecovery(DataManager* data, const QString& databasePath, QObject* parent = nullptr);

    bool isNeeded() const;
    QString problem() const;
    bool canRestore() const;
    QDateTime backupTime() const;
    QString backupPath() const;
    bool fullDownloadFollows() const;

    // Reads the store's state again and, when it is closed, looks for the
    // newest backup that passes a check.
    Q_INVOKABLE void refresh();
    // Each returns whether the store is open afterwards; on failure nothing
    // else changed and the choice can be made again.
    Q_INVOKABLE bool restoreBackup();
    Q_INVOKABLE bool startEmpty();

signals:
    void stateChanged();
    // The store is open again, on the restored or the new database: the
    // pages should read their lists again.
    void recovered();

private:
    enum class SyncRestart { SinceTheBeginning, FromScratch };
    // Makes the next sync download the whole account.
    static void prepareFullDownload(SyncRestart restart);
    bool finish(bool opened, bool signedIn, SyncRestart restart);
    // Scheduled reminders belong to the tasks of the database they were set
    // in: those of tasks the store no longer has would fire for nothing.
    void dropRemindersOfMissingTasks(bool storeIsEmpty);
    QString account() const;

    DataManager* m_data;
    DatabaseBackup m_backups;
    bool m_needed = false;
    bool m_signedIn = false;
    QString m_problem;
    DatabaseBackup::Entry m_newest;
};
