#include "data/DatabaseHandler.h"
#include "data/DirectRowReader.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QSqlDatabase>
#include <QSqlQuery>

// Rows read straight from SQLite must be the records a QSqlQuery read gives:
// the same keys, values and value types, for every kind of stored value.
class TestDirectRowReader : public QObject
{
    Q_OBJECT

private:
    StoreFixture m;

    QSqlDatabase connection() const { return QSqlDatabase::database(m.store()->connectionName(), false); }

    QList<DataObject> throughQt(const QString &sql) const
    {
        QSqlQuery query(connection());
        query.setForwardOnly(true);
        query.exec(sql);
        QList<DataObject> rows;
        while (query.next())
            rows << DatabaseHandler::recordFromQuery(query);
        return rows;
    }

    static QStringList typesOf(const QList<DataObject> &rows)
    {
        QStringList types;
        for (const DataObject &row : rows) {
            for (auto it = row.cbegin(); it != row.cend(); ++it)
                types << it.key() + QLatin1Char('=') + QString::fromLatin1(it.value().typeName())
                        + (it.value().isNull() ? QStringLiteral("(null)") : QString());
        }
        return types;
    }

private slots:
    void init()
    {
        TestSandbox::reset();
        QVERIFY(m.open());
        QVERIFY(m.task("plain", "p"));
        QVERIFY(m.store()->execute(QStringLiteral(
            "INSERT INTO task (id, name, parent, memo, start, due, context, period, state, timestamp, synced, local) "
            "VALUES ('dated', 'Ünïcode ''quoted'' name', 'p', NULL, 1700000000, 0, '', 'd;1', 2, '1700000000', 1, 0)")));
        QVERIFY(m.store()->execute(QStringLiteral(
            "INSERT INTO context (id, name, parent, altitude, state, timestamp) VALUES ('c', 'C', '', 1.5, 0, 5)")));
    }

    void cleanup() { m.close(); }

    void shouldReadWhatQtReads_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("tasks") << "SELECT * FROM task ORDER BY id";
        QTest::newRow("contexts with a real column") << "SELECT * FROM context";
        QTest::newRow("computed columns") << "SELECT COUNT(id) AS n, MAX(name), NULL AS absent FROM task";
        QTest::newRow("no rows") << "SELECT * FROM project WHERE id = 'none'";
        // Enough rows for text shared down a column to be looked up, the
        // lookup table to fill up, and lookups to stop on unique values;
        // and a name twice, where the later column wins.
        QTest::newRow("long result") << "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4000) "
                                        "SELECT 'id' || i AS id, 'p' || (i % 200) AS parent, "
                                        "CASE WHEN i % 3 = 0 THEN 'ü' || i ELSE 'same' END AS context, "
                                        "CASE WHEN i % 4 = 0 THEN '' ELSE 'm' END AS memo, "
                                        "CASE WHEN i % 5 = 0 THEN '' ELSE i * 60 END AS due, i % 7 AS id FROM n";
    }

    void shouldReadWhatQtReads()
    {
        QFETCH(QString, sql);
        if (!DirectRowReader::isAvailable(connection()))
            QSKIP("This build reads through Qt's driver only.");
        QList<DataObject> direct;
        QString error;
        QVERIFY2(DirectRowReader::read(connection(), sql, &direct, &error), qPrintable(error));
        const QList<DataObject> expected = throughQt(sql);
        QCOMPARE(direct, expected);
        QCOMPARE(typesOf(direct), typesOf(expected));
    }

    void shouldReportAFailedStatement()
    {
        if (!DirectRowReader::isAvailable(connection()))
            QSKIP("This build reads through Qt's driver only.");
        QList<DataObject> rows;
        QString error;
        QVERIFY(!DirectRowReader::read(connection(), QStringLiteral("SELECT * FROM missing"), &rows, &error));
        QVERIFY(error.contains(QLatin1String("missing")));
        QVERIFY(rows.isEmpty());
    }

    void shouldNotReadAClosedConnection()
    {
        m.store()->disconnectDatabase();
        QVERIFY(!DirectRowReader::isAvailable(connection()));
        QVERIFY(m.store()->list(QStringLiteral("SELECT * FROM task")).isEmpty());
    }
};

QUORVEL_TEST_MAIN(TestDirectRowReader)
#include "tst_directrowreader.moc"
