#include "data/ContextHandler.h"
#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "data/ProjectHandler.h"
#include "data/TaskHandler.h"
#include "models/ContextTreeSortModel.h"
#include "models/DailyPlanSortModel.h"
#include "models/FolderTreeSortModel.h"
#include "models/ListModel.h"
#include "models/ProjectTreeSortModel.h"
#include "models/SortModel.h"
#include "models/TreeModel.h"
#include "shell/Settings.h"
#include "shell/AppPaths.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QJSEngine>
#include <QPointer>
#include <QQmlEngine>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

#include <memory>

namespace {

const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();
const int SyncDelay = 300;

// A data manager with its worker over a fresh database of its own, and the
// three handlers on top, as the interface sees them.
class World
{
public:
    World()
    {
        static int count = 0;
        ++count;
        path = AppPaths::appDataFile(QStringLiteral("handlers_%1.db").arg(count));
        DatabaseTemplate::unpackTo(path);
        DataManager::Options options;
        options.store.databasePath = path;
        options.store.connectionName = QStringLiteral("tst_handlers_%1").arg(count);
        options.store.repeatedRemindersPath
            = AppPaths::appDataFile(QStringLiteral("handlers_reminders_%1.dat").arg(count));
        options.store.sortingPath = AppPaths::appDataFile(QStringLiteral("handlers_sorting_%1.dat").arg(count));
        options.syncDelay = SyncDelay;
        data = std::make_unique<DataManager>(options);
        tasks = std::make_unique<TaskHandler>(data.get());
        projects = std::make_unique<ProjectHandler>(data.get());
        contexts = std::make_unique<ContextHandler>(data.get());
    }

    QString task(const QString& name, const QString& parent, DataObject extra = {})
    {
        DataObject record = RecordBuilder::task(name, parent);
        record.insert(extra);
        return tasks->createTask(record) ? tasks->lastCreatedTaskId() : QString();
    }
    QString project(const QString& name, const QString& parent = QString())
    {
        return projects->createProject(RecordBuilder::project(name, parent))
            ? projects->lastCreatedProjectId()
            : QString();
    }
    QString folder(const QString& name, const QString& parent = QString())
    {
        return projects->createFolder(RecordBuilder::project(name, parent)) ? projects->lastCreatedProjectId()
                                                                            : QString();
    }
    QString context(const QString& name, const QString& parent = QString())
    {
        return contexts->createContext(RecordBuilder::context(name, parent))
            ? contexts->lastCreatedContextId()
            : QString();
    }

    int taskState(const QString& id) { return data->getTaskById(id).value("STATE", -1).toInt(); }
    int projectState(const QString& id) { return data->getProjectById(id).value("STATE", -1).toInt(); }
    int contextState(const QString& id) { return data->getContextById(id).value("STATE", -1).toInt(); }

    // Every row of every table, read through a connection of its own, so
    // that only what is committed shows.
    QStringList dump() const
    {
        QStringList lines;
        onOwnConnection([&lines](QSqlDatabase& db) {
            QStringList tables;
            QSqlQuery query(db);
            query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
            while (query.next())
                tables << query.value(0).toString();
            for (const QString& table : tables) {
                query.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
                while (query.next()) {
                    QStringList values;
                    for (int i = 0; i < query.record().count(); ++i)
                        values << query.value(i).toString();
                    lines << table + QStringLiteral(": ") + values.join(QStringLiteral(" | "));
                }
            }
        });
        return lines;
    }

    // The committed state of an object; -1 when no committed row has it.
    int committedState(const QString& table, const QString& id) const
    {
        int state = -1;
        onOwnConnection([&](QSqlDatabase& db) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("SELECT state FROM %1 WHERE id = ?").arg(table));
            query.addBindValue(id);
            if (query.exec() && query.next())
                state = query.value(0).toInt();
        });
        return state;
    }

    // Runs a statement as another program would, past the data manager.
    bool execute(const QString& sql) const
    {
        bool done = false;
        onOwnConnection([&](QSqlDatabase& db) { done = QSqlQuery(db).exec(sql); }, false);
        return done;
    }

    template <typename Read> void onOwnConnection(Read read, bool readOnly = true) const
    {
        const QString name = QStringLiteral("tst_handlers_reader");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            if (readOnly)
                db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            if (db.open())
                read(db);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

    QString path;
    std::unique_ptr<DataManager> data;
    std::unique_ptr<TaskHandler> tasks;
    std::unique_ptr<ProjectHandler> projects;
    std::unique_ptr<ContextHandler> contexts;
};

QStringList idsOf(const QList<DataObject>& records)
{
    QStringList ids;
    for (const DataObject& record : records)
        ids << record.value("ID").toString();
    return ids;
}

QStringList namesOf(const QList<DataObject>& records)
{
    QStringList names;
    for (const DataObject& record : records)
        names << record.value("NAME").toString();
    names.sort();
    return names;
}

// The model a handler handed out, deleted at the end of the case as the
// QML engine would delete it.
template <typename Model> std::unique_ptr<Model> take(QAbstractItemModel* model)
{
    return std::unique_ptr<Model>(qobject_cast<Model*>(model));
}

} // namespace

class TestHandlers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_handlers")); }

    void revertingADeleteLeavesEveryRowAsBefore_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("task") << "task";
        QTest::newRow("folder with a project and its tasks") << "folder";
        QTest::newRow("context with tasks, a project and a sub-context") << "context";
    }

    void revertingADeleteLeavesEveryRowAsBefore()
    {
        QFETCH(QString, kind);
        World w;
        const QString context = w.context("@home");
        const QString subcontext = w.context("@desk", context);
        const QString folder = w.folder("Work");
        const QString project = w.project("Launch", folder);
        const QString task = w.task("Write", project, { { "CONTEXT", context } });
        const QString done = w.task("Plan", project, { { "STATE", 2 }, { "CONTEXT", context } });
        const QString gone = w.task("Old", Inbox, { { "STATE", 1 }, { "CONTEXT", context } });
        w.data->stopSyncTimer();
        const QStringList before = w.dump();

        QSignalSpy taskUpdates(w.tasks.get(), &TaskHandler::taskUpdated);
        QSignalSpy projectUpdates(w.projects.get(), &ProjectHandler::projectUpdated);
        QSignalSpy contextUpdates(w.contexts.get(), &ContextHandler::contextUpdated);
        if (kind == "task") {
            const DataObject record = w.data->getTaskById(task);
            QVERIFY(w.tasks->markTaskAsDeleted(record));
            QCOMPARE(w.taskState(task), 1);
            w.tasks->revertTaskState(record);
            QCOMPARE(taskUpdates.count(), 2);
            QCOMPARE(taskUpdates.first().at(0).toMap().value("STATE").toInt(), 1);
            QCOMPARE(taskUpdates.last().at(0).toMap().value("STATE").toInt(), 0);
        } else if (kind == "folder") {
            const DataObject record = w.data->getProjectById(folder);
            QVERIFY(w.projects->markProjectAsDeleted(record));
            QCOMPARE(w.projectState(project), 1);
            QCOMPARE(w.taskState(task), 1);
            QCOMPARE(w.taskState(done), 3);
            w.projects->revertProjectState(record);
            QCOMPARE(projectUpdates.count(), 2);
            QCOMPARE(projectUpdates.last().at(0).toMap().value("STATE").toInt(), 0);
        } else {
            const DataObject record = w.data->getContextById(context);
            QVERIFY(w.contexts->markContextAsDeleted(record));
            QCOMPARE(w.contextState(subcontext), 1);
            QCOMPARE(w.data->getTaskById(gone).value("CONTEXT").toString(), QString());
            w.contexts->revertContextState(record);
            QCOMPARE(contextUpdates.count(), 2);
        }

        // A change still open would become permanent here.
        w.data->commitChanges();
        QCOMPARE(w.dump(), before);
        QVERIFY(!w.data->isSyncScheduled());
        QCOMPARE(w.data->getTaskById(task).value("CONTEXT").toString(), context);
    }

    void confirmingADeleteCommitsItAndDropsRepeatedReminders()
    {
        World w;
        const QString task = w.task("Water plants", Inbox,
            { { "PERIOD", "d;2" }, { "DUE", wallClock(QDate::currentDate().addDays(3), QTime(10, 0)) } });
        w.data->setDueRepeatedReminder(task, 1);

        QVERIFY(w.tasks->markTaskAsDeleted(w.data->getTaskById(task), false));
        QVERIFY(w.tasks->confirmTaskUpdate(w.data->getTaskById(task)));

        QCOMPARE(w.committedState("task", task), 1);
        QVERIFY(w.data->getDueRepeatedReminders(task).isEmpty());
    }

    void confirmingAProjectCompletionFollowsUpOnItsTasks()
    {
        // Completing a project ends its tasks' repetition; their repeated
        // reminders must go with it although the tasks no longer say they
        // repeat.
        World w;
        const QString project = w.project("Garden");
        const QString task = w.task("Mow", project,
            { { "PERIOD", "w;1" }, { "DUE", wallClock(QDate::currentDate().addDays(2), QTime(9, 0)) } });
        w.data->setStartRepeatedReminder(task, 2);

        QVERIFY(w.projects->markProjectAsCompleted(w.data->getProjectById(project)));
        QVERIFY(w.projects->confirmProjectUpdate(w.data->getProjectById(project)));

        QCOMPARE(w.taskState(task), 2);
        QCOMPARE(w.data->getTaskById(task).value("PERIOD").toString(), QString());
        QVERIFY(w.data->getStartRepeatedReminders(task).isEmpty());
        QCOMPARE(w.committedState("project", project), 2);
        QCOMPARE(w.committedState("task", task), 2);
    }

    void completingARepeatedTaskLeavesACopyOnlyWhenConfirmed()
    {
        World w;
        const QDate firstDue = QDate::currentDate().addDays(3);
        const QString task = w.task("Backup", Inbox,
            { { "PERIOD", "d;2" }, { "START", wallClock(firstDue, QTime(9, 0)) },
                { "DUE", wallClock(firstDue, QTime(10, 0)) } });
        w.data->stopSyncTimer();
        const QStringList before = w.dump();
        QSignalSpy completed(w.tasks.get(), &TaskHandler::repeatedTaskCompleted);

        // Undone: the copy goes with the undo, and nobody hears of it.
        QVERIFY(w.tasks->markTaskAsCompleted(w.data->getTaskById(task)));
        QCOMPARE(w.data->getProjectTasks(Inbox).size(), 2);
        w.tasks->revertTaskState(w.data->getTaskById(task));
        w.data->commitChanges();
        QCOMPARE(w.dump(), before);
        QCOMPARE(completed.count(), 0);

        // Confirmed: one completed copy of the occurrence, the task moved on.
        QVERIFY(w.tasks->markTaskAsCompleted(w.data->getTaskById(task)));
        QVERIFY(w.tasks->confirmTaskUpdate(w.data->getTaskById(task)));
        QCOMPARE(completed.count(), 1);
        const QString copyId = completed.first().at(0).toString();
        QVERIFY(copyId != task);
        QCOMPARE(w.committedState("task", copyId), 2);

        const DataObject copy = w.data->getTaskById(copyId);
        QCOMPARE(copy.value("STATE").toInt(), 2);
        QCOMPARE(copy.value("PERIOD").toString(), QString());
        QCOMPARE(copy.value("DUE").toDateTime(), wallClock(firstDue, QTime(10, 0)));
        QCOMPARE(copy.value("LOCAL").toBool(), true);
        const DataObject moved = w.data->getTaskById(task);
        QCOMPARE(moved.value("STATE").toInt(), 0);
        QCOMPARE(moved.value("DUE").toDateTime(), wallClock(firstDue.addDays(2), QTime(10, 0)));
        QCOMPARE(w.data->getProjectTasks(Inbox).size(), 2);
    }

    void completingTodaysOccurrenceCountsFromToday()
    {
        // The task is stored on an occurrence four days back; the day plan
        // shows today's occurrence, and completing it must move the task past
        // today, not two days on from four days back.
        World w;
        const QDate today = QDate::currentDate();
        const QString task = w.task("Stretch", Inbox,
            { { "PERIOD", "d;2" }, { "START", wallClock(today.addDays(-4), QTime(9, 0)) },
                { "DUE", wallClock(today.addDays(-4), QTime(10, 0)) } });
        auto plan = take<SortModel>(w.tasks->getDayTasks(today));
        const int row = plan->getIndexByObjectId(task);
        QVERIFY(row >= 0);
        const DataObject occurrence = plan->getObjectByIndex(row);
        QVERIFY(occurrence.contains("FAKEDUE"));

        QSignalSpy completed(w.tasks.get(), &TaskHandler::repeatedTaskCompleted);
        QVERIFY(w.tasks->markTaskAsCompleted(occurrence));
        QVERIFY(w.tasks->confirmTaskUpdate(occurrence));
        QCOMPARE(completed.count(), 1);
        QCOMPARE(w.data->getTaskById(completed.first().at(0).toString()).value("DUE").toDateTime(),
            wallClock(today, QTime(10, 0)));
        QCOMPARE(
            w.data->getTaskById(task).value("DUE").toDateTime(), wallClock(today.addDays(2), QTime(10, 0)));
    }

    void aWriteThatFailsHalfwayLeavesNothingBehind()
    {
        // The store writes what it can of a cascade and reports the failure;
        // none of it may reach the database.
        World w;
        const QString project = w.project("Launch");
        w.task("Fine", project);
        w.task("Boom", project);
        QVERIFY(w.execute("CREATE TRIGGER refuse BEFORE UPDATE ON task WHEN NEW.name = 'Boom' "
                          "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        w.data->stopSyncTimer();
        const QStringList before = w.dump();
        QSignalSpy updates(w.projects.get(), &ProjectHandler::projectUpdated);
        DataObject deleted = w.data->getProjectById(project);
        deleted.insert("STATE", 1);

        QVERIFY(!w.projects->updateProject(deleted));
        w.data->commitChanges();
        QCOMPARE(w.dump(), before);

        QVERIFY(!w.projects->markProjectAsDeleted(w.data->getProjectById(project)));
        w.data->commitChanges();
        QCOMPARE(w.dump(), before);
        QCOMPARE(updates.count(), 0);
        QVERIFY(!w.data->isSyncScheduled());
    }

    void changesScheduleOneSilentSyncAfterTheLast()
    {
        World w;
        QSignalSpy syncs(w.data.get(), &DataManager::silentSyncRequested);
        QSignalSpy added(w.tasks.get(), &TaskHandler::taskAdded);

        // A refused write schedules nothing and announces nothing.
        QVERIFY(!w.tasks->createTask(RecordBuilder::task("No parent", QString())));
        QVERIFY(!w.data->isSyncScheduled());
        QCOMPARE(added.count(), 0);

        QVERIFY(!w.task("First", Inbox).isEmpty());
        QVERIFY(!w.task("Second", Inbox).isEmpty());
        QElapsedTimer sinceSecond;
        sinceSecond.start();
        QCOMPARE(added.count(), 2);
        QCOMPARE(added.last().at(0).toMap().value("NAME").toString(), QStringLiteral("Second"));
        QVERIFY(syncs.wait(10 * SyncDelay));
        // Coarse timers may fire up to 5 % early.
        QVERIFY(sinceSecond.elapsed() >= SyncDelay * 9 / 10);
        QTest::qWait(2 * SyncDelay);
        QCOMPARE(syncs.count(), 1);
    }

    void undoingAPendingChangeCancelsItsSync()
    {
        World w;
        const QString task = w.task("Call", Inbox);
        w.data->stopSyncTimer();
        QSignalSpy syncs(w.data.get(), &DataManager::silentSyncRequested);

        QVERIFY(w.tasks->markTaskAsDeleted(w.data->getTaskById(task)));
        QVERIFY(w.data->isSyncScheduled());
        w.tasks->revertTaskState(w.data->getTaskById(task));
        QVERIFY(!w.data->isSyncScheduled());
        QTest::qWait(2 * SyncDelay);
        QCOMPARE(syncs.count(), 0);
    }

    void cloningAFolderCopiesEverythingInsideIt()
    {
        World w;
        const QString folder = w.folder("Work");
        const QString subfolder = w.folder("Clients", folder);
        const QString project = w.project("Launch", folder);
        const QString deep = w.project("Acme", subfolder);
        w.task("Write", project);
        w.task("Plan", project, { { "STATE", 2 } });
        w.task("Invoice", deep);
        const QStringList before = w.dump();
        QSignalSpy added(w.projects.get(), &ProjectHandler::projectAdded);

        QVERIFY(w.projects->cloneFolder(w.data->getProjectById(folder)));

        QCOMPARE(added.count(), 4);
        const QList<DataObject> roots = w.data->getRootProjects();
        QCOMPARE(namesOf(roots), QStringList({ "Work", "Work" }));
        QString copy = idsOf(roots).at(0) == folder ? idsOf(roots).at(1) : idsOf(roots).at(0);
        const DataObject copyRecord = w.data->getProjectById(copy);
        QCOMPARE(copyRecord.value("LOCAL").toBool(), true);
        QCOMPARE(copyRecord.value("FOLDER").toBool(), true);

        const QList<DataObject> inside = w.data->getNestedObjects(copy);
        QCOMPARE(namesOf(inside), QStringList({ "Clients", "Launch" }));
        for (const DataObject& child : inside) {
            QVERIFY(child.value("ID") != subfolder && child.value("ID") != project);
            if (child.value("NAME") == "Launch") {
                const QList<DataObject> copiedTasks = w.data->getProjectTasks(child.value("ID").toString());
                QCOMPARE(namesOf(copiedTasks), QStringList({ "Plan", "Write" }));
            } else {
                const QList<DataObject> deeper = w.data->getNestedObjects(child.value("ID").toString());
                QCOMPARE(namesOf(deeper), QStringList({ "Acme" }));
                QCOMPARE(namesOf(w.data->getProjectTasks(deeper.first().value("ID").toString())),
                    QStringList({ "Invoice" }));
            }
        }

        // Committed, and the source untouched: every row it had is still there as it was.
        const QStringList after = w.dump();
        for (const QString& line : before) {
            if (!line.startsWith("sqlite_sequence"))
                QVERIFY2(after.contains(line), qPrintable(line));
        }
        QCOMPARE(after.filter(QRegularExpression("^project: ")).size(),
            before.filter(QRegularExpression("^project: ")).size() + 4);
        QCOMPARE(after.filter(QRegularExpression("^task: ")).size(),
            before.filter(QRegularExpression("^task: ")).size() + 3);
    }

    void cloningAFolderIntoItselfCopiesItOnce()
    {
        World w;
        const QString folder = w.folder("Work");
        const QString subfolder = w.folder("Clients", folder);
        DataObject pasted = w.data->getProjectById(folder);
        pasted.insert("PARENT", subfolder);

        QVERIFY(w.projects->cloneFolder(pasted));

        QCOMPARE(w.data->getAllFolders().size(), 4);
    }

    void cloningAContextCopiesItsSubcontextsOnly()
    {
        World w;
        const QString context = w.context("@home");
        const QString sub = w.context("@kitchen", context);
        w.context("@fridge", sub);
        const QString project = w.project("Cook");
        DataObject projectRecord = w.data->getProjectById(project);
        projectRecord.insert("CONTEXT", context);
        QVERIFY(w.projects->updateProject(projectRecord));
        w.task("Dishes", Inbox, { { "CONTEXT", context } });
        const QStringList before = w.dump();

        QVERIFY(w.contexts->cloneContext(w.data->getContextById(context)));

        QCOMPARE(w.data->getAllContexts().size(), 6);
        QCOMPARE(w.data->getAllActiveProjects().size(), 1);
        QCOMPARE(w.data->getProjectTasks(Inbox).size(), 1);
        const QStringList after = w.dump();
        for (const QString& line : before) {
            if (!line.startsWith("sqlite_sequence"))
                QVERIFY2(after.contains(line), qPrintable(line));
        }
    }

    void movingACutFolderBringsItsChildrenBack()
    {
        World w;
        const QString target = w.folder("Archive");
        const QString folder = w.folder("Work");
        const QString inner = w.folder("Inner", folder);
        const QString project = w.project("Launch", folder);
        const QString open = w.task("Write", project);
        const QString done = w.task("Plan", project, { { "STATE", 2 } });
        const DataObject clipboard = w.data->getProjectById(folder);

        // Cut: deleted and confirmed at once.
        QVERIFY(w.projects->markProjectAsDeleted(clipboard));
        QVERIFY(w.projects->confirmProjectUpdate(clipboard));
        QCOMPARE(w.committedState("task", done), 3);

        // Nothing is moved into itself.
        QVERIFY(!w.projects->moveFolder(clipboard, inner, {}));
        QCOMPARE(w.data->getProjectById(folder).value("PARENT").toString(), QString());

        const QVariantMap children { { inner, 0 }, { project, QVariantMap { { "STATE", 0 } } }, { open, 0 },
            { done, 2 } };
        QVERIFY(w.projects->moveFolder(clipboard, target, children));

        QCOMPARE(w.data->getProjectById(folder).value("PARENT").toString(), target);
        QCOMPARE(w.committedState("project", folder), 0);
        QCOMPARE(w.committedState("project", inner), 0);
        QCOMPARE(w.committedState("project", project), 0);
        QCOMPARE(w.committedState("task", open), 0);
        QCOMPARE(w.committedState("task", done), 2);
    }

    void movingACutContextBringsItsSubcontextsBack()
    {
        World w;
        const QString target = w.context("@work");
        const QString context = w.context("@home");
        const QString sub = w.context("@garden", context);
        const DataObject clipboard = w.data->getContextById(context);
        QVERIFY(w.contexts->markContextAsDeleted(clipboard));
        QVERIFY(w.contexts->confirmContextUpdate(clipboard));
        QCOMPARE(w.committedState("context", sub), 1);

        QVERIFY(!w.contexts->moveContext(clipboard, sub, {}));
        QVERIFY(w.contexts->moveContext(clipboard, target, { { sub, 0 } }));

        QCOMPARE(w.data->getContextById(context).value("PARENT").toString(), target);
        QCOMPARE(w.committedState("context", context), 0);
        QCOMPARE(w.committedState("context", sub), 0);
    }

    void modelsShowWhatTheStoreHolds()
    {
        World w;
        const QString folder = w.folder("Work");
        const QString subfolder = w.folder("Clients", folder);
        const QString other = w.folder("Home");
        const QString project = w.project("Launch", folder);
        const QString task
            = w.task("Write", project, { { "DUE", wallClock(QDate(2030, 5, 6), QTime(8, 0)) } });
        const QString context = w.context("@home");
        const QString sub = w.context("@desk", context);

        auto projectTasks = take<SortModel>(w.tasks->getProjectTasks(project));
        QAbstractItemModelTester tester(projectTasks.get());
        QCOMPARE(QQmlEngine::objectOwnership(projectTasks.get()), QQmlEngine::JavaScriptOwnership);
        QCOMPARE(projectTasks->listId(), project);
        QCOMPARE(projectTasks->listType(), SortingNamespace::ListTypeProject);
        QVERIFY(projectTasks->isTaskList());
        QCOMPARE(projectTasks->rowCount(), 1);
        w.task("Review", project);
        projectTasks->update();
        QCOMPARE(projectTasks->rowCount(), 2);
        QCOMPARE(take<SortModel>(w.tasks->getProjectTasks(Inbox))->listId(), QStringLiteral("quorvelbox"));
        QCOMPARE(take<SortModel>(w.tasks->getProjectTasks(PredefinedDataHelper::initialOneStepActionsId()))->listId(),
            QStringLiteral("1_step_actions"));

        auto one = take<ListModel>(w.tasks->getTaskById(task));
        QCOMPARE(one->rowCount(), 1);
        QCOMPARE(take<ListModel>(w.tasks->getTaskById("missing"))->rowCount(), 0);
        auto day = take<DailyPlanSortModel>(w.tasks->getDayTasks(QDate(2030, 5, 6)));
        QCOMPARE(day->getIndexByObjectId(task), 0);
        QCOMPARE(day->listId(), QStringLiteral("06052030"));
        QCOMPARE(day->listType(), SortingNamespace::ListTypeDailyPlan);
        QVERIFY(day->isTaskList());

        auto roots = take<SortModel>(w.projects->getRootObjects());
        QCOMPARE(roots->listId(), QStringLiteral("root_projects"));
        QCOMPARE(roots->listType(), SortingNamespace::ListTypeFolder);
        QVERIFY(roots->getIndexByObjectId(folder) >= 0);
        auto rootContexts = take<SortModel>(w.contexts->getRootContextListModel());
        QCOMPARE(rootContexts->listId(), QStringLiteral("root_contexts"));
        QCOMPARE(rootContexts->listType(), SortingNamespace::ListTypeContext);
        QVERIFY(rootContexts->getIndexByObjectId(context) >= 0);

        auto picker = take<FolderTreeSortModel>(w.projects->getFolderTreeModel(folder));
        QAbstractItemModelTester pickerTester(picker.get());
        picker->openItem(folder);
        QCOMPARE(picker->getIndexByObjectId(folder), -1);
        QCOMPARE(picker->getIndexByObjectId(subfolder), -1);
        QCOMPARE(picker->getIndexByObjectId(project), -1);
        QVERIFY(picker->getIndexByObjectId(other) >= 0);
        QCOMPARE(picker->rowCount(), 1);

        auto tree = take<ProjectTreeSortModel>(w.projects->getProjectTreeModel());
        QCOMPARE(tree->getIndexByObjectId(Inbox), -1);
        auto withInbox = take<ProjectTreeSortModel>(w.projects->getProjectTreeModelWithQuorvelBox());
        QAbstractItemModelTester inboxTester(withInbox.get());
        QCOMPARE(withInbox->rowCount(), tree->rowCount() + 1);
        QCOMPARE(withInbox->getIndexByObjectId(Inbox), withInbox->rowCount() - 1);

        auto contexts = take<ContextTreeSortModel>(w.contexts->getContextTreeModel("do_not_filter"));
        contexts->openItem(context);
        QVERIFY(contexts->getIndexByObjectId(sub) > contexts->getIndexByObjectId(context));
        auto contextPicker = take<ContextTreeSortModel>(w.contexts->getContextTreeModel(context));
        contextPicker->openItem(context);
        QCOMPARE(contextPicker->getIndexByObjectId(context), -1);
        QCOMPARE(contextPicker->getIndexByObjectId(sub), -1);

        // A proxy that the interface lets go of takes its source along.
        QPointer<QAbstractItemModel> source(contexts->sourceModel());
        contexts->requestDeletion();
        contexts.release();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(source.isNull());
    }

    void theDayPlanHidesWhatIsNotDueWhenAsked()
    {
        World w;
        const QDate day(2030, 5, 6);
        const QString due = w.task("Due", Inbox, { { "DUE", wallClock(day, QTime(8, 0)) } });
        const QString later = w.task("Later", Inbox,
            { { "START", wallClock(day, QTime(8, 0)) }, { "DUE", wallClock(day.addDays(3), QTime(8, 0)) } });
        Settings::instance()->setShowFutureTasks(true);
        auto plan = take<DailyPlanSortModel>(w.tasks->getDayTasks(day));
        QCOMPARE(plan->getIndexByObjectId(later), 1);
        QCOMPARE(plan->alsoAvailableTaskCount(), 1);
        Settings::instance()->setShowFutureTasks(false);
        QCOMPARE(plan->getIndexByObjectId(later), -1);
        QCOMPARE(plan->getIndexByObjectId(due), 0);
        auto hidden = take<DailyPlanSortModel>(w.tasks->getDayTasks(day));
        QCOMPARE(hidden->rowCount(), 1);
        Settings::instance()->setShowFutureTasks(true);
        QCOMPARE(hidden->rowCount(), 2);
    }

    void cloningCopiesTheListsSortingChoice()
    {
        World w;
        const QString project = w.project("Launch");
        const QString folder = w.folder("Work");
        const QString context = w.context("@home");
        w.data->setSortedList(project, SortingNamespace::ListTypeProject, SortingNamespace::AlphabeticalType, false);
        w.data->setManualSortedList(folder, SortingNamespace::ListTypeFolder, { { project, 0 } });
        w.data->setSortedList(context, SortingNamespace::ListTypeContext, SortingNamespace::TimestampDescType, true);

        QVERIFY(w.projects->cloneProject(w.data->getProjectById(project)));
        const QString projectCopy = w.projects->lastCreatedProjectId();
        QVERIFY(w.projects->cloneFolder(w.data->getProjectById(folder)));
        QVERIFY(w.contexts->cloneContext(w.data->getContextById(context)));
        const QString contextCopy = w.contexts->lastCreatedContextId();

        const SortedListInfo copied = w.data->getSortedListInfo(projectCopy, SortingNamespace::ListTypeProject);
        QCOMPARE(copied.sortingType, SortingNamespace::AlphabeticalType);
        QCOMPARE(copied.groupByDate, false);
        QVERIFY(!w.data->hasSortedListInfo(projectCopy, SortingNamespace::ListTypeFolder));
        QCOMPARE(w.data->getSortingType(contextCopy, SortingNamespace::ListTypeContext),
            SortingNamespace::TimestampDescType);

        QString folderCopy;
        for (const DataObject& root : w.data->getRootProjects()) {
            if (root.value("NAME") == "Work" && root.value("ID") != folder)
                folderCopy = root.value("ID").toString();
        }
        QVERIFY(!folderCopy.isEmpty());
        // The manual choice carries over; the positions named the source's objects.
        const SortedListInfo folderCopied = w.data->getSortedListInfo(folderCopy, SortingNamespace::ListTypeFolder);
        QCOMPARE(folderCopied.sortingType, SortingNamespace::ManualType);
        QVERIFY(folderCopied.orderHash.isEmpty());
    }

    void dayIndicatorAnswersTheScript()
    {
        World w;
        const QDate day(2030, 5, 6);
        w.task("Write", Inbox, { { "DUE", wallClock(day, QTime(8, 0)) } });
        QJSEngine engine;
        QQmlEngine::setObjectOwnership(w.tasks.get(), QQmlEngine::CppOwnership);
        engine.globalObject().setProperty("TaskHandler", engine.newQObject(w.tasks.get()));
        const QJSValue callback = engine.evaluate("(function (state) { answer = state; })");

        w.tasks->requestIndicatorStateForDate(wallClock(day, QTime(12, 0)), callback);
        w.tasks->requestIndicatorStateForDate(wallClock(day.addDays(1), QTime(12, 0)),
            engine.evaluate("(function (state) { other = state; })"));

        QTRY_VERIFY(engine.globalObject().property("answer").isObject());
        QCOMPARE(engine.evaluate("answer.hasActiveObjects").toBool(), true);
        QCOMPARE(engine.evaluate("answer.hasOverdueTasks").toBool(), false);
        QTRY_VERIFY(engine.globalObject().property("other").isObject());
        QCOMPARE(engine.evaluate("other.hasActiveObjects").toBool(), false);
    }

    void aLaterAskForTheSameDayGetsItsOwnAnswer()
    {
        World w;
        const QDate day(2030, 5, 6);
        QJSEngine engine;
        QQmlEngine::setObjectOwnership(w.tasks.get(), QQmlEngine::CppOwnership);
        engine.globalObject().setProperty("TaskHandler", engine.newQObject(w.tasks.get()));
        const QDateTime noon = wallClock(day, QTime(12, 0));
        w.tasks->requestIndicatorStateForDate(noon, engine.evaluate("(function (state) { before = state; })"));
        w.task("Write", Inbox, { { "DUE", wallClock(day, QTime(8, 0)) } });
        w.tasks->requestIndicatorStateForDate(noon, engine.evaluate("(function (state) { after = state; })"));

        QTRY_VERIFY(engine.globalObject().property("after").isObject());
        QCOMPARE(engine.evaluate("before.hasActiveObjects").toBool(), false);
        QCOMPARE(engine.evaluate("after.hasActiveObjects").toBool(), true);
    }
};

QUORVEL_TEST_MAIN(TestHandlers)
#include "tst_handlers.moc"
