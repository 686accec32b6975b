#include "data/TaskHandler.h"

#include "data/DataManager.h"
#include "data/ObjectState.h"
#include "logging/Log.h"
#include "models/FavoritesManager.h"
#include "models/ContextTaskSortModel.h"
#include "models/DailyPlanListModel.h"
#include "models/DailyPlanSortModel.h"
#include "models/NoContextTasksListModel.h"
#include "models/NoContextTasksSortModel.h"
#include "shell/Settings.h"

#include <QJSEngine>

namespace {
const QString IdKey = QStringLiteral("ID");
const QString StateKey = QStringLiteral("STATE");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString FakeStartKey = QStringLiteral("FAKESTART");
const QString FakeDueKey = QStringLiteral("FAKEDUE");
const QString RepeatedKey = QStringLiteral("REPEATED");
} // namespace

TaskHandler::TaskHandler(QObject* parent)
    : TaskHandler(nullptr, parent)
{
}

TaskHandler::TaskHandler(DataManager* dataManager, QObject* parent)
    : ObjectHandler(dataManager, parent)
{
    connect(this->dataManager(), &DataManager::indicatorStateForDateChanged, this,
        &TaskHandler::answerIndicatorState);
}

TaskHandler::~TaskHandler() = default;

// --- Lists.

QAbstractItemModel* TaskHandler::getDayTasks(const QDate& date)
{
    DataManager* data = dataManager();
    auto* plan = new DailyPlanSortModel();
    plan->setHideAlsoAvailable(!Settings::instance()->showFutureTasks());
    connect(Settings::instance(), &Settings::showFutureTasksChanged, plan,
        [plan](bool showFutureTasks) { plan->setHideAlsoAvailable(!showFutureTasks); });
    return sortedModel(plan, new DailyPlanListModel([data, date] { return data->getDayTasks(date); }, date),
        date.toString(QStringLiteral("ddMMyyyy")), SortingNamespace::ListTypeDailyPlan, true);
}

QAbstractItemModel* TaskHandler::getContextTasks(const QString& contextId)
{
    DataManager* data = dataManager();
    return sortedModel(new ContextTaskSortModel(),
        new ListModel([data, contextId] { return data->getContextTasks(contextId); }), contextId,
        SortingNamespace::ListTypeContext, true);
}

QAbstractItemModel* TaskHandler::getNoContextTasks()
{
    DataManager* data = dataManager();
    // The contexts page lists these under its "No context" row.
    return sortedModel(new NoContextTasksSortModel(),
        new NoContextTasksListModel([data] { return data->getNoContextTasks(); },
            [data](const QString& projectId) { return data->getProjectById(projectId); }),
        QStringLiteral("no_context"), SortingNamespace::ListTypeContext, true);
}

QAbstractItemModel* TaskHandler::getProjectTasks(const QString& projectId)
{
    DataManager* data = dataManager();
    return sortedModel(new SortModel(),
        new ListModel([data, projectId] { return data->getProjectTasks(projectId); }), projectListId(projectId),
        SortingNamespace::ListTypeProject, true);
}

QAbstractItemModel* TaskHandler::getDeletedTasks()
{
    DataManager* data = dataManager();
    // The trash has an order of its own (newest first) and no stored choice.
    return sortedModel(new SortModel(), new ListModel([data] { return data->getDeletedTasks(); }), QString(),
        SortingNamespace::ListTypeProject, true);
}

QAbstractItemModel* TaskHandler::getTaskById(const QString& id)
{
    DataManager* data = dataManager();
    return recordModel([data, id] { return data->getTaskById(id); });
}

// --- Counts.

int TaskHandler::getActiveDayTaskCount(const QDateTime& dateTime)
{
    return dataManager()->getActiveDayTaskCount(dateTime);
}

int TaskHandler::getOverdueDayTaskCount(const QDateTime& dateTime)
{
    return dataManager()->getOverdueDayTaskCount(dateTime);
}

bool TaskHandler::hasDeletedTasks()
{
    return dataManager()->hasDeletedTasks();
}

int TaskHandler::getProjectTaskCount(const QString& projectId)
{
    return dataManager()->getProjectTaskCount(projectId);
}

int TaskHandler::getProjectOverdueTaskCount(const QString& projectId)
{
    return dataManager()->getProjectOverdueTaskCount(projectId);
}

// --- Changes committed at once.

bool TaskHandler::createTask(const QVariantMap& task)
{
    if (!finishWrite(dataManager()->createTaskLocally(task)))
        return false;
    emit taskAdded(task);
    scheduleSync();
    return true;
}

bool TaskHandler::updateTask(const QVariantMap& task)
{
    if (!finishWrite(dataManager()->updateTaskLocally(task)))
        return false;
    emit taskUpdated(task);
    scheduleSync();
    return true;
}

bool TaskHandler::restoreTask(const QVariantMap& task)
{
    if (!finishWrite(dataManager()->restoreTask(task)))
        return false;
    emit taskUpdated(task);
    scheduleSync();
    return true;
}

QString TaskHandler::lastCreatedTaskId()
{
    return dataManager()->lastCreatedObjectId();
}

// --- Pending changes.

bool TaskHandler::markTaskAsDeleted(const QVariantMap& task, bool emitUpdateSignal)
{
    QLOG_INFO() << "Marking the task " << idOf(task) << " with state " << stateOf(task) << " as deleted...";
    DOTask changed = task;
    changed.insert(StateKey, stateOf(task) | ObjectState::DeletedFlag);
    if (!keepPending(dataManager()->updateTaskLocally(changed)))
        return false;
    if (emitUpdateSignal)
        emit taskUpdated(changed);
    scheduleSync();
    return true;
}

bool TaskHandler::markTaskAsCompleted(const QVariantMap& task)
{
    QLOG_INFO() << "Marking the task " << idOf(task) << " with state " << stateOf(task) << " as completed...";
    DOTask changed = task;
    changed.insert(StateKey, ObjectState::Completed);
    const bool repeated = !task.value(PeriodKey).toString().isEmpty();
    if (!keepPending(repeated ? completeRepeatedTask(changed) : dataManager()->updateTaskLocally(changed))) {
        m_completedCopyId.clear();
        return false;
    }
    emit taskUpdated(changed);
    scheduleSync();
    return true;
}

bool TaskHandler::completeRepeatedTask(const DOTask& task)
{
    // The occurrence that was completed goes to the history as a task of
    // its own. An occurrence shown on another day than the task's own dates
    // carries that day's dates in FAKESTART and FAKEDUE.
    DOTask copy = task;
    DOTask occurrence = task;
    for (const QString& fake : { FakeStartKey, FakeDueKey }) {
        const QString real = fake == FakeStartKey ? StartKey : DueKey;
        if (task.contains(fake)) {
            copy.insert(real, task.value(fake));
            occurrence.insert(real, task.value(fake));
        }
        copy.remove(fake);
    }
    copy.remove(RepeatedKey);
    copy.remove(IdKey);
    copy.insert(PeriodKey, QString());
    copy.insert(StateKey, ObjectState::Completed);
    if (!dataManager()->createTaskLocally(copy))
        return false;
    m_completedCopyId = dataManager()->lastCreatedObjectId();

    // The task itself counts its next dates from the occurrence completed,
    // not from its stored dates, which may lie further back; the store then
    // moves it on by one period and keeps it active.
    return dataManager()->updateTaskLocally(occurrence);
}

bool TaskHandler::confirmTaskUpdate(const QVariantMap& task)
{
    const QString copyId = m_completedCopyId;
    m_completedCopyId.clear();
    if (!dataManager()->commitChanges())
        return false;

    const QString id = idOf(task);
    DOTask stored = dataManager()->getTaskById(id);
    if (stored.isEmpty())
        stored = task;
    const bool closed = stateOf(stored) != ObjectState::Active;
    if (closed) {
        removeFromFavoritesOnClose(stored);
        removeScheduledRemindersOnClose(id);
    }
    if (!task.value(PeriodKey).toString().isEmpty()) {
        if (closed)
            dataManager()->removeAllRepeatedReminders(id);
        else
            rescheduleRemindersOnAdvance(task, stored);
    }
    if (!copyId.isEmpty())
        emit repeatedTaskCompleted(copyId);
    emit taskUpdated(stored);
    return true;
}

void TaskHandler::revertTaskState(const QVariantMap& task, bool emitUpdateSignal)
{
    QLOG_INFO() << "Reverting task's state...";
    dataManager()->rollbackChanges();
    cancelScheduledSync();
    m_completedCopyId.clear();
    if (emitUpdateSignal)
        emit taskUpdated(task);
}

void TaskHandler::rescheduleRemindersOnAdvance(const DOTask& before, const DOTask& after)
{
    dataManager()->rescheduleReminders(before, after);
}

// --- Day indicators.

void TaskHandler::requestIndicatorStateForDate(const QDateTime& dateTime, const QJSValue& jsCallback)
{
    if (!jsCallback.isCallable()) {
        QLOG_WARN() << "The day indicator was asked for without a function to answer.";
        return;
    }
    m_indicatorRequests.append({ dateTime, jsCallback });
    dataManager()->requestIndicatorStateForDate(dateTime);
}

void TaskHandler::answerIndicatorState(const QDateTime& dateTime, const IndicatorState& state)
{
    // The worker answers every request in the order they were made, so an
    // answer belongs to the oldest request for its moment; a later request
    // for the same moment waits for its own, fresher answer.
    QList<QJSValue> callbacks;
    for (int i = 0; i < m_indicatorRequests.size(); ++i) {
        if (m_indicatorRequests.at(i).dateTime == dateTime) {
            callbacks.append(m_indicatorRequests.takeAt(i).callback);
            break;
        }
    }
    if (callbacks.isEmpty())
        return;

    // The interface reached us through its engine, which makes the answer.
    QJSEngine* engine = qjsEngine(this);
    if (!engine) {
        QLOG_WARN() << "No script engine to answer the day indicator of " << dateTime << ".";
        return;
    }
    QJSValue answer = engine->newObject();
    answer.setProperty(QStringLiteral("hasActiveObjects"), state.hasActiveObjects);
    answer.setProperty(QStringLiteral("hasOverdueTasks"), state.hasOverdueTasks);
    answer.setProperty(QStringLiteral("hasRepeatedTasks"), state.hasRepeatedTasks);
    for (QJSValue callback : callbacks) {
        const QJSValue result = callback.call({ answer });
        if (result.isError())
            QLOG_WARN() << "The day indicator's answer failed: " << result.toString();
    }
}

// --- Favorites.

void TaskHandler::addToFavorites(const QVariantMap& task)
{
    FavoritesManager::instance()->add(FavoritesManager::TaskKind, idOf(task));
}

void TaskHandler::removeFromFavorites(const QVariantMap& task)
{
    FavoritesManager::instance()->remove(FavoritesManager::TaskKind, idOf(task));
}

bool TaskHandler::inFavorites(const QVariantMap& task)
{
    return FavoritesManager::instance()->contains(FavoritesManager::TaskKind, idOf(task));
}

int TaskHandler::taskCountInFavorites()
{
    const QStringList ids = FavoritesManager::instance()->taskIds();
    return ids.isEmpty() ? 0 : countActive(dataManager()->getTasksByIds(ids));
}
