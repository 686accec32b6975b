#pragma once

#include "data/DataObject.h"
#include "data/DatabaseBackup.h"
#include "data/IndicatorState.h"
#include "data/TreeHierarchy.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QSqlQuery;
class RepeatedTaskHelper;
class Settings;

// Owns the one SQL connection of the program and runs every statement on
// it. It lives in the data worker thread; other threads reach it only by
// blocking queued calls, which is what serialises access to the database.
//
// Every object operation takes and returns plain records. Statements are
// text with the values inlined as SQL literals (SqlStatement); whatever comes
// from outside is escaped on the way in.
//
// Transactions: a top-level local write (createTaskLocally(task),
// updateTaskLocally(task), restoreTask(task), ...) begins one, or joins the
// one already open, and leaves it open: the caller commits or rolls back.
// Nested writes of a cascade and writes from synchronisation never begin one.
//
// A database is never created here by DDL: it starts as a copy of the
// template (DatabaseTemplate), and every later change to the schema is an
// idempotent statement that runs each time the database is opened.
class DatabaseHandler : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool connected READ isConnected NOTIFY connectedChanged)

public:
    // The program's store, on "quorvel_app" over databasePath(). Created on
    // first use, so the connection belongs to the thread that first asks.
    static DatabaseHandler* instance();

    // The database file in the application data folder. Fixed the first time
    // it is asked for, so a later change of the application's name cannot
    // move the database under a running program.
    static QString databasePath();

    static QString defaultConnectionName();

    // A store over filePath on its own named connection. The program uses
    // instance(); a second handler needs a connection name of its own.
    explicit DatabaseHandler(const QString& filePath, const QString& connectionName = defaultConnectionName(),
        QObject* parent = nullptr);
    ~DatabaseHandler() override;

    // The file that openAtStart() opens and recreateDatabase() replaces.
    QString filePath() const;
    QString connectionName() const;

    // Opens the store at start: connects to filePath() and brings the schema
    // up to date. Returns whether the store is open; when it is not, the
    // program runs on with a closed store whose statements fail and log.
    bool openAtStart();

    // Opens filePath as the database. Refuses (false, logged) a missing file,
    // which opening would otherwise create empty, and a file that is not a
    // readable Quorvel database; the file is left exactly as it was.
    //
    // Reading every page to prove a file sound costs more the more tasks
    // there are, so it is done only when the last session with this file did
    // not close it (a crash, a power cut: a marker beside the file says so)
    // and after the file was replaced. Otherwise a look at the header, the
    // schema and the edges of each table finds a file that is not a database,
    // cut short or foreign, at a small cost that does not grow.
    Q_INVOKABLE bool connectDatabase(const QString& filePath);
    Q_INVOKABLE void disconnectDatabase();
    Q_INVOKABLE bool isConnected() const;

    // The schema changes that run at every open. Each logs its failure and
    // leaves the database usable without the table or index.
    Q_INVOKABLE void createCalendarInfoTable();
    Q_INVOKABLE void createTaskStateIndex();
    Q_INVOKABLE void createUniqueIndexForProjectsAndContexts();
    // Indexes that keep the day plan, the calendar and the lists fast.
    Q_INVOKABLE void createQueryIndexes();

    Q_INVOKABLE bool beginTransaction();
    // A failed commit rolls the transaction back at once.
    Q_INVOKABLE bool commitChanges();
    Q_INVOKABLE bool rollbackChanges();

    // The ID of the last object created by a local insert; emptied by a
    // failed commit and by every rollback.
    Q_INVOKABLE QString lastCreatedObjectId() const;
    void setLastCreatedObjectId(const QString& id);

    // Wipes all local data: replaces the database with a fresh copy of the
    // template, resets the built-in list identifiers and marks the predefined
    // folders and contexts as not yet created. Returns whether the new
    // database is open. An open database is backed up first; one that could
    // not be opened is kept aside under another name.
    Q_INVOKABLE bool recreateDatabase();
    // Puts a copy of a backup in place of a database that could not be
    // opened, which is kept aside under another name. Refused while the
    // store is open and for a backup that fails its check. Returns whether
    // the restored database is open.
    Q_INVOKABLE bool restoreBackup(const QString& backupPath);

    // The rolling backups of this store's file.
    DatabaseBackup backups() const;
    // The label of the account whose data the store holds now.
    QString backupAccount() const;
    // Backs the database up once a day, at the first check (every
    // checkIntervalMs) that finds the store quiet: open, no change waiting
    // to be confirmed, no statement for quietMs. The copy's check runs on
    // another thread, so the worker is held only while pages are copied.
    void startDailyBackups(int checkIntervalMs = 60000, int quietMs = 10000);
    // One such check now; true when a backup was started.
    bool backUpIfDue(int quietMs);
    // Whether no statement ran for quietMs and no transaction is open.
    bool isQuiet(int quietMs) const;

    // The marker that says a session has the database at filePath open.
    static QString inUseMarkerPath(const QString& filePath);

    // Statement primitives. Each runs the SQL text once on a new query;
    // a failure is logged with the driver's text.
    bool execute(const QString& sql);
    // The first column of the first row; 0 when there is no row or on failure.
    int count(const QString& sql);
    // Every row as a record; empty on failure.
    QList<DataObject> list(const QString& sql);
    // The first row as a record; an empty record when there is none or on failure.
    DataObject single(const QString& sql);

    // A result row as a record: upper-case column names as keys, START and
    // DUE as wall-clock date-times (invalid when unset, but always present).
    static DataObject recordFromQuery(const QSqlQuery& query);

    // Collaborators. Unset, the process-wide objects are used; tests and the
    // benchmark give the store their own.
    void setRepeatedTaskHelper(RepeatedTaskHelper* helper);
    RepeatedTaskHelper* repeatedTaskHelper() const;
    void setSettings(Settings* settings);
    Settings* settings() const;
    // Called with the text of every statement before it runs.
    void setStatementObserver(std::function<void(const QString&)> observer);

    // Whether the last statement failed for the database's own sake (a full
    // disk, an I/O error, a read-only or locked file) rather than for the
    // data it was given: such a failure says nothing about the object.
    bool lastFailureWasStorage() const;
    // Whether a transaction begun here (or by beginTransaction()) is open.
    bool isInTransaction() const;

    // --- Creates. Local ones give the object a new ID unless it carries one,
    // mark it LOCAL and not SYNCED, stamp it now and leave a transaction open.
    // A record carrying "SYNC" is the server's: SYNCED, not LOCAL, its own
    // TIMESTAMP kept.
    Q_INVOKABLE bool createTaskLocally(const DOTask& task);
    Q_INVOKABLE bool createTaskRemotely(const QVariantMap& task);
    Q_INVOKABLE bool createProjectLocally(const DataObject& project);
    Q_INVOKABLE bool createProjectRemotely(const QVariantMap& project);
    Q_INVOKABLE bool createContextLocally(const DOContext& context);
    Q_INVOKABLE bool createContextRemotely(const QVariantMap& context);

    // --- Updates. Only the keys present are written. A local update stamps
    // the object now and marks it not SYNCED; one carrying "SYNC" keeps its
    // TIMESTAMP and marks it SYNCED. Updating an object that is not stored
    // fails.
    //
    // Completing a repeated task moves it to its next dates and keeps it
    // active. With updatedTask the call is part of a larger write: no
    // transaction is begun, and the record as written is copied out.
    Q_INVOKABLE bool updateTaskLocally(const DOTask& task);
    bool updateTaskLocally(const DOTask& task, QVariantMap* updatedTask);
    // A remote update also reactivates the task's deleted projects and folders.
    Q_INVOKABLE bool updateTaskRemotely(const QVariantMap& task);
    // Deleting or completing a folder or project carries the state down to
    // everything visible below it. With updatedObjects the call is nested
    // (no transaction) and every written record is appended; with
    // updatedProject the project is only losing its context: nothing cascades.
    Q_INVOKABLE bool updateProjectLocally(const DataObject& project);
    bool updateProjectLocally(
        const DataObject& project, QList<QVariantMap>* updatedObjects, QVariantMap* updatedProject = nullptr);
    Q_INVOKABLE bool updateProjectRemotely(const QVariantMap& project);
    // Deleting a context takes it off its tasks and projects and deletes its
    // active sub-contexts.
    Q_INVOKABLE bool updateContextLocally(const DOContext& context);
    bool updateContextLocally(const DOContext& context, QList<DataObject>* updatedObjects);
    Q_INVOKABLE bool updateContextRemotely(const QVariantMap& context);
    // Every record written by the last top-level local update or restore, in
    // the order written (the cascade's children before their parent), so that
    // a caller on another thread can follow up on what a cascade changed.
    Q_INVOKABLE QList<DataObject> lastUpdatedObjects() const;

    // --- Restores from the trash: the deleted flag is cleared (3 becomes 2).
    // An object whose container is gone or itself in the trash is moved out
    // of it (tasks to the one-step actions list, the others to the root), so
    // that it does not come back invisible.
    Q_INVOKABLE bool restoreTask(const DOTask& task);
    Q_INVOKABLE bool restoreProject(const DOProject& project);
    Q_INVOKABLE bool restoreFolder(const DOFolder& folder);
    Q_INVOKABLE bool restoreContext(const DOContext& context);

    // --- Identifier replacement, after the server named objects created here.
    Q_INVOKABLE bool updateTaskParents(const QString& oldId, const QString& newId);
    Q_INVOKABLE bool updatePredefinedFolder(const QString& oldId, const QString& newId);
    Q_INVOKABLE bool updatePredefinedContext(const QString& oldId, const QString& newId, bool isDeleted);

    // --- Reads. Visible means active or completed.
    Q_INVOKABLE DOTask getTaskById(const QString& id);
    Q_INVOKABLE QList<DOTask> getTasksByIds(const QStringList& ids);
    Q_INVOKABLE DataObject getProjectById(const QString& id);
    Q_INVOKABLE DOContext getContextById(const QString& id);
    Q_INVOKABLE QList<DOTask> getProjectTasks(const QString& projectId);
    Q_INVOKABLE QList<DOTask> getContextTasks(const QString& contextId);
    Q_INVOKABLE QList<DOTask> getNoContextTasks();
    Q_INVOKABLE QList<DOTask> getActiveRepeatedTasks();
    Q_INVOKABLE QList<DOProject> getContextProjects(const QString& contextId);
    Q_INVOKABLE QList<DOProject> getAllActiveProjects();
    Q_INVOKABLE QList<DOFolder> getAllFolders();
    Q_INVOKABLE QList<DOContext> getAllContexts();
    Q_INVOKABLE QList<DataObject> getNestedObjects(const QString& folderId);
    Q_INVOKABLE QList<DOContext> getNestedContexts(const QString& contextId);
    // Active sub-contexts, then the context's visible projects, then its tasks.
    Q_INVOKABLE QList<DataObject> getContextChildren(const QString& contextId);
    Q_INVOKABLE QList<DataObject> getRootProjects();
    Q_INVOKABLE QList<DOContext> getRootContexts();
    Q_INVOKABLE TreeHierarchy getProjectTree();
    Q_INVOKABLE TreeHierarchy getContextTree();
    // Every descendant in any state, after a first row standing for the
    // folder (context) itself with empty fields.
    Q_INVOKABLE QList<DataObject> getSubprojectsRecursive(const QString& folderId);
    Q_INVOKABLE QList<DOContext> getSubcontextsRecursive(const QString& contextId);
    // Names from the root down to the object.
    Q_INVOKABLE QStringList getProjectNameChain(const QString& id);
    Q_INVOKABLE QStringList getContextNameChain(const QString& id);
    // Visible tasks, then visible projects and folders, then active contexts.
    Q_INVOKABLE QList<DataObject> getAllObjects();

    // --- The trash: objects deleted since trashWindowStart().
    Q_INVOKABLE QList<DOTask> getDeletedTasks();
    Q_INVOKABLE bool hasDeletedTasks();
    Q_INVOKABLE QList<DOTask> getDeletedProjectTasks(const QString& projectId);
    Q_INVOKABLE QList<DOProject> getDeletedProjects();
    Q_INVOKABLE bool hasDeletedProjects();
    Q_INVOKABLE QList<DOFolder> getDeletedFolders();
    Q_INVOKABLE bool hasDeletedFolders();
    Q_INVOKABLE QList<DOContext> getDeletedContexts();
    Q_INVOKABLE bool hasDeletedContexts();
    Q_INVOKABLE QList<DOFolder> getDeletedSubfolders(const QString& folderId);
    Q_INVOKABLE QList<DOProject> getDeletedSubprojects(const QString& folderId);
    Q_INVOKABLE QList<DOContext> getDeletedSubcontexts(const QString& contextId);
    // The lower time bound of the trash: the last time the user emptied it,
    // or 14 days ago when that never happened.
    qint64 trashWindowStart() const;

    // --- Counts and checks.
    Q_INVOKABLE int getProjectTaskCount(const QString& projectId);
    Q_INVOKABLE int getContextTaskCount(const QString& contextId);
    Q_INVOKABLE int getContextProjectCount(const QString& contextId);
    Q_INVOKABLE int getContextTaskCountRecursive(const QString& contextId);
    Q_INVOKABLE int getContextProjectCountRecursive(const QString& contextId);
    Q_INVOKABLE int getNestedContextCount(const QString& contextId, bool includeAllStates = false);
    Q_INVOKABLE int getNestedFolderCount(const QString& folderId, bool includeDeleted = false);
    Q_INVOKABLE int getNestedProjectCount(const QString& folderId, bool includeDeleted = false);
    Q_INVOKABLE bool projectHasTasks(const DOProject& project);
    Q_INVOKABLE bool projectHasActiveTasks(const DOProject& project);
    Q_INVOKABLE bool folderHasActiveObjects(const DOFolder& folder);
    Q_INVOKABLE bool contextHasActiveObjects(const DOContext& context);

    // --- What synchronisation must send. Parents come before their children
    // for updates and after them for deletes.
    Q_INVOKABLE QList<DOTask> getTasksToUpdate();
    Q_INVOKABLE QList<DOTask> getTasksToDeleteOrComplete();
    Q_INVOKABLE QList<DOProject> getProjectsToUpdate();
    Q_INVOKABLE QList<DOProject> getProjectsToDeleteOrComplete();
    Q_INVOKABLE QList<DOFolder> getFoldersToUpdate();
    Q_INVOKABLE QList<DOFolder> getFoldersToDelete();
    Q_INVOKABLE QList<DOContext> getContextsToUpdate();
    Q_INVOKABLE QList<DOContext> getContextsToDelete();

    // --- Calendar export bookkeeping.
    Q_INVOKABLE QList<DOTask> getCalendarTasksToCreate();
    Q_INVOKABLE QList<DOTask> getCalendarTasksToUpdate();
    Q_INVOKABLE QStringList getCalendarTasksToDelete();
    Q_INVOKABLE QStringList getCalendarTaskIds();
    Q_INVOKABLE bool handleCalendarTaskCreated(const QString& taskId);
    Q_INVOKABLE bool handleCalendarTaskUpdated(const QString& taskId);
    Q_INVOKABLE bool markCalendarTasksToUpdate();
    Q_INVOKABLE bool clearCalendarInfoTable();

    // --- The daily plan. A date-time argument counts by its own date and
    // clock time, whatever its time zone.
    // The tasks of a day, the occurrences of repeated tasks on it, and (when
    // the daily plan shows projects) the projects of the day.
    Q_INVOKABLE QList<DOTask> getDayTasks(const QDate& date);
    // Tasks of the day not completed and due from dateTime to the day's end.
    Q_INVOKABLE int getActiveDayTaskCount(const QDateTime& dateTime);
    // Tasks of the day not completed and due before dateTime.
    Q_INVOKABLE int getOverdueDayTaskCount(const QDateTime& dateTime);
    Q_INVOKABLE int getProjectOverdueTaskCount(const QString& projectId);
    Q_INVOKABLE bool hasActiveObjects(const QDateTime& dateTime);
    Q_INVOKABLE bool hasOverdueTasks(const QDateTime& dateTime);
    // The calendar's three flags for the day of dateTime.
    Q_INVOKABLE IndicatorState getIndicatorState(const QDateTime& dateTime);

signals:
    void connectedChanged(bool connected);
    // A daily backup finished its check: the kept copy, or empty when it failed.
    void dailyBackupFinished(const QString& path);

private:
    // Everything that runs at each open, in order.
    void updateSchema();
    void updateQueryStatisticsIfStale();

    enum class Table { Task, Project, Context };
    enum class ProjectWrite { TopLevel, Nested, ContextRemoval };

    bool beginLocalWrite();
    bool createTask(const DOTask& task, bool local);
    bool createProject(const DataObject& project, bool local);
    bool createContext(const DOContext& context, bool local);
    bool insertObject(Table table, DataObject record, bool local);
    bool prepareUpdate(Table table, DataObject record, DataObject* prepared);
    bool writeUpdate(Table table, const DataObject& prepared, DataObject* written);
    bool updateObject(Table table, const DataObject& record, DataObject* written);
    bool normalise(Table table, DataObject* record, QString* problem) const;
    bool executeUpdate(const QString& sql, int* rowsAffected);
    bool updateTaskWrite(const DOTask& task, bool topLevel, QVariantMap* updatedTask);
    bool updateProjectWrite(const DataObject& project, ProjectWrite mode, int cascadeFlags,
        QList<QVariantMap>* updatedObjects, QVariantMap* updatedProject);
    bool updateContextWrite(const DOContext& context, bool topLevel, QList<DataObject>* updatedObjects);
    bool reviveAncestors(Table table, const QString& parentId, int state);
    bool restoreTaskWrite(DOTask task);
    bool restoreProjectWrite(DOProject project);
    bool restoreFolderWrite(DOFolder folder);
    bool restoreContextWrite(DOContext context);
    bool containerIsGone(Table table, const QString& id);
    bool showProjectsInDailyPlan() const;
    QList<DOTask> dayTaskList(const QDate& date);
    QStringList nameChain(const QString& sql);
    QStringList idColumn(const QString& sql);
    void beginTopLevelRecords();
    bool endTopLevelRecords(bool result);

    enum class OpenCheck { Cheap, Full };
    bool checkReadable(const QString& filePath, OpenCheck depth);
    bool checkEveryPage(const QString& filePath);
    bool checkStructure(const QString& filePath);
    void markInUse(const QString& filePath);
    void clearInUseMark();
    // The schema objects that the open-time statements would still create.
    QStringList pendingSchemaObjects();
    bool holdsAnyObject();
    void backUpBefore(DatabaseBackup::Reason reason);
    bool setAsideUnreadableFile(QString* keptAs = nullptr);
    bool removeDatabaseFile();
    void writePredefinedObjectsReset();
    void setConnected(bool connected);

    struct Private;
    std::unique_ptr<Private> d;
};
