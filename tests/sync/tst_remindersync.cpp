#include "SideChannelServer.h"

#include "data/DatabaseHandler.h"
#include "data/PredefinedDataHelper.h"
#include "shell/AppPaths.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"
#include "sync/RemindersSyncManager.h"
#include "time/NotificationManager.h"
#include "time/RepeatedTaskHelper.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <ctime>
#include <memory>

using Reply = LoopbackHttpServer::Reply;
using N = NotificationManager;

namespace {
const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();
const qint64 Changed = 1890000000; // the tasks' TIMESTAMP
const QString ChangedText = QStringLiteral("2029-11-22T00:00:00Z");
// The device's local time in every case.
const QDateTime Now(QDate(2030, 1, 10), QTime(12, 0), Qt::LocalTime);
const QDateTime Future = wallClock(QDate(2030, 2, 1), QTime(12, 0));
const QDateTime Past = wallClock(QDate(2029, 12, 1), QTime(12, 0));

QJsonObject reminder(const QString& taskId, const QString& date, const QString& type)
{
    return { { "object_id", taskId }, { "applied_date", date }, { "reminder_type", "predefined" },
        { "predefined_type", type }, { "last_changed", ChangedText } };
}

QVariantMap due(const QString& taskId, const QDateTime& date)
{
    return { { "ID", taskId }, { "DUEDATE", date } };
}
} // namespace

class TestRemindersSync : public QObject
{
    Q_OBJECT

    StoreFixture m_store;
    std::unique_ptr<SideChannelServer> m_server;
    std::unique_ptr<N> m_notifications;
    std::unique_ptr<RemindersSyncManager> m;

    void makeManager()
    {
        m = std::make_unique<RemindersSyncManager>(
            RemindersSyncManager::Services { m_store.store(), m_notifications.get(), m_store.repetition() },
            AppPaths::appDataFile(QStringLiteral("reminders.dat")));
    }

    bool seed(const QString& id, const QDateTime& dueDate, const QString& period = QString())
    {
        RecordBuilder task = RecordBuilder::task(id, Inbox).withId(id).due(dueDate).fromSync(Changed);
        if (!period.isEmpty())
            task.period(period);
        return m_store.seedTask(task);
    }

    void settle()
    {
        QVERIFY(SideChannelServer::run(m.get()));
        QVERIFY(m->remindersToSend().isEmpty() && m->remindersToDelete().isEmpty());
        m_server->http().clearRequests();
    }

private slots:
    void initTestCase()
    {
        // A zone with summer time, for the calendar-day reminder across it.
        qputenv("TZ", "Europe/Berlin");
        tzset();
        StoreFixture::setUpLogging(QStringLiteral("tst_remindersync"));
    }

    void init()
    {
        TestSandbox::reset();
        QVERIFY(m_store.open());
        m_notifications = std::make_unique<N>(AppPaths::appDataFile("ntf.dat"), m_store.repetition());
        m_notifications->setClock([] { return Now; });
        m_server = std::make_unique<SideChannelServer>();
        QVERIFY(m_server->start());
        m_server->http().setDefaultHandler([](const LoopbackHttpServer::Request& request) {
            return Reply::json(request.method == "POST" ? request.body : QByteArray("[]"));
        });
        QVERIFY(seed("t1", Future));
        makeManager();
        m_store.markLog();
    }

    void cleanup()
    {
        m.reset();
        m_server.reset();
        m_notifications.reset();
        m_store.close();
    }

    void aScheduledReminderGoesOutWithItsWireTexts_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QDateTime>("date");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("appliedDate");
        QTest::addColumn<QString>("wireType");
        QTest::newRow("due, an hour before") << "DUEDATE" << Future << int(N::Hour) << "end"
                                             << "1hour";
        QTest::newRow("start, at the time") << "STARTDATE" << Future << int(N::AtTimeOfEvent) << "start"
                                            << "go";
        QTest::newRow("two days before") << "DUEDATE" << Future << int(N::TwoDays) << "end"
                                         << "2days";
        // 23 hours on the clock, one day on the calendar.
        QTest::newRow("a day before, across summer time")
            << "DUEDATE" << wallClock(QDate(2030, 3, 31), QTime(12, 0)) << int(N::Day) << "end"
            << "1day";
    }

    void aScheduledReminderGoesOutWithItsWireTexts()
    {
        QFETCH(QString, kind);
        QFETCH(QDateTime, date);
        QFETCH(int, type);
        QFETCH(QString, appliedDate);
        QFETCH(QString, wireType);
        RecordBuilder task = RecordBuilder::task("r", Inbox).withId("r").fromSync(Changed);
        QVERIFY(m_store.seedTask(kind == "DUEDATE" ? task.due(date) : task.start(date)));
        QVERIFY(m_notifications->scheduleNotification({ { "ID", "r" }, { kind, date } }, N::NotificationType(type)));
        // A snoozed reminder is this device's own and stays here.
        QVERIFY(m_notifications->snoozeNotification(due("t1", Future)));

        QVERIFY(SideChannelServer::run(m.get()));
        QCOMPARE(m_server->calls(), QStringList { "POST /api/reminders/v1/" });
        QCOMPARE(m_server->sent(0), QJsonArray { reminder("r", appliedDate, wireType) });
        QCOMPARE(m->reminderList(), m_server->sent(0));
        QVERIFY(m->remindersToSend().isEmpty());
    }

    void aRemovedReminderIsDeletedBeforeANewOneIsSent()
    {
        QVERIFY(m_notifications->scheduleNotification(due("t1", Future), N::Hour));
        settle();
        QVERIFY(m_notifications->removeScheduledNotification(due("t1", Future), N::Hour));
        QVERIFY(m_notifications->scheduleNotification(due("t1", Future), N::FiveMinutes));
        QVERIFY(SideChannelServer::run(m.get()));
        QCOMPARE(m_server->calls(), (QStringList { "POST /api/reminders/v1/delete/", "POST /api/reminders/v1/" }));
        QCOMPARE(m_server->sent(0), QJsonArray { reminder("t1", "end", "1hour") });
        QCOMPARE(m_server->sent(1), QJsonArray { reminder("t1", "end", "5min") });
        QCOMPARE(m->reminderList(), QJsonArray { reminder("t1", "end", "5min") });
    }

    void theServersRemindersAreTakenHere()
    {
        QVERIFY(seed("past", Past));
        QVERIFY(seed("weekly", Future, "d;1"));
        QJsonObject badDate = reminder("t1", "end", "2hours");
        badDate.insert("last_changed", "soon");
        QJsonObject numericType = reminder("t1", "end", "3hours");
        numericType.insert("predefined_type", 3);
        m_server->enqueue(QJsonArray { reminder("t1", "end", "1hour"), reminder("past", "end", "go"),
            reminder("weekly", "start", "15min"), reminder("unknown-task", "end", "go"), badDate, numericType,
            QStringLiteral("text") });
        QVERIFY(SideChannelServer::run(m.get()));

        QVERIFY(m_notifications->hasScheduledNotification(due("t1", Future), N::Hour));
        QVERIFY(!m_notifications->hasScheduledNotification(due("t1", Future), N::TwoHours));
        QVERIFY(!m_notifications->hasScheduledNotifications("past"));
        QVERIFY(m_store.repetition()->hasStartDateReminder("weekly", N::FifteenMinutes));
        QCOMPARE(m->reminderList(),
            (QJsonArray { reminder("t1", "end", "1hour"), reminder("past", "end", "go"),
                reminder("weekly", "start", "15min") }));
        QVERIFY(m_store.logged("WARN Item 4 of the reminders answer is skipped: its \"last_changed\""));
    }

    void remindersTheServerDropsAreRemovedHere()
    {
        QVERIFY(m_notifications->scheduleNotification(due("t1", Future), N::Hour));
        QVERIFY(m_notifications->scheduleNotification(due("t1", Future), N::Day));
        settle();
        QJsonObject damagedCopy = reminder("t1", "end", "1day");
        damagedCopy.insert("last_changed", 5);
        m_server->enqueue(QJsonArray { damagedCopy });
        QVERIFY(SideChannelServer::run(m.get()));
        QCOMPARE(m_server->calls(), QStringList { "GET /api/reminders/v1/" });
        QVERIFY(!m_notifications->hasScheduledNotification(due("t1", Future), N::Hour));
        QVERIFY(m_notifications->hasScheduledNotification(due("t1", Future), N::Day));
        QCOMPARE(m->reminderList(), QJsonArray { reminder("t1", "end", "1day") });
    }

    void whatWaitsSurvivesAFailureAndARestart()
    {
        QVERIFY(m_notifications->scheduleNotification(due("t1", Future), N::Hour));
        m_server->enqueue(Reply::text("Service Unavailable", 503));
        QVERIFY(SideChannelServer::run(m.get()));
        QVERIFY(m_store.logged("ERROR Server Error (Reminders): "));
        makeManager();
        QCOMPARE(m->remindersToSend(), QJsonArray { reminder("t1", "end", "1hour") });
        m->clearAll();
        makeManager();
        QVERIFY(m->reminderList().isEmpty());
    }
};

QUORVEL_TEST_MAIN(TestRemindersSync)
#include "tst_remindersync.moc"
