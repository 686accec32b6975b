#include "data/WallClock.h"

QVariant WallClock::toStored(const QVariant &value)
{
    return toStored(value.toDateTime());
}

QVariant WallClock::toStored(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return QString();
    return fromDateAndTime(dateTime.date(), dateTime.time()).toSecsSinceEpoch();
}

QDateTime WallClock::fromStored(const QVariant &column)
{
    // Signed, so that a date before 1970 reads back as the date it was
    // stored as, whether the driver hands over a number or text.
    bool isNumber = false;
    const qint64 seconds = column.toLongLong(&isNumber);
    if (!isNumber || seconds == 0)
        return QDateTime();
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

QDateTime WallClock::fromLocal(const QDateTime &localDateTime)
{
    if (!localDateTime.isValid())
        return QDateTime();
    const QDateTime local = localDateTime.toLocalTime();
    return fromDateAndTime(local.date(), local.time());
}

QDateTime WallClock::fromDateAndTime(const QDate &date, const QTime &time)
{
    return QDateTime(date, time, Qt::UTC);
}

qint64 WallClock::dayStartSeconds(const QDate &date)
{
    return QDateTime(date, QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
}
