#pragma once

#include "data/IndicatorState.h"
#include "data/ObjectHandler.h"

#include <QDate>
#include <QDateTime>
#include <QJSValue>
#include <QList>
#include <QVariantMap>

// The interface's way to read and change tasks.
//
// Creates, updates and restores are committed at once. Deleting and
// completing are pending changes: the store's transaction stays open while
// the interface offers undo, and the interface then calls exactly one of
// confirmTaskUpdate() or revertTaskState() before it writes anything else.
//
// Completing a repeated task leaves a completed copy of the occurrence in the
// history and moves the task itself on to its next dates; the copy's ID is
// announced with repeatedTaskCompleted() once the change is confirmed.
class TaskHandler : public ObjectHandler
{
    Q_OBJECT

public:
    explicit TaskHandler(QObject* parent = nullptr);
    // Tests give a data manager of their own; null means the program's one.
    explicit TaskHandler(DataManager* dataManager, QObject* parent = nullptr);
    ~TaskHandler() override;

    // --- Lists. Each call gives a new model owned by the QML engine.
    Q_INVOKABLE QAbstractItemModel* getDayTasks(const QDate& date);
    Q_INVOKABLE QAbstractItemModel* getContextTasks(const QString& contextId);
    Q_INVOKABLE QAbstractItemModel* getNoContextTasks();
    Q_INVOKABLE QAbstractItemModel* getProjectTasks(const QString& projectId);
    Q_INVOKABLE QAbstractItemModel* getDeletedTasks();
    // One row, or none when there is no such task.
    Q_INVOKABLE QAbstractItemModel* getTaskById(const QString& id);

    // --- Counts.
    Q_INVOKABLE int getActiveDayTaskCount(const QDateTime& dateTime);
    Q_INVOKABLE int getOverdueDayTaskCount(const QDateTime& dateTime);
    Q_INVOKABLE bool hasDeletedTasks();
    Q_INVOKABLE int getProjectTaskCount(const QString& projectId);
    Q_INVOKABLE int getProjectOverdueTaskCount(const QString& projectId);

    // --- Changes committed at once.
    Q_INVOKABLE bool createTask(const QVariantMap& task);
    Q_INVOKABLE bool updateTask(const QVariantMap& task);
    Q_INVOKABLE bool restoreTask(const QVariantMap& task);
    Q_INVOKABLE QString lastCreatedTaskId();

    // --- Pending changes.
    Q_INVOKABLE bool markTaskAsDeleted(const QVariantMap& task, bool emitUpdateSignal = true);
    Q_INVOKABLE bool markTaskAsCompleted(const QVariantMap& task);
    Q_INVOKABLE bool confirmTaskUpdate(const QVariantMap& task);
    Q_INVOKABLE void revertTaskState(const QVariantMap& task, bool emitUpdateSignal = true);

    // Asks the data worker for the calendar flags of the day of dateTime and
    // calls jsCallback with them ({hasActiveObjects, hasOverdueTasks,
    // hasRepeatedTasks}) when the answer arrives.
    Q_INVOKABLE void requestIndicatorStateForDate(const QDateTime& dateTime, const QJSValue& jsCallback);

    // --- Favorites. The count is of favorite tasks that are still active,
    // as the favorites list shows them.
    Q_INVOKABLE void addToFavorites(const QVariantMap& task);
    Q_INVOKABLE void removeFromFavorites(const QVariantMap& task);
    Q_INVOKABLE bool inFavorites(const QVariantMap& task);
    Q_INVOKABLE int taskCountInFavorites();

signals:
    void taskAdded(QVariantMap task);
    void taskUpdated(QVariantMap task);
    void repeatedTaskCompleted(QString taskId);

private:
    bool completeRepeatedTask(const DOTask& task);
    void answerIndicatorState(const QDateTime& dateTime, const IndicatorState& state);

    // A repeated task moved on to its next dates: its reminders follow.
    void rescheduleRemindersOnAdvance(const DOTask& before, const DOTask& after);

    struct IndicatorRequest
    {
        QDateTime dateTime;
        QJSValue callback;
    };

    // The completed copy made by completing a repeated task, until the
    // change is confirmed or undone.
    QString m_completedCopyId;
    QList<IndicatorRequest> m_indicatorRequests;
};
