#include "ModelEventLog.h"
#include "models/DailyPlanListModel.h"
#include "models/ListModel.h"
#include "models/NoContextTasksListModel.h"
#include "support/RecordBuilder.h"
#include "support/TestMain.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <ctime>

namespace {
const QString Inbox = QStringLiteral("inbox");

// "b" is task b named b; "b/2" the same completed; "b/0/Bee" named Bee;
// "?x" a record without ID named x.
QList<DataObject> records(const QStringList& tokens)
{
    QList<DataObject> result;
    for (const QString& token : tokens) {
        const QStringList parts = token.split('/');
        RecordBuilder record = RecordBuilder::task(parts.value(2, parts.at(0)), Inbox).period(QString());
        if (token.startsWith('?'))
            record.set("NAME", token.mid(1));
        else
            record.withId(parts.at(0));
        result << record.state(parts.value(1, "0").toInt());
    }
    return result;
}

QStringList words(const QString& text)
{
    return text.split(' ', Qt::SkipEmptyParts);
}

// Each row as "id", or "id=name" when the name is not the id.
QStringList rowsOf(const QAbstractItemModel& model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        const DataObject record = model.index(row, 0).data(ListModel::ListItemRole).toMap();
        const QString id = record.value("ID").toString(), name = record.value("NAME").toString();
        rows << (id == name ? id : id + '=' + name);
    }
    return rows;
}
} // namespace

class TestListModels : public QObject
{
    Q_OBJECT

    QList<DataObject> m_records;
    ListModel::DataSource source()
    {
        return [this] { return m_records; };
    }

private slots:
    void initTestCase()
    {
        // Far from UTC: wall-clock dates must not be shifted into the zone.
        qputenv("TZ", "Pacific/Auckland");
        tzset();
    }

    void shouldKeepRowIdentityAcrossUpdates_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("events");
        // clang-format off
        QTest::newRow("same records, other order")      << "a b c" << "c b a" << "a b c" << "";
        QTest::newRow("completed task goes to the end") << "a b c" << "a b/2 c" << "a c b" << "remove 1-1, insert 2-2";
        QTest::newRow("restored task goes to the end")  << "a/2 b" << "b a" << "b a" << "remove 0-0, insert 1-1";
        QTest::newRow("new records join at the end")    << "a b" << "d a c b" << "a b d c" << "insert 2-3";
        QTest::newRow("scattered removals, last block first")
            << "a b c d e f" << "e b" << "b e" << "remove 5-5, remove 2-3, remove 0-0";
        QTest::newRow("renamed records change in place") << "a b c d" << "a b/0/B c/0/C d" << "a b=B c=C d" << "change 1-2";
        QTest::newRow("everything replaced")            << "a b" << "c d" << "c d" << "remove 0-1, insert 0-1";
        QTest::newRow("nothing before, nothing after")  << "" << "" << "" << "";
        QTest::newRow("all gone")                       << "a b" << "" << "" << "remove 0-1";
        QTest::newRow("duplicate IDs: the first wins")
            << "a" << "a/0/first b a/0/second b/2" << "a=first b" << "insert 1-1, change 0-0";
        QTest::newRow("records without ID share one row") << "a" << "?x a ?y" << "a =x" << "insert 1-1";
        // clang-format on
    }

    void shouldKeepRowIdentityAcrossUpdates()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, rows);
        QFETCH(QString, events);

        m_records = records(words(before));
        ListModel model(source());
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        ModelEventLog log(&model);
        QSignalSpy updated(&model, &ListModel::updated);

        m_records = records(words(after));
        model.update();
        QCOMPARE(rowsOf(model), words(rows));
        QCOMPARE(log.take(), events.split(", ", Qt::SkipEmptyParts));
        QCOMPARE(updated.count(), 1);
        for (int row = 0; row < model.rowCount(); ++row)
            QCOMPARE(model.rowOfId(model.recordAt(row).value("ID").toString()), row);

        // Clearing keeps the source: the next update fills the list again,
        // in the source's order.
        const int count = model.rowCount();
        model.clear();
        QCOMPARE(log.take(), count ? QStringList(QString("remove 0-%1").arg(count - 1)) : QStringList());
        model.update();
        QCOMPARE(model.rowCount(), count);
    }

    void shouldAnswerRolesFromTheRecord_data()
    {
        QTest::addColumn<DataObject>("record");
        QTest::addColumn<QString>("objectType");
        QTest::newRow("task") << DataObject(RecordBuilder::task("t", Inbox).period("d;1")) << "task";
        QTest::newRow("completed task")
            << DataObject(RecordBuilder::task("t", Inbox).period("").state(2)) << "completed";
        QTest::newRow("completed and deleted task")
            << DataObject(RecordBuilder::task("t", Inbox).period("").state(3)) << "task";
        QTest::newRow("project") << DataObject(RecordBuilder::project("p")) << "project";
        QTest::newRow("folder") << DataObject(RecordBuilder::folder("f")) << "folder";
        QTest::newRow("folder flag as text")
            << DataObject(RecordBuilder::project("f").set("FOLDER", "1")) << "folder";
        QTest::newRow("context") << DataObject(RecordBuilder::context("c")) << "context";
        // Types are told by keys: a task record that lacks PERIOD is read as
        // a context.
        QTest::newRow("task without PERIOD") << DataObject(RecordBuilder::task("t", Inbox)) << "context";
        QTest::newRow("completed project") << DataObject(RecordBuilder::project("p").state(2)) << "completed";
    }

    void shouldAnswerRolesFromTheRecord()
    {
        QFETCH(DataObject, record);
        QFETCH(QString, objectType);
        record.insert("ID", "x");
        m_records = { record };
        ListModel model(source());
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

        const QModelIndex index = model.index(0);
        QCOMPARE(index.data(ListModel::ListItemRole).toMap(), record);
        QCOMPARE(index.data(ListModel::StateRole), QVariant(record.value("STATE").toInt()));
        QCOMPARE(index.data(ListModel::ObjectTypeRole).toString(), objectType);
        QVERIFY(!index.data(Qt::DisplayRole).isValid());
        QVERIFY(!model.data(model.index(1), ListModel::ListItemRole).isValid());
        QVERIFY(!model.data(QModelIndex(), ListModel::StateRole).isValid());
    }

    void shouldNameRolesForTheInterface()
    {
        const auto names = [](const QAbstractItemModel& model) {
            const QHash<int, QByteArray> roles = model.roleNames();
            QStringList result { roles.value(257), roles.value(258), roles.value(259), roles.value(260) };
            result.removeAll(QString());
            return result;
        };
        QCOMPARE(names(ListModel(source())), words("listItemRole stateRole objectTypeRole"));
        QCOMPARE(names(DailyPlanListModel(source(), QDate(2024, 5, 1))),
            words("listItemRole dailyPlanRole objectTypeRole"));
        QCOMPARE(
            names(NoContextTasksListModel(source(), {})), words("listItemRole stateRole parentProjectRole"));
    }

    void shouldSurviveCallsBackIntoTheModel()
    {
        // A source that updates or clears the model it feeds, and a listener
        // that asks for the next update: no recursion, no broken rows.
        m_records = records({ "a", "b" });
        ListModel* model = nullptr;
        int nested = 0;
        ListModel feeding([&] {
            if (model && nested++ < 3) {
                model->update();
                model->clear();
            }
            return m_records;
        });
        model = &feeding;
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        int followUps = 0;
        connect(model, &ListModel::updated, [&] {
            if (followUps++ == 0)
                model->update();
        });
        m_records = records({ "b", "c" });
        model->update();
        QCOMPARE(followUps, 2);
        QCOMPARE(rowsOf(*model), words("b c"));

        ListModel withoutSource(ListModel::DataSource {});
        withoutSource.update();
        QCOMPARE(withoutSource.rowCount(), 0);
    }

    void shouldUpdateLongListsQuickly()
    {
        // Reversed, with every tenth record completed, every tenth gone and
        // a thousand new ones at the end.
        const int count = 20000;
        QStringList before, after;
        for (int i = 0; i < count; ++i) {
            const int j = count - 1 - i;
            before << QString::number(i);
            if (j % 10 != 7)
                after << QString::number(j) + (j % 10 == 3 ? "/2" : "");
        }
        for (int i = 0; i < 1000; ++i)
            after << "new" + QString::number(i);
        m_records = records(before);
        ListModel model(source());
        m_records = records(after);

        // The tester walks every row at every notification, so it checks the
        // result here rather than watching the thousands of removals.
        model.update();
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        QCOMPARE(model.rowCount(), after.size());
        QCOMPARE(model.recordAt(0).value("ID").toString(), "0");
        QCOMPARE(model.recordAt(count * 8 / 10).value("STATE").toInt(), 2);
        QCOMPARE(model.rowOfId("new999"), after.size() - 1);
    }

    void shouldPlaceRecordsInDayPlanSections_data()
    {
        const QDate day(2024, 5, 10);
        const auto at
            = [day](int days, int hour = 9) { return wallClock(day.addDays(days), QTime(hour, 0)); };
        QTest::addColumn<DataObject>("record");
        QTest::addColumn<int>("section");
        const auto task = [] { return RecordBuilder::task("t", Inbox).period(QString()); };
        const auto project = [] { return RecordBuilder::project("p"); };
        QTest::newRow("task due that day") << DataObject(task().due(at(0))) << 0;
        QTest::newRow("project due that day") << DataObject(project().due(at(0))) << 1;
        QTest::newRow("overdue task") << DataObject(task().start(at(-5)).due(at(-2))) << 0;
        QTest::newRow("late evening due stays on its day") << DataObject(task().due(at(0, 23))) << 0;
        QTest::newRow("started that day, due in two days") << DataObject(task().start(at(0)).due(at(2))) << 2;
        QTest::newRow("project started, due later") << DataObject(project().start(at(-1)).due(at(2))) << 3;
        QTest::newRow("due later, no start") << DataObject(task().due(at(1))) << 2;
        QTest::newRow("starts and is due later") << DataObject(task().start(at(1)).due(at(3))) << 0;
        QTest::newRow("only a start, later") << DataObject(task().start(at(1))) << 0;
        QTest::newRow("only a start, that day") << DataObject(task().start(at(0, 0))) << 2;
        QTest::newRow("no dates") << DataObject(task()) << 0;
        QTest::newRow("project without dates") << DataObject(project()) << 1;
        QTest::newRow("completed task") << DataObject(task().due(at(1)).state(2)) << 4;
        QTest::newRow("unreadable dates") << DataObject(task().set("DUE", "soon").set("START", 17)) << 0;
        // An occurrence of a repeated task on a past day keeps the stored
        // task's dates; its own are the FAKE ones.
        const auto occurrence = task().period("d;7").set("REPEATED", true);
        QTest::newRow("occurrence on that day") << DataObject(
            RecordBuilder(occurrence).start(at(-1)).due(at(7)).set("FAKESTART", at(-2)).set("FAKEDUE", at(0)))
                                                << 0;
        QTest::newRow("occurrence on a later day") << DataObject(RecordBuilder(occurrence).due(at(0))) << 0;
    }

    void shouldPlaceRecordsInDayPlanSections()
    {
        QFETCH(DataObject, record);
        QFETCH(int, section);
        record.insert("ID", "x");
        m_records = { record };
        DailyPlanListModel model(source(), QDate(2024, 5, 10));
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        QCOMPARE(model.index(0).data(DailyPlanListModel::DailyPlanRole), QVariant(section));
    }

    void shouldNameParentProjectsOncePerUpdate()
    {
        QHash<QString, QString> names { { "p1", "Garden" } };
        QStringList asked;
        m_records = { RecordBuilder::task("a", "p1").withId("a").period(""),
            RecordBuilder::task("b", "p1").withId("b").period(""),
            RecordBuilder::task("c", "gone").withId("c").period("") };
        NoContextTasksListModel model(source(), [&](const QString& id) {
            asked << id;
            return names.contains(id) ? DataObject { { "ID", id }, { "NAME", names.value(id) } }
                                      : DataObject();
        });
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        const int nameRole = NoContextTasksListModel::ParentProjectNameRole;
        QCOMPARE(nameRole, 260);

        const auto read = [&] {
            QStringList result;
            for (int row = 0; row < model.rowCount(); ++row)
                result << model.index(row).data(NoContextTasksListModel::ParentProjectRole).toString() + ':'
                        + model.index(row).data(nameRole).toString();
            return result;
        };
        QCOMPARE(read(), (QStringList { "p1:Garden", "p1:Garden", "gone:" }));
        read();
        asked.sort();
        QCOMPARE(asked, (QStringList { "gone", "p1" }));

        // A renamed project shows its new name after the next update, and the
        // rows say so although their records did not change.
        names["p1"] = "Orchard";
        ModelEventLog log(&model);
        model.update();
        QCOMPARE(log.take(), QStringList { "change 0-2" });
        QCOMPARE(read(), (QStringList { "p1:Orchard", "p1:Orchard", "gone:" }));

        NoContextTasksListModel withoutLookup(source(), {});
        QCOMPARE(withoutLookup.index(0).data(nameRole).toString(), QString());
    }
};

QUORVEL_TEST_MAIN(TestListModels)
#include "tst_listmodels.moc"
