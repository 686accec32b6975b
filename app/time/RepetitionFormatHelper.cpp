#include "time/RepetitionFormatHelper.h"

#include "time/DateFormatHelper.h"

#include <QCoreApplication>
#include <QStringList>
#include <QVector>

#include <algorithm>
#include <array>
#include <functional>

namespace {

const char* const Context = "RepetitionFormatHelper";

struct TranslatableText
{
    const char* source;
    const char* comment;
};

const std::array<TranslatableText, 7> WeekdayNames = { {
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "Monday", "повторения в превью"),
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "Tuesday", "повторения в превью"),
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "Wednesday", "повторения в превью"),
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "Thursday", "повторения в превью"),
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "Friday", "повторения в превью"),
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "Saturday", "повторения в превью"),
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "Sunday", "повторения в превью"),
} };

const std::array<TranslatableText, 7> WeekdayPhrases = { {
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "on Monday", "следующая дата повторений"),
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "on Tuesday", "следующая дата повторений"),
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "on Wednesday", "следующая дата повторений"),
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "on Thursday", "следующая дата повторений"),
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "on Friday", "следующая дата повторений"),
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "on Saturday", "следующая дата повторений"),
    QT_TRANSLATE_NOOP3("RepetitionFormatHelper", "on Sunday", "следующая дата повторений"),
} };

QString translated(const std::array<TranslatableText, 7>& table, int weekday)
{
    if (weekday < 1 || weekday > 7)
        return QString();
    const TranslatableText& text = table[std::size_t(weekday - 1)];
    return QCoreApplication::translate(Context, text.source, text.comment);
}

// ISO weekday numbers of a rule's list ("1,3,5"), in ascending order and
// without repeats; an entry that is not a weekday spoils the whole list.
QVector<int> weekdaysOf(const QString& list, bool* valid)
{
    QVector<int> weekdays;
    *valid = true;
    for (const QString& entry : list.split(QLatin1Char(','))) {
        bool isNumber = false;
        const int weekday = entry.toInt(&isNumber);
        if (!isNumber || weekday < 1 || weekday > 7) {
            *valid = false;
            return {};
        }
        if (!weekdays.contains(weekday))
            weekdays.append(weekday);
    }
    std::sort(weekdays.begin(), weekdays.end());
    return weekdays;
}

// One step of "every N weeks on L": on to the next listed weekday, or from
// the last listed one to the first N weeks on. Invalid when the date is not
// on a listed weekday, so that a caller never steps by nothing.
QDateTime nextListedWeekday(const QDateTime& from, const QVector<int>& weekdays, int interval)
{
    const int weekday = from.date().dayOfWeek();
    const int position = weekdays.indexOf(weekday);
    if (position < 0)
        return QDateTime();
    const int shift = position + 1 < weekdays.size() ? weekdays.at(position + 1) - weekday
                                                     : weekdays.first() + 7 * interval - weekday;
    return from.addDays(shift);
}

QDateTime wallClock(const QDateTime& value)
{
    return value.isValid() ? value.toUTC() : QDateTime();
}

} // namespace

RepetitionFormatHelper::RepetitionFormatHelper(DateFormatHelper* dates, QObject* parent)
    : QObject(parent)
    , m_dates(dates)
{
}

QString RepetitionFormatHelper::weekdayName(int weekday)
{
    return translated(WeekdayNames, weekday);
}

QString RepetitionFormatHelper::weekdayPhrase(int weekday)
{
    return translated(WeekdayPhrases, weekday);
}

QString RepetitionFormatHelper::formatRepetitionForPreview(const QString& format) const
{
    const QStringList parts = format.split(QLatin1Char(';'));
    if (parts.size() < 2)
        return QString();
    const QString kind = parts.at(0);
    const int interval = parts.at(1).toInt();

    QString text;
    if (kind == QLatin1String("d"))
        text = tr("Do every %n days", nullptr, interval);
    else if (kind == QLatin1String("w"))
        text = tr("Do every %n weeks", nullptr, interval);
    else if (kind == QLatin1String("m"))
        text = tr("Do every %n months", nullptr, interval);

    // Only weekly rules take a weekday list.
    if (kind != QLatin1String("w") || parts.size() != 3)
        return text;
    bool valid = false;
    const QVector<int> weekdays = weekdaysOf(parts.at(2), &valid);
    if (!valid || weekdays.isEmpty())
        return text;
    if (weekdays.size() == 1)
        return text + tr(" on %1").arg(weekdayName(weekdays.first()));

    QString names;
    for (int i = 0; i + 2 < weekdays.size(); ++i)
        names += weekdayName(weekdays.at(i)) + QStringLiteral(", ");
    names += tr("%1 and %2").arg(weekdayName(weekdays.at(weekdays.size() - 2)), weekdayName(weekdays.last()));
    return text + tr(" on %1").arg(names);
}

QDateTime RepetitionFormatHelper::nextOccurrence(
    const QString& format, const QDateTime& endValue, const QDateTime& now)
{
    const QStringList parts = format.split(QLatin1Char(';'));
    const QDateTime end = wallClock(endValue);
    if (parts.size() < 2 || !end.isValid())
        return QDateTime();
    const QString kind = parts.at(0);
    const int interval = parts.at(1).toInt();
    if (interval < 1)
        return QDateTime();

    std::function<QDateTime(const QDateTime&)> step;
    if (kind == QLatin1String("d")) {
        step = [interval](const QDateTime& x) { return x.addDays(interval); };
    } else if (kind == QLatin1String("m")) {
        step = [interval](const QDateTime& x) { return x.addMonths(interval); };
    } else if (kind == QLatin1String("w") && parts.size() == 2) {
        step = [interval](const QDateTime& x) { return x.addDays(7 * interval); };
    } else if (kind == QLatin1String("w") && parts.size() == 3) {
        bool valid = false;
        const QVector<int> weekdays = weekdaysOf(parts.at(2), &valid);
        // Steps from a listed weekday land on listed weekdays only.
        if (!valid || !weekdays.contains(end.date().dayOfWeek()))
            return QDateTime();
        step = [weekdays, interval](const QDateTime& x) { return nextListedWeekday(x, weekdays, interval); };
    } else {
        // Any other kind, and a weekly rule with more parts, repeats on no day.
        return QDateTime();
    }

    // Every step moves at least one day on, or gives up with no date.
    QDateTime next = end;
    while (next.isValid() && next < now)
        next = step(next);
    return next;
}

QString RepetitionFormatHelper::formatNextDateForPreview(
    const QString& format, const QDateTime& startValue, const QDateTime& endValue) const
{
    const QStringList parts = format.split(QLatin1Char(';'));
    if (parts.size() < 2)
        return QString();
    const QString kind = parts.at(0);
    const QDateTime start = wallClock(startValue);
    const QDateTime end = wallClock(endValue);
    if (kind == QLatin1String("m"))
        return m_dates->formatMonthRepetitionDates(start, end);
    if (kind != QLatin1String("d") && kind != QLatin1String("w"))
        return QString();

    // Due dates are wall-clock values; so is the moment they are compared with.
    const QDateTime localNow = m_dates->now();
    const QDateTime now(localNow.date(), localNow.time(), Qt::UTC);
    const QDateTime next = nextOccurrence(format, end, now);
    if (!next.isValid())
        return QString();
    const QDateTime nextStart = start.isValid() ? QDateTime(next.date(), start.time(), Qt::UTC) : QDateTime();
    const QString dates = m_dates->formatDatesForPreviewHeader(nextStart, next);
    if (kind == QLatin1String("w") && parts.size() == 3)
        return weekdayPhrase(next.date().dayOfWeek()) + QStringLiteral(", ") + dates;
    return dates;
}
