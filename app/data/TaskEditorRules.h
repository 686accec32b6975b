#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

class DataManager;
class Settings;

// The rules of the task editor: the repetition rule it reads and writes, the
// dates a repetition needs, the reminder types it offers and keeps, and the
// checks before a save.
//
// A repetition rule (PERIOD) is "" (none), "d;N", "w;N", "w;N;L" or "m;N":
// every N days, weeks or months, L being ISO weekday numbers (1 Monday ... 7
// Sunday) joined by ",". Reminder types are NotificationManager's numbers.
class TaskEditorRules : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    static constexpr int MinRepeatInterval = 1;
    static constexpr int MaxRepeatInterval = 99;
    static constexpr int LastMonthDayForRepetition = 28;

    // Null settings or data manager: the program's own, taken on first use.
    explicit TaskEditorRules(
        Settings* settings = nullptr, DataManager* dataManager = nullptr, QObject* parent = nullptr);
    ~TaskEditorRules() override;

    // The local time now; the system clock unless set.
    void setClock(const Clock& clock);
    QDateTime now() const;

    // --- Repetition.
    // The interval brought into 1...99.
    Q_INVOKABLE int repeatInterval(int interval) const;
    // Weekday numbers 1...7, each once, ascending; anything else is dropped.
    Q_INVOKABLE QVariantList sortedWeekdays(const QVariantList& weekdays) const;
    // The weekday choice that stays when a date is chosen: all of it when the
    // date's weekday is among it, else none.
    Q_INVOKABLE QVariantList weekdaysKeptForDate(const QVariantList& weekdays, const QDateTime& date) const;
    // The rule text for kind "d", "w" or "m" (anything else: no repetition).
    Q_INVOKABLE QString repetitionRule(const QString& kind, int interval, const QVariantList& weekdays) const;
    // {"kind": "d", "w", "m" or "" , "interval": int, "weekdays": list}; a
    // rule that cannot be read gives kind "".
    Q_INVOKABLE QVariantMap parsedRepetitionRule(const QString& rule) const;
    // The date's next occurrence under rule, at the same time of day, as the
    // editor previews it: N days, 7·N days or N months on; for chosen
    // weekdays the next chosen one after the date's weekday, or, past the
    // last, the first chosen one N weeks on. Invalid without a rule or date.
    Q_INVOKABLE QDateTime nextOccurrence(const QDateTime& date, const QString& rule) const;
    // An empty map when a monthly repetition may go with these dates, else
    // {"title", "text"} of the warning to show; the repetition is then "None".
    Q_INVOKABLE QVariantMap monthlyRepetitionRefusal(const QDateTime& start, const QDateTime& due) const;
    // The record with the dates a repetition needs: a task without dates gets
    // today at the default start and due times (the due a day later when the
    // start would be after it); one with only a start gets a due on the
    // start's day at the default due time (or the day after).
    Q_INVOKABLE QVariantMap withRepetitionDates(const QVariantMap& task) const;
    // A daily or weekly task is edited as one day: START moves onto DUE's
    // date at its own time of day (a task without START starts at 00:00 when
    // due before the default start time, else at the default start time),
    // and is no later than DUE. Other records are returned as they are.
    Q_INVOKABLE QVariantMap withSingleDay(const QVariantMap& task) const;
    // Where a task made for day is due: that day at the default due time.
    Q_INVOKABLE QDateTime defaultDueOnDay(const QDate& day) const;

    // --- Reminders.
    // The types whose moment (0, 5, 15, 30, 60, 120, 180, 1440 or 2880
    // minutes before date) is still in the future; none for no date.
    Q_INVOKABLE QVariantList offeredReminderTypes(const QDateTime& date) const;
    // The types shown as chosen for the task's START (isDue false) or DUE:
    // scheduled for that date or kept by the task's repetition.
    Q_INVOKABLE QVariantList chosenReminderTypes(const QVariantMap& task, bool isDue) const;
    // Replaces every reminder of the saved task by the chosen types; a task
    // that repeats also keeps them for its next occurrences. False when a
    // change could not be saved.
    Q_INVOKABLE bool applyReminderChoice(
        const QVariantMap& task, const QVariantList& startTypes, const QVariantList& dueTypes);
    // What of a choice made in the editor is kept when the task is saved:
    // the types still offered for the saved date (START, or DUE when isDue),
    // each once, ascending; none for a completed task, which reminds of
    // nothing.
    Q_INVOKABLE QVariantList keptReminderTypes(
        const QVariantMap& task, bool isDue, const QVariantList& chosenTypes) const;

    // Whether a row shows the reminder mark: a repeated task due after today
    // is reminded of by the types kept for its occurrences, every other task
    // by its scheduled reminders.
    Q_INVOKABLE bool hasReminderMark(const QVariantMap& task) const;

    // --- Favorites.
    // "add", "remove" or "" (leave as it is): a task saved with the switch on
    // is added, an existing one saved with it off is removed; a completed
    // task is never kept as a favorite, and a new one with the switch off is
    // not touched.
    Q_INVOKABLE QString favoriteChange(bool isNewTask, bool favoriteChosen, int state) const;
    // True when saving turns an existing active task into a completed one:
    // the edits are then saved with the task still active and the
    // completion goes the way of a ticked box, so that a repeated task
    // moves on to its next dates (and can be undone) instead of ending.
    Q_INVOKABLE bool completesOnSave(bool isNewTask, int originalState, int savedState) const;

    // --- Opening and saving.
    // The record the editor opens for a row: the stored task, since the row
    // of a repeated task may show one of its later occurrences; the row's own
    // record when the store has no such task.
    Q_INVOKABLE QVariantMap editedTask(const QVariantMap& shown) const;
    // {"accepted": true, "record": the record to save, name trimmed and dates
    // in order} or {"accepted": false, "errorTitle", "errorText"}.
    Q_INVOKABLE QVariantMap preparedForSave(const QVariantMap& task) const;

private:
    bool scheduleChosen(const QVariantMap& task, bool isDue, const QVariantList& types);
    Settings* settings() const;
    DataManager* dataManager() const;

    mutable Settings* m_settings = nullptr;
    mutable DataManager* m_dataManager = nullptr;
    Clock m_clock;
};
