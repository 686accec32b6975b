#include "WindowDriver.h"
#include "WindowFixture.h"

#include "data/DataManager.h"
#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "data/TaskHandler.h"
#include "models/FavoritesManager.h"
#include "shell/Clipboard.h"
#include "shell/GuiManager.h"
#include "shell/Settings.h"
#include "support/TestMain.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStyleHints>

// The real main window, offscreen: a person's paths through the inbox, the
// undo message, the trash, the menus and the keys, checked in the store.
class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    using W = WindowDriver;

    static TaskHandler *tasks()
    {
        return GuiManager::instance()->engine()->rootContext()->contextProperty("TaskHandler").value<TaskHandler *>();
    }
    static QString inboxId() { return PredefinedDataHelper::instance()->quorvelBoxId(); }
    static QDateTime wallClock(int daysFromToday, int hour, int minute = 0)
    {
        const QDate day = QDate::currentDate().addDays(daysFromToday);
        return QDateTime(day, QTime(hour, minute), Qt::UTC);
    }
    static QString addTask(const QVariantMap &task)
    {
        if (!tasks()->createTask(task))
            return QString();
        return tasks()->lastCreatedTaskId();
    }
    static QVariantMap stored(const QString &id) { return DataManager::instance()->getTaskById(id); }
    static int inboxCount() { return W::item("quorvelBoxList")->property("count").toInt(); }
    static QQuickItem *rowNamed(const QString &name)
    {
        for (QQuickItem *label : W::items("taskName")) {
            if (label->isVisible() && label->property("text").toString() == name)
                return label;
        }
        return nullptr;
    }
    static QQuickItem *partOf(const QString &name, const char *part)
    {
        QQuickItem *label = rowNamed(name);
        for (QQuickItem *row = label; row; row = row->parentItem()) {
            if (QQuickItem *found = row->findChild<QQuickItem *>(part))
                return found;
        }
        return nullptr;
    }
    static QQuickItem *checkBoxOf(const QString &name)
    {
        // Let the list settle: a new row may still move to its sorted place.
        QTest::qWait(150);
        return partOf(name, "taskCheckBox");
    }
    static bool favoriteShown(const QString &name)
    {
        QQuickItem *star = partOf(name, "favoriteButton");
        return star && star->isVisible() && star->property("iconName").toString() == "star_filled";
    }
    static bool reminderShown(const QString &name)
    {
        QQuickItem *bell = partOf(name, "reminderMark");
        return bell && bell->isVisible();
    }
    static void openInbox()
    {
        W::call("openSection", 0);
        QTRY_VERIFY(W::item("quorvelBoxList"));
    }
    static void setTheme(bool dark)
    {
        GuiManager::instance()->setAppInDarkMode(dark);
        QTest::qWait(50);
    }

private slots:
    void initTestCase() { QVERIFY(WindowFixture::startWindow()); }

    void shouldAddATaskToTheInboxFromTheToolBar()
    {
        openInbox();
        const int before = inboxCount();
        QVERIFY(W::click("addButton"));
        QTRY_VERIFY(W::isShown("taskEditor"));
        W::type("Buy milk");
        W::key(Qt::Key_Return);
        QTRY_VERIFY(!W::isShown("taskEditor"));
        QTRY_COMPARE(inboxCount(), before + 1);
        QTRY_VERIFY(rowNamed("Buy milk"));
        QTRY_COMPARE(W::item("totalCount_0")->property("text").toString(), QString::number(before + 1));
    }

    // The marks follow the favorites and the scheduled reminders as they change.
    void shouldMarkFavoritesAndRemindersInTheRows()
    {
        openInbox();
        const QDateTime due = wallClock(2, 10);
        const QString id = addTask({ { "NAME", "Marked task" }, { "PARENT", inboxId() }, { "DUE", due } });
        QTRY_VERIFY(rowNamed("Marked task"));
        QVERIFY(!favoriteShown("Marked task"));
        QVERIFY(!reminderShown("Marked task"));
        FavoritesManager::instance()->add(FavoritesManager::TaskKind, id);
        QTRY_VERIFY(favoriteShown("Marked task"));
        DataManager *data = DataManager::instance();
        QVERIFY(data->scheduleReminder({ { "ID", id }, { "NAME", "Marked task" }, { "DUEDATE", due } }, 1));
        QTRY_VERIFY(reminderShown("Marked task"));
        QVERIFY(data->removeAllRemindersById(id));
        QTRY_VERIFY(!reminderShown("Marked task"));
        FavoritesManager::instance()->remove(FavoritesManager::TaskKind, id);
        QTRY_VERIFY(!favoriteShown("Marked task"));
    }

    void shouldRestoreACompletedTaskWithinTheMessageTime()
    {
        openInbox();
        const QString id = addTask({ { "NAME", "Answer Ann" }, { "PARENT", inboxId() } });
        QTRY_VERIFY(checkBoxOf("Answer Ann"));
        QVERIFY(W::click(checkBoxOf("Answer Ann")));
        QTRY_VERIFY(W::item("undoMessage")->isVisible());
        QVERIFY(W::item("undoText")->property("text").toString().startsWith("You completed a task"));
        QVERIFY(W::click("restoreUndo"));
        QTRY_COMPARE(stored(id).value("STATE").toInt(), 0);
        QTest::qWait(200);
        QCOMPARE(stored(id).value("STATE").toInt(), 0);
    }

    void shouldConfirmACompletionWhenTheMessageRunsOut()
    {
        openInbox();
        const QString id = addTask({ { "NAME", "File the receipts" }, { "PARENT", inboxId() } });
        QTRY_VERIFY(checkBoxOf("File the receipts"));
        QVERIFY(W::click(checkBoxOf("File the receipts")));
        QTRY_VERIFY(W::item("undoMessage")->isVisible());
        QObject *updater = W::object("objectUpdater");
        QVERIFY(updater);
        QVERIFY(updater->property("pending").isValid());
        QTRY_VERIFY_WITH_TIMEOUT(updater->property("pending").value<QJSValue>().isNull()
                                     || !updater->property("pending").toMap().size(),
                                 12000);
        QCOMPARE(stored(id).value("STATE").toInt(), 2);
    }

    void shouldRestoreADeletedTaskFromTheTrash()
    {
        openInbox();
        const QString id = addTask({ { "NAME", "Old flyer" }, { "PARENT", inboxId() } });
        QTRY_VERIFY(rowNamed("Old flyer"));
        QVERIFY(W::click(rowNamed("Old flyer")));
        W::key(Qt::Key_Delete);
        QTRY_VERIFY(W::item("undoMessage")->isVisible());
        W::call("openTrash"); // opening another page confirms the deletion
        QTRY_COMPARE(stored(id).value("STATE").toInt(), 1);
        QTRY_VERIFY(W::item("trashPage"));
        QQuickItem *name = W::itemWhere("trashName", "text", "Old flyer");
        QVERIFY(name);
        QQuickItem *row = name->parentItem()->parentItem()->parentItem();
        QCOMPARE(row->findChild<QQuickItem *>("trashDaysLeft")->property("text").toString(), QString("14 days"));
        QVERIFY(W::screenshot("trash_light"));
        QVERIFY(W::click(row->findChild<QQuickItem *>("restoreButton")));
        QTRY_COMPARE(stored(id).value("STATE").toInt(), 0);
    }

    void shouldKeepTheNameWhenRenamedToBlanks()
    {
        openInbox();
        const QString id = addTask({ { "NAME", "Keep me" }, { "PARENT", inboxId() } });
        QTRY_VERIFY(rowNamed("Keep me"));
        QVERIFY(W::click(rowNamed("Keep me")));
        // A second click at once would be a double click, which opens the editor.
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
        QVERIFY(W::click(rowNamed("Keep me")));
        QQuickItem *editor = W::item("taskNameEditor");
        QTRY_VERIFY(editor && editor->isVisible());
        W::key(Qt::Key_A, Qt::ControlModifier);
        W::type("   ");
        W::key(Qt::Key_Return);
        QTRY_VERIFY(!editor->isVisible());
        QCOMPARE(stored(id).value("NAME").toString(), QString("Keep me"));

        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
        QVERIFY(W::click(rowNamed("Keep me")));
        QTRY_VERIFY(editor->isVisible());
        W::key(Qt::Key_A, Qt::ControlModifier);
        W::type("Kept and renamed");
        W::key(Qt::Key_Return);
        QTRY_COMPARE(stored(id).value("NAME").toString(), QString("Kept and renamed"));
    }

    void shouldMoveTheStartWhenTheDueComesBeforeIt()
    {
        openInbox();
        const QString id = addTask({ { "NAME", "Book the hall" },
                                     { "PARENT", inboxId() },
                                     { "START", wallClock(2, 15, 0) },
                                     { "DUE", wallClock(2, 18, 0) } });
        QTRY_VERIFY(rowNamed("Book the hall"));
        W::call("editTaskDate", stored(id), "DUE");
        QTRY_VERIFY(W::isShown("dateTimePopup"));
        W::item("hoursField")->setProperty("value", 11);
        QVERIFY(W::click("dateAccept"));
        QTRY_COMPARE(stored(id).value("DUE").toDateTime(), wallClock(2, 11, 0));
        QCOMPARE(stored(id).value("START").toDateTime(), wallClock(2, 11, 0));
    }

    // Dragging a row below another keeps the new order as the list's own.
    void shouldReorderTasksByDragging()
    {
        openInbox();
        QQuickItem *list = W::item("quorvelBoxList");
        QTRY_VERIFY(list->property("count").toInt() >= 3);
        auto nameAt = [list](int index) {
            QVariant record;
            QMetaObject::invokeMethod(list, "taskAt", Q_RETURN_ARG(QVariant, record), Q_ARG(QVariant, index));
            return record.toMap().value("NAME").toString();
        };
        const QString first = nameAt(0);
        const QString third = nameAt(2);
        QTRY_VERIFY(rowNamed(first) && rowNamed(third));
        QTest::qWait(150);
        QQuickItem *from = rowNamed(first);
        QQuickItem *to = rowNamed(third);
        const QPoint start = from->mapToScene(QPointF(from->width() / 2, from->height() / 2)).toPoint();
        const QPoint end = to->mapToScene(QPointF(to->width() / 2, to->height() / 2)).toPoint();
        QTest::mousePress(W::window(), Qt::LeftButton, Qt::NoModifier, start);
        for (int step = 1; step <= 10; ++step)
            QTest::mouseMove(W::window(), start + (end - start) * step / 10, 10);
        QTest::mouseRelease(W::window(), Qt::LeftButton, Qt::NoModifier, end);
        QTRY_COMPARE(nameAt(2), first);
        QCOMPARE(nameAt(1), third);
        W::call("refreshPages");
        QTRY_COMPARE(nameAt(2), first);
    }

    void shouldPlanATaskByDroppingItOnTheDailyPlan()
    {
        openInbox();
        const QString id = addTask({ { "NAME", "Book the tickets" }, { "PARENT", inboxId() },
                                     { "DUE", wallClock(4, 16, 45) } });
        QTRY_VERIFY(rowNamed("Book the tickets"));
        QTest::qWait(150);
        QQuickItem *row = rowNamed("Book the tickets");
        QQuickItem *section = W::item("section_1");
        const QPoint start = row->mapToScene(QPointF(row->width() / 2, row->height() / 2)).toPoint();
        const QPoint end = section->mapToScene(QPointF(section->width() / 2, section->height() / 2)).toPoint();
        QTest::mousePress(W::window(), Qt::LeftButton, Qt::NoModifier, start);
        for (int step = 1; step <= 10; ++step)
            QTest::mouseMove(W::window(), start + (end - start) * step / 10, 10);
        QCOMPARE(W::item("sidePanel")->property("dropIndex").toInt(), 1);
        QTest::mouseRelease(W::window(), Qt::LeftButton, Qt::NoModifier, end);
        QTRY_COMPARE(stored(id).value("DUE").toDateTime().toUTC(), wallClock(0, 16, 45));
        QCOMPARE(stored(id).value("PARENT").toString(), inboxId());
        QCOMPARE(W::item("sidePanel")->property("dropIndex").toInt(), -1);
    }

    void shouldPasteOnlyTasksIntoTheInbox()
    {
        openInbox();
        Clipboard::instance()->setObject({ { "ID", "p1" }, { "NAME", "A project" }, { "FOLDER", false },
                                           { "PARENT", "" }, { "STATE", 0 } });
        W::item("quorvelBoxList")->forceActiveFocus();
        W::key(Qt::Key_V, Qt::ControlModifier);
        QTRY_VERIFY(W::isShown("messagePopup"));
        QCOMPARE(W::item("messageTitle")->property("text").toString(), QString("Paste error"));
        QCOMPARE(W::item("messageText")->property("text").toString(),
                 QString("One can paste only tasks into this list."));
        QVERIFY(W::screenshot("paste_error_light"));
        W::key(Qt::Key_Escape);
        QTRY_VERIFY(!W::isShown("messagePopup"));
    }

    void shouldRunEveryShortcut_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("expectation");
        const int ctrl = Qt::ControlModifier;
        const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        QTest::newRow("Ctrl+1") << int(Qt::Key_1) << ctrl << "section:0";
        QTest::newRow("Ctrl+2") << int(Qt::Key_2) << ctrl << "section:1";
        QTest::newRow("Ctrl+3") << int(Qt::Key_3) << ctrl << "section:2";
        QTest::newRow("Ctrl+4") << int(Qt::Key_4) << ctrl << "section:3";
        QTest::newRow("Ctrl+Shift+S") << int(Qt::Key_S) << ctrlShift << "section:6";
        QTest::newRow("Ctrl+Shift+N") << int(Qt::Key_N) << ctrlShift << "popup:taskEditor";
        QTest::newRow("Ctrl+N") << int(Qt::Key_N) << ctrl << "popup:taskEditor";
        QTest::newRow("Ctrl+F") << int(Qt::Key_F) << ctrl << "focus:searchField";
        QTest::newRow("Ctrl+W") << int(Qt::Key_W) << ctrl << "hidden";
    }

    void shouldRunEveryShortcut()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, expectation);
        openInbox();
        W::item("quorvelBoxList")->forceActiveFocus();
        W::key(key, Qt::KeyboardModifiers(modifiers));
        const QString kind = expectation.section(':', 0, 0);
        const QString what = expectation.section(':', 1);
        if (kind == "section") {
            QTRY_COMPARE(W::root()->property("currentSection").toInt(), what.toInt());
        } else if (kind == "popup") {
            QTRY_VERIFY(W::isShown(what));
            W::key(Qt::Key_Escape);
            QTRY_VERIFY(!W::isShown(what));
        } else if (kind == "focus") {
            QTRY_VERIFY(W::item(what)->hasActiveFocus());
        } else if (kind == "hidden") {
            // The first close tells that Quorvel goes on in the tray.
            QTRY_VERIFY(W::isShown("messagePopup"));
            QVERIFY(W::click("messageAccept"));
            QTRY_VERIFY(!W::window()->isVisible());
            GuiManager::instance()->showMainWindow();
            QVERIFY(QTest::qWaitForWindowExposed(W::window()));
            W::key(key, Qt::KeyboardModifiers(modifiers));
            QTRY_VERIFY(!W::window()->isVisible());
            GuiManager::instance()->showMainWindow();
            QVERIFY(QTest::qWaitForWindowExposed(W::window()));
        }
    }

    void shouldReachTheActionOfEveryKeyboardSignal_data()
    {
        QTest::addColumn<QString>("signal");
        QTest::addColumn<QString>("expectation");
        QTest::newRow("new task") << "newTaskRequested" << "popup:taskEditor";
        QTest::newRow("new inbox task") << "newQuorvelBoxTaskRequested" << "popup:taskEditor";
        QTest::newRow("search") << "searchRequested" << "focus:searchField";
        QTest::newRow("down") << "downActionRequested" << "current:0";
        QTest::newRow("down, then up") << "upActionRequested" << "current:0";
        QTest::newRow("select lower") << "selectLowerItemActionRequested" << "selected:2";
        QTest::newRow("delete") << "deleteRequested" << "undo";
        QTest::newRow("undo") << "undoActionRequested" << "restored";
    }

    void shouldReachTheActionOfEveryKeyboardSignal()
    {
        QFETCH(QString, signal);
        QFETCH(QString, expectation);
        openInbox();
        QObject *keyboard = GuiManager::instance()->engine()->rootContext()->contextProperty("KeyboardHelper").value<QObject *>();
        QQuickItem *list = W::item("quorvelBoxList");
        QTRY_VERIFY(list->property("count").toInt() >= 2);
        QMetaObject::invokeMethod(list, "selectOnly", Q_ARG(QVariant, 0));
        QVariant first;
        QMetaObject::invokeMethod(list, "taskAt", Q_RETURN_ARG(QVariant, first), Q_ARG(QVariant, 0));
        const QString firstId = first.toMap().value("ID").toString();
        if (signal == "undoActionRequested")
            QMetaObject::invokeMethod(keyboard, "deleteRequested");
        QVERIFY(QMetaObject::invokeMethod(keyboard, signal.toLatin1().constData()));
        const QString kind = expectation.section(':', 0, 0);
        const QString what = expectation.section(':', 1);
        if (kind == "popup") {
            QTRY_VERIFY(W::isShown(what));
            QMetaObject::invokeMethod(keyboard, "discardRequested");
            QTRY_VERIFY(!W::isShown(what));
        } else if (kind == "focus") {
            QTRY_VERIFY(W::item(what)->hasActiveFocus());
        } else if (kind == "current") {
            QTRY_COMPARE(list->property("currentIndex").toInt(), what.toInt() + (signal == "downActionRequested" ? 1 : 0));
        } else if (kind == "selected") {
            QTRY_COMPARE(list->property("selectionCount").toInt(), what.toInt());
        } else if (kind == "undo") {
            QTRY_VERIFY(W::item("undoMessage")->isVisible());
            QMetaObject::invokeMethod(keyboard, "undoActionRequested");
        } else if (kind == "restored") {
            QTRY_VERIFY(W::object("objectUpdater")->property("pending").toMap().isEmpty());
            QCOMPARE(stored(firstId).value("STATE").toInt(), 0);
        }
    }

    // Escape undoes the last thing begun: the search, then an edit, then
    // the selection.
    void shouldDiscardSearchThenEditThenSelection()
    {
        openInbox();
        QObject *keyboard = GuiManager::instance()->engine()->rootContext()->contextProperty("KeyboardHelper").value<QObject *>();
        QQuickItem *list = W::item("quorvelBoxList");
        QTRY_VERIFY(list->property("count").toInt() >= 1);
        QMetaObject::invokeMethod(list, "selectOnly", Q_ARG(QVariant, 0));
        QMetaObject::invokeMethod(list, "renameCurrent");
        QQuickItem *search = W::item("searchField");
        search->setProperty("text", "milk");
        QTRY_VERIFY(W::item("searchPage"));

        QMetaObject::invokeMethod(keyboard, "discardRequested");
        QTRY_COMPARE(search->property("text").toString(), QString());
        QTRY_VERIFY(W::item("quorvelBoxPage")->isVisible());

        QMetaObject::invokeMethod(list, "renameCurrent");
        QTRY_VERIFY(W::item("taskNameEditor")->isVisible());
        QMetaObject::invokeMethod(keyboard, "discardRequested");
        QTRY_VERIFY(!W::item("taskNameEditor")->isVisible());
        QCOMPARE(list->property("selectionCount").toInt(), 1);

        QMetaObject::invokeMethod(keyboard, "discardRequested");
        QTRY_COMPARE(list->property("selectionCount").toInt(), 0);
    }

    void shouldTranslateMenusAndPagesAtOnce()
    {
        openInbox();
        QObject *fileMenu = W::object("menuFile");
        QCOMPARE(fileMenu->property("title").toString(), QString("&File"));
        Settings::instance()->setApplicationLanguage("ru");
        GuiManager::instance()->reloadTranslations();
        QTRY_COMPARE(fileMenu->property("title").toString(), QString::fromUtf8("&Файл"));
        QCOMPARE(W::item("pageTitle")->property("text").toString(), QString::fromUtf8("Quorvel Box"));
        QVERIFY(W::screenshot("inbox_ru_light"));
        Settings::instance()->setApplicationLanguage("en");
        GuiManager::instance()->reloadTranslations();
        QTRY_COMPARE(fileMenu->property("title").toString(), QString("&File"));
    }

    void shouldWelcomeOnceAndGoOnOffline()
    {
        Settings::instance()->setShowWelcomeScreen(true);
        W::object("welcomePopup")->setProperty("visible", true);
        QTRY_VERIFY(W::isShown("welcomePopup"));
        QVERIFY(W::click("welcomeNext"));
        QTRY_VERIFY(W::item("welcomeOffline")->isVisible());
        QVERIFY(W::click("welcomeOffline"));
        QTRY_VERIFY(!W::isShown("welcomePopup"));
        QVERIFY(!Settings::instance()->showWelcomeScreen());
    }

    void shouldOpenTheSyncArticleFromTheStatusBar()
    {
        QVERIFY(!DataManager::instance()->isUserLoggedIn());
        Settings::instance()->setShowMethodNewBadge(true);
        QVERIFY(W::click("syncStatus"));
        QTRY_VERIFY(W::item("methodPage"));
        QCOMPARE(W::item("methodArticleTitle")->property("text").toString(), QString("Sync between your devices"));
        QVERIFY(!Settings::instance()->showMethodNewBadge());
    }

    void shouldGoBackToWhereAProjectWasOpenedFrom()
    {
        openInbox();
        const QString id = addTask({ { "NAME", "Pack the bags" }, { "PARENT", inboxId() } });
        QTRY_VERIFY(rowNamed("Pack the bags"));
        QVERIFY(!W::item("backButton")->isEnabled());
        W::call("goToTaskProject", stored(id));
        QTRY_VERIFY(W::item("backButton")->isEnabled());
        W::call("openSection", 5);
        QVERIFY(!W::item("backButton")->isEnabled());
        W::call("goToTaskProject", stored(id));
        W::call("returnTo", "favpage_" + id);
        QTRY_COMPARE(W::root()->property("currentSection").toInt(), 4);
        W::call("returnTo", "qbpage_" + id);
        QTRY_COMPARE(W::root()->property("currentSection").toInt(), 0);
        QTRY_COMPARE(W::item("quorvelBoxList")->property("selectionCount").toInt(), 1);
    }

    void shouldRenderTheMethodPageAndTheWelcomeInBothThemes()
    {
        for (bool dark : { false, true }) {
            setTheme(dark);
            const QString theme = dark ? "dark" : "light";
            W::call("openMethodArticle", "repeat");
            QTRY_VERIFY(W::item("methodPage"));
            QVERIFY(W::screenshot("method_" + theme));
            W::object("welcomePopup")->setProperty("visible", true);
            QTRY_VERIFY(W::isShown("welcomePopup"));
            QVERIFY(W::screenshot("welcome_" + theme));
            W::key(Qt::Key_Escape);
            QTRY_VERIFY(!W::isShown("welcomePopup"));
        }
        setTheme(false);
    }

    void shouldRenderEveryPageInBothThemes()
    {
        const QString inbox = inboxId();
        const QString reminded = addTask({ { "NAME", "Call the dentist to move Thursday's appointment" },
                                           { "PARENT", inbox }, { "DUE", wallClock(1, 15, 30) } });
        DataManager::instance()->scheduleReminder({ { "ID", reminded }, { "DUEDATE", wallClock(1, 15, 30) } }, 1);
        const QString favorite = addTask({ { "NAME", QString::fromUtf8("Подготовить отчёт для бухгалтерии за ноябрь") },
                                           { "PARENT", inbox }, { "DUE", wallClock(-1, 12, 0) },
                                           { "MEMO", QString::fromUtf8("Акты сверки и счета") } });
        FavoritesManager::instance()->add(FavoritesManager::TaskKind, favorite);
        addTask({ { "NAME", "Renew the car insurance before it lapses at the end of the month and compare at "
                            "least three offers from different companies" },
                  { "PARENT", inbox }, { "START", wallClock(3, 9, 0) }, { "DUE", wallClock(5, 18, 0) } });
        addTask({ { "NAME", "Water the plants" }, { "PARENT", inbox }, { "DUE", wallClock(0, 19, 0) },
                  { "PERIOD", "d;2" } });
        addTask({ { "NAME", "Read https://example.org/article on planning" }, { "PARENT", inbox } });
        for (bool dark : { false, true }) {
            setTheme(dark);
            const QString theme = dark ? "dark" : "light";
            openInbox();
            QVERIFY(W::screenshot("inbox_" + theme));
            W::call("openSection", 1);
            QVERIFY(W::screenshot("daily_plan_" + theme));
            openInbox();
            W::call("showNewTaskPopup", QVariantMap { { "PARENT", inbox } });
            QTRY_VERIFY(W::isShown("taskEditor"));
            QVERIFY(W::screenshot("task_editor_new_" + theme));
            W::key(Qt::Key_Escape);
            W::call("pickDate", QDateTime(QDate::currentDate(), QTime(9, 0), Qt::UTC), "due date:", QVariant::fromValue(nullptr));
            QTRY_VERIFY(W::isShown("dateTimePopup"));
            QVERIFY(W::screenshot("date_popup_" + theme));
            W::key(Qt::Key_Escape);
            W::call("pickProject", inbox, QVariant::fromValue(nullptr));
            QTRY_VERIFY(W::isShown("treePickerPopup"));
            QVERIFY(W::screenshot("project_picker_" + theme));
            W::key(Qt::Key_Escape);
            W::object("aboutPopup")->setProperty("visible", true);
            QVERIFY(W::screenshot("about_" + theme));
            W::key(Qt::Key_Escape);
            W::window()->resize(700, 560);
            QTest::qWait(100);
            QVERIFY(W::screenshot("inbox_compact_" + theme));
            W::window()->resize(1100, 720);
            W::call("openTrash");
            QVERIFY(W::screenshot("trash_" + theme));
        }
        setTheme(false);
    }
};

QUORVEL_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
