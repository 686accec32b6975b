#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

class DatabaseHandler;

// A reminder as the reminders side channel carries it:
//     {"object_id": task id, "applied_date": "start" | "end",
//      "reminder_type": "predefined", "predefined_type": "go" | "5min" | ...,
//      "last_changed": the task's TIMESTAMP as UTC ISO 8601}
// Two objects are the same reminder when task, date and type agree.
class ReminderObject
{
public:
    // The wire text of a NotificationManager::NotificationType; "go" for an
    // unknown type.
    static QString typeText(int type);
    // The type of a wire text; an unknown text is AtTimeOfEvent.
    static int typeFromText(const QString& text);

    static QJsonObject make(const QString& taskId, bool due, int type, qint64 taskTimestamp);
    // The reminder that a key of the notification file stands for (task id,
    // "STARTDATE" or "DUEDATE", moment in ms); empty for a key of another
    // shape, a snoozed reminder, a task that is gone or a date it lacks.
    static QJsonObject fromKey(const QString& key, DatabaseHandler* store);

    // What tells the same reminder; empty when the object names none.
    static QString identity(const QJsonObject& object);
    // Why a received item cannot be used; empty when it can.
    static QString problem(const QJsonValue& value);
    static bool isDue(const QJsonObject& object);
    static int type(const QJsonObject& object);

    // When a reminder of type comes for a wall-clock task date (both carried
    // as UTC fields): seconds before it, or calendar days for Day and TwoDays.
    static QDateTime reminderMoment(const QDateTime& wallDate, int type);
};
