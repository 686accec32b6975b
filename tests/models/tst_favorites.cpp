#include "StoreWorld.h"
#include "models/FavoritesManager.h"
#include "models/FavoritesSortModel.h"
#include "shell/AppPaths.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlEngine>
#include <QSettings>
#include <QSignalSpy>

namespace {

using F = FavoritesManager;

QString freshPath()
{
    static int count = 0;
    return AppPaths::appDataFile(QStringLiteral("favorites_%1.dat").arg(++count));
}

QDateTime fixedNow()
{
    return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::UTC);
}

// Pending changes as "task:t1" words, in order.
QStringList changesOf(const QJsonArray& changes)
{
    QStringList words;
    for (const QJsonValue& value : changes) {
        const QJsonObject change = value.toObject();
        words << change.value("object_type").toString() + ':' + change.value("object_id").toString();
    }
    return words;
}

// "+task:a" adds, "-context:b" removes.
void apply(FavoritesManager& favorites, const QString& operations)
{
    for (const QString& operation : operations.split(' ', Qt::SkipEmptyParts)) {
        const int colon = operation.indexOf(':');
        const int kind = F::kindOfName(operation.mid(1, colon - 1));
        const QString id = operation.mid(colon + 1);
        if (operation.startsWith('+'))
            favorites.add(kind, id);
        else
            favorites.remove(kind, id);
    }
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList damagedCopies(const QString& path)
{
    const QFileInfo info(path);
    return info.dir().entryList({ info.fileName() + QStringLiteral(".damaged-*") });
}

QStringList favoritesOf(const FavoritesManager* favorites)
{
    QStringList words;
    for (int kind : { F::TaskKind, F::ProjectKind, F::ContextKind }) {
        for (const QString& id : favorites->ids(kind))
            words << F::kindName(kind) + ':' + id;
    }
    return words;
}

} // namespace

class TestFavorites : public QObject
{
    Q_OBJECT

    StoreFixture m_log;

private slots:
    void initTestCase()
    {
        TestSandbox::reset();
        StoreFixture::setUpLogging(QStringLiteral("tst_favorites"));
    }

    void init()
    {
        FavoritesManager::instance()->clearAll();
        m_log.markLog();
    }

    void shouldRecordOnePendingChangePerObject_data()
    {
        QTest::addColumn<QString>("operations");
        QTest::addColumn<QStringList>("favorites");
        QTest::addColumn<QStringList>("toAdd");
        QTest::addColumn<QStringList>("toRemove");
        QTest::addColumn<int>("added"); // objectAdded signals
        QTest::addColumn<int>("removed");
        // clang-format off
        QTest::newRow("task added twice") << "+task:a +task:a"
            << QStringList { "task:a" } << QStringList { "task:a" } << QStringList() << 1 << 0;
        QTest::newRow("kinds kept apart") << "+task:x +project:x +context:x"
            << QStringList { "task:x", "project:x", "context:x" }
            << QStringList { "task:x", "project:x", "context:x" } << QStringList() << 3 << 0;
        QTest::newRow("added, then removed") << "+project:p -project:p"
            << QStringList() << QStringList() << QStringList { "project:p" } << 1 << 1;
        QTest::newRow("removed, then added again") << "+context:c -context:c +context:c"
            << QStringList { "context:c" } << QStringList { "context:c" } << QStringList() << 2 << 1;
        QTest::newRow("removing what is no favorite") << "-task:a +task:b -project:b"
            << QStringList { "task:b" } << QStringList { "task:b" } << QStringList() << 1 << 0;
        QTest::newRow("order of marking kept") << "+task:c +task:a +task:b -task:a"
            << QStringList { "task:c", "task:b" } << QStringList { "task:c", "task:b" }
            << QStringList { "task:a" } << 3 << 1;
        // clang-format on
    }

    void shouldRecordOnePendingChangePerObject()
    {
        QFETCH(QString, operations);
        QFETCH(QStringList, favorites);
        QFETCH(QStringList, toAdd);
        QFETCH(QStringList, toRemove);
        QFETCH(int, added);
        QFETCH(int, removed);
        const QString path = freshPath();
        {
            FavoritesManager manager(path, nullptr);
            QSignalSpy addedSpy(&manager, &F::objectAdded);
            QSignalSpy removedSpy(&manager, &F::objectRemoved);
            apply(manager, operations);
            QCOMPARE(favoritesOf(&manager), favorites);
            QCOMPARE(changesOf(manager.objectsToAdd()), toAdd);
            QCOMPARE(changesOf(manager.objectsToRemove()), toRemove);
            QCOMPARE(addedSpy.count(), added);
            QCOMPARE(removedSpy.count(), removed);
        }
        // Everything is in the file at once.
        FavoritesManager restarted(path, nullptr);
        QCOMPARE(favoritesOf(&restarted), favorites);
        QCOMPARE(changesOf(restarted.objectsToAdd()), toAdd);
        QCOMPARE(changesOf(restarted.objectsToRemove()), toRemove);
    }

    void shouldDescribeEachChangeForTheServer()
    {
        FavoritesManager manager(freshPath(), nullptr);
        manager.setClock(fixedNow);
        QCOMPARE(manager.settleDelay(), 5000);
        manager.add(F::ProjectKind, "p1");
        manager.remove(F::ProjectKind, "p1");
        manager.add(F::TaskKind, "t1");
        QVERIFY(manager.isSettling());

        const QJsonObject expectedAdd { { "object_id", "t1" }, { "object_type", "task" },
            { "last_changed", "2024-03-05T14:07:09Z" } };
        const QJsonObject expectedRemove { { "object_id", "p1" }, { "object_type", "project" },
            { "last_changed", "2024-03-05T14:07:09Z" } };
        QCOMPARE(manager.objectsToAdd(), QJsonArray { expectedAdd });
        QCOMPARE(manager.objectsToRemove(), QJsonArray { expectedRemove });

        // Stored as JSON text under the keys the sync reads.
        QSettings file(manager.filePath(), QSettings::IniFormat);
        QCOMPARE(QJsonDocument::fromJson(file.value("objects_to_add").toString().toUtf8()).array(),
            QJsonArray { expectedAdd });
        QCOMPARE(file.value("tasks").toStringList(), QStringList { "t1" });
    }

    void shouldKeepAwkwardIdentifiersAcrossRestarts_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("comma") << "a,b";
        QTest::newRow("quotes") << "it's \"quoted\"";
        QTest::newRow("line break") << "one\ntwo";
        QTest::newRow("placeholder") << "%1 %2";
        QTest::newRow("ini syntax") << "[General]\nx=1";
        QTest::newRow("sql") << "x' OR '1'='1";
        QTest::newRow("unicode") << QString::fromUtf8("Zürich ☕");
        QTest::newRow("braces") << "{c0ffee-00}";
    }

    void shouldKeepAwkwardIdentifiersAcrossRestarts()
    {
        QFETCH(QString, id);
        const QString path = freshPath();
        {
            FavoritesManager manager(path, nullptr);
            manager.add(F::TaskKind, "plain");
            manager.add(F::TaskKind, id);
            manager.add(F::ContextKind, id);
            manager.remove(F::ContextKind, id);
        }
        FavoritesManager restarted(path, nullptr);
        QCOMPARE(restarted.taskIds(), (QStringList { "plain", id }));
        QVERIFY(restarted.contains(F::TaskKind, id));
        QVERIFY(!restarted.contains(F::ContextKind, id));
        QCOMPARE(changesOf(restarted.objectsToRemove()), QStringList { "context:" + id });
        QCOMPARE(damagedCopies(path), QStringList());
    }

    void shouldRefuseUnusableKindsAndIds()
    {
        FavoritesManager manager(freshPath(), nullptr);
        QSignalSpy added(&manager, &F::objectAdded);
        manager.add(3, "x");
        manager.add(-1, "x");
        manager.add(F::TaskKind, QString());
        manager.remove(7, "x");
        QCOMPARE(added.count(), 0);
        QCOMPARE(manager.objectsToAdd(), QJsonArray());
        QVERIFY(!manager.isSettling());
        QVERIFY(m_log.logged("WARN Refusing to add the object \"x\" of kind 3 to favorites."));
    }

    void shouldReadWhatIsUsableInADamagedFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("favorites");
        QTest::addColumn<QStringList>("toAdd");
        QTest::addColumn<QString>("logLine");
        const QByteArray good = "[General]\ntasks=t1, t2\nprojects=p1\n";
        const QByteArray change = "{\\\"object_id\\\":\\\"t1\\\",\\\"object_type\\\":\\\"task\\\","
                                  "\\\"last_changed\\\":\\\"2024-03-05T14:07:09Z\\\"}";
        const QStringList both { "task:t1", "task:t2", "project:p1" };
        // clang-format off
        QTest::newRow("stray line") << good + "\x01stray\n" << both << QStringList()
            << "ERROR The file ";
        QTest::newRow("broken section") << good + "[broken\nx=1\n" << both << QStringList()
            << "ERROR The file ";
        QTest::newRow("pending changes not JSON")
            << good + "objects_to_add=\"[{\\\"object_id\\\":\"\n" << both << QStringList()
            << "ERROR The value of objects_to_add in ";
        QTest::newRow("pending changes not an array")
            << good + "objects_to_add=\"" + change + "\"\n" << both << QStringList()
            << "ERROR The value of objects_to_add in ";
        QTest::newRow("unusable pending changes")
            << good + "objects_to_add=\"[1, {\\\"object_id\\\":\\\"t9\\\",\\\"object_type\\\":\\\"folder\\\","
                      "\\\"last_changed\\\":\\\"x\\\"}, " + change + "]\"\n"
            << both << QStringList { "task:t1" } << "WARN Ignoring entry 0 of objects_to_add in ";
        QTest::newRow("repeated and empty identifiers") << QByteArray("[General]\ntasks=t1, , t2, t1\nprojects=p1\n")
            << both << QStringList() << "WARN Ignoring 2 empty or repeated identifiers of tasks in ";
        QTest::newRow("list that is no text") << QByteArray("[General]\ntasks=@ByteArray(t1)\nprojects=p1\n")
            << QStringList { "project:p1" } << QStringList() << "ERROR The value of tasks in ";
        QTest::newRow("binary") << QByteArray("\xff\xfe\x00\x01[\n", 6) << QStringList() << QStringList()
            << "ERROR The file ";
        // clang-format on
    }

    void shouldReadWhatIsUsableInADamagedFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, favorites);
        QFETCH(QStringList, toAdd);
        QFETCH(QString, logLine);
        const QString path = freshPath();
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }

        {
            FavoritesManager manager(path, nullptr);
            QVERIFY2(m_log.logged(logLine), qPrintable(m_log.logLines().join('\n')));
            QCOMPARE(favoritesOf(&manager), favorites);
            QCOMPARE(changesOf(manager.objectsToAdd()), toAdd);
            // The file as it was is kept aside, byte for byte.
            const QStringList copies = damagedCopies(path);
            QCOMPARE(copies.size(), 1);
            QCOMPARE(fileBytes(QFileInfo(path).dir().filePath(copies.first())), content);
            manager.add(F::ContextKind, "c1");
        }

        // What could be read lives on, and the file is sound again.
        m_log.markLog();
        FavoritesManager restarted(path, nullptr);
        QCOMPARE(favoritesOf(&restarted), favorites + QStringList { "context:c1" });
        QCOMPARE(changesOf(restarted.objectsToAdd()), toAdd + QStringList { "context:c1" });
        QCOMPARE(damagedCopies(path).size(), 1);
        QVERIFY(!m_log.logged("ERROR"));
    }

    void shouldForgetEverythingOnClearAll()
    {
        const QString path = freshPath();
        {
            FavoritesManager manager(path, nullptr);
            apply(manager, "+task:a +project:b +context:c -task:a");
            QSignalSpy changed(&manager, &F::objectsChanged);
            manager.clearAll();
            QCOMPARE(changed.count(), 1);
            QCOMPARE(favoritesOf(&manager), QStringList());
            QCOMPARE(manager.objectsToAdd(), QJsonArray());
            QCOMPARE(manager.objectsToRemove(), QJsonArray());
            QVERIFY(!manager.isSettling());
        }
        FavoritesManager restarted(path, nullptr);
        QCOMPARE(favoritesOf(&restarted), QStringList());
        QCOMPARE(restarted.objectsToRemove(), QJsonArray());
        QCOMPARE(QSettings(path, QSettings::IniFormat).allKeys(), QStringList());
    }

    void shouldHandChangesToTheSyncOnceTheySettle()
    {
        FavoritesManager manager(freshPath(), nullptr);
        manager.setSettleDelay(30);
        QSignalSpy settled(&manager, &F::pendingChangesSettled);
        manager.add(F::TaskKind, "a");
        manager.add(F::TaskKind, "b");
        QVERIFY(settled.wait());
        QCOMPARE(settled.count(), 1);
        QVERIFY(!manager.isSettling());

        // Clearing drops what was waiting: nothing is handed over.
        manager.add(F::TaskKind, "c");
        manager.clearAll();
        QVERIFY(!settled.wait(100));
    }

    // --- The favorites list

    void shouldListActiveFavoritesProjectsFirstThenContextsThenTasks()
    {
        StoreWorld w("favorites");
        QVERIFY(w.folder("f1", "Work"));
        QVERIFY(w.project("p1", "Launch"));
        QVERIFY(w.project("p2", "Done", 2));
        QVERIFY(w.context("c1", "@home"));
        QVERIFY(w.context("c2", "@gone", 1));
        QVERIFY(w.task("t1", "Write"));
        QVERIFY(w.task("t2", "Plan"));
        QVERIFY(w.task("t3", "Old", 2));
        QVERIFY(w.task("t4", "Deleted", 1));

        FavoritesManager favorites(freshPath(), w.data.get());
        // Marked in an order that is not the shown one.
        apply(favorites, "+task:t2 +task:t3 +task:t4 +task:t1 +task:missing +context:c1 +context:c2 "
                         "+project:p1 +project:p2 +project:f1");

        std::unique_ptr<QObject> object(favorites.getModel().value<QObject*>());
        auto* model = qobject_cast<FavoritesSortModel*>(object.get());
        QVERIFY(model);
        QCOMPARE(QQmlEngine::objectOwnership(model), QQmlEngine::JavaScriptOwnership);
        QCOMPARE(model->listId(), QStringLiteral("root_favorites"));
        QCOMPARE(model->listType(), SortingNamespace::ListTypeFavorites);
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);

        // Oldest first within a kind (the list's default choice).
        QCOMPARE(shownIds(model), (QStringList { "f1", "p1", "c1", "t1", "t2" }));
        // Closed favorites stay marked; they only are not shown.
        QVERIFY(favorites.contains(F::TaskKind, "t3"));
        QVERIFY(favorites.contains(F::ProjectKind, "p2"));

        // A favorite completed elsewhere leaves the list at the next update.
        QVERIFY(w.setTaskState("t1", 2));
        model->update();
        QCOMPARE(shownIds(model), (QStringList { "f1", "p1", "c1", "t2" }));
        QVERIFY(favorites.contains(F::TaskKind, "t1"));
    }

    // --- The handlers

    void shouldForwardTheHandlersFavoritesOperations()
    {
        StoreWorld w("handlers");
        QVERIFY(w.folder("f1", "Work"));
        QVERIFY(w.project("p1", "Launch"));
        QVERIFY(w.project("pd", "Dropped", 1));
        QVERIFY(w.context("c1", "@home"));
        QVERIFY(w.context("c2", "@done", 1));
        QVERIFY(w.task("t1", "Write"));
        QVERIFY(w.task("t2", "Plan"));
        FavoritesManager* favorites = FavoritesManager::instance();

        for (const char* id : { "t1", "t2", "missing" })
            w.tasks->addToFavorites({ { "ID", id } });
        for (const char* id : { "p1", "f1", "pd" })
            w.projects->addToFavorites({ { "ID", id } });
        for (const char* id : { "c1", "c2" })
            w.contexts->addToFavorites({ { "ID", id } });
        QCOMPARE(favorites->taskIds(), (QStringList { "t1", "t2", "missing" }));
        QCOMPARE(favorites->projectIds(), (QStringList { "p1", "f1", "pd" }));
        QVERIFY(w.tasks->inFavorites({ { "ID", "t1" } }));
        QVERIFY(!w.contexts->inFavorites({ { "ID", "t1" } }));
        QVERIFY(w.contexts->inFavorites({ { "ID", "c2" } }));

        // The counters count what the favorites list shows.
        QVERIFY(w.setTaskState("t2", 2));
        QCOMPARE(w.tasks->taskCountInFavorites(), 1);
        QCOMPARE(w.projects->projectCountInFavorites(), 2);
        QCOMPARE(w.contexts->contextCountInFavorites(), 1);

        w.projects->removeFromFavorites({ { "ID", "f1" } });
        QVERIFY(!w.projects->inFavorites({ { "ID", "f1" } }));
        QCOMPARE(w.projects->projectCountInFavorites(), 1);
    }

    void shouldLeaveFavoritesWhenAChangeCloses_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("left");
        const QStringList all { "task:t1", "task:t2", "project:p1", "project:f1", "context:c1" };
        QTest::newRow("task completed") << "complete t1" << QStringList { "task:t1" };
        QTest::newRow("task deleted") << "delete t1" << QStringList { "task:t1" };
        QTest::newRow("task delete undone") << "delete t1, undo" << QStringList();
        QTest::newRow("project completed with its task")
            << "complete p1" << QStringList { "task:t1", "project:p1" };
        QTest::newRow("folder deleted with what it holds")
            << "delete f1" << QStringList { "task:t1", "project:p1", "project:f1" };
        // Its tasks only lose the context: they stay active and marked.
        QTest::newRow("context deleted") << "delete c1" << QStringList { "context:c1" };
    }

    void shouldLeaveFavoritesWhenAChangeCloses()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, left);
        StoreWorld w("closing");
        QVERIFY(w.folder("f1", "Work"));
        QVERIFY(w.data->createProjectRemotely(RecordBuilder::project("Launch", "f1").withId("p1").fromSync(1)));
        QVERIFY(w.context("c1", "@home"));
        QVERIFY(w.data->createTaskRemotely(
            RecordBuilder::task("Write", "p1").withId("t1").inContext("c1").fromSync(1)));
        QVERIFY(w.task("t2", "Plan"));
        FavoritesManager* favorites = FavoritesManager::instance();
        apply(*favorites, "+task:t1 +task:t2 +project:p1 +project:f1 +context:c1");
        const QStringList before = favoritesOf(favorites);

        const QString id = change.section(' ', 1, 1).remove(',');
        if (change.startsWith("complete t")) {
            QVERIFY(w.tasks->markTaskAsCompleted(w.data->getTaskById(id)));
            QVERIFY(w.tasks->confirmTaskUpdate(w.data->getTaskById(id)));
        } else if (change.endsWith("undo")) {
            QVERIFY(w.tasks->markTaskAsDeleted(w.data->getTaskById(id)));
            w.tasks->revertTaskState(w.data->getTaskById(id));
        } else if (change.startsWith("delete t")) {
            QVERIFY(w.tasks->markTaskAsDeleted(w.data->getTaskById(id)));
            QVERIFY(w.tasks->confirmTaskUpdate(w.data->getTaskById(id)));
        } else if (change.startsWith("complete p")) {
            QVERIFY(w.projects->markProjectAsCompleted(w.data->getProjectById(id)));
            QVERIFY(w.projects->confirmProjectUpdate(w.data->getProjectById(id)));
        } else if (change.startsWith("delete f")) {
            QVERIFY(w.projects->markProjectAsDeleted(w.data->getProjectById(id)));
            QVERIFY(w.projects->confirmProjectUpdate(w.data->getProjectById(id)));
        } else {
            QVERIFY(w.contexts->markContextAsDeleted(w.data->getContextById(id)));
            QVERIFY(w.contexts->confirmContextUpdate(w.data->getContextById(id)));
        }

        QStringList expected = before;
        for (const QString& gone : left)
            expected.removeAll(gone);
        QCOMPARE(favoritesOf(favorites), expected);
        QStringList removals = changesOf(favorites->objectsToRemove());
        removals.sort();
        left.sort();
        QCOMPARE(removals, left);
    }
};

QUORVEL_TEST_MAIN(TestFavorites)
#include "tst_favorites.moc"
