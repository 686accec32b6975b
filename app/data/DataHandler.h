#pragma once

#include "data/IndicatorState.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class DatabaseHandler;
class NotificationManager;
class RemindersSyncManager;
class RepeatedTaskHelper;
class SortingManager;
class SyncManager;

// Root of everything that runs on the data worker thread. It creates the
// worker-side objects there, so that they (and the database connection)
// belong to that thread, and the data manager reaches them only by queued
// calls.
class DataHandler : public QObject
{
    Q_OBJECT

public:
    // A store of its own instead of the program's, for tests: its database
    // file, a connection name no other store uses, and the file of its
    // repeated-task reminders. With an empty databasePath the handler takes
    // the program's store and repetition helper.
    struct StoreFiles
    {
        QString databasePath;
        QString connectionName;
        QString repeatedRemindersPath;
        // The sorting settings file; empty: the program's "sorting.dat".
        QString sortingPath;
        // The notification file; empty: "ntf.dat" in the application data folder.
        QString notificationsPath;
        // The reminders sync state; empty: the program's "reminders.dat".
        QString remindersPath;
    };

    explicit DataHandler(QObject* parent = nullptr);
    explicit DataHandler(const StoreFiles& files, QObject* parent = nullptr);
    ~DataHandler() override;

    // Creates the worker objects on the calling (worker) thread and opens the
    // database. A failed open leaves a closed store whose calls all fail.
    Q_INVOKABLE void initialize();
    // Closes the database before the worker thread ends.
    Q_INVOKABLE void shutdown();

    // Null until initialize() ran. Worker objects: call them from another
    // thread only through queued invocations.
    DatabaseHandler* store() const;
    RepeatedTaskHelper* repetition() const;
    NotificationManager* notifications() const;
    SortingManager* sorting() const;
    RemindersSyncManager* remindersSync() const;
    SyncManager* syncManager() const;

    // Works out the calendar flags of the day of dateTime and answers with
    // indicatorStateForDateChanged for that same dateTime. Queued, not
    // blocking: the calendar asks for many days at once and paints each as
    // its answer arrives.
    Q_INVOKABLE void requestIndicatorStateForDate(const QDateTime& dateTime);

    // Drops the sorting settings of lists that are gone: projects, folders
    // and contexts that no longer exist or are not active, and day plans of
    // past days. The built-in and root lists always stay.
    Q_INVOKABLE void cleanSortedLists();

    // Why the store is not open, as a sentence; '' while it is open.
    Q_INVOKABLE QString databaseOpenError() const;

signals:
    void indicatorStateForDateChanged(QDateTime dateTime, IndicatorState state);
    // A task that needs the store was refused because it is not open.
    void storeUnavailable(QString task);

private:
    StoreFiles m_files;
    DatabaseHandler* m_store = nullptr;
    RepeatedTaskHelper* m_repetition = nullptr;
    NotificationManager* m_notifications = nullptr;
    SortingManager* m_sorting = nullptr;
    RemindersSyncManager* m_remindersSync = nullptr;
    SyncManager* m_sync = nullptr;

    // After the sign-out wipe: what else held the signed-out user's data.
    void clearUserData();
};
