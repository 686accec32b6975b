#pragma once

#include <QDateTime>
#include <QVariant>

// START and DUE are wall-clock values: the user's calendar date and clock
// time, free of any time zone. In records they are QDateTime values labelled
// UTC whose fields are that date and time; in the database they are the
// seconds from 1970-01-01 00:00 to that date and time counted as if it were
// UTC ('' when unset). They are never converted between zones.
class WallClock
{
public:
    // The stored column value for a record's date: '' for an invalid date,
    // else the seconds as a number.
    static QVariant toStored(const QVariant &value);
    static QVariant toStored(const QDateTime &dateTime);

    // A column read back: '' or 0 give an invalid date-time.
    static QDateTime fromStored(const QVariant &column);

    // The wall-clock value of a moment in the local zone: same date and time
    // fields, labelled UTC.
    static QDateTime fromLocal(const QDateTime &localDateTime);
    static QDateTime fromDateAndTime(const QDate &date, const QTime &time);

    // 00:00 of a calendar date in the stored scale.
    static qint64 dayStartSeconds(const QDate &date);
};
