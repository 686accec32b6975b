#include "ModelEventLog.h"
#include "models/FolderTreeModel.h"
#include "models/TreeModel.h"
#include "support/TestMain.h"

#include <QAbstractItemModelTester>

#include <algorithm>

namespace {
const auto Fatal = QAbstractItemModelTester::FailureReportingMode::Fatal;

QStringList words(const QString& text)
{
    return text.split(' ', Qt::SkipEmptyParts);
}

// Tree rows as the query gives them, by level: "a" is a root, "a.1" a child
// of "a" and "a.1.x" a child of "a.1"; "a.2@b" is "a.2" placed under "b";
// "*" marks a completed row, "+" a folder.
QList<DataObject> treeRows(const QStringList& tokens)
{
    QList<DataObject> rows;
    for (QString token : tokens) {
        const bool completed = token.contains('*'), folder = token.contains('+');
        token.remove('*').remove('+');
        const QString id = token.section('@', 0, 0);
        const QString parent
            = token.contains('@') ? token.section('@', 1) : id.left(qMax(0, id.lastIndexOf('.')));
        rows << DataObject { { "ID", id }, { "NAME", id }, { "PARENT", parent },
            { "LEVEL", parent.isEmpty() ? 0 : parent.count('.') + 1 }, { "STATE", completed ? 2 : 0 },
            { "FOLDER", folder } };
    }
    std::stable_sort(rows.begin(), rows.end(),
        [](const DataObject& a, const DataObject& b) { return a["LEVEL"].toInt() < b["LEVEL"].toInt(); });
    return rows;
}

// Each row's ID, with "-" when it is opened.
QStringList rowsOf(const TreeModel& model)
{
    QStringList ids;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString id = model.recordAt(row).value("ID").toString();
        ids << id + (model.isOpened(id) ? "-" : "");
    }
    return ids;
}
} // namespace

class TestTreeModels : public QObject
{
    Q_OBJECT

    TreeHierarchy m_tree;
    TreeModel::DataSource source()
    {
        return [this] { return m_tree; };
    }
    void setTree(const QStringList& tokens) { m_tree = TreeHierarchy::fromRows(treeRows(tokens)); }
    void setTree(const QString& tokens) { setTree(words(tokens)); }

private slots:
    void shouldOpenAndCloseItems()
    {
        setTree("a a.1 a.1.x a.1.x.deep a.2 b b.1 c");
        TreeModel model(source());
        QAbstractItemModelTester tester(&model, Fatal);
        ModelEventLog log(&model);
        QCOMPARE(rowsOf(model), words("a b c"));

        model.openItem("a");
        QCOMPARE(log.take(), words("change|0-0 insert|1-2").replaceInStrings("|", " "));
        model.openItem("a.1");
        model.openItem("a.1.x");
        model.openItem("b");
        model.openItem("c"); // nothing below it: opened, no rows
        QCOMPARE(rowsOf(model), words("a- a.1- a.1.x- a.1.x.deep a.2 b- b.1 c-"));
        log.take();

        // Ignored: unknown, already opened, not shown, not opened.
        model.openItem("nothing");
        model.openItem("a");
        model.openItem("a.1.x.deep.none");
        model.closeItem("a.2");
        model.closeItem("hidden");
        QCOMPARE(log.take(), QStringList());

        // Closing takes the whole subtree below and forgets what was opened
        // in it, but leaves the next item's children alone.
        model.closeItem("a");
        QCOMPARE(log.take(), words("remove|1-4 change|0-0").replaceInStrings("|", " "));
        QCOMPARE(rowsOf(model), words("a b- b.1 c-"));
        model.openItem("a");
        QCOMPARE(rowsOf(model), words("a- a.1 a.2 b- b.1 c-"));
        QCOMPARE(model.index(0).data(TreeModel::IsItemOpenedRole), QVariant(true));
        QCOMPARE(model.index(1).data(TreeModel::IsItemOpenedRole), QVariant(false));
    }

    void shouldTellWhichRowsHaveChildren_data()
    {
        QTest::addColumn<QString>("tree");
        QTest::addColumn<bool>("treeAnswer");
        QTest::addColumn<bool>("folderTreeAnswer");
        // clang-format off
        QTest::newRow("no children")             << "a+" << false << false;
        QTest::newRow("only completed children") << "a+ a.1* a.2*" << false << false;
        QTest::newRow("an active project")       << "a+ a.1* a.2" << true << false;
        QTest::newRow("a completed folder")      << "a+ a.1+*" << false << true;
        QTest::newRow("an active folder")        << "a+ a.1 a.2+" << true << true;
        // clang-format on
    }

    void shouldTellWhichRowsHaveChildren()
    {
        QFETCH(QString, tree);
        QFETCH(bool, treeAnswer);
        QFETCH(bool, folderTreeAnswer);
        setTree(tree);
        TreeModel model(source());
        FolderTreeModel folders(source());
        QAbstractItemModelTester tester(&model, Fatal);
        QAbstractItemModelTester folderTester(&folders, Fatal);
        QCOMPARE(model.index(0).data(TreeModel::HasChildrenRole).toBool(), treeAnswer);
        QCOMPARE(folders.index(0).data(TreeModel::HasChildrenRole).toBool(), folderTreeAnswer);
        QCOMPARE(model.index(0).data(TreeModel::TreeItemRole).toMap(), m_tree.node("a"));
        QCOMPARE(model.getObjectById("a"), m_tree.node("a"));
        QVERIFY(model.getObjectById("none").isEmpty());
        QVERIFY(!model.index(0).data(Qt::DisplayRole).isValid());
        QVERIFY(!model.data(model.index(5), TreeModel::TreeItemRole).isValid());
        const QHash<int, QByteArray> roles = folders.roleNames();
        QCOMPARE(QStringList({ roles.value(257), roles.value(258), roles.value(259) }),
            words("treeItemRole hasChildrenRole isItemOpenedRole"));
        QCOMPARE(roles.size(), 3);
    }

    void shouldKeepRowsThroughUpdates_data()
    {
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("events");
        // Before: a- a.1 a.2 b- b.1 c
        // clang-format off
        QTest::newRow("same tree")              << "a a.1 a.2 b b.1 c" << "a- a.1 a.2 b- b.1 c" << "";
        QTest::newRow("roots in another order") << "c a a.1 a.2 b b.1" << "c a- a.1 a.2 b- b.1" << "move 5-5>0";
        QTest::newRow("opened root with its children to the end")
            << "b b.1 c a a.1 a.2" << "b- b.1 c a- a.1 a.2" << "move 0-2>6";
        QTest::newRow("child moved down among its siblings")
            << "a a.2 a.1 b b.1 c" << "a- a.2 a.1 b- b.1 c" << "move 1-1>3, change 0-0";
        QTest::newRow("new child of an opened item")
            << "a a.1 a.2 a.3 b b.1 c" << "a- a.1 a.2 a.3 b- b.1 c" << "insert 3-3, change 0-0";
        QTest::newRow("new child of a closed item") << "a a.1 a.2 b b.1 c c.1" << "a- a.1 a.2 b- b.1 c" << "change 5-5";
        QTest::newRow("opened item gone")           << "a a.1 a.2 c" << "a- a.1 a.2 c" << "remove 3-4";
        QTest::newRow("child moved to another parent")
            << "a a.1 b b.1 a.2@b c" << "a- a.1 b- b.1 a.2 c" << "move 2-2>5, change 0-4";
        QTest::newRow("completed child")            << "a a.1 a.2* b b.1 c" << "a- a.1 a.2 b- b.1 c" << "change 0-2";
        // clang-format on
    }

    void shouldKeepRowsThroughUpdates()
    {
        QFETCH(QString, after);
        QFETCH(QString, rows);
        QFETCH(QString, events);
        const QString before = "a a.1 a.2 b b.1 c";
        setTree(before);
        TreeModel model(source());
        QAbstractItemModelTester tester(&model, Fatal);
        model.openItem("a");
        model.openItem("b");
        QPersistentModelIndex firstChild = model.index(1);
        ModelEventLog log(&model);

        setTree(after);
        model.update();
        QCOMPARE(rowsOf(model), words(rows));
        QCOMPARE(log.take(), events.split(", ", Qt::SkipEmptyParts));
        QCOMPARE(firstChild.data(TreeModel::TreeItemRole).toMap().value("ID").toString(), "a.1");

        // Whatever came in or moved closes with its item.
        model.closeItem("a");
        model.closeItem("b");
        QCOMPARE(rowsOf(model).filter("."), QStringList());

        // An opened item that left the tree comes back closed.
        model.openItem("b");
        setTree(before);
        model.update();
        QCOMPARE(rowsOf(model), words(rows.contains("b-") ? "a b- b.1 c" : "a b c"));

        // Clearing forgets what was opened; the source stays.
        log.take();
        const int shown = model.rowCount();
        model.clear();
        model.clear();
        QCOMPARE(log.take(), QStringList(QString("remove 0-%1").arg(shown - 1)));
        model.update();
        QCOMPARE(rowsOf(model), words("a b c"));
    }

    void shouldReorderManyRowsInOneLayoutChange()
    {
        QStringList roots;
        for (int i = 0; i < 40; ++i)
            roots << QString("r%1").arg(i, 2, 10, QChar('0'));
        setTree(roots);
        TreeModel model(source());
        QAbstractItemModelTester tester(&model, Fatal);
        QPersistentModelIndex first = model.index(0);
        ModelEventLog log(&model);

        std::reverse(roots.begin(), roots.end());
        setTree(roots);
        model.update();
        QCOMPARE(rowsOf(model), roots);
        QCOMPARE(log.take(), QStringList("layout"));
        QCOMPARE(first.row(), 39);
        QCOMPARE(model.rowOfId("r00"), 39);
    }

    void shouldNotLoopOnBrokenTrees()
    {
        // x and y are each other's parent; z names itself; w is a root by
        // its level and also a child of x.
        m_tree = TreeHierarchy::fromRows({
            { { "ID", "x" }, { "PARENT", "y" }, { "LEVEL", 0 } },
            { { "ID", "w" }, { "PARENT", "x" }, { "LEVEL", 0 } },
            { { "ID", "z" }, { "PARENT", "z" }, { "LEVEL", 0 } },
            { { "ID", "y" }, { "PARENT", "x" }, { "LEVEL", 1 } },
        });
        TreeModel model(source());
        QAbstractItemModelTester tester(&model, Fatal);
        model.openItem("x");
        model.openItem("y");
        model.openItem("z");
        QCOMPARE(rowsOf(model), words("x- y- w z-"));
        model.update();
        QCOMPARE(rowsOf(model), words("x- y- w z-"));
        model.closeItem("x");
        QCOMPARE(rowsOf(model), words("x w z-"));
    }

    void shouldSurviveCallsBackIntoTheModel()
    {
        setTree("a a.1 b");
        TreeModel* model = nullptr;
        TreeModel feeding([&] {
            if (model) {
                model->openItem("a");
                model->update();
                model->clear();
            }
            return m_tree;
        });
        model = &feeding;
        QAbstractItemModelTester tester(model, Fatal);
        setTree("b c");
        model->update();
        QCOMPARE(rowsOf(*model), words("b c"));

        TreeModel withoutSource(TreeModel::DataSource {});
        withoutSource.update();
        QCOMPARE(withoutSource.rowCount(), 0);
    }

    void shouldUpdateLargeTreesQuickly()
    {
        QStringList tokens;
        for (int i = 0; i < 5000; ++i)
            tokens << QString("f%1").arg(i) << QString("f%1.p").arg(i);
        setTree(tokens);
        TreeModel model(source());
        for (int i = 0; i < 5000; i += 2)
            model.openItem(QString("f%1").arg(i));
        QCOMPARE(model.rowCount(), 7500);

        std::reverse(tokens.begin(), tokens.end());
        setTree(tokens);
        model.update();
        // The tester walks every row at every notification; here it checks
        // the result only.
        QAbstractItemModelTester tester(&model, Fatal);
        QCOMPARE(model.recordAt(0).value("ID").toString(), "f4999");
        QCOMPARE(model.rowOfId("f4998.p"), 2);
    }
};

QUORVEL_TEST_MAIN(TestTreeModels)
#include "tst_treemodels.moc"
