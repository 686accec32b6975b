#include "data/TaskEditorRules.h"

#include "data/DataManager.h"
#include "data/ObjectState.h"
#include "data/TaskEditValues.h"
#include "logging/Log.h"
#include "shell/Settings.h"
#include "time/NotificationManager.h"

#include <QSet>

#include <algorithm>

namespace {
const QString IdKey = QStringLiteral("ID");
const QString NameKey = QStringLiteral("NAME");
const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString StateKey = QStringLiteral("STATE");
const QString KindField = QStringLiteral("kind");
const QString IntervalField = QStringLiteral("interval");
const QString WeekdaysField = QStringLiteral("weekdays");
const QChar PartSeparator = QLatin1Char(';');
const QChar WeekdaySeparator = QLatin1Char(',');

// How far before its date each reminder type comes, as the editor counts
// when it decides what to offer; indexed by NotificationManager's type.
const int OfferMinutesBefore[] = { 0, 5, 15, 30, 60, 120, 180, 1440, 2880 };

bool isKnownKind(const QString& kind)
{
    return kind == QLatin1String("d") || kind == QLatin1String("w") || kind == QLatin1String("m");
}
} // namespace

TaskEditorRules::TaskEditorRules(Settings* settings, DataManager* dataManager, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_dataManager(dataManager)
{
}

TaskEditorRules::~TaskEditorRules() = default;

void TaskEditorRules::setClock(const Clock& clock)
{
    m_clock = clock;
}

QDateTime TaskEditorRules::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

int TaskEditorRules::repeatInterval(int interval) const
{
    return qBound(MinRepeatInterval, interval, MaxRepeatInterval);
}

QVariantList TaskEditorRules::sortedWeekdays(const QVariantList& weekdays) const
{
    QList<int> days;
    for (const QVariant& value : weekdays) {
        bool isNumber = false;
        const int day = value.toInt(&isNumber);
        if (isNumber && day >= Qt::Monday && day <= Qt::Sunday && !days.contains(day))
            days.append(day);
    }
    std::sort(days.begin(), days.end());
    QVariantList sorted;
    for (const int day : days)
        sorted.append(day);
    return sorted;
}

QVariantList TaskEditorRules::weekdaysKeptForDate(const QVariantList& weekdays, const QDateTime& date) const
{
    const QVariantList sorted = sortedWeekdays(weekdays);
    const QDateTime wallClock = TaskEditValues::wallClockOf(date);
    if (!wallClock.isValid() || sorted.contains(wallClock.date().dayOfWeek()))
        return sorted;
    return QVariantList();
}

QString TaskEditorRules::repetitionRule(const QString& kind, int interval, const QVariantList& weekdays) const
{
    if (!isKnownKind(kind))
        return QString();
    QString rule = kind + PartSeparator + QString::number(repeatInterval(interval));
    const QVariantList days = sortedWeekdays(weekdays);
    if (kind == QLatin1String("w") && !days.isEmpty()) {
        QStringList numbers;
        for (const QVariant& day : days)
            numbers.append(QString::number(day.toInt()));
        rule += PartSeparator + numbers.join(WeekdaySeparator);
    }
    return rule;
}

QVariantMap TaskEditorRules::parsedRepetitionRule(const QString& rule) const
{
    QVariantMap parsed { { KindField, QString() }, { IntervalField, MinRepeatInterval },
        { WeekdaysField, QVariantList() } };
    const QStringList parts = rule.split(PartSeparator);
    const QString kind = parts.value(0);
    bool isNumber = false;
    const int interval = parts.value(1).toInt(&isNumber);
    // Only a weekly rule reads a third part; more than three make it repeat
    // on no day.
    const bool weekly = kind == QLatin1String("w");
    if (parts.size() < 2 || !isKnownKind(kind) || !isNumber || (weekly && parts.size() > 3)) {
        if (!rule.isEmpty())
            QLOG_WARN() << "The repetition rule \"" << rule
                        << "\" cannot be shown in the editor; it shows none.";
        return parsed;
    }
    parsed.insert(KindField, kind);
    parsed.insert(IntervalField, repeatInterval(interval));
    if (weekly && parts.size() == 3) {
        QVariantList days;
        for (const QString& day : parts.at(2).split(WeekdaySeparator, Qt::SkipEmptyParts))
            days.append(day);
        parsed.insert(WeekdaysField, sortedWeekdays(days));
    }
    return parsed;
}

QDateTime TaskEditorRules::nextOccurrence(const QDateTime& date, const QString& rule) const
{
    const QDateTime from = TaskEditValues::wallClockOf(date);
    const QVariantMap parsed = parsedRepetitionRule(rule);
    const QString kind = parsed.value(KindField).toString();
    const int interval = parsed.value(IntervalField).toInt();
    const QVariantList weekdays = parsed.value(WeekdaysField).toList();
    if (!from.isValid() || kind.isEmpty())
        return QDateTime();
    if (kind == QLatin1String("d"))
        return from.addDays(interval);
    if (kind == QLatin1String("m"))
        return from.addMonths(interval);
    if (weekdays.isEmpty())
        return from.addDays(7 * interval);
    const int weekday = from.date().dayOfWeek();
    for (const QVariant& day : weekdays) {
        if (day.toInt() > weekday)
            return from.addDays(day.toInt() - weekday);
    }
    return from.addDays(weekdays.first().toInt() + 7 * interval - weekday);
}

QVariantMap TaskEditorRules::monthlyRepetitionRefusal(const QDateTime& start, const QDateTime& due) const
{
    for (const QDateTime& value : { start, due }) {
        const QDateTime date = TaskEditValues::wallClockOf(value);
        if (date.isValid() && date.date().day() > LastMonthDayForRepetition)
            return { { QStringLiteral("title"), tr("Warning") },
                { QStringLiteral("text"),
                    tr("Unfortunately with monthly repeating tasks it's impossible to set due date to 29, 30 "
                       "and 31.") } };
    }
    return QVariantMap();
}

QVariantMap TaskEditorRules::withRepetitionDates(const QVariantMap& task) const
{
    const QDateTime start = TaskEditValues::wallClockOf(task.value(StartKey));
    if (TaskEditValues::wallClockOf(task.value(DueKey)).isValid())
        return task;
    // A repetition counts from the due date: a rule without one would be
    // dropped the next time the task is shown.
    QVariantMap result = task;
    const QDateTime newStart = start.isValid()
        ? start
        : TaskEditValues::onDay(now().date(), TaskEditValues::defaultStartTime(settings()));
    QDateTime newDue = TaskEditValues::onDay(newStart.date(), TaskEditValues::defaultDueTime(settings()));
    if (newStart > newDue)
        newDue = newDue.addDays(1);
    result.insert(StartKey, newStart);
    result.insert(DueKey, newDue);
    return result;
}

QVariantMap TaskEditorRules::withSingleDay(const QVariantMap& task) const
{
    const QString kind = TaskEditValues::repetitionKind(task);
    const QDateTime due = TaskEditValues::wallClockOf(task.value(DueKey));
    if ((kind != QLatin1String("d") && kind != QLatin1String("w")) || !due.isValid())
        return task;
    const QDateTime start = TaskEditValues::wallClockOf(task.value(StartKey));
    QTime startTime;
    if (start.isValid()) {
        startTime = start.time();
    } else {
        // As the repetition aligns a task that has only a due date.
        const QTime defaultStart = TaskEditValues::defaultStartTime(settings());
        startTime = due.time() < defaultStart ? QTime(0, 0) : defaultStart;
    }
    QVariantMap result = task;
    result.insert(StartKey, TaskEditValues::onDay(due.date(), startTime));
    return TaskEditValues::withStartNotAfterDue(result);
}

QDateTime TaskEditorRules::defaultDueOnDay(const QDate& day) const
{
    if (!day.isValid())
        return QDateTime();
    return TaskEditValues::onDay(day, TaskEditValues::defaultDueTime(settings()));
}

QVariantList TaskEditorRules::offeredReminderTypes(const QDateTime& date) const
{
    const QDateTime moment = TaskEditValues::localMomentOf(TaskEditValues::wallClockOf(date));
    QVariantList types;
    if (!moment.isValid())
        return types;
    const QDateTime current = now();
    for (int type = NotificationManager::AtTimeOfEvent; type <= NotificationManager::TwoDays; ++type) {
        if (moment.addSecs(-60 * qint64(OfferMinutesBefore[type])) > current)
            types.append(type);
    }
    return types;
}

QVariantList TaskEditorRules::chosenReminderTypes(const QVariantMap& task, bool isDue) const
{
    const QString id = task.value(IdKey).toString();
    const QDateTime date = TaskEditValues::wallClockOf(task.value(isDue ? DueKey : StartKey));
    const QVariantMap info = TaskEditValues::reminderInfo(task, isDue, date);
    QVariantList types;
    if (id.isEmpty())
        return types;
    for (int type = NotificationManager::AtTimeOfEvent; type <= NotificationManager::TwoDays; ++type) {
        const bool scheduled = date.isValid() && dataManager()->hasScheduledReminder(info, type);
        const bool kept = isDue ? dataManager()->hasDueRepeatedReminder(id, type)
                                : dataManager()->hasStartRepeatedReminder(id, type);
        if (scheduled || kept)
            types.append(type);
    }
    return types;
}

bool TaskEditorRules::applyReminderChoice(
    const QVariantMap& task, const QVariantList& startTypes, const QVariantList& dueTypes)
{
    const QString id = task.value(IdKey).toString();
    if (id.isEmpty()) {
        QLOG_WARN() << "Reminders were chosen for a task without an ID; none were set.";
        return false;
    }
    bool saved = dataManager()->removeAllRemindersById(id);
    saved = dataManager()->removeAllRepeatedReminders(id) && saved;
    saved = scheduleChosen(task, false, startTypes) && saved;
    saved = scheduleChosen(task, true, dueTypes) && saved;
    if (!saved)
        QLOG_WARN() << "Not every chosen reminder of task " << id << " could be saved.";
    return saved;
}

QVariantList TaskEditorRules::keptReminderTypes(
    const QVariantMap& task, bool isDue, const QVariantList& chosenTypes) const
{
    QVariantList kept;
    if (ObjectState::isCompleted(task.value(StateKey).toInt()))
        return kept;
    const QVariantList offered
        = offeredReminderTypes(TaskEditValues::wallClockOf(task.value(isDue ? DueKey : StartKey)));
    for (const QVariant& type : offered) {
        for (const QVariant& chosen : chosenTypes) {
            bool isNumber = false;
            if (chosen.toInt(&isNumber) == type.toInt() && isNumber) {
                kept.append(type);
                break;
            }
        }
    }
    return kept;
}

bool TaskEditorRules::hasReminderMark(const QVariantMap& task) const
{
    const QString id = task.value(IdKey).toString();
    if (id.isEmpty())
        return false;
    const QDateTime due = TaskEditValues::wallClockOf(task.value(DueKey));
    // A later occurrence has no reminder of its own yet: it gets the kept
    // types when the task moves on to it.
    if (TaskEditValues::isRepeated(task) && due.isValid() && due.date() > now().date())
        return !dataManager()->getStartRepeatedReminders(id).isEmpty()
            || !dataManager()->getDueRepeatedReminders(id).isEmpty();
    return dataManager()->hasScheduledReminders(id);
}

QString TaskEditorRules::favoriteChange(bool isNewTask, bool favoriteChosen, int state) const
{
    const bool keep = favoriteChosen && !ObjectState::isCompleted(state);
    if (keep)
        return QStringLiteral("add");
    return isNewTask ? QString() : QStringLiteral("remove");
}

bool TaskEditorRules::completesOnSave(bool isNewTask, int originalState, int savedState) const
{
    return !isNewTask && ObjectState::isActive(originalState) && savedState == ObjectState::Completed;
}

bool TaskEditorRules::scheduleChosen(const QVariantMap& task, bool isDue, const QVariantList& types)
{
    const QString id = task.value(IdKey).toString();
    const QDateTime date = TaskEditValues::wallClockOf(task.value(isDue ? DueKey : StartKey));
    const bool repeated = TaskEditValues::isRepeated(task);
    bool saved = true;
    for (const QVariant& value : types) {
        bool isNumber = false;
        const int type = value.toInt(&isNumber);
        if (!isNumber || !NotificationManager::isValidType(type) || !date.isValid()) {
            QLOG_WARN() << "Reminder type " << value.toString() << " of task " << id
                        << " was not set: it is no reminder type or the task has no such date.";
            saved = false;
            continue;
        }
        saved
            = dataManager()->scheduleReminder(TaskEditValues::reminderInfo(task, isDue, date), type) && saved;
        if (repeated && isDue)
            dataManager()->setDueRepeatedReminder(id, type);
        else if (repeated)
            dataManager()->setStartRepeatedReminder(id, type);
    }
    return saved;
}

QVariantMap TaskEditorRules::editedTask(const QVariantMap& shown) const
{
    const QString id = shown.value(IdKey).toString();
    if (id.isEmpty())
        return shown;
    const QVariantMap stored = dataManager()->getTaskById(id);
    if (stored.isEmpty()) {
        QLOG_WARN() << "Task " << id << " is not in the store; the editor shows it as the list did.";
        return shown;
    }
    return stored;
}

QVariantMap TaskEditorRules::preparedForSave(const QVariantMap& task) const
{
    const QString name = task.value(NameKey).toString().trimmed();
    if (name.isEmpty())
        return { { QStringLiteral("accepted"), false }, { QStringLiteral("errorTitle"), tr("Save Error") },
            { QStringLiteral("errorText"), tr("Please input task name") } };
    QVariantMap record = TaskEditValues::withStartNotAfterDue(task);
    record.insert(NameKey, name);
    return { { QStringLiteral("accepted"), true }, { QStringLiteral("record"), record } };
}

Settings* TaskEditorRules::settings() const
{
    if (!m_settings)
        m_settings = Settings::instance();
    return m_settings;
}

DataManager* TaskEditorRules::dataManager() const
{
    if (!m_dataManager)
        m_dataManager = DataManager::instance();
    return m_dataManager;
}
