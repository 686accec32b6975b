#include "data/DatabaseHandler.h"
#include "data/MetaDataManager.h"
#include "data/PredefinedDataHelper.h"
#include "shell/AppPaths.h"
#include "shell/Settings.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QStringList NumberKeys = { "1", "2", "300", "301", "303", "302", "304", "305" };

QString metaPath()
{
    return AppPaths::appDataFile(QStringLiteral("meta.dat"));
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

// Pending records as "project:icon" (sends) or "project" (removals).
QStringList summary(const QJsonArray& records)
{
    QStringList lines;
    for (const QJsonValue& value : records) {
        const QJsonObject record = value.toObject();
        const QString icon = record.value(QStringLiteral("icon_id")).toString();
        lines.append(
            record.value(QStringLiteral("object_id")).toString() + (icon.isEmpty() ? "" : ":" + icon));
    }
    return lines;
}

} // namespace

class TestPredefinedData : public QObject
{
    Q_OBJECT

private:
    StoreFixture m;

    PredefinedDataHelper* helper() { return PredefinedDataHelper::instance(); }

    // The helper reaches the fixture's store directly: the same calls the
    // data manager forwards to the worker's store.
    void useFixtureStore()
    {
        DatabaseHandler* store = m.store();
        PredefinedDataHelper::StoreAccess access;
        access.createProjectLocally = [store](const DataObject& r) { return store->createProjectLocally(r); };
        access.createContextLocally = [store](const DOContext& r) { return store->createContextLocally(r); };
        access.lastCreatedObjectId = [store] { return store->lastCreatedObjectId(); };
        access.commitChanges = [store] { return store->commitChanges(); };
        access.rollbackChanges = [store] { return store->rollbackChanges(); };
        helper()->setStoreAccess(access);
        helper()->setSettings(m.settings());
    }

    int folderCount()
    {
        return m.store()->count(QStringLiteral("SELECT count(*) FROM project WHERE folder = 1"));
    }
    int contextCount() { return m.rowCount(QStringLiteral("context")); }

    static void writePredefinedFile(const QVariantMap& values)
    {
        QSettings file(PredefinedDataHelper::predefinedObjectsFile(), QSettings::IniFormat);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            file.setValue(it.key(), it.value());
    }

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_predefineddata")); }

    void init()
    {
        TestSandbox::reset();
        QVERIFY(m.open());
        useFixtureStore();
    }

    void cleanup()
    {
        if (m.store() && m.store()->isInTransaction())
            m.store()->rollbackChanges();
        helper()->setStoreAccess({});
        helper()->setSettings(nullptr);
        m.close();
    }

    // --- Predefined folders and contexts ---

    void shouldCreateNamedObjectsInOrder_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("ru") << "ru"
                            << QStringList { "Работа", "Личное", "Сайд-проекты", "Дома (демо-контекст)",
                                   "В офисе (демо-контекст)", "В гараже (демо-контекст)",
                                   "С утра (демо-контекст)", "Если есть свободное время (демо-контекст)",
                                   "В сети (демо-контекст)" };
        const QStringList english { "Business", "Personal", "Side projects", "@home (demo context)",
            "@office (demo context)", "@garage (demo context)", "In the morning (demo context)",
            "If I have some time (demo context)", "Online (demo context)" };
        QTest::newRow("en") << "en" << english;
        QTest::newRow("other language") << "de" << english;
    }

    void shouldCreateNamedObjectsInOrder()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, names);
        m.settings()->setApplicationLanguage(language);

        QVERIFY(helper()->createPredefinedFolders());
        QVERIFY(helper()->createPredefinedContexts());

        QVERIFY(!m.store()->isInTransaction());
        const QStringList ids = helper()->predefinedIds();
        QCOMPARE(ids.size(), 9);
        QStringList stored;
        for (int i = 0; i < ids.size(); ++i) {
            const DataObject record = i < 3 ? m.projectRecord(ids[i]) : m.contextRecord(ids[i]);
            stored.append(record.value("NAME").toString());
            QCOMPARE(record.value("PARENT").toString(), QString());
            QCOMPARE(record.value("LOCAL").toBool(), true);
            if (i < 3) {
                QCOMPARE(record.value("FOLDER").toBool(), true);
                QCOMPARE(record.value("CONTEXT").toString(), QString());
            }
        }
        QCOMPARE(stored, names);
        QVERIFY(helper()->isPredefinedObject(ids.last()) && !helper()->isPredefinedObject(QString()));

        // Numbers 1 and 2 for the first two folders, then 300, 301, 303, 302,
        // 304, 305 for the contexts in creation order; the third folder has none.
        const QSettings file(PredefinedDataHelper::predefinedObjectsFile(), QSettings::IniFormat);
        QCOMPARE(file.value("predefined_ids").toString(), ids.join(','));
        QStringList numbered = ids;
        numbered.removeAt(2);
        for (int i = 0; i < NumberKeys.size(); ++i)
            QCOMPARE(helper()->predefinedObjectId(NumberKeys[i].toInt()), numbered[i]);
        QStringList keys
            = NumberKeys + QStringList { "contexts_created", "folders_created", "predefined_ids" };
        keys.sort();
        QCOMPARE(file.allKeys(), keys);
        QVERIFY(helper()->predefinedFoldersCreated() && helper()->predefinedContextsCreated());

        QVERIFY(m.logged("INFO Creating predefined folders..."));
        QVERIFY(m.logged("INFO Creating predefined contexts..."));
        QVERIFY(m.logged(
            QStringLiteral("INFO Is current app lang is Russian: ") + (language == "ru" ? "true" : "false")));
        QVERIFY(m.logged("INFO Predefined objects successfully saved!"));
    }

    void shouldCreateOnlyWhatIsMissing_data()
    {
        QTest::addColumn<QVariantMap>("file");
        QTest::addColumn<int>("folders");
        QTest::addColumn<int>("contexts");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("first start") << QVariantMap() << 3 << 6 << "";
        QTest::newRow("after recreation")
            << QVariantMap { { "folders_created", 0 }, { "contexts_created", 0 } } << 3 << 6 << "";
        QTest::newRow("both created")
            << QVariantMap { { "folders_created", true }, { "contexts_created", true } } << 0 << 0 << "";
        QTest::newRow("contexts missing") << QVariantMap { { "folders_created", "true" } } << 0 << 6 << "";
        QTest::newRow("flag not readable")
            << QVariantMap { { "folders_created", "yes" }, { "contexts_created", "false" } } << 0 << 6
            << "WARN The value \"yes\" of folders_created";
    }

    void shouldCreateOnlyWhatIsMissing()
    {
        QFETCH(QVariantMap, file);
        QFETCH(int, folders);
        QFETCH(int, contexts);
        QFETCH(QString, logLine);
        writePredefinedFile(file);

        QVERIFY(helper()->createMissingPredefinedObjects());
        QVERIFY(helper()->createMissingPredefinedObjects());

        QCOMPARE(folderCount(), folders);
        QCOMPARE(contextCount(), contexts);
        QCOMPARE(helper()->predefinedIds().size(), folders + contexts);
        if (!logLine.isEmpty())
            QVERIFY(m.logged(logLine));
    }

    void shouldCreateAgainInARecreatedDatabase()
    {
        QVERIFY(helper()->createMissingPredefinedObjects());
        const QStringList before = helper()->predefinedIds();

        QVERIFY(m.store()->recreateDatabase());
        QVERIFY(!helper()->predefinedFoldersCreated() && !helper()->predefinedContextsCreated());
        QVERIFY(helper()->createMissingPredefinedObjects());

        const QStringList after = helper()->predefinedIds();
        QCOMPARE(after.size(), 9);
        for (const QString& id : after)
            QVERIFY(!before.contains(id));
        QCOMPARE(folderCount(), 3);
        QCOMPARE(contextCount(), 6);
    }

    void shouldAddToTheRecordedIds_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("none") << QByteArray() << QStringList();
        QTest::newRow("empty") << QByteArray("predefined_ids=") << QStringList();
        QTest::newRow("as written") << QByteArray("predefined_ids=\"a,b\"") << QStringList { "a", "b" };
        QTest::newRow("unquoted") << QByteArray("predefined_ids=a, b") << QStringList { "a", "b" };
        QTest::newRow("stray commas") << QByteArray("predefined_ids=\",a,,b,\"") << QStringList { "a", "b" };
    }

    // Also the second call of createPredefinedFolders(): it creates three
    // more folders and numbers them.
    void shouldAddToTheRecordedIds()
    {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, kept);
        QFile file(PredefinedDataHelper::predefinedObjectsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\n" + line + "\n");
        file.close();

        QVERIFY(helper()->createPredefinedFolders());
        QVERIFY(helper()->createPredefinedFolders());

        const QStringList ids = helper()->predefinedIds();
        QCOMPARE(ids.size(), kept.size() + 6);
        QCOMPARE(ids.mid(0, kept.size()), kept);
        QCOMPARE(folderCount(), 6);
        QCOMPARE(helper()->predefinedObjectId(1), ids.at(kept.size() + 3));
    }

    void shouldRecordNothingWhenTheStoreRefuses()
    {
        // The third context is refused after two were created.
        QVERIFY(m.store()->execute(QStringLiteral(
            "CREATE TRIGGER refuse_garage BEFORE INSERT ON context WHEN NEW.name LIKE '@garage%' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
        m.settings()->setApplicationLanguage(QStringLiteral("en"));

        QVERIFY(!helper()->createPredefinedContexts());

        QVERIFY(!m.store()->isInTransaction());
        QCOMPARE(contextCount(), 0);
        QVERIFY(!helper()->predefinedContextsCreated());
        QCOMPARE(helper()->predefinedIds(), QStringList());
        QCOMPARE(helper()->predefinedObjectId(300), QString());
        QVERIFY(m.logged("ERROR Unable to create the predefined context @garage (demo context)"));

        QVERIFY(m.store()->execute(QStringLiteral("DROP TRIGGER refuse_garage")));
        QVERIFY(helper()->createMissingPredefinedObjects());
        QCOMPARE(contextCount(), 6);
        QCOMPARE(helper()->predefinedIds().size(), 9);
    }

    void shouldKeepADamagedPredefinedFileAside_data()
    {
        QTest::addColumn<QByteArray>("damaged");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("unclosed section")
            << QByteArray("predefined_ids=old1\n[broken\n300=old300\n") << QStringList { "old1" };
        QTest::newRow("binary") << QByteArray("\xff\xfe\x00\x01[\n", 6) << QStringList();
        QTest::newRow("stray line") << QByteArray("predefined_ids=old1\nstray line\n=x\n")
                                    << QStringList { "old1" };
    }

    void shouldKeepADamagedPredefinedFileAside()
    {
        QFETCH(QByteArray, damaged);
        QFETCH(QStringList, kept);
        QFile file(PredefinedDataHelper::predefinedObjectsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(damaged);
        file.close();

        QVERIFY(helper()->createPredefinedFolders());

        const QStringList copies = damagedCopies(file.fileName());
        QCOMPARE(copies.size(), 1);
        QCOMPARE(fileBytes(QFileInfo(file).dir().filePath(copies.first())), damaged);
        QVERIFY(m.logged("ERROR The file " + file.fileName() + " could not be read in full"));
        QCOMPARE(helper()->predefinedIds().size(), kept.size() + 3);
        QCOMPARE(helper()->predefinedIds().mid(0, kept.size()), kept);
        QVERIFY(helper()->predefinedFoldersCreated());
        QCOMPARE(damagedCopies(file.fileName()).size(), 1);
    }

    // --- Project icons ---

    void shouldKeepIconsAcrossRestarts_data()
    {
        QTest::addColumn<QString>("projectId");
        QTest::newRow("generated") << "0b9e6a4c-7d0b-4a43-9a59-2f6f1c0f5d11";
        QTest::newRow("quotes and commas") << "p,1 \"quoted\", 'single'";
        QTest::newRow("slashes and lines") << "a/b\\c\nd\re\t";
        QTest::newRow("ini syntax") << "[General]\nproject_icons=[]; #x";
        QTest::newRow("non-latin") << "проект ✓ 项目";
    }

    void shouldKeepIconsAcrossRestarts()
    {
        QFETCH(QString, projectId);
        {
            MetaDataManager manager(metaPath());
            manager.setProjectIcon("star", projectId);
            manager.setProjectIcon("book", "other");
            manager.setProjectIcon("project", "other");
        }
        MetaDataManager restarted(metaPath());

        QCOMPARE(restarted.getProjectIcon(projectId), QStringLiteral("star"));
        QCOMPARE(restarted.getProjectIcon("other"), QStringLiteral("project"));
        QCOMPARE(restarted.projectIcons().keys(), QStringList { projectId });
        QCOMPARE(summary(restarted.objectsToAdd()), QStringList { projectId + ":star" });
        QCOMPARE(summary(restarted.objectsToRemove()), QStringList { "other" });
        const QSettings file(metaPath(), QSettings::IniFormat);
        for (const char* key : { "project_icons", "objects_to_add", "objects_to_remove" })
            QVERIFY2(QJsonDocument::fromJson(file.value(key).toString().toUtf8()).isArray(), key);
        QCOMPARE(damagedCopies(metaPath()), QStringList());
    }

    void shouldQueueOneChangePerProject_data()
    {
        QTest::addColumn<QStringList>("choices"); // "icon@project"
        QTest::addColumn<QStringList>("toAdd");
        QTest::addColumn<QStringList>("toRemove");
        QTest::addColumn<int>("changeCount");
        QTest::newRow("new icon") << QStringList { "star@p1" } << QStringList { "p1:star" } << QStringList()
                                  << 1;
        QTest::newRow("same icon again")
            << QStringList { "star@p1", "star@p1" } << QStringList { "p1:star" } << QStringList() << 1;
        QTest::newRow("default without icon")
            << QStringList { "project@p1" } << QStringList() << QStringList() << 0;
        QTest::newRow("changed twice")
            << QStringList { "star@p1", "flag@p1" } << QStringList { "p1:flag" } << QStringList() << 2;
        QTest::newRow("back to default")
            << QStringList { "star@p1", "project@p1" } << QStringList() << QStringList { "p1" } << 2;
        QTest::newRow("default, then an icon") << QStringList { "star@p1", "project@p1", "book@p1" }
                                               << QStringList { "p1:book" } << QStringList() << 3;
        QTest::newRow("two projects") << QStringList { "star@p1", "flag@p2", "project@p1" }
                                      << QStringList { "p2:flag" } << QStringList { "p1" } << 3;
        QTest::newRow("empty names refused")
            << QStringList { "@p1", "star@" } << QStringList() << QStringList() << 0;
    }

    void shouldQueueOneChangePerProject()
    {
        QFETCH(QStringList, choices);
        QFETCH(QStringList, toAdd);
        QFETCH(QStringList, toRemove);
        QFETCH(int, changeCount);
        MetaDataManager manager(metaPath());
        const QDateTime now(QDate(2024, 3, 5), QTime(10, 20, 30), Qt::UTC);
        manager.setClock([now] { return now; });
        QSignalSpy changes(&manager, &MetaDataManager::projectIconsChanged);

        for (const QString& choice : choices)
            manager.setProjectIcon(choice.section('@', 0, 0), choice.section('@', 1));

        QCOMPARE(changes.size(), changeCount);
        QCOMPARE(summary(manager.objectsToAdd()), toAdd);
        QCOMPARE(summary(manager.objectsToRemove()), toRemove);
        for (const QJsonValue& value : manager.objectsToAdd()) {
            QCOMPARE(value.toObject().value("object_type").toString(), QStringLiteral("project"));
            QCOMPARE(
                value.toObject().value("last_changed").toString(), QStringLiteral("2024-03-05T10:20:30Z"));
        }
        for (const QJsonValue& value : manager.objectsToRemove())
            QCOMPARE(value.toObject().keys(), QStringList({ "last_changed", "object_id" }));
        if (choices.contains("@p1"))
            QVERIFY(m.logged("WARN Refusing to set the icon"));
    }

    void shouldReadWhatIsUsableInADamagedMetaFile_data()
    {
        QTest::addColumn<QVariantMap>("values"); // written by QSettings
        QTest::addColumn<QByteArray>("appended"); // then added as they are
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<QString>("icon"); // of p0 after a restart
        const QString p0 = QStringLiteral("{\"object_id\":\"p0\",\"icon_id\":\"flag\"}");
        const QString good = "[" + p0 + "]";
        const QString error = QStringLiteral("ERROR The value of project_icons in ");
        QTest::newRow("not JSON") << QVariantMap { { "project_icons", good.left(20) } } << QByteArray()
                                  << error << "project";
        QTest::newRow("not an array")
            << QVariantMap { { "project_icons", p0 } } << QByteArray() << error << "project";
        QTest::newRow("unquoted by hand") << QVariantMap { { "objects_to_add", "[]" } }
                                          << ("project_icons=" + good.toUtf8() + "\n") << error << "project";
        QTest::newRow("broken pending lists")
            << QVariantMap { { "project_icons", good }, { "objects_to_add", "[{" },
                   { "objects_to_remove", "[{\"last_changed\":\"x\"}]" } }
            << QByteArray() << "WARN Ignoring entry 0 of objects_to_remove in "
            << "flag";
        QTest::newRow("unusable entries") << QVariantMap { { "project_icons",
            "[1, {\"icon_id\":\"x\"}, {\"object_id\":\"\",\"icon_id\":\"y\"}, {\"object_id\":\"p2\"}, " + p0
                + "]" } } << QByteArray() << "WARN Ignoring entry 3 of project_icons in "
                                          << "flag";
        QTest::newRow("broken section")
            << QVariantMap { { "project_icons", good } } << QByteArray("[broken\nx=1\n") << "ERROR The file "
            << "flag";
        QTest::newRow("stray line") << QVariantMap { { "project_icons", good } } << QByteArray("\x01stray\n")
                                    << "ERROR The file "
                                    << "flag";
    }

    void shouldReadWhatIsUsableInADamagedMetaFile()
    {
        QFETCH(QVariantMap, values);
        QFETCH(QByteArray, appended);
        QFETCH(QString, logLine);
        QFETCH(QString, icon);
        {
            QSettings file(metaPath(), QSettings::IniFormat);
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                file.setValue(it.key(), it.value());
        }
        QFile file(metaPath());
        QVERIFY(file.open(QIODevice::Append));
        file.write(appended);
        file.close();
        const QByteArray damaged = fileBytes(metaPath());

        MetaDataManager manager(metaPath());
        QVERIFY(m.logged(logLine));
        manager.setProjectIcon("book", "p9");
        manager.setProjectIcon("star", "p9");

        // The former file is kept once, byte for byte, and the usable icons live on.
        const QStringList copies = damagedCopies(metaPath());
        QCOMPARE(copies.size(), 1);
        QCOMPARE(fileBytes(QFileInfo(metaPath()).dir().filePath(copies.first())), damaged);
        MetaDataManager restarted(metaPath());
        QCOMPARE(restarted.getProjectIcon("p9"), QStringLiteral("star"));
        QCOMPARE(restarted.getProjectIcon("p0"), icon);
    }
};

QUORVEL_TEST_MAIN(TestPredefinedData)
#include "tst_predefineddata.moc"
