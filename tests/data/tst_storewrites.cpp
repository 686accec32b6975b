#include "data/DatabaseHandler.h"
#include "data/ObjectIdentifier.h"
#include "data/PredefinedDataHelper.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

namespace {

const QString OneStep = PredefinedDataHelper::initialOneStepActionsId();
const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();
const qint64 Earlier = 1700000000; // the seeds' change time

qint64 now()
{
    return QDateTime::currentSecsSinceEpoch();
}

QStringList sortedIds(const QList<DataObject>& records)
{
    QStringList ids;
    for (const DataObject& record : records)
        ids.append(record.value(QStringLiteral("ID")).toString());
    ids.sort();
    return ids;
}

DataObject with(DataObject record, const QString& key, const QVariant& value)
{
    record.insert(key, value);
    return record;
}

} // namespace

class TestStoreWrites : public QObject
{
    Q_OBJECT

private:
    StoreFixture m;

    DatabaseHandler* store() { return m.store(); }
    int taskState(const QString& id) { return m.stateOf(QStringLiteral("task"), id); }
    int projectState(const QString& id) { return m.stateOf(QStringLiteral("project"), id); }
    QString field(const DataObject& record, const char* key)
    {
        return record.value(QLatin1String(key)).toString();
    }

    bool create(const QString& kind, const DataObject& record)
    {
        if (kind == QLatin1String("task"))
            return store()->createTaskLocally(record);
        if (kind == QLatin1String("project"))
            return store()->createProjectLocally(record);
        return store()->createContextLocally(record);
    }

    bool update(const QString& kind, const DataObject& record, bool remote = false)
    {
        if (kind == QLatin1String("task"))
            return remote ? store()->updateTaskRemotely(record) : store()->updateTaskLocally(record);
        if (kind == QLatin1String("project"))
            return remote ? store()->updateProjectRemotely(record) : store()->updateProjectLocally(record);
        return remote ? store()->updateContextRemotely(record) : store()->updateContextLocally(record);
    }

    DataObject read(const QString& kind, const QString& id)
    {
        return kind == QLatin1String("task")   ? m.taskRecord(id)
            : kind == QLatin1String("project") ? m.projectRecord(id)
                                               : m.contextRecord(id);
    }

    static DataObject recordOf(const QString& kind, const QString& name)
    {
        if (kind == QLatin1String("task"))
            return RecordBuilder::task(name, Inbox);
        return kind == QLatin1String("project") ? RecordBuilder::project(name) : RecordBuilder::context(name);
    }

    static void kinds()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : { "task", "project", "context" })
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    // f > g > p (tasks a active, b completed); f > q completed (c active,
    // d completed); f > r in the trash (e deleted); "outside" with task x.
    void seedFolderTree()
    {
        QVERIFY(m.folder("f") && m.folder("g", "f") && m.project("p", "g") && m.task("a", "p")
            && m.task("b", "p", 2));
        QVERIFY(m.project("q", "f", 2) && m.task("c", "q") && m.task("d", "q", 2));
        QVERIFY(m.project("r", "f", 1) && m.task("e", "r", 1));
        QVERIFY(m.project("outside") && m.task("x", "outside"));
    }

    // c1 > c2 (active), c3 (deleted); in c1: tasks t1 active, t2 completed,
    // t3 deleted, projects p1 active (with task t6 without context) and p2
    // completed and deleted; t4 in c2, t5 in c3.
    void seedContextTree()
    {
        QVERIFY(m.context("c1") && m.context("c2", "c1") && m.context("c3", "c1", 1));
        QVERIFY(m.project("p1", "", 0, "c1") && m.project("p2", "", 3, "c1"));
        QVERIFY(m.task("t1", "p1", 0, "c1") && m.task("t2", "p1", 2, "c1") && m.task("t3", "p1", 1, "c1"));
        QVERIFY(m.task("t4", "p1", 0, "c2") && m.task("t5", "p1", 0, "c3") && m.task("t6", "p1"));
    }

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_storewrites")); }

    void init()
    {
        TestSandbox::reset();
        QVERIFY(m.open());
    }

    void cleanup()
    {
        if (store() && store()->isInTransaction())
            store()->rollbackChanges();
        m.close();
    }

    // --- Values inlined into statements ---

    void shouldStoreTextsAsWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophe") << QStringLiteral("it's");
        QTest::newRow("placeholder after apostrophe") << QStringLiteral("it's :ID");
        QTest::newRow("every placeholder") << QStringLiteral(
            ":CONTEXT:DUE :FOLDER :ID :LOCAL :MEMO :NAME :PARENT :PERIOD :START :STATE :SYNCED :TIMESTAMP");
        QTest::newRow("numbered markers") << QStringLiteral("%1 '%2' %3");
        QTest::newRow("statement") << QStringLiteral("'); DROP TABLE task; --");
        QTest::newRow("nul character") << (QStringLiteral("a") + QChar(0) + QStringLiteral("b'c"));
        QTest::newRow("beyond latin, lines") << QStringLiteral("Čaj ☕ 🍵\n\\'\"");
        QTest::newRow("empty") << QString();
    }

    void shouldStoreTextsAsWritten()
    {
        QFETCH(QString, text);
        for (const QString kind : { "task", "project", "context" }) {
            QVERIFY2(create(kind, with(recordOf(kind, text), "MEMO", text + text)), qPrintable(kind));
            const QString id = store()->lastCreatedObjectId();
            QVERIFY(store()->commitChanges());
            DataObject stored = read(kind, id);
            QCOMPARE(stored.value(QStringLiteral("NAME")).toString(), text);
            QCOMPARE(stored.value(QStringLiteral("MEMO")).toString(), text + text);

            // The update binds its values the same way.
            stored.insert(QStringLiteral("MEMO"), text);
            QVERIFY(update(kind, stored));
            QVERIFY(store()->commitChanges());
            QCOMPARE(read(kind, id).value(QStringLiteral("MEMO")).toString(), text);
        }
        QCOMPARE(m.rowCount(QStringLiteral("task")), 1);
    }

    void shouldStoreDatesAsWallClockSeconds_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QDateTime>("readBack");
        QTest::addColumn<bool>("warns");
        const QDateTime moment = wallClock(QDate(2024, 3, 4), QTime(10, 30));
        QTest::newRow("date-time") << QVariant(moment) << moment << false;
        QTest::newRow("invalid date-time") << QVariant(QDateTime()) << QDateTime() << false;
        QTest::newRow("unset value") << QVariant() << QDateTime() << false;
        QTest::newRow("seconds") << QVariant(moment.toSecsSinceEpoch()) << moment << false;
        QTest::newRow("ISO text") << QVariant(QStringLiteral("2024-03-04T10:30:00Z")) << moment << false;
        QTest::newRow("not a date") << QVariant(QStringLiteral("next tuesday' --")) << QDateTime() << true;
    }

    void shouldStoreDatesAsWallClockSeconds()
    {
        QFETCH(QVariant, value);
        QFETCH(QDateTime, readBack);
        QFETCH(bool, warns);
        QVERIFY(store()->createTaskLocally(RecordBuilder::task("t", Inbox).withId("t").set("DUE", value)));
        const QVariantMap row = m.rawRow(QStringLiteral("task"), QStringLiteral("t"));
        QCOMPARE(row.value(QStringLiteral("due")).toString(),
            readBack.isValid() ? QString::number(readBack.toSecsSinceEpoch()) : QString());
        QCOMPARE(m.taskRecord(QStringLiteral("t")).value(QStringLiteral("DUE")).toDateTime(), readBack);
        QCOMPARE(m.logged(QStringLiteral("WARN The DUE of object t is not a date")), warns);
    }

    void shouldStoreLeftOutFieldsAsEmptyRatherThanNull()
    {
        // NULL would never match the "= ''" tests of the daily plan and of
        // the list of tasks without context.
        QVERIFY(store()->createTaskLocally(RecordBuilder::task("bare", Inbox)));
        const DOTask read = m.taskRecord(store()->lastCreatedObjectId());
        QVERIFY(read.contains(QStringLiteral("START"))
            && !read.value(QStringLiteral("START")).toDateTime().isValid());
        const QVariantMap row = m.rawRow(QStringLiteral("task"), field(read, "ID"));
        for (const char* column : { "start", "due", "context", "period", "memo" })
            QVERIFY2(!row.value(column).isNull() && row.value(column).toString().isEmpty(), column);
        QCOMPARE(store()->getNoContextTasks().size(), 1);
    }

    // --- Bookkeeping of creates and updates ---

    void shouldMarkLocalCreatesAsNewHereAndServerOnesAsKnown_data() { kinds(); }

    void shouldMarkLocalCreatesAsNewHereAndServerOnesAsKnown()
    {
        QFETCH(QString, kind);
        const qint64 before = now();
        // A copy of another object keeps none of its bookkeeping.
        DataObject copy = recordOf(kind, QStringLiteral("copy"));
        copy.insert(QStringLiteral("TIMESTAMP"), Earlier);
        copy.insert(QStringLiteral("SYNCED"), true);
        copy.insert(QStringLiteral("LOCAL"), false);
        QVERIFY(create(kind, copy));
        const QString id = store()->lastCreatedObjectId();
        QVERIFY(create(kind, copy));
        QVERIFY(store()->lastCreatedObjectId() != id);
        QVERIFY(store()->isInTransaction());

        QVERIFY2(ObjectIdentifier::looksGenerated(id), qPrintable(id));
        const DataObject stored = read(kind, id);
        QCOMPARE(stored.value(QStringLiteral("SYNCED")).toInt(), 0);
        QCOMPARE(stored.value(QStringLiteral("LOCAL")).toInt(), 1);
        QCOMPARE(stored.value(QStringLiteral("STATE")).toInt(), 0);
        QVERIFY(stored.value(QStringLiteral("TIMESTAMP")).toLongLong() >= before);

        DataObject remote = with(with(recordOf(kind, "remote"), "ID", "server-id"), "SYNC", true);
        remote.insert(QStringLiteral("TIMESTAMP"), Earlier);
        const bool created = kind == QLatin1String("task") ? store()->createTaskRemotely(remote)
            : kind == QLatin1String("project")             ? store()->createProjectRemotely(remote)
                                                           : store()->createContextRemotely(remote);
        QVERIFY(created);
        const DataObject known = read(kind, QStringLiteral("server-id"));
        QCOMPARE(known.value(QStringLiteral("SYNCED")).toInt(), 1);
        QCOMPARE(known.value(QStringLiteral("LOCAL")).toInt(), 0);
        QCOMPARE(known.value(QStringLiteral("TIMESTAMP")).toLongLong(), Earlier);
    }

    void shouldStampLocalAndServerUpdatesApart()
    {
        QVERIFY(m.task("a", Inbox));
        const qint64 before = now();
        DOTask edited = with(m.taskRecord("a"), "NAME", "edited");
        edited.insert(QStringLiteral("LOCAL"), true); // the user cannot make it local again
        QVariantMap written;
        QVERIFY(store()->updateTaskLocally(edited, &written));
        QVERIFY(!store()->isInTransaction()); // a nested write leaves that to the outer one
        DOTask stored = m.taskRecord("a");
        QCOMPARE(stored.value(QStringLiteral("SYNCED")).toInt(), 0);
        QCOMPARE(stored.value(QStringLiteral("LOCAL")).toInt(), 0);
        QVERIFY(stored.value(QStringLiteral("TIMESTAMP")).toLongLong() >= before);
        QCOMPARE(written.value(QStringLiteral("TIMESTAMP")).toLongLong(),
            stored.value(QStringLiteral("TIMESTAMP")).toLongLong());

        QVERIFY(store()->updateTaskRemotely(with(with(stored, "SYNC", true), "TIMESTAMP", Earlier + 60)));
        stored = m.taskRecord("a");
        QCOMPARE(stored.value(QStringLiteral("SYNCED")).toInt(), 1);
        QCOMPARE(stored.value(QStringLiteral("TIMESTAMP")).toLongLong(), Earlier + 60);
    }

    void shouldRecordThatTheServerAcknowledgedALocalObject_data() { kinds(); }

    void shouldRecordThatTheServerAcknowledgedALocalObject()
    {
        QFETCH(QString, kind);
        QVERIFY(create(kind, recordOf(kind, QStringLiteral("new here"))));
        const QString id = store()->lastCreatedObjectId();
        QVERIFY(store()->commitChanges());
        // What the upload writes once the server accepted the object: were
        // LOCAL dropped here, the object would be sent as new for ever.
        DataObject acknowledged = with(with(read(kind, id), "SYNC", true), "SYNCED", true);
        QVERIFY(update(kind, with(acknowledged, "LOCAL", false), true));
        QCOMPARE(read(kind, id).value(QStringLiteral("LOCAL")).toInt(), 0);
        QCOMPARE(read(kind, id).value(QStringLiteral("SYNCED")).toInt(), 1);
    }

    void shouldRefuseIncompleteOrMalformedRecords_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QVariantMap>("record");
        QTest::addColumn<QString>("logLine");

        const DataObject task = RecordBuilder::task("x", Inbox);
        const DataObject stored = RecordBuilder::task("x", "p").withId("a");
        const QString refused = QStringLiteral("WARN Refusing to create the task");
        QTest::newRow("task without name")
            << "create task" << RecordBuilder::task("x", Inbox).without("NAME").build()
            << "WARN Task does not contain NAME or PARENT!";
        QTest::newRow("task with empty parent")
            << "create task" << with(task, "PARENT", "") << "WARN Task does not contain NAME or PARENT!";
        QTest::newRow("project without name")
            << "create project" << RecordBuilder::project("x").without("NAME").build()
            << "WARN Project does not contain the name!";
        QTest::newRow("context without name")
            << "create context" << RecordBuilder::context("x").without("NAME").build()
            << "WARN Context does not contain NAME!";
        QTest::newRow("field name that is SQL")
            << "create task" << with(task, "NAME) VALUES('a','b'); DROP TABLE task; --", 1) << refused;
        QTest::newRow("field in lower case") << "create task" << with(task, "name", "y") << refused;
        QTest::newRow("state that is a word") << "create task" << with(task, "STATE", "done") << refused;
        QTest::newRow("state out of range") << "create task" << with(task, "STATE", 4) << refused;
        QTest::newRow("server time that is no time")
            << "create remote task"
            << with(RecordBuilder::task("x", Inbox).withId("t").fromSync(0), "TIMESTAMP", "yesterday")
            << refused;
        QTest::newRow("server record without identifier")
            << "create remote task" << RecordBuilder::task("x", Inbox).fromSync(Earlier).build()
            << "WARN Refusing to create a task from the server without an ID.";
        QTest::newRow("update without identifier")
            << "update task" << with(stored, "ID", "") << "WARN Task does not contain ID or PARENT!";
        QTest::newRow("update of a project without name")
            << "update project" << RecordBuilder::project("x").withId("p").without("NAME").build()
            << "WARN Project/folder does not contain ID or NAME!";
        QTest::newRow("update of a context without identifier")
            << "update context" << RecordBuilder::context("x").build()
            << "WARN Context does not contain ID or NAME!";
        // Checked before the cascade, which would otherwise carry it into the tasks.
        QTest::newRow("update to a state that is none")
            << "update project" << RecordBuilder::project("x").withId("p").state(9).build()
            << "WARN Refusing to update the project p";
        QTest::newRow("update of an object that is not stored")
            << "update task" << with(stored, "ID", "x' OR '1'='1")
            << "WARN Unable to update the task x' OR '1'='1: there is no such task.";
    }

    void shouldRefuseIncompleteOrMalformedRecords()
    {
        QFETCH(QString, operation);
        QFETCH(QVariantMap, record);
        QFETCH(QString, logLine);
        QVERIFY(m.project("p") && m.task("a", "p"));
        const QStringList before = m.dump();

        bool written = true;
        if (operation == QLatin1String("create remote task"))
            written = store()->createTaskRemotely(record);
        else if (operation.startsWith(QLatin1String("create ")))
            written = create(operation.mid(7), record);
        else
            written = update(operation.mid(7), record);
        QVERIFY(!written);
        QVERIFY2(m.logged(logLine), qPrintable(m.logLines().join('\n')));
        QCOMPARE(m.dump(), before);
        // Refused before writing: no transaction is left behind.
        if (!logLine.startsWith(QLatin1String("WARN Unable to update")))
            QVERIFY(!store()->isInTransaction());
    }

    void shouldLeaveATopLevelWritesTransactionToTheCaller()
    {
        QVERIFY(m.task("kept", Inbox));
        const QStringList before = m.dump();
        // A history copy and the task itself are confirmed or undone together.
        QVERIFY(store()->createTaskLocally(RecordBuilder::task("copy", Inbox)));
        QVERIFY(store()->isInTransaction());
        QVERIFY(store()->updateTaskLocally(with(m.taskRecord("kept"), "STATE", 1)));
        QVERIFY(store()->rollbackChanges());
        QVERIFY(store()->lastCreatedObjectId().isEmpty());
        QCOMPARE(m.dump(), before);

        // Writes from the server are final at once.
        QVERIFY(m.task("remote", Inbox));
        QVERIFY(!store()->isInTransaction());
        QVERIFY(!store()->rollbackChanges());
        QVERIFY(!m.taskRecord("remote").isEmpty());
    }

    // --- Repeated tasks ---

    void shouldMoveACompletedRepeatedTaskToItsNextDates_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("due");
        QTest::addColumn<QDateTime>("nextStart");
        QTest::addColumn<QDateTime>("nextDue");
        QTest::addColumn<int>("state");

        const QTime nine(9, 0);
        const QTime ten(10, 0);
        // 2024-03-04 is a Monday.
        QTest::newRow("every two days")
            << "d;2" << wallClock(QDate(2024, 3, 4), nine) << wallClock(QDate(2024, 3, 4), ten)
            << wallClock(QDate(2024, 3, 6), nine) << wallClock(QDate(2024, 3, 6), ten) << 0;
        QTest::newRow("Monday, Wednesday, Friday from a Friday")
            << "w;1;1,3,5" << wallClock(QDate(2024, 3, 8), nine) << wallClock(QDate(2024, 3, 8), ten)
            << wallClock(QDate(2024, 3, 11), nine) << wallClock(QDate(2024, 3, 11), ten) << 0;
        QTest::newRow("every other Tuesday and Thursday from a Thursday")
            << "w;2;2,4" << QDateTime() << wallClock(QDate(2024, 3, 7), ten) << QDateTime()
            << wallClock(QDate(2024, 3, 19), ten) << 0;
        QTest::newRow("monthly") << "m;1" << QDateTime() << wallClock(QDate(2024, 1, 28), ten) << QDateTime()
                                 << wallClock(QDate(2024, 2, 28), ten) << 0;
        QTest::newRow("no rule: simply completed") << "" << QDateTime() << wallClock(QDate(2024, 3, 4), ten)
                                                   << QDateTime() << wallClock(QDate(2024, 3, 4), ten) << 2;
        // A rule that cannot move the task on must not keep it from being completed.
        QTest::newRow("unusable rule: completed")
            << "d;0" << QDateTime() << wallClock(QDate(2024, 3, 4), ten) << QDateTime()
            << wallClock(QDate(2024, 3, 4), ten) << 2;
        // A due that drifted off the chosen weekdays: the series goes on.
        QTest::newRow("weekday list without the due weekday: next chosen weekday")
            << "w;1;2" << QDateTime() << wallClock(QDate(2024, 3, 4), ten) << QDateTime()
            << wallClock(QDate(2024, 3, 5), ten) << 0;
    }

    void shouldMoveACompletedRepeatedTaskToItsNextDates()
    {
        QFETCH(QString, period);
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, due);
        QFETCH(QDateTime, nextStart);
        QFETCH(QDateTime, nextDue);
        QFETCH(int, state);

        QVERIFY(m.seedTask(RecordBuilder::task("r", Inbox).withId("r").start(start).due(due).period(period)));
        QVERIFY(store()->handleCalendarTaskCreated(QStringLiteral("r")));

        DOTask completed = with(m.taskRecord("r"), "STATE", 2);
        // Display keys of an occurrence never reach the database.
        completed.insert(QStringLiteral("REPEATED"), true);
        completed.insert(QStringLiteral("FAKEDUE"), due);
        QVERIFY(store()->updateTaskLocally(completed));
        QVERIFY(store()->commitChanges());

        const DOTask stored = m.taskRecord("r");
        QCOMPARE(stored.value(QStringLiteral("STATE")).toInt(), state);
        QCOMPARE(stored.value(QStringLiteral("PERIOD")).toString(), period);
        QCOMPARE(stored.value(QStringLiteral("DUE")).toDateTime(), nextDue);
        QCOMPARE(stored.value(QStringLiteral("START")).toDateTime(), nextStart);
        QCOMPARE(m.logged(QStringLiteral("INFO Recurring task completed. Setting up new dates...")),
            !period.isEmpty());
        // An exported task is exported again.
        QCOMPARE(store()->getCalendarTasksToUpdate().size(), 1);
    }

    // --- Cascades ---

    void shouldCarryADeletedFolderDownToEverythingVisibleInIt()
    {
        seedFolderTree();
        const QVariantMap trashedBefore = m.rawRow(QStringLiteral("project"), QStringLiteral("r"));
        const QVariantMap outsideBefore = m.rawRow(QStringLiteral("task"), QStringLiteral("x"));

        QVERIFY(store()->updateProjectLocally(with(m.projectRecord("f"), "STATE", 1)));
        QCOMPARE(QList<int>({ projectState("f"), projectState("g"), projectState("p"), projectState("q") }),
            QList<int>({ 1, 1, 1, 3 }));
        // Deleting deletes; it does not also complete what was still to do.
        QCOMPARE(
            QList<int>({ taskState("a"), taskState("b"), taskState("c"), taskState("d"), taskState("e") }),
            QList<int>({ 1, 3, 1, 3, 1 }));
        QCOMPARE(m.rawRow(QStringLiteral("project"), QStringLiteral("r")), trashedBefore);
        QCOMPARE(m.rawRow(QStringLiteral("task"), QStringLiteral("x")), outsideBefore);
        QCOMPARE(sortedIds(store()->lastUpdatedObjects()),
            QStringList({ "a", "b", "c", "d", "f", "g", "p", "q" }));
        QCOMPARE(
            store()->lastUpdatedObjects().last().value(QStringLiteral("ID")).toString(), QStringLiteral("f"));
    }

    void shouldCompleteEverythingInACompletedFolderAndEndRepetition()
    {
        seedFolderTree();
        const QDateTime due = wallClock(QDate(2024, 3, 4), QTime(10, 0));
        QVERIFY(m.seedTask(RecordBuilder::task("daily", "p").withId("daily").due(due).period("d;1")));
        QVERIFY(store()->updateProjectLocally(with(m.projectRecord("f"), "STATE", 2)));
        QCOMPARE(
            QList<int>({ projectState("p"), taskState("a"), taskState("daily") }), QList<int>({ 2, 2, 2 }));
        QCOMPARE(field(m.taskRecord("daily"), "PERIOD"), QString());
        QCOMPARE(m.taskRecord("daily").value(QStringLiteral("DUE")).toDateTime(), due);
    }

    void shouldMoveKnownTasksOutOfADeletedProjectTheServerNeverSaw()
    {
        QVERIFY(store()->createProjectLocally(RecordBuilder::project("new here").withId("local-p")));
        QVERIFY(store()->createTaskLocally(RecordBuilder::task("new", "local-p").withId("new")));
        QVERIFY(store()->commitChanges());
        QVERIFY(m.task("known", "local-p"));

        QVERIFY(store()->updateProjectLocally(with(m.projectRecord("local-p"), "STATE", 1)));
        QCOMPARE(field(m.taskRecord("known"), "PARENT"), OneStep);
        QCOMPARE(field(m.taskRecord("new"), "PARENT"), QStringLiteral("local-p"));
        QCOMPARE(QList<int>({ taskState("known"), taskState("new") }), QList<int>({ 1, 1 }));
    }

    void shouldTakeADeletedContextOffEverythingAndDeleteItsSubcontexts()
    {
        seedContextTree();
        QList<DataObject> changed;
        QVERIFY(store()->updateContextLocally(with(m.contextRecord("c1"), "STATE", 1), &changed));
        QVERIFY(!store()->isInTransaction());

        // Tasks and projects in the trash lose it too; a sub-context already
        // in the trash is not deleted again.
        for (const char* id : { "t1", "t2", "t3", "t4" })
            QCOMPARE(field(m.taskRecord(id), "CONTEXT"), QString());
        QCOMPARE(field(m.taskRecord("t5"), "CONTEXT"), QStringLiteral("c3"));
        QCOMPARE(
            field(m.projectRecord("p1"), "CONTEXT") + field(m.projectRecord("p2"), "CONTEXT"), QString());
        // Losing its context changes neither an object's state nor a project's tasks.
        QCOMPARE(QList<int>({ taskState("t1"), taskState("t2"), projectState("p1"), taskState("t6") }),
            QList<int>({ 0, 2, 0, 0 }));
        QCOMPARE(
            QList<int>({ m.stateOf("context", "c1"), m.stateOf("context", "c2") }), QList<int>({ 1, 1 }));
        QCOMPARE(sortedIds(changed), QStringList({ "c1", "c2", "p1", "t1", "t2", "t4" }));
    }

    void shouldUndoAFailedCascadeExactly_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("deleting a folder") << QStringLiteral("folder");
        QTest::newRow("completing a project") << QStringLiteral("project");
        QTest::newRow("deleting a context") << QStringLiteral("context");
        QTest::newRow("restoring a folder") << QStringLiteral("restore");
    }

    void shouldUndoAFailedCascadeExactly()
    {
        QFETCH(QString, operation);
        seedFolderTree();
        seedContextTree();
        QVERIFY(m.task("refused", "p", 0, "c1"));
        QVERIFY(m.folder("tf", "", 1, now()) && m.project("tp", "tf", 1, "", now()));
        QVERIFY(m.task("refused2", "tp", 1, "", now()));
        // Rows that cannot be written, as a full disk would refuse them.
        QVERIFY(store()->execute(QStringLiteral("CREATE TRIGGER refuse_in_test BEFORE UPDATE ON task WHEN "
                                                "NEW.id IN ('refused', 'refused2') BEGIN "
                                                "SELECT RAISE(ABORT, 'refused by the test'); END")));
        const QStringList before = m.dump();

        bool result = true;
        if (operation == QLatin1String("folder"))
            result = store()->updateProjectLocally(with(m.projectRecord("f"), "STATE", 1));
        else if (operation == QLatin1String("project"))
            result = store()->updateProjectLocally(with(m.projectRecord("p"), "STATE", 2));
        else if (operation == QLatin1String("context"))
            result = store()->updateContextLocally(with(m.contextRecord("c1"), "STATE", 1));
        else
            result = store()->restoreFolder(m.projectRecord("tf"));
        QVERIFY(!result);
        QVERIFY(m.logged(QStringLiteral("ERROR SQL query error: refused by the test")));
        QVERIFY(m.dump() != before); // the rest was written: the caller decides

        QVERIFY(store()->rollbackChanges());
        QCOMPARE(m.dump(), before);
    }

    void shouldEndACascadeThroughObjectsThatAreEachOthersParent()
    {
        QVERIFY(m.folder("a", "b") && m.folder("b", "a") && m.folder("self", "self"));
        QVERIFY(m.project("p", "b") && m.task("t", "p"));
        QVERIFY(m.context("c", "d") && m.context("d", "c"));

        QVERIFY(store()->updateProjectLocally(with(m.projectRecord("a"), "STATE", 1)));
        QCOMPARE(QList<int>({ projectState("a"), projectState("b"), projectState("p"), taskState("t") }),
            QList<int>({ 1, 1, 1, 1 }));
        QVERIFY(m.logged(QStringLiteral("WARN The folder a is among its own parents")));
        QVERIFY(store()->updateProjectLocally(with(m.projectRecord("self"), "STATE", 1)));
        QVERIFY(store()->updateContextLocally(with(m.contextRecord("c"), "STATE", 1)));
        QCOMPARE(m.stateOf("context", "d"), 1);
    }

    // --- Restores ---

    void shouldRestoreATaskWhereItCanBeSeen_data()
    {
        QTest::addColumn<QString>("parent");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("restoredParent");
        QTest::addColumn<int>("restoredState");
        QTest::newRow("project still there") << "p" << 1 << "p" << 0;
        QTest::newRow("completed, project still there") << "p" << 3 << "p" << 2;
        QTest::newRow("project removed") << "removed" << 1 << OneStep << 0;
        QTest::newRow("project in the trash") << "trashed" << 3 << OneStep << 2;
        QTest::newRow("inbox") << Inbox << 1 << Inbox << 0;
    }

    void shouldRestoreATaskWhereItCanBeSeen()
    {
        QFETCH(QString, parent);
        QFETCH(int, state);
        QFETCH(QString, restoredParent);
        QFETCH(int, restoredState);
        QVERIFY(m.project("p") && m.project("trashed", "", 1) && m.task("t", parent, state));

        QVERIFY(store()->restoreTask(m.taskRecord("t")));
        QVERIFY(store()->isInTransaction());
        QVERIFY(store()->commitChanges());
        QCOMPARE(field(m.taskRecord("t"), "PARENT"), restoredParent);
        QCOMPARE(taskState("t"), restoredState);
    }

    void shouldRestoreAProjectWithItsTasks()
    {
        QVERIFY(m.project("p", "removed-folder", 1) && m.task("a", "p", 1) && m.task("b", "p", 3));
        QVERIFY(m.task("other", "elsewhere", 1));
        QVERIFY(store()->restoreProject(m.projectRecord("p")));
        QVERIFY(store()->commitChanges());
        QCOMPARE(field(m.projectRecord("p"), "PARENT"), QString());
        QCOMPARE(QList<int>({ projectState("p"), taskState("a"), taskState("b"), taskState("other") }),
            QList<int>({ 0, 0, 2, 1 }));
    }

    void shouldRestoreAFolderWithWhatWasDeletedInItLately()
    {
        const qint64 lately = now() - 3600;
        QVERIFY(m.folder("f", "removed", 1, lately) && m.folder("g", "f", 1, lately));
        QVERIFY(m.project("p", "g", 1, "", lately) && m.task("t", "p", 1, "", lately));
        QVERIFY(m.project("q", "f", 3, "", lately));
        QVERIFY(m.project("old", "f", 1, "", now() - 30 * 24 * 3600));

        QVERIFY(store()->restoreFolder(m.projectRecord("f")));
        QVERIFY(store()->commitChanges());
        QCOMPARE(field(m.projectRecord("f"), "PARENT"), QString());
        QCOMPARE(QList<int>({ projectState("f"), projectState("g"), projectState("p"), taskState("t"),
                     projectState("q"), projectState("old") }),
            QList<int>({ 0, 0, 0, 0, 2, 1 }));
    }

    void shouldRestoreAContextWithItsSubcontexts()
    {
        QVERIFY(m.context("c", "trashed", 1, now()) && m.context("trashed", "", 1, now()));
        QVERIFY(m.context("d", "c", 1, now()));
        QVERIFY(store()->restoreContext(m.contextRecord("c")));
        QVERIFY(store()->commitChanges());
        QCOMPARE(field(m.contextRecord("c"), "PARENT"), QString());
        QCOMPARE(field(m.contextRecord("d"), "PARENT"), QStringLiteral("c"));
        QCOMPARE(QList<int>({ m.stateOf("context", "c"), m.stateOf("context", "d"),
                     m.stateOf("context", "trashed") }),
            QList<int>({ 0, 0, 1 }));
    }

    // --- Updates from the server ---

    void shouldReactivateTheContainersOfAnObjectTheServerReportsActive()
    {
        QVERIFY(m.folder("top", "loop", 1) && m.folder("loop", "top") && m.folder("f", "top", 1));
        QVERIFY(m.project("p", "f", 3) && m.task("t", "p", 1));
        QVERIFY(m.context("c", "", 1) && m.context("d", "c", 1));

        QVERIFY(store()->updateTaskRemotely(
            RecordBuilder::task("t", "p").withId("t").state(0).fromSync(Earlier + 5)));
        for (const char* id : { "p", "f", "top" }) {
            QCOMPARE(projectState(id), 0);
            // Only the state: the server sends these objects itself.
            QCOMPARE(m.projectRecord(id).value(QStringLiteral("TIMESTAMP")).toLongLong(), Earlier);
        }
        QVERIFY(m.logged(QStringLiteral("INFO Trying to restore parent's state...")));

        QVERIFY(
            store()->updateContextRemotely(RecordBuilder::context("d", "c").withId("d").fromSync(Earlier)));
        QCOMPARE(m.stateOf("context", "c"), 0);
        QVERIFY(m.logged(QStringLiteral("INFO Trying to restore context's state...")));
    }

    // --- Identifier replacement ---

    void shouldAdoptTheServersIdentifiers()
    {
        QVERIFY(m.task("in", Inbox) && m.task("out", "p"));
        QVERIFY(store()->updateTaskParents(Inbox, QStringLiteral("server-inbox")));
        QCOMPARE(field(m.taskRecord("in"), "PARENT"), QStringLiteral("server-inbox"));
        QVERIFY(m.taskRecord("in").value(QStringLiteral("TIMESTAMP")).toLongLong() > Earlier);
        QCOMPARE(m.taskRecord("out").value(QStringLiteral("TIMESTAMP")).toLongLong(), Earlier);
        QVERIFY(m.logged(QStringLiteral("INFO Updating task parents... Old ID: ") + Inbox
            + QStringLiteral("   New ID: server-inbox")));

        QVERIFY(store()->createProjectLocally(RecordBuilder::folder("Work").withId("local-work")));
        QVERIFY(store()->commitChanges());
        QVERIFY(m.project("p", "local-work"));
        QVERIFY(store()->updatePredefinedFolder(QStringLiteral("local-work"), QStringLiteral("server-work")));
        QVERIFY(m.projectRecord("local-work").isEmpty());
        QCOMPARE(m.projectRecord("server-work").value(QStringLiteral("LOCAL")).toInt(), 0);
        QCOMPARE(m.projectRecord("server-work").value(QStringLiteral("SYNCED")).toInt(), 1);
        QCOMPARE(field(m.projectRecord("p"), "PARENT"), QStringLiteral("server-work"));
        QCOMPARE(m.projectRecord("p").value(QStringLiteral("SYNCED")).toInt(), 0);
    }

    void shouldAdoptTheServersIdentifierOfAPredefinedContext_data()
    {
        QTest::addColumn<bool>("isDeleted");
        QTest::addColumn<QString>("reference");
        QTest::newRow("the server's context is there") << false << QStringLiteral("server-home");
        QTest::newRow("the server's context is gone") << true << QString();
    }

    void shouldAdoptTheServersIdentifierOfAPredefinedContext()
    {
        QFETCH(bool, isDeleted);
        QFETCH(QString, reference);
        QVERIFY(m.context("home") && m.context("kitchen", "home"));
        QVERIFY(m.task("t", Inbox, 0, "home") && m.project("p", "", 0, "home"));
        QVERIFY(store()->updatePredefinedContext(
            QStringLiteral("home"), QStringLiteral("server-home"), isDeleted));
        QVERIFY(!m.contextRecord("server-home").isEmpty());
        QCOMPARE(field(m.contextRecord("kitchen"), "PARENT"), QStringLiteral("server-home"));
        QCOMPARE(field(m.taskRecord("t"), "CONTEXT"), reference);
        QCOMPARE(field(m.projectRecord("p"), "CONTEXT"), reference);
    }

    void shouldRefuseToReplaceAnEmptyIdentifier_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("oldId");
        QTest::addColumn<QString>("newId");
        for (const char* operation : { "parents", "folder", "context" }) {
            QTest::addRow("%s, empty old", operation) << operation << ""
                                                      << "new";
            QTest::addRow("%s, empty new", operation) << operation << "old"
                                                      << "";
        }
    }

    void shouldRefuseToReplaceAnEmptyIdentifier()
    {
        QFETCH(QString, operation);
        QFETCH(QString, oldId);
        QFETCH(QString, newId);
        // Roots have an empty parent: an empty old identifier would claim them all.
        QVERIFY(m.project("root") && m.task("t", "old", 0, "old"));
        const QStringList before = m.dump();
        bool result = true;
        if (operation == QLatin1String("parents"))
            result = store()->updateTaskParents(oldId, newId);
        else if (operation == QLatin1String("folder"))
            result = store()->updatePredefinedFolder(oldId, newId);
        else
            result = store()->updatePredefinedContext(oldId, newId, false);
        QVERIFY(!result);
        QCOMPARE(m.dump(), before);
    }

    // --- Hostile identifiers in every kind of operation ---

    void shouldKeepHostileIdentifiersInert_data()
    {
        QTest::addColumn<QString>("hostile");
        QTest::newRow("always true") << QStringLiteral("x' OR '1'='1");
        QTest::newRow("drop table") << QStringLiteral("'); DROP TABLE task; --");
        QTest::newRow("sub-select") << QStringLiteral("a'||(SELECT group_concat(id) FROM task)||'");
        QTest::newRow("placeholder") << QStringLiteral(":ID");
        QTest::newRow("numbered marker") << QStringLiteral("%2' --");
        QTest::newRow("nul character") << (QStringLiteral("x") + QChar(0) + QStringLiteral("' OR 1=1 --"));
    }

    void shouldKeepHostileIdentifiersInert()
    {
        QFETCH(QString, hostile);
        QVERIFY(m.project("by") && m.task("by-t", "by", 0, "by-c") && m.context("by-c"));
        const QList<QVariantMap> bystanders
            = { m.rawRow("task", "by-t"), m.rawRow("project", "by"), m.rawRow("context", "by-c") };

        // Writes
        QVERIFY(store()->createProjectLocally(RecordBuilder::project(hostile).withId(hostile)));
        QVERIFY(store()->createTaskLocally(
            RecordBuilder::task(hostile, hostile).withId(hostile).inContext(hostile)));
        QVERIFY(store()->createContextLocally(RecordBuilder::context(hostile).withId(hostile)));
        QVERIFY(store()->commitChanges());
        QCOMPARE(store()->lastCreatedObjectId(), hostile);

        // Reads
        QCOMPARE(field(m.taskRecord(hostile), "ID"), hostile);
        QCOMPARE(store()->getProjectTasks(hostile).size(), 1);
        QCOMPARE(store()->getTasksByIds({ hostile }).size(), 1);
        QCOMPARE(store()->getContextTasks(hostile).size(), 1);
        QCOMPARE(store()->getProjectNameChain(hostile), QStringList { hostile });
        QCOMPARE(store()->getProjectTaskCount(hostile), 1);

        // Cascades
        QVERIFY(store()->updateProjectLocally(with(m.projectRecord(hostile), "STATE", 1)));
        QVERIFY(store()->updateContextLocally(with(m.contextRecord(hostile), "STATE", 1)));
        QVERIFY(store()->commitChanges());
        QCOMPARE(taskState(hostile), 1);
        QCOMPARE(field(m.taskRecord(hostile), "CONTEXT"), QString());

        // Restores
        QVERIFY(store()->restoreProject(m.projectRecord(hostile)));
        QVERIFY(store()->restoreContext(m.contextRecord(hostile)));
        QVERIFY(store()->commitChanges());
        QCOMPARE(QList<int>({ projectState(hostile), taskState(hostile) }), QList<int>({ 0, 0 }));
        QCOMPARE(field(m.taskRecord(hostile), "PARENT"), hostile);

        // Identifier replacement
        const QString renamed = hostile + QStringLiteral("'2");
        QVERIFY(store()->updatePredefinedFolder(hostile, renamed));
        QVERIFY(store()->updateTaskParents(hostile, renamed));
        QVERIFY(store()->updatePredefinedContext(hostile, renamed, false));
        QCOMPARE(field(m.taskRecord(hostile), "PARENT"), renamed);
        QVERIFY(!m.projectRecord(renamed).isEmpty() && !m.contextRecord(renamed).isEmpty());

        // Calendar bookkeeping
        QVERIFY(store()->handleCalendarTaskCreated(hostile));
        QVERIFY(store()->handleCalendarTaskUpdated(hostile));
        QCOMPARE(store()->getCalendarTaskIds(), QStringList { hostile });

        QCOMPARE(QList<QVariantMap>(
                     { m.rawRow("task", "by-t"), m.rawRow("project", "by"), m.rawRow("context", "by-c") }),
            bystanders);
        QCOMPARE(m.rowCount(QStringLiteral("task")) + m.rowCount(QStringLiteral("project"))
                + m.rowCount(QStringLiteral("context")),
            6);
    }
};

QUORVEL_TEST_MAIN(TestStoreWrites)
#include "tst_storewrites.moc"
