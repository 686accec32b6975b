#include "data/TaskEditValues.h"

#include "logging/Log.h"
#include "shell/Settings.h"

namespace {
const QString IdKey = QStringLiteral("ID");
const QString NameKey = QStringLiteral("NAME");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString FolderKey = QStringLiteral("FOLDER");
const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString StartDateKey = QStringLiteral("STARTDATE");
const QString DueDateKey = QStringLiteral("DUEDATE");

QTime timeSetting(const QString& text, const char* name, const QTime& fallback)
{
    const QTime time = TaskEditValues::parseTimeOfDay(text);
    if (time.isValid())
        return time;
    QLOG_WARN() << "The setting " << name << " holds \"" << text << "\", which is not a time of day; "
                << fallback.toString(QStringLiteral("h:mm")) << " is used.";
    return fallback;
}
} // namespace

QDateTime TaskEditValues::wallClockOf(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QDateTime();
    const QDateTime dateTime = value.toDateTime();
    if (!dateTime.isValid())
        return QDateTime();
    const QDateTime fields = dateTime.toUTC();
    return QDateTime(fields.date(), fields.time(), Qt::UTC);
}

QDateTime TaskEditValues::onDay(const QDate& day, const QTime& time)
{
    return QDateTime(day, time, Qt::UTC);
}

QDateTime TaskEditValues::localMomentOf(const QDateTime& wallClock)
{
    if (!wallClock.isValid())
        return QDateTime();
    return QDateTime(wallClock.date(), wallClock.time(), Qt::LocalTime);
}

QTime TaskEditValues::defaultStartTime(Settings* settings)
{
    return timeSetting(settings->defaultStartTime(), "defaultStartTime", QTime(8, 0));
}

QTime TaskEditValues::defaultDueTime(Settings* settings)
{
    return timeSetting(settings->defaultDueTime(), "defaultDueTime", QTime(23, 0));
}

QTime TaskEditValues::parseTimeOfDay(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() != 2 || parts.at(1).isEmpty() || parts.at(1).size() > 2)
        return QTime();
    bool hoursOk = false;
    bool minutesOk = false;
    const int hours = parts.at(0).toInt(&hoursOk);
    const int minutes = parts.at(1).toInt(&minutesOk);
    if (!hoursOk || !minutesOk)
        return QTime();
    return QTime(hours, minutes);
}

bool TaskEditValues::isTask(const QVariantMap& record)
{
    return record.contains(PeriodKey);
}

bool TaskEditValues::isProject(const QVariantMap& record)
{
    return !isTask(record) && record.contains(FolderKey) && !record.value(FolderKey).toBool();
}

bool TaskEditValues::isRepeated(const QVariantMap& record)
{
    return !record.value(PeriodKey).toString().isEmpty();
}

QString TaskEditValues::repetitionKind(const QVariantMap& record)
{
    return record.value(PeriodKey).toString().section(QLatin1Char(';'), 0, 0);
}

QVariantMap TaskEditValues::withStartNotAfterDue(const QVariantMap& record)
{
    const QDateTime start = wallClockOf(record.value(StartKey));
    const QDateTime due = wallClockOf(record.value(DueKey));
    if (!start.isValid() || !due.isValid() || due >= start)
        return record;
    QDateTime ordered = onDay(due.date(), start.time());
    if (ordered > due)
        ordered = due;
    QVariantMap result = record;
    result.insert(StartKey, ordered);
    return result;
}

QVariantMap TaskEditValues::reminderInfo(const QVariantMap& task, bool isDue, const QDateTime& date)
{
    return { { IdKey, task.value(IdKey).toString() }, { NameKey, task.value(NameKey).toString() },
        { isDue ? DueDateKey : StartDateKey, date } };
}
