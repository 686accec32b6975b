#include "data/DatabaseHandler.h"
#include "data/PredefinedDataHelper.h"
#include "data/SqlStatement.h"
#include "data/TreeHierarchy.h"
#include "shell/Settings.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QThread>

#include <cmath>
#include <tuple>

namespace {

const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();
const qint64 Day = 24 * 3600;

qint64 now()
{
    return QDateTime::currentSecsSinceEpoch();
}

QStringList idsOf(const QList<DataObject>& records)
{
    QStringList ids;
    for (const DataObject& record : records)
        ids.append(record.value(QStringLiteral("ID")).toString());
    return ids;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// Calls a store operation by name with the type names of its signature, as
// the data manager does. The record list types are one type under several
// names, so one list receives any of them.
QList<DataObject> callList(QObject* store, const QByteArray& name, const QString& argument, bool* invoked)
{
    const QMetaObject* meta = store->metaObject();
    const bool withArgument = meta->indexOfMethod(name + "(QString)") >= 0;
    const QMetaMethod method = meta->method(meta->indexOfMethod(name + (withArgument ? "(QString)" : "()")));
    QList<DataObject> result;
    const QGenericReturnArgument target(method.typeName(), &result);
    *invoked = withArgument ? method.invoke(store, target, Q_ARG(QString, argument))
                            : method.invoke(store, target);
    return result;
}

bool callCheck(QObject* store, const QByteArray& name, const DataObject& object)
{
    const QMetaObject* meta = store->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() != name || method.parameterCount() != 1)
            continue;
        bool answer = false;
        const QByteArray type = method.parameterTypes().at(0);
        if (!method.invoke(store, Q_RETURN_ARG(bool, answer), QGenericArgument(type.constData(), &object)))
            qWarning("Unable to call %s(%s)", name.constData(), type.constData());
        return answer;
    }
    qWarning("No method %s", name.constData());
    return false;
}

} // namespace

class TestStoreReads : public QObject
{
    Q_OBJECT

private:
    StoreFixture m;

    DatabaseHandler* store() { return m.store(); }

    // f > g (active), h (deleted), p (in context k; tasks a active, b
    // completed, c deleted, d completed and deleted, and without context n
    // active, n2 completed); q completed and r deleted at the root, both in
    // k, q holding task e in k1; k > k1 (active), k2 (deleted); the inbox
    // holds the repeated tasks r1 ("w;1"), r2 ("d;1") and r3 (completed).
    void seedLists()
    {
        QVERIFY(m.folder("f") && m.folder("g", "f") && m.folder("h", "f", 1));
        QVERIFY(m.project("p", "f", 0, "k") && m.project("q", "", 2, "k") && m.project("r", "", 1, "k"));
        QVERIFY(m.context("k") && m.context("k1", "k") && m.context("k2", "k", 1));
        QVERIFY(m.task("a", "p", 0, "k") && m.task("b", "p", 2, "k") && m.task("c", "p", 1, "k"));
        QVERIFY(m.task("d", "p", 3) && m.task("n", "p") && m.task("n2", "p", 2) && m.task("e", "q", 0, "k1"));
        const QDateTime due = wallClock(QDate(2024, 3, 4), QTime(10, 0));
        const QList<QPair<QString, QString>> repeated = { { "r1", "w;1" }, { "r2", "d;1" }, { "r3", "d;2" } };
        for (const auto& [id, period] : repeated) {
            QVERIFY(m.seedTask(RecordBuilder::task(id, Inbox).withId(id).due(due).period(period).state(
                id == QLatin1String("r3") ? 2 : 0)));
        }
    }

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_storereads")); }

    void init()
    {
        TestSandbox::reset();
        QVERIFY(m.open());
    }

    void cleanup() { m.close(); }

    void shouldInlineValuesAsLiterals_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("literal");
        QTest::newRow("true") << QVariant(true) << "1";
        QTest::newRow("negative long long") << QVariant(qint64(-7)) << "-7";
        QTest::newRow("unsigned") << QVariant(4000000000u) << "4000000000";
        QTest::newRow("double") << QVariant(2.5) << "2.5";
        QTest::newRow("not a number") << QVariant(std::nan("")) << "'nan'";
        QTest::newRow("text") << QVariant(QStringLiteral("it's")) << "'it''s'";
        QTest::newRow("unset") << QVariant() << "''";
        QTest::newRow("bytes are text, never bare SQL")
            << QVariant(QByteArray("1; DROP TABLE task")) << "'1; DROP TABLE task'";
        QTest::newRow("nul character")
            << QVariant(QStringLiteral("a") + QChar(0) + QStringLiteral("b")) << "'a'||char(0)||'b'";
    }

    void shouldInlineValuesAsLiterals()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, literal);
        QCOMPARE(SqlStatement::literal(value), literal);
        QVERIFY(store()->single(QStringLiteral("SELECT ") + literal + QStringLiteral(" AS v")).contains("V"));
    }

    void shouldReadObjectsWithTheirKindsColumns()
    {
        seedLists();
        QCOMPARE(sorted(m.taskRecord("a").keys()),
            QStringList({ "CONTEXT", "DUE", "ID", "LOCAL", "MEMO", "NAME", "PARENT", "PERIOD", "START",
                "STATE", "SYNCED", "TIMESTAMP" }));
        QCOMPARE(sorted(m.projectRecord("p").keys()),
            QStringList({ "CONTEXT", "DUE", "FOLDER", "ID", "LOCAL", "MEMO", "NAME", "PARENT", "START",
                "STATE", "SYNCED", "TIMESTAMP" }));
        QCOMPARE(sorted(m.contextRecord("k").keys()),
            QStringList({ "ID", "LOCAL", "MEMO", "NAME", "PARENT", "STATE", "SYNCED", "TIMESTAMP" }));

        QVERIFY(m.taskRecord("missing").isEmpty());
        QVERIFY(m.taskRecord("x' OR '1'='1").isEmpty());
        QVERIFY(m.projectRecord("' OR id <> '").isEmpty());
        QCOMPARE(sorted(idsOf(store()->getTasksByIds({ "a", "missing", "b", "a') OR ('1'='1" }))),
            QStringList({ "a", "b" }));
        QVERIFY(store()->getTasksByIds({}).isEmpty());
        QVERIFY(m.logLines().filter(QStringLiteral("ERROR")).isEmpty());
    }

    void shouldListTheVisibleObjectsOfAList_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<bool>("ordered");
        QTest::newRow("project tasks") << "getProjectTasks" << QStringList { "a", "b", "n", "n2" } << false;
        QTest::newRow("context tasks") << "getContextTasks" << QStringList { "a", "b" } << false;
        QTest::newRow("tasks without context")
            << "getNoContextTasks" << QStringList { "n", "r1", "r2" } << false;
        QTest::newRow("active repeated tasks, by rule")
            << "getActiveRepeatedTasks" << QStringList { "r2", "r1" } << true;
        QTest::newRow("context projects") << "getContextProjects" << QStringList { "p", "q" } << false;
        QTest::newRow("active projects") << "getAllActiveProjects" << QStringList { "p" } << false;
        QTest::newRow("folders") << "getAllFolders" << QStringList { "f", "g" } << false;
        QTest::newRow("contexts") << "getAllContexts" << QStringList { "k", "k1" } << false;
        QTest::newRow("nested objects") << "getNestedObjects" << QStringList { "g", "p" } << false;
        QTest::newRow("nested contexts") << "getNestedContexts" << QStringList { "k1" } << false;
        QTest::newRow("context children: contexts, projects, tasks")
            << "getContextChildren" << QStringList { "k1", "p", "q", "a", "b" } << true;
        QTest::newRow("all objects") << "getAllObjects"
                                     << QStringList { "a", "b", "n", "n2", "e", "r1", "r2", "r3", "f", "g",
                                            "p", "q", "k", "k1" }
                                     << false;
    }

    void shouldListTheVisibleObjectsOfAList()
    {
        QFETCH(QString, operation);
        QFETCH(QStringList, ids);
        QFETCH(bool, ordered);
        seedLists();
        const QString argument = operation.contains(QLatin1String("Context")) ? QStringLiteral("k")
            : operation == QLatin1String("getNestedObjects")                  ? QStringLiteral("f")
                                                                              : QStringLiteral("p");
        bool invoked = false;
        const QList<DataObject> result = callList(store(), operation.toLatin1(), argument, &invoked);
        QVERIFY(invoked);
        QCOMPARE(ordered ? idsOf(result) : sorted(idsOf(result)), ordered ? ids : sorted(ids));
    }

    void shouldAnswerCallsFromAnotherThreadByName()
    {
        seedLists();
        QThread worker;
        store()->moveToThread(&worker);
        worker.start();
        QList<DOTask> tasks;
        TreeHierarchy tree;
        int count = -1;
        bool updated = false;
        QVERIFY(QMetaObject::invokeMethod(store(), "getProjectTasks", Qt::BlockingQueuedConnection,
            Q_RETURN_ARG(QList<DOTask>, tasks), Q_ARG(const QString&, QStringLiteral("p"))));
        QVERIFY(QMetaObject::invokeMethod(
            store(), "getProjectTree", Qt::BlockingQueuedConnection, Q_RETURN_ARG(TreeHierarchy, tree)));
        QVERIFY(QMetaObject::invokeMethod(store(), "getNestedFolderCount", Qt::BlockingQueuedConnection,
            Q_RETURN_ARG(int, count), Q_ARG(const QString&, QStringLiteral("f")), Q_ARG(bool, false)));
        QVERIFY(QMetaObject::invokeMethod(store(), "updateTaskLocally", Qt::BlockingQueuedConnection,
            Q_RETURN_ARG(bool, updated), Q_ARG(const DOTask&, tasks.value(0))));
        QVERIFY(QMetaObject::invokeMethod(store(), "rollbackChanges", Qt::BlockingQueuedConnection));
        QMetaObject::invokeMethod(
            store(), [this] { store()->moveToThread(QCoreApplication::instance()->thread()); },
            Qt::BlockingQueuedConnection);
        worker.quit();
        worker.wait();
        QCOMPARE(tasks.size(), 4);
        QCOMPARE(tree.rootIds(), QStringList { "f" });
        QCOMPARE(count, 1);
        QVERIFY(updated);
    }

    // --- Trees ---

    void shouldBuildTheTrees()
    {
        seedLists();
        // A folder the server never sent: its project shows as a root.
        QVERIFY(m.project("orphan", "never-synced") && m.project("deep", "g"));
        const TreeHierarchy tree = store()->getProjectTree();
        // Only active objects: the completed root project q is left out.
        QCOMPARE(sorted(tree.rootIds()), QStringList({ "f", "orphan" }));
        QCOMPARE(sorted(idsOf(tree.children(QStringLiteral("f")))), QStringList({ "g", "p" }));
        QCOMPARE(idsOf(tree.children(QStringLiteral("g"))), QStringList { "deep" });
        QCOMPARE(tree.node(QStringLiteral("deep")).value(QStringLiteral("LEVEL")).toInt(), 2);
        QCOMPARE(tree.node(QStringLiteral("f")).value(QStringLiteral("CHILDREN")).toList().size(), 2);
        QCOMPARE(tree.size(), 5);
        QCOMPARE(sorted(idsOf(store()->getRootProjects())), QStringList({ "f", "orphan", "q" }));
        QCOMPARE(store()->getProjectNameChain(QStringLiteral("deep")), QStringList({ "f", "g", "deep" }));

        QVERIFY(m.context("k11", "k1"));
        const TreeHierarchy contexts = store()->getContextTree();
        QCOMPARE(contexts.rootIds(), QStringList { "k" });
        QCOMPARE(idsOf(contexts.children(QStringLiteral("k1"))), QStringList { "k11" });
        QCOMPARE(idsOf(store()->getRootContexts()), QStringList { "k" });
        QCOMPARE(store()->getContextNameChain(QStringLiteral("k11")), QStringList({ "k", "k1", "k11" }));
    }

    void shouldReadTreesWhoseParentsFormACycle()
    {
        // Two devices each moved one folder into the other.
        QVERIFY(m.folder("x", "y") && m.folder("y", "x") && m.project("fine") && m.context("self", "self"));
        QCOMPARE(store()->getProjectTree().rootIds(), QStringList { "fine" });
        QCOMPARE(store()->getProjectNameChain(QStringLiteral("x")), QStringList({ "y", "x" }));
        QCOMPARE(store()->getContextNameChain(QStringLiteral("self")), QStringList { "self" });
        QCOMPARE(store()->getSubprojectsRecursive(QStringLiteral("x")).size(), 3);
        QCOMPARE(store()->getNestedFolderCount(QStringLiteral("x")), 2);
        QVERIFY(store()->getContextTree().rootIds().isEmpty());
    }

    // --- The trash ---

    void shouldListTheTrashWithinItsWindow_data()
    {
        QTest::addColumn<qint64>("cleanedAgo");
        QTest::addColumn<qint64>("deletedAgo");
        QTest::addColumn<bool>("listed");
        QTest::newRow("deleted an hour ago, never emptied") << qint64(0) << qint64(3600) << true;
        QTest::newRow("deleted 13 days ago, never emptied") << qint64(0) << 13 * Day << true;
        QTest::newRow("deleted 15 days ago, never emptied") << qint64(0) << 15 * Day << false;
        QTest::newRow("deleted after the trash was emptied") << 2 * Day << Day << true;
        QTest::newRow("deleted before the trash was emptied") << 2 * Day << 3 * Day << false;
    }

    void shouldListTheTrashWithinItsWindow()
    {
        QFETCH(qint64, cleanedAgo);
        QFETCH(qint64, deletedAgo);
        QFETCH(bool, listed);
        if (cleanedAgo)
            m.settings()->setTrashCleanupTimestamp(uint(now() - cleanedAgo));
        const qint64 at = now() - deletedAgo;
        QVERIFY(m.folder("f", "", 1, at) && m.folder("g", "f", 1, at) && m.project("p", "f", 3, "", at));
        QVERIFY(m.task("t", "p", 1, "", at) && m.context("c", "", 1, at) && m.context("d", "c", 1, at));
        const int n = listed ? 1 : 0;

        QCOMPARE(QList<int>({ store()->getDeletedTasks().size(), store()->getDeletedProjects().size(),
                     store()->getDeletedFolders().size(), store()->getDeletedContexts().size() }),
            QList<int>({ n, n, 2 * n, 2 * n }));
        QCOMPARE(QList<bool>({ store()->hasDeletedTasks(), store()->hasDeletedProjects(),
                     store()->hasDeletedFolders(), store()->hasDeletedContexts() }),
            QList<bool>({ listed, listed, listed, listed }));
        QCOMPARE(QList<int>({ store()->getDeletedSubfolders("f").size(),
                     store()->getDeletedSubprojects("f").size(), store()->getDeletedSubcontexts("c").size(),
                     store()->getNestedFolderCount("f", true), store()->getNestedContextCount("c", true) }),
            QList<int>({ n, n, n, n, n }));
        // A deleted project's own tasks come back with it whenever they were deleted.
        QCOMPARE(store()->getDeletedProjectTasks(QStringLiteral("p")).size(), 1);
    }

    // --- Counts and checks ---

    void shouldCountTasksOfAProject_data()
    {
        QTest::addColumn<QString>("projectId");
        QTest::addColumn<int>("count");
        QTest::newRow("inbox: active only") << Inbox << 2;
        QTest::newRow("active project: active only") << "p" << 1;
        QTest::newRow("deleted project: all of its tasks") << "gone" << 3;
        QTest::newRow("completed project: active only") << "done" << 0;
        QTest::newRow("missing project") << "missing" << 0;
        QTest::newRow("hostile identifier") << "p' OR '1'='1" << 0;
    }

    void shouldCountTasksOfAProject()
    {
        QFETCH(QString, projectId);
        QFETCH(int, count);
        QVERIFY(m.project("p") && m.project("gone", "", 1) && m.project("done", "", 2));
        for (const QString& parent :
            { Inbox, QStringLiteral("p"), QStringLiteral("gone"), QStringLiteral("done") }) {
            QVERIFY(m.task(parent + "-1", parent, parent == QLatin1String("done") ? 2 : 0));
            QVERIFY(m.task(parent + "-2", parent, 2) && m.task(parent + "-3", parent, 1));
        }
        QVERIFY(m.task("inbox-4", Inbox));
        QCOMPARE(store()->getProjectTaskCount(projectId), count);
    }

    void shouldCountWhatAContextHolds()
    {
        seedLists();
        QVERIFY(m.project("s", "", 0, "k1"));
        QCOMPARE(
            QList<int>({ store()->getContextTaskCount("k"), store()->getContextProjectCount("k"),
                store()->getContextTaskCountRecursive("k"), store()->getContextProjectCountRecursive("k"),
                store()->getNestedContextCount("k"), store()->getNestedFolderCount("f"),
                store()->getNestedProjectCount("f"), store()->getNestedProjectCount("f' OR '1'='1") }),
            QList<int>({ 1, 1, 2, 2, 1, 1, 1, 0 }));
    }

    void shouldCheckWhatAContainerStillHolds_data()
    {
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("result");
        QTest::newRow("project with visible tasks") << "projectHasTasks"
                                                    << "p" << true;
        QTest::newRow("project with only deleted tasks") << "projectHasTasks"
                                                         << "gone" << false;
        QTest::newRow("project with active tasks") << "projectHasActiveTasks"
                                                   << "p" << true;
        QTest::newRow("project with only completed tasks") << "projectHasActiveTasks"
                                                           << "done" << false;
        QTest::newRow("folder with a project") << "folderHasActiveObjects"
                                               << "f" << true;
        QTest::newRow("folder with only deleted things") << "folderHasActiveObjects"
                                                         << "h" << false;
        QTest::newRow("context with tasks and projects") << "contextHasActiveObjects"
                                                         << "k" << true;
        QTest::newRow("context with only a task") << "contextHasActiveObjects"
                                                  << "k1" << true;
        QTest::newRow("context with nothing") << "contextHasActiveObjects"
                                              << "k2" << false;
        QTest::newRow("hostile identifier") << "projectHasTasks"
                                            << "x' OR '1'='1" << false;
    }

    void shouldCheckWhatAContainerStillHolds()
    {
        QFETCH(QString, check);
        QFETCH(QString, id);
        QFETCH(bool, result);
        seedLists();
        QVERIFY(m.project("gone") && m.project("done") && m.project("trashed", "h", 1));
        QVERIFY(m.task("gd", "gone", 1) && m.task("dc", "done", 2));
        QCOMPARE(callCheck(store(), check.toLatin1(), RecordBuilder::project("any").withId(id)), result);
    }

    // --- What synchronisation sends ---

    void shouldSelectWhatSynchronisationMustSend()
    {
        // id: local, synced, state
        const QList<std::tuple<QString, bool, bool, int>> seeds = { { "new", true, false, 0 },
            { "changed", false, false, 0 }, { "same", false, true, 0 }, { "deleted", false, false, 1 },
            { "completed", false, false, 2 }, { "both", false, false, 3 },
            { "new-completed", true, false, 2 }, { "new-deleted", true, false, 1 } };
        for (const auto& [id, local, synced, state] : seeds) {
            QVERIFY(m.task(id, Inbox) && m.project(id));
            for (const char* table : { "task", "project" })
                QVERIFY(store()->execute(SqlStatement(
                    QStringLiteral("UPDATE %1 SET local = %3, synced = %4, state = %5 WHERE id = '%2'"))
                                             .argSql(QLatin1String(table))
                                             .arg(id)
                                             .arg(local)
                                             .arg(synced)
                                             .arg(state)));
        }
        QCOMPARE(sorted(idsOf(store()->getTasksToUpdate())), QStringList({ "changed", "new" }));
        // Created and deleted here before any sync: nothing to tell the server.
        QCOMPARE(sorted(idsOf(store()->getTasksToDeleteOrComplete())),
            QStringList({ "both", "completed", "deleted", "new-completed" }));
        QCOMPARE(sorted(idsOf(store()->getProjectsToUpdate())),
            QStringList({ "changed", "new", "new-completed" }));
        QCOMPARE(sorted(idsOf(store()->getProjectsToDeleteOrComplete())),
            QStringList({ "both", "completed", "deleted" }));

        // Parents go first when sent, last when deleted.
        QVERIFY(m.folder("top") && m.folder("mid", "top") && m.folder("low", "mid"));
        QVERIFY(m.context("ctop") && m.context("clow", "ctop"));
        QVERIFY(store()->execute(QStringLiteral("UPDATE project SET synced = 0 WHERE folder = 1")));
        QVERIFY(store()->execute(QStringLiteral("UPDATE context SET synced = 0")));
        QCOMPARE(idsOf(store()->getFoldersToUpdate()), QStringList({ "top", "mid", "low" }));
        QCOMPARE(idsOf(store()->getContextsToUpdate()), QStringList({ "ctop", "clow" }));
        QVERIFY(store()->execute(QStringLiteral("UPDATE project SET state = 1 WHERE folder = 1")));
        QVERIFY(store()->execute(QStringLiteral("UPDATE context SET state = 1")));
        QCOMPARE(idsOf(store()->getFoldersToDelete()), QStringList({ "low", "mid", "top" }));
        QCOMPARE(idsOf(store()->getContextsToDelete()), QStringList({ "clow", "ctop" }));
    }

    void shouldKeepTheCalendarExportBookkeeping()
    {
        QVERIFY(m.task("new", Inbox) && m.task("exported", Inbox) && m.task("removed", Inbox));
        QVERIFY(store()->handleCalendarTaskCreated(QStringLiteral("exported")));
        QVERIFY(store()->handleCalendarTaskCreated(QStringLiteral("removed")));
        QCOMPARE(idsOf(store()->getCalendarTasksToCreate()), QStringList { "new" });
        QVERIFY(store()->getCalendarTasksToUpdate().isEmpty());

        // A change of an exported task asks for the export again.
        QVariantMap written;
        DOTask exported = m.taskRecord("exported");
        exported.insert(QStringLiteral("NAME"), QStringLiteral("changed"));
        DOTask removed = m.taskRecord("removed");
        removed.insert(QStringLiteral("STATE"), 1);
        QVERIFY(
            store()->updateTaskLocally(exported, &written) && store()->updateTaskLocally(removed, &written));
        QCOMPARE(idsOf(store()->getCalendarTasksToUpdate()), QStringList { "exported" });
        QCOMPARE(store()->getCalendarTasksToDelete(), QStringList { "removed" });

        QVERIFY(store()->handleCalendarTaskUpdated(QStringLiteral("exported")));
        QVERIFY(store()->getCalendarTasksToUpdate().isEmpty());
        QVERIFY(store()->markCalendarTasksToUpdate());
        QCOMPARE(idsOf(store()->getCalendarTasksToUpdate()), QStringList { "exported" });
        QCOMPARE(sorted(store()->getCalendarTaskIds()), QStringList({ "exported", "removed" }));
        QVERIFY(store()->clearCalendarInfoTable());
        QVERIFY(store()->getCalendarTaskIds().isEmpty());
    }
};

QUORVEL_TEST_MAIN(TestStoreReads)
#include "tst_storereads.moc"
