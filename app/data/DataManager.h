#pragma once

#include "data/DataHandler.h"
#include "data/DataObject.h"
#include "data/IndicatorState.h"
#include "data/TreeHierarchy.h"
#include "models/SortingNamespace.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QVariantList>

#include <functional>

class BaseSyncManager;
class QThread;
class QTimer;

// The interface thread's single door to the data worker: it owns the worker
// thread, creates the worker root there and forwards requests to the worker
// objects with blocking queued calls, so results are ready when a call returns.
//
// A call that cannot be made (the worker has stopped, the store is missing, a
// by-name call does not match) returns the default result: false, 0, an empty
// record or list. With a database that failed to open every store call fails
// that way and isDataPrepared() is false. A call made on the worker thread
// itself runs at once instead of waiting for its own event loop.
//
// It also schedules background work: a silent sync 10 s after the last local
// change of a burst, and one at every local midnight.
class DataManager : public QObject
{
    Q_OBJECT
    // Read from the sync manager on the worker by blocking calls.
    Q_PROPERTY(bool isUserLoggedIn READ isUserLoggedIn NOTIFY userLoggedInChanged)
    Q_PROPERTY(bool isSyncActive READ isSyncActive NOTIFY syncActiveChanged)
    Q_PROPERTY(bool isAccountOperationActive READ isAccountOperationActive NOTIFY accountOperationActiveChanged)
    Q_PROPERTY(QDateTime lastSyncDateTime READ lastSyncDateTime NOTIFY lastSyncDateTimeChanged)
    // Whether the store is open, and if not, why (empty while it is open).
    Q_PROPERTY(bool databaseOpen READ isDatabaseOpen NOTIFY databaseOpenChanged)
    Q_PROPERTY(QString databaseOpenError READ databaseOpenError NOTIFY databaseOpenChanged)

public:
    struct Options
    {
        // Empty databasePath: the program's store.
        DataHandler::StoreFiles store;
        // Milliseconds from the last local change to the silent sync.
        int syncDelay = 10000;
        // The local time now; the system clock when unset.
        std::function<QDateTime()> clock;
    };

    static DataManager* instance();

    // The program uses instance(); tests build managers over stores of their own.
    explicit DataManager(const Options& options, QObject* parent = nullptr);
    ~DataManager() override;

    // True when the database opened at start.
    Q_INVOKABLE bool isDataPrepared();
    // The same, under the name the recovery interface uses, and the reason
    // it is not open: a sentence for the log and the user, '' when open.
    Q_INVOKABLE bool isDatabaseOpen();
    Q_INVOKABLE QString databaseOpenError();

    // Closes the store and ends the worker thread. Runs when the application
    // is about to quit; safe to call more than once. Later calls return
    // their defaults.
    void stopWorker();

    QThread* workerThread() const;
    // The worker root; its objects may only be reached by queued calls.
    DataHandler* workerRoot() const;

    // --- Transactions around local writes (the handlers commit or undo).
    bool commitChanges();
    bool rollbackChanges();
    QString lastCreatedObjectId();
    QList<DataObject> lastUpdatedObjects();
    // Replaces the database with an empty one; whether the new one is open.
    bool recreateDatabase();
    // Puts a backup in place of a database that could not be opened;
    // whether the restored one is open.
    bool restoreDatabaseBackup(const QString& backupPath);

    // --- Creates, updates and restores.
    bool createTaskLocally(const DOTask& task);
    bool createTaskRemotely(const QVariantMap& task);
    bool createProjectLocally(const DataObject& project);
    bool createProjectRemotely(const QVariantMap& project);
    bool createContextLocally(const DOContext& context);
    bool createContextRemotely(const QVariantMap& context);
    bool updateTaskLocally(const DOTask& task);
    bool updateTaskRemotely(const QVariantMap& task);
    bool updateProjectLocally(const DataObject& project);
    bool updateProjectRemotely(const QVariantMap& project);
    bool updateContextLocally(const DOContext& context);
    bool updateContextRemotely(const QVariantMap& context);
    bool restoreTask(const DOTask& task);
    bool restoreProject(const DOProject& project);
    bool restoreFolder(const DOFolder& folder);
    bool restoreContext(const DOContext& context);
    bool updateTaskParents(const QString& oldId, const QString& newId);
    bool updatePredefinedFolder(const QString& oldId, const QString& newId);
    bool updatePredefinedContext(const QString& oldId, const QString& newId, bool isDeleted);

    // --- Reads.
    DOTask getTaskById(const QString& id);
    QList<DOTask> getTasksByIds(const QStringList& ids);
    DataObject getProjectById(const QString& id);
    DOContext getContextById(const QString& id);
    QList<DOTask> getProjectTasks(const QString& projectId);
    QList<DOTask> getContextTasks(const QString& contextId);
    QList<DOTask> getNoContextTasks();
    QList<DOTask> getActiveRepeatedTasks();
    QList<DOProject> getContextProjects(const QString& contextId);
    QList<DOProject> getAllActiveProjects();
    QList<DOFolder> getAllFolders();
    QList<DOContext> getAllContexts();
    QList<DataObject> getNestedObjects(const QString& folderId);
    QList<DOContext> getNestedContexts(const QString& contextId);
    QList<DataObject> getContextChildren(const QString& contextId);
    QList<DataObject> getRootProjects();
    QList<DOContext> getRootContexts();
    TreeHierarchy getProjectTree();
    TreeHierarchy getContextTree();
    QList<DataObject> getSubprojectsRecursive(const QString& folderId);
    QList<DOContext> getSubcontextsRecursive(const QString& contextId);
    QStringList getProjectNameChain(const QString& id);
    QStringList getContextNameChain(const QString& id);
    QList<DataObject> getAllObjects();

    // --- The trash.
    QList<DOTask> getDeletedTasks();
    bool hasDeletedTasks();
    QList<DOTask> getDeletedProjectTasks(const QString& projectId);
    QList<DOProject> getDeletedProjects();
    bool hasDeletedProjects();
    QList<DOFolder> getDeletedFolders();
    bool hasDeletedFolders();
    QList<DOContext> getDeletedContexts();
    bool hasDeletedContexts();
    QList<DOFolder> getDeletedSubfolders(const QString& folderId);
    QList<DOProject> getDeletedSubprojects(const QString& folderId);
    QList<DOContext> getDeletedSubcontexts(const QString& contextId);

    // --- Counts and checks.
    int getProjectTaskCount(const QString& projectId);
    int getContextTaskCount(const QString& contextId);
    int getContextProjectCount(const QString& contextId);
    int getContextTaskCountRecursive(const QString& contextId);
    int getContextProjectCountRecursive(const QString& contextId);
    int getNestedContextCount(const QString& contextId, bool includeAllStates = false);
    int getNestedFolderCount(const QString& folderId, bool includeDeleted = false);
    int getNestedProjectCount(const QString& folderId, bool includeDeleted = false);
    bool projectHasTasks(const DOProject& project);
    bool projectHasActiveTasks(const DOProject& project);
    bool folderHasActiveObjects(const DOFolder& folder);
    bool contextHasActiveObjects(const DOContext& context);

    // --- Calendar export bookkeeping.
    QList<DOTask> getCalendarTasksToCreate();
    QList<DOTask> getCalendarTasksToUpdate();
    QStringList getCalendarTasksToDelete();
    QStringList getCalendarTaskIds();
    bool handleCalendarTaskCreated(const QString& taskId);
    bool handleCalendarTaskUpdated(const QString& taskId);
    bool markCalendarTasksToUpdate();
    bool clearCalendarInfoTable();

    // --- The daily plan.
    QList<DOTask> getDayTasks(const QDate& date);
    int getActiveDayTaskCount(const QDateTime& dateTime);
    int getOverdueDayTaskCount(const QDateTime& dateTime);
    int getProjectOverdueTaskCount(const QString& projectId);
    bool hasActiveObjects(const QDateTime& dateTime);
    bool hasOverdueTasks(const QDateTime& dateTime);
    // Answered by indicatorStateForDateChanged with the same dateTime.
    void requestIndicatorStateForDate(const QDateTime& dateTime);

    // --- Repeated tasks and their reminders (type: a reminder type number).
    QList<DOTask> getRepeatedDayTasks(const QDate& date);
    int getRepeatedDayTaskCount(const QDate& date);
    bool hasRepeatedTasks(const QDate& date);
    Q_INVOKABLE void setStartRepeatedReminder(const QString& taskId, int type);
    Q_INVOKABLE bool hasStartRepeatedReminder(const QString& taskId, int type);
    Q_INVOKABLE QVariantList getStartRepeatedReminders(const QString& taskId);
    Q_INVOKABLE void setDueRepeatedReminder(const QString& taskId, int type);
    Q_INVOKABLE bool hasDueRepeatedReminder(const QString& taskId, int type);
    Q_INVOKABLE QVariantList getDueRepeatedReminders(const QString& taskId);
    Q_INVOKABLE bool removeAllRepeatedReminders(const QString& taskId);

    // --- Scheduled reminders (the notification file). taskInfo: "ID",
    // optional "NAME", and "STARTDATE" or "DUEDATE"; type: a
    // NotificationManager::NotificationType number. Changes return whether
    // the file holds the asked-for state afterwards.
    Q_INVOKABLE bool scheduleReminder(const QVariantMap& taskInfo, int type);
    Q_INVOKABLE bool snoozeReminder(const QVariantMap& taskInfo);
    Q_INVOKABLE bool rescheduleReminders(const QVariantMap& oldTask, const QVariantMap& newTask);
    Q_INVOKABLE bool removeScheduledReminder(const QVariantMap& taskInfo, int type);
    Q_INVOKABLE bool removeAllRemindersById(const QString& taskId);
    Q_INVOKABLE bool hasScheduledReminder(const QVariantMap& taskInfo, int type);
    Q_INVOKABLE bool hasScheduledReminders(const QString& taskId);
    Q_INVOKABLE int getReminderCount();
    // The tasks that have scheduled reminders, and the removal of them all.
    Q_INVOKABLE QStringList taskIdsWithReminders();
    bool clearScheduledReminders();

    // --- Sorting settings of the lists (the sorting manager on the worker).
    Q_INVOKABLE void setSortedList(const QString& listId, SortingNamespace::ListType listType,
        SortingNamespace::SortingType sortingType, bool groupByDate);
    Q_INVOKABLE void deleteSortedList(const QString& listId, SortingNamespace::ListType listType);
    Q_INVOKABLE bool hasSortedListInfo(const QString& listId, SortingNamespace::ListType listType);
    Q_INVOKABLE SortingNamespace::SortingType getSortingType(
        const QString& listId, SortingNamespace::ListType listType);
    Q_INVOKABLE bool getGroupByDateParam(const QString& listId, SortingNamespace::ListType listType);
    SortedListInfo getSortedListInfo(const QString& listId, SortingNamespace::ListType listType);
    void setManualSortedList(
        const QString& listId, SortingNamespace::ListType listType, const OrderHash& orderHash);
    // Drops the sorting settings of lists that are gone, 3 s after the last
    // of a burst of calls.
    Q_INVOKABLE void cleanSortedLists();
    bool isSortCleanUpScheduled() const;

    // --- Account and sync (the sync manager on the worker). The account
    // operations wait for the server's answer; their outcome arrives as
    // signals.
    Q_INVOKABLE void registerUser(const QString& login, const QString& password);
    Q_INVOKABLE void checkLogin(const QString& login, const QString& password);
    Q_INVOKABLE void resetPassword(const QString& login);
    Q_INVOKABLE void changePassword(const QString& oldPassword, const QString& newPassword);
    // Wipes the local data of the signed-in user; the reminders and the
    // sorting settings go with it. True when the user is signed out.
    Q_INVOKABLE bool logout();
    // Queued: they return at once, the run goes on in the worker.
    Q_INVOKABLE void startSync();
    Q_INVOKABLE void startSyncSilent();
    Q_INVOKABLE void abortSync();
    // A side channel outside the worker (favorites, project icons) that runs
    // at the end of every main sync, after the reminders and sorting ones.
    void addFollowingChannel(BaseSyncManager* channel);
    bool isUserLoggedIn();
    bool isSyncActive();
    bool isAccountOperationActive();
    QDateTime lastSyncDateTime();

    // --- Sync scheduling. Every successful local change restarts the sync
    // delay, so a burst of edits ends in one silent sync; undoing a pending
    // change stops it.
    void restartSyncTimer();
    void stopSyncTimer();
    bool isSyncScheduled() const;
    // When the midnight timer fires next.
    QDateTime nextMidnight() const;

    // The first moment of the day after now's, in now's time zone: 00:00 of
    // tomorrow, or the end of the gap where the clocks jump over midnight.
    static QDateTime nextMidnightAfter(const QDateTime& now);
    static qint64 msecsToNextMidnight(const QDateTime& now);

signals:
    void indicatorStateForDateChanged(QDateTime dateTime, IndicatorState state);
    // Time for a silent sync: the sync delay ran out or a day began. It
    // starts one (startSyncSilent()).
    void silentSyncRequested();

    // Relayed from the sync manager.
    void syncActiveChanged(bool active);
    void accountOperationActiveChanged(bool active);
    void userLoggedInChanged(bool loggedIn);
    void syncNetworkError(int code);
    void syncServerError(QString title, QString displayMessage, int code);
    void userIsAboutToLogout();
    void checkLoginSuccessful();
    void resetPasswordSuccessful();
    void changePasswordSuccessful();
    // Both names are in use by the interface for the same event: the
    // password was changed on another device and the local data was wiped.
    void passwordChangedOutside();
    void userPasswordChangedOutside();
    void userRegistrationSuccessful();
    void lastSyncDateTimeChanged(QDateTime dateTime);

    // The store opened or closed (a wipe reopens it).
    void databaseOpenChanged(bool open);
    // The store did not open at start, or is closed after a reopen failed;
    // reason as databaseOpenError(). Emitted from the event loop, so that
    // whoever connects right after construction hears it.
    void databaseOpenFailed(QString reason);
    // A worker task ("sync", "sorting clean-up") was refused because the
    // store is not open. Logged by the worker.
    void databaseUnavailable(QString task);
    // A run of the reminders or the sorting side channel ended (each main
    // sync is followed by one of each).
    void remindersSyncComplete();
    // The set of tasks with reminders may have changed.
    void remindersChanged();
    void sortingSyncComplete();
    // The signed-out user's data is gone from the worker (sign-out, or the
    // password was changed on another device); what the interface thread
    // keeps for the user follows this.
    void userDataWiped();

private:
    // Calls method on target and waits for it; false when the call could not
    // be made, and then result is left as it was.
    bool invoke(QObject* target, const char* method, QGenericReturnArgument result,
        QGenericArgument a0 = QGenericArgument(), QGenericArgument a1 = QGenericArgument(),
        QGenericArgument a2 = QGenericArgument(), QGenericArgument a3 = QGenericArgument());

    // A blocking call with a result: resultType names Result as the worker
    // method declares it, and a call that cannot be made gives Result().
    template <typename Result, typename... Arguments>
    Result ask(QObject* target, const char* method, const char* resultType, Arguments... arguments)
    {
        Result result {};
        invoke(target, method, QReturnArgument<Result>(resultType, result), arguments...);
        return result;
    }

    QObject* store() const;
    QObject* repetition() const;
    QObject* sorting() const;
    QObject* remindersSync() const;
    QObject* notifications() const;
    QObject* syncManager() const;
    void relaySyncSignals();
    void onSyncActiveChanged(bool active);
    void onDatabaseConnectedChanged(bool open);

    void armMidnightTimer();
    void onMidnightTimeout();
    void requestSilentSync();
    // Hands the manual list orders that older versions kept in settings.dat
    // to the sorting manager and removes their keys.
    void handOverLegacySortOrders();
    void runSortCleanUp();

    DataHandler* m_handler = nullptr;
    QThread* m_workerThread = nullptr;
    QTimer* m_syncDelayTimer = nullptr;
    QTimer* m_midnightTimer = nullptr;
    QTimer* m_sortCleanUpTimer = nullptr;
    // Which tasks have reminders, as last read from the worker; dropped at
    // every change of the reminders.
    QSet<QString> m_tasksWithReminders;
    bool m_reminderSnapshotValid = false;
    QDateTime m_nextMidnight;
    std::function<QDateTime()> m_clock;
    QList<QPointer<QObject>> m_followingChannels;
};
