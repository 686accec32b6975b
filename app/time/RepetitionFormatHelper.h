#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

class DateFormatHelper;

// Texts for a repetition rule (a task's PERIOD: "d;N", "w;N", "w;N;L" or
// "m;N"): what the rule says ("Do every 2 weeks on Tuesday and Thursday")
// and when the task comes next. The texts are translated through the
// application's translation files.
class RepetitionFormatHelper : public QObject
{
    Q_OBJECT

public:
    // dates writes the dates and tells the time; it must outlive this helper.
    explicit RepetitionFormatHelper(DateFormatHelper* dates, QObject* parent = nullptr);

    Q_INVOKABLE QString formatRepetitionForPreview(const QString& format) const;
    Q_INVOKABLE QString formatNextDateForPreview(
        const QString& format, const QDateTime& start, const QDateTime& end) const;

    // The next occurrence of the rule that is not earlier than now (a
    // wall-clock value), counted from end; invalid when the rule yields no
    // date: no end, an interval below 1, an unknown kind, a weekday list
    // without the weekday of the date.
    static QDateTime nextOccurrence(const QString& format, const QDateTime& end, const QDateTime& now);

    // "Monday" ... "Sunday" for 1 ... 7, translated; '' for anything else.
    static QString weekdayName(int weekday);
    // "on Monday" ... "on Sunday", translated; '' for anything else.
    static QString weekdayPhrase(int weekday);

private:
    DateFormatHelper* m_dates;
};
