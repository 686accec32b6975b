#include "data/DataObject.h"
#include "data/ObjectIdentifier.h"
#include "data/ObjectState.h"
#include "data/WallClock.h"
#include "support/TestMain.h"

#include <QSet>
#include <QThread>

#include <ctime>

// Receives records by name on another thread, the way the data manager
// calls the store.
class RecordEcho : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE QList<DOTask> echoTasks(const QList<DOTask>& tasks) { return tasks; }
    Q_INVOKABLE DOProject echoProject(const DOProject& project) { return project; }
};

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A zone far from UTC and with daylight saving time: wall-clock
        // values must not move with it.
        qputenv("TZ", "Pacific/Auckland");
        tzset();
        DataObjectTypes::registerMetaTypes();
    }

    void shouldReadBackTheSameWallClockFields_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::newRow("ordinary") << QDate(2023, 11, 14) << QTime(9, 30);
        QTest::newRow("midnight") << QDate(2024, 1, 1) << QTime(0, 0);
        QTest::newRow("leap day") << QDate(2024, 2, 29) << QTime(23, 59, 59);
        // 02:30 does not exist in Auckland on this day (clocks go forward),
        // but it is a perfectly good wall-clock value.
        QTest::newRow("local clock gap") << QDate(2023, 9, 24) << QTime(2, 30);
        QTest::newRow("first second") << QDate(1970, 1, 1) << QTime(0, 0, 1);
    }

    void shouldReadBackTheSameWallClockFields()
    {
        QFETCH(QDate, date);
        QFETCH(QTime, time);

        const QDateTime value = WallClock::fromDateAndTime(date, time);
        const QVariant stored = WallClock::toStored(QVariant(value));
        QCOMPARE(stored.toLongLong(), QDateTime(date, time, Qt::UTC).toSecsSinceEpoch());

        const QDateTime readBack = WallClock::fromStored(stored);
        QVERIFY(readBack.isValid());
        QCOMPARE(readBack.timeSpec(), Qt::UTC);
        QCOMPARE(readBack.date(), date);
        QCOMPARE(readBack.time(), time);

        // SQLite hands a column back as text or as a number depending on
        // what was written into it; both read the same.
        QCOMPARE(WallClock::fromStored(stored.toString()), readBack);
    }

    void shouldStoreTheFieldsWhateverTheTimeSpec()
    {
        // A date picked in the local zone keeps its fields; it is not shifted
        // by the zone offset on the way in.
        const QDateTime local(QDate(2024, 6, 1), QTime(8, 15), Qt::LocalTime);
        QCOMPARE(WallClock::toStored(local).toLongLong(),
            QDateTime(QDate(2024, 6, 1), QTime(8, 15), Qt::UTC).toSecsSinceEpoch());

        const QDateTime fromLocal = WallClock::fromLocal(local);
        QCOMPARE(fromLocal.timeSpec(), Qt::UTC);
        QCOMPARE(fromLocal.date(), local.date());
        QCOMPARE(fromLocal.time(), local.time());
    }

    void shouldTreatEmptyAndZeroAsUnset_data()
    {
        QTest::addColumn<QVariant>("column");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty text") << QVariant(QString()) << false;
        QTest::newRow("zero") << QVariant(qlonglong(0)) << false;
        QTest::newRow("zero as text") << QVariant(QStringLiteral("0")) << false;
        QTest::newRow("null") << QVariant() << false;
        QTest::newRow("not a number") << QVariant(QStringLiteral("tomorrow")) << false;
        QTest::newRow("seconds") << QVariant(qlonglong(1700000000)) << true;
        QTest::newRow("seconds as text") << QVariant(QStringLiteral("1700000000")) << true;
    }

    void shouldTreatEmptyAndZeroAsUnset()
    {
        QFETCH(QVariant, column);
        QFETCH(bool, valid);

        const QDateTime value = WallClock::fromStored(column);
        QCOMPARE(value.isValid(), valid);
        if (valid)
            QCOMPARE(value, QDateTime(QDate(2023, 11, 14), QTime(22, 13, 20), Qt::UTC));
    }

    void shouldStoreAnInvalidDateAsEmptyText()
    {
        const QVariant stored = WallClock::toStored(QDateTime());
        QCOMPARE(stored.userType(), int(QMetaType::QString));
        QVERIFY(stored.toString().isEmpty());
        // A missing value in a record is stored the same way.
        QVERIFY(WallClock::toStored(QVariant()).toString().isEmpty());
    }

    void shouldCreateDistinctLowerCaseIdentifiers()
    {
        QSet<QString> seen;
        for (int i = 0; i < 1000; ++i) {
            const QString id = ObjectIdentifier::create();
            QCOMPARE(id.size(), 36);
            QCOMPARE(id, id.toLower());
            QVERIFY2(ObjectIdentifier::looksGenerated(id), qPrintable(id));
            seen.insert(id);
        }
        QCOMPARE(seen.size(), 1000);
    }

    // Cascades or the parent's state into the child's; a restore clears only
    // the deleted flag, so a completed task comes back completed.
    void shouldCascadeAndRestoreThroughTheFlags_data()
    {
        QTest::addColumn<int>("child");
        QTest::addColumn<int>("parent");
        QTest::addColumn<int>("cascaded");
        QTest::addColumn<bool>("inTrash");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("restored");
        QTest::newRow("delete active") << 0 << 1 << 1 << true << false << 0;
        QTest::newRow("delete completed") << 2 << 1 << 3 << true << false << 2;
        QTest::newRow("complete active") << 0 << 2 << 2 << false << true << 2;
        QTest::newRow("no change") << 0 << 0 << 0 << false << true << 0;
    }

    void shouldCascadeAndRestoreThroughTheFlags()
    {
        QFETCH(int, child);
        QFETCH(int, parent);
        QFETCH(int, cascaded);
        QFETCH(bool, inTrash);
        QFETCH(bool, visible);
        QFETCH(int, restored);
        const int state = ObjectState::combined(child, parent);
        QCOMPARE(state, cascaded);
        QCOMPARE(ObjectState::isInTrash(state), inTrash);
        QCOMPARE(ObjectState::isVisible(state), visible);
        QCOMPARE(ObjectState::isActive(state), state == ObjectState::Active);
        QCOMPARE(ObjectState::isCompleted(ObjectState::restored(state)), ObjectState::isCompleted(cascaded));
        QCOMPARE(ObjectState::restored(state), restored);
    }

    void shouldResolveTheRecordTypeNames_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("isList");
        for (const char* name : { "DataObject", "DOTask", "DOProject", "DOFolder", "DOContext" }) {
            QTest::newRow(name) << QByteArray(name) << false;
            const QByteArray listName = QByteArray("QList<") + name + '>';
            QTest::newRow(listName.constData()) << listName << true;
        }
    }

    void shouldResolveTheRecordTypeNames()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, isList);
        const int type = QMetaType::type(name.constData());
        QVERIFY2(type != QMetaType::UnknownType, name.constData());
        QCOMPARE(type, isList ? qMetaTypeId<QList<DataObject>>() : qMetaTypeId<DataObject>());
    }

    void shouldCarryRecordsAcrossThreadsByName()
    {
        QThread worker;
        RecordEcho echo;
        echo.moveToThread(&worker);
        worker.start();

        DOTask task;
        task.insert(QStringLiteral("ID"), ObjectIdentifier::create());
        task.insert(QStringLiteral("START"), QDateTime());
        task.insert(QStringLiteral("DUE"), WallClock::fromDateAndTime(QDate(2024, 5, 1), QTime(18, 0)));
        const QList<DOTask> tasks { task, DOTask() };
        QList<DOTask> tasksBack;
        const bool tasksInvoked = QMetaObject::invokeMethod(&echo, "echoTasks", Qt::BlockingQueuedConnection,
            Q_RETURN_ARG(QList<DOTask>, tasksBack), Q_ARG(QList<DOTask>, tasks));

        DOProject project { { QStringLiteral("FOLDER"), false } };
        DOProject projectBack;
        const bool projectInvoked = QMetaObject::invokeMethod(&echo, "echoProject",
            Qt::BlockingQueuedConnection, Q_RETURN_ARG(DOProject, projectBack), Q_ARG(DOProject, project));
        worker.quit();
        worker.wait();

        QVERIFY(tasksInvoked);
        QCOMPARE(tasksBack, tasks);
        // An unset date survives the trip as a present, invalid value.
        QVERIFY(tasksBack.first().contains(QStringLiteral("START")));
        QVERIFY(!tasksBack.first().value(QStringLiteral("START")).toDateTime().isValid());
        QVERIFY(projectInvoked);
        QCOMPARE(projectBack, project);
    }
};

QUORVEL_TEST_MAIN(TestRecords)
#include "tst_records.moc"
