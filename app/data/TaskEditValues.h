#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>
#include <QVariant>
#include <QVariantMap>

class Settings;

// What the edit rules of tasks and projects share: reading the dates of a
// record, building dates on a day, the default times of the settings and
// telling tasks from projects.
//
// START and DUE cross the interface as moments whose UTC fields are the
// user's wall-clock date and time (QML builds them with Date.UTC, and the
// store's UTC-labelled values keep that meaning through a JS Date). A value
// read here is therefore taken as UTC field by field, whatever time spec it
// carries, and every date built here is labelled UTC.
class TaskEditValues
{
public:
    // The wall-clock date-time a record value holds; invalid when it holds
    // none ('' and unset values included).
    static QDateTime wallClockOf(const QVariant& value);
    static QDateTime onDay(const QDate& day, const QTime& time);
    // The moment a wall-clock value stands for on this machine: the same
    // date and time taken as local time. Reminders fire at these moments.
    static QDateTime localMomentOf(const QDateTime& wallClock);

    // "defaultStartTime" and "defaultDueTime" ("h:mm"); text that is not a
    // time of day is logged and 8:00 and 23:00 are used.
    static QTime defaultStartTime(Settings* settings);
    static QTime defaultDueTime(Settings* settings);
    // Hours, ":" and one or two digits of minutes ("8:00", "23:5"); an
    // invalid time for anything else.
    static QTime parseTimeOfDay(const QString& text);

    // Records read from the store carry PERIOD exactly when they are tasks,
    // and FOLDER exactly when they are projects or folders.
    static bool isTask(const QVariantMap& record);
    static bool isProject(const QVariantMap& record);
    static bool isRepeated(const QVariantMap& record);
    static QString repetitionKind(const QVariantMap& record);

    // When DUE is earlier than START, START moves to DUE's date at its own
    // time of day, and becomes DUE if that is still later.
    static QVariantMap withStartNotAfterDue(const QVariantMap& record);

    // The reminder description the data manager takes: "ID", "NAME" and the
    // date under "STARTDATE" or "DUEDATE".
    static QVariantMap reminderInfo(const QVariantMap& task, bool isDue, const QDateTime& date);
};
