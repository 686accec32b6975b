#include "support/TestMain.h"
#include "time/DateFormatHelper.h"
#include "time/ReminderFormatHelper.h"
#include "time/RepetitionFormatHelper.h"

#include <QTranslator>

// Today is Wednesday 9 December 2026, noon.
static const QDate Today(2026, 12, 9);

static QDateTime at(const QDate& date, int hour, int minute = 0)
{
    return QDateTime(date, QTime(hour, minute), Qt::UTC);
}

class FormatHelpersTest : public QObject
{
    Q_OBJECT

private:
    DateFormatHelper m_dates;
    RepetitionFormatHelper m_repetitions { &m_dates };
    ReminderFormatHelper m_reminders;
    QTranslator m_translator;

    // The phrases of language, dates written by locale, texts translated
    // through the test translation of language.
    void speak(const QString& language, const QString& locale)
    {
        m_dates.setLanguageSource([language] { return language; });
        m_dates.setLocale(QLocale(locale));
        QCoreApplication::removeTranslator(&m_translator);
        QVERIFY(m_translator.load(QStringLiteral(":/translations/qv_%1.qm").arg(language)));
        QCoreApplication::installTranslator(&m_translator);
    }

private slots:
    void initTestCase()
    {
        m_dates.setClock([] { return QDateTime(Today, QTime(12, 0)); });
    }

    void formatsDatesNearTodayByPhrase_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("arguments");
        QTest::addColumn<bool>("allowYesterday");
        QTest::addColumn<QString>("expected");

        const QDate yesterday = Today.addDays(-1);
        const QDate thisWeek = Today.addDays(2);
        const QDate otherYear(2025, 3, 14);
        QTest::newRow("en today") << "en"
                                  << "en_GB" << Today << 1 << true << "Today";
        QTest::newRow("en tomorrow") << "en"
                                     << "en_GB" << Today.addDays(1) << 2 << false << "Tomorrow";
        QTest::newRow("en yesterday, one argument") << "en"
                                                    << "en_GB" << yesterday << 1 << true << "Yesterday";
        QTest::newRow("en yesterday, two arguments") << "en"
                                                     << "en_GB" << yesterday << 2 << true << "Yesterday";
        QTest::newRow("en yesterday not allowed") << "en"
                                                  << "en_GB" << yesterday << 2 << false << "08/12/2026";
        QTest::newRow("en this week") << "en"
                                      << "en_GB" << thisWeek << 1 << true << "11/12/2026";
        QTest::newRow("en other year") << "en"
                                       << "en_GB" << otherYear << 1 << true << "14/03/2025";
        QTest::newRow("ru today") << "ru"
                                  << "ru_RU" << Today << 1 << true << "Сегодня";
        QTest::newRow("ru tomorrow") << "ru"
                                     << "ru_RU" << Today.addDays(1) << 1 << true << "Завтра";
        QTest::newRow("ru yesterday") << "ru"
                                      << "ru_RU" << yesterday << 2 << true << "Вчера";
        QTest::newRow("ru yesterday not allowed") << "ru"
                                                  << "ru_RU" << yesterday << 2 << false << "08.12.2026";
        QTest::newRow("ru this week") << "ru"
                                      << "ru_RU" << thisWeek << 1 << true << "11.12.2026";
        QTest::newRow("ru other year") << "ru"
                                       << "ru_RU" << otherYear << 1 << true << "14.03.2025";
        QTest::newRow("ru phrase, English locale") << "ru"
                                                   << "en_GB" << Today.addDays(1) << 1 << true << "Завтра";
        QTest::newRow("ru phrase, English date") << "ru"
                                                 << "en_GB" << otherYear << 1 << true << "14/03/2025";
    }

    void formatsDatesNearTodayByPhrase()
    {
        QFETCH(QString, language);
        QFETCH(QString, locale);
        QFETCH(QDate, date);
        QFETCH(int, arguments);
        QFETCH(bool, allowYesterday);
        QFETCH(QString, expected);
        speak(language, locale);
        const QString text
            = arguments == 1 ? m_dates.formatDate(date) : m_dates.formatDate(date, allowYesterday);
        QCOMPARE(text, expected);
    }

    void formatsDateRanges_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("function");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("end");
        QTest::addColumn<QString>("expected");

        const QDate tomorrow = Today.addDays(1);
        const QDate friday = Today.addDays(2);
        const QDate far(2025, 3, 14);
        const QDateTime none;
        QTest::newRow("header due tomorrow") << "en"
                                             << "en_GB"
                                             << "header" << none << at(tomorrow, 18) << "Tomorrow, 18:00";
        QTest::newRow("header same day")
            << "en"
            << "en_GB"
            << "header" << at(Today, 9) << at(Today, 10, 30) << "Today, between 09:00 and 10:30";
        QTest::newRow("header yesterday")
            << "en"
            << "en_GB"
            << "header" << none << at(Today.addDays(-1), 8) << "Yesterday, 08:00";
        QTest::newRow("header start only") << "en"
                                           << "en_GB"
                                           << "header" << at(Today, 9) << none << "";
        QTest::newRow("ru header due tomorrow") << "ru"
                                                << "ru_RU"
                                                << "header" << none << at(tomorrow, 18) << "Завтра до 18:00";
        QTest::newRow("ru header same day")
            << "ru"
            << "ru_RU"
            << "header" << at(Today, 9) << at(Today, 10, 30) << "Сегодня с 09:00 до 10:30";

        QTest::newRow("section due near")
            << "en"
            << "en_GB"
            << "section" << none << at(tomorrow, 18) << "Do Tomorrow, before 18:00";
        QTest::newRow("section due far")
            << "en"
            << "en_GB"
            << "section" << none << at(far, 18) << "Finish before Friday, 14 March 2025, 18:00";
        QTest::newRow("section due yesterday") << "en"
                                               << "en_GB"
                                               << "section" << none << at(Today.addDays(-1), 18)
                                               << "Finish before Tuesday, 8 December 2026, 18:00";
        QTest::newRow("section start near") << "en"
                                            << "en_GB"
                                            << "section" << at(Today, 9) << none << "Start Today at 09:00";
        QTest::newRow("section start far")
            << "en"
            << "en_GB"
            << "section" << at(far, 9) << none << "Start on Friday, 14 March 2025 at 09:00";
        QTest::newRow("section same day near")
            << "en"
            << "en_GB"
            << "section" << at(Today, 9) << at(Today, 10, 30) << "Complete Today, between 09:00 and 10:30";
        QTest::newRow("section same day far")
            << "en"
            << "en_GB"
            << "section" << at(friday, 9) << at(friday, 10, 30)
            << "Complete on Friday, 11 December 2026 between 09:00 and 10:30";
        QTest::newRow("section two days")
            << "en"
            << "en_GB"
            << "section" << at(Today, 9) << at(friday, 18)
            << "Start Today at 09:00\nFinish before Friday, 11 December 2026, 18:00";
        QTest::newRow("section two far days")
            << "en"
            << "en_GB"
            << "section" << at(far, 9) << at(tomorrow, 18)
            << "Start on Friday, 14 March 2025 at 09:00\nFinish Tomorrow, before 18:00";
        QTest::newRow("ru section due near")
            << "ru"
            << "ru_RU"
            << "section" << none << at(tomorrow, 18) << "Закончить завтра до 18:00";
        QTest::newRow("ru section same day far, Russian locale")
            << "ru"
            << "ru_RU"
            << "section" << at(friday, 9) << at(friday, 10, 30)
            << "Выполнить пятница, 11 декабря 2026 г. с 09:00 до 10:30";
        QTest::newRow("ru section same day far, English locale")
            << "ru"
            << "en_GB"
            << "section" << at(friday, 9) << at(friday, 10, 30)
            << "Выполнить Friday, 11 December 2026, с 09:00 до 10:30";
        QTest::newRow("ru section two days")
            << "ru"
            << "ru_RU"
            << "section" << at(Today, 9) << at(friday, 18)
            << "Начать сегодня в 09:00\nЗакончить до пятница, 11 декабря 2026 г., 18:00";

        QTest::newRow("month two days")
            << "en"
            << "en_GB"
            << "month" << at(friday, 9) << at(friday.addDays(1), 18)
            << "between Friday, 11 December 2026, 09:00 and Saturday, 12 December 2026, 18:00";
        QTest::newRow("month same far day") << "en"
                                            << "en_GB"
                                            << "month" << at(friday, 9) << at(friday, 10, 30)
                                            << "between 09:00 and 10:30 on Friday, 11 December 2026";
        QTest::newRow("month same day today")
            << "en"
            << "en_GB"
            << "month" << at(Today, 9) << at(Today, 10, 30) << "Today, between 09:00 and 10:30";
        QTest::newRow("month start without end") << "en"
                                                 << "en_GB"
                                                 << "month" << at(friday, 9) << none << "";
        QTest::newRow("ru month two days")
            << "ru"
            << "ru_RU"
            << "month" << at(friday, 9) << at(friday.addDays(1), 18)
            << "с пятница, 11 декабря 2026 г., 09:00 по суббота, 12 декабря 2026 г., 18:00";
    }

    void formatsDateRanges()
    {
        QFETCH(QString, language);
        QFETCH(QString, locale);
        QFETCH(QString, function);
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, end);
        QFETCH(QString, expected);
        speak(language, locale);
        QString text;
        if (function == QLatin1String("header"))
            text = m_dates.formatDatesForPreviewHeader(start, end);
        else if (function == QLatin1String("section"))
            text = m_dates.formatDatesForPreviewSection(start, end);
        else
            text = m_dates.formatMonthRepetitionDates(start, end);
        QCOMPARE(text, expected);
    }

    // The interface hands dates back as local moments; the user's wall
    // clock is in their UTC fields.
    void readsDatesHandedBackAsLocalMoments()
    {
        speak(QStringLiteral("en"), QStringLiteral("en_GB"));
        const QDateTime local = at(Today.addDays(1), 18).toLocalTime();
        QCOMPARE(m_dates.formatDatesForPreviewHeader(QDateTime(), local), QStringLiteral("Tomorrow, 18:00"));
    }

    void describesRules_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("expected");

        QTest::newRow("en 1 day") << "en"
                                  << "d;1"
                                  << "Do every 1 day";
        QTest::newRow("en 2 days") << "en"
                                   << "d;2"
                                   << "Do every 2 days";
        QTest::newRow("en weekdays") << "en"
                                     << "w;1;1,3,5"
                                     << "Do every 1 week on Monday, Wednesday and Friday";
        QTest::newRow("en two weekdays") << "en"
                                         << "w;2;2,4"
                                         << "Do every 2 weeks on Tuesday and Thursday";
        QTest::newRow("en one weekday") << "en"
                                        << "w;1;6"
                                        << "Do every 1 week on Saturday";
        QTest::newRow("en months") << "en"
                                   << "m;5"
                                   << "Do every 5 months";
        QTest::newRow("en weekday list on a daily rule") << "en"
                                                         << "d;3;1,2"
                                                         << "Do every 3 days";
        QTest::newRow("en broken weekday list") << "en"
                                                << "w;1;1,x"
                                                << "Do every 1 week";
        QTest::newRow("unknown kind") << "en"
                                      << "y;1"
                                      << "";
        QTest::newRow("one part") << "en"
                                  << "d"
                                  << "";
        QTest::newRow("empty") << "en"
                               << ""
                               << "";
        QTest::newRow("ru 1") << "ru"
                              << "d;1"
                              << "Выполнять каждый 1 день";
        QTest::newRow("ru 2") << "ru"
                              << "d;2"
                              << "Выполнять каждые 2 дня";
        QTest::newRow("ru 5") << "ru"
                              << "d;5"
                              << "Выполнять каждые 5 дней";
        QTest::newRow("ru 11") << "ru"
                               << "d;11"
                               << "Выполнять каждые 11 дней";
        QTest::newRow("ru 21") << "ru"
                               << "d;21"
                               << "Выполнять каждый 21 день";
        QTest::newRow("ru 22") << "ru"
                               << "d;22"
                               << "Выполнять каждые 22 дня";
        QTest::newRow("ru weeks 1") << "ru"
                                    << "w;1"
                                    << "Выполнять каждую 1 неделю";
        QTest::newRow("ru weeks 21") << "ru"
                                     << "w;21"
                                     << "Выполнять каждую 21 неделю";
        QTest::newRow("ru weeks 11") << "ru"
                                     << "w;11"
                                     << "Выполнять каждые 11 недель";
        QTest::newRow("ru months 2") << "ru"
                                     << "m;2"
                                     << "Выполнять каждые 2 месяца";
        QTest::newRow("ru months 22") << "ru"
                                      << "m;22"
                                      << "Выполнять каждые 22 месяца";
        QTest::newRow("ru months 5") << "ru"
                                     << "m;5"
                                     << "Выполнять каждые 5 месяцев";
        QTest::newRow("ru two weekdays") << "ru"
                                         << "w;2;2,4"
                                         << "Выполнять каждые 2 недели по вторникам и четвергам";
    }

    void describesRules()
    {
        QFETCH(QString, language);
        QFETCH(QString, rule);
        QFETCH(QString, expected);
        speak(language, QStringLiteral("en_GB"));
        QCOMPARE(m_repetitions.formatRepetitionForPreview(rule), expected);
    }

    void tellsNextOccurrence_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("end");
        QTest::addColumn<QString>("expected");

        const QDateTime none;
        const QDate monday(2026, 12, 7);
        QTest::newRow("days stepped past now")
            << "en"
            << "d;2" << at(QDate(2026, 12, 1), 9) << at(QDate(2026, 12, 1), 10)
            << "11/12/2026, between 09:00 and 10:00";
        QTest::newRow("days still ahead")
            << "en"
            << "d;1" << at(Today, 17) << at(Today, 18) << "Today, between 17:00 and 18:00";
        QTest::newRow("days from long ago")
            << "en"
            << "d;1" << none << at(QDate(2000, 1, 1), 10) << "Tomorrow, 10:00";
        QTest::newRow("weeks") << "en"
                               << "w;2" << none << at(QDate(2026, 11, 1), 10) << "13/12/2026, 10:00";
        QTest::newRow("weekdays") << "en"
                                  << "w;1;1,3,5" << none << at(monday, 10) << "on Friday, 11/12/2026, 10:00";
        QTest::newRow("ru weekdays") << "ru"
                                     << "w;1;1,3,5" << none << at(monday, 10)
                                     << "в пятницу, 11.12.2026 до 10:00";
        QTest::newRow("weekdays over the week end")
            << "en"
            << "w;2;1,3" << none << at(Today, 10) << "on Monday, 21/12/2026, 10:00";
        QTest::newRow("months not stepped") << "en"
                                            << "m;1" << at(Today.addDays(2), 9) << at(Today.addDays(2), 10)
                                            << "between 09:00 and 10:00 on Friday, 11 December 2026";
        // Rules that yield no date end at once with no text.
        QTest::newRow("weekday list without the date's weekday") << "en"
                                                                 << "w;1;2,4" << none << at(monday, 10) << "";
        QTest::newRow("zero days") << "en"
                                   << "d;0" << none << at(monday, 10) << "";
        QTest::newRow("negative weeks") << "en"
                                        << "w;-1" << none << at(monday, 10) << "";
        QTest::newRow("zero weeks with weekdays") << "en"
                                                  << "w;0;1,3" << none << at(monday, 10) << "";
        QTest::newRow("interval not a number") << "en"
                                               << "d;x" << none << at(monday, 10) << "";
        QTest::newRow("unknown kind") << "en"
                                      << "y;1" << none << at(monday, 10) << "";
        QTest::newRow("weekly rule with four parts") << "en"
                                                     << "w;1;1,3;5" << none << at(monday, 10) << "";
        QTest::newRow("no end") << "en"
                                << "d;1" << at(monday, 9) << none << "";
        QTest::newRow("one part") << "en"
                                  << "d" << none << at(monday, 10) << "";
    }

    void tellsNextOccurrence()
    {
        QFETCH(QString, language);
        QFETCH(QString, rule);
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, end);
        QFETCH(QString, expected);
        speak(language, language == QLatin1String("ru") ? QStringLiteral("ru_RU") : QStringLiteral("en_GB"));
        QCOMPARE(m_repetitions.formatNextDateForPreview(rule, start, end), expected);
    }

    void describesReminders_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("isStart");
        QTest::addColumn<QString>("expected");

        QTest::newRow("hour before start") << "en" << 4 << true << "1 hour before start";
        QTest::newRow("two days before deadline") << "en" << 8 << false << "2 days before deadline";
        QTest::newRow("at start") << "en" << 0 << true << "When task is active";
        QTest::newRow("at due") << "en" << 0 << false << "When task is overdue";
        QTest::newRow("unknown type") << "en" << 9 << true << "";
        QTest::newRow("ru 15 min before start") << "ru" << 2 << true << "За 15 минут до начала";
        QTest::newRow("ru day before deadline") << "ru" << 7 << false << "За 1 день до срока";
        QTest::newRow("ru at due") << "ru" << 0 << false << "Когда задача просрочена";
    }

    void describesReminders()
    {
        QFETCH(QString, language);
        QFETCH(int, type);
        QFETCH(bool, isStart);
        QFETCH(QString, expected);
        speak(language, QStringLiteral("en_GB"));
        QCOMPARE(
            m_reminders.formatReminderForPreviewSection(NotificationManager::NotificationType(type), isStart),
            expected);
    }
};

QUORVEL_TEST_MAIN(FormatHelpersTest)
#include "tst_formathelpers.moc"
