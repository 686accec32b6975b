#include "time/DateFormatHelper.h"

#include "shell/Settings.h"

#include <array>

namespace {

using PhraseTable = std::array<const char*, DateFormatHelper::PhraseCount>;

const PhraseTable EnglishPhrases = {
    "Today",
    "Tomorrow",
    "Yesterday",
    "%1, between %2 and %3",
    "%1, %2",
    "Do %1, before %2",
    "Finish before %1, %2",
    "Start %1 at %2",
    "Start on %1 at %2",
    "Complete %1, between %2 and %3",
    "Complete on %1 between %2 and %3",
    "Start on %1 at %2",
    "Start %1 at %2",
    "Finish before %1, %2",
    "Finish %1, before %2",
    "between %2 and %3 on %1",
    "between %1, %2 and %3, %4",
};

const PhraseTable RussianPhrases = {
    "Сегодня",
    "Завтра",
    "Вчера",
    "%1 с %2 до %3",
    "%1 до %2",
    "Закончить %1 до %2",
    "Закончить до %1, %2",
    "Начать %1 с %2",
    "Начать с %1, %2",
    "Выполнить %1 с %2 до %3",
    // A date that is neither today nor tomorrow, written by a non-Russian
    // locale: set off by a comma like the other far dates.
    "Выполнить %1, с %2 до %3",
    "Начать %1, %2",
    "Начать %1 в %2",
    "Закончить до %1, %2",
    "Закончить %1 до %2",
    "%1 с %2 до %3",
    "с %1, %2 по %3, %4",
};

// Records carry wall-clock values labelled UTC; the interface hands them
// back as the same moment in local time. Either way the UTC fields are the
// user's date and time.
QDateTime wallClock(const QDateTime& value)
{
    return value.isValid() ? value.toUTC() : QDateTime();
}

} // namespace

struct DateFormatHelper::Private
{
    Clock clock;
    LanguageSource language;
    QLocale locale = QLocale::system();
};

DateFormatHelper::DateFormatHelper(QObject* parent)
    : QObject(parent)
    , d(new Private)
{
    d->clock = [] { return QDateTime::currentDateTime(); };
    d->language = [] { return Settings::instance()->applicationLanguage(); };
}

DateFormatHelper::~DateFormatHelper() = default;

void DateFormatHelper::setClock(const Clock& clock)
{
    d->clock = clock;
}

void DateFormatHelper::setLanguageSource(const LanguageSource& language)
{
    d->language = language;
}

void DateFormatHelper::setLocale(const QLocale& locale)
{
    d->locale = locale;
}

QLocale DateFormatHelper::locale() const
{
    return d->locale;
}

QString DateFormatHelper::language() const
{
    return d->language();
}

QDateTime DateFormatHelper::now() const
{
    return d->clock();
}

QDate DateFormatHelper::today() const
{
    return now().date();
}

QString DateFormatHelper::phrase(int key) const
{
    if (key < 0 || key >= PhraseCount)
        return QString();
    const PhraseTable& table = language() == QLatin1String("ru") ? RussianPhrases : EnglishPhrases;
    return QString::fromUtf8(table[std::size_t(key)]);
}

QString DateFormatHelper::formatDate(
    const QDate& date, bool allowYesterday, QLocale::FormatType formatType) const
{
    const QDate current = today();
    if (date == current)
        return phrase(TodayPhrase);
    if (date == current.addDays(1))
        return phrase(TomorrowPhrase);
    if (allowYesterday && date == current.addDays(-1))
        return phrase(YesterdayPhrase);
    return d->locale.toString(date, formatType);
}

QString DateFormatHelper::formatDate(const QDate& date, bool allowYesterday) const
{
    return formatDate(date, allowYesterday, QLocale::ShortFormat);
}

QString DateFormatHelper::formatDate(const QDate& date) const
{
    return formatDate(date, true);
}

QString DateFormatHelper::formatTime(const QTime& time) const
{
    return d->locale.toString(time, QLocale::ShortFormat);
}

QString DateFormatHelper::formatDatesForPreviewHeader(
    const QDateTime& startValue, const QDateTime& endValue) const
{
    const QDateTime start = wallClock(startValue);
    const QDateTime end = wallClock(endValue);
    if (start.isValid() && end.isValid() && start.date() == end.date()) {
        return phrase(HeaderSameDayPhrase)
            .arg(formatDate(end.date(), true), formatTime(start.time()), formatTime(end.time()));
    }
    if (!end.isValid())
        return QString();
    return phrase(HeaderDuePhrase).arg(formatDate(end.date(), true), formatTime(end.time()));
}

QString DateFormatHelper::formatDatesForPreviewSection(
    const QDateTime& startValue, const QDateTime& endValue) const
{
    const QDateTime start = wallClock(startValue);
    const QDateTime end = wallClock(endValue);
    if (!start.isValid() && end.isValid()) {
        return phrase(isNear(end.date()) ? DueNearPhrase : DueLaterPhrase)
            .arg(sectionDate(end.date()), formatTime(end.time()));
    }
    if (start.isValid() && !end.isValid()) {
        return phrase(isNear(start.date()) ? StartNearPhrase : StartLaterPhrase)
            .arg(sectionDate(start.date()), formatTime(start.time()));
    }
    if (!start.isValid())
        return QString();
    if (start.date() == end.date()) {
        const bool near = isRussianLocale() || isNear(start.date());
        return phrase(near ? SameDayNearPhrase : SameDayLaterPhrase)
            .arg(sectionDate(start.date()), formatTime(start.time()), formatTime(end.time()));
    }
    const QString startLine = phrase(isNear(start.date()) ? RangeStartNearPhrase : RangeStartLaterPhrase)
                                  .arg(sectionDate(start.date()), formatTime(start.time()));
    const QString endLine = phrase(isNear(end.date()) ? RangeDueNearPhrase : RangeDueLaterPhrase)
                                .arg(sectionDate(end.date()), formatTime(end.time()));
    return QStringLiteral("%1\n%2").arg(startLine, endLine);
}

QString DateFormatHelper::formatMonthRepetitionDates(
    const QDateTime& startValue, const QDateTime& endValue) const
{
    const QDateTime start = wallClock(startValue);
    const QDateTime end = wallClock(endValue);
    // Without an end there is no range to write; the header gives ''.
    if (start.isValid() && end.isValid() && start.date() != end.date()) {
        return phrase(MonthRangePhrase)
            .arg(formatDate(start.date(), false, QLocale::LongFormat), formatTime(start.time()),
                formatDate(end.date(), false, QLocale::LongFormat), formatTime(end.time()));
    }
    if (start.isValid() && end.isValid() && !isNear(start.date())) {
        return phrase(MonthSameDayPhrase)
            .arg(formatDate(start.date(), false, QLocale::LongFormat), formatTime(start.time()),
                formatTime(end.time()));
    }
    return formatDatesForPreviewHeader(start, end);
}

bool DateFormatHelper::isNear(const QDate& date) const
{
    const QDate current = today();
    return date == current || date == current.addDays(1);
}

bool DateFormatHelper::isRussianLocale() const
{
    return d->locale.name() == QLatin1String("ru_RU");
}

QString DateFormatHelper::sectionDate(const QDate& date) const
{
    const QString text = formatDate(date, false, QLocale::LongFormat);
    // Russian writes dates inside a sentence in lower case ("завтра",
    // "среда, 9 декабря 2026 г.").
    return isRussianLocale() ? d->locale.toLower(text) : text;
}
