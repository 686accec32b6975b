#pragma once

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Short texts for the dates of a task: "Today", "Tomorrow", "Finish before
// 12/24/26, 6:00 PM" and the like, in the rows, previews and exported pages.
// The phrases follow the application language (Russian for "ru", English
// otherwise); dates and times are written the way the system locale writes
// them.
class DateFormatHelper : public QObject
{
    Q_OBJECT

public:
    // The local date and time now.
    using Clock = std::function<QDateTime()>;
    // The application language ("ru", "en", ...).
    using LanguageSource = std::function<QString()>;

    enum Phrase {
        TodayPhrase = 0,
        TomorrowPhrase = 1,
        YesterdayPhrase = 2,
        HeaderSameDayPhrase = 3,
        HeaderDuePhrase = 4,
        DueNearPhrase = 5,
        DueLaterPhrase = 6,
        StartNearPhrase = 7,
        StartLaterPhrase = 8,
        SameDayNearPhrase = 9,
        SameDayLaterPhrase = 10,
        RangeStartLaterPhrase = 11,
        RangeStartNearPhrase = 12,
        RangeDueLaterPhrase = 13,
        RangeDueNearPhrase = 14,
        MonthSameDayPhrase = 15,
        MonthRangePhrase = 16,
        PhraseCount = 17
    };

    // Reads the clock, the system locale and the language setting.
    explicit DateFormatHelper(QObject* parent = nullptr);
    ~DateFormatHelper() override;

    void setClock(const Clock& clock);
    void setLanguageSource(const LanguageSource& language);
    void setLocale(const QLocale& locale);
    QLocale locale() const;
    // The application language the phrases follow.
    QString language() const;
    QDate today() const;
    QDateTime now() const;
    // The phrase of the current language; '' for a key without one.
    QString phrase(int key) const;

    Q_INVOKABLE QString formatDate(
        const QDate& date, bool allowYesterday, QLocale::FormatType formatType) const;
    Q_INVOKABLE QString formatDate(const QDate& date, bool allowYesterday) const;
    Q_INVOKABLE QString formatDate(const QDate& date) const;
    Q_INVOKABLE QString formatDatesForPreviewHeader(const QDateTime& start, const QDateTime& end) const;
    Q_INVOKABLE QString formatDatesForPreviewSection(const QDateTime& start, const QDateTime& end) const;
    Q_INVOKABLE QString formatMonthRepetitionDates(const QDateTime& start, const QDateTime& end) const;

    // A time of day in the locale's short form.
    QString formatTime(const QTime& time) const;

private:
    bool isNear(const QDate& date) const;
    bool isRussianLocale() const;
    // A date of the preview section: long form, never "Yesterday".
    QString sectionDate(const QDate& date) const;

    struct Private;
    std::unique_ptr<Private> d;
};
