#include "data/TaskEditRules.h"

#include "data/DataManager.h"
#include "data/ObjectState.h"
#include "data/TaskEditValues.h"
#include "logging/Log.h"
#include "shell/Settings.h"
#include "time/NotificationManager.h"

#include <QtGlobal>

namespace {
const QString NameKey = QStringLiteral("NAME");
const QString MemoKey = QStringLiteral("MEMO");
const QString StateKey = QStringLiteral("STATE");
const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString MonthlyKind = QStringLiteral("m");

const int TrashKeepsDays = 14;
const qint64 SecondsPerDay = 86400;

int monthsBetween(const QDate& from, const QDate& to)
{
    return (to.year() - from.year()) * 12 + to.month() - from.month();
}

// Unset dates are left out rather than written as '' so that a write of
// the record does not touch them.
QVariantMap withoutUnsetDatesUnlessRepeated(QVariantMap task)
{
    if (TaskEditValues::isRepeated(task))
        return task;
    for (const QString& key : { StartKey, DueKey }) {
        if (task.contains(key) && !TaskEditValues::wallClockOf(task.value(key)).isValid())
            task.remove(key);
    }
    return task;
}
} // namespace

TaskEditRules::TaskEditRules(Settings* settings, DataManager* dataManager, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_dataManager(dataManager)
{
}

TaskEditRules::~TaskEditRules() = default;

void TaskEditRules::setClock(const Clock& clock)
{
    m_clock = clock;
}

QDateTime TaskEditRules::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

QVariantMap TaskEditRules::renamed(const QVariantMap& record, const QString& name) const
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return record;
    QVariantMap result = record;
    result.insert(NameKey, trimmed);
    return result;
}

QVariantMap TaskEditRules::withMemo(const QVariantMap& record, const QString& memo) const
{
    QVariantMap result = record;
    result.insert(MemoKey, memo.trimmed());
    return result;
}

bool TaskEditRules::changesMoreThanDates(const QVariantMap& before, const QVariantMap& after) const
{
    // What the user edits besides the dates; bookkeeping keys (TIMESTAMP,
    // SYNCED, the occurrence keys of repeated tasks) do not count.
    for (const QString& key : { NameKey, MemoKey, StateKey, PeriodKey, QStringLiteral("PARENT"),
             QStringLiteral("CONTEXT") }) {
        if (before.value(key).toString() != after.value(key).toString())
            return true;
    }
    return false;
}

QVariantMap TaskEditRules::completionRecord(const QVariantMap& task) const
{
    return withoutUnsetDatesUnlessRepeated(task);
}

QVariantMap TaskEditRules::uncompleted(const QVariantMap& task) const
{
    QVariantMap result = task;
    result.insert(StateKey, int(ObjectState::Active));
    return withoutUnsetDatesUnlessRepeated(result);
}

QDateTime TaskEditRules::dateTimePopupValue(const QVariantMap& record, bool isDue) const
{
    const QDateTime current = TaskEditValues::wallClockOf(record.value(isDue ? DueKey : StartKey));
    if (current.isValid())
        return current;
    const QTime time
        = isDue ? TaskEditValues::defaultDueTime(settings()) : TaskEditValues::defaultStartTime(settings());
    return TaskEditValues::onDay(now().date(), time);
}

QVariantMap TaskEditRules::withEditedDate(const QVariantMap& record, bool isDue, const QDateTime& value) const
{
    QVariantMap result = record;
    const QDateTime date = TaskEditValues::wallClockOf(value);
    result.insert(isDue ? DueKey : StartKey, date);
    // A repetition counts from the due date; without one it would repeat
    // from nothing.
    if (isDue && !date.isValid() && TaskEditValues::isTask(result))
        result.insert(PeriodKey, QString());
    return withStartNotAfterDue(result);
}

QVariantMap TaskEditRules::withStartNotAfterDue(const QVariantMap& record) const
{
    return TaskEditValues::withStartNotAfterDue(record);
}

bool TaskEditRules::moveRemindersToNewDates(const QVariantMap& oldRecord, const QVariantMap& newRecord)
{
    bool saved = true;
    for (const bool isDue : { false, true }) {
        const QString key = isDue ? DueKey : StartKey;
        const QDateTime oldDate = TaskEditValues::wallClockOf(oldRecord.value(key));
        const QDateTime newDate = TaskEditValues::wallClockOf(newRecord.value(key));
        if (!oldDate.isValid() || oldDate == newDate)
            continue;
        const QVariantMap oldInfo = TaskEditValues::reminderInfo(oldRecord, isDue, oldDate);
        const QVariantMap newInfo = TaskEditValues::reminderInfo(newRecord, isDue, newDate);
        // A key names a moment, not a type: a reminder just set for the new
        // date can have the key another type gives the old one. All old
        // reminders are therefore found and removed before any is set again.
        QList<int> types;
        for (int type = NotificationManager::AtTimeOfEvent; type <= NotificationManager::TwoDays; ++type) {
            if (dataManager()->hasScheduledReminder(oldInfo, type))
                types.append(type);
        }
        for (const int type : types)
            saved = dataManager()->removeScheduledReminder(oldInfo, type) && saved;
        for (const int type : types) {
            if (newDate.isValid())
                saved = dataManager()->scheduleReminder(newInfo, type) && saved;
        }
    }
    if (!saved)
        QLOG_WARN() << "Not every reminder of task " << newRecord.value(QStringLiteral("ID")).toString()
                    << " could be moved to its new dates.";
    return saved;
}

QVariantMap TaskEditRules::droppedOnDay(const QVariantMap& record, const QDate& day) const
{
    if (!day.isValid()) {
        QLOG_WARN() << "A row was dropped on no valid day; its dates stay as they are.";
        return record;
    }
    const QDateTime oldDue = TaskEditValues::wallClockOf(record.value(DueKey));
    const QTime dueTime = oldDue.isValid() ? oldDue.time() : TaskEditValues::defaultDueTime(settings());
    const QDateTime newDue = TaskEditValues::onDay(day, dueTime);

    QVariantMap result = record;
    result.insert(DueKey, newDue);
    const QDateTime start = movedStart(record, day, newDue);
    if (start.isValid())
        result.insert(StartKey, start);
    // A start whose time of day is later than the due's would end up after
    // the due on the same day.
    return TaskEditValues::withStartNotAfterDue(result);
}

QDateTime TaskEditRules::movedStart(
    const QVariantMap& record, const QDate& day, const QDateTime& newDue) const
{
    const QDateTime start = TaskEditValues::wallClockOf(record.value(StartKey));
    const bool repeated = TaskEditValues::isRepeated(record);
    if (!start.isValid() || (start < newDue && !repeated))
        return QDateTime();
    const QDateTime oldDue = TaskEditValues::wallClockOf(record.value(DueKey));
    const bool keepsDayOfMonth = repeated && TaskEditValues::repetitionKind(record) == MonthlyKind
        && oldDue.isValid() && oldDue.date().day() == day.day();
    if (keepsDayOfMonth)
        return TaskEditValues::onDay(start.date().addMonths(monthsBetween(oldDue.date(), day)), start.time());
    return TaskEditValues::onDay(day, start.time());
}

bool TaskEditRules::isDraggable(const QVariantMap& record) const
{
    return !record.isEmpty() && !ObjectState::isCompleted(record.value(StateKey).toInt());
}

bool TaskEditRules::rowAcceptsDrop(const QVariantMap& target, bool targetAlsoAvailable,
    const QVariantMap& dragged, bool draggedAlsoAvailable) const
{
    if (!isDraggable(dragged) || target.isEmpty())
        return false;
    if (TaskEditValues::isTask(target) != TaskEditValues::isTask(dragged))
        return false;
    if (ObjectState::isCompleted(target.value(StateKey).toInt())
        != ObjectState::isCompleted(dragged.value(StateKey).toInt()))
        return false;
    return !targetAlsoAvailable || draggedAlsoAvailable;
}

bool TaskEditRules::dropMovesToDay(bool targetAlsoAvailable, bool draggedAlsoAvailable) const
{
    return draggedAlsoAvailable && !targetAlsoAvailable;
}

bool TaskEditRules::calendarAcceptsDrop(const QVariantMap& dragged) const
{
    return TaskEditValues::isTask(dragged) && isDraggable(dragged);
}

QVariantMap TaskEditRules::droppedOnInbox(const QVariantMap& dragged, const QString& inboxId) const
{
    const QString parentKey = QStringLiteral("PARENT");
    if (!calendarAcceptsDrop(dragged) || inboxId.isEmpty() || dragged.value(parentKey).toString() == inboxId)
        return {};
    QVariantMap moved = dragged;
    moved.insert(parentKey, inboxId);
    return moved;
}

int TaskEditRules::trashDaysLeft(qint64 timestamp) const
{
    const qint64 elapsed = now().toSecsSinceEpoch() - timestamp;
    if (elapsed <= 0)
        return TrashKeepsDays;
    const qint64 wholeDays = elapsed / SecondsPerDay;
    return int(qBound<qint64>(0, TrashKeepsDays - wholeDays, TrashKeepsDays));
}

bool TaskEditRules::isListedInTrash(qint64 timestamp) const
{
    return timestamp >= qint64(settings()->trashCleanupTimestamp());
}

bool TaskEditRules::emptyTrash()
{
    const uint moment = uint(now().toSecsSinceEpoch());
    settings()->setTrashCleanupTimestamp(moment);
    if (settings()->trashCleanupTimestamp() == moment)
        return true;
    QLOG_ERROR() << "Unable to save the moment the trash was emptied; its objects stay listed.";
    return false;
}

Settings* TaskEditRules::settings() const
{
    if (!m_settings)
        m_settings = Settings::instance();
    return m_settings;
}

DataManager* TaskEditRules::dataManager() const
{
    if (!m_dataManager)
        m_dataManager = DataManager::instance();
    return m_dataManager;
}
