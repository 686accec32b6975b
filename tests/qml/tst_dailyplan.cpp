#include "WindowDriver.h"
#include "WindowFixture.h"

#include "data/DataManager.h"
#include "data/PredefinedDataHelper.h"
#include "data/ProjectHandler.h"
#include "data/TaskEditorRules.h"
#include "data/TaskHandler.h"
#include "shell/Clipboard.h"
#include "shell/Settings.h"
#include "support/TestMain.h"

#include <QQuickItem>
#include <QQuickWindow>

// The daily plan in the real main window: the day it opens on, its
// calendar, sections, empty states, drops and pastes, checked in the store.
class TestDailyPlan : public QObject
{
    Q_OBJECT

private:
    using W = WindowDriver;
    using F = WindowFixture;

    static QString oneStepActionsId() { return PredefinedDataHelper::instance()->oneStepActionsId(); }
    static QString inboxId() { return PredefinedDataHelper::instance()->quorvelBoxId(); }
    static QQuickItem *page() { return W::item("dailyPlanPage"); }
    static QQuickItem *dayList() { return W::item("dailyPlanList"); }
    static QObject *dayModel() { return dayList() ? dayList()->property("model").value<QObject *>() : nullptr; }
    static QDate shownDay() { return page()->property("day").toDateTime().toUTC().date(); }
    static QString cellName(const QDate &date)
    {
        return QStringLiteral("day_%1_%2_%3").arg(date.year()).arg(date.month()).arg(date.day());
    }
    static QQuickItem *cell(int daysFromToday) { return W::item(cellName(QDate::currentDate().addDays(daysFromToday))); }
    static void showDay(int daysFromToday)
    {
        QMetaObject::invokeMethod(page(), "chooseDay", Q_ARG(QVariant, QVariant(F::dayOf(daysFromToday))));
        QTRY_COMPARE(shownDay(), QDate::currentDate().addDays(daysFromToday));
    }
    static QDateTime defaultDueOn(const QDate &day)
    {
        return qobject_cast<TaskEditorRules *>(F::published("TaskEditorRules"))->defaultDueOnDay(day);
    }
    static QString sectionTitle(int section)
    {
        QQuickItem *header = W::item(QStringLiteral("planSection_%1").arg(section));
        return header ? header->property("title").toString() : QString();
    }
    // Makes a task through the tool bar's add button on the day shown.
    static bool addTaskFromToolBar(const QString &name)
    {
        if (!W::click("addButton"))
            return false;
        if (!QTest::qWaitFor([] { return W::isShown("dayAddMenu"); }))
            return false;
        W::click("dayAddTask");
        if (!QTest::qWaitFor([] { return W::isShown("taskEditor"); }))
            return false;
        W::type(name);
        W::key(Qt::Key_Return);
        return QTest::qWaitFor([] { return !W::isShown("taskEditor"); });
    }
    static void drag(const QPoint &from, const QPoint &to)
    {
        // Rows start a drag when the pointer moves up or down.
        const QPoint lifted = from + QPoint(0, 24);
        QTest::mousePress(W::window(), Qt::LeftButton, Qt::NoModifier, from);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(W::window(), from + (lifted - from) * step / 4, 10);
        for (int step = 1; step <= 12; ++step)
            QTest::mouseMove(W::window(), lifted + (to - lifted) * step / 12, 10);
        QTest::mouseRelease(W::window(), Qt::LeftButton, Qt::NoModifier, to, 10);
    }
    static QPoint centreOf(QQuickItem *item)
    {
        return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
    }

private slots:
    void initTestCase() { QVERIFY(F::startWindow()); }

    void shouldOpenOnTodaysPlan()
    {
        QTRY_COMPARE(W::root()->property("currentSection").toInt(), 1);
        QTRY_VERIFY(page() && page()->isVisible());
        QCOMPARE(shownDay(), QDate::currentDate());
        QCOMPARE(W::item("pageTitle")->property("text").toString(),
                 QLocale(QLocale::English, QLocale::UnitedStates).toString(QDate::currentDate(), "MMMM d, dddd"));
    }

    void shouldShowTheEmptyStateOfTheDay_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("hint");
        QTest::newRow("today") << 0 << "Here you will find your daily task lists" << "Press + to add a task for Today";
        QTest::newRow("another day") << 4 << "No tasks for this day yet" << "Press + to add a task to this date";
    }

    void shouldShowTheEmptyStateOfTheDay()
    {
        QFETCH(int, days);
        QFETCH(QString, title);
        QFETCH(QString, hint);
        QVERIFY(W::click(days == 0 ? W::item("todayButton") : cell(days)));
        QTRY_COMPARE(shownDay(), QDate::currentDate().addDays(days));
        QTRY_COMPARE(W::item("placeholderTitle")->property("text").toString(), title);
        QCOMPARE(W::item("placeholderHint")->property("text").toString(), hint);
        if (days == 0) {
            for (bool dark : { false, true }) {
                F::setTheme(dark);
                QVERIFY(W::screenshot(dark ? "daily_plan_empty_dark" : "daily_plan_empty_light"));
            }
            F::setTheme(false);
        }
    }

    void shouldAddATaskFromTheToolBarToTodaysTasks()
    {
        QVERIFY(W::click("todayButton"));
        QTRY_COMPARE(shownDay(), QDate::currentDate());
        const int before = dayModel()->property("activeTaskCount").toInt();
        const int panelBefore = W::item("sidePanel")->property("todayActive").toInt();

        QVERIFY(addTaskFromToolBar("Plan the week"));
        QTRY_VERIFY(F::rowNamed("Plan the week"));
        const QVariantMap record = F::recordNamed(dayList(), "Plan the week");
        QCOMPARE(record.value("PARENT").toString(), oneStepActionsId());
        QCOMPARE(record.value("DUE").toDateTime().toUTC(), defaultDueOn(QDate::currentDate()));
        QTRY_COMPARE(dayModel()->property("activeTaskCount").toInt(), before + 1);
        QTRY_COMPARE(sectionTitle(0), QCoreApplication::translate("DayPlanListView", "%n task(s)", nullptr, before + 1));
        QTRY_COMPARE(W::item("sidePanel")->property("todayActive").toInt(), panelBefore + 1);

        // The Enter that saves must not go on to open the selected row.
        QVERIFY(W::click(F::rowNamed("Plan the week")));
        QVERIFY(addTaskFromToolBar("Plan the month"));
        QTest::qWait(100);
        QVERIFY(!W::isShown("taskEditor"));
        QTRY_VERIFY(F::rowNamed("Plan the month"));
    }

    void shouldMarkTheDayOfATaskMadeThere()
    {
        // A day of the month shown, so that the calendar stays on it.
        const int days = QDate::currentDate().addDays(2).month() == QDate::currentDate().month() ? 2 : -2;
        QVERIFY(W::click("todayButton"));
        QTest::qWait(300);
        QCOMPARE(cell(days)->property("marker").toInt(), 0);
        QVERIFY(W::click(cell(days)));
        QTRY_COMPARE(shownDay(), QDate::currentDate().addDays(days));

        QVERIFY(addTaskFromToolBar("Water the garden"));
        QTRY_COMPARE(cell(days)->property("marker").toInt(), 1);
        QVERIFY(F::rowNamed("Water the garden"));
    }

    void shouldMoveATaskDroppedOnTomorrowWithItsTimeAndReminders()
    {
        QVERIFY(W::click("todayButton"));
        const QDateTime start = F::wallClock(0, 9, 0);
        const QDateTime due = F::wallClock(0, 10, 15);
        const QString id = F::addTask({ { "NAME", "Drop me on tomorrow" }, { "PARENT", oneStepActionsId() },
                                        { "START", start }, { "DUE", due } });
        QVERIFY(!id.isEmpty());
        DataManager *data = DataManager::instance();
        QVERIFY(data->scheduleReminder({ { "ID", id }, { "NAME", "Drop me on tomorrow" }, { "DUEDATE", due } },
                                       2));
        QTRY_VERIFY(F::rowNamed("Drop me on tomorrow"));
        QTest::qWait(150);

        drag(centreOf(F::rowNamed("Drop me on tomorrow")), centreOf(cell(1)));
        QTRY_COMPARE(F::stored(id).value("DUE").toDateTime().toUTC(), F::wallClock(1, 10, 15));
        QCOMPARE(F::stored(id).value("START").toDateTime().toUTC(), start);
        QVERIFY(!data->hasScheduledReminder({ { "ID", id }, { "DUEDATE", due } }, 2));
        QVERIFY(data->hasScheduledReminder({ { "ID", id }, { "DUEDATE", F::wallClock(1, 10, 15) } }, 2));
        // Started today and due tomorrow: still to be had today, as also available.
        QTRY_COMPARE(F::recordNamed(dayList(), "Drop me on tomorrow").value("DUE").toDateTime().toUTC(),
                     F::wallClock(1, 10, 15));
        QVERIFY(!sectionTitle(2).isEmpty());
    }

    void shouldMoveATaskDroppedOnTheInboxAndComeBackToItsDay()
    {
        showDay(2);
        const QString id = F::addTask({ { "NAME", "Ask about the lease" }, { "PARENT", oneStepActionsId() },
                                        { "DUE", F::wallClock(2, 11, 0) } });
        QTRY_VERIFY(F::rowNamed("Ask about the lease"));
        QTest::qWait(150);
        drag(centreOf(F::rowNamed("Ask about the lease")), centreOf(W::item("section_0")));
        QTRY_COMPARE(F::stored(id).value("PARENT").toString(), inboxId());
        QCOMPARE(F::stored(id).value("DUE").toDateTime().toUTC(), F::wallClock(2, 11, 0));

        // Its project, then back to the day it was opened from, with the task selected.
        W::call("goToTaskProject", F::stored(id));
        QTRY_VERIFY(W::item("quorvelBoxList"));
        QVERIFY(W::item("backButton")->isEnabled());
        W::call("goBack");
        QTRY_VERIFY(page());
        QTRY_COMPARE(shownDay(), QDate::currentDate().addDays(2));
        QTRY_COMPARE(dayList()->property("selectionCount").toInt(), 1);
    }

    void shouldPasteATaskWithoutDatesAtTheDefaultDueTime()
    {
        showDay(5);
        Clipboard::instance()->setObject({ { "ID", "copied1" }, { "NAME", "Pasted note" }, { "PARENT", inboxId() },
                                           { "STATE", 0 }, { "PERIOD", "" }, { "MEMO", "" } });
        dayList()->forceActiveFocus();
        W::key(Qt::Key_V, Qt::ControlModifier);
        QTRY_VERIFY(!F::recordNamed(dayList(), "Pasted note").isEmpty());
        const QVariantMap pasted = F::recordNamed(dayList(), "Pasted note");
        QCOMPARE(pasted.value("DUE").toDateTime().toUTC(), defaultDueOn(QDate::currentDate().addDays(5)));
        QVERIFY(!pasted.value("START").toDateTime().isValid());
        QCOMPARE(pasted.value("PARENT").toString(), oneStepActionsId());
        QVERIFY(pasted.value("ID").toString() != "copied1");
    }

    void shouldFoldASectionByItsHeader()
    {
        QVERIFY(W::click("todayButton"));
        QTRY_VERIFY(F::rowNamed("Plan the week"));
        QVERIFY(W::click(W::item("planSection_0")));
        QTRY_VERIFY(!F::rowNamed("Plan the week"));
        QVERIFY(W::click(W::item("planSection_0")));
        QTRY_VERIFY(F::rowNamed("Plan the week"));
    }

    void shouldRenderABusyDayInBothThemesAndRussian()
    {
        const QString steps = oneStepActionsId();
        F::addTask({ { "NAME", "Call the dentist to move Thursday's appointment to the week after next, before noon" },
                     { "PARENT", steps }, { "START", F::wallClock(0, 8, 30) }, { "DUE", F::wallClock(0, 11, 0) },
                     { "MEMO", "Ask for Dr. Miller" } });
        F::addTask({ { "NAME", QString::fromUtf8("Подготовить отчёт для бухгалтерии за ноябрь") }, { "PARENT", inboxId() },
                     { "DUE", F::wallClock(-1, 12, 0) } });
        const QString reminded = F::addTask({ { "NAME", "Send the invoice" }, { "PARENT", steps },
                                              { "DUE", F::wallClock(0, 23, 30) } });
        DataManager::instance()->scheduleReminder({ { "ID", reminded }, { "NAME", "Send the invoice" },
                                                   { "DUEDATE", F::wallClock(0, 23, 30) } }, 1);
        F::addTask({ { "NAME", "Water the plants" }, { "PARENT", steps }, { "DUE", F::wallClock(0, 19, 0) },
                     { "PERIOD", "d;2" } });
        F::addTask({ { "NAME", "Read the planning article" }, { "PARENT", steps }, { "START", F::wallClock(-1, 9, 0) },
                     { "DUE", F::wallClock(3, 18, 0) } });
        F::addTask({ { "NAME", "Book the train" }, { "PARENT", steps }, { "DUE", F::wallClock(0, 9, 0) },
                     { "STATE", 2 } });
        auto *projects = qobject_cast<ProjectHandler *>(F::published("ProjectHandler"));
        projects->createProject({ { "NAME", "Move to the new flat" }, { "PARENT", "" }, { "FOLDER", false },
                                  { "DUE", F::wallClock(0, 20, 0) } });
        W::call("openSection", 1);
        QTRY_VERIFY(F::rowNamed("Send the invoice"));
        QTRY_VERIFY(W::item("planSection_1"));

        for (bool dark : { false, true }) {
            F::setTheme(dark);
            const QString theme = dark ? "dark" : "light";
            QVERIFY(W::screenshot("daily_plan_busy_" + theme));
            Settings::instance()->setShowCalendarOnDailyPlanPage(false);
            QTRY_VERIFY(!W::item("dailyPlanCalendar")->isVisible());
            QVERIFY(W::screenshot("daily_plan_no_calendar_" + theme));
            Settings::instance()->setShowCalendarOnDailyPlanPage(true);
            QTRY_VERIFY(W::item("dailyPlanCalendar")->isVisible());
        }
        F::setTheme(false);

        F::setLanguage("ru");
        QTRY_COMPARE(W::item("pageTitle")->property("text").toString(),
                     QLocale(QLocale::Russian, QLocale::Russia).toString(QDate::currentDate(), "d MMMM, dddd"));
        QVERIFY(W::screenshot("daily_plan_busy_ru_light"));
        W::window()->resize(700, 560);
        QTest::qWait(100);
        QVERIFY(W::screenshot("daily_plan_compact_ru_light"));
        W::window()->resize(1100, 720);
        F::setLanguage("en");
    }
};

QUORVEL_TEST_MAIN(TestDailyPlan)
#include "tst_dailyplan.moc"
