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

    // --- Saving.
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
