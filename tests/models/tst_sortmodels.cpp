#include "SortingWorld.h"

#include "data/PredefinedDataHelper.h"
#include "models/ContextTaskSortModel.h"
#include "models/DailyPlanListModel.h"
#include "models/DailyPlanSortModel.h"
#include "models/NoContextTasksListModel.h"
#include "models/NoContextTasksSortModel.h"
#include "models/ProjectFolderSortModel.h"
#include "models/RootContextsListModel.h"
#include "shell/Settings.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QPointer>
#include <QSignalSpy>

using namespace SortingNamespace;

namespace {
const QString OneStep = PredefinedDataHelper::initialOneStepActionsId();
const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();

QStringList words(const QString& text)
{
    return text.split(' ', Qt::SkipEmptyParts);
}

OrderHash orderOf(const QVariantMap& positions)
{
    OrderHash order;
    for (auto it = positions.cbegin(); it != positions.cend(); ++it)
        order.insert(it.key(), it.value().toInt());
    return order;
}
} // namespace

class TestSortModels : public QObject
{
    Q_OBJECT

    std::unique_ptr<SortingWorld> m_world;

    // A list that has the given choice stored under a name of its own.
    QString listWith(int sortingType, bool groupByDate, const QVariantMap& positions = {})
    {
        static int count = 0;
        const QString listId = QStringLiteral("list_%1").arg(++count);
        if (sortingType == ManualType)
            m_world->data->setManualSortedList(listId, ListTypeProject, orderOf(positions));
        else
            m_world->data->setSortedList(listId, ListTypeProject, SortingType(sortingType), groupByDate);
        return listId;
    }

private slots:
    void initTestCase()
    {
        StoreFixture::setUpLogging(QStringLiteral("tst_sortmodels"));
        m_world = std::make_unique<SortingWorld>(QStringLiteral("sortmodels"));
        Settings::instance()->setShowCompletedTasks(true);
        Settings::instance()->setShowCompletedProjects(true);
    }

    void cleanupTestCase() { m_world.reset(); }

    // Each row: two records that differ in the field under test, the left
    // one first under the list's choice, whichever came first in the source.
    void comparisonPutsLeftFirst_data()
    {
        QTest::addColumn<int>("sortingType");
        QTest::addColumn<bool>("groupByDate");
        QTest::addColumn<QVariantMap>("positions");
        QTest::addColumn<DataObject>("left");
        QTest::addColumn<DataObject>("right");
        const QVariantMap none;
        // clang-format off
        QTest::newRow("lower state first")
            << int(AlphabeticalType) << false << none << plainTask("b").build() << plainTask("a").state(2).build();
        QTest::newRow("lower state first, also in manual order")
            << int(ManualType) << true << QVariantMap { { "a", 0 } } << plainTask("b").build() << plainTask("a").state(2).build();
        QTest::newRow("trash: newest first")
            << int(TimestampAscType) << true << none << plainTask("a").state(1).set("TIMESTAMP", 2000).build()
            << plainTask("b").state(1).build();
        QTest::newRow("trash: one change time, lower level first")
            << int(TimestampAscType) << true << none << plainTask("b").state(3).set("LEVEL", 0).build()
            << plainTask("a").state(3).set("LEVEL", 1).build();
        QTest::newRow("trash: one change time, by name")
            << int(TimestampDescType) << true << none << plainTask("b", "Alpha").state(1).build()
            << plainTask("a", "Beta").state(1).build();
        QTest::newRow("trash ignores the manual order")
            << int(ManualType) << true << QVariantMap { { "a", 0 }, { "b", 1 } }
            << plainTask("b").state(1).set("TIMESTAMP", 2000).build() << plainTask("a").state(1).build();
        QTest::newRow("alphabetical: 2 before 10")
            << int(AlphabeticalType) << false << none << plainTask("b", "Task 2").build() << plainTask("a", "Task 10").build();
        QTest::newRow("alphabetical: letters before case")
            << int(AlphabeticalType) << false << none << plainTask("b", "apple").build() << plainTask("a", "Banana").build();
        QTest::newRow("alphabetical: same name by id")
            << int(AlphabeticalType) << false << none << plainTask("a", "Same").build() << plainTask("b", "Same").build();
        QTest::newRow("oldest first")
            << int(TimestampAscType) << false << none << plainTask("b").build() << plainTask("a").set("TIMESTAMP", 2000).build();
        QTest::newRow("newest first")
            << int(TimestampDescType) << false << none << plainTask("b").set("TIMESTAMP", 2000).build() << plainTask("a").build();
        QTest::newRow("same change time by id")
            << int(TimestampDescType) << false << none << plainTask("a").build() << plainTask("b").build();
        QTest::newRow("grouped: due before start only")
            << int(TimestampAscType) << true << none << plainTask("b").due(day(9)).build() << plainTask("a").start(day(1)).build();
        QTest::newRow("grouped: start only before no dates")
            << int(TimestampAscType) << true << none << plainTask("b").start(day(9)).build() << plainTask("a").build();
        QTest::newRow("grouped: earlier due first")
            << int(TimestampAscType) << true << none << plainTask("b").due(day(3)).build() << plainTask("a").due(day(4)).build();
        QTest::newRow("grouped: one due, earlier start first")
            << int(TimestampAscType) << true << none << plainTask("b").start(day(1)).due(day(4)).build()
            << plainTask("a").start(day(2)).due(day(4)).build();
        QTest::newRow("grouped: earlier start only first")
            << int(TimestampAscType) << true << none << plainTask("b").start(day(1)).build() << plainTask("a").start(day(2)).build();
        QTest::newRow("grouped: one due, start or not, by fallback")
            << int(TimestampDescType) << true << none << plainTask("b").due(day(4)).set("TIMESTAMP", 2000).build()
            << plainTask("a").start(day(1)).due(day(4)).build();
        QTest::newRow("grouped: same dates by fallback")
            << int(AlphabeticalType) << true << none << plainTask("b", "A").due(day(4)).build() << plainTask("a", "B").due(day(4)).build();
        QTest::newRow("not grouped: dates do not count")
            << int(TimestampAscType) << false << none << plainTask("b").build() << plainTask("a").due(day(1)).set("TIMESTAMP", 2000).build();
        QTest::newRow("manual: lower position first")
            << int(ManualType) << true << QVariantMap { { "a", 1 }, { "b", 0 } } << plainTask("b").build() << plainTask("a").build();
        QTest::newRow("manual: without a position by dates")
            << int(ManualType) << true << QVariantMap { { "b", 0 } } << plainTask("a").due(day(1)).build() << plainTask("b").build();
        QTest::newRow("manual: without positions oldest first")
            << int(ManualType) << true << none << plainTask("b").build() << plainTask("a").set("TIMESTAMP", 2000).build();
        // clang-format on
    }

    void comparisonPutsLeftFirst()
    {
        QFETCH(int, sortingType);
        QFETCH(bool, groupByDate);
        QFETCH(QVariantMap, positions);
        QFETCH(DataObject, left);
        QFETCH(DataObject, right);
        const QString listId = listWith(sortingType, groupByDate, positions);
        const QStringList expected { left.value("ID").toString(), right.value("ID").toString() };

        ShownList<SortModel> arrivedInOrder(*m_world, { left, right }, listId);
        QCOMPARE(shownOrder(*arrivedInOrder.proxy), expected);
        ShownList<SortModel> arrivedReversed(*m_world, { right, left }, listId);
        QCOMPARE(shownOrder(*arrivedReversed.proxy), expected);
    }

    void manualOrderPlacesUnpositionedRowsByDates()
    {
        // Positions 0..2 for a, b, c; d and e arrived after the order was taken.
        const QString listId = listWith(ManualType, true, { { "c", 0 }, { "a", 1 }, { "b", 2 } });
        ShownList<SortModel> list(*m_world,
            { plainTask("a").build(), plainTask("b").build(), plainTask("c").build(),
                plainTask("d").due(day(2)).build(), plainTask("e").build(), plainTask("f").state(2).build() },
            listId);
        // d has a due date, which beats c's lack of dates; e has none and
        // goes by its id among the positioned ones' fallback.
        QCOMPARE(shownOrder(*list.proxy), words("d c a b e f"));
        // A positioned completed task stays behind every active one.
        m_world->data->setManualSortedList(listId, ListTypeProject, { { "f", -1 }, { "c", 0 } });
        list.proxy->sort();
        QCOMPARE(shownOrder(*list.proxy).last(), QStringLiteral("f"));
    }

    void positionsAfterMoveShiftThePassedRows_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("positions");
        QTest::newRow("5 to 2") << 7 << 5 << 2 << "0 1 3 4 5 2 6";
        QTest::newRow("1 to 4") << 6 << 1 << 4 << "0 4 1 2 3 5";
        QTest::newRow("first to last") << 3 << 0 << 2 << "2 0 1";
        QTest::newRow("last to first") << 3 << 2 << 0 << "1 2 0";
        QTest::newRow("neighbours") << 2 << 0 << 1 << "1 0";
    }

    void positionsAfterMoveShiftThePassedRows()
    {
        QFETCH(int, count);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, positions);
        QStringList got;
        for (int position : SortModel::positionsAfterMove(count, from, to))
            got << QString::number(position);
        QCOMPARE(got, words(positions));
    }

    void movingARowStoresTheNewOrder()
    {
        const QString listId = listWith(AlphabeticalType, false);
        QList<DataObject> rows;
        for (const QString& id : words("a b c d e f g"))
            rows << plainTask(id).build();
        ShownList<SortModel> list(*m_world, rows, listId);
        QCOMPARE(shownOrder(*list.proxy), words("a b c d e f g"));

        list.proxy->moveItem(5, 2);
        QCOMPARE(shownOrder(*list.proxy), words("a b f c d e g"));
        const SortedListInfo stored = m_world->data->getSortedListInfo(listId, ListTypeProject);
        QCOMPARE(stored.sortingType, ManualType);
        const OrderHash expected { { "a", 0 }, { "b", 1 }, { "c", 3 }, { "d", 4 }, { "e", 5 }, { "f", 2 }, { "g", 6 } };
        QCOMPARE(stored.orderHash, expected);

        // Nothing happens for a move onto itself or out of the list.
        list.proxy->moveItem(3, 3);
        list.proxy->moveItem(1, 7);
        list.proxy->moveItem(-1, 2);
        QCOMPARE(m_world->data->getSortedListInfo(listId, ListTypeProject).orderHash, expected);
        QCOMPARE(shownOrder(*list.proxy), words("a b f c d e g"));
    }

    void switchingToManualKeepsTheShownOrder()
    {
        const QString listId = listWith(TimestampDescType, false);
        ShownList<SortModel> list(*m_world,
            { plainTask("a").build(), plainTask("b").set("TIMESTAMP", 3000).build(),
                plainTask("c").set("TIMESTAMP", 2000).build() },
            listId);
        QCOMPARE(shownOrder(*list.proxy), words("b c a"));
        list.proxy->switchToManualSortingMode();
        const SortedListInfo stored = m_world->data->getSortedListInfo(listId, ListTypeProject);
        QCOMPARE(stored.sortingType, ManualType);
        QCOMPARE(stored.orderHash, (OrderHash { { "b", 0 }, { "c", 1 }, { "a", 2 } }));
        QCOMPARE(list.proxy->sortingInfo().sortingType, ManualType);

        // The order now holds whatever the change times say; a new task goes
        // by its dates and change time, here after the positioned ones.
        list.rows = { plainTask("a").set("TIMESTAMP", 9000).build(), plainTask("b").build(),
            plainTask("c").build(), plainTask("d").set("TIMESTAMP", 99999).build() };
        list.proxy->update();
        QCOMPARE(shownOrder(*list.proxy), words("b c a d"));
    }

    // The proxy keeps what it reads of each row in step with the source:
    // after every kind of change it must show what a new proxy shows.
    void orderFollowsEveryChangeOfTheSource()
    {
        const QString listId = listWith(AlphabeticalType, false);
        const auto named = [](const QString& id, const QString& name, int state = 0) {
            return plainTask(id, name).state(state).build();
        };
        ShownList<SortModel> list(*m_world, { named("a", "Kiwi"), named("b", "Apple"), named("c", "Fig") }, listId);
        const QList<QList<DataObject>> steps {
            { named("a", "Banana"), named("b", "Apple"), named("c", "Fig") },                      // renamed in place
            { named("a", "Banana"), named("c", "Fig") },                                           // removed
            { named("d", "Cherry"), named("a", "Banana"), named("e", "Aaa"), named("c", "Fig") }, // added
            { named("d", "Cherry"), named("a", "Banana", 2), named("e", "Zed"), named("c", "Fig") },
            {},
            { named("f", "Date"), named("g", "Apple") },
        };
        for (const QList<DataObject>& step : steps) {
            list.rows = step;
            list.proxy->update();
            ShownList<SortModel> fresh(*m_world, step, listId);
            QCOMPARE(shownOrder(*list.proxy), shownOrder(*fresh.proxy));
            QCOMPARE(list.proxy->activeObjectCount(), fresh.proxy->activeObjectCount());
        }
        QCOMPARE(shownOrder(*list.proxy), words("g f"));
    }

    void completedRowsFollowTheirSetting_data()
    {
        QTest::addColumn<bool>("taskList");
        QTest::newRow("task list") << true;
        QTest::newRow("other list") << false;
    }

    void completedRowsFollowTheirSetting()
    {
        QFETCH(bool, taskList);
        Settings* settings = Settings::instance();
        ShownList<SortModel> list(*m_world, { plainTask("a").build(), plainTask("b").state(2).build() },
            listWith(AlphabeticalType, false), ListTypeProject, taskList);
        QCOMPARE(shownOrder(*list.proxy), words("a b"));

        // The other list's setting changes nothing here.
        if (taskList)
            settings->setShowCompletedProjects(false);
        else
            settings->setShowCompletedTasks(false);
        QCOMPARE(shownOrder(*list.proxy), words("a b"));

        if (taskList)
            settings->setShowCompletedTasks(false);
        else
            settings->setShowCompletedProjects(false);
        QCOMPARE(shownOrder(*list.proxy), words("a"));
        settings->setShowCompletedTasks(true);
        settings->setShowCompletedProjects(true);
        QCOMPARE(shownOrder(*list.proxy), words("a b"));
    }

    void activeRowsAreCountedAfterEveryUpdate()
    {
        ShownList<SortModel> list(*m_world,
            { plainTask("a").build(), plainTask("b").state(2).build(), plainTask("c").build() },
            listWith(AlphabeticalType, false));
        QSignalSpy counted(list.proxy.get(), &SortModel::activeObjectCountChanged);
        QSignalSpy updated(list.proxy.get(), &SortModel::updated);
        QCOMPARE(list.proxy->activeObjectCount(), 2);

        list.rows = { plainTask("a").state(2).build(), plainTask("b").state(2).build(), plainTask("c").build(),
            plainTask("d").state(1).build() };
        list.proxy->update();
        QCOMPARE(list.proxy->activeObjectCount(), 1);
        QCOMPARE(counted.count(), 1);
        QCOMPARE(counted.first().first().toInt(), 1);
        QCOMPARE(updated.count(), 1);

        list.proxy->clear();
        QCOMPARE(list.proxy->rowCount(), 0);
        QCOMPARE(list.proxy->activeObjectCount(), 0);
    }

    void readsRowsInShownOrder()
    {
        ShownList<SortModel> list(*m_world,
            { plainTask("c").build(), RecordBuilder::project("a").withId("a").set("STATE", 0).set("TIMESTAMP", 1000).build(),
                plainTask("b").build() },
            listWith(AlphabeticalType, false));
        QCOMPARE(shownOrder(*list.proxy), words("a b c"));
        QStringList tasks;
        for (const QVariant& task : list.proxy->getTaskList())
            tasks << task.toMap().value("ID").toString();
        QCOMPARE(tasks, words("b c"));
        QCOMPARE(list.proxy->getIndexByObjectId("c"), 2);
        QCOMPARE(list.proxy->getIndexByObjectId("missing"), -1);
        QCOMPARE(list.proxy->getObjectByIndex(1).value("ID").toString(), QStringLiteral("b"));
        QVERIFY(list.proxy->getObjectByIndex(3).isEmpty());
        QVERIFY(list.proxy->getObjectByIndex(-1).isEmpty());
    }

    void deletionTakesTheSourceAlong()
    {
        auto* source = new ListModel([] { return QList<DataObject> { plainTask("a").build() }; });
        auto* proxy = new SortModel();
        proxy->setDataManager(m_world->data.get());
        proxy->setSourceModel(source);
        QPointer<ListModel> sourceAlive(source);
        QPointer<SortModel> proxyAlive(proxy);
        proxy->requestDeletion();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(sourceAlive.isNull());
        QVERIFY(proxyAlive.isNull());
    }

    void subclassRulesGoFirst_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("sortingType");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folders first, one-step actions last, alphabetical") << "projects" << int(AlphabeticalType) << "f2 f1 p1 p2 " + OneStep;
        QTest::newRow("one-step actions last also by hand") << "projects" << int(ManualType) << "p2 p1 f2 f1 " + OneStep;
        QTest::newRow("contexts, projects, tasks") << "context" << int(AlphabeticalType) << "c p t";
        QTest::newRow("contexts, projects, tasks also by hand") << "context" << int(ManualType) << "t p c";
        QTest::newRow("a row without id last") << "roots" << int(AlphabeticalType) << "a b ";
        QTest::newRow("a row without id last also by hand") << "roots" << int(ManualType) << "b a ";
    }

    void subclassRulesGoFirst()
    {
        QFETCH(QString, kind);
        QFETCH(int, sortingType);
        QFETCH(QString, expected);
        // Manual positions reverse the alphabet; the first hooks beat them,
        // the second hooks do not.
        const QVariantMap reversed { { OneStep, 0 }, { "p2", 1 }, { "p1", 2 }, { "f2", 3 }, { "f1", 4 }, { "t", 0 },
            { "p", 1 }, { "c", 2 }, { "", -1 }, { "b", 0 }, { "a", 1 } };
        const QString listId = listWith(sortingType, false, reversed);
        std::unique_ptr<SortModel> proxy;
        QList<DataObject> rows;
        if (kind == "projects") {
            proxy.reset(new ProjectFolderSortModel());
            rows = { RecordBuilder::project("A", "").withId(OneStep).build(), RecordBuilder::project("P1").withId("p1").build(),
                RecordBuilder::folder("Z").withId("f1").build(), RecordBuilder::project("P2").withId("p2").build(),
                RecordBuilder::folder("Y").withId("f2").build() };
        } else if (kind == "context") {
            proxy.reset(new ContextTaskSortModel());
            rows = { plainTask("t", "A").build(), RecordBuilder::project("B").withId("p").build(),
                RecordBuilder::context("C").withId("c").build() };
        } else {
            proxy.reset(new RootContextsListModel());
            rows = { RecordBuilder::context("A").withId("").build(), RecordBuilder::context("C").withId("b").build(),
                RecordBuilder::context("B").withId("a").build() };
        }
        ListModel source([rows] { return rows; });
        proxy->setDataManager(m_world->data.get());
        proxy->setSourceModel(&source);
        proxy->setListInfo(listId, ListTypeProject);
        QAbstractItemModelTester tester(proxy.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        QCOMPARE(shownOrder(*proxy).join(' '), expected);
    }

    void tasksWithoutContextGoByProject()
    {
        // Projects x and y: y's oldest task (500) is older than x's (800).
        const QList<DataObject> rows { plainTask("x1", "A", "x").set("TIMESTAMP", 800).build(),
            plainTask("y1", "B", "y").set("TIMESTAMP", 900).build(), plainTask("o1", "C", OneStep).build(),
            plainTask("x2", "D", "x").set("TIMESTAMP", 1000).build(), plainTask("i1", "E", Inbox).build(),
            plainTask("y2", "F", "y").set("TIMESTAMP", 500).build(), plainTask("i2", "G", Inbox).build() };
        const QString listId = listWith(AlphabeticalType, false);
        NoContextTasksListModel source([rows] { return rows; }, [](const QString&) { return DataObject(); });
        NoContextTasksSortModel proxy;
        proxy.setDataManager(m_world->data.get());
        proxy.setSourceModel(&source);
        proxy.setListInfo(listId, ListTypeProject);
        QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::Fatal);
        QCOMPARE(shownOrder(proxy), words("i1 i2 o1 y1 y2 x1 x2"));
    }

    void dayPlanShowsSectionsInOrderAndCountsThem()
    {
        const QDate plan(2030, 5, 6);
        const auto dated = [](const QString& id, const QDateTime& start, const QDateTime& due) {
            return plainTask(id).start(start).due(due).build();
        };
        const auto project = [](const QString& id, const QDateTime& start, const QDateTime& due) {
            return RecordBuilder::project(id).withId(id).state(0).set("TIMESTAMP", 1000).start(start).due(due).build();
        };
        QList<DataObject> rows { dated("later", day(6), day(9)), project("pdue", QDateTime(), day(6)),
            dated("due", QDateTime(), day(6, 8)), plainTask("done").due(day(6)).state(2).build(),
            project("plater", day(5), day(9)), dated("due2", QDateTime(), day(6, 7)) };
        const QString listId = listWith(TimestampAscType, true);
        DailyPlanListModel source([&rows] { return rows; }, plan);
        DailyPlanSortModel proxy;
        proxy.setDataManager(m_world->data.get());
        proxy.setSourceModel(&source);
        proxy.setTaskList(true);
        proxy.setListInfo(listId, ListTypeDailyPlan);
        QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::Fatal);

        QCOMPARE(shownOrder(proxy), words("due2 due pdue later plater done"));
        QCOMPARE(proxy.activeTaskCount(), 2);
        QCOMPARE(proxy.activeProjectCount(), 1);
        QCOMPARE(proxy.alsoAvailableTaskCount(), 1);
        QCOMPARE(proxy.alsoAvailableProjectCount(), 1);
        QCOMPARE(proxy.activeObjectCount(), 3);

        // Hiding the also-available rows hides both of its sections, and
        // only them; the counts still cover every row.
        proxy.setHideAlsoAvailable(true);
        QCOMPARE(shownOrder(proxy), words("due2 due pdue done"));
        QCOMPARE(proxy.alsoAvailableTaskCount(), 1);

        QSignalSpy tasksCounted(&proxy, &DailyPlanSortModel::activeTaskCountChanged);
        QSignalSpy alsoCounted(&proxy, &DailyPlanSortModel::alsoAvailableProjectCountChanged);
        QSignalSpy activeCounted(&proxy, &SortModel::activeObjectCountChanged);
        rows.removeAt(2);                                  // "due" went away
        rows << project("plater2", day(1), day(12));
        proxy.update();
        QCOMPARE(proxy.activeTaskCount(), 1);
        QCOMPARE(proxy.alsoAvailableProjectCount(), 2);
        QCOMPARE(tasksCounted.count(), 1);
        QCOMPARE(alsoCounted.count(), 1);
        QCOMPARE(activeCounted.count(), 1);
        QCOMPARE(proxy.activeObjectCount(), 2);
        proxy.setHideAlsoAvailable(false);
        QCOMPARE(shownOrder(proxy), words("due2 pdue later plater plater2 done"));
    }

    // A row whose dates change so that it belongs to another section is
    // sorted and counted there: the proxy keeps each row's section, and must
    // not keep the old one.
    void dayPlanMovesAChangedRowToItsNewSection()
    {
        const QDate plan(2030, 5, 6);
        QList<DataObject> rows { plainTask("later").start(day(5)).due(day(9)).build(),
            plainTask("due").due(day(6, 8)).build() };
        DailyPlanListModel source([&rows] { return rows; }, plan);
        DailyPlanSortModel proxy;
        proxy.setDataManager(m_world->data.get());
        proxy.setSourceModel(&source);
        proxy.setTaskList(true);
        proxy.setListInfo(listWith(TimestampAscType, true), ListTypeDailyPlan);
        QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::Fatal);
        QCOMPARE(shownOrder(proxy), words("due later"));
        QCOMPARE(proxy.alsoAvailableTaskCount(), 1);

        rows[0] = plainTask("later").start(day(5)).due(day(6, 7)).build();
        proxy.update();
        QCOMPARE(shownOrder(proxy), words("later due"));
        QCOMPARE(proxy.activeTaskCount(), 2);
        QCOMPARE(proxy.alsoAvailableTaskCount(), 0);
    }
};

QUORVEL_TEST_MAIN(TestSortModels)
#include "tst_sortmodels.moc"
