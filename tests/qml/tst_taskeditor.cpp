#include "WindowDriver.h"
#include "WindowFixture.h"

#include "data/DataManager.h"
#include "data/PredefinedDataHelper.h"
#include "data/TaskEditorRules.h"
#include "data/TaskHandler.h"
#include "support/TestMain.h"

#include <QQuickItem>
#include <QQuickWindow>

// The task editor in the real main window: repetitions, reminders, the
// favorite switch and saving, checked in the store.
class TestTaskEditor : public QObject
{
    Q_OBJECT

private:
    using W = WindowDriver;
    using F = WindowFixture;

    static QString inboxId() { return PredefinedDataHelper::instance()->quorvelBoxId(); }
    static QObject *editor() { return W::object("taskEditor"); }
    static TaskEditorRules *rules() { return qobject_cast<TaskEditorRules *>(F::published("TaskEditorRules")); }
    static bool isShownItem(const QString &name)
    {
        for (QQuickItem *item : W::items(name)) {
            if (item->isVisible())
                return true;
        }
        return false;
    }
    static bool openEditorOf(const QString &id)
    {
        W::call("showTaskEditor", F::stored(id));
        return QTest::qWaitFor([] { return W::isShown("taskEditor"); });
    }
    static bool save()
    {
        W::click("editorSave");
        return QTest::qWaitFor([] { return !W::isShown("taskEditor"); });
    }
    static void chooseRepetition(int kindIndex)
    {
        QMetaObject::invokeMethod(W::item("repetitionKind"), "activated", Q_ARG(int, kindIndex));
    }

private slots:
    void initTestCase() { QVERIFY(F::startWindow()); }
    void cleanup()
    {
        rules()->setClock({});
        for (const char *popup : { "messagePopup", "taskEditor" }) {
            if (W::isShown(popup))
                W::key(Qt::Key_Escape);
        }
    }

    void shouldRefuseAMonthlyRepetitionAfterThe28th_data()
    {
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("period");
        QTest::newRow("30th") << 30 << "";
        QTest::newRow("28th") << 28 << "m;1";
    }

    void shouldRefuseAMonthlyRepetitionAfterThe28th()
    {
        QFETCH(int, day);
        QFETCH(QString, period);
        const QDate date(QDate::currentDate().year() + 1, 4, day);
        const QString id = F::addTask({ { "NAME", "Pay the rent" }, { "PARENT", inboxId() },
                                        { "DUE", QDateTime(date, QTime(10, 0), Qt::UTC) } });
        QVERIFY(openEditorOf(id));
        chooseRepetition(3);
        if (period.isEmpty()) {
            QTRY_VERIFY(W::isShown("messagePopup"));
            QCOMPARE(W::item("messageTitle")->property("text").toString(), QString("Warning"));
            QCOMPARE(W::item("messageText")->property("text").toString(),
                     QString("Unfortunately with monthly repeating tasks it's impossible to set due date to 29, 30 "
                             "and 31."));
            QCOMPARE(W::item("repetitionKind")->property("currentIndex").toInt(), 0);
            QVERIFY(W::screenshot("task_editor_monthly_warning_light"));
            W::key(Qt::Key_Escape);
            QTRY_VERIFY(!W::isShown("messagePopup"));
        }
        QVERIFY(W::isShown("taskEditor"));
        QVERIFY(save());
        QCOMPARE(F::stored(id).value("PERIOD").toString(), period);
    }

    void shouldOfferOnlyReminderTypesStillAhead()
    {
        const QDateTime due = F::wallClock(1, 12, 0);
        const QDateTime now = QDateTime(due.date(), due.time(), Qt::LocalTime).addSecs(-20 * 60);
        rules()->setClock([now] { return now; });
        const QString id = F::addTask({ { "NAME", "Catch the bus" }, { "PARENT", inboxId() }, { "DUE", due } });
        QVERIFY(openEditorOf(id));
        QVERIFY(W::click("editorTab_2"));
        QTRY_VERIFY(isShownItem("reminderOption_due_2"));
        for (int type = 0; type <= 8; ++type) {
            QCOMPARE(isShownItem(QStringLiteral("reminderOption_due_%1").arg(type)), type <= 2);
            QVERIFY(!isShownItem(QStringLiteral("reminderOption_start_%1").arg(type)));
        }
        QVERIFY(W::click(W::item("reminderOption_due_1")));
        QVERIFY(save());
        DataManager *data = DataManager::instance();
        QVERIFY(data->hasScheduledReminder({ { "ID", id }, { "DUEDATE", due } }, 1));
        QVERIFY(!data->hasScheduledReminder({ { "ID", id }, { "DUEDATE", due } }, 0));

        // Every moment of a task in the past has passed.
        const QString late = F::addTask({ { "NAME", "Too late" }, { "PARENT", inboxId() },
                                          { "DUE", F::wallClock(-1, 12, 0) } });
        QVERIFY(openEditorOf(late));
        QVERIFY(W::click("editorTab_2"));
        QTRY_VERIFY(isShownItem("reminderTabNotice"));
        QCOMPARE(W::item("reminderTabNotice")->property("text").toString(),
                 QString("Task has already started or overdue.\nPlease adjust its dates to add a reminder"));
        QVERIFY(W::click("setupDatesButton"));
        QTRY_COMPARE(editor()->property("currentTab").toInt(), 0);
    }

    void shouldFollowTheFavoriteSwitch_data()
    {
        QTest::addColumn<bool>("wasFavorite");
        QTest::newRow("unticking a favorite") << true;
        QTest::newRow("ticking a task") << false;
    }

    void shouldFollowTheFavoriteSwitch()
    {
        QFETCH(bool, wasFavorite);
        const QString id = F::addTask({ { "NAME", wasFavorite ? "Favorite one" : "Plain one" }, { "PARENT", inboxId() } });
        if (wasFavorite)
            F::tasks()->addToFavorites(F::stored(id));
        QVERIFY(openEditorOf(id));
        QVERIFY(W::click("editorTab_1"));
        QTRY_VERIFY(isShownItem("favoriteSwitch"));
        QCOMPARE(W::item("favoriteSwitch")->property("checked").toBool(), wasFavorite);
        QVERIFY(W::click("favoriteSwitch"));
        QVERIFY(save());
        QCOMPARE(F::tasks()->inFavorites(F::stored(id)), !wasFavorite);
    }

    void shouldEditADailyTaskOnOneDay()
    {
        const QString id = F::addTask({ { "NAME", "Stretch" }, { "PARENT", inboxId() },
                                        { "START", F::wallClock(1, 9, 0) }, { "DUE", F::wallClock(3, 18, 0) } });
        QVERIFY(openEditorOf(id));
        chooseRepetition(1);
        QTRY_VERIFY(isShownItem("editorSingleDay"));
        QVERIFY(!isShownItem("editorStart"));
        QVERIFY(save());
        const QVariantMap task = F::stored(id);
        QCOMPARE(task.value("PERIOD").toString(), QString("d;1"));
        QCOMPARE(task.value("START").toDateTime().toUTC(), F::wallClock(3, 9, 0));
        QCOMPARE(task.value("DUE").toDateTime().toUTC(), F::wallClock(3, 18, 0));
    }

    void shouldMoveARepeatedTaskOnWhenCompletedInTheEditor()
    {
        const QString id = F::addTask({ { "NAME", "Water the plants" }, { "PARENT", inboxId() },
                                        { "DUE", F::wallClock(0, 19, 0) }, { "PERIOD", "d;2" } });
        QVERIFY(openEditorOf(id));
        QVERIFY(W::click("statusComplete"));
        QVERIFY(save());
        W::call("confirmPendingChange");
        QTRY_COMPARE(F::stored(id).value("DUE").toDateTime().toUTC(), F::wallClock(2, 19, 0));
        QCOMPARE(F::stored(id).value("STATE").toInt(), 0);
        QCOMPARE(F::stored(id).value("PERIOD").toString(), QString("d;2"));
    }

    void shouldNotSaveATaskWithoutAName()
    {
        W::call("showNewTaskPopup", QVariantMap { { "PARENT", inboxId() } });
        QTRY_VERIFY(W::isShown("taskEditor"));
        QCOMPARE(W::item("editorTitle")->property("text").toString(), QString("New task"));
        QVERIFY(W::click("editorSave"));
        QTRY_VERIFY(W::isShown("messagePopup"));
        QCOMPARE(W::item("messageTitle")->property("text").toString(), QString("Save Error"));
        QCOMPARE(W::item("messageText")->property("text").toString(), QString("Please input task name"));
        QVERIFY(W::isShown("taskEditor"));
    }

    void shouldRenderEveryTabInBothThemesAndRussian()
    {
        const QString id = F::addTask({ { "NAME", "Review the quarterly budget with the whole team" },
                                        { "PARENT", inboxId() }, { "START", F::wallClock(2, 9, 0) },
                                        { "DUE", F::wallClock(2, 11, 30) }, { "PERIOD", "w;1;1,3" },
                                        { "MEMO", "Bring the printed numbers.\nBook the big room." } });
        DataManager::instance()->scheduleReminder({ { "ID", id }, { "DUEDATE", F::wallClock(2, 11, 30) } }, 4);
        const QStringList tabs { "general", "metadata", "reminders", "memo" };
        for (const QString &language : { QString("en"), QString("ru") }) {
            F::setLanguage(language);
            for (bool dark : { false, true }) {
                if (language == "ru" && dark)
                    continue;
                F::setTheme(dark);
                QVERIFY(openEditorOf(id));
                QCOMPARE(W::item("editorTitle")->property("text").toString().isEmpty(), false);
                for (int tab = 0; tab < tabs.size(); ++tab) {
                    QVERIFY(W::click(QStringLiteral("editorTab_%1").arg(tab)));
                    QTRY_COMPARE(editor()->property("currentTab").toInt(), tab);
                    QVERIFY(W::screenshot(QStringLiteral("task_editor_%1_%2_%3")
                                              .arg(tabs.at(tab), dark ? "dark" : "light", language)));
                }
                W::key(Qt::Key_Escape);
                QTRY_VERIFY(!W::isShown("taskEditor"));
            }
        }
        F::setTheme(false);
        F::setLanguage("en");
    }
};

QUORVEL_TEST_MAIN(TestTaskEditor)
#include "tst_taskeditor.moc"
