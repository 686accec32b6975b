#include "data/DataHandler.h"
#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "data/IndicatorState.h"
#include "data/PredefinedDataHelper.h"
#include "shell/Settings.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QSignalSpy>

#include <ctime>

namespace {

const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();
const qint64 Earlier = 1700000000;

QDate today()
{
    return QDate::currentDate();
}

// A wall-clock moment n days from today.
QDateTime day(int offset, const QTime& time = QTime(10, 0))
{
    return wallClock(today().addDays(offset), time);
}

QStringList idsOf(const QList<DataObject>& records)
{
    QStringList ids;
    for (const DataObject& record : records)
        ids.append(record.value(QStringLiteral("ID")).toString());
    return ids;
}

} // namespace

class TestDayQueries : public QObject
{
    Q_OBJECT

private:
    StoreFixture m;

    DatabaseHandler* store() { return m.store(); }

    void seedTask(const QString& id, const QDateTime& start, const QDateTime& due, int state = 0,
        const QString& period = QString(), const QString& parent = Inbox)
    {
        QVERIFY(m.seedTask(RecordBuilder::task(id, parent)
                               .withId(id)
                               .start(start)
                               .due(due)
                               .state(state)
                               .period(period)
                               .fromSync(Earlier)));
    }

    // One of each kind of task the daily plan tells apart.
    void seedPlan()
    {
        seedTask("overdue", QDateTime(), day(-1));
        seedTask("overdue-repeating", QDateTime(), day(-1), 0, "d;7");
        seedTask("due-today", QDateTime(), day(0, QTime(12, 0)));
        seedTask("started-without-due", day(-2, QTime(9, 0)), QDateTime());
        seedTask("started-due-later", day(-1, QTime(9, 0)), day(3));
        seedTask("starts-later", day(2, QTime(9, 0)), day(5));
        seedTask("completed-today", QDateTime(), day(0), 2);
        seedTask("completed-yesterday", QDateTime(), day(-1), 2);
        seedTask("deleted-today", QDateTime(), day(0), 1);
        seedTask("undated", QDateTime(), QDateTime());
    }

private slots:
    void initTestCase()
    {
        // A zone far from UTC, so that a query that converted between zones
        // instead of reading the wall clock would land on another day.
        qputenv("TZ", "Pacific/Kiritimati");
        tzset();
        StoreFixture::setUpLogging(QStringLiteral("tst_dayqueries"));
    }

    void init()
    {
        TestSandbox::reset();
        QVERIFY(m.open());
    }

    void cleanup() { m.close(); }

    void shouldListWhatBelongsToADay_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("listed");

        // Days asked for: yesterday (a past day), today, and later days.
        const QList<int> days = { -1, 0, 1, 2, 3, 4 };
        const QList<QPair<QString, QList<bool>>> expected = {
            // An overdue task shows today and on the day it was due.
            { "overdue", { true, true, false, false, false, false } },
            // Today through its rule only, see shouldShowAnOverdueRepeatedTaskOnceToday.
            { "overdue-repeating", { true, true, false, false, false, false } },
            { "due-today", { false, true, false, false, false, false } },
            // Started and not yet due: available every day from now on.
            { "started-without-due", { false, true, true, true, true, true } },
            { "started-due-later", { false, true, true, true, true, false } },
            { "starts-later", { false, false, false, true, true, true } },
            { "completed-today", { false, true, false, false, false, false } },
            { "completed-yesterday", { true, false, false, false, false, false } },
            { "deleted-today", { false, false, false, false, false, false } },
            { "undated", { false, false, false, false, false, false } },
        };
        for (const auto& task : expected) {
            for (int i = 0; i < days.size(); ++i)
                QTest::addRow("%s on day %+d", qPrintable(task.first), days.at(i))
                    << task.first << days.at(i) << task.second.at(i);
        }
    }

    void shouldListWhatBelongsToADay()
    {
        QFETCH(QString, id);
        QFETCH(int, offset);
        QFETCH(bool, listed);
        m.settings()->setShowProjectsInDailyPlan(false);
        seedPlan();
        const QStringList ids = idsOf(store()->getDayTasks(today().addDays(offset)));
        QCOMPARE(ids.count(id), listed ? 1 : 0);
    }

    void shouldListNothingForAnInvalidDate()
    {
        seedPlan();
        QVERIFY(store()->getDayTasks(QDate()).isEmpty());
        QCOMPARE(store()->getActiveDayTaskCount(QDateTime()), 0);
        QVERIFY(!store()->hasActiveObjects(QDateTime()));
        QCOMPARE(store()->getIndicatorState(QDateTime()), IndicatorState());
    }

    void shouldShowAnOverdueRepeatedTaskOnceToday()
    {
        seedTask("overdue-repeating", QDateTime(), day(-1), 0, "d;7");
        const QList<DOTask> plan = store()->getDayTasks(today());
        QCOMPARE(plan.size(), 1);
        const DOTask occurrence = plan.first();
        QVERIFY(occurrence.value(QStringLiteral("REPEATED")).toBool());
        QCOMPARE(occurrence.value(QStringLiteral("FAKEDUE")).toDateTime(), day(-1));
        QCOMPARE(occurrence.value(QStringLiteral("DUE")).toDateTime(), day(-1));
    }

    void shouldShowLaterOccurrencesOfARepeatedTask()
    {
        seedTask("every-third-day", QDateTime(), day(1), 0, "d;3");
        QCOMPARE(idsOf(store()->getDayTasks(today().addDays(1))), QStringList { "every-third-day" });
        QVERIFY(store()->getDayTasks(today().addDays(2)).isEmpty());
        const QList<DOTask> later = store()->getDayTasks(today().addDays(4));
        QCOMPARE(idsOf(later), QStringList { "every-third-day" });
        QVERIFY(later.first().value(QStringLiteral("REPEATED")).toBool());
        QCOMPARE(later.first().value(QStringLiteral("DUE")).toDateTime(), day(4));
    }

    void shouldAddTheDaysProjectsWhenThePlanShowsThem_data()
    {
        QTest::addColumn<bool>("showProjects");
        QTest::newRow("plan shows projects") << true;
        QTest::newRow("plan shows tasks only") << false;
    }

    void shouldAddTheDaysProjectsWhenThePlanShowsThem()
    {
        QFETCH(bool, showProjects);
        m.settings()->setShowProjectsInDailyPlan(showProjects);
        QVERIFY(m.seedProject(
            RecordBuilder::project("Due today").withId("due-today").due(day(0)).fromSync(Earlier)));
        QVERIFY(m.seedProject(
            RecordBuilder::project("Overdue").withId("overdue").due(day(-3)).fromSync(Earlier)));
        QVERIFY(m.seedProject(
            RecordBuilder::project("Done").withId("done").due(day(-3)).state(2).fromSync(Earlier)));
        QVERIFY(m.seedProject(RecordBuilder::project("Later").withId("later").due(day(2)).fromSync(Earlier)));

        QStringList todays = idsOf(store()->getDayTasks(today()));
        todays.sort();
        // Overdue, due today, and available since it has no start yet.
        QCOMPARE(todays, showProjects ? QStringList({ "due-today", "later", "overdue" }) : QStringList());
        QCOMPARE(idsOf(store()->getDayTasks(today().addDays(-3))),
            showProjects ? QStringList({ "overdue", "done" }) : QStringList());
        QCOMPARE(store()->hasActiveObjects(day(0)), showProjects);
        QCOMPARE(store()->getIndicatorState(day(2)).hasActiveObjects, showProjects);
        // Projects are not tasks: they are never counted as such.
        QCOMPARE(store()->getOverdueDayTaskCount(day(0, QTime(12, 0))), 0);
    }

    void shouldCountActiveAndOverdueTasksAtAMoment_data()
    {
        QTest::addColumn<QDateTime>("moment");
        const QDate date = today();
        QTest::newRow("wall-clock value") << wallClock(date, QTime(12, 0));
        QTest::newRow("local time") << QDateTime(date, QTime(12, 0), Qt::LocalTime);
        // Only the date and clock time count, not the zone they are in.
        QTest::newRow("far from UTC") << QDateTime(date, QTime(12, 0), Qt::OffsetFromUTC, -11 * 3600);
    }

    void shouldCountActiveAndOverdueTasksAtAMoment()
    {
        QFETCH(QDateTime, moment);
        seedTask("passed", QDateTime(), day(0, QTime(10, 0)));
        seedTask("to-come", QDateTime(), day(0, QTime(15, 0)));
        seedTask("to-come-completed", QDateTime(), day(0, QTime(16, 0)), 2);
        seedTask("yesterday", QDateTime(), day(-1));
        seedTask("started", day(-2), QDateTime());
        seedTask("tomorrow", QDateTime(), day(1));

        QCOMPARE(store()->getActiveDayTaskCount(moment), 1);
        QCOMPARE(store()->getOverdueDayTaskCount(moment), 2);
        // Tomorrow at noon, tomorrow's 10 o'clock task will be overdue.
        QCOMPARE(store()->getActiveDayTaskCount(moment.addDays(1)), 0);
        QCOMPARE(store()->getOverdueDayTaskCount(moment.addDays(1)), 1);
    }

    void shouldCountTheOverdueTasksOfAProject()
    {
        QVERIFY(m.seedProject(RecordBuilder::project("P").withId("p").fromSync(Earlier)));
        seedTask("late", QDateTime(), day(-1), 0, QString(), "p");
        seedTask("late-completed", QDateTime(), day(-1), 2, QString(), "p");
        seedTask("late-deleted", QDateTime(), day(-1), 1, QString(), "p");
        seedTask("in-time", QDateTime(), day(1), 0, QString(), "p");
        seedTask("elsewhere", QDateTime(), day(-1));
        QCOMPARE(store()->getProjectOverdueTaskCount(QStringLiteral("p")), 1);
        QCOMPARE(store()->getProjectOverdueTaskCount(QStringLiteral("p' OR '1'='1")), 0);
    }

    void shouldMarkTheDaysOfTheCalendar_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("active");
        QTest::addColumn<bool>("overdue");
        QTest::addColumn<bool>("repeated");
        QTest::newRow("yesterday") << -1 << true << false << false;
        QTest::newRow("today") << 0 << true << true << false;
        QTest::newRow("tomorrow") << 1 << true << false << false;
        QTest::newRow("in two days") << 2 << false << false << false;
        QTest::newRow("in three days") << 3 << false << false << true;
    }

    void shouldMarkTheDaysOfTheCalendar()
    {
        QFETCH(int, offset);
        QFETCH(bool, active);
        QFETCH(bool, overdue);
        QFETCH(bool, repeated);
        seedTask("due-today", QDateTime(), day(0));
        seedTask("due-yesterday", QDateTime(), day(-1));
        seedTask("every-other-day", QDateTime(), day(1), 0, "d;2");
        seedTask("completed", QDateTime(), day(2), 2);

        const QDateTime moment = day(offset, QTime(18, 30));
        QCOMPARE(store()->hasActiveObjects(moment), active);
        // Overdue tasks exist whichever day is asked; only today shows them.
        QVERIFY(store()->hasOverdueTasks(day(0)));
        QCOMPARE(store()->getIndicatorState(moment), IndicatorState(active, overdue, repeated));
    }

    // Last: this case opens the program's own store, which stays open.
    void shouldAnswerTheCalendarsRequestWithItsSignal()
    {
        m.close();
        TestSandbox::reset();
        QVERIFY(DatabaseTemplate::unpackTo(DatabaseHandler::databasePath()));
        DataHandler handler;
        handler.initialize();
        QVERIFY(handler.store()->isConnected());
        QVERIFY(handler.store()->createTaskRemotely(
            RecordBuilder::task("due", Inbox).withId("due").due(day(0)).fromSync(Earlier)));
        QVERIFY(handler.store()->createTaskRemotely(
            RecordBuilder::task("late", Inbox).withId("late").due(day(-4)).fromSync(Earlier)));

        QSignalSpy answers(&handler, &DataHandler::indicatorStateForDateChanged);
        const QDateTime asked = QDateTime(today(), QTime(7, 45), Qt::LocalTime);
        const QDateTime other = QDateTime(today().addDays(-4), QTime(7, 45), Qt::LocalTime);
        QVERIFY(QMetaObject::invokeMethod(
            &handler, "requestIndicatorStateForDate", Qt::QueuedConnection, Q_ARG(QDateTime, asked)));
        QVERIFY(QMetaObject::invokeMethod(
            &handler, "requestIndicatorStateForDate", Qt::QueuedConnection, Q_ARG(QDateTime, other)));
        QVERIFY(answers.wait());
        QTRY_COMPARE(answers.size(), 2);
        QCOMPARE(answers.at(0).at(0).toDateTime(), asked);
        QCOMPARE(answers.at(0).at(1).value<IndicatorState>(), IndicatorState(true, true, false));
        QCOMPARE(answers.at(1).at(0).toDateTime(), other);
        QCOMPARE(answers.at(1).at(1).value<IndicatorState>(), IndicatorState(true, false, false));
        handler.shutdown();
    }
};

QUORVEL_TEST_MAIN(TestDayQueries)
#include "tst_dayqueries.moc"
