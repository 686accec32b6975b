#include "data/DataManager.h"
#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "shell/Settings.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"
#include "time/RepeatedTaskHelper.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTimeZone>

#include <functional>
#include <memory>

namespace {

const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();

QDate today()
{
    return QDate::currentDate();
}

// Keeps the midnight timer half a day away.
QDateTime noonClock()
{
    return QDateTime(QDate(2024, 5, 10), QTime(12, 0), Qt::UTC);
}

DataObject ref(const QString& id)
{
    return { { "ID", id } };
}

QStringList idsOf(const QList<DataObject>& records)
{
    QStringList ids;
    for (const DataObject& record : records)
        ids.append(record.value("ID").toString());
    return ids;
}

// Results brought to a shape QVariant compares by value.
template <typename T> QVariant comparable(const T& value)
{
    return QVariant(value);
}
QVariant comparable(const QList<DataObject>& records)
{
    QVariantList list;
    for (const DataObject& record : records)
        list.append(record);
    return list;
}
QVariant comparable(const TreeHierarchy& tree)
{
    QVariantMap nodes;
    for (const QString& id : tree.ids())
        nodes.insert(id, tree.node(id));
    if (!nodes.isEmpty())
        nodes.insert("roots", tree.rootIds());
    return nodes;
}

// False, 0 or empty: what a call that did not happen gives too.
bool isDefault(const QVariant& value)
{
    switch (value.userType()) {
    case QMetaType::Bool:
        return !value.toBool();
    case QMetaType::Int:
        return value.toInt() == 0;
    default:
        return value.toList().isEmpty() && value.toMap().isEmpty();
    }
}

struct ForwardedRead
{
    const char* call;
    std::function<QVariant(DataManager&)> viaManager;
    std::function<QVariant(DatabaseHandler*, RepeatedTaskHelper*)> onWorker;
};

// clang-format off
#define STORE_READ(...) ForwardedRead { #__VA_ARGS__, \
    [=](DataManager& manager) { return comparable(manager.__VA_ARGS__); }, \
    [=](DatabaseHandler* s, RepeatedTaskHelper*) { return comparable(s->__VA_ARGS__); } }
#define REPETITION_READ(...) ForwardedRead { #__VA_ARGS__, \
    [=](DataManager& manager) { return comparable(manager.__VA_ARGS__); }, \
    [=](DatabaseHandler*, RepeatedTaskHelper* r) { return comparable(r->__VA_ARGS__); } }
// clang-format on

} // namespace

class TestDataManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DataManager> m;
    int m_stores = 0;

    QString databasePath() const { return TestSandbox::home() + QStringLiteral("/tst_datamanager.db"); }

    // A manager over its own store in the sandbox; a database file already
    // there is used as it is.
    std::unique_ptr<DataManager> makeManager(DataManager::Options options = {})
    {
        if (!QFile::exists(databasePath()))
            DatabaseTemplate::unpackTo(databasePath());
        options.store.databasePath = databasePath();
        options.store.connectionName = QStringLiteral("tst_datamanager_%1").arg(++m_stores);
        options.store.repeatedRemindersPath = TestSandbox::home() + QStringLiteral("/reminders.dat");
        return std::make_unique<DataManager>(options);
    }

    // Folders f1 > f2, fd (deleted); projects p1 (in f1 and context c1),
    // p2, pd (deleted, in f1); contexts c1 > c2, cd (deleted). Tasks of p1:
    // t1 overdue since yesterday in c1, t2 without dates or context, t3 due
    // tonight in c2, t4 deleted; t5 deleted with pd; r1 repeats daily in p2.
    // t1 and t4 went to the calendar and are marked to be exported again.
    void seed()
    {
        using R = RecordBuilder;
        const auto project = [](const QString& id, const QString& parent = QString()) {
            return R::project(id, parent).withId(id);
        };
        const auto folder = [](const QString& id, const QString& parent = QString()) {
            return R::folder(id, parent).withId(id);
        };
        const auto context = [](const QString& id, const QString& parent = QString()) {
            return R::context(id, parent).withId(id);
        };
        const auto task
            = [](const QString& id, const QString& parent) { return R::task(id, parent).withId(id); };
        const QDate day = today();
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        for (R record : { folder("f1"), folder("f2", "f1"), folder("fd", "f1").state(1),
                 project("p1", "f1").inContext("c1"), project("p2"), project("pd", "f1").state(1) })
            QVERIFY(m->createProjectRemotely(record.fromSync(now)));
        for (R record : { context("c1"), context("c2", "c1"), context("cd", "c1").state(1) })
            QVERIFY(m->createContextRemotely(record.fromSync(now)));
        for (R record : { task("t1", "p1").inContext("c1").due(wallClock(day.addDays(-1), QTime(10, 0))),
                 task("t2", "p1"), task("t3", "p1").inContext("c2").due(wallClock(day, QTime(23, 30))),
                 task("t4", "p1").state(1), task("t5", "pd").state(1),
                 task("r1", "p2").due(wallClock(day, QTime(9, 0))).period("d;1") })
            QVERIFY(m->createTaskRemotely(record.fromSync(now)));
        QVERIFY(m->handleCalendarTaskCreated("t1") && m->handleCalendarTaskCreated("t4"));
        QVERIFY(m->markCalendarTasksToUpdate());
    }

    template <typename Call> void onWorker(Call call)
    {
        QMetaObject::invokeMethod(m->workerRoot(), call, Qt::BlockingQueuedConnection);
    }

private slots:
    void initTestCase()
    {
        StoreFixture::setUpLogging(QStringLiteral("tst_datamanager"));
        // The settings belong to this thread even though the store reads them.
        Settings::instance();
    }

    void init() { TestSandbox::reset(); }

    void cleanup() { m.reset(); }

    // First, while the home holds the program's database and nothing else
    // has asked for the program's store.
    void shouldOpenTheProgramStoreOnTheWorkerThread()
    {
        QVERIFY(DatabaseTemplate::unpackTo(DatabaseHandler::databasePath()));
        DataManager* manager = DataManager::instance();
        QVERIFY(manager->isDataPrepared());
        DatabaseHandler* store = DatabaseHandler::instance();
        QCOMPARE(manager->workerRoot()->store(), store);
        QCOMPARE(store->thread(), manager->workerThread());
        QVERIFY(manager->workerThread() != QThread::currentThread());
        QCOMPARE(RepeatedTaskHelper::instance()->thread(), manager->workerThread());

        QVERIFY(manager->createTaskLocally(RecordBuilder::task("Call Bob", Inbox)));
        const QString id = manager->lastCreatedObjectId();
        QVERIFY(manager->commitChanges());
        QCOMPARE(manager->getTaskById(id).value("NAME").toString(), "Call Bob");

        // After the worker stopped nobody answers: calls return at once.
        manager->stopWorker();
        QVERIFY(!manager->isDataPrepared());
        QVERIFY(manager->getTaskById(id).isEmpty());
        QVERIFY(!manager->createTaskLocally(RecordBuilder::task("Late", Inbox)));
    }

    void shouldForwardEveryReadToTheWorker()
    {
        m = makeManager();
        seed();
        const QDate day = today();
        const QDateTime noon = wallClock(day, QTime(12, 0));
        // clang-format off
        const QList<ForwardedRead> reads = {
            STORE_READ(getTaskById("t1")), STORE_READ(getTasksByIds({ "t1", "t3" })),
            STORE_READ(getProjectById("p1")), STORE_READ(getContextById("c1")),
            STORE_READ(getProjectTasks("p1")), STORE_READ(getContextTasks("c1")),
            STORE_READ(getNoContextTasks()), STORE_READ(getActiveRepeatedTasks()),
            STORE_READ(getContextProjects("c1")), STORE_READ(getAllActiveProjects()),
            STORE_READ(getAllFolders()), STORE_READ(getAllContexts()),
            STORE_READ(getNestedObjects("f1")), STORE_READ(getNestedContexts("c1")),
            STORE_READ(getContextChildren("c1")), STORE_READ(getRootProjects()),
            STORE_READ(getRootContexts()), STORE_READ(getProjectTree()), STORE_READ(getContextTree()),
            STORE_READ(getSubprojectsRecursive("f1")), STORE_READ(getSubcontextsRecursive("c1")),
            STORE_READ(getProjectNameChain("p1")), STORE_READ(getContextNameChain("c2")),
            STORE_READ(getAllObjects()),
            STORE_READ(getDeletedTasks()), STORE_READ(hasDeletedTasks()),
            STORE_READ(getDeletedProjectTasks("pd")),
            STORE_READ(getDeletedProjects()), STORE_READ(hasDeletedProjects()),
            STORE_READ(getDeletedFolders()), STORE_READ(hasDeletedFolders()),
            STORE_READ(getDeletedContexts()), STORE_READ(hasDeletedContexts()),
            STORE_READ(getDeletedSubfolders("f1")), STORE_READ(getDeletedSubprojects("f1")),
            STORE_READ(getDeletedSubcontexts("c1")),
            STORE_READ(getProjectTaskCount("p1")), STORE_READ(getContextTaskCount("c1")),
            STORE_READ(getContextProjectCount("c1")), STORE_READ(getContextTaskCountRecursive("c1")),
            STORE_READ(getContextProjectCountRecursive("c1")),
            STORE_READ(getNestedContextCount("c1", false)), STORE_READ(getNestedContextCount("c1", true)),
            STORE_READ(getNestedFolderCount("f1", false)), STORE_READ(getNestedFolderCount("f1", true)),
            STORE_READ(getNestedProjectCount("f1", false)), STORE_READ(getNestedProjectCount("f1", true)),
            STORE_READ(projectHasTasks(ref("p1"))), STORE_READ(projectHasActiveTasks(ref("p1"))),
            STORE_READ(folderHasActiveObjects(ref("f1"))), STORE_READ(contextHasActiveObjects(ref("c1"))),
            STORE_READ(getCalendarTasksToCreate()), STORE_READ(getCalendarTasksToUpdate()),
            STORE_READ(getCalendarTasksToDelete()), STORE_READ(getCalendarTaskIds()),
            STORE_READ(getDayTasks(day)), STORE_READ(getActiveDayTaskCount(noon)),
            STORE_READ(getOverdueDayTaskCount(noon)), STORE_READ(getProjectOverdueTaskCount("p1")),
            STORE_READ(hasActiveObjects(noon)), STORE_READ(hasOverdueTasks(noon)),
            REPETITION_READ(getRepeatedDayTasks(day.addDays(1))),
            REPETITION_READ(getRepeatedDayTaskCount(day.addDays(1))),
            REPETITION_READ(hasRepeatedTasks(day.addDays(1))),
        };
        // clang-format on
        DatabaseHandler* store = m->workerRoot()->store();
        RepeatedTaskHelper* repetition = m->workerRoot()->repetition();
        for (const ForwardedRead& read : reads) {
            // A day read aligns the dates of repeated tasks and stores them
            // the first time: after one read both calls see the same rows.
            read.viaManager(*m);
            const QVariant forwarded = read.viaManager(*m);
            QVariant direct;
            onWorker([&] { direct = read.onWorker(store, repetition); });
            // The seed gives every read something to find, so an answer
            // that only looks like a failed call is one.
            QVERIFY2(!isDefault(forwarded), read.call);
            QVERIFY2(forwarded == direct, read.call);
        }
        // The flags travel too: with them the trash counts.
        QVERIFY(m->getNestedFolderCount("f1", true) > m->getNestedFolderCount("f1"));
        QVERIFY(m->getNestedProjectCount("f1", true) > m->getNestedProjectCount("f1"));
        QVERIFY(m->getNestedContextCount("c1", true) > m->getNestedContextCount("c1"));

        // Worker objects may ask through the manager as well.
        DOTask askedOnWorker;
        onWorker([&] { askedOnWorker = m->getTaskById("t1"); });
        QCOMPARE(askedOnWorker.value("ID").toString(), "t1");
    }

    void shouldRelayTheDayIndicatorToThisThread()
    {
        m = makeManager();
        seed();
        QThread* deliveredOn = nullptr;
        connect(m.get(), &DataManager::indicatorStateForDateChanged, this,
            [&] { deliveredOn = QThread::currentThread(); });
        QSignalSpy spy(m.get(), &DataManager::indicatorStateForDateChanged);
        const QDateTime asked = wallClock(today(), QTime(8, 0));
        m->requestIndicatorStateForDate(asked);
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.at(0).at(0).toDateTime(), asked);
        IndicatorState expected;
        onWorker([&] { expected = m->workerRoot()->store()->getIndicatorState(asked); });
        QVERIFY(expected.hasActiveObjects && expected.hasOverdueTasks);
        QCOMPARE(spy.at(0).at(1).value<IndicatorState>(), expected);
        QCOMPARE(deliveredOn, QThread::currentThread());
    }

    void shouldWriteThroughTheWorkerAndUndo()
    {
        m = makeManager();
        const auto stateOf = [&](const QString& id) { return m->getTaskById(id).value("STATE").toInt(); };
        QVERIFY(m->createTaskLocally(RecordBuilder::task("Draft", Inbox)));
        const QString draft = m->lastCreatedObjectId();
        QCOMPARE(draft.size(), 36);
        QVERIFY(m->rollbackChanges());
        QVERIFY(m->getTaskById(draft).isEmpty() && m->lastCreatedObjectId().isEmpty());

        QVERIFY(m->createProjectLocally(RecordBuilder::project("Plan").withId("p")));
        QVERIFY(m->createProjectLocally(RecordBuilder::folder("Area").withId("f")));
        QVERIFY(m->createContextLocally(RecordBuilder::context("Phone").withId("c")));
        QVERIFY(m->createTaskLocally(RecordBuilder::task("Step", "p").withId("s").inContext("c")));
        QVERIFY(m->commitChanges());
        const DOTask step = m->getTaskById("s");
        QCOMPARE(step.value("NAME").toString(), QString("Step"));
        QVERIFY(step.value("LOCAL").toBool());

        // A pending delete that is undone leaves the task as it was.
        QVERIFY(m->updateTaskLocally(RecordBuilder::task("Step", "p").withId("s").state(1)));
        QCOMPARE(idsOf(m->lastUpdatedObjects()), QStringList { "s" });
        QVERIFY(m->rollbackChanges());
        QCOMPARE(m->getTaskById("s"), step);

        // Cascades report what they wrote; restores bring it back.
        QVERIFY(m->updateProjectLocally(RecordBuilder::project("Plan").withId("p").state(1)));
        QVERIFY(idsOf(m->lastUpdatedObjects()).contains("s") && m->commitChanges());
        QCOMPARE(stateOf("s"), 1);
        QVERIFY(m->restoreProject(m->getProjectById("p")) && m->commitChanges());
        QCOMPARE(stateOf("s"), 0);
        QVERIFY(m->updateTaskLocally(RecordBuilder::task("Step", "p").withId("s").state(1)));
        QVERIFY(m->commitChanges() && m->restoreTask(m->getTaskById("s")) && m->commitChanges());
        QCOMPARE(stateOf("s"), 0);

        QVERIFY(m->updateContextLocally(RecordBuilder::context("Phone").withId("c").state(1)));
        QVERIFY(m->commitChanges() && m->getTaskById("s").value("CONTEXT").toString().isEmpty());
        QVERIFY(m->restoreContext(m->getContextById("c")) && m->commitChanges());
        QCOMPARE(m->getContextById("c").value("STATE").toInt(), 0);
        QVERIFY(m->updateProjectLocally(RecordBuilder::folder("Area").withId("f").state(1)));
        QVERIFY(m->commitChanges() && m->restoreFolder(m->getProjectById("f")) && m->commitChanges());
        QCOMPARE(m->getProjectById("f").value("STATE").toInt(), 0);
    }

    void shouldForwardTheWritesOfSynchronisation()
    {
        m = makeManager();
        seed();
        QVERIFY(m->updateTaskRemotely(RecordBuilder::task("Renamed", "p1").withId("t2").fromSync(1)));
        QVERIFY(m->updateProjectRemotely(RecordBuilder::project("P", "f1").withId("p1").fromSync(1)));
        QVERIFY(m->updateContextRemotely(RecordBuilder::context("C").withId("c1").fromSync(1)));
        QCOMPARE(m->getTaskById("t2").value("NAME").toString(), QString("Renamed"));
        QCOMPARE(m->getProjectNameChain("p1"), QStringList({ "f1", "P" }));
        QCOMPARE(m->getContextNameChain("c1"), QStringList { "C" });

        QVERIFY(m->updateTaskParents("p1", "p2") && m->getProjectTasks("p1").isEmpty());
        QVERIFY(m->updatePredefinedFolder("f1", "server-f1"));
        QCOMPARE(m->getNestedObjects("server-f1").size(), 2);
        QVERIFY(m->updatePredefinedContext("c1", "server-c1", true));
        QVERIFY(!m->getContextById("server-c1").isEmpty());
        QVERIFY(m->getTaskById("t1").value("CONTEXT").toString().isEmpty());

        QVERIFY(m->handleCalendarTaskUpdated("t1") && m->getCalendarTasksToUpdate().isEmpty());
        QVERIFY(m->clearCalendarInfoTable() && m->getCalendarTaskIds().isEmpty());
        QVERIFY(m->recreateDatabase() && m->isDataPrepared());
        QVERIFY(m->getAllObjects().isEmpty());
    }

    void shouldKeepRepeatedRemindersOnTheWorker()
    {
        m = makeManager();
        m->setStartRepeatedReminder("r1", 2);
        m->setDueRepeatedReminder("r1", 7);
        QVERIFY(m->hasStartRepeatedReminder("r1", 2));
        QVERIFY(!m->hasStartRepeatedReminder("r1", 7));
        QVERIFY(m->hasDueRepeatedReminder("r1", 7));
        QCOMPARE(m->getStartRepeatedReminders("r1"), QVariantList { 2 });
        QCOMPARE(m->getDueRepeatedReminders("r1"), QVariantList { 7 });
        QVERIFY(m->removeAllRepeatedReminders("r1"));
        QVERIFY(m->getStartRepeatedReminders("r1").isEmpty() && m->getDueRepeatedReminders("r1").isEmpty());
    }

    void shouldGiveDefaultsWhenTheDatabaseDidNotOpen()
    {
        QFile garbage(databasePath());
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, 'x'));
        garbage.close();
        m = makeManager();

        QVERIFY(!m->isDataPrepared());
        QVERIFY(!m->createTaskLocally(RecordBuilder::task("Lost", Inbox)) && !m->commitChanges());
        QVERIFY(m->lastCreatedObjectId().isEmpty() && m->getTaskById("t1").isEmpty());
        QVERIFY(m->getDayTasks(today()).isEmpty() && m->getProjectTree().isEmpty());
        QCOMPARE(m->getProjectTaskCount("p1"), 0);
        QVERIFY(!m->hasRepeatedTasks(today()));

        QSignalSpy spy(m.get(), &DataManager::indicatorStateForDateChanged);
        m->requestIndicatorStateForDate(wallClock(today()));
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.at(0).at(1).value<IndicatorState>(), IndicatorState());
    }

    // The delay timer is left overdue while no events run: a restart must
    // move the deadline, so nothing may fire until the new one.
    void shouldRequestOneSilentSyncAfterTheLastChangeUnlessUndone()
    {
        DataManager::Options options;
        options.syncDelay = 500;
        options.clock = noonClock;
        m = makeManager(options);
        QSignalSpy spy(m.get(), &DataManager::silentSyncRequested);

        m->restartSyncTimer();
        QThread::msleep(600);
        m->restartSyncTimer();
        QElapsedTimer sinceLastChange;
        sinceLastChange.start();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 0);
        QVERIFY(spy.wait(5000));
        QVERIFY(sinceLastChange.elapsed() >= 450);
        QVERIFY(!m->isSyncScheduled());

        m->restartSyncTimer();
        m->stopSyncTimer();
        QThread::msleep(600);
        QTest::qWait(200);
        QCOMPARE(spy.count(), 1);
    }

    void shouldComputeTheNextLocalMidnight_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("midnight");
        QTest::addColumn<qint64>("msecs");
        const QTimeZone berlin("Europe/Berlin");
        const QTimeZone saoPaulo("America/Sao_Paulo");
        const qint64 hour = 3600 * 1000;
        QTest::newRow("just before midnight")
            << QDateTime(QDate(2024, 5, 10), QTime(23, 59, 59, 999), berlin)
            << QDateTime(QDate(2024, 5, 11), QTime(0, 0), berlin) << qint64(1);
        QTest::newRow("at midnight: the next one")
            << QDateTime(QDate(2024, 5, 10), QTime(0, 0), berlin)
            << QDateTime(QDate(2024, 5, 11), QTime(0, 0), berlin) << 24 * hour;
        QTest::newRow("a day of 23 hours")
            << QDateTime(QDate(2024, 3, 31), QTime(0, 30), berlin)
            << QDateTime(QDate(2024, 4, 1), QTime(0, 0), berlin) << 22 * hour + hour / 2;
        QTest::newRow("a day of 25 hours")
            << QDateTime(QDate(2024, 10, 27), QTime(0, 30), berlin)
            << QDateTime(QDate(2024, 10, 28), QTime(0, 0), berlin) << 24 * hour + hour / 2;
        // In 2018 the clocks of Sao Paulo went from 00:00 straight to 01:00.
        QTest::newRow("midnight skipped by the clocks")
            << QDateTime(QDate(2018, 11, 3), QTime(12, 0), saoPaulo)
            << QDateTime(QDate(2018, 11, 4), QTime(1, 0), saoPaulo) << 12 * hour;
        QTest::newRow("UTC clock") << QDateTime(QDate(2024, 3, 30), QTime(23, 0), Qt::UTC)
                                   << QDateTime(QDate(2024, 3, 31), QTime(0, 0), Qt::UTC) << hour;
    }

    void shouldComputeTheNextLocalMidnight()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, midnight);
        QFETCH(qint64, msecs);
        QVERIFY(now.isValid());
        QCOMPARE(DataManager::nextMidnightAfter(now), midnight);
        QCOMPARE(DataManager::msecsToNextMidnight(now), msecs);
    }

    // The clock is told, not read: a timer that runs out while the clock
    // still shows the old day must wait for the day to begin.
    void shouldSyncWhenTheDayBeginsAndRearm()
    {
        const QTimeZone berlin("Europe/Berlin");
        auto clock = std::make_shared<QDateTime>(QDate(2024, 5, 10), QTime(23, 59, 59, 800), berlin);
        DataManager::Options options;
        options.clock = [clock] { return *clock; };
        m = makeManager(options);
        QSignalSpy spy(m.get(), &DataManager::silentSyncRequested);
        QCOMPARE(m->nextMidnight(), QDateTime(QDate(2024, 5, 11), QTime(0, 0), berlin));

        QTest::qWait(500);
        QCOMPARE(spy.count(), 0);

        *clock = QDateTime(QDate(2024, 5, 11), QTime(0, 0, 0, 100), berlin);
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(m->nextMidnight(), QDateTime(QDate(2024, 5, 12), QTime(0, 0), berlin));
    }
};

QUORVEL_TEST_MAIN(TestDataManager)
#include "tst_datamanager.moc"
