#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "shell/AppPaths.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"
#include "sync/SortingManager.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>

#include <memory>

using namespace SortingNamespace;

namespace {
QString freshPath(const QString& name)
{
    static int count = 0;
    return AppPaths::appDataFile(QStringLiteral("%1_%2.dat").arg(name).arg(++count));
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList damagedCopiesOf(const QString& path)
{
    const QFileInfo info(path);
    return info.dir().entryList({ info.fileName() + QStringLiteral(".damaged-*") }, QDir::Files);
}

// The JSON array under key, read as the side channel will read it.
QJsonArray arrayIn(const QString& path, const QString& key)
{
    const QSettings file(path, QSettings::IniFormat);
    return QJsonDocument::fromJson(file.value(key).toString().toUtf8()).array();
}

QJsonObject listIn(const QJsonArray& array, const QString& listId)
{
    for (const QJsonValue& value : array) {
        if (value.toObject().value("list_id").toString() == listId)
            return value.toObject();
    }
    return QJsonObject();
}

// A data manager over a store of its own, or over none when the database
// cannot be opened.
std::unique_ptr<DataManager> dataManager(const QString& sortingPath, bool withStore = true)
{
    static int count = 0;
    const QString stem = QStringLiteral("sortingstore_%1").arg(++count);
    DataManager::Options options;
    options.store.databasePath = AppPaths::appDataFile(stem + QStringLiteral(".db"));
    options.store.connectionName = stem;
    options.store.repeatedRemindersPath = AppPaths::appDataFile(stem + QStringLiteral("_reminders.dat"));
    options.store.sortingPath = sortingPath;
    if (withStore)
        DatabaseTemplate::unpackTo(options.store.databasePath);
    return std::make_unique<DataManager>(options);
}

int countOf(const QStringList& lines, const QString& start)
{
    int count = 0;
    for (const QString& line : lines)
        count += line.startsWith(start) ? 1 : 0;
    return count;
}
} // namespace

class TestSortingManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_sortingmanager")); }

    void choicesSurviveANewInstance()
    {
        const QString path = freshPath("sorting");
        {
            SortingManager sorting(path);
            sorting.setSortedList("p1", ListTypeProject, AlphabeticalType, false);
            sorting.setSortedList("x", ListTypeFolder, TimestampDescType, true);
            sorting.setSortedList("x", ListTypeContext, AlphabeticalType, true);
            sorting.setManualSortedList("c1", ListTypeContext, { { "a", 0 }, { "b", 1 } });
            sorting.setSortedList("gone", ListTypeFolder, TimestampDescType, true);
            sorting.deleteSortedList("gone", ListTypeFolder);
            sorting.deleteSortedList("never", ListTypeFolder);
        }
        SortingManager sorting(path);
        QCOMPARE(sorting.getSortingType("p1", ListTypeProject), AlphabeticalType);
        QCOMPARE(sorting.getGroupByDateParam("p1", ListTypeProject), false);
        // One id, two lists: a folder's list and a context's list.
        QCOMPARE(sorting.getSortingType("x", ListTypeFolder), TimestampDescType);
        QCOMPARE(sorting.getSortingType("x", ListTypeContext), AlphabeticalType);
        const SortedListInfo manual = sorting.getSortedListInfo("c1", ListTypeContext);
        QCOMPARE(manual.sortingType, ManualType);
        QCOMPARE(manual.orderHash, (OrderHash { { "a", 0 }, { "b", 1 } }));
        QVERIFY(manual.lastChanged.isValid());
        QCOMPARE(manual.lastChanged.timeSpec(), Qt::UTC);
        QVERIFY(!sorting.hasSortedListInfo("gone", ListTypeFolder));
        QCOMPARE(sorting.deletedListIds(), QStringList { "gone" });
        QCOMPARE(sorting.pendingLists().size(), 4);

        // Choosing a deleted list again takes it off the deleted ones.
        sorting.setSortedList("gone", ListTypeFolder, AlphabeticalType, true);
        QVERIFY(sorting.deletedListIds().isEmpty());

        sorting.clearAll();
        QVERIFY(sorting.sortedLists().isEmpty());
        SortingManager cleared(path);
        QVERIFY(cleared.sortedLists().isEmpty());
        QVERIFY(cleared.pendingLists().isEmpty());
        QVERIFY(cleared.deletedListIds().isEmpty());
    }

    void fileHoldsTheSharedLayout()
    {
        const QString path = freshPath("layout");
        {
            SortingManager sorting(path);
            sorting.setSortedList("day", ListTypeDailyPlan, TimestampAscType, false);
            sorting.setManualSortedList("fav", ListTypeFavorites, { { "t1", 3 } });
            sorting.setSortedList("old", ListTypeContext, AlphabeticalType, true);
            sorting.deleteSortedList("old", ListTypeContext);
        }
        const QJsonObject plain = listIn(arrayIn(path, "sorting_info"), "day");
        QCOMPARE(plain.value("list_type").toString(), QStringLiteral("dailyplan"));
        QCOMPARE(plain.value("sorting_type").toString(), QStringLiteral("timestamp_asc"));
        QCOMPARE(plain.value("group_by_date"), QJsonValue(false));
        QVERIFY(!plain.contains("list_items"));
        QVERIFY(QDateTime::fromString(plain.value("last_changed").toString(), Qt::ISODate).isValid());

        const QJsonObject manual = listIn(arrayIn(path, "objects_to_send"), "fav");
        QCOMPARE(manual.value("list_type").toString(), QStringLiteral("favorites"));
        QCOMPARE(manual.value("sorting_type").toString(), QStringLiteral("manual"));
        QVERIFY(!manual.contains("group_by_date"));
        const QJsonArray items { QJsonObject { { "object_id", "t1" }, { "order_value", 3 } } };
        QCOMPARE(manual.value("list_items").toArray(), items);

        const QJsonArray deleted = arrayIn(path, "objects_to_delete");
        QCOMPARE(deleted.size(), 1);
        QCOMPARE(deleted.first().toObject().value("list_id").toString(), QStringLiteral("old"));
        QVERIFY(deleted.first().toObject().contains("last_changed"));
    }

    void anUnchangedChoiceWritesNothing()
    {
        const QString path = freshPath("unchanged");
        SortingManager sorting(path);
        sorting.setSortedList("p", ListTypeProject, AlphabeticalType, true);
        const QDateTime first = sorting.getSortedListInfo("p", ListTypeProject).lastChanged;
        QVERIFY(QFile::remove(path));

        sorting.setSortedList("p", ListTypeProject, AlphabeticalType, true);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(sorting.getSortedListInfo("p", ListTypeProject).lastChanged, first);

        sorting.setSortedList("p", ListTypeProject, AlphabeticalType, false);
        QVERIFY(QFile::exists(path));
        QVERIFY(QFile::remove(path));
        // A manual order is stored every time, even the same one.
        sorting.setManualSortedList("p", ListTypeProject, {});
        sorting.setManualSortedList("p", ListTypeProject, {});
        QVERIFY(QFile::exists(path));
    }

    void unknownListsHaveTheDefaultChoice()
    {
        SortingManager sorting(freshPath("defaults"));
        QVERIFY(!sorting.hasSortedListInfo("p", ListTypeProject));
        QCOMPARE(sorting.getSortingType("p", ListTypeProject), TimestampAscType);
        QCOMPARE(sorting.getGroupByDateParam("p", ListTypeProject), true);
        QVERIFY(sorting.getSortedListInfo("p", ListTypeProject).orderHash.isEmpty());
    }

    void storedTextsAreReadLeniently_data()
    {
        QTest::addColumn<QString>("json");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<int>("listType");
        QTest::addColumn<int>("sortingType");
        QTest::newRow("known texts") << R"({"list_id":"a","list_type":"folder","sorting_type":"alphabetical","group_by_date":false})"
                                     << true << int(ListTypeFolder) << int(AlphabeticalType);
        QTest::newRow("unknown list type reads as a day plan") << R"({"list_id":"a","list_type":"?","sorting_type":"timestamp_asc"})"
                                                               << true << int(ListTypeDailyPlan) << int(TimestampAscType);
        QTest::newRow("unknown sorting type reads as newest first") << R"({"list_id":"a","list_type":"project","sorting_type":"odd"})"
                                                                    << true << int(ListTypeProject) << int(TimestampDescType);
        QTest::newRow("no list id") << R"({"list_type":"project","sorting_type":"manual","list_items":[]})" << false << 0 << 0;
        QTest::newRow("a position that is text")
            << R"({"list_id":"a","list_type":"project","sorting_type":"manual","list_items":[{"object_id":"t","order_value":"1"}]})"
            << false << 0 << 0;
        QTest::newRow("a position that is a fraction")
            << R"({"list_id":"a","list_type":"project","sorting_type":"manual","list_items":[{"object_id":"t","order_value":1.5}]})"
            << false << 0 << 0;
        QTest::newRow("an item without object") << R"({"list_id":"a","list_type":"project","sorting_type":"manual","list_items":[{"order_value":1}]})"
                                                << false << 0 << 0;
        QTest::newRow("grouping that is not a flag") << R"({"list_id":"a","list_type":"project","sorting_type":"alphabetical","group_by_date":"no"})"
                                                     << false << 0 << 0;
    }

    void storedTextsAreReadLeniently()
    {
        QFETCH(QString, json);
        QFETCH(bool, readable);
        QFETCH(int, listType);
        QFETCH(int, sortingType);
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        QString listId;
        ListType type = ListTypeFavorites;
        SortedListInfo info;
        QCOMPARE(SortingManager::listFromJson(QJsonDocument::fromJson(json.toUtf8()).object(), &listId, &type, &info),
            readable);
        if (!readable) {
            QVERIFY(listId.isEmpty());
            return;
        }
        QCOMPARE(int(type), listType);
        QCOMPARE(int(info.sortingType), sortingType);
        // No time stamp given: taken as changed now.
        QVERIFY(info.lastChanged >= before);
        QVERIFY(info.lastChanged <= QDateTime::currentDateTimeUtc().addSecs(1));
    }

    void aDamagedFileIsKeptAsideAndReadAsFarAsPossible_data()
    {
        const QString good = R"({"list_id":"good","list_type":"project","sorting_type":"alphabetical","group_by_date":true})";
        QTest::addColumn<QString>("sortingInfo");
        QTest::addColumn<QByteArray>("extraLines");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("not JSON") << "{[nonsense" << QByteArray() << QStringList();
        QTest::newRow("not an array") << R"({"list_id":"good"})" << QByteArray() << QStringList();
        QTest::newRow("one list unreadable")
            << "[" + good + R"(,{"list_type":"project"},7])" << QByteArray() << QStringList { "good" };
        QTest::newRow("a line QSettings skips") << "[" + good + "]" << QByteArray("this is not a setting\n")
                                                << QStringList { "good" };
    }

    void aDamagedFileIsKeptAsideAndReadAsFarAsPossible()
    {
        QFETCH(QString, sortingInfo);
        QFETCH(QByteArray, extraLines);
        QFETCH(QStringList, kept);
        const QString path = freshPath("damaged");
        {
            QSettings file(path, QSettings::IniFormat);
            file.setValue("sorting_info", sortingInfo);
            file.setValue("objects_to_delete", R"([{"list_id":"d","last_changed":"2024-01-02T03:04:05Z"}])");
        }
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            file.write(extraLines);
        }
        const QByteArray original = contentOf(path);
        StoreFixture log;
        log.markLog();

        {
            SortingManager sorting(path);
            QStringList ids;
            for (const SortingManager::ListKey& list : sorting.sortedLists())
                ids << list.first;
            QCOMPARE(ids, kept);
            QCOMPARE(sorting.deletedListIds(), QStringList { "d" });
        }
        const QStringList copies = damagedCopiesOf(path);
        QCOMPARE(copies.size(), 1);
        QCOMPARE(contentOf(QFileInfo(path).dir().filePath(copies.first())), original);
        QCOMPARE(countOf(log.logLines(), "ERROR The sorting file " + path + " is damaged"), 1);

        // What was readable is written back soundly: the next start finds
        // nothing to complain about.
        SortingManager again(path);
        QCOMPARE(again.sortedLists().size(), kept.size());
        QCOMPARE(again.deletedListIds(), QStringList { "d" });
        QCOMPARE(damagedCopiesOf(path).size(), 1);
    }

    // The signed-out user's lists must not come back from a damaged file
    // that had to be left alone.
    void clearingEmptiesADamagedFileThatCouldNotBeKeptAside()
    {
        // No room left in the name for the suffix of a kept copy.
        const QString path = AppPaths::appDataFile(QString(240, QLatin1Char('s')) + QStringLiteral(".dat"));
        {
            QSettings file(path, QSettings::IniFormat);
            file.setValue("sorting_info", R"([{"list_id":"mine","list_type":"project","sorting_type":"alphabetical"}])");
        }
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            file.write("this is not a setting\n");
        }
        {
            SortingManager sorting(path);
            QVERIFY(sorting.hasSortedListInfo("mine", ListTypeProject));
            QVERIFY(damagedCopiesOf(path).isEmpty());
            sorting.clearAll();
        }
        QVERIFY(SortingManager(path).sortedLists().isEmpty());
    }

    void theDataManagerForwardsToTheSortingManager()
    {
        const QString path = freshPath("forwarded");
        auto data = dataManager(path);
        data->setSortedList("p", ListTypeProject, AlphabeticalType, false);
        QVERIFY(data->hasSortedListInfo("p", ListTypeProject));
        QVERIFY(!data->hasSortedListInfo("p", ListTypeFolder));
        QCOMPARE(data->getSortingType("p", ListTypeProject), AlphabeticalType);
        QCOMPARE(data->getGroupByDateParam("p", ListTypeProject), false);
        data->setManualSortedList("m", ListTypeDailyPlan, { { "t", 4 } });
        QCOMPARE(data->getSortedListInfo("m", ListTypeDailyPlan).orderHash, (OrderHash { { "t", 4 } }));
        data->deleteSortedList("p", ListTypeProject);
        QVERIFY(!data->hasSortedListInfo("p", ListTypeProject));
        data.reset();
        QVERIFY(SortingManager(path).hasSortedListInfo("m", ListTypeDailyPlan));
    }

    void cleaningUpDropsListsThatAreGoneOnceForABurst()
    {
        const QString path = freshPath("cleanup");
        auto data = dataManager(path);
        QVERIFY(data->createProjectRemotely(RecordBuilder::project("A").withId("pa").state(0).fromSync(1700000000)));
        QVERIFY(data->createProjectRemotely(RecordBuilder::project("D").withId("pd").state(1).fromSync(1700000000)));
        QVERIFY(data->createProjectRemotely(RecordBuilder::project("C").withId("pc").state(2).fromSync(1700000000)));
        QVERIFY(data->createProjectRemotely(RecordBuilder::folder("F").withId("fa").state(0).fromSync(1700000000)));
        QVERIFY(data->createContextRemotely(RecordBuilder::context("A").withId("ca").state(0).fromSync(1700000000)));
        QVERIFY(data->createContextRemotely(RecordBuilder::context("D").withId("cd").state(1).fromSync(1700000000)));

        const QList<QPair<QString, ListType>> kept { { "pa", ListTypeProject }, { "fa", ListTypeFolder },
            { "ca", ListTypeContext }, { "quorvelbox", ListTypeProject }, { "1_step_actions", ListTypeProject },
            { "root_projects", ListTypeFolder }, { "root_contexts", ListTypeContext },
            { "root_favorites", ListTypeFavorites }, { "01012099", ListTypeDailyPlan },
            { "not a day", ListTypeDailyPlan },
            // Not received yet: the choice may be another device's.
            { "punknown", ListTypeProject }, { "funknown", ListTypeFolder }, { "cunknown", ListTypeContext } };
        const QList<QPair<QString, ListType>> dropped { { "pd", ListTypeProject }, { "pc", ListTypeProject },
            { "cd", ListTypeContext }, { "01012020", ListTypeDailyPlan } };
        for (const auto& list : kept + dropped)
            data->setSortedList(list.first, list.second, AlphabeticalType, false);

        StoreFixture log;
        log.markLog();
        data->cleanSortedLists();
        data->cleanSortedLists();
        data->cleanSortedLists();
        QVERIFY(data->isSortCleanUpScheduled());
        QTRY_VERIFY_WITH_TIMEOUT(!data->hasSortedListInfo("pd", ListTypeProject), 15000);
        QVERIFY(!data->isSortCleanUpScheduled());
        for (const auto& list : kept)
            QVERIFY2(data->hasSortedListInfo(list.first, list.second), qPrintable(list.first));
        for (const auto& list : dropped)
            QVERIFY2(!data->hasSortedListInfo(list.first, list.second), qPrintable(list.first));
        QCOMPARE(countOf(log.logLines(), "INFO Sorting settings of 4 lists that are gone were removed."), 1);
        QCOMPARE(countOf(log.logLines(), "INFO Sorting settings of"), 1);
    }

    void withoutADatabaseNothingIsCleanedUp()
    {
        const QString path = freshPath("nostore");
        auto data = dataManager(path, false);
        QVERIFY(!data->isDataPrepared());
        data->setSortedList("p", ListTypeProject, AlphabeticalType, false);
        StoreFixture log;
        log.markLog();
        data->cleanSortedLists();
        QTRY_VERIFY_WITH_TIMEOUT(log.logged("WARN The sorting settings are not cleaned up"), 15000);
        QVERIFY(data->hasSortedListInfo("p", ListTypeProject));
    }

    void oldListOrdersMoveToTheSortingSettings()
    {
        {
            QSettings settings(AppPaths::settingsFile(), QSettings::IniFormat);
            settings.setValue("projects_sort_hash",
                QVariantMap { { "quorvelbox", QVariantMap { { "t1", 0 }, { "t2", 1 } } },
                    { "p9", QVariantHash { { "t3", 5 } } } });
            settings.setValue("favorites_sort_hash", QVariantMap { { "t1", 2 }, { "c1", 0 } });
            settings.setValue("daily_plan_sort_hash", QVariantMap { { "06052030", QVariantMap { { "t4", 1 } } } });
            // Neither a map nor an order: kept for whatever can read it.
            settings.setValue("contexts_sort_hash", QStringLiteral("c1=0"));
            settings.setValue("show_future_tasks", false);
        }
        StoreFixture log;
        log.markLog();
        const QString path = freshPath("legacy");
        auto data = dataManager(path);
        const auto stillThere = [](const QString& key) {
            return QSettings(AppPaths::settingsFile(), QSettings::IniFormat).contains(key);
        };
        QTRY_VERIFY_WITH_TIMEOUT(!stillThere("projects_sort_hash"), 15000);

        QCOMPARE(data->getSortedListInfo("quorvelbox", ListTypeProject).orderHash,
            (OrderHash { { "t1", 0 }, { "t2", 1 } }));
        QCOMPARE(data->getSortedListInfo("quorvelbox", ListTypeProject).sortingType, ManualType);
        QCOMPARE(data->getSortedListInfo("p9", ListTypeProject).orderHash, (OrderHash { { "t3", 5 } }));
        QCOMPARE(data->getSortedListInfo("root_favorites", ListTypeFavorites).orderHash,
            (OrderHash { { "t1", 2 }, { "c1", 0 } }));
        QCOMPARE(data->getSortedListInfo("06052030", ListTypeDailyPlan).orderHash, (OrderHash { { "t4", 1 } }));
        QVERIFY(!stillThere("favorites_sort_hash"));
        QVERIFY(!stillThere("daily_plan_sort_hash"));
        QVERIFY(stillThere("contexts_sort_hash"));
        QVERIFY(stillThere("show_future_tasks"));
        QVERIFY(log.logged("WARN The list orders under contexts_sort_hash"));
        QVERIFY(SortingManager(path).hasSortedListInfo("p9", ListTypeProject));

        QSettings(AppPaths::settingsFile(), QSettings::IniFormat).remove("contexts_sort_hash");
    }
};

QUORVEL_TEST_MAIN(TestSortingManager)
#include "tst_sortingmanager.moc"
