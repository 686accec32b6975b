#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QVariantMap>

#include <functional>

class DataManager;
class Settings;

// The rules a task row applies before it hands a changed record on: names and
// memos, completion, the date-time popup, the reminders that follow a date,
// dropping on another day, and the trash page's days.
//
// Records are the store's records (upper-case keys). The methods that return
// a record return a changed copy and write nothing; the interface updates the
// store with it. Dates are read and built as described in TaskEditValues.
// Only moveRemindersToNewDates() and emptyTrash() change anything themselves.
class TaskEditRules : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    // Null settings or data manager: the program's own, taken on first use.
    explicit TaskEditRules(
        Settings* settings = nullptr, DataManager* dataManager = nullptr, QObject* parent = nullptr);
    ~TaskEditRules() override;

    // The local time now; the system clock unless set.
    void setClock(const Clock& clock);
    QDateTime now() const;

    // --- Names and memos.
    // NAME becomes the trimmed name; a name of blanks leaves the record as it is.
    Q_INVOKABLE QVariantMap renamed(const QVariantMap& record, const QString& name) const;
    // MEMO becomes the trimmed memo (it may become empty).
    Q_INVOKABLE QVariantMap withMemo(const QVariantMap& record, const QString& memo) const;

    // Whether an edit changed more than START and DUE (a list that was in
    // date order is then kept in the order the user sees).
    Q_INVOKABLE bool changesMoreThanDates(const QVariantMap& before, const QVariantMap& after) const;

    // --- Completion.
    // The record to hand to the completion with undo. A task that does not
    // repeat loses its unset START and DUE keys, so that the write leaves
    // those columns alone.
    Q_INVOKABLE QVariantMap completionRecord(const QVariantMap& task) const;
    // The same, back to the active state.
    Q_INVOKABLE QVariantMap uncompleted(const QVariantMap& task) const;

    // --- The date-time popup.
    // The date the popup opens on: the record's START (isDue false) or DUE,
    // else today at the default start or due time.
    Q_INVOKABLE QDateTime dateTimePopupValue(const QVariantMap& record, bool isDue) const;
    // The record after the popup closed on value (invalid: the date was
    // cleared). Clearing a task's DUE also ends its repetition; the dates are
    // then put in order by withStartNotAfterDue().
    Q_INVOKABLE QVariantMap withEditedDate(
        const QVariantMap& record, bool isDue, const QDateTime& value) const;
    // When DUE is earlier than START, START moves to DUE's date at its own
    // time of day, and becomes DUE if that is still later.
    Q_INVOKABLE QVariantMap withStartNotAfterDue(const QVariantMap& record) const;

    // --- Reminders.
    // Moves the scheduled reminders of a task whose START or DUE changed from
    // oldRecord's to newRecord's: every type scheduled for an old date is
    // removed and, unless that date was cleared, scheduled again for the new
    // one. False when the notification file could not be changed as asked.
    Q_INVOKABLE bool moveRemindersToNewDates(const QVariantMap& oldRecord, const QVariantMap& newRecord);

    // --- Dragging and dropping in the daily plan.
    // The record moved to day: DUE on day at its old time of day (the default
    // due time when it had none). START moves too when it is not earlier
    // than the new DUE or the task repeats: onto day at its own time of day,
    // or, for a monthly task dropped on the same day of another month, by
    // the same number of months, so that it keeps its day of month.
    Q_INVOKABLE QVariantMap droppedOnDay(const QVariantMap& record, const QDate& day) const;
    // Completed rows are not dragged.
    Q_INVOKABLE bool isDraggable(const QVariantMap& record) const;
    // A row takes a dragged row of the same kind (task or project) and the
    // same completion state; an also-available row only from another
    // also-available row.
    Q_INVOKABLE bool rowAcceptsDrop(const QVariantMap& target, bool targetAlsoAvailable,
        const QVariantMap& dragged, bool draggedAlsoAvailable) const;
    // An also-available row dropped among the day's own rows is moved to the
    // day (droppedOnDay()); other accepted drops only reorder.
    Q_INVOKABLE bool dropMovesToDay(bool targetAlsoAvailable, bool draggedAlsoAvailable) const;
    // A day of the calendar takes any task that can be dragged.
    Q_INVOKABLE bool calendarAcceptsDrop(const QVariantMap& dragged) const;
    // A task dropped on the inbox in the side panel moves there; the empty
    // record when there is nothing to move (a project, a completed task, a
    // task that is in the inbox already).
    Q_INVOKABLE QVariantMap droppedOnInbox(const QVariantMap& dragged, const QString& inboxId) const;

    // --- The trash.
    // 14 less the whole days since timestamp (seconds since 1970, the
    // record's TIMESTAMP), between 0 and 14.
    Q_INVOKABLE int trashDaysLeft(qint64 timestamp) const;
    // Objects deleted before the last "Empty Trash" are no longer listed.
    Q_INVOKABLE bool isListedInTrash(qint64 timestamp) const;
    // Hides everything in the trash now; true when the setting was saved.
    Q_INVOKABLE bool emptyTrash();

private:
    Settings* settings() const;
    DataManager* dataManager() const;
    QDateTime movedStart(const QVariantMap& record, const QDate& day, const QDateTime& newDue) const;

    mutable Settings* m_settings = nullptr;
    mutable DataManager* m_dataManager = nullptr;
    Clock m_clock;
};
