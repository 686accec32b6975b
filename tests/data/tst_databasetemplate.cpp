#include "data/DatabaseTemplate.h"
#include "support/TestMain.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

// The template is what every user's database starts from, so its exact shape
// is the stored format: these cases compare it column by column.
class TestDatabaseTemplate : public QObject
{
    Q_OBJECT

private:
    const QString m_connection = QStringLiteral("template_check");
    QString m_path;

    QSqlDatabase db() const { return QSqlDatabase::database(m_connection); }

    QStringList rows(const QString& sql, int columns = 1) const
    {
        QSqlQuery query(db());
        if (!query.exec(sql)) {
            qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
            return { QStringLiteral("<failed>") };
        }
        QStringList result;
        while (query.next()) {
            QStringList fields;
            for (int i = 0; i < columns; ++i)
                fields.append(query.value(i).isNull() ? QStringLiteral("NULL") : query.value(i).toString());
            result.append(fields.join(QLatin1Char('|')));
        }
        return result;
    }

    QString value(const QString& sql) const
    {
        const QStringList result = rows(sql);
        return result.isEmpty() ? QString() : result.first();
    }

    static QByteArray fileHash(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

private slots:
    void initTestCase()
    {
        TestSandbox::reset();
        m_path = TestSandbox::home() + QStringLiteral("/template/quorvel_data.db");
        QVERIFY(DatabaseTemplate::unpackTo(m_path));
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        database.setDatabaseName(m_path);
        QVERIFY(database.open());
        QCOMPARE(value(QStringLiteral("PRAGMA quick_check")), QStringLiteral("ok"));
    }

    void cleanupTestCase()
    {
        QSqlDatabase::database(m_connection).close();
        QSqlDatabase::removeDatabase(m_connection);
    }

    void shouldHoldExactlyTheThreeTables()
    {
        QCOMPARE(rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")),
            QStringList({ "context", "project", "sqlite_sequence", "task" }));
        QCOMPARE(
            rows(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type NOT IN ('table', 'index')")),
            QStringList { "0" });
    }

    // PRAGMA table_info rows: name|declared type|not null|default|primary key.
    // SQLite reports the standard type names in upper case whatever their
    // spelling in the schema; affinity does not depend on it either.
    void shouldDeclareTheColumnsInOrder_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("task") << "task"
                              << QStringList { "context|TEXT|0|NULL|0", "due|INTEGER|0|NULL|0",
                                     "id|TEXT|1|NULL|0", "memo|TEXT|0|NULL|0", "name|TEXT|1|NULL|0",
                                     "parent|TEXT|1|NULL|0", "period|TEXT|0|NULL|0", "start|INTEGER|0|NULL|0",
                                     "state|INTEGER|1|0|0", "task_id|INTEGER|1|NULL|1",
                                     "timestamp|TEXT|1|NULL|0", "synced|BOOLEAN|1|0|0",
                                     "local|BOOLEAN|1|1|0" };
        QTest::newRow("project") << "project"
                                 << QStringList { "context|TEXT|0|NULL|0", "due|INTEGER|0|NULL|0",
                                        "folder|BOOLEAN|1|NULL|0", "id|TEXT|1|NULL|0", "memo|TEXT|0|NULL|0",
                                        "name|TEXT|1|NULL|0", "parent|TEXT|0|NULL|0",
                                        "project_id|INTEGER|1|NULL|1", "start|INTEGER|0|NULL|0",
                                        "state|INTEGER|1|0|0", "timestamp|INTEGER|1|NULL|0",
                                        "synced|BOOLEAN|1|0|0", "local|BOOLEAN|1|1|0" };
        QTest::newRow("context") << "context"
                                 << QStringList { "altitude|REAL|0|NULL|0", "context_id|INTEGER|1|NULL|1",
                                        "id|TEXT|1|NULL|0", "latitude|REAL|0|NULL|0",
                                        "longitude|REAL|0|NULL|0", "memo|TEXT|0|NULL|0", "name|TEXT|1|NULL|0",
                                        "parent|TEXT|0|NULL|0", "state|INTEGER|1|0|0",
                                        "timestamp|INTEGER|1|NULL|0", "synced|BOOLEAN|1|0|0",
                                        "local|BOOLEAN|1|1|0" };
    }

    void shouldDeclareTheColumnsInOrder()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, columns);
        QCOMPARE(
            rows(QStringLiteral(
                     "SELECT name, upper(type), \"notnull\", dflt_value, pk FROM pragma_table_info('%1')")
                     .arg(table),
                5),
            columns);
    }

    // The unique constraint (origin "u"), the template index (origin "c"),
    // and no other index.
    void shouldCarryTheConstraintAndTemplateIndex_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("uniqueColumn");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("indexColumn");
        QTest::newRow("task") << "task"
                              << "id"
                              << "index_uuid1"
                              << "id";
        QTest::newRow("project") << "project"
                                 << "project_id"
                                 << "index_uuid2"
                                 << "project_id";
        QTest::newRow("context") << "context"
                                 << "id"
                                 << "index_uuid"
                                 << "id";
    }

    void shouldCarryTheConstraintAndTemplateIndex()
    {
        QFETCH(QString, table);
        QFETCH(QString, uniqueColumn);
        QFETCH(QString, index);
        QFETCH(QString, indexColumn);

        const QString autoIndex = QStringLiteral("sqlite_autoindex_%1_1").arg(table);
        QCOMPARE(rows(QStringLiteral("SELECT name, \"unique\", origin, partial FROM pragma_index_list('%1') "
                                     "ORDER BY name")
                          .arg(table),
                     4),
            QStringList({ index + QStringLiteral("|0|c|0"), autoIndex + QStringLiteral("|1|u|0") }));
        QCOMPARE(rows(QStringLiteral("SELECT name FROM pragma_index_info('%1')").arg(autoIndex)),
            QStringList { uniqueColumn });
        QCOMPARE(rows(QStringLiteral("SELECT name FROM pragma_index_info('%1')").arg(index)),
            QStringList { indexColumn });

        // The constraint keeps its name in the stored schema.
        const QString sql
            = value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = '%1'").arg(table));
        QVERIFY2(
            sql.contains(QStringLiteral("CONSTRAINT \"unique_uuid\" UNIQUE ( \"%1\" )").arg(uniqueColumn)),
            qPrintable(sql));
    }

    void shouldNumberRowsWithAutoincrement()
    {
        // AUTOINCREMENT never hands a deleted row's number out again.
        const QString schema
            = rows(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table'")).join('\n');
        for (const char* column : { "task_id", "project_id", "context_id" })
            QVERIFY2(schema.contains(QStringLiteral("\"%1\" Integer NOT NULL PRIMARY KEY AUTOINCREMENT")
                                         .arg(QLatin1String(column))),
                column);
    }

    void shouldUseTheFileFormatOfTheTemplate()
    {
        QCOMPARE(value(QStringLiteral("PRAGMA page_size")), QStringLiteral("1024"));
        QCOMPARE(value(QStringLiteral("PRAGMA encoding")), QStringLiteral("UTF-8"));
        QCOMPARE(value(QStringLiteral("PRAGMA user_version")), QStringLiteral("0"));
        QCOMPARE(value(QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"));

        // The header itself: page size, and format versions 1/1 for a
        // rollback journal (2/2 would mean WAL).
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(100);
        QCOMPARE(header.left(16), QByteArray("SQLite format 3\0", 16));
        QCOMPARE((quint8(header.at(16)) << 8) | quint8(header.at(17)), 1024);
        QCOMPARE(int(header.at(18)), 1);
        QCOMPARE(int(header.at(19)), 1);
        QCOMPARE(file.size() % 1024, qint64(0));
    }

    void shouldHoldNoRows()
    {
        for (const char* table : { "task", "project", "context", "sqlite_sequence" })
            QCOMPARE(value(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))),
                QStringLiteral("0"));
    }

    void shouldUnpackAnOwnerOnlyWritableCopy()
    {
        const QString path = TestSandbox::home() + QStringLiteral("/fresh/quorvel_data.db");
        QVERIFY(DatabaseTemplate::unpackTo(path));
        QCOMPARE(QFile::permissions(path),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                | QFileDevice::WriteUser);
        QFile resource(DatabaseTemplate::resourcePath());
        QVERIFY(resource.open(QIODevice::ReadOnly));
        QCOMPARE(fileHash(path), QCryptographicHash::hash(resource.readAll(), QCryptographicHash::Sha256));
    }

    void shouldNeverReplaceAnExistingFile()
    {
        const QString path = TestSandbox::home() + QStringLiteral("/existing.db");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the user's data");
        file.close();
        const QByteArray before = fileHash(path);

        QVERIFY(!DatabaseTemplate::unpackTo(path));
        QCOMPARE(fileHash(path), before);
        QCOMPARE(QFileInfo(path).size(), qint64(15));
    }

    void shouldFailWhereNothingCanBeWritten()
    {
        // A regular file in place of the folder (root ignores folder modes).
        const QString blocker = TestSandbox::home() + QStringLiteral("/not-a-folder");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        QVERIFY(!DatabaseTemplate::unpackTo(blocker + QStringLiteral("/quorvel_data.db")));
        QVERIFY(QFileInfo(blocker).isFile());
    }
};

QUORVEL_TEST_MAIN(TestDatabaseTemplate)
#include "tst_databasetemplate.moc"
