#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "support/LogReader.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <memory>

namespace {

const QString TaskSql = QStringLiteral("INSERT INTO task (id, name, parent, start, due, timestamp) VALUES "
                                       "('%1', 'Task %1', 'p', %2, %3, '1700000000')");

QByteArray fileHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Runs statements on a file through a connection of its own, the way
// another program (or an earlier version) would have written it.
bool runOnFile(const QString& path, const QStringList& statements)
{
    const QString name = QStringLiteral("setup");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery query(db);
        for (const QString& sql : statements) {
            if (ok && !query.exec(sql)) {
                qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
                ok = false;
            }
        }
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace

class TestDatabaseHandler : public QObject
{
    Q_OBJECT

private:
    QString m_logPath;
    qint64 m_logStart = 0;
    QString m_path;
    std::unique_ptr<DatabaseHandler> m_handler;

    DatabaseHandler* handler()
    {
        if (!m_handler)
            m_handler = std::make_unique<DatabaseHandler>(m_path, QStringLiteral("tst_store"));
        return m_handler.get();
    }

    // The log lines written since the case began, without their time
    // ("ERROR <time> text" becomes "ERROR text").
    QStringList logLines() const { return LogReader::levelsAndMessages(m_logPath, m_logStart); }

    bool logged(const QString& start) const
    {
        for (const QString& line : logLines()) {
            if (line.startsWith(start))
                return true;
        }
        return false;
    }

    QStringList errorLines() const
    {
        return logLines().filter(QRegularExpression(QStringLiteral("^ERROR ")));
    }

    QStringList schemaNames(const QString& type)
    {
        QStringList names;
        for (const DataObject& row : handler()->list(
                 QStringLiteral("SELECT name FROM sqlite_master WHERE type = '%1' ORDER BY name").arg(type)))
            names.append(row.value(QStringLiteral("NAME")).toString());
        return names;
    }

    void unpackTemplate() { QVERIFY(DatabaseTemplate::unpackTo(m_path)); }

private slots:
    void initTestCase()
    {
        m_logPath = TestSandbox::root() + QStringLiteral("/logs/tst_databasehandler.log");
        QVERIFY(Logging::Logger::instance().setFileDestination(m_logPath));
        Logging::Logger::instance().setLoggingLevel(Logging::DebugLevel);
    }

    void init()
    {
        TestSandbox::reset();
        m_path = AppPaths::appDataFile(QStringLiteral("quorvel_data.db"));
        Logging::Logger::instance().flush();
        m_logStart = QFileInfo(m_logPath).size();
    }

    void cleanup()
    {
        m_handler.reset();
        QVERIFY(!QSqlDatabase::contains(QStringLiteral("tst_store")));
    }

    void shouldFixTheDatabasePathOnceInTheDataFolder()
    {
        const QString path = DatabaseHandler::databasePath();
        QCOMPARE(path,
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                + QStringLiteral("/quorvel_data.db"));
        QCOMPARE(DatabaseHandler::databasePath(), path);
        QCOMPARE(logLines().filter(QStringLiteral("Database path updated: ")),
            QStringList { QStringLiteral("INFO Database path updated: ") + path });
    }

    void shouldOpenTheProgramsStoreOnItsOwnConnection()
    {
        unpackTemplate();
        DatabaseHandler* store = DatabaseHandler::instance();
        QCOMPARE(DatabaseHandler::instance(), store);
        QCOMPARE(store->connectionName(), QStringLiteral("quorvel_app"));
        QCOMPARE(store->filePath(), DatabaseHandler::databasePath());
        QVERIFY(store->openAtStart());
        QCOMPARE(QSqlDatabase::database(QStringLiteral("quorvel_app"), false).databaseName(), m_path);
        store->disconnectDatabase();
        QVERIFY(!store->isConnected());
    }

    void shouldAddCalendarInfoAndIndexesAtEveryOpen()
    {
        unpackTemplate();
        QSignalSpy connectedSpy(handler(), &DatabaseHandler::connectedChanged);

        for (int open = 1; open <= 2; ++open) {
            QVERIFY(handler()->openAtStart());
            QVERIFY(handler()->isConnected());
            QVERIFY(handler()->property("connected").toBool());
            QCOMPARE(schemaNames(QStringLiteral("table")),
                QStringList({ "calendar_info", "context", "project", "sqlite_sequence", "task" }));
            QCOMPARE(schemaNames(QStringLiteral("index")),
                QStringList({ "ContextIdIndex", "ProjectIdIndex", "ProjectUnsyncedIndex", "TaskDueIndex",
                    "TaskParentIndex", "TaskStateDueIndex", "TaskStateIndex", "TaskUnsyncedIndex", "index_uuid",
                    "index_uuid1", "index_uuid2", "sqlite_autoindex_context_1", "sqlite_autoindex_project_1",
                    "sqlite_autoindex_task_1" }));
            if (open == 1)
                handler()->disconnectDatabase();
        }

        QCOMPARE(errorLines(), QStringList());
        QCOMPARE(logLines().filter(QStringLiteral("Connected to the database successfully.")).size(), 2);
        QVERIFY(logged(QStringLiteral("INFO Connecting to the database...")));
        QVERIFY(logged(QStringLiteral("INFO Disconnecting from database...")));
        QCOMPARE(connectedSpy.size(), 3);

        QCOMPARE(handler()
                     ->single(QStringLiteral(
                         "SELECT group_concat(name || ' ' || upper(type) || ' ' || \"notnull\" || ' ' "
                         "|| ifnull(dflt_value, '-') || ' ' || pk, ', ') AS columns "
                         "FROM pragma_table_info('calendar_info')"))
                     .value(QStringLiteral("COLUMNS"))
                     .toString(),
            QStringLiteral(
                "id INTEGER 1 - 1, task_id TEXT 1 - 0, synced BOOLEAN 1 0 0, updated BOOLEAN 1 0 0"));
        QCOMPARE(handler()->count(QStringLiteral("SELECT count(*) FROM pragma_index_list('project') "
                                                 "WHERE name = 'ProjectIdIndex' AND \"unique\" = 1")),
            1);
    }

    void shouldUpgradeADatabaseOfAnOlderTemplate()
    {
        const QString fixture = QStringLiteral(QUORVEL_TEST_DATA_DIR "/older_template.db");
        const QByteArray fixtureHash = fileHash(fixture);
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        QVERIFY(QFile::copy(fixture, m_path));
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));

        QVERIFY(handler()->openAtStart());
        handler()->disconnectDatabase();
        QVERIFY(handler()->openAtStart());

        QCOMPARE(errorLines(), QStringList());
        // The database was copied as it was before it changed, and only once.
        const QList<DatabaseBackup::Entry> backups = handler()->backups().entries();
        QCOMPARE(backups.size(), 1);
        QCOMPARE(backups.first().reason, DatabaseBackup::Reason::SchemaChange);
        const QString before = StoreFixture::dumpFile(backups.first().path).join(QLatin1Char('\n'));
        QVERIFY(before.contains(QStringLiteral("Buy milk")));
        QVERIFY(!before.contains(QStringLiteral("TaskStateIndex")));
        QVERIFY(schemaNames(QStringLiteral("table")).contains(QStringLiteral("calendar_info")));
        const QStringList indexes = schemaNames(QStringLiteral("index"));
        for (const char* index : { "TaskStateIndex", "ProjectIdIndex", "ContextIdIndex" })
            QVERIFY2(indexes.contains(QLatin1String(index)), index);

        // The objects are all still there and read the way they were written.
        QCOMPARE(handler()->count(QStringLiteral("SELECT count(*) FROM task")), 2);
        QCOMPARE(handler()->count(QStringLiteral("SELECT count(*) FROM project")), 3);
        QCOMPARE(handler()->count(QStringLiteral("SELECT count(*) FROM context")), 1);
        const QList<DataObject> tasks = handler()->list(
            QStringLiteral("SELECT id, name, parent, start, due, state FROM task ORDER BY task_id"));
        QCOMPARE(tasks.size(), 2);
        QCOMPARE(tasks.at(0).value(QStringLiteral("NAME")).toString(), QStringLiteral("Buy milk"));
        QVERIFY(tasks.at(0).contains(QStringLiteral("START")));
        QVERIFY(!tasks.at(0).value(QStringLiteral("START")).toDateTime().isValid());
        QCOMPARE(tasks.at(1).value(QStringLiteral("DUE")).toDateTime(),
            QDateTime(QDate(2023, 11, 14), QTime(23, 13, 20), Qt::UTC));
        QCOMPARE(tasks.at(1).value(QStringLiteral("STATE")).toInt(), 2);

        QCOMPARE(fileHash(fixture), fixtureHash);
    }

    void shouldKeepWorkingWithoutAnIndexThatDuplicatesPrevent()
    {
        unpackTemplate();
        const QString insert = QStringLiteral("INSERT INTO project (id, name, folder, timestamp) VALUES "
                                              "('11111111-0000-4000-8000-000000000001', '%1', 0, 1)");
        QVERIFY(
            runOnFile(m_path, { insert.arg(QStringLiteral("First")), insert.arg(QStringLiteral("Second")) }));

        QVERIFY(handler()->openAtStart());
        const QStringList indexes = schemaNames(QStringLiteral("index"));
        QVERIFY(!indexes.contains(QStringLiteral("ProjectIdIndex")));
        QVERIFY(indexes.contains(QStringLiteral("ContextIdIndex")));
        QVERIFY(indexes.contains(QStringLiteral("TaskStateIndex")));
        QVERIFY(schemaNames(QStringLiteral("table")).contains(QStringLiteral("calendar_info")));

        const QStringList errors = errorLines();
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(QStringLiteral("ERROR Unable to create ProjectIdIndex: Reason: ")),
            qPrintable(errors.first()));
        QVERIFY2(
            errors.first().contains(QStringLiteral("UNIQUE constraint failed")), qPrintable(errors.first()));

        QVERIFY(handler()->execute(
            TaskSql.arg(QStringLiteral("t1"), QStringLiteral("''"), QStringLiteral("''"))));
        QCOMPARE(handler()->count(QStringLiteral("SELECT count(*) FROM project")), 2);
        QCOMPARE(handler()->count(QStringLiteral("SELECT count(*) FROM task")), 1);
    }

    void shouldEndATransactionAsAsked_data()
    {
        QTest::addColumn<bool>("commit");
        QTest::addColumn<int>("rowsAfter");
        QTest::addColumn<QString>("idAfter");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("commit") << true << 1 << "t1"
                                << "INFO Changes successfully saved into DB.";
        QTest::newRow("rollback") << false << 0 << ""
                                  << "WARN Rollback successfully completed.";
    }

    void shouldEndATransactionAsAsked()
    {
        QFETCH(bool, commit);
        QFETCH(int, rowsAfter);
        QFETCH(QString, idAfter);
        QFETCH(QString, logLine);

        unpackTemplate();
        QVERIFY(handler()->openAtStart());
        QVERIFY(handler()->beginTransaction());
        QVERIFY(logged(QStringLiteral("INFO Begin transaction: true")));
        QVERIFY(handler()->execute(
            TaskSql.arg(QStringLiteral("t1"), QStringLiteral("''"), QStringLiteral("''"))));
        handler()->setLastCreatedObjectId(QStringLiteral("t1"));
        QCOMPARE(handler()->count(QStringLiteral("SELECT count(*) FROM task")), 1);

        QVERIFY(commit ? handler()->commitChanges() : handler()->rollbackChanges());
        QVERIFY(logged(logLine));
        QCOMPARE(handler()->lastCreatedObjectId(), idAfter);
        QCOMPARE(handler()->count(QStringLiteral("SELECT count(*) FROM task")), rowsAfter);

        // What reached the file, seen after the store is gone.
        m_handler.reset();
        DatabaseHandler reopened(m_path, QStringLiteral("tst_reopened"));
        QVERIFY(reopened.connectDatabase(m_path));
        QCOMPARE(reopened.count(QStringLiteral("SELECT count(*) FROM task")), rowsAfter);
    }

    void shouldFailACommitWithoutTransaction()
    {
        unpackTemplate();
        QVERIFY(handler()->openAtStart());
        handler()->setLastCreatedObjectId(QStringLiteral("created-before"));

        QVERIFY(!handler()->commitChanges());
        QCOMPARE(handler()->lastCreatedObjectId(), QString());
        const QStringList errors = errorLines();
        QVERIFY(!errors.isEmpty());
        QVERIFY2(errors.first().startsWith(
                     QStringLiteral("ERROR Unable to save changes into DB. Error description: ")),
            qPrintable(errors.first()));
        QVERIFY2(
            errors.first().contains(QStringLiteral("no transaction is active")), qPrintable(errors.first()));
        // The store is still usable after the failed commit.
        QVERIFY(handler()->execute(
            TaskSql.arg(QStringLiteral("t1"), QStringLiteral("''"), QStringLiteral("''"))));
    }

    void shouldReportFailedStatements_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("primitive");
        QTest::addColumn<QString>("logLine");
        const QString notOpen = QStringLiteral("The database is not open.");
        const QString noTable = QStringLiteral("no such table: missing");
        for (const QString primitive : { "execute", "count", "list", "single" }) {
            const QString prefix = primitive == QLatin1String("execute")
                ? QStringLiteral("ERROR SQL query error: ")
                : QStringLiteral("ERROR SQL List query error: ");
            QTest::addRow("%s on a closed store", qPrintable(primitive))
                << false << primitive << prefix + notOpen;
            QTest::addRow("%s with a bad statement", qPrintable(primitive))
                << true << primitive << prefix + noTable;
        }
    }

    void shouldReportFailedStatements()
    {
        QFETCH(bool, open);
        QFETCH(QString, primitive);
        QFETCH(QString, logLine);

        unpackTemplate();
        if (open)
            QVERIFY(handler()->openAtStart());
        const QString sql = QStringLiteral("SELECT count(*), * FROM missing");

        if (primitive == QLatin1String("execute"))
            QVERIFY(!handler()->execute(sql));
        else if (primitive == QLatin1String("count"))
            QCOMPARE(handler()->count(sql), 0);
        else if (primitive == QLatin1String("list"))
            QVERIFY(handler()->list(sql).isEmpty());
        else
            QVERIFY(handler()->single(sql).isEmpty());

        const QStringList errors = errorLines();
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(logLine), qPrintable(errors.first()));
    }

    void shouldFailTransactionsOnAClosedStore()
    {
        unpackTemplate();
        handler()->setLastCreatedObjectId(QStringLiteral("x"));
        QVERIFY(!handler()->beginTransaction());
        QVERIFY(logged(QStringLiteral("INFO Begin transaction: false")));
        QVERIFY(!handler()->commitChanges());
        QVERIFY(!handler()->rollbackChanges());
        QCOMPARE(handler()->lastCreatedObjectId(), QString());
        QVERIFY(logged(QStringLiteral("ERROR Unable to rollback changes. Error description: ")));
    }

    // START and DUE are always present; '' and 0 (and NULL) mean "not set".
    void shouldConvertRowsToRecords_data()
    {
        QTest::addColumn<QString>("storedStart");
        QTest::addColumn<QDateTime>("start");
        QTest::newRow("empty") << "''" << QDateTime();
        QTest::newRow("zero") << "0" << QDateTime();
        QTest::newRow("null") << "NULL" << QDateTime();
        QTest::newRow("seconds") << "1700000000"
                                 << QDateTime(QDate(2023, 11, 14), QTime(22, 13, 20), Qt::UTC);
    }

    void shouldConvertRowsToRecords()
    {
        QFETCH(QString, storedStart);
        QFETCH(QDateTime, start);

        unpackTemplate();
        QVERIFY(handler()->openAtStart());
        QVERIFY(handler()->execute(TaskSql.arg(QStringLiteral("t1"), storedStart, storedStart)));

        const DataObject task = handler()->single(QStringLiteral("SELECT * FROM task WHERE id = 't1'"));
        QCOMPARE(task.keys(),
            QStringList({ "CONTEXT", "DUE", "ID", "LOCAL", "MEMO", "NAME", "PARENT", "PERIOD", "START",
                "STATE", "SYNCED", "TASK_ID", "TIMESTAMP" }));
        for (const char* key : { "START", "DUE" }) {
            const QVariant value = task.value(QLatin1String(key));
            QCOMPARE(value.userType(), int(QMetaType::QDateTime));
            QCOMPARE(value.toDateTime(), start);
            if (start.isValid())
                QCOMPARE(value.toDateTime().timeSpec(), Qt::UTC);
        }
        QCOMPARE(task.value(QStringLiteral("NAME")).toString(), QStringLiteral("Task t1"));
        QCOMPARE(task.value(QStringLiteral("LOCAL")).toInt(), 1);

        // No row: an empty record, an empty list, a count of 0, and no error.
        QVERIFY(handler()->single(QStringLiteral("SELECT * FROM task WHERE id = 'none'")).isEmpty());
        QVERIFY(handler()->list(QStringLiteral("SELECT * FROM task WHERE id = 'none'")).isEmpty());
        QCOMPARE(handler()->count(QStringLiteral("SELECT 7 WHERE 0")), 0);
        QCOMPARE(errorLines(), QStringList());
    }

    // Files that are not a usable database: the store stays closed, says why,
    // and the file keeps every byte.
    void shouldLeaveAnUnreadableFileUntouched_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");

        QByteArray garbage(8192, Qt::Uninitialized);
        QRandomGenerator generator(20240601);
        for (char& byte : garbage)
            byte = char(generator.bounded(256));
        QTest::newRow("garbage") << garbage << "file is not a database";
        QTest::newRow("text") << QByteArray("Milk, bread, call the bank.\n") << "file is not a database";

        // A real database with enough rows to span many pages, cut short.
        const QString full = TestSandbox::root() + QStringLiteral("/full.db");
        QFile::remove(full);
        QVERIFY(DatabaseTemplate::unpackTo(full));
        QVERIFY(runOnFile(full,
            { QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                             "INSERT INTO task (id, name, parent, memo, timestamp) "
                             "SELECT 'id' || i, 'Task ' || i, 'p', printf('%.200c', 'x'), '1' FROM n") }));
        QFile fullFile(full);
        QVERIFY(fullFile.open(QIODevice::ReadOnly));
        const QByteArray database = fullFile.readAll();
        QVERIFY(database.size() > 40 * 1024);
        QTest::newRow("truncated") << database.left(database.size() / 2)
                                   << "database disk image is malformed";
        QTest::newRow("header only") << database.left(60) << "database disk image is malformed";

        QTest::newRow("empty file") << QByteArray() << "is not a Quorvel database";
        const QString foreign = TestSandbox::root() + QStringLiteral("/foreign.db");
        QFile::remove(foreign);
        QVERIFY(runOnFile(foreign,
            { QStringLiteral("CREATE TABLE notes (text)"),
                QStringLiteral("INSERT INTO notes VALUES ('keep me')") }));
        QFile foreignFile(foreign);
        QVERIFY(foreignFile.open(QIODevice::ReadOnly));
        QTest::newRow("another program's database") << foreignFile.readAll() << "is not a Quorvel database";
    }

    void shouldLeaveAnUnreadableFileUntouched()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);

        QVERIFY(writeFile(m_path, content));
        const QByteArray before = fileHash(m_path);

        QVERIFY(!handler()->openAtStart());
        QVERIFY(!handler()->isConnected());
        QVERIFY(!handler()->property("connected").toBool());

        const QStringList errors = errorLines();
        QCOMPARE(errors.size(), 2);
        QVERIFY2(errors.at(0).contains(m_path) && errors.at(0).contains(reason), qPrintable(errors.at(0)));
        QCOMPARE(errors.at(1), QStringLiteral("ERROR Unable to connect to the database!"));

        // The store works closed: statements fail and say so.
        QVERIFY(!handler()->execute(QStringLiteral("SELECT 1")));
        QVERIFY(logged(QStringLiteral("ERROR SQL query error: The database is not open.")));

        m_handler.reset();
        QCOMPARE(fileHash(m_path), before);
        QCOMPARE(QFileInfo(m_path).size(), qint64(content.size()));
        QCOMPARE(
            QDir(QFileInfo(m_path).absolutePath()).entryList(QDir::Files), QStringList { "quorvel_data.db" });
    }

    void shouldNotCreateAMissingDatabase()
    {
        QVERIFY(!handler()->openAtStart());
        QVERIFY(!QFileInfo::exists(m_path));
        QVERIFY(logged(
            QStringLiteral("ERROR Unable to open the database: there is no database file at ") + m_path));
        QVERIFY(logged(QStringLiteral("ERROR Unable to connect to the database!")));
    }

    void shouldRecreateAnEmptyOpenStore()
    {
        unpackTemplate();
        QVERIFY(handler()->openAtStart());
        QVERIFY(handler()->execute(
            TaskSql.arg(QStringLiteral("t1"), QStringLiteral("''"), QStringLiteral("''"))));
        QVERIFY(handler()->execute(
            QStringLiteral("INSERT INTO project (id, name, folder, timestamp) VALUES ('p', 'P', 0, 1)")));
        QVERIFY(handler()->execute(
            QStringLiteral("INSERT INTO context (id, name, timestamp) VALUES ('c', 'C', 1)")));
        handler()->setLastCreatedObjectId(QStringLiteral("t1"));

        PredefinedDataHelper* helper = PredefinedDataHelper::instance();
        helper->setQuorvelBoxId(QStringLiteral("server-inbox"));
        helper->setOneStepActionsId(QStringLiteral("server-one-step"));
        QSignalSpy inboxSpy(helper, &PredefinedDataHelper::quorvelBoxIdChanged);
        QSignalSpy oneStepSpy(helper, &PredefinedDataHelper::oneStepActionsIdChanged);

        const QString predefinedPath = AppPaths::appDataFile(QStringLiteral("predefined_objects.dat"));
        {
            QSettings predefined(predefinedPath, QSettings::IniFormat);
            predefined.setValue(QStringLiteral("folders_created"), 1);
            predefined.setValue(QStringLiteral("contexts_created"), 1);
            predefined.setValue(QStringLiteral("folders/work"), QStringLiteral("some-id"));
        }

        QVERIFY(handler()->recreateDatabase());

        QVERIFY(handler()->isConnected());
        // What was wiped is kept in a backup.
        const QList<DatabaseBackup::Entry> backups = handler()->backups().entries();
        QCOMPARE(backups.size(), 1);
        QCOMPARE(backups.first().reason, DatabaseBackup::Reason::Recreation);
        QVERIFY(StoreFixture::dumpFile(backups.first().path).join(QLatin1Char('\n')).contains(QStringLiteral("Task t1")));
        for (const char* table : { "task", "project", "context", "calendar_info" })
            QCOMPARE(
                handler()->count(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))), 0);
        const QStringList indexes = schemaNames(QStringLiteral("index"));
        for (const char* index : { "TaskStateIndex", "ProjectIdIndex", "ContextIdIndex" })
            QVERIFY2(indexes.contains(QLatin1String(index)), index);
        QCOMPARE(handler()->lastCreatedObjectId(), QString());
        QCOMPARE(QFile::permissions(m_path),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                | QFileDevice::WriteUser);
        // The wiped database was deleted, not kept aside.
        QCOMPARE(QDir(QFileInfo(m_path).absolutePath()).entryList({ QStringLiteral("quorvel_data.db*") }),
            QStringList { "quorvel_data.db" });

        QSettings predefined(predefinedPath, QSettings::IniFormat);
        QCOMPARE(predefined.allKeys(), QStringList({ "contexts_created", "folders_created" }));
        QCOMPARE(predefined.value(QStringLiteral("folders_created")).toInt(), 0);
        QCOMPARE(predefined.value(QStringLiteral("contexts_created")).toInt(), 0);

        QCOMPARE(helper->quorvelBoxId(), QStringLiteral("f206bbf9-8d12-4482-a142-d02efefe8bbc"));
        QCOMPARE(helper->oneStepActionsId(), QStringLiteral("a248f791-d83e-49ca-93df-32d9718cdb91"));
        QCOMPARE(inboxSpy.size(), 1);
        QCOMPARE(oneStepSpy.size(), 1);

        QCOMPARE(errorLines(), QStringList());
        QVERIFY(logged(QStringLiteral("INFO Recreating the database...")));
        QVERIFY(logged(QStringLiteral("INFO Resettings ids of inbox projects...")));
        QVERIFY(logged(QStringLiteral("INFO Connecting to new created database...")));
    }

    void shouldKeepAnUnreadableDatabaseAsideWhenRecreating()
    {
        const QByteArray damaged = QByteArray("not a database, but maybe recoverable").repeated(100);
        QVERIFY(writeFile(m_path, damaged));
        QVERIFY(!handler()->openAtStart());
        // A journal beside it belongs to its content and must stay with it.
        QVERIFY(writeFile(m_path + QStringLiteral("-journal"), QByteArray("journal")));

        QVERIFY(handler()->recreateDatabase());
        QVERIFY(handler()->isConnected());
        QCOMPARE(handler()->count(QStringLiteral("SELECT count(*) FROM task")), 0);

        const QDir dir(QFileInfo(m_path).absolutePath());
        const QStringList kept
            = dir.entryList({ QStringLiteral("quorvel_data.db.unreadable-*") }, QDir::Files, QDir::Name);
        QCOMPARE(kept.size(), 2);
        QVERIFY(kept.at(1).endsWith(QStringLiteral("-journal")));
        QCOMPARE(fileHash(dir.filePath(kept.at(0))),
            QCryptographicHash::hash(damaged, QCryptographicHash::Sha256));
        QVERIFY(!QFileInfo::exists(m_path + QStringLiteral("-journal")));
        QVERIFY(logged(QStringLiteral("WARN The database could not be opened, so it is kept as ")));
    }

    // A cleanly closed store is trusted at the next open after a look at its
    // header, schema and table edges; one left open (a crash, a power cut) is
    // read page by page.
    void shouldCheckEveryPageOnlyAfterAnUncleanEnd()
    {
        unpackTemplate();
        QVERIFY(runOnFile(m_path,
            { QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                             "INSERT INTO task (id, name, parent, memo, timestamp) "
                             "SELECT 'id' || i, 'Task ' || i, 'p', printf('needle-%d-%.180c', i, 'x'), '1' FROM n") }));
        const QString marker = DatabaseHandler::inUseMarkerPath(m_path);
        QVERIFY(handler()->openAtStart());
        QVERIFY(QFileInfo::exists(marker));
        handler()->disconnectDatabase();
        QVERIFY(!QFileInfo::exists(marker));

        // The page that holds task 150, far from either edge of the table,
        // is overwritten.
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 at = file.readAll().indexOf("needle-150-");
        QVERIFY(at > 0);
        QVERIFY(file.seek(at / 1024 * 1024));
        QCOMPARE(file.write(QByteArray(1024, '\x5a')), qint64(1024));
        file.close();
        QVERIFY(handler()->openAtStart());
        handler()->disconnectDatabase();

        QVERIFY(writeFile(marker, QByteArray("4242\n")));
        QVERIFY(!handler()->openAtStart());
        QVERIFY(logged(QStringLiteral("WARN The database ") + m_path
            + QStringLiteral(" was not closed at the end of the last session")));
        QVERIFY2(errorLines().value(0).contains(QStringLiteral(" is damaged: ")), qPrintable(errorLines().value(0)));
    }

    void shouldRestoreABackupInPlaceOfADamagedDatabase()
    {
        unpackTemplate();
        QVERIFY(handler()->openAtStart());
        QVERIFY(handler()->execute(TaskSql.arg(QStringLiteral("t1"), QStringLiteral("''"), QStringLiteral("''"))));
        const QString backup
            = handler()->backups().write(DatabaseBackup::Reason::Daily, handler()->backupAccount());
        QVERIFY(!backup.isEmpty());
        QVERIFY(!handler()->restoreBackup(backup));
        m_handler.reset();

        const QByteArray damaged = QByteArray("beyond repair").repeated(300);
        QVERIFY(writeFile(m_path, damaged));
        QVERIFY(!handler()->openAtStart());
        QVERIFY(handler()->restoreBackup(backup));

        QVERIFY(handler()->isConnected());
        QCOMPARE(handler()->count(QStringLiteral("SELECT count(*) FROM task")), 1);
        QCOMPARE(StoreFixture::dumpFile(m_path), StoreFixture::dumpFile(backup));
        const QDir dir(QFileInfo(m_path).absolutePath());
        const QStringList kept = dir.entryList({ QStringLiteral("quorvel_data.db.unreadable-*") }, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(fileHash(dir.filePath(kept.first())), QCryptographicHash::hash(damaged, QCryptographicHash::Sha256));
        QVERIFY(QFileInfo::exists(backup));
    }
};

QUORVEL_TEST_MAIN(TestDatabaseHandler)
#include "tst_databasehandler.moc"
