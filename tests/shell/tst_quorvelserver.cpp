#include "data/DataManager.h"
#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "logging/Logger.h"
#include "shell/AppInfo.h"
#include "shell/GuiManager.h"
#include "shell/QuorvelServer.h"
#include "shell/ReminderWindowStack.h"
#include "shell/Settings.h"
#include "support/LogReader.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"
#include "time/NotificationManager.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>

#include <ctime>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

class TestQuorvelServer : public QObject
{
    Q_OBJECT

private:
    static void send(const QByteArray& command) { sendInPieces({ command }); }

    // Each piece reaches the server on its own before the next is written.
    static void sendInPieces(const QList<QByteArray>& pieces)
    {
        QLocalSocket socket;
        socket.connectToServer(AppInfo::serverName());
        QVERIFY(socket.waitForConnected(1000));
        for (const QByteArray& piece : pieces) {
            if (piece.isEmpty())
                continue;
            socket.write(piece);
            QVERIFY(socket.waitForBytesWritten(1000));
            for (int i = 0; i < 5; ++i)
                QCoreApplication::processEvents();
        }
        socket.disconnectFromServer();
    }

    static ReminderWindowStack* reminderWindows()
    {
        QQmlContext* context = GuiManager::instance()->engine()->rootContext();
        return context->contextProperty(QStringLiteral("ReminderWindowStack")).value<ReminderWindowStack*>();
    }

    // The newest reminder window, or null while none is open.
    static QQuickWindow* notice()
    {
        const QList<QWindow*> windows = reminderWindows() ? reminderWindows()->windows() : QList<QWindow*>();
        return windows.isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(windows.first());
    }

    static bool noticeShown() { return notice() && notice()->isVisible(); }

    static QString noticeText(const char* label)
    {
        if (!notice())
            return QString();
        QQuickItem* item = notice()->findChild<QQuickItem*>(QLatin1String(label));
        return item ? item->property("text").toString() : QStringLiteral("<no %1>").arg(QLatin1String(label));
    }

    static QByteArray notificationCommand(const QString& key)
    {
        return QStringLiteral("show_notification:%1").arg(key).toUtf8();
    }

    static QString keyFor(const QString& taskId, const QString& kind, const QDateTime& moment)
    {
        return QStringLiteral("%1_%2_%3").arg(taskId, kind).arg(moment.toMSecsSinceEpoch());
    }

    static qint64 logSize()
    {
        Logging::Logger::instance().flush();
        return QFileInfo(Logging::Logger::instance().filePath()).size();
    }

    static QStringList logSince(qint64 from)
    {
        return LogReader::levelsAndMessages(Logging::Logger::instance().filePath(), from);
    }

    // The task the reminders are about: a start and a due date as records
    // hold them (wall-clock fields labelled UTC).
    const QDateTime m_start = wallClock(QDate(2030, 5, 6), QTime(9, 0));
    const QDateTime m_due = wallClock(QDate(2030, 5, 6), QTime(17, 0));
    QString m_taskId;

private slots:
    void initTestCase()
    {
        // Reminder moments are local time; the zone has a daylight-saving change.
        qputenv("TZ", "Europe/Berlin");
        tzset();
        StoreFixture::setUpLogging(QStringLiteral("tst_quorvelserver"));
        QVERIFY(DatabaseTemplate::unpackTo(DatabaseHandler::databasePath()));
        Settings::instance()->setFontRenderingType(QStringLiteral("native"));
        GuiManager::instance()->initializeEngine();
        GuiManager::instance()->initializeWindow();
        QVERIFY(reminderWindows());

        DataManager* data = DataManager::instance();
        const DataObject task = RecordBuilder::task(
            QStringLiteral("Water the plants"), PredefinedDataHelper::initialQuorvelBoxId())
                                    .start(m_start)
                                    .due(m_due);
        QVERIFY(data->createTaskLocally(task));
        QVERIFY(data->commitChanges());
        m_taskId = data->lastCreatedObjectId();
        QVERIFY(!m_taskId.isEmpty());
    }

    void init()
    {
        for (QWindow* window : reminderWindows()->windows())
            window->hide();
        QCOMPARE(reminderWindows()->count(), 0);
    }

    void cleanup() { QLocalServer::removeServer(AppInfo::serverName()); }

    void shouldAskForTheWindowOnExactCommand()
    {
        QuorvelServer server;
        QVERIFY(server.listen());
        QSignalSpy spy(&server, &QuorvelServer::showAppWindowRequested);
        send("show_app_window");
        QTRY_VERIFY(!spy.isEmpty());
        QCOMPARE(spy.count(), 1);
    }

    void shouldIgnoreAnythingElse_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("with line break") << QByteArray("show_app_window\n");
        QTest::newRow("upper case") << QByteArray("SHOW_APP_WINDOW");
        QTest::newRow("prefix") << QByteArray("show_app_win");
        QTest::newRow("notification without key") << QByteArray("show_notification:abc");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe", 3);
        QTest::newRow("empty") << QByteArray();
        // Each of these names the real task, so a lax reading would show it.
        const QString id = m_taskId;
        QTest::newRow("four fields") << notificationCommand(id + QStringLiteral("_DUEDATE_1_2"));
        QTest::newRow("unknown kind") << notificationCommand(id + QStringLiteral("_LATER_1"));
        QTest::newRow("moment not a number") << notificationCommand(id + QStringLiteral("_DUEDATE_soon"));
        QTest::newRow("line break after the key") << notificationCommand(id + QStringLiteral("_DUEDATE_1\n"));
        QTest::newRow("not at the start")
            << QByteArray("x" + notificationCommand(id + QStringLiteral("_DUEDATE_1")));
        QTest::newRow("invalid UTF-8") << QByteArray(notificationCommand(id) + "\xff\xfe_DUEDATE_1");
        QTest::newRow("window and reminder in one")
            << QByteArray("show_app_window" + notificationCommand(id + QStringLiteral("_SNOOZE_1")));
    }

    void shouldIgnoreAnythingElse()
    {
        QFETCH(QByteArray, command);
        QuorvelServer server;
        QVERIFY(server.listen());
        QSignalSpy spy(&server, &QuorvelServer::showAppWindowRequested);
        send(command);
        // A valid command afterwards proves the server is still serving and
        // that the ignored one caused nothing in between.
        send("show_app_window");
        QTRY_VERIFY(!spy.isEmpty());
        QCOMPARE(spy.count(), 1);
        QCoreApplication::processEvents();
        QVERIFY(!noticeShown());
        QCOMPARE(noticeText("reminderMessage"), QString());
    }

    void shouldShowTheReminderOfAKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("message");
        const QVariantMap start { { "ID", m_taskId }, { "STARTDATE", m_start } };
        const QVariantMap due { { "ID", m_taskId }, { "DUEDATE", m_due } };
        // The keys the reminder scheduler writes for this task.
        const auto scheduled = [](const QVariantMap& task, int type) {
            return NotificationManager::notificationKey(task, type);
        };
        const QDateTime localStart(m_start.date(), m_start.time(), Qt::LocalTime);

        QTest::newRow("start, 5 minutes")
            << scheduled(start, NotificationManager::FiveMinutes) << "5 minutes before start";
        QTest::newRow("start, 10 minutes is no reminder type")
            << keyFor(m_taskId, "STARTDATE", localStart.addSecs(-600)) << "Task is active";
        QTest::newRow("start, at the time")
            << scheduled(start, NotificationManager::AtTimeOfEvent) << "Task is active";
        QTest::newRow("start, 2 days")
            << scheduled(start, NotificationManager::TwoDays) << "2 days before start";
        QTest::newRow("due, at the time")
            << scheduled(due, NotificationManager::AtTimeOfEvent) << "Task is overdue";
        QTest::newRow("due, 15 minutes")
            << scheduled(due, NotificationManager::FifteenMinutes) << "15 minutes before deadline";
        QTest::newRow("due, 30 minutes")
            << scheduled(due, NotificationManager::ThirtyMinutes) << "30 minutes before deadline";
        QTest::newRow("due, 1 hour") << scheduled(due, NotificationManager::Hour) << "1 hour before deadline";
        QTest::newRow("due, 2 hours")
            << scheduled(due, NotificationManager::TwoHours) << "2 hours before deadline";
        QTest::newRow("due, 3 hours")
            << scheduled(due, NotificationManager::ThreeHours) << "3 hours before deadline";
        QTest::newRow("due, 1 day") << scheduled(due, NotificationManager::Day) << "1 day before deadline";
        QTest::newRow("snoozed") << keyFor(m_taskId, "SNOOZE", QDateTime::currentDateTime())
                                 << "Don't forget about this task";
    }

    void shouldShowTheReminderOfAKey()
    {
        QFETCH(QString, key);
        QFETCH(QString, message);
        QuorvelServer server;
        QVERIFY(server.listen());
        const qint64 logStart = logSize();
        send(notificationCommand(key));

        QTRY_COMPARE(noticeText("reminderMessage"), message);
        QCOMPARE(noticeText("reminderTaskName"), QStringLiteral("Water the plants"));
        QVERIFY(noticeShown());
        QVERIFY(logSince(logStart).contains(QStringLiteral("INFO Requesting a task by ID: ") + m_taskId));
    }

    void shouldLogAnUnknownTask()
    {
        QuorvelServer server;
        QVERIFY(server.listen());
        QSignalSpy spy(&server, &QuorvelServer::showAppWindowRequested);
        const qint64 logStart = logSize();
        // A line break in the ID must not start a log line of its own.
        send(notificationCommand(QStringLiteral("no-such\nWARN task_DUEDATE_1")));
        send("show_app_window");
        QTRY_VERIFY(!spy.isEmpty());
        const QStringList lines = logSince(logStart);
        QVERIFY2(lines.contains(QStringLiteral("INFO Requesting a task by ID: no-such\\u000aWARN task")),
            qPrintable(lines.join('\n')));
        QVERIFY(lines.contains(QStringLiteral("WARN No tasks found with passed ID!")));
        QVERIFY(!noticeShown());
    }

    void shouldReadACommandSentInPieces_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<int>("windowRequests");
        QTest::addColumn<QString>("message");
        QTest::newRow("window") << QList<QByteArray> { "show_app_", "window" } << 1 << QString();
        QTest::newRow("window, then a line break")
            << QList<QByteArray> { "show_app_window", "\n" } << 0 << QString();
        const QByteArray reminder = notificationCommand(m_taskId + QStringLiteral("_SNOOZE_1"));
        QTest::newRow("reminder") << QList<QByteArray> { reminder.left(10), reminder.mid(10, 20),
            reminder.mid(30) } << 0
                                  << "Don't forget about this task";
    }

    void shouldReadACommandSentInPieces()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(int, windowRequests);
        QFETCH(QString, message);
        QuorvelServer server;
        QVERIFY(server.listen());
        QSignalSpy spy(&server, &QuorvelServer::showAppWindowRequested);
        sendInPieces(pieces);
        if (!message.isEmpty())
            QTRY_COMPARE(noticeText("reminderMessage"), message);
        // A last command shows that everything before it was read.
        send("show_app_window");
        QTRY_COMPARE(spy.count(), windowRequests + 1);
        QCoreApplication::processEvents();
        QCOMPARE(noticeText("reminderMessage"), message);
    }

    void shouldDropCommandsTooLongToBeOurs()
    {
        QuorvelServer server;
        QVERIFY(server.listen());
        QSignalSpy spy(&server, &QuorvelServer::showAppWindowRequested);
        const qint64 logStart = logSize();

        QLocalSocket flood;
        flood.connectToServer(AppInfo::serverName());
        QVERIFY(flood.waitForConnected(1000));
        flood.write("show_app_window" + QByteArray(1024 * 1024, 'x'));
        // The server closes the connection itself instead of keeping a megabyte.
        QTRY_COMPARE(flood.state(), QLocalSocket::UnconnectedState);
        QVERIFY(flood.bytesToWrite() > 0 || spy.isEmpty());
        QVERIFY(logSince(logStart).contains(QStringLiteral(
            "WARN A local connection sent more than 65536 bytes, which is no command; it is closed.")));

        send("show_app_window");
        QTRY_VERIFY(!spy.isEmpty());
        QCOMPARE(spy.count(), 1);
    }

    void interfaceSeesTheReminderTypesAndCalls()
    {
        // Evaluated where main.qml's imports apply.
        QQuickWindow* window = GuiManager::instance()->mainWindow();
        QQmlContext* context = qmlContext(window);
        QVERIFY(context);
        QQmlExpression types(context, window,
            QStringLiteral("[NotificationEnum.AtTimeOfEvent, NotificationEnum.Hour, "
                           "NotificationEnum.TwoDays].join()"));
        QCOMPARE(types.evaluate().toString(), QStringLiteral("0,4,8"));
        QVERIFY2(!types.hasError(), qPrintable(types.error().toString()));
        QQmlExpression schedule(context, window,
            QStringLiteral("DataManager.scheduleReminder({ ID: \"%1\", DUEDATE: new Date(2031, 0, 1) }, "
                           "NotificationEnum.Day) && DataManager.getReminderCount()")
                .arg(m_taskId));
        QCOMPARE(schedule.evaluate().toInt(), 1);
        QVERIFY(DataManager::instance()->removeAllRemindersById(m_taskId));
    }

    void shouldTakeOverTheSocketOfACrashedInstance()
    {
#ifdef Q_OS_UNIX
        // A killed instance leaves its socket file behind: bound, never removed.
        const QByteArray path
            = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + AppInfo::serverName());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, path.constData(), sizeof(address.sun_path));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
        QVERIFY(QFile::exists(QString::fromLocal8Bit(path)));
#endif
        QuorvelServer server;
        QVERIFY(server.listen());
        QSignalSpy spy(&server, &QuorvelServer::showAppWindowRequested);
        send("show_app_window");
        QTRY_VERIFY(!spy.isEmpty());
    }

    void shouldLetOnlyItsOwnUserConnect()
    {
        QuorvelServer server;
        QVERIFY(server.listen());
        QLocalSocket probe;
        probe.connectToServer(AppInfo::serverName());
        QVERIFY(probe.waitForConnected(1000));
        const QString path = probe.fullServerName();
        probe.disconnectFromServer();
#ifdef Q_OS_UNIX
        const QFile::Permissions others
            = QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup;
        QCOMPARE(QFile::permissions(path) & others, QFile::Permissions());
#else
        Q_UNUSED(path)
#endif
    }

    void shouldFindARunningInstanceOnlyWhenOneListens()
    {
        QVERIFY(!QuorvelServer::notifyRunningInstance(300));
        QuorvelServer server;
        QVERIFY(server.listen());
        QSignalSpy spy(&server, &QuorvelServer::showAppWindowRequested);
        QVERIFY(QuorvelServer::notifyRunningInstance(300));
        QTRY_VERIFY(!spy.isEmpty());
    }
};

QUORVEL_TEST_MAIN(TestQuorvelServer)
#include "tst_quorvelserver.moc"
