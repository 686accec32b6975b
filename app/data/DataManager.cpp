#include "data/DataManager.h"

#include "data/DatabaseHandler.h"
#include "common/SettingsFileCheck.h"
#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "sync/AuthManager.h"
#include "sync/RemindersSyncManager.h"
#include "sync/SortingManager.h"
#include "sync/SyncManager.h"
#include "time/NotificationManager.h"
#include "time/RepeatedTaskHelper.h"

#include <QCoreApplication>
#include <QSettings>
#include <QThread>
#include <QTimer>

#include <climits>

DataManager* DataManager::instance()
{
    static DataManager* manager = new DataManager(Options());
    return manager;
}

DataManager::DataManager(const Options& options, QObject* parent)
    : QObject(parent)
    , m_clock(options.clock ? options.clock : [] { return QDateTime::currentDateTime(); })
{
    QLOG_INFO() << "Initialization of data manager...";
    DataObjectTypes::registerMetaTypes();
    TreeHierarchy::registerMetaType();

    m_syncDelayTimer = new QTimer(this);
    m_syncDelayTimer->setSingleShot(true);
    m_syncDelayTimer->setInterval(options.syncDelay);
    // A timer of a day or so is otherwise rounded to whole seconds and may
    // fire before midnight; onMidnightTimeout() copes with that too.
    m_midnightTimer = new QTimer(this);
    m_midnightTimer->setSingleShot(true);
    m_midnightTimer->setTimerType(Qt::PreciseTimer);
    armMidnightTimer();
    m_sortCleanUpTimer = new QTimer(this);
    m_sortCleanUpTimer->setSingleShot(true);
    m_sortCleanUpTimer->setInterval(3000);

    // The side channels of the worker reach the token through it by queued
    // calls; it writes the settings, which belongs to this thread.
    AuthManager::instance();
    m_handler = new DataHandler(options.store);
    SortingNamespace::registerMetaTypes();
    IndicatorState::registerMetaType();
    NotificationManager::registerMetaType();

    m_workerThread = new QThread(this);
    m_workerThread->setObjectName(QStringLiteral("DataWorker"));
    m_handler->moveToThread(m_workerThread);
    connect(m_workerThread, &QThread::finished, m_handler, &QObject::deleteLater);
    m_workerThread->start(QThread::InheritPriority);

    // Blocks until the worker objects and the database connection exist, so
    // that the first request from the interface finds them ready.
    QMetaObject::invokeMethod(m_handler, "initialize", Qt::BlockingQueuedConnection);

    connect(m_handler, &DataHandler::indicatorStateForDateChanged, this,
        &DataManager::indicatorStateForDateChanged, Qt::QueuedConnection);
    connect(m_handler, &DataHandler::storeUnavailable, this, &DataManager::databaseUnavailable, Qt::QueuedConnection);
    if (auto* reminders = qobject_cast<NotificationManager*>(notifications())) {
        connect(reminders, &NotificationManager::notificationsChanged, this,
            [this] {
                m_reminderSnapshotValid = false;
                emit remindersChanged();
            },
            Qt::QueuedConnection);
    }
    if (m_handler->store()) {
        connect(m_handler->store(), &DatabaseHandler::connectedChanged, this, &DataManager::onDatabaseConnectedChanged,
            Qt::QueuedConnection);
    }
    if (!isDatabaseOpen()) {
        QTimer::singleShot(0, this, [this] {
            if (!isDatabaseOpen())
                emit databaseOpenFailed(databaseOpenError());
        });
    }
    connect(m_syncDelayTimer, &QTimer::timeout, this, &DataManager::requestSilentSync);
    connect(m_midnightTimer, &QTimer::timeout, this, &DataManager::onMidnightTimeout);
    connect(m_sortCleanUpTimer, &QTimer::timeout, this, &DataManager::runSortCleanUp);
    connect(this, &DataManager::silentSyncRequested, this, &DataManager::startSyncSilent);
    relaySyncSignals();

    QTimer::singleShot(0, this, &DataManager::handOverLegacySortOrders);

    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &DataManager::stopWorker);
}

DataManager::~DataManager()
{
    stopWorker();
}

void DataManager::stopWorker()
{
    if (!m_workerThread || !m_workerThread->isRunning())
        return;
    QMetaObject::invokeMethod(m_handler, "shutdown", Qt::BlockingQueuedConnection);
    m_workerThread->quit();
    m_workerThread->wait();
    // The worker root was deleted as its thread finished.
    m_handler = nullptr;
}

QThread* DataManager::workerThread() const
{
    return m_workerThread;
}

DataHandler* DataManager::workerRoot() const
{
    return m_handler;
}

QObject* DataManager::store() const
{
    return m_handler ? m_handler->store() : nullptr;
}

QObject* DataManager::repetition() const
{
    return m_handler ? m_handler->repetition() : nullptr;
}

QObject* DataManager::sorting() const
{
    return m_handler ? m_handler->sorting() : nullptr;
}

QObject* DataManager::remindersSync() const
{
    return m_handler ? m_handler->remindersSync() : nullptr;
}

QObject* DataManager::notifications() const
{
    return m_handler ? m_handler->notifications() : nullptr;
}

QObject* DataManager::syncManager() const
{
    return m_handler ? m_handler->syncManager() : nullptr;
}

bool DataManager::invoke(QObject* target, const char* method, QGenericReturnArgument result,
    QGenericArgument a0, QGenericArgument a1, QGenericArgument a2, QGenericArgument a3)
{
    if (!m_workerThread->isRunning()) {
        // Nobody is left to answer a blocking call (it would wait for ever),
        // and the worker objects are gone with their thread.
        QLOG_WARN() << "The data worker has stopped; " << method << " was not run.";
        return false;
    }
    if (!target) {
        QLOG_ERROR() << "The data worker has no object to run " << method << " on.";
        return false;
    }
    // Worker objects ask through here too; waiting for our own event loop
    // would never end.
    const Qt::ConnectionType type
        = target->thread() == QThread::currentThread() ? Qt::DirectConnection : Qt::BlockingQueuedConnection;
    if (!QMetaObject::invokeMethod(target, method, type, result, a0, a1, a2, a3)) {
        QLOG_ERROR() << "Unable to call " << target->metaObject()->className() << "::" << method
                     << " on the data worker.";
        return false;
    }
    return true;
}

bool DataManager::isDataPrepared()
{
    return ask<bool>(store(), "isConnected", "bool");
}

bool DataManager::isDatabaseOpen()
{
    return isDataPrepared();
}

QString DataManager::databaseOpenError()
{
    if (!m_handler || !m_workerThread->isRunning())
        return tr("The data worker has stopped.");
    return ask<QString>(m_handler, "databaseOpenError", "QString");
}

void DataManager::onDatabaseConnectedChanged(bool open)
{
    // After the worker stopped (the program ends) nobody can tell, nor
    // needs to know.
    if (!m_workerThread->isRunning())
        return;
    emit databaseOpenChanged(open);
    // A reopen closes the store for a moment; only the state it ended in counts.
    if (!open && !isDatabaseOpen())
        emit databaseOpenFailed(databaseOpenError());
}

// --- Transactions.

bool DataManager::commitChanges()
{
    return ask<bool>(store(), "commitChanges", "bool");
}

bool DataManager::rollbackChanges()
{
    return ask<bool>(store(), "rollbackChanges", "bool");
}

QString DataManager::lastCreatedObjectId()
{
    return ask<QString>(store(), "lastCreatedObjectId", "QString");
}

QList<DataObject> DataManager::lastUpdatedObjects()
{
    return ask<QList<DataObject>>(store(), "lastUpdatedObjects", "QList<DataObject>");
}

bool DataManager::recreateDatabase()
{
    return ask<bool>(store(), "recreateDatabase", "bool");
}

bool DataManager::restoreDatabaseBackup(const QString& backupPath)
{
    return ask<bool>(store(), "restoreBackup", "bool", Q_ARG(const QString&, backupPath));
}

// --- Creates, updates and restores.

bool DataManager::createTaskLocally(const DOTask& task)
{
    return ask<bool>(store(), "createTaskLocally", "bool", Q_ARG(const DOTask&, task));
}

bool DataManager::createTaskRemotely(const QVariantMap& task)
{
    return ask<bool>(store(), "createTaskRemotely", "bool", Q_ARG(const QVariantMap&, task));
}

bool DataManager::createProjectLocally(const DataObject& project)
{
    return ask<bool>(store(), "createProjectLocally", "bool", Q_ARG(const DataObject&, project));
}

bool DataManager::createProjectRemotely(const QVariantMap& project)
{
    return ask<bool>(store(), "createProjectRemotely", "bool", Q_ARG(const QVariantMap&, project));
}

bool DataManager::createContextLocally(const DOContext& context)
{
    return ask<bool>(store(), "createContextLocally", "bool", Q_ARG(const DOContext&, context));
}

bool DataManager::createContextRemotely(const QVariantMap& context)
{
    return ask<bool>(store(), "createContextRemotely", "bool", Q_ARG(const QVariantMap&, context));
}

bool DataManager::updateTaskLocally(const DOTask& task)
{
    return ask<bool>(store(), "updateTaskLocally", "bool", Q_ARG(const DOTask&, task));
}

bool DataManager::updateTaskRemotely(const QVariantMap& task)
{
    return ask<bool>(store(), "updateTaskRemotely", "bool", Q_ARG(const QVariantMap&, task));
}

bool DataManager::updateProjectLocally(const DataObject& project)
{
    return ask<bool>(store(), "updateProjectLocally", "bool", Q_ARG(const DataObject&, project));
}

bool DataManager::updateProjectRemotely(const QVariantMap& project)
{
    return ask<bool>(store(), "updateProjectRemotely", "bool", Q_ARG(const QVariantMap&, project));
}

bool DataManager::updateContextLocally(const DOContext& context)
{
    return ask<bool>(store(), "updateContextLocally", "bool", Q_ARG(const DOContext&, context));
}

bool DataManager::updateContextRemotely(const QVariantMap& context)
{
    return ask<bool>(store(), "updateContextRemotely", "bool", Q_ARG(const QVariantMap&, context));
}

bool DataManager::restoreTask(const DOTask& task)
{
    return ask<bool>(store(), "restoreTask", "bool", Q_ARG(const DOTask&, task));
}

bool DataManager::restoreProject(const DOProject& project)
{
    return ask<bool>(store(), "restoreProject", "bool", Q_ARG(const DOProject&, project));
}

bool DataManager::restoreFolder(const DOFolder& folder)
{
    return ask<bool>(store(), "restoreFolder", "bool", Q_ARG(const DOFolder&, folder));
}

bool DataManager::restoreContext(const DOContext& context)
{
    return ask<bool>(store(), "restoreContext", "bool", Q_ARG(const DOContext&, context));
}

bool DataManager::updateTaskParents(const QString& oldId, const QString& newId)
{
    return ask<bool>(
        store(), "updateTaskParents", "bool", Q_ARG(const QString&, oldId), Q_ARG(const QString&, newId));
}

bool DataManager::updatePredefinedFolder(const QString& oldId, const QString& newId)
{
    return ask<bool>(store(), "updatePredefinedFolder", "bool", Q_ARG(const QString&, oldId),
        Q_ARG(const QString&, newId));
}

bool DataManager::updatePredefinedContext(const QString& oldId, const QString& newId, bool isDeleted)
{
    return ask<bool>(store(), "updatePredefinedContext", "bool", Q_ARG(const QString&, oldId),
        Q_ARG(const QString&, newId), Q_ARG(bool, isDeleted));
}

// --- Reads.

DOTask DataManager::getTaskById(const QString& id)
{
    return ask<DOTask>(store(), "getTaskById", "DOTask", Q_ARG(const QString&, id));
}

QList<DOTask> DataManager::getTasksByIds(const QStringList& ids)
{
    return ask<QList<DOTask>>(store(), "getTasksByIds", "QList<DOTask>", Q_ARG(const QStringList&, ids));
}

DataObject DataManager::getProjectById(const QString& id)
{
    return ask<DataObject>(store(), "getProjectById", "DataObject", Q_ARG(const QString&, id));
}

DOContext DataManager::getContextById(const QString& id)
{
    return ask<DOContext>(store(), "getContextById", "DOContext", Q_ARG(const QString&, id));
}

QList<DOTask> DataManager::getProjectTasks(const QString& projectId)
{
    return ask<QList<DOTask>>(store(), "getProjectTasks", "QList<DOTask>", Q_ARG(const QString&, projectId));
}

QList<DOTask> DataManager::getContextTasks(const QString& contextId)
{
    return ask<QList<DOTask>>(store(), "getContextTasks", "QList<DOTask>", Q_ARG(const QString&, contextId));
}

QList<DOTask> DataManager::getNoContextTasks()
{
    return ask<QList<DOTask>>(store(), "getNoContextTasks", "QList<DOTask>");
}

QList<DOTask> DataManager::getActiveRepeatedTasks()
{
    return ask<QList<DOTask>>(store(), "getActiveRepeatedTasks", "QList<DOTask>");
}

QList<DOProject> DataManager::getContextProjects(const QString& contextId)
{
    return ask<QList<DOProject>>(
        store(), "getContextProjects", "QList<DOProject>", Q_ARG(const QString&, contextId));
}

QList<DOProject> DataManager::getAllActiveProjects()
{
    return ask<QList<DOProject>>(store(), "getAllActiveProjects", "QList<DOProject>");
}

QList<DOFolder> DataManager::getAllFolders()
{
    return ask<QList<DOFolder>>(store(), "getAllFolders", "QList<DOFolder>");
}

QList<DOContext> DataManager::getAllContexts()
{
    return ask<QList<DOContext>>(store(), "getAllContexts", "QList<DOContext>");
}

QList<DataObject> DataManager::getNestedObjects(const QString& folderId)
{
    return ask<QList<DataObject>>(
        store(), "getNestedObjects", "QList<DataObject>", Q_ARG(const QString&, folderId));
}

QList<DOContext> DataManager::getNestedContexts(const QString& contextId)
{
    return ask<QList<DOContext>>(
        store(), "getNestedContexts", "QList<DOContext>", Q_ARG(const QString&, contextId));
}

QList<DataObject> DataManager::getContextChildren(const QString& contextId)
{
    return ask<QList<DataObject>>(
        store(), "getContextChildren", "QList<DataObject>", Q_ARG(const QString&, contextId));
}

QList<DataObject> DataManager::getRootProjects()
{
    return ask<QList<DataObject>>(store(), "getRootProjects", "QList<DataObject>");
}

QList<DOContext> DataManager::getRootContexts()
{
    return ask<QList<DOContext>>(store(), "getRootContexts", "QList<DOContext>");
}

TreeHierarchy DataManager::getProjectTree()
{
    return ask<TreeHierarchy>(store(), "getProjectTree", "TreeHierarchy");
}

TreeHierarchy DataManager::getContextTree()
{
    return ask<TreeHierarchy>(store(), "getContextTree", "TreeHierarchy");
}

QList<DataObject> DataManager::getSubprojectsRecursive(const QString& folderId)
{
    return ask<QList<DataObject>>(
        store(), "getSubprojectsRecursive", "QList<DataObject>", Q_ARG(const QString&, folderId));
}

QList<DOContext> DataManager::getSubcontextsRecursive(const QString& contextId)
{
    return ask<QList<DOContext>>(
        store(), "getSubcontextsRecursive", "QList<DOContext>", Q_ARG(const QString&, contextId));
}

QStringList DataManager::getProjectNameChain(const QString& id)
{
    return ask<QStringList>(store(), "getProjectNameChain", "QStringList", Q_ARG(const QString&, id));
}

QStringList DataManager::getContextNameChain(const QString& id)
{
    return ask<QStringList>(store(), "getContextNameChain", "QStringList", Q_ARG(const QString&, id));
}

QList<DataObject> DataManager::getAllObjects()
{
    return ask<QList<DataObject>>(store(), "getAllObjects", "QList<DataObject>");
}

// --- The trash.

QList<DOTask> DataManager::getDeletedTasks()
{
    return ask<QList<DOTask>>(store(), "getDeletedTasks", "QList<DOTask>");
}

bool DataManager::hasDeletedTasks()
{
    return ask<bool>(store(), "hasDeletedTasks", "bool");
}

QList<DOTask> DataManager::getDeletedProjectTasks(const QString& projectId)
{
    return ask<QList<DOTask>>(
        store(), "getDeletedProjectTasks", "QList<DOTask>", Q_ARG(const QString&, projectId));
}

QList<DOProject> DataManager::getDeletedProjects()
{
    return ask<QList<DOProject>>(store(), "getDeletedProjects", "QList<DOProject>");
}

bool DataManager::hasDeletedProjects()
{
    return ask<bool>(store(), "hasDeletedProjects", "bool");
}

QList<DOFolder> DataManager::getDeletedFolders()
{
    return ask<QList<DOFolder>>(store(), "getDeletedFolders", "QList<DOFolder>");
}

bool DataManager::hasDeletedFolders()
{
    return ask<bool>(store(), "hasDeletedFolders", "bool");
}

QList<DOContext> DataManager::getDeletedContexts()
{
    return ask<QList<DOContext>>(store(), "getDeletedContexts", "QList<DOContext>");
}

bool DataManager::hasDeletedContexts()
{
    return ask<bool>(store(), "hasDeletedContexts", "bool");
}

QList<DOFolder> DataManager::getDeletedSubfolders(const QString& folderId)
{
    return ask<QList<DOFolder>>(
        store(), "getDeletedSubfolders", "QList<DOFolder>", Q_ARG(const QString&, folderId));
}

QList<DOProject> DataManager::getDeletedSubprojects(const QString& folderId)
{
    return ask<QList<DOProject>>(
        store(), "getDeletedSubprojects", "QList<DOProject>", Q_ARG(const QString&, folderId));
}

QList<DOContext> DataManager::getDeletedSubcontexts(const QString& contextId)
{
    return ask<QList<DOContext>>(
        store(), "getDeletedSubcontexts", "QList<DOContext>", Q_ARG(const QString&, contextId));
}

// --- Counts and checks.

int DataManager::getProjectTaskCount(const QString& projectId)
{
    return ask<int>(store(), "getProjectTaskCount", "int", Q_ARG(const QString&, projectId));
}

int DataManager::getContextTaskCount(const QString& contextId)
{
    return ask<int>(store(), "getContextTaskCount", "int", Q_ARG(const QString&, contextId));
}

int DataManager::getContextProjectCount(const QString& contextId)
{
    return ask<int>(store(), "getContextProjectCount", "int", Q_ARG(const QString&, contextId));
}

int DataManager::getContextTaskCountRecursive(const QString& contextId)
{
    return ask<int>(store(), "getContextTaskCountRecursive", "int", Q_ARG(const QString&, contextId));
}

int DataManager::getContextProjectCountRecursive(const QString& contextId)
{
    return ask<int>(store(), "getContextProjectCountRecursive", "int", Q_ARG(const QString&, contextId));
}

int DataManager::getNestedContextCount(const QString& contextId, bool includeAllStates)
{
    return ask<int>(store(), "getNestedContextCount", "int", Q_ARG(const QString&, contextId),
        Q_ARG(bool, includeAllStates));
}

int DataManager::getNestedFolderCount(const QString& folderId, bool includeDeleted)
{
    return ask<int>(
        store(), "getNestedFolderCount", "int", Q_ARG(const QString&, folderId), Q_ARG(bool, includeDeleted));
}

int DataManager::getNestedProjectCount(const QString& folderId, bool includeDeleted)
{
    return ask<int>(store(), "getNestedProjectCount", "int", Q_ARG(const QString&, folderId),
        Q_ARG(bool, includeDeleted));
}

bool DataManager::projectHasTasks(const DOProject& project)
{
    return ask<bool>(store(), "projectHasTasks", "bool", Q_ARG(const DOProject&, project));
}

bool DataManager::projectHasActiveTasks(const DOProject& project)
{
    return ask<bool>(store(), "projectHasActiveTasks", "bool", Q_ARG(const DOProject&, project));
}

bool DataManager::folderHasActiveObjects(const DOFolder& folder)
{
    return ask<bool>(store(), "folderHasActiveObjects", "bool", Q_ARG(const DOFolder&, folder));
}

bool DataManager::contextHasActiveObjects(const DOContext& context)
{
    return ask<bool>(store(), "contextHasActiveObjects", "bool", Q_ARG(const DOContext&, context));
}

// --- Calendar export bookkeeping.

QList<DOTask> DataManager::getCalendarTasksToCreate()
{
    return ask<QList<DOTask>>(store(), "getCalendarTasksToCreate", "QList<DOTask>");
}

QList<DOTask> DataManager::getCalendarTasksToUpdate()
{
    return ask<QList<DOTask>>(store(), "getCalendarTasksToUpdate", "QList<DOTask>");
}

QStringList DataManager::getCalendarTasksToDelete()
{
    return ask<QStringList>(store(), "getCalendarTasksToDelete", "QStringList");
}

QStringList DataManager::getCalendarTaskIds()
{
    return ask<QStringList>(store(), "getCalendarTaskIds", "QStringList");
}

bool DataManager::handleCalendarTaskCreated(const QString& taskId)
{
    return ask<bool>(store(), "handleCalendarTaskCreated", "bool", Q_ARG(const QString&, taskId));
}

bool DataManager::handleCalendarTaskUpdated(const QString& taskId)
{
    return ask<bool>(store(), "handleCalendarTaskUpdated", "bool", Q_ARG(const QString&, taskId));
}

bool DataManager::markCalendarTasksToUpdate()
{
    return ask<bool>(store(), "markCalendarTasksToUpdate", "bool");
}

bool DataManager::clearCalendarInfoTable()
{
    return ask<bool>(store(), "clearCalendarInfoTable", "bool");
}

// --- The daily plan.

QList<DOTask> DataManager::getDayTasks(const QDate& date)
{
    return ask<QList<DOTask>>(store(), "getDayTasks", "QList<DOTask>", Q_ARG(const QDate&, date));
}

int DataManager::getActiveDayTaskCount(const QDateTime& dateTime)
{
    return ask<int>(store(), "getActiveDayTaskCount", "int", Q_ARG(const QDateTime&, dateTime));
}

int DataManager::getOverdueDayTaskCount(const QDateTime& dateTime)
{
    return ask<int>(store(), "getOverdueDayTaskCount", "int", Q_ARG(const QDateTime&, dateTime));
}

int DataManager::getProjectOverdueTaskCount(const QString& projectId)
{
    return ask<int>(store(), "getProjectOverdueTaskCount", "int", Q_ARG(const QString&, projectId));
}

bool DataManager::hasActiveObjects(const QDateTime& dateTime)
{
    return ask<bool>(store(), "hasActiveObjects", "bool", Q_ARG(const QDateTime&, dateTime));
}

bool DataManager::hasOverdueTasks(const QDateTime& dateTime)
{
    return ask<bool>(store(), "hasOverdueTasks", "bool", Q_ARG(const QDateTime&, dateTime));
}

void DataManager::requestIndicatorStateForDate(const QDateTime& dateTime)
{
    if (!m_workerThread->isRunning())
        return;
    QMetaObject::invokeMethod(
        m_handler, "requestIndicatorStateForDate", Qt::QueuedConnection, Q_ARG(const QDateTime&, dateTime));
}

// --- Repeated tasks and their reminders.

QList<DOTask> DataManager::getRepeatedDayTasks(const QDate& date)
{
    return ask<QList<DOTask>>(
        repetition(), "getRepeatedDayTasks", "QList<DOTask>", Q_ARG(const QDate&, date));
}

int DataManager::getRepeatedDayTaskCount(const QDate& date)
{
    return ask<int>(repetition(), "getRepeatedDayTaskCount", "int", Q_ARG(const QDate&, date));
}

bool DataManager::hasRepeatedTasks(const QDate& date)
{
    return ask<bool>(repetition(), "hasRepeatedTasks", "bool", Q_ARG(const QDate&, date));
}

void DataManager::setStartRepeatedReminder(const QString& taskId, int type)
{
    invoke(repetition(), "setStartDateReminder", QGenericReturnArgument(), Q_ARG(const QString&, taskId),
        Q_ARG(int, type));
}

bool DataManager::hasStartRepeatedReminder(const QString& taskId, int type)
{
    return ask<bool>(
        repetition(), "hasStartDateReminder", "bool", Q_ARG(const QString&, taskId), Q_ARG(int, type));
}

QVariantList DataManager::getStartRepeatedReminders(const QString& taskId)
{
    return ask<QVariantList>(
        repetition(), "getStartDateReminders", "QVariantList", Q_ARG(const QString&, taskId));
}

void DataManager::setDueRepeatedReminder(const QString& taskId, int type)
{
    invoke(repetition(), "setDueDateReminder", QGenericReturnArgument(), Q_ARG(const QString&, taskId),
        Q_ARG(int, type));
}

bool DataManager::hasDueRepeatedReminder(const QString& taskId, int type)
{
    return ask<bool>(
        repetition(), "hasDueDateReminder", "bool", Q_ARG(const QString&, taskId), Q_ARG(int, type));
}

QVariantList DataManager::getDueRepeatedReminders(const QString& taskId)
{
    return ask<QVariantList>(
        repetition(), "getDueDateReminders", "QVariantList", Q_ARG(const QString&, taskId));
}

bool DataManager::removeAllRepeatedReminders(const QString& taskId)
{
    return ask<bool>(repetition(), "removeAllReminders", "bool", Q_ARG(const QString&, taskId));
}

// --- Scheduled reminders. The interface passes reminder types as numbers;
// the manager takes them under the name "NotificationType".

bool DataManager::scheduleReminder(const QVariantMap& taskInfo, int type)
{
    m_reminderSnapshotValid = false;
    return ask<bool>(notifications(), "scheduleNotification", "bool", Q_ARG(const QVariantMap&, taskInfo),
        Q_ARG(NotificationType, NotificationType(type)));
}

bool DataManager::snoozeReminder(const QVariantMap& taskInfo)
{
    m_reminderSnapshotValid = false;
    return ask<bool>(notifications(), "snoozeNotification", "bool", Q_ARG(const QVariantMap&, taskInfo));
}

bool DataManager::rescheduleReminders(const QVariantMap& oldTask, const QVariantMap& newTask)
{
    m_reminderSnapshotValid = false;
    return ask<bool>(notifications(), "rescheduleReminders", "bool", Q_ARG(const QVariantMap&, oldTask),
        Q_ARG(const QVariantMap&, newTask));
}

bool DataManager::removeScheduledReminder(const QVariantMap& taskInfo, int type)
{
    m_reminderSnapshotValid = false;
    return ask<bool>(notifications(), "removeScheduledNotification", "bool",
        Q_ARG(const QVariantMap&, taskInfo), Q_ARG(NotificationType, NotificationType(type)));
}

bool DataManager::removeAllRemindersById(const QString& taskId)
{
    m_reminderSnapshotValid = false;
    return ask<bool>(notifications(), "removeAllNotificationsById", "bool", Q_ARG(const QString&, taskId));
}

bool DataManager::hasScheduledReminder(const QVariantMap& taskInfo, int type)
{
    return ask<bool>(notifications(), "hasScheduledNotification", "bool", Q_ARG(const QVariantMap&, taskInfo),
        Q_ARG(NotificationType, NotificationType(type)));
}

// Every row of a list asks this as it is created: one blocking call to the
// worker per change of the reminders, not one per row, keeps scrolling from
// waiting on the worker.
bool DataManager::hasScheduledReminders(const QString& taskId)
{
    if (!m_reminderSnapshotValid) {
        const QStringList ids = ask<QStringList>(notifications(), "taskIdsWithNotifications", "QStringList");
        m_tasksWithReminders = QSet<QString>(ids.begin(), ids.end());
        m_reminderSnapshotValid = true;
    }
    return m_tasksWithReminders.contains(taskId);
}

int DataManager::getReminderCount()
{
    return ask<int>(notifications(), "notificationCount", "int");
}

QStringList DataManager::taskIdsWithReminders()
{
    return ask<QStringList>(notifications(), "taskIdsWithNotifications", "QStringList");
}

bool DataManager::clearScheduledReminders()
{
    m_reminderSnapshotValid = false;
    return ask<bool>(notifications(), "clearReminders", "bool");
}

// --- Sorting settings. The sorting manager declares its list and sorting
// types under the short names "ListType" and "SortingType".

namespace {
using ListType = SortingNamespace::ListType;
using SortingType = SortingNamespace::SortingType;
} // namespace

void DataManager::setSortedList(
    const QString& listId, ListType listType, SortingType sortingType, bool groupByDate)
{
    invoke(sorting(), "setSortedList", QGenericReturnArgument(), Q_ARG(const QString&, listId),
        Q_ARG(ListType, listType), Q_ARG(SortingType, sortingType), Q_ARG(bool, groupByDate));
}

void DataManager::deleteSortedList(const QString& listId, ListType listType)
{
    invoke(sorting(), "deleteSortedList", QGenericReturnArgument(), Q_ARG(const QString&, listId),
        Q_ARG(ListType, listType));
}

bool DataManager::hasSortedListInfo(const QString& listId, ListType listType)
{
    return ask<bool>(
        sorting(), "hasSortedListInfo", "bool", Q_ARG(const QString&, listId), Q_ARG(ListType, listType));
}

SortingType DataManager::getSortingType(const QString& listId, ListType listType)
{
    // Unanswered, a list sorts as one that has no choice yet.
    SortingType type = SortingNamespace::TimestampAscType;
    invoke(sorting(), "getSortingType", QReturnArgument<SortingType>("SortingType", type),
        Q_ARG(const QString&, listId), Q_ARG(ListType, listType));
    return type;
}

bool DataManager::getGroupByDateParam(const QString& listId, ListType listType)
{
    bool groupByDate = true;
    invoke(sorting(), "getGroupByDateParam", QReturnArgument<bool>("bool", groupByDate),
        Q_ARG(const QString&, listId), Q_ARG(ListType, listType));
    return groupByDate;
}

SortedListInfo DataManager::getSortedListInfo(const QString& listId, ListType listType)
{
    return ask<SortedListInfo>(sorting(), "getSortedListInfo", "SortedListInfo", Q_ARG(const QString&, listId),
        Q_ARG(ListType, listType));
}

void DataManager::setManualSortedList(const QString& listId, ListType listType, const OrderHash& orderHash)
{
    invoke(sorting(), "setManualSortedList", QGenericReturnArgument(), Q_ARG(const QString&, listId),
        Q_ARG(ListType, listType), Q_ARG(OrderHash, orderHash));
}

void DataManager::cleanSortedLists()
{
    m_sortCleanUpTimer->start();
}

bool DataManager::isSortCleanUpScheduled() const
{
    return m_sortCleanUpTimer->isActive();
}

void DataManager::runSortCleanUp()
{
    if (m_handler && m_workerThread->isRunning())
        QMetaObject::invokeMethod(m_handler, "cleanSortedLists", Qt::QueuedConnection);
}

// --- Sync scheduling.

void DataManager::restartSyncTimer()
{
    m_syncDelayTimer->start();
}

void DataManager::stopSyncTimer()
{
    m_syncDelayTimer->stop();
}

bool DataManager::isSyncScheduled() const
{
    return m_syncDelayTimer->isActive();
}

QDateTime DataManager::nextMidnight() const
{
    return m_nextMidnight;
}

// --- Account and sync.

void DataManager::relaySyncSignals()
{
    SyncManager* sync = m_handler->syncManager();
    if (!sync)
        return;
    const auto relay = [this, sync](auto signal, auto relayed) {
        connect(sync, signal, this, relayed, Qt::QueuedConnection);
    };
    relay(&SyncManager::activeChanged, &DataManager::syncActiveChanged);
    relay(&SyncManager::checkLoginActiveChanged, &DataManager::accountOperationActiveChanged);
    relay(&SyncManager::registrationActiveChanged, &DataManager::accountOperationActiveChanged);
    relay(&SyncManager::resetPasswordActiveChanged, &DataManager::accountOperationActiveChanged);
    relay(&SyncManager::changePasswordActiveChanged, &DataManager::accountOperationActiveChanged);
    relay(&SyncManager::loggedInChanged, &DataManager::userLoggedInChanged);
    relay(&SyncManager::networkError, &DataManager::syncNetworkError);
    relay(&SyncManager::serverError, &DataManager::syncServerError);
    relay(&SyncManager::userIsAboutToLogout, &DataManager::userIsAboutToLogout);
    relay(&SyncManager::checkLoginSuccessful, &DataManager::checkLoginSuccessful);
    relay(&SyncManager::resetPasswordSuccessful, &DataManager::resetPasswordSuccessful);
    relay(&SyncManager::changePasswordSuccessful, &DataManager::changePasswordSuccessful);
    relay(&SyncManager::passwordChangedOutside, &DataManager::passwordChangedOutside);
    relay(&SyncManager::passwordChangedOutside, &DataManager::userPasswordChangedOutside);
    relay(&SyncManager::userRegistered, &DataManager::userRegistrationSuccessful);
    relay(&SyncManager::lastSyncDateTimeChanged, &DataManager::lastSyncDateTimeChanged);
    relay(&SyncManager::localDataWiped, &DataManager::userDataWiped);
    connect(sync, &SyncManager::activeChanged, this, &DataManager::onSyncActiveChanged, Qt::QueuedConnection);
    connect(this, &DataManager::userDataWiped, AuthManager::instance(), &AuthManager::logout);
    if (RemindersSyncManager* reminders = m_handler->remindersSync()) {
        connect(reminders, &BaseSyncManager::completed, this, &DataManager::remindersSyncComplete,
            Qt::QueuedConnection);
    }
    if (SortingManager* sorting = m_handler->sorting())
        connect(sorting, &BaseSyncManager::completed, this, &DataManager::sortingSyncComplete, Qt::QueuedConnection);
}

void DataManager::onSyncActiveChanged(bool active)
{
    // A midnight that passed while the timer was not running (it is armed
    // only from here and from its own timeout) still gets its sync.
    if (!active && !m_midnightTimer->isActive())
        armMidnightTimer();
    if (active || !m_workerThread->isRunning())
        return;
    // The side channels follow every main sync, reminders first.
    for (QObject* channel : { remindersSync(), sorting() }) {
        if (channel)
            QMetaObject::invokeMethod(channel, "sync", Qt::QueuedConnection);
    }
    for (const QPointer<QObject>& channel : qAsConst(m_followingChannels)) {
        if (channel)
            QMetaObject::invokeMethod(channel, "sync", Qt::QueuedConnection);
    }
}

void DataManager::addFollowingChannel(BaseSyncManager* channel)
{
    if (channel && !m_followingChannels.contains(channel))
        m_followingChannels.append(channel);
}

void DataManager::registerUser(const QString& login, const QString& password)
{
    invoke(syncManager(), "registerUser", QGenericReturnArgument(), Q_ARG(const QString&, login),
        Q_ARG(const QString&, password));
}

void DataManager::checkLogin(const QString& login, const QString& password)
{
    invoke(syncManager(), "checkLogin", QGenericReturnArgument(), Q_ARG(const QString&, login),
        Q_ARG(const QString&, password));
}

void DataManager::resetPassword(const QString& login)
{
    invoke(syncManager(), "resetPassword", QGenericReturnArgument(), Q_ARG(const QString&, login));
}

void DataManager::changePassword(const QString& oldPassword, const QString& newPassword)
{
    invoke(syncManager(), "changePassword", QGenericReturnArgument(), Q_ARG(const QString&, oldPassword),
        Q_ARG(const QString&, newPassword));
}

bool DataManager::logout()
{
    // The worker clears the reminders and the sorting settings as part of
    // the wipe (DataHandler), so a wipe after a password change elsewhere
    // clears them too, and a failed wipe keeps them with the data.
    return ask<bool>(syncManager(), "logout", "bool");
}

void DataManager::startSync()
{
    m_syncDelayTimer->stop();
    if (syncManager() && m_workerThread->isRunning())
        QMetaObject::invokeMethod(syncManager(), "start", Qt::QueuedConnection);
}

void DataManager::startSyncSilent()
{
    m_syncDelayTimer->stop();
    if (syncManager() && m_workerThread->isRunning())
        QMetaObject::invokeMethod(syncManager(), "startSilent", Qt::QueuedConnection);
}

void DataManager::abortSync()
{
    invoke(syncManager(), "abort", QGenericReturnArgument());
}

bool DataManager::isUserLoggedIn()
{
    return ask<bool>(syncManager(), "isLoggedIn", "bool");
}

bool DataManager::isSyncActive()
{
    return ask<bool>(syncManager(), "isActive", "bool");
}

bool DataManager::isAccountOperationActive()
{
    return ask<bool>(syncManager(), "isAccountOperationActive", "bool");
}

QDateTime DataManager::lastSyncDateTime()
{
    return ask<QDateTime>(syncManager(), "lastSyncDateTime", "QDateTime");
}

void DataManager::requestSilentSync()
{
    // Whatever brought the sync forward also covers the pending changes.
    m_syncDelayTimer->stop();
    emit silentSyncRequested();
}

QDateTime DataManager::nextMidnightAfter(const QDateTime& now)
{
    // Where the clocks jump over midnight the new day begins where the gap
    // ends (01:00, say), and a zone may even skip a whole day: the first
    // wall-clock minute from tomorrow's 00:00 on that exists is the start.
    const QDateTime tomorrow(now.date().addDays(1), QTime(0, 0), Qt::UTC);
    for (int minute = 0; minute < 2 * 24 * 60; ++minute) {
        const QDateTime wall = tomorrow.addSecs(minute * 60);
        QDateTime candidate = now;
        candidate.setDate(wall.date());
        candidate.setTime(wall.time());
        if (candidate.isValid() && candidate > now)
            return candidate;
    }
    return now.addDays(1);
}

qint64 DataManager::msecsToNextMidnight(const QDateTime& now)
{
    return now.msecsTo(nextMidnightAfter(now));
}

void DataManager::armMidnightTimer()
{
    const QDateTime now = m_clock();
    m_nextMidnight = nextMidnightAfter(now);
    m_midnightTimer->start(int(qBound<qint64>(1, now.msecsTo(m_nextMidnight), INT_MAX)));
}

void DataManager::onMidnightTimeout()
{
    // A timer may run out a little early; the day has not changed then, and
    // the sync waits for it.
    const bool dayBegan = m_clock() >= m_nextMidnight;
    armMidnightTimer();
    if (dayBegan)
        requestSilentSync();
}

namespace {
// A map as QSettings gives back a QVariantMap or QVariantHash; false for
// anything else.
bool asMap(const QVariant& value, QVariantMap* map)
{
    if (value.userType() == QMetaType::QVariantMap) {
        *map = value.toMap();
        return true;
    }
    if (value.userType() == QMetaType::QVariantHash) {
        const QVariantHash hash = value.toHash();
        map->clear();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            map->insert(it.key(), it.value());
        return true;
    }
    return false;
}

// Object id -> position; false when any entry is not a whole number.
bool asOrder(const QVariant& value, OrderHash* order)
{
    QVariantMap map;
    if (!asMap(value, &map))
        return false;
    order->clear();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        bool isNumber = false;
        const int position = it.value().toInt(&isNumber);
        if (!isNumber || it.key().isEmpty())
            return false;
        order->insert(it.key(), position);
    }
    return true;
}

struct LegacyOrderKey
{
    const char* key;
    SortingNamespace::ListType listType;
    // The list a flat order (without list names) belongs to; none when the
    // key always named its lists.
    const char* singleList;
};

const LegacyOrderKey LegacyOrderKeys[] = {
    { "projects_sort_hash", SortingNamespace::ListTypeProject, nullptr },
    { "contexts_sort_hash", SortingNamespace::ListTypeContext, nullptr },
    { "daily_plan_sort_hash", SortingNamespace::ListTypeDailyPlan, nullptr },
    { "favorites_sort_hash", SortingNamespace::ListTypeFavorites, "root_favorites" },
};

// The orders under one key by list id; false when the value cannot be read
// as either list id -> order or, where the key has one list, a single order.
bool legacyOrders(const QVariant& value, const LegacyOrderKey& key, QHash<QString, OrderHash>* orders)
{
    QVariantMap lists;
    if (!asMap(value, &lists))
        return false;
    OrderHash single;
    if (key.singleList && asOrder(value, &single)) {
        orders->insert(QString::fromLatin1(key.singleList), single);
        return true;
    }
    for (auto it = lists.cbegin(); it != lists.cend(); ++it) {
        OrderHash order;
        if (it.key().isEmpty() || !asOrder(it.value(), &order))
            return false;
        orders->insert(it.key(), order);
    }
    return true;
}
} // namespace

void DataManager::handOverLegacySortOrders()
{
    if (!sorting())
        return;
    // Values that QSettings cannot read safely may still be there when the
    // file could not be repaired; it is not opened then.
    if (!SettingsFileCheck::isSafeToRead(AppPaths::settingsFile())) {
        QLOG_WARN() << "The old list orders in " << AppPaths::settingsFile()
                    << " are left where they are: the file holds values that cannot be read safely.";
        return;
    }
    QSettings settings(AppPaths::settingsFile(), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        // Writing back a file that was not read in full would drop the rest.
        QLOG_WARN() << "The old list orders in " << settings.fileName()
                    << " are left where they are: the file cannot be read in full.";
        return;
    }
    bool changed = false;
    for (const LegacyOrderKey& key : LegacyOrderKeys) {
        const QString name = QString::fromLatin1(key.key);
        if (!settings.contains(name))
            continue;
        QHash<QString, OrderHash> orders;
        if (!legacyOrders(settings.value(name), key, &orders)) {
            // Kept for a later version that can read it.
            QLOG_WARN() << "The list orders under " << name << " in " << settings.fileName()
                        << " cannot be read; the key is kept.";
            continue;
        }
        for (auto it = orders.cbegin(); it != orders.cend(); ++it)
            setManualSortedList(it.key(), key.listType, it.value());
        settings.remove(name);
        changed = true;
        QLOG_INFO() << "The orders of " << orders.size() << " lists under " << name
                    << " moved to the sorting settings.";
    }
    if (!changed)
        return;
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        QLOG_ERROR() << "Unable to remove the old list orders from " << settings.fileName() << " ("
                     << int(settings.status()) << ").";
    }
}
