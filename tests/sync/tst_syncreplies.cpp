#include "SyncFixture.h"

#include "data/DatabaseHandler.h"
#include "data/PredefinedDataHelper.h"
#include "shell/AppPaths.h"
#include "support/RecordBuilder.h"
#include "support/TestMain.h"
#include "sync/SyncHandler.h"
#include "time/NotificationManager.h"
#include "time/RepeatedTaskHelper.h"

#include <QFile>

namespace {

using Reply = LoopbackHttpServer::Reply;

const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();
const qint64 Seeded = 1700000000;
const qint64 Newer = Seeded + 500;

QByteArray fileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(absent)");
}

QByteArray entityBomb()
{
    QByteArray doctype = "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\">";
    for (char level = 'b'; level <= 'j'; ++level) {
        const char previous = char(level - 1);
        doctype += QByteArray("<!ENTITY ") + level + " \"" + QByteArray(10, '&').replace("&", QByteArray("&") + previous + ";")
            + "\">";
    }
    return doctype + "]><response><status>0</status><time>1</time><revision>&j;</revision></response>";
}

QByteArray deepNesting()
{
    QByteArray body = "<response><status>0</status><time>1</time><revision>9</revision><task>";
    for (int i = 0; i < 40; ++i)
        body += "<n>";
    for (int i = 0; i < 40; ++i)
        body += "</n>";
    return body + "</task></response>";
}

QVariantMap with(QVariantMap object, const QString& key, const QVariant& value)
{
    object.insert(key, value);
    return object;
}

QVariantMap without(QVariantMap object, const QString& key)
{
    object.remove(key);
    return object;
}

} // namespace

Q_DECLARE_METATYPE(LoopbackHttpServer::Reply)

// Replies a sane sync server never sends - damaged, hostile, endless - each
// end the run with a logged error and leave every stored byte as it was.
class TestSyncReplies : public QObject
{
    Q_OBJECT

private:
    SyncFixture m;

    // Objects whose changes the bad replies would touch, a reminder, and a
    // change here that a run that went on would upload.
    void seed()
    {
        QVERIFY(m.fixture().seedTask(
            RecordBuilder::task("Call", Inbox).withId("t1").due(wallClock(QDate(2031, 3, 4), QTime(9, 0))).fromSync(Seeded)));
        QVERIFY(m.fixture().project("p1"));
        QVERIFY(m.fixture().context("c1"));
        QVERIFY(m.fixture().task("t2", "p1", 0, "c1"));
        DataObject edited = m.fixture().taskRecord("t2");
        edited.insert("NAME", "Edited here");
        QVERIFY(m.store()->updateTaskLocally(edited) && m.store()->commitChanges());
        QVERIFY(m.notifications()->scheduleNotification(
            { { "ID", "t1" }, { "DUEDATE", m.fixture().taskRecord("t1").value("DUE") } },
            NotificationManager::Hour));
        m.fixture().repetition()->setDueDateReminder("t1", NotificationManager::Hour);
        m.setStoredRevision(4);
    }

    struct Snapshot
    {
        QStringList rows;
        QStringList reminders;
        QByteArray repeatedReminders;
        QByteArray syncFile;
        QByteArray predefinedFile;
    };

    Snapshot snapshot()
    {
        return { m.fixture().dump(), m.notifications()->notificationIds(),
            fileContent(AppPaths::appDataFile("repeated_tasks_reminders.dat")), fileContent(SyncHandler::syncFilePath()),
            fileContent(PredefinedDataHelper::predefinedObjectsFile()) };
    }

    void compare(const Snapshot& before, const Snapshot& after)
    {
        QCOMPARE(after.rows, before.rows);
        QCOMPARE(after.reminders, before.reminders);
        QCOMPARE(after.repeatedReminders, before.repeatedReminders);
        QCOMPARE(after.syncFile, before.syncFile);
        QCOMPARE(after.predefinedFile, before.predefinedFile);
    }

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_syncreplies")); }

    void init()
    {
        qunsetenv("QUORVEL_TRANSFER_TIMEOUT");
        QVERIFY(m.open());
        PredefinedDataHelper::instance()->resetBuiltInListIds();
    }

    void cleanup()
    {
        m.close();
        qunsetenv("QUORVEL_TRANSFER_TIMEOUT");
    }

    void shouldEndTheRunAndKeepEverythingForABadReply_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("logged");
        const QByteArray good = SyncFixture::changes(9,
            { with(SyncReplies::task("t1", Inbox, Newer), "NAME", "From the server"),
                SyncReplies::task("t9", Inbox, Newer) });
        const QString internal = "ERROR Server error: 500.  Internal Server Error";
        const QString unmerged = "ERROR Unable to merge the changes from the server; none of them were kept.";
        QTest::newRow("cut off in the middle") << Reply::cutOff(good, good.size() / 2) << "ERROR Network error: ";
        QTest::newRow("connection dropped") << Reply::drop() << "ERROR Network error: ";
        QTest::newRow("HTTP failure status") << Reply::xml(good, 502) << "ERROR Network error: ";
        QTest::newRow("not XML") << Reply::xml("Service temporarily unavailable") << internal;
        QTest::newRow("status not a number") << Reply::xml("<r><s>abc</s><e>x</e></r>") << internal;
        QTest::newRow("entity expansion bomb") << Reply::xml(entityBomb()) << internal;
        QTest::newRow("deep nesting") << Reply::xml(deepNesting()) << internal;
        QTest::newRow("10 MB element text")
            << Reply::xml(SyncFixture::changes(
                   9, { with(SyncReplies::task("t9", Inbox, Newer), "MEMO", QString(10 * 1024 * 1024, 'x')) }))
            << internal;
        QTest::newRow("server refuses") << Reply::xml(SyncReplies::refused(3, "Revision unknown"))
                                        << "ERROR Server error: 3.  Revision unknown";
        QTest::newRow("timestamp not a number after a good object")
            << Reply::xml(SyncFixture::changes(9,
                   { with(SyncReplies::task("t1", Inbox, Newer), "NAME", "From the server"),
                       with(SyncReplies::task("t9", Inbox, Newer), "TIMESTAMP", "soon") }))
            << unmerged;
        QTest::newRow("object without ID")
            << Reply::xml(SyncFixture::changes(
                   9, { SyncReplies::task("t9", Inbox, Newer), without(SyncReplies::project("p9", Newer), "ID") }))
            << unmerged;
    }

    // One object that the store refuses must not hold back the others, the
    // revision and the upload for ever: it is skipped with a log line.
    void shouldSkipAnObjectTheStoreRefusesAndKeepTheRest_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("skipped");
        QTest::newRow("task without project")
            << SyncFixture::changes(9, { SyncReplies::context("c9", Newer), without(SyncReplies::task("t9", Inbox, Newer), "PARENT") })
            << "c9" << "t9";
        QTest::newRow("state out of range")
            << SyncFixture::changes(9, { with(SyncReplies::task("t1", Inbox, Newer), "STATE", 1), with(SyncReplies::project("p1", Newer), "STATE", 9) })
            << "t1" << "p1";
        QTest::newRow("deleting a task whose context update then fails")
            << SyncFixture::changes(9, { with(SyncReplies::task("t1", Inbox, Newer), "STATE", 1),
                   with(SyncReplies::context("c1", Newer), "STATE", "deleted") })
            << "t1" << "c1";
    }

    void shouldSkipAnObjectTheStoreRefusesAndKeepTheRest()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, kept);
        QFETCH(QString, skipped);
        seed();
        m.makeHandler();
        m.reply(reply);
        m.reply(SyncFixture::accepted(10));

        QVERIFY(m.runSync());
        QVERIFY(m.logged(QStringLiteral("WARN The server's ")));
        QVERIFY(m.fixture().logLines().filter("\"" + skipped + "\" cannot be stored here; it is skipped").size() == 1);
        const DataObject keptRecord = kept.startsWith('t') ? m.fixture().taskRecord(kept) : m.fixture().contextRecord(kept);
        QCOMPARE(keptRecord.value("TIMESTAMP").toLongLong(), qint64(Newer));
        QCOMPARE(m.storedRevision(), 10);
        // The local change went out after the merge.
        QVERIFY(m.methods().contains("update_task"));
    }

    void shouldEndTheRunAndKeepEverythingForABadReply()
    {
        QFETCH(Reply, reply);
        QFETCH(QString, logged);
        seed();
        m.makeHandler();
        const Snapshot before = snapshot();
        m.server().enqueue(reply);
        QSignalSpy progress(m.handler(), &SyncHandler::progressChanged);

        QVERIFY(m.runSync());
        QVERIFY2(m.logged(logged), qPrintable(m.fixture().logLines().join('\n')));
        // Nothing was uploaded. (The network layer may send a request again
        // once when the connection drops before any answer.)
        QStringList methods = m.methods();
        methods.removeDuplicates();
        QCOMPARE(methods, QStringList { "get_changes_ex" });
        QVERIFY(!progress.contains({ 100 }));
        QVERIFY(!m.handler()->isActive());
        QVERIFY(!m.store()->isInTransaction());
        compare(before, snapshot());
    }

    void shouldEndARunWhoseReplyNeverComes()
    {
        qputenv("QUORVEL_TRANSFER_TIMEOUT", "1");
        seed();
        m.makeHandler();
        const Snapshot before = snapshot();
        m.server().enqueue(Reply::hang());
        QSignalSpy networkErrors(m.handler(), &SyncHandler::networkError);

        QVERIFY(m.runSync());
        QCOMPARE(networkErrors.count(), 1);
        QVERIFY(m.logged("ERROR Network error: OperationCanceledError"));
        QCOMPARE(m.methods(), QStringList { "get_changes_ex" });
        compare(before, snapshot());
    }

    void shouldEndAnUploadWhoseReplyNeverComes()
    {
        qputenv("QUORVEL_TRANSFER_TIMEOUT", "1");
        seed();
        m.makeHandler();
        m.reply(SyncFixture::changes(4));
        m.server().enqueue(Reply::hang());

        QVERIFY(m.runSync());
        QVERIFY(m.logged("ERROR Network error: OperationCanceledError"));
        QVERIFY(m.logged("ERROR Unable to sync tasks!"));
        QCOMPARE(m.methods(), QStringList({ "get_changes_ex", "update_task" }));
        QCOMPARE(m.fixture().taskRecord("t2").value("SYNCED").toBool(), false);
    }

    // Whatever the server calls its objects, they reach the store as text.
    void shouldStoreHostileIdentifiersVerbatim()
    {
        const QString taskId = "t'); DROP TABLE task; --";
        const QString contextId = "c' OR '1'='1";
        const QString projectId = "p\"; DELETE FROM project WHERE ''='";
        QVariantMap task = SyncReplies::task(taskId, projectId, Newer);
        task.insert("CONTEXT", contextId);
        task.insert("NAME", ":NAME ':ID' \\' %1 <b>");
        task.insert("OWNER", "someone");
        m.makeHandler();
        m.reply(SyncFixture::changes(9,
            { SyncReplies::context(contextId, Newer), SyncReplies::project(projectId, Newer), task }));

        QVERIFY(m.runSync());
        const DataObject stored = m.store()->getTaskById(taskId);
        QCOMPARE(stored.value("ID").toString(), taskId);
        QCOMPARE(stored.value("NAME").toString(), QString(":NAME ':ID' \\' %1 <b>"));
        QCOMPARE(stored.value("CONTEXT").toString(), contextId);
        QCOMPARE(m.store()->getProjectTasks(projectId).size(), 1);
        QCOMPARE(m.store()->getContextTasks(contextId).size(), 1);
        QCOMPARE(m.fixture().rowCount("project"), 1);
        QCOMPARE(m.fixture().rowCount("context"), 1);
        QVERIFY(m.logged("WARN The server sent the field OWNER with a task; it is not stored."));
        QCOMPARE(m.storedRevision(), 9);
    }

    // Reminders follow the merged tasks, and only once the merge is kept.
    void shouldMoveAndDropRemindersWithTheMergedTasks()
    {
        seed();
        QVERIFY(m.fixture().seedTask(
            RecordBuilder::task("Old", Inbox).withId("t3").due(wallClock(QDate(2031, 3, 4), QTime(9, 0))).fromSync(Seeded)));
        QVERIFY(m.notifications()->scheduleNotification(
            { { "ID", "t3" }, { "DUEDATE", m.fixture().taskRecord("t3").value("DUE") } }, NotificationManager::AtTimeOfEvent));
        m.fixture().repetition()->setDueDateReminder("t3", NotificationManager::Day);
        QCOMPARE(m.notifications()->notificationCount(), 2);
        m.makeHandler();
        const QDateTime moved = wallClock(QDate(2031, 3, 6), QTime(9, 0));
        m.reply(SyncFixture::changes(9,
            { with(SyncReplies::task("t1", Inbox, Newer), "DUE", moved), with(SyncReplies::task("t3", Inbox, Newer), "STATE", 1) }));
        m.reply(SyncFixture::accepted(10));

        QVERIFY(m.runSync());
        const QStringList reminders = m.notifications()->notificationIds();
        QCOMPARE(reminders.size(), 1);
        QVERIFY(reminders.first().startsWith("t1_DUEDATE_"));
        const QString expected = NotificationManager::notificationKey({ { "ID", "t1" }, { "DUEDATE", moved } }, NotificationManager::Hour);
        QCOMPARE(reminders.first(), expected);
        QVERIFY(m.fixture().repetition()->getDueDateReminders("t3").isEmpty());
        QCOMPARE(m.fixture().repetition()->getDueDateReminders("t1"), QVariantList { int(NotificationManager::Hour) });
    }
};

QUORVEL_TEST_MAIN(TestSyncReplies)
#include "tst_syncreplies.moc"
