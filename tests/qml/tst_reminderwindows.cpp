#include "WindowDriver.h"
#include "WindowFixture.h"

#include "data/DataManager.h"
#include "data/PredefinedDataHelper.h"
#include "shell/GuiManager.h"
#include "shell/QuorvelServer.h"
#include "shell/ReminderWindowStack.h"
#include "support/TestMain.h"
#include "time/NotificationManager.h"

#include <QDir>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QPainter>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>

// The reminder windows of the real program on a 1920 x 1080 screen: how they
// stack, close up, snooze through the notification file and open the plan.
class TestReminderWindows : public QObject
{
    Q_OBJECT

    int m_sounds = 0;

    using W = WindowDriver;
    using F = WindowFixture;

    static ReminderWindowStack *stack()
    {
        return qobject_cast<ReminderWindowStack *>(F::published("ReminderWindowStack"));
    }
    static QStringList namesShown()
    {
        QStringList names;
        for (QQuickWindow *window : F::reminderWindows())
            names.append(window->property("taskName").toString());
        return names;
    }
    static void remind(const QString &message, const QVariantMap &task)
    {
        W::call("showNotificationPopup", message, task);
    }
    static bool click(QQuickWindow *window, const QString &name)
    {
        return F::clickIn(window, F::itemIn(window, name));
    }
    // The notifier's side: the key of a due reminder over the command channel.
    static bool sendCommand(const QByteArray &command)
    {
        QLocalSocket socket;
        socket.connectToServer(QStringLiteral("quorvel"));
        if (!socket.waitForConnected(1000))
            return false;
        socket.write(command);
        socket.waitForBytesWritten(1000);
        socket.disconnectFromServer();
        return true;
    }
    static void setNotificationClock(const NotificationManager::Clock &clock)
    {
        NotificationManager *manager = NotificationManager::instance();
        QMetaObject::invokeMethod(manager, [manager, clock] { manager->setClock(clock); },
                                  Qt::BlockingQueuedConnection);
    }
    static QStringList notificationKeys()
    {
        QStringList keys;
        QMetaObject::invokeMethod(NotificationManager::instance(), "notificationIds", Qt::BlockingQueuedConnection,
                                  Q_RETURN_ARG(QStringList, keys));
        return keys;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(F::startWindow());
        stack()->setSoundPlayer([this] { ++m_sounds; });
        // The worker makes the notification manager; ask it once so that it exists.
        DataManager::instance()->getReminderCount();
    }
    void init() { m_sounds = 0; }
    void cleanup()
    {
        for (QQuickWindow *window : F::reminderWindows())
            window->hide();
        QTRY_COMPARE(stack()->count(), 0);
    }

    void shouldKeepTenWindowsOnA1080PixelScreen()
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(screen.height(), 1080);
        for (int i = 0; i <= 10; ++i)
            remind("Task is overdue", { { "ID", QStringLiteral("r%1").arg(i) }, { "NAME", QStringLiteral("Reminder %1").arg(i) } });
        QTRY_COMPARE(stack()->count(), 10);
        QStringList expected;
        for (int i = 10; i >= 1; --i)
            expected.append(QStringLiteral("Reminder %1").arg(i));
        QCOMPARE(namesShown(), expected);
        const QList<QQuickWindow *> windows = F::reminderWindows();
        QCOMPARE(windows.first()->position(), QPoint(screen.width() - 420, 20));
        QCOMPARE(windows.last()->position(), QPoint(screen.width() - 420, 20 + 9 * 100));
        QCOMPARE(windows.first()->size(), QSize(400, 80));
        QVERIFY(windows.first()->isVisible());
        QCOMPARE(m_sounds, 11);
    }

    void shouldCloseUpWhenTheMiddleOfThreeCloses()
    {
        for (const char *name : { "Bottom", "Middle", "Top" })
            remind("Task is active", { { "ID", QString::fromLatin1(name) }, { "NAME", QString::fromLatin1(name) } });
        QTRY_COMPARE(stack()->count(), 3);
        QList<QQuickWindow *> windows = F::reminderWindows();
        QQuickWindow *lowest = windows.at(2);
        QCOMPARE(lowest->y(), 220);
        QVERIFY(QTest::qWaitForWindowExposed(windows.at(1)));
        QVERIFY(click(windows.at(1), "reminderClose"));
        QTRY_COMPARE(stack()->count(), 2);
        QCOMPARE(namesShown(), (QStringList { "Top", "Bottom" }));
        QCOMPARE(lowest->y(), 120);
    }

    void shouldBringASnoozedReminderBackFifteenMinutesLater()
    {
        const QString id = F::addTask({ { "NAME", "Stretch your legs" },
                                        { "PARENT", PredefinedDataHelper::instance()->quorvelBoxId() },
                                        { "DUE", F::wallClock(0, 18, 0) } });
        const QDateTime now(QDate::currentDate(), QTime(12, 0), Qt::LocalTime);
        setNotificationClock([now] { return now; });
        remind("Task is overdue", F::stored(id));
        QTRY_COMPARE(stack()->count(), 1);
        QQuickWindow *window = F::reminderWindows().first();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(click(window, "reminderSnooze"));
        QTRY_COMPARE(stack()->count(), 0);

        const QString key = id + "_SNOOZE_" + QString::number(now.addSecs(15 * 60).toMSecsSinceEpoch());
        QVERIFY2(notificationKeys().contains(key), qPrintable(notificationKeys().join(", ")));
        setNotificationClock({});

        QuorvelServer server;
        QVERIFY(server.listen());
        QVERIFY(sendCommand("show_notification:" + key.toUtf8()));
        QTRY_COMPARE(stack()->count(), 1);
        QCOMPARE(namesShown(), QStringList { "Stretch your legs" });
    }

    void shouldOpenTheTasksDayWhenTheBodyIsClicked()
    {
        const QString id = F::addTask({ { "NAME", "Pick up the parcel" },
                                        { "PARENT", PredefinedDataHelper::instance()->oneStepActionsId() },
                                        { "DUE", F::wallClock(2, 15, 0) } });
        W::call("openSection", 0);
        GuiManager::instance()->hideMainWindow();
        QTRY_VERIFY(!W::window()->isVisible());
        remind("1 hour before deadline", F::stored(id));
        QTRY_COMPARE(stack()->count(), 1);
        QQuickWindow *window = F::reminderWindows().first();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, QPoint(150, 40));

        QTRY_VERIFY(W::window()->isVisible());
        QTRY_COMPARE(stack()->count(), 0);
        QCOMPARE(W::root()->property("currentSection").toInt(), 1);
        QQuickItem *page = W::item("dailyPlanPage");
        QTRY_COMPARE(page->property("day").toDateTime().toUTC().date(), QDate::currentDate().addDays(2));
        QQuickItem *list = W::item("dailyPlanList");
        QTRY_COMPARE(list->property("selectionCount").toInt(), 1);
        QVariant current;
        QMetaObject::invokeMethod(list, "taskAt", Q_RETURN_ARG(QVariant, current),
                                  Q_ARG(QVariant, list->property("currentIndex")));
        QCOMPARE(current.toMap().value("ID").toString(), id);
    }

    void shouldRenderAStackInBothThemes()
    {
        for (bool dark : { false, true }) {
            F::setTheme(dark);
            remind("Don't forget about this task", { { "ID", "s1" }, { "NAME", "Water the plants" } });
            remind(QString::fromUtf8("За 1 час до дедлайна"),
                   { { "ID", "s2" }, { "NAME", QString::fromUtf8("Подготовить отчёт для бухгалтерии за ноябрь и декабрь") } });
            remind("5 minutes before start",
                   { { "ID", "s3" }, { "NAME", "Call the dentist to move Thursday's appointment to next week" } });
            QTRY_COMPARE(stack()->count(), 3);
            const QList<QQuickWindow *> windows = F::reminderWindows();
            QImage canvas(440, 20 + 100 * windows.size(), QImage::Format_ARGB32);
            canvas.fill(dark ? QColor("#101010") : QColor("#C8C8C8"));
            QPainter painter(&canvas);
            for (QQuickWindow *window : windows) {
                QVERIFY(QTest::qWaitForWindowExposed(window));
                QTest::qWait(60);
                painter.drawImage(QPoint(20, window->y()), window->grabWindow());
            }
            painter.end();
            QDir().mkpath(W::screenshotFolder());
            QVERIFY(canvas.save(W::screenshotFolder() + (dark ? "/reminder_windows_dark.png" : "/reminder_windows_light.png")));
            cleanup();
        }
        F::setTheme(false);
    }
};

QUORVEL_TEST_MAIN(TestReminderWindows)
#include "tst_reminderwindows.moc"
