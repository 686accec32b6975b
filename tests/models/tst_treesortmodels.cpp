#include "SortingWorld.h"

#include "data/PredefinedDataHelper.h"
#include "models/ContextTreeSortModel.h"
#include "models/FolderTreeModel.h"
#include "models/FolderTreeSortModel.h"
#include "models/ProjectTreeSortModel.h"
#include "models/TreeModel.h"
#include "models/TreeSortModel.h"
#include "shell/Settings.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

using namespace SortingNamespace;

namespace {
const QString OneStep = PredefinedDataHelper::initialOneStepActionsId();
const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();

QStringList words(const QString& text)
{
    return text.split(' ', Qt::SkipEmptyParts);
}

// One tree row: "id:name" under parent at level, changed at stamp.
struct Node
{
    QString id;
    QString name;
    QString parent;
    int level = 0;
    qint64 stamp = 1000;
    bool folder = false;
    int state = 0;
    // Left closed: opening would show a looping parent once more.
    bool closed = false;
};

DataObject recordOf(const Node& node)
{
    return DataObject { { "ID", node.id }, { "NAME", node.name }, { "PARENT", node.parent }, { "LEVEL", node.level },
        { "STATE", node.state }, { "TIMESTAMP", node.stamp }, { "FOLDER", node.folder }, { "START", QDateTime() },
        { "DUE", QDateTime() } };
}

// A tree proxy of type Proxy over a tree of nodes with every row opened.
template <typename Proxy, typename Source = TreeModel> struct ShownTree
{
    ShownTree(SortingWorld& world, const QList<Node>& nodes, const QString& rootList, ListType listType,
        const QString& filteredId = QString())
    {
        for (const Node& node : nodes)
            rows << recordOf(node);
        source.reset(new Source([this] { return TreeHierarchy::fromRows(rows); }));
        // Opened from the top, so that every row is shown once.
        for (int level = 0; level < 4; ++level) {
            for (const Node& node : nodes) {
                if (node.level == level && !node.closed)
                    source->openItem(node.id);
            }
        }
        proxy.reset(new Proxy());
        proxy->setDataManager(world.data.get());
        proxy->setFilteredObjectId(filteredId);
        proxy->setSourceModel(source.get());
        proxy->setListInfo(rootList, listType);
        tester.reset(new QAbstractItemModelTester(proxy.get(), QAbstractItemModelTester::FailureReportingMode::Fatal));
    }
    ~ShownTree()
    {
        tester.reset();
        proxy.reset();
    }

    QList<DataObject> rows;
    std::unique_ptr<Source> source;
    std::unique_ptr<Proxy> proxy;
    std::unique_ptr<QAbstractItemModelTester> tester;
};
} // namespace

class TestTreeSortModels : public QObject
{
    Q_OBJECT

    std::unique_ptr<SortingWorld> m_world;

    // A tree whose top level is alphabetical, f1 newest first, f2 by hand
    // (z, x, y) and everything else without a choice (oldest first).
    QList<Node> nestedTree(const QString& root)
    {
        m_world->data->setSortedList(root, ListTypeFolder, AlphabeticalType, false);
        m_world->data->setSortedList("f1", ListTypeFolder, TimestampDescType, false);
        m_world->data->setManualSortedList("f2", ListTypeFolder, { { "z", 0 }, { "x", 1 }, { "y", 2 } });
        // Listed against the order they end in, so the proxy must do the work.
        return { { "r", "Gamma", "", 0 }, { "f1", "Beta", "", 0, 1000, true }, { "f2", "Alpha", "", 0, 1000, true },
            { "a", "A", "f1", 1, 100 }, { "c", "C", "f1", 1, 200 }, { "b", "B", "f1", 1, 300, true },
            { "y", "Y", "f2", 1 }, { "x", "X", "f2", 1 }, { "z", "Z", "f2", 1 }, { "g1", "G1", "b", 2, 20 },
            { "g2", "G2", "b", 2, 10 } };
    }

private slots:
    void initTestCase()
    {
        StoreFixture::setUpLogging(QStringLiteral("tst_treesortmodels"));
        m_world = std::make_unique<SortingWorld>(QStringLiteral("treesortmodels"));
        Settings::instance()->setShowCompletedProjects(true);
    }

    void cleanupTestCase() { m_world.reset(); }

    void childrenFollowTheirParentsList()
    {
        ShownTree<TreeSortModel> tree(*m_world, nestedTree("tree_root"), "tree_root", ListTypeFolder);
        QCOMPARE(shownOrder(*tree.proxy), words("f2 z x y f1 b g2 g1 c a r"));

        // A parent whose PARENT names nothing in the tree counts as a top row.
        QList<Node> nodes = nestedTree("tree_root");
        nodes << Node { "o", "Delta", "gone", 0 } << Node { "o1", "O1", "o", 1 };
        ShownTree<TreeSortModel> orphan(*m_world, nodes, "tree_root", ListTypeFolder);
        QCOMPARE(shownOrder(*orphan.proxy), words("f2 z x y f1 b g2 g1 c a o o1 r"));
    }

    void projectTreeKeepsBuiltInListsLast_data()
    {
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QString>("expected");
        QTest::newRow("alphabetical: folders first") << false << "f f.1 f.2 c " + Inbox + " " + OneStep;
        QTest::newRow("by hand: positions beat folders") << true << "c f f.2 f.1 " + Inbox + " " + OneStep;
    }

    void projectTreeKeepsBuiltInListsLast()
    {
        QFETCH(bool, manual);
        QFETCH(QString, expected);
        const QString root = QStringLiteral("projects_%1").arg(manual);
        if (manual) {
            m_world->data->setManualSortedList(root, ListTypeFolder, { { OneStep, 0 }, { Inbox, 1 }, { "c", 2 }, { "f", 3 } });
            m_world->data->setManualSortedList("f", ListTypeFolder, { { "f.2", 0 }, { "f.1", 1 } });
        } else {
            m_world->data->setSortedList(root, ListTypeFolder, AlphabeticalType, false);
        }
        const QList<Node> nodes { { OneStep, "A", "", 0 }, { Inbox, "B", "", 0 }, { "c", "C", "", 0 },
            { "done", "D", "", 0, 1000, false, 2 }, { "f", "Z", "", 0, 1000, true }, { "f.2", "Y", "f", 1 },
            { "f.1", "X", "f", 1 } };
        ShownTree<ProjectTreeSortModel> tree(*m_world, nodes, root, ListTypeFolder);
        QCOMPARE(shownOrder(*tree.proxy).join(' '), expected);
    }

    void movingATreeRowReordersItsSiblings_data()
    {
        QTest::addColumn<QString>("moved");
        QTest::addColumn<QString>("onto");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("shown");
        QTest::newRow("up among siblings") << "a" << "b" << "f1" << "a:0 b:1 c:2" << "f2 z x y f1 a b g2 g1 c r";
        QTest::newRow("down past a sibling's children") << "b" << "c" << "f1" << "b:1 c:0 a:2"
                                                         << "f2 z x y f1 c b g2 g1 a r";
        QTest::newRow("a top row over another's children") << "r" << "x" << "tree_move" << "r:1 f2:0 f1:2"
                                                            << "f2 z x y r f1 b g2 g1 c a";
        QTest::newRow("a grandchild") << "g1" << "g2" << "b" << "g1:0 g2:1" << "f2 z x y f1 b g1 g2 c a r";
    }

    void movingATreeRowReordersItsSiblings()
    {
        QFETCH(QString, moved);
        QFETCH(QString, onto);
        QFETCH(QString, list);
        QFETCH(QString, order);
        QFETCH(QString, shown);
        ShownTree<TreeSortModel> tree(*m_world, nestedTree("tree_move"), "tree_move", ListTypeFolder);
        QCOMPARE(shownOrder(*tree.proxy), words("f2 z x y f1 b g2 g1 c a r"));

        tree.proxy->moveItem(tree.proxy->getIndexByObjectId(moved), tree.proxy->getIndexByObjectId(onto));
        const SortedListInfo stored = m_world->data->getSortedListInfo(list, ListTypeFolder);
        QCOMPARE(stored.sortingType, ManualType);
        QStringList positions;
        for (const QString& id : stored.orderHash.keys())
            positions << id + ':' + QString::number(stored.orderHash.value(id));
        positions.sort();
        QStringList expected = words(order);
        expected.sort();
        QCOMPARE(positions, expected);
        QCOMPARE(shownOrder(*tree.proxy), words(shown));
    }

    void parentPickersLeaveOutTheMovedObject_data()
    {
        QTest::addColumn<QString>("filtered");
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing left out") << "do_not_filter" << "k k2 v w w1 w2";
        QTest::newRow("a folder and all inside") << "w" << "k k2 v";
        QTest::newRow("an inner folder") << "w1" << "k k2 v w";
        QTest::newRow("a parent loop, from one end") << "k" << "v w w1 w2";
        QTest::newRow("a parent loop, from the other") << "k2" << "v w w1 w2";
    }

    // Folders w > w1 > w2, v, and k, k2 which name each other as parent; a
    // project p lies in w.
    void parentPickersLeaveOutTheMovedObject()
    {
        QFETCH(QString, filtered);
        QFETCH(QString, shown);
        m_world->data->setSortedList("root_projects", ListTypeFolder, AlphabeticalType, false);
        const QList<Node> nodes { { "w", "W", "", 0, 1000, true }, { "v", "V", "", 0, 1000, true },
            { "k", "K", "k2", 0, 1000, true }, { "w1", "W1", "w", 1, 1000, true }, { "p", "P", "w", 1 },
            { "k2", "K2", "k", 1, 1000, true, 0, true }, { "w2", "W2", "w1", 2, 1000, true } };
        ShownTree<FolderTreeSortModel, FolderTreeModel> folders(
            *m_world, nodes, "root_projects", ListTypeFolder, filtered);
        QStringList ids = shownOrder(*folders.proxy);
        ids.sort();
        QCOMPARE(ids, words(shown));

        ShownTree<ContextTreeSortModel> contexts(*m_world, nodes, "root_contexts", ListTypeContext, filtered);
        ids = shownOrder(*contexts.proxy);
        ids.removeAll("p");
        ids.sort();
        QCOMPARE(ids, words(shown));
    }

    void contextTreeKeepsTheRowWithoutIdLast()
    {
        m_world->data->setManualSortedList("contexts_root", ListTypeContext, { { "", 0 }, { "b", 1 }, { "a", 2 } });
        const QList<Node> nodes { { "a", "A", "", 0 }, { "", "No context", "", 0, 1000, false, 0, true }, { "b", "B", "", 0 },
            { "c", "C", "", 0 } };
        ShownTree<ContextTreeSortModel> tree(*m_world, nodes, "contexts_root", ListTypeContext);
        QCOMPARE(shownOrder(*tree.proxy).join(' '), QStringLiteral("b a c "));
    }

    void projectTreeHidesCompletedProjects()
    {
        Settings::instance()->setShowCompletedProjects(true);
        const QList<Node> nodes { { "a", "A", "", 0 }, { "b", "B", "", 0, 1000, false, 2 } };
        ShownTree<ProjectTreeSortModel> projects(*m_world, nodes, "hidden_root", ListTypeFolder);
        QCOMPARE(shownOrder(*projects.proxy), words("a"));
        ShownTree<TreeSortModel> plain(*m_world, nodes, "hidden_root", ListTypeFolder);
        QCOMPARE(shownOrder(*plain.proxy), words("a b"));
    }
};

QUORVEL_TEST_MAIN(TestTreeSortModels)
#include "tst_treesortmodels.moc"
