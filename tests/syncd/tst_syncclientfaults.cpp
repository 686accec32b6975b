// Faults of the sync client found when it was used as a user would, each
// against a scripted server that answers as the real one can.

#include "../sync/SyncFixture.h"
#include "../sync/SyncReplies.h"

#include "data/DatabaseHandler.h"
#include "data/PredefinedDataHelper.h"
#include "support/RecordBuilder.h"
#include "support/TestMain.h"
#include "sync/SyncHandler.h"
#include "time/NotificationManager.h"

namespace {
const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();
const qint64 Seeded = 1700000000;
} // namespace

class TestSyncClientFaults : public QObject
{
    Q_OBJECT

private:
    SyncFixture m;

    void changeLocally(const QString& id, const QString& name)
    {
        DataObject task = m.fixture().taskRecord(id);
        task.insert("NAME", name);
        QVERIFY(m.store()->updateTaskLocally(task) && m.store()->commitChanges());
    }

    QString requestField(int request, const QString& name)
    {
        return SyncReplies::field(m.requests().at(request), name);
    }

private slots:
    void init() { QVERIFY(m.open()); }
    void cleanup() { m.close(); }

    // Another device changed something between this device's download and
    // its upload: the upload's answer is past the next revision, and taking
    // it would skip that change in every later download.
    void shouldNotSkipAChangeMadeBetweenDownloadAndUpload()
    {
        QVERIFY(m.fixture().task("t1", Inbox));
        changeLocally("t1", "Mine");
        m.makeHandler();
        m.reply(m.changes(5, { SyncReplies::task("t5", Inbox, Seeded) }));
        m.reply(m.accepted(7));
        QVERIFY(m.runSync());
        QCOMPARE(m.storedRevision(), 5);

        m.reply(m.changes(7, { SyncReplies::task("t6", Inbox, Seeded) }));
        QVERIFY(m.runSync());
        QCOMPARE(requestField(2, "REVISION"), QString("5"));
        QCOMPARE(m.fixture().taskRecord("t6").value("ID").toString(), QString("t6"));
        QCOMPARE(m.storedRevision(), 7);
    }

    // "Refused twice in a row" is the server holding the object as it is;
    // a refusal long after the object was taken is news, to be downloaded.
    void shouldTakeARefusalAfterAnAcceptanceAsNews()
    {
        QVERIFY(m.fixture().task("t1", Inbox));
        changeLocally("t1", "First");
        m.makeHandler();
        m.reply(m.changes(5));
        m.reply(SyncReplies::refused(106, "Object(t1) was changed in revision 5, after revision 0."));
        m.reply(m.changes(5));
        m.reply(m.accepted(6));
        QVERIFY(m.runSync());
        QCOMPARE(m.methods(), QStringList({ "get_changes_ex", "update_task", "get_changes_ex", "update_task" }));

        changeLocally("t1", "Second");
        m.reply(m.changes(6));
        m.reply(SyncReplies::refused(106, "Object(t1) was changed in revision 7, after revision 6."));
        QVariantMap theirs = SyncReplies::task("t1", Inbox, QDateTime::currentSecsSinceEpoch() + 3600);
        theirs.insert("NAME", "Theirs");
        m.reply(m.changes(7, { theirs }));
        QVERIFY(m.runSync());
        QCOMPARE(m.methods().mid(4), QStringList({ "get_changes_ex", "update_task", "get_changes_ex" }));
        QCOMPARE(m.fixture().taskRecord("t1").value("NAME").toString(), QString("Theirs"));
        QCOMPARE(m.fixture().taskRecord("t1").value("SYNCED").toBool(), true);
    }

    // A create whose answer was lost (dropped after the server took it, or a
    // duplicate answered 104) leaves the object "made here" on this device;
    // deleted here afterwards, the delete must still reach the server.
    void shouldSendTheDeleteOfAnObjectTheServerTookUnawares()
    {
        QVERIFY(m.store()->createTaskLocally(RecordBuilder::task("Made here", Inbox).withId("t1")));
        QVERIFY(m.store()->commitChanges());
        DataObject deleted = m.fixture().taskRecord("t1");
        deleted.insert("STATE", 1);
        QVERIFY(m.store()->updateTaskLocally(deleted) && m.store()->commitChanges());
        m.makeHandler();
        m.reply(m.changes(5, { SyncReplies::task("t1", Inbox, Seeded) }));
        m.reply(m.accepted(6));

        QVERIFY(m.runSync());
        QCOMPARE(m.methods(), QStringList({ "get_changes_ex", "update_task" }));
        QCOMPARE(requestField(1, "STATE"), QString("1"));
        QCOMPARE(m.fixture().taskRecord("t1").value("SYNCED").toBool(), true);
    }

    // The same when the server's copy is the newer one and replaces the one
    // made here: a later delete here still reaches the server.
    void shouldSendALaterDeleteOfAReplacedObjectMadeHere()
    {
        QVERIFY(m.store()->createTaskLocally(RecordBuilder::task("Made here", Inbox).withId("t1")));
        QVERIFY(m.store()->commitChanges());
        m.makeHandler();
        QVariantMap theirs = SyncReplies::task("t1", Inbox, QDateTime::currentSecsSinceEpoch() + 3600);
        theirs.insert("NAME", "Renamed there");
        m.reply(m.changes(5, { theirs }));
        QVERIFY(m.runSync());
        QCOMPARE(m.fixture().taskRecord("t1").value("NAME").toString(), QString("Renamed there"));

        DataObject deleted = m.fixture().taskRecord("t1");
        deleted.insert("STATE", 1);
        QVERIFY(m.store()->updateTaskLocally(deleted) && m.store()->commitChanges());
        m.reply(m.changes(5));
        m.reply(m.accepted(6));
        QVERIFY(m.runSync());
        QCOMPARE(m.methods().mid(1), QStringList({ "get_changes_ex", "update_task" }));
        QCOMPARE(requestField(2, "STATE"), QString("1"));
    }

    // A completed or deleted task from the server whose newer local copy the
    // merge keeps: the local copy keeps its reminders.
    void shouldKeepTheRemindersOfANewerLocalCopy_data()
    {
        QTest::addColumn<int>("receivedState");
        QTest::addColumn<bool>("newerHere");
        QTest::addColumn<bool>("remindersLeft");
        QTest::newRow("completed there, edited here later") << 2 << true << true;
        QTest::newRow("deleted there, edited here later") << 1 << true << true;
        QTest::newRow("completed there later") << 2 << false << false;
    }

    void shouldKeepTheRemindersOfANewerLocalCopy()
    {
        QFETCH(int, receivedState);
        QFETCH(bool, newerHere);
        QFETCH(bool, remindersLeft);
        const QDateTime due = QDateTime(QDate(2031, 3, 4), QTime(9, 0), Qt::UTC);
        QVERIFY(m.fixture().seedTask(RecordBuilder::task("Call", Inbox).withId("t1").due(due).fromSync(Seeded)));
        changeLocally("t1", "Edited here");
        QVERIFY(m.notifications()->scheduleNotification({ { "ID", "t1" }, { "DUEDATE", due } }, NotificationManager::Hour));
        QVariantMap received = SyncReplies::task("t1", Inbox, newerHere ? Seeded + 1 : QDateTime::currentSecsSinceEpoch() + 3600);
        received.insert("STATE", receivedState);
        received.insert("DUE", due);
        m.makeHandler();
        m.reply(m.changes(5, { received }));
        m.reply(m.accepted(6));

        QVERIFY(m.runSync());
        QCOMPARE(m.fixture().taskRecord("t1").value("STATE").toInt(), newerHere ? 0 : receivedState);
        QCOMPARE(m.notifications()->hasScheduledNotifications("t1"), remindersLeft);
    }
};

QUORVEL_TEST_MAIN(TestSyncClientFaults)
#include "tst_syncclientfaults.moc"
