#pragma once

#include "data/DataObject.h"
#include "time/RepeatedReminder.h"

#include <QDate>
#include <QObject>
#include <QVariantList>

#include <functional>
#include <memory>

class DatabaseHandler;

// Repetition of tasks: reads rules, projects repeated tasks onto later days,
// aligns their dates, moves them one period on when completed, and keeps the
// reminder types that follow a repeated task from one occurrence to the next.
//
// A rule (the task's PERIOD) is "d;N" (every N days), "w;N" (every N weeks),
// "w;N;L" (every N weeks on the ISO weekdays listed in L, e.g. "w;1;1,3,5")
// or "m;N" (every N months). A rule that cannot be read repeats on no day.
//
// Lives in the data worker thread beside the store it reads and writes.
class RepeatedTaskHelper : public QObject
{
    Q_OBJECT

public:
    static RepeatedTaskHelper* instance();

    // For tests: a helper over a given store and reminder file.
    RepeatedTaskHelper(DatabaseHandler* store, const QString& reminderFilePath, QObject* parent = nullptr);
    ~RepeatedTaskHelper() override;

    Q_INVOKABLE bool hasRepeatedTasks(const QDate& date);
    Q_INVOKABLE void setStartDateReminder(const QString& taskId, int type);
    Q_INVOKABLE bool hasStartDateReminder(const QString& taskId, int type);
    Q_INVOKABLE void removeStartDateReminder(const QString& taskId, int type);
    Q_INVOKABLE QVariantList getStartDateReminders(const QString& taskId);
    Q_INVOKABLE void setDueDateReminder(const QString& taskId, int type);
    Q_INVOKABLE bool hasDueDateReminder(const QString& taskId, int type);
    Q_INVOKABLE void removeDueDateReminder(const QString& taskId, int type);
    Q_INVOKABLE QVariantList getDueDateReminders(const QString& taskId);
    // False for an empty id and when the file could not be written.
    Q_INVOKABLE bool removeAllReminders(const QString& taskId);
    Q_INVOKABLE QList<RepeatedReminder> getAllReminders();
    Q_INVOKABLE void clearReminders();
    Q_INVOKABLE QList<DOTask> getRepeatedDayTasks(const QDate& date);
    Q_INVOKABLE int getRepeatedDayTaskCount(const QDate& date);

    // The copy of task for date, or an empty record when it does not recur then.
    // May write the task: a rule without a due date is dropped, and dates that
    // alignment moves are stored.
    DOTask projectRepeatedTask(const DOTask& task, const QDate& date) const;
    // The copy of task placed on date.
    DOTask createRepeatedDayTask(const DOTask& task, const QDate& date) const;
    // The task with its start moved onto the due day and its due onto a rule weekday.
    DOTask adjustRepeatedTaskDates(const DOTask& task) const;
    // The task with START and DUE moved one period on.
    DOTask setNextRepetitionDates(const DOTask& task) const;

    // The calendar date taken as today: the local date unless fixed.
    QDate today() const;
    // Fixes today (tests); an invalid date returns to the local date.
    void setToday(const QDate& date);

    // How a projection stores a task it changed. The default goes through the
    // store's task update without opening a transaction of its own.
    using TaskWriter = std::function<bool(const DOTask& task)>;
    void setTaskWriter(const TaskWriter& writer);

    // Forgets the repeated tasks read from the store. Not needed for writes
    // and rollbacks of the store, nor for commits of other connections: the
    // helper notices those itself and reads again.
    void invalidateCache();

    // How many times the repeated tasks were read from the store (tests).
    int storeReadCount() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
