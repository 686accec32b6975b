#pragma once

#include "data/DataObject.h"
#include "time/RepeatedReminder.h"

#include <QDate>
#include <QObject>
#include <QVariantList>

#include <memory>

class DatabaseHandler;

// Repetition of tasks: reads rules, projects repeated tasks onto later days,
// aligns their dates, moves them one period on when completed, and keeps the
// reminder types that follow a repeated task from one occurrence to the next.
class RepeatedTaskHelper : public QObject
{
    Q_OBJECT

public:
    static RepeatedTaskHelper *instance();

    // For tests: a helper over a given store and reminder file.
    RepeatedTaskHelper(DatabaseHandler *store, const QString &reminderFilePath, QObject *parent = nullptr);
    ~RepeatedTaskHelper() override;

    Q_INVOKABLE bool hasRepeatedTasks(const QDate &date);
    Q_INVOKABLE void setStartDateReminder(const QString &taskId, int type);
    Q_INVOKABLE bool hasStartDateReminder(const QString &taskId, int type);
    Q_INVOKABLE void removeStartDateReminder(const QString &taskId, int type);
    Q_INVOKABLE QVariantList getStartDateReminders(const QString &taskId);
    Q_INVOKABLE void setDueDateReminder(const QString &taskId, int type);
    Q_INVOKABLE bool hasDueDateReminder(const QString &taskId, int type);
    Q_INVOKABLE void removeDueDateReminder(const QString &taskId, int type);
    Q_INVOKABLE QVariantList getDueDateReminders(const QString &taskId);
    Q_INVOKABLE bool removeAllReminders(const QString &taskId);
    Q_INVOKABLE QList<RepeatedReminder> getAllReminders();
    Q_INVOKABLE void clearReminders();
    Q_INVOKABLE QList<DOTask> getRepeatedDayTasks(const QDate &date);
    Q_INVOKABLE int getRepeatedDayTaskCount(const QDate &date);

    // The copy of task for date, or an empty record when it does not recur then.
    DOTask projectRepeatedTask(const DOTask &task, const QDate &date) const;
    // The copy of task placed on date.
    DOTask createRepeatedDayTask(const DOTask &task, const QDate &date) const;
    // The task with its start moved onto the due day and its due onto a rule weekday.
    DOTask adjustRepeatedTaskDates(const DOTask &task) const;
    // The task with START and DUE moved one period on.
    DOTask setNextRepetitionDates(const DOTask &task) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
