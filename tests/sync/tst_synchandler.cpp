#include "SyncFixture.h"

#include "data/DatabaseHandler.h"
#include "data/PredefinedDataHelper.h"
#include "plexlink/ApiHandler.h"
#include "support/RecordBuilder.h"
#include "support/TestMain.h"
#include "sync/SyncHandler.h"
#include "time/RepeatedTaskHelper.h"

#include <QSettings>
#include <QTimer>

namespace {

const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();
const QString OneStep = PredefinedDataHelper::initialOneStepActionsId();
const qint64 Seeded = 1700000000;

QVariantList ints(std::initializer_list<int> values)
{
    QVariantList list;
    for (int value : values)
        list.append(value);
    return list;
}

// The progress values of the upload steps and the end of a run.
const QVariantList UploadProgress = ints({ 64, 68, 72, 76, 80, 84, 88, 92 });

QVariantList progressOf(const QSignalSpy& spy)
{
    QVariantList values;
    for (const QList<QVariant>& emission : spy)
        values.append(emission.at(0));
    return values;
}

} // namespace

// One synchronisation run against a loopback server that plays the sync
// server: what the run asks for, what it keeps of the answers, and how it
// goes on when the server refuses an object.
class TestSyncHandler : public QObject
{
    Q_OBJECT

private:
    SyncFixture m;

    DatabaseHandler* store() { return m.store(); }

    // A stored task changed here since the server saw it.
    void changeLocally(const QString& id)
    {
        DataObject task = m.fixture().taskRecord(id);
        task.insert("NAME", "Changed " + id);
        QVERIFY(store()->updateTaskLocally(task) && store()->commitChanges());
        QCOMPARE(m.fixture().taskRecord(id).value("SYNCED").toBool(), false);
    }

    QString field(int request, const QString& name) { return SyncReplies::field(m.requests().at(request), name); }

private slots:
    void initTestCase()
    {
        StoreFixture::setUpLogging(QStringLiteral("tst_synchandler"));
        qunsetenv("QUORVEL_TRANSFER_TIMEOUT");
    }

    void init()
    {
        QVERIFY(m.open());
        PredefinedDataHelper::instance()->resetBuiltInListIds();
    }

    void cleanup() { m.close(); }

    void shouldLeaveTheRevisionAloneWhenOnlyTheRevisionComes()
    {
        m.setStoredRevision(3);
        m.makeHandler();
        m.reply(m.changes(7));
        QSignalSpy progress(m.handler(), &SyncHandler::progressChanged);
        QSignalSpy started(m.handler(), &SyncHandler::started);

        QVERIFY(m.runSync());
        QCOMPARE(started.count(), 1);
        QCOMPARE(progressOf(progress), ints({ 10, 60 }) + UploadProgress + ints({ 100 }));
        QCOMPARE(m.handler()->lastRevision(), 3);
        QCOMPARE(m.storedRevision(), 3);
        QCOMPARE(m.methods(), QStringList { "get_changes_ex" });
        const QList<QPair<QString, QString>> expected = { { "PLATFORM", "Windows" }, { "VERSION", "1.16.3" },
            { "REVISION", "3" }, { "LOGIN", SyncFixture::Login }, { "PASS", SyncFixture::PasswordHash } };
        QCOMPARE(SyncReplies::fields(m.requests().at(0)), expected);
        QVERIFY(!m.handler()->isActive());
    }

    void shouldRefuseToStartWithoutCredentials()
    {
        m.signOut();
        m.makeHandler();
        QSignalSpy started(m.handler(), &SyncHandler::started);
        QVERIFY(!m.handler()->start());
        QCOMPARE(started.count(), 0);
        QVERIFY(m.logged("ERROR User login or password is not set. Can't start sync process!"));
        QCOMPARE(m.server().requestCount(), 0);
    }

    void shouldReportMergeProgressEveryTenthOfTheItems()
    {
        QList<QVariantMap> tasks;
        for (int i = 1; i <= 25; ++i)
            tasks.append(SyncReplies::task(QString("t%1").arg(i), Inbox, Seeded));
        m.makeHandler();
        m.reply(m.changes(12, tasks));
        QSignalSpy progress(m.handler(), &SyncHandler::progressChanged);

        QVERIFY(m.runSync());
        QVariantList expected = ints({ 10 });
        for (int i = 2; i <= 24; i += 2)
            expected.append(10 + 45 * i / 26);
        expected += ints({ 60 }) + UploadProgress + ints({ 100 });
        QCOMPARE(progressOf(progress), expected);
        QCOMPARE(store()->getProjectTasks(Inbox).size(), 25);
        QCOMPARE(m.storedRevision(), 12);
        // Synchronised objects are not sent back.
        QCOMPARE(m.methods(), QStringList { "get_changes_ex" });
    }

    void shouldMergeByTheNewerTimestampOnTheServerClock_data()
    {
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("serverClockAhead");
        // The stored copy is a change made here, not yet sent.
        QTest::addColumn<bool>("changedHere");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("tie keeps the local change") << Seeded << Seeded << qint64(0) << true << false;
        QTest::newRow("newer on the server") << Seeded << Seeded + 1 << qint64(0) << true << true;
        QTest::newRow("newer here") << Seeded + 1 << Seeded << qint64(0) << true << false;
        QTest::newRow("tie on the server clock") << Seeded << Seeded + 100 << qint64(100) << true << false;
        QTest::newRow("newer on the server clock") << Seeded << Seeded + 101 << qint64(100) << true << true;
        QTest::newRow("server clock behind") << Seeded << Seeded - 50 << qint64(-60) << true << true;
        // A synchronised copy holds a server version on the server's clock:
        // the server's newer version replaces it, whatever the clocks say.
        QTest::newRow("synced copy, same second") << Seeded << Seeded << qint64(0) << false << true;
        QTest::newRow("synced copy, server clock ahead") << Seeded << Seeded + 100 << qint64(100) << false << true;
        QTest::newRow("synced copy, server clock behind") << Seeded << Seeded + 10 << qint64(-3600) << false << true;
    }

    void shouldMergeByTheNewerTimestampOnTheServerClock()
    {
        QFETCH(qint64, stored);
        QFETCH(qint64, received);
        QFETCH(qint64, serverClockAhead);
        QFETCH(bool, changedHere);
        QFETCH(bool, replaced);
        QVERIFY(m.fixture().seedTask(RecordBuilder::task("Local", Inbox).withId("t1").fromSync(stored)));
        QVERIFY(m.fixture().seedProject(RecordBuilder::project("Local").withId("p1").fromSync(stored)));
        QVERIFY(m.fixture().seedContext(RecordBuilder::context("Local").withId("c1").fromSync(stored)));
        if (changedHere) {
            for (const QString table : { "task", "project", "context" })
                QVERIFY(store()->execute(QStringLiteral("UPDATE %1 SET synced = 0 WHERE id IN ('t1', 'p1', 'c1')").arg(table)));
        }
        QVariantMap task = SyncReplies::task("t1", Inbox, received);
        QVariantMap project = SyncReplies::project("p1", received);
        QVariantMap context = SyncReplies::context("c1", received);
        for (QVariantMap* object : { &task, &project, &context })
            object->insert("NAME", "Server");
        m.makeHandler();
        m.reply(m.changes(2, { context, project, task }, serverClockAhead));

        QVERIFY(m.runSync());
        QCOMPARE(m.handler()->timeDifference(), qint32(serverClockAhead));
        const QString expected = replaced ? "Server" : "Local";
        QCOMPARE(m.fixture().taskRecord("t1").value("NAME").toString(), expected);
        QCOMPARE(m.fixture().projectRecord("p1").value("NAME").toString(), expected);
        QCOMPARE(m.fixture().contextRecord("c1").value("NAME").toString(), expected);
        QCOMPARE(m.storedRevision(), 2);
    }

    void shouldAlignRepeatingTasksAndDropRulesWithoutDue_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QDateTime>("due");
        QTest::addColumn<QString>("storedPeriod");
        // 2024-05-14 is a Tuesday.
        const QDateTime tuesday = wallClock(QDate(2024, 5, 14), QTime(9, 0));
        QTest::newRow("no due date") << "d;1" << QDateTime() << "";
        QTest::newRow("weekly on Monday, Wednesday, Friday") << "w;1;1,3,5" << tuesday << "w;1;1,3,5";
        QTest::newRow("daily") << "d;2" << tuesday << "d;2";
    }

    void shouldAlignRepeatingTasksAndDropRulesWithoutDue()
    {
        QFETCH(QString, period);
        QFETCH(QDateTime, due);
        QFETCH(QString, storedPeriod);
        QVariantMap task = SyncReplies::task("r1", Inbox, Seeded);
        task.insert("PERIOD", period);
        task.insert("DUE", due);
        DOTask received = task;
        received.remove("TYPE");
        received.insert("DUE", due);
        const DOTask aligned = m.fixture().repetition()->adjustRepeatedTaskDates(received);
        m.makeHandler();
        m.reply(m.changes(2, { task }));

        QVERIFY(m.runSync());
        const DataObject stored = m.fixture().taskRecord("r1");
        QCOMPARE(stored.value("PERIOD").toString(), storedPeriod);
        if (due.isValid())
            QCOMPARE(stored.value("DUE").toDateTime(), aligned.value("DUE").toDateTime());
        else
            QVERIFY(!stored.value("DUE").toDateTime().isValid());
    }

    void shouldSendAgainAsTheServerAsks_data()
    {
        QTest::addColumn<QByteArray>("thirdAnswer");
        QTest::addColumn<bool>("synced");
        QTest::newRow("third request taken") << SyncFixture::accepted(6) << true;
        QTest::newRow("third request refused") << SyncReplies::refused(104, "Object not found") << false;
    }

    // 100: the server does not know the object; 104: it knows it already.
    void shouldSendAgainAsTheServerAsks()
    {
        QFETCH(QByteArray, thirdAnswer);
        QFETCH(bool, synced);
        QVERIFY(m.fixture().task("t1", Inbox));
        changeLocally("t1");
        m.makeHandler();
        m.reply(m.changes(5));
        m.reply(SyncReplies::refused(100, "Object doesn't exist"));
        m.reply(SyncReplies::refused(104, "Object already exists"));
        m.reply(thirdAnswer);

        QVERIFY(m.runSync());
        // Nothing after a failed list: the later steps are skipped.
        QCOMPARE(m.methods(), QStringList({ "get_changes_ex", "update_task", "create_task", "update_task" }));
        const DataObject task = m.fixture().taskRecord("t1");
        QCOMPARE(task.value("SYNCED").toBool(), synced);
        QCOMPARE(task.value("LOCAL").toBool(), false);
        QCOMPARE(task.value("NAME").toString(), QString("Changed t1"));
        QCOMPARE(m.logged("ERROR Unable to sync tasks!"), !synced);
        QCOMPARE(m.storedRevision(), synced ? 6 : -1);
        QCOMPARE(field(1, "NAME"), QString("Changed t1"));
        QCOMPARE(field(1, "REVISION"), QString("0"));
    }

    void shouldCreateObjectsMadeHereAndUpdateTheOthers()
    {
        QVERIFY(store()->createContextLocally(RecordBuilder::context("Phone").withId("c-new")));
        QVERIFY(store()->createProjectLocally(RecordBuilder::folder("Area").withId("f-new")));
        QVERIFY(store()->createProjectLocally(RecordBuilder::project("Plan", "f-new").withId("p-new")));
        QVERIFY(store()->createTaskLocally(RecordBuilder::task("Call", "p-new").withId("t-new").inContext("c-new")));
        QVERIFY(store()->commitChanges());
        m.makeHandler();
        m.reply(m.changes(5));
        for (int revision = 6; revision <= 9; ++revision)
            m.reply(m.accepted(revision));

        QVERIFY(m.runSync());
        QCOMPARE(m.methods(),
            QStringList({ "get_changes_ex", "create_context", "create_project", "create_project", "create_task" }));
        // Each request carries the revision taken from the one before.
        QCOMPARE(field(1, "REVISION"), QString("0"));
        QCOMPARE(field(4, "REVISION"), QString("8"));
        QCOMPARE(field(2, "FOLDER"), QString("1"));
        QCOMPARE(field(4, "CONTEXT"), QString("c-new"));
        for (const auto& sent : SyncReplies::fields(m.requests().at(4)))
            QVERIFY2(!QStringList({ "SYNCED", "LOCAL", "LEVEL", "CHILDREN" }).contains(sent.first), qPrintable(sent.first));
        QCOMPARE(m.storedRevision(), 9);
        for (const auto& [table, id] : { std::pair("context", "c-new"), std::pair("project", "f-new"),
                 std::pair("project", "p-new"), std::pair("task", "t-new") }) {
            const QVariantMap row = m.fixture().rawRow(table, id);
            QCOMPARE(row.value("synced").toInt(), 1);
            QCOMPARE(row.value("local").toInt(), 0);
        }
    }

    // The interface may write while the handler waits for the server: a
    // change made then is newer than what the server took, and must stay a
    // change.
    void shouldKeepAChangeMadeWhileTheObjectWasOnItsWay()
    {
        QVERIFY(m.fixture().task("t1", Inbox));
        QVERIFY(m.fixture().task("t2", Inbox));
        changeLocally("t1");
        changeLocally("t2");
        m.makeHandler();
        m.reply(m.changes(5));
        m.server().enqueue(LoopbackHttpServer::Reply::xml(m.accepted(6)).withDelay(500));
        m.reply(m.accepted(7));
        QTimer::singleShot(200, this, [this] {
            DataObject task = m.fixture().taskRecord("t1");
            task.insert("NAME", "Renamed meanwhile");
            QVERIFY(store()->updateTaskLocally(task) && store()->commitChanges());
        });

        QVERIFY(m.runSync());
        QCOMPARE(m.methods(), QStringList({ "get_changes_ex", "update_task", "update_task" }));
        const DataObject t1 = m.fixture().taskRecord("t1");
        QCOMPARE(t1.value("NAME").toString(), QString("Renamed meanwhile"));
        QCOMPARE(t1.value("SYNCED").toBool(), false);
        QCOMPARE(m.fixture().taskRecord("t2").value("SYNCED").toBool(), true);
        QVERIFY(m.logged("INFO The task t1 changed while it was being sent; it is sent again next time."));
        QCOMPARE(m.storedRevision(), 7);
    }

    void shouldSendTheServersTimestampPlusOneAfter107()
    {
        QVERIFY(m.fixture().task("t1", Inbox));
        changeLocally("t1");
        m.makeHandler();
        m.reply(m.changes(5));
        m.reply(SyncReplies::refused(107, ": Server has newer object; timestamp: 1700000500."));
        m.reply(m.accepted(6));

        QVERIFY(m.runSync());
        QCOMPARE(m.methods(), QStringList({ "get_changes_ex", "update_task", "update_task" }));
        QCOMPARE(field(2, "TIMESTAMP"), QString("1700000501"));
        QCOMPARE(m.fixture().taskRecord("t1").value("SYNCED").toBool(), true);
        QCOMPARE(m.fixture().taskRecord("t1").value("TIMESTAMP").toLongLong(), 1700000501);
    }

    void shouldStoreAnObjectRefusedTwiceWith106AsSyncedAndRestartOnce()
    {
        QVERIFY(m.fixture().task("t1", Inbox));
        changeLocally("t1");
        m.setStoredRevision(4);
        m.makeHandler();
        m.reply(m.changes(5));
        m.reply(SyncReplies::refused(106, "Object is not changed"));
        m.reply(m.changes(5));
        m.reply(SyncReplies::refused(106, "Object is not changed"));
        QSignalSpy started(m.handler(), &SyncHandler::started);
        QSignalSpy finished(m.handler(), &SyncHandler::finished);
        QSignalSpy progress(m.handler(), &SyncHandler::progressChanged);

        QVERIFY(m.runSync());
        QCOMPARE(m.methods(), QStringList({ "get_changes_ex", "update_task", "get_changes_ex", "update_task" }));
        QCOMPARE(field(0, "REVISION"), QString("4"));
        QCOMPARE(field(2, "REVISION"), QString("0"));
        QCOMPARE(started.count(), 2);
        QCOMPARE(finished.count(), 1);
        // Only the run that did not start again reached the end.
        QCOMPARE(progress.count(QList<QVariant> { 100 }), 1);
        QCOMPARE(m.fixture().taskRecord("t1").value("SYNCED").toBool(), true);
        QCOMPARE(m.storedRevision(), 4);
    }

    void shouldRepairAReferenceAndDownloadEverything_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("repaired");
        QTest::newRow("context of a task gone")
            << "task" << "Context(c1) required for task(x1) doesn't exist" << "CONTEXT" << "";
        QTest::newRow("context of a task deleted")
            << "task" << "Context(c1) required for task(x1) was deleted" << "CONTEXT" << "";
        QTest::newRow("context of a project gone")
            << "project" << "Context(c1) required for project(x1) doesn't exist" << "CONTEXT" << "";
        QTest::newRow("project of a task gone")
            << "task" << "Parent(p0) required for object(x1) doesn't exist" << "PARENT" << OneStep;
        QTest::newRow("parent of a folder not a folder")
            << "folder" << "Parent(p0) isn't folder required for folder(x1)" << "PARENT" << "";
    }

    void shouldRepairAReferenceAndDownloadEverything()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, key);
        QFETCH(QString, repaired);
        if (kind == "task")
            QVERIFY(m.fixture().task("x1", "p0", 0, "c1"));
        else if (kind == "project")
            QVERIFY(m.fixture().project("x1", "p0", 0, "c1"));
        else
            QVERIFY(m.fixture().folder("x1", "p0"));
        const QString table = kind == "task" ? "task" : "project";
        DataObject changed = kind == "task" ? m.fixture().taskRecord("x1") : m.fixture().projectRecord("x1");
        changed.insert("MEMO", "edited");
        QVERIFY(kind == "task" ? store()->updateTaskLocally(changed) : store()->updateProjectLocally(changed));
        QVERIFY(store()->commitChanges());
        m.setStoredRevision(4);
        m.makeHandler();
        m.reply(m.changes(5));
        m.reply(SyncReplies::refused(103, text));
        m.reply(m.changes(5));
        m.reply(m.accepted(6));

        QVERIFY(m.runSync());
        const QString method = kind == "task" ? "update_task" : "update_project";
        QCOMPARE(m.methods(), QStringList({ "get_changes_ex", method, "get_changes_ex", method }));
        QCOMPARE(field(2, "REVISION"), QString("0"));
        QCOMPARE(field(3, key), repaired.isEmpty() ? QString("NULL") : repaired);
        const DataObject stored = m.fixture().rawRow(table, "x1");
        QCOMPARE(stored.value(key.toLower()).toString(), repaired);
        QCOMPARE(stored.value("memo").toString(), QString("edited"));
        QCOMPARE(stored.value("synced").toInt(), 1);
        QCOMPARE(m.storedRevision(), 6);
    }

    void shouldLeaveAnObjectAloneForARefusalWithoutARule_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("other status") << 3 << "Unknown problem";
        QTest::newRow("103 of another kind") << 103 << "Name(x1) is too long";
        QTest::newRow("server error") << 500 << "Internal error";
    }

    void shouldLeaveAnObjectAloneForARefusalWithoutARule()
    {
        QFETCH(int, status);
        QFETCH(QString, text);
        QVERIFY(m.fixture().task("t1", Inbox));
        changeLocally("t1");
        m.makeHandler();
        m.reply(m.changes(5));
        m.reply(SyncReplies::refused(status, text));
        QSignalSpy serverErrors(m.handler(), &SyncHandler::serverError);
        QSignalSpy finished(m.handler(), &SyncHandler::finished);

        QVERIFY(m.runSync());
        QTest::qWait(200);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(m.methods(), QStringList({ "get_changes_ex", "update_task" }));
        QCOMPARE(serverErrors.count(), 0);
        QVERIFY(m.logged(QString("ERROR Server error: %1.  %2").arg(status).arg(text)));
        QCOMPARE(m.fixture().taskRecord("t1").value("SYNCED").toBool(), false);
    }

    void shouldMoveInboxTasksToTheServersInboxAfterTheCommit()
    {
        QVERIFY(m.fixture().task("t1", Inbox));
        QVERIFY(m.fixture().task("t2", Inbox));
        QVERIFY(m.fixture().task("s1", OneStep));
        QVariantMap inbox = SyncReplies::project("server-inbox", Seeded);
        inbox.insert("INBOX", 1);
        QVariantMap oneStep = SyncReplies::project("server-one-step", Seeded);
        oneStep.insert("INBOX", 2);
        m.makeHandler();
        m.reply(m.changes(3, { inbox, oneStep, SyncReplies::task("t3", "server-inbox", Seeded) }));
        int movedWhenAnnounced = -1;
        bool inTransactionWhenAnnounced = true;
        connect(m.handler(), &SyncHandler::buildInProjectsUpdated, this, [&] {
            movedWhenAnnounced = store()->getProjectTasks("server-inbox").size();
            inTransactionWhenAnnounced = store()->isInTransaction();
        });
        QSignalSpy announced(m.handler(), &SyncHandler::buildInProjectsUpdated);

        QVERIFY(m.runSync());
        QCOMPARE(announced.count(), 1);
        QCOMPARE(movedWhenAnnounced, 3);
        QVERIFY(!inTransactionWhenAnnounced);
        QVERIFY(store()->getProjectTasks(Inbox).isEmpty());
        QCOMPARE(m.fixture().taskRecord("s1").value("PARENT").toString(), QString("server-one-step"));
        // The built-in lists are no projects of the store.
        QVERIFY(store()->getProjectById("server-inbox").isEmpty());
        QCOMPARE(m.syncFileValue("QB_ID"), QString("server-inbox"));
        QCOMPARE(m.syncFileValue("OSA_ID"), QString("server-one-step"));
        QCOMPARE(m.handler()->inboxId(), QString("server-inbox"));

        // Known from now on, also to a handler made later.
        m.makeHandler();
        QCOMPARE(m.handler()->oneStepActionsId(), QString("server-one-step"));
    }

    void shouldGivePredefinedObjectsTheServersIdentifiers()
    {
        QVERIFY(m.fixture().seedContext(RecordBuilder::context("@home (demo context)").withId("ctx-local").fromSync(Seeded)));
        QVERIFY(m.fixture().seedProject(RecordBuilder::folder("Business").withId("f-local").fromSync(Seeded)));
        QVERIFY(m.fixture().project("p1", "f-local", 0, "ctx-local"));
        QVERIFY(m.fixture().task("t1", "p1", 0, "ctx-local"));
        {
            QSettings file(PredefinedDataHelper::predefinedObjectsFile(), QSettings::IniFormat);
            file.setValue("predefined_ids", "f-local,ctx-local,other");
            file.setValue("1", "f-local");
            file.setValue("300", "ctx-local");
        }
        QVariantMap context = SyncReplies::context("ctx-server", Seeded + 10);
        context.insert("NAME", "@home");
        context.insert("PREDEFINED", "300");
        QVariantMap folder = SyncReplies::project("f-server", Seeded + 10);
        folder.insert("FOLDER", 1);
        folder.insert("PREDEFINED", "1");
        QVariantMap fresh = SyncReplies::context("ctx-301", Seeded);
        fresh.insert("PREDEFINED", "301");
        m.makeHandler();
        m.reply(m.changes(4, { context, folder, fresh }));
        // The renamed objects keep the local names and go back to the server,
        // with the objects that now point to them.
        for (int revision = 5; revision <= 8; ++revision)
            m.reply(m.accepted(revision));

        QVERIFY(m.runSync());
        QVERIFY(store()->getContextById("ctx-local").isEmpty());
        QCOMPARE(store()->getContextById("ctx-server").value("NAME").toString(), QString("@home (demo context)"));
        QCOMPARE(store()->getProjectById("f-server").value("NAME").toString(), QString("Business"));
        QCOMPARE(m.fixture().taskRecord("t1").value("CONTEXT").toString(), QString("ctx-server"));
        QCOMPARE(m.fixture().projectRecord("p1").value("PARENT").toString(), QString("f-server"));
        QCOMPARE(m.fixture().projectRecord("p1").value("CONTEXT").toString(), QString("ctx-server"));
        QVERIFY(!store()->getContextById("ctx-301").isEmpty());

        QSettings file(PredefinedDataHelper::predefinedObjectsFile(), QSettings::IniFormat);
        QCOMPARE(file.value("predefined_ids").toString(), QString("f-server,ctx-server,other,ctx-301"));
        QCOMPARE(file.value("1").toString(), QString("f-server"));
        QCOMPARE(file.value("300").toString(), QString("ctx-server"));
        QCOMPARE(file.value("301").toString(), QString("ctx-301"));
        QCOMPARE(m.methods(),
            QStringList({ "get_changes_ex", "update_context", "update_project", "update_project", "update_task" }));
        QCOMPARE(field(1, "ID"), QString("ctx-server"));
        QCOMPARE(field(1, "NAME"), QString("@home (demo context)"));
        QCOMPARE(field(2, "ID"), QString("f-server"));
        QCOMPARE(field(3, "ID"), QString("p1"));
    }

    void shouldKeepObjectsButNotABrokenRevision()
    {
        m.setStoredRevision(2);
        m.makeHandler();
        m.reply(m.changes(-5, { SyncReplies::task("t1", Inbox, Seeded) }));

        QVERIFY(m.runSync());
        QVERIFY(!m.fixture().taskRecord("t1").isEmpty());
        QVERIFY(m.logged("ERROR Broken server revision! Value is -5"));
        QCOMPARE(m.storedRevision(), 2);
        QCOMPARE(m.handler()->lastRevision(), 2);
    }

    // On the server's first revision its demo objects are deleted here (and
    // so on the server with the next upload), and its starter tasks are sent
    // back as changes of this device.
    void shouldTurnTheFirstRevisionsDemoObjectsIntoLocalChanges()
    {
        QVariantMap demoFolder = SyncReplies::project("demo-folder", Seeded);
        demoFolder.insert("FOLDER", 1);
        demoFolder.insert("PREDEFINED", "1");
        QVariantMap demoContext = SyncReplies::context("demo-context", Seeded);
        demoContext.insert("PREDEFINED", "302");
        QVariantMap starter = SyncReplies::task("starter", Inbox, Seeded);
        starter.insert("PREDEFINED", "200");
        m.makeHandler();
        m.reply(m.changes(1, { demoFolder, demoContext, starter }));
        for (int revision = 2; revision <= 4; ++revision)
            m.reply(m.accepted(revision));

        QVERIFY(m.runSync());
        QCOMPARE(m.methods(), QStringList({ "get_changes_ex", "update_task", "update_project", "update_context" }));
        QCOMPARE(field(2, "STATE"), QString("1"));
        QCOMPARE(field(3, "STATE"), QString("1"));
        QCOMPARE(m.fixture().stateOf("project", "demo-folder"), 1);
        QCOMPARE(m.fixture().stateOf("context", "demo-context"), 1);
        QCOMPARE(m.fixture().taskRecord("starter").value("SYNCED").toBool(), true);
        QVERIFY(!store()->isInTransaction());
    }

    // A deleted project that still holds a live task (it came from another
    // device after the delete here) comes back instead of being deleted on
    // the server.
    void shouldRestoreADeletedProjectThatStillHoldsTasks()
    {
        QVERIFY(m.fixture().project("p1"));
        QVERIFY(m.fixture().project("p2"));
        DataObject p1 = m.fixture().projectRecord("p1");
        DataObject p2 = m.fixture().projectRecord("p2");
        p1.insert("STATE", 1);
        p2.insert("STATE", 1);
        QVERIFY(store()->updateProjectLocally(p1) && store()->updateProjectLocally(p2) && store()->commitChanges());
        QVERIFY(m.fixture().task("late", "p1"));
        m.makeHandler();
        m.reply(m.changes(5));
        m.reply(m.accepted(6));

        QVERIFY(m.runSync());
        QCOMPARE(m.methods(), QStringList({ "get_changes_ex", "update_project" }));
        QCOMPARE(field(1, "ID"), QString("p2"));
        QVERIFY(m.logged("INFO Project p1 restored with state: 0"));
        const QVariantMap restored = m.fixture().rawRow("project", "p1");
        QCOMPARE(restored.value("state").toInt(), 0);
        QCOMPARE(restored.value("synced").toInt(), 0);
        QCOMPARE(m.fixture().stateOf("project", "p2"), 1);
        QCOMPARE(m.fixture().rawRow("project", "p2").value("synced").toInt(), 1);
    }

    void shouldAnswerAccountRequests_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("succeeded");
        QTest::addColumn<int>("serverError");
        QTest::newRow("sign-in") << "check_login" << SyncReplies::granted() << true << 0;
        QTest::newRow("wrong password") << "check_login" << SyncReplies::refused(201, "Wrong password") << false
                                        << 201;
        QTest::newRow("registration") << "register_user" << SyncReplies::granted() << true << 0;
        QTest::newRow("reset") << "reset_password" << SyncReplies::refused(200, "No user") << false << 200;
        QTest::newRow("password change") << "change_password" << SyncReplies::granted() << true << 0;
    }

    void shouldAnswerAccountRequests()
    {
        QFETCH(QString, request);
        QFETCH(QByteArray, answer);
        QFETCH(bool, succeeded);
        QFETCH(int, serverError);
        m.makeHandler();
        m.reply(answer);
        QSignalSpy errors(m.handler(), &SyncHandler::serverError);
        SyncHandler* handler = m.handler();
        bool result = !succeeded;
        if (request == "check_login")
            result = handler->checkLogin("bob@example.com", "0123abcd");
        else if (request == "register_user")
            result = handler->registerUser("bob@example.com", "0123abcd");
        else if (request == "reset_password")
            result = handler->resetPassword("bob@example.com");
        else
            result = handler->changePassword(SyncFixture::Login, "old secret", "new secret");
        QCOMPARE(result, succeeded);
        QCOMPARE(m.methods(), QStringList { request });
        QCOMPARE(errors.count(), serverError ? 1 : 0);
        if (serverError)
            QCOMPARE(errors.at(0).at(0).toInt(), serverError);
        if (request == "change_password") {
            // Signed with the stored account even before any sync ran.
            const auto fields = SyncReplies::fields(m.requests().at(0));
            QCOMPARE(fields.last(), qMakePair(QString("PASS"), SyncFixture::PasswordHash));
            QCOMPARE(SyncReplies::field(m.requests().at(0), "NEW_PASS"), ApiHandler::md5Hex("new secret"));
        }
    }

    void shouldReportANetworkFailureOfAnAccountRequest()
    {
        m.makeHandler();
        m.server().enqueue(LoopbackHttpServer::Reply::drop());
        QSignalSpy networkErrors(m.handler(), &SyncHandler::networkError);
        QVERIFY(!m.handler()->checkLogin("bob@example.com", "0123abcd"));
        QCOMPARE(networkErrors.count(), 1);
        QVERIFY(m.logged("ERROR Network error: "));
    }

    // An abort ends the run at once; the download that arrives later belongs
    // to no run and changes nothing, not even after a new run began.
    void shouldIgnoreTheDownloadOfAnAbortedRun()
    {
        m.makeHandler();
        m.server().enqueue(LoopbackHttpServer::Reply::xml(m.changes(8, { SyncReplies::task("late", Inbox, Seeded) }))
                               .withDelay(600));
        m.reply(m.changes(3));
        QSignalSpy finished(m.handler(), &SyncHandler::finished);
        QVERIFY(m.handler()->start());
        QVERIFY(m.server().waitForRequests(1));
        m.handler()->abort();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!m.handler()->isActive());

        QVERIFY(m.runSync());
        QTest::qWait(1000);
        QCOMPARE(finished.count(), 2);
        QVERIFY(m.fixture().taskRecord("late").isEmpty());
        QCOMPARE(m.storedRevision(), -1);
    }

    // A restart that cannot start (the user signed out in between) still
    // ends the run, so nobody waits for it for ever.
    void shouldEndARunWhoseRestartCannotStart()
    {
        QVERIFY(m.fixture().task("t1", Inbox));
        changeLocally("t1");
        m.makeHandler();
        m.reply(m.changes(5));
        m.reply(SyncReplies::refused(106, "Object is not changed"));
        connect(m.handler(), &SyncHandler::progressChanged, this, [&](int value) {
            if (value == 92)
                m.signOut();
        });
        QSignalSpy finished(m.handler(), &SyncHandler::finished);
        QVERIFY(m.handler()->start());
        QVERIFY(finished.wait(20000));
        QCOMPARE(m.methods(), QStringList({ "get_changes_ex", "update_task" }));
        QVERIFY(!m.handler()->isActive());
    }

    // A server that answers every upload with a repair it never takes would
    // keep the sync busy for ever.
    void shouldStopRestartingAfterALimit()
    {
        QVERIFY(m.fixture().task("x1", "p0", 0, "c1"));
        m.makeHandler();
        m.server().setDefaultHandler([](const LoopbackHttpServer::Request& request) {
            if (request.path.endsWith("get_changes_ex"))
                return LoopbackHttpServer::Reply::xml(SyncFixture::changes(5));
            return LoopbackHttpServer::Reply::xml(
                SyncReplies::refused(103, "Parent(p0) required for object(x1) doesn't exist"));
        });
        // Each repair is a change here, so the task goes out again in the next run.
        changeLocally("x1");
        QSignalSpy started(m.handler(), &SyncHandler::started);

        QVERIFY(m.runSync());
        QCOMPARE(started.count(), 1 + SyncHandler::MaxRestartsInRow);
        QVERIFY(m.logged("ERROR The sync had to start again"));
        QVERIFY(!m.handler()->isActive());
    }
};

QUORVEL_TEST_MAIN(TestSyncHandler)
#include "tst_synchandler.moc"
