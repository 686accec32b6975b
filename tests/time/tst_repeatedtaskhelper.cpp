#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "data/WallClock.h"
#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "support/TestMain.h"
#include "time/RepeatedTaskHelper.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <memory>

namespace {

const QDate Today(2024, 3, 13); // a Wednesday; every case runs with this as today
const QString Start = QStringLiteral("START");
const QString Due = QStringLiteral("DUE");
const QString Period = QStringLiteral("PERIOD");
const QString FakeStart = QStringLiteral("FAKESTART");
const QString FakeDue = QStringLiteral("FAKEDUE");
using Ids = QStringList;

QDateTime at(int year, int month, int day, int hour = 10, int minute = 0)
{
    return WallClock::fromDateAndTime(QDate(year, month, day), QTime(hour, minute));
}

DOTask makeTask(const QString& period, const QDateTime& due, const QDateTime& start = QDateTime())
{
    return DOTask { { "ID", "t1" }, { "NAME", "Task" }, { "PARENT", "p" }, { "STATE", 0 }, { Period, period },
        { Start, start }, { Due, due } };
}

QString stored(const QDateTime& dateTime)
{
    return dateTime.isValid() ? QString::number(dateTime.toSecsSinceEpoch()) : QStringLiteral("''");
}

// Runs statements through a connection of its own, the way another program
// would; returns the first column of the last statement's first row.
QVariant onOtherConnection(const QString& path, const QStringList& statements)
{
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            for (const QString& sql : statements) {
                if (!query.exec(sql)) {
                    value = QStringLiteral("failed: ") + sql;
                    break;
                }
                value = query.next() ? query.value(0) : QVariant(true);
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    return value;
}

Ids idsOf(const QList<DOTask>& tasks)
{
    Ids ids;
    for (const DOTask& task : tasks)
        ids.append(task.value("ID").toString());
    return ids;
}

} // namespace

class TestRepeatedTaskHelper : public QObject
{
    Q_OBJECT

private:
    QString m_logPath;
    qint64 m_logStart = 0;
    QString m_dbPath;
    QString m_reminderPath;
    std::unique_ptr<DatabaseHandler> m_store;
    std::unique_ptr<RepeatedTaskHelper> m_helper;

    int countLogged(const QString& part) const
    {
        Logging::Logger::instance().flush();
        QFile file(m_logPath);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(m_logStart))
            return -1;
        return QString::fromUtf8(file.readAll()).count(part);
    }

    // For records that are not in the store.
    void ignoreWrites()
    {
        m_helper->setTaskWriter([](const DOTask&) { return true; });
    }

    void newHelper()
    {
        m_helper = std::make_unique<RepeatedTaskHelper>(m_store.get(), m_reminderPath);
        m_helper->setToday(Today);
        m_store->setRepeatedTaskHelper(m_helper.get());
    }

    void insertTask(const QString& id, const QString& period, const QDateTime& due,
        const QDateTime& start = QDateTime(), int state = 0)
    {
        QVERIFY(
            m_store->execute(QStringLiteral("INSERT INTO task (id, name, parent, memo, start, due, context, "
                                            "period, state, timestamp, synced, local) VALUES ('%1', 'Task', "
                                            "'p', '', %2, %3, '', '%4', %5, '1700000000', 1, 0)")
                                 .arg(id, stored(start), stored(due), period)
                                 .arg(state)));
    }

    DOTask storedTask(const QString& id)
    {
        return m_store->single(
            QStringLiteral("SELECT start, due, period, synced, timestamp FROM task WHERE id = '%1'").arg(id));
    }

    QByteArray reminderFile() const
    {
        QFile file(m_reminderPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeReminderFile(const QByteArray& content)
    {
        m_helper.reset();
        QFile file(m_reminderPath);
        QVERIFY(QDir().mkpath(QFileInfo(m_reminderPath).path()) && file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        newHelper();
    }

private slots:
    void initTestCase()
    {
        m_logPath = TestSandbox::root() + QStringLiteral("/logs/tst_repeatedtaskhelper.log");
        QVERIFY(Logging::Logger::instance().setFileDestination(m_logPath));
        Logging::Logger::instance().setLoggingLevel(Logging::DebugLevel);
    }

    void init()
    {
        TestSandbox::reset();
        m_dbPath = AppPaths::appDataFile(QStringLiteral("quorvel_data.db"));
        m_reminderPath = AppPaths::appDataFile(QStringLiteral("repeated_tasks_reminders.dat"));
        QVERIFY(DatabaseTemplate::unpackTo(m_dbPath));
        m_store = std::make_unique<DatabaseHandler>(m_dbPath, QStringLiteral("tst_repeat"));
        QVERIFY(m_store->openAtStart());
        newHelper();
        Logging::Logger::instance().flush();
        m_logStart = QFileInfo(m_logPath).size();
    }

    void cleanup()
    {
        m_store->setRepeatedTaskHelper(nullptr);
        m_helper.reset();
        m_store.reset();
    }

    void shouldProjectRuleOntoDay_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QDateTime>("due");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<bool>("reached");

        const QDateTime fri = at(2024, 3, 1);
        QTest::newRow("d;3 +3 days") << "d;3" << fri << QDate(2024, 3, 4) << true;
        QTest::newRow("d;3 +1 day") << "d;3" << fri << QDate(2024, 3, 2) << false;
        QTest::newRow("d;3 due day itself") << "d;3" << fri << fri.date() << false;
        QTest::newRow("d;7 over new year") << "d;7" << at(2023, 12, 29) << QDate(2024, 1, 5) << true;
        QTest::newRow("w;2 +2 weeks") << "w;2" << fri << QDate(2024, 3, 15) << true;
        QTest::newRow("w;1;1,3,5 Fri->Mon") << "w;1;1,3,5" << fri << QDate(2024, 3, 4) << true;
        QTest::newRow("w;2;2,4 Thu->next Tue") << "w;2;2,4" << at(2024, 2, 29) << QDate(2024, 3, 5) << false;
        QTest::newRow("w;2;2,4 Thu->Tue 2 weeks on")
            << "w;2;2,4" << at(2024, 2, 29) << QDate(2024, 3, 12) << true;
        QTest::newRow("w;2;2,4 Tue->Thu same week")
            << "w;2;2,4" << at(2024, 3, 5) << QDate(2024, 3, 7) << true;
        QTest::newRow("w;1;5,1,3 unsorted") << "w;1;5,1,3" << fri << QDate(2024, 3, 4) << true;
        QTest::newRow("w;1;2,4 due weekday not listed") << "w;1;2,4" << fri << QDate(2024, 3, 5) << false;
        QTest::newRow("m;1 31 Jan->28 Feb") << "m;1" << at(2023, 1, 31) << QDate(2023, 2, 28) << true;
        QTest::newRow("m;1 31 Jan->28 Mar") << "m;1" << at(2023, 1, 31) << QDate(2023, 3, 28) << true;
        QTest::newRow("m;1 31 Jan skips 31 Mar") << "m;1" << at(2023, 1, 31) << QDate(2023, 3, 31) << false;
        QTest::newRow("m;1 leap 31 Jan->29 Feb") << "m;1" << at(2024, 1, 31) << QDate(2024, 2, 29) << true;
        QTest::newRow("m;1 leap 31 Jan not 28 Feb")
            << "m;1" << at(2024, 1, 31) << QDate(2024, 2, 28) << false;
        QTest::newRow("m;12 29 Feb stays on 28th") << "m;12" << at(2024, 2, 29) << QDate(2028, 2, 28) << true;
        QTest::newRow("m;12 29 Feb not on 29th") << "m;12" << at(2024, 2, 29) << QDate(2028, 2, 29) << false;
        QTest::newRow("m;2 +2 months") << "m;2" << at(2024, 1, 15) << QDate(2024, 3, 15) << true;
        QTest::newRow("m;12 6000 years on") << "m;12" << at(-4000, 4, 30) << QDate(2024, 4, 30) << true;
        QTest::newRow("d;1 year 1 to 9999") << "d;1" << at(1, 1, 1) << QDate(9999, 12, 31) << true;
    }

    void shouldProjectRuleOntoDay()
    {
        QFETCH(QString, period);
        QFETCH(QDateTime, due);
        QFETCH(QDate, day);
        QFETCH(bool, reached);
        ignoreWrites();
        m_helper->setToday(QDate(1, 1, 1));

        const DOTask copy = m_helper->projectRepeatedTask(makeTask(period, due, due), day);
        QCOMPARE(!copy.isEmpty(), reached);
        if (reached)
            QCOMPARE(copy.value(Due).toDateTime(), WallClock::fromDateAndTime(day, due.time()));
    }

    // Each must end at once, never move backwards, and show on no day; the
    // task keeps its rule and still shows as overdue on today.
    void shouldProjectBrokenRuleOntoNoDay_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("reason");

        QTest::newRow("interval 0") << "d;0"
                                    << "its interval is below 1";
        QTest::newRow("negative interval") << "w;-2;1,3,5"
                                           << "its interval is below 1";
        QTest::newRow("interval not a number") << "m;abc"
                                               << "its interval is not a number";
        QTest::newRow("absurd interval") << "d;99999999"
                                         << "its interval is above 9999";
        QTest::newRow("unknown kind") << "x;1"
                                      << "its kind is not d, w or m";
        QTest::newRow("empty weekday list") << "w;1;"
                                            << "its weekday list is empty";
        QTest::newRow("weekday 8") << "w;1;1,8"
                                   << "\"8\" is not a weekday";
        QTest::newRow("weekday 0") << "w;1;0,5"
                                   << "\"0\" is not a weekday";
        QTest::newRow("too many parts") << "d;1;x;y"
                                        << "it has more than three parts";
        QTest::newRow("kind only") << "d"
                                   << "it has no interval";
    }

    void shouldProjectBrokenRuleOntoNoDay()
    {
        QFETCH(QString, period);
        QFETCH(QString, reason);
        insertTask(QStringLiteral("broken"), period, at(2024, 3, 1), at(2024, 3, 1));

        for (int day = 1; day <= 60; ++day) {
            const QDate date = QDate(2024, 3, 1).addDays(day);
            QVERIFY(m_helper->projectRepeatedTask(makeTask(period, at(2024, 3, 1)), date).isEmpty());
            QCOMPARE(m_helper->hasRepeatedTasks(date), date == Today);
        }
        QCOMPARE(idsOf(m_helper->getRepeatedDayTasks(Today)), Ids { "broken" });
        QCOMPARE(storedTask(QStringLiteral("broken")).value(Period).toString(), period);
        QCOMPARE(countLogged(QStringLiteral("The repetition rule \"%1\" of task ").arg(period)), 1);
        QCOMPARE(countLogged(reason), 1);
    }

    void shouldProjectFarRangesInBoundedWork()
    {
        ignoreWrites();
        const QDate monday = QDate(-1000000, 1, 8).addDays(1 - QDate(-1000000, 1, 8).dayOfWeek());
        const QDateTime mondayDue = WallClock::fromDateAndTime(monday, QTime(10, 0));
        const QList<DOTask> tasks { makeTask("w;1;1,3,5", mondayDue, mondayDue),
            makeTask("w;3", at(-1000000, 1, 1), at(-1000000, 1, 1)),
            makeTask("m;1", at(-1000000, 1, 31), at(-1000000, 1, 31)),
            makeTask("m;7", at(1600, 2, 29), at(1600, 2, 29)) };
        QElapsedTimer timer;
        timer.start();
        int copies = 0;
        for (const DOTask& task : tasks) {
            for (int day = 0; day < 42; ++day)
                copies
                    += m_helper->projectRepeatedTask(task, QDate(9999, 11, 1).addDays(day)).isEmpty() ? 0 : 1;
        }
        // Stepping one occurrence at a time over a million years would take hours.
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(copies >= 18 + 2 + 1);
    }

    void shouldAlignDates_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QDateTime>("due");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QString>("defaultStart");
        QTest::addColumn<QDateTime>("alignedDue");
        QTest::addColumn<QDateTime>("alignedStart");

        const QDateTime none;
        QTest::newRow("start moves onto the due day") << "w;1;1,3,5" << at(2024, 3, 1) << at(2024, 2, 29, 9)
                                                      << "" << at(2024, 3, 1) << at(2024, 3, 1, 9);
        QTest::newRow("Sunday due moves to Tuesday")
            << "w;1;2,4" << at(2024, 3, 3) << none << "" << at(2024, 3, 5) << at(2024, 3, 5, 8);
        QTest::newRow("Saturday due over month end")
            << "w;3;1" << at(2024, 3, 30) << none << "" << at(2024, 4, 1) << at(2024, 4, 1, 8);
        QTest::newRow("due before 8:00 starts at 0:00")
            << "d;1" << at(2024, 3, 1, 7) << none << "" << at(2024, 3, 1, 7) << at(2024, 3, 1, 0);
        QTest::newRow("setting 7:15")
            << "w;1" << at(2024, 3, 1, 9) << none << "7:15" << at(2024, 3, 1, 9) << at(2024, 3, 1, 7, 15);
        QTest::newRow("unreadable setting")
            << "d;1" << at(2024, 3, 1, 9) << none << "soon" << at(2024, 3, 1, 9) << at(2024, 3, 1, 8);
        QTest::newRow("start time after due time") << "d;1" << at(2024, 3, 1, 9) << at(2024, 2, 27, 11) << ""
                                                   << at(2024, 3, 1, 9) << at(2024, 3, 1, 8);
        QTest::newRow("broken rule untouched")
            << "w;0;2" << at(2024, 3, 1) << at(2024, 2, 20) << "" << at(2024, 3, 1) << at(2024, 2, 20);
    }

    void shouldAlignDates()
    {
        QFETCH(QString, period);
        QFETCH(QDateTime, due);
        QFETCH(QDateTime, start);
        QFETCH(QString, defaultStart);
        QFETCH(QDateTime, alignedDue);
        QFETCH(QDateTime, alignedStart);
        QSettings settings(AppPaths::settingsFile(), QSettings::IniFormat);
        if (!defaultStart.isEmpty())
            settings.setValue(QStringLiteral("default_start_time"), defaultStart);
        settings.sync();

        const DOTask aligned = m_helper->adjustRepeatedTaskDates(makeTask(period, due, start));
        QCOMPARE(aligned.value(Due).toDateTime(), alignedDue);
        QCOMPARE(aligned.value(Start).toDateTime(), alignedStart);
        // Aligning again changes nothing, or every pass would write the task.
        QCOMPARE(m_helper->adjustRepeatedTaskDates(aligned), aligned);
        QCOMPARE(
            countLogged(QStringLiteral("default_start_time holds \"soon\"")), defaultStart == "soon" ? 1 : 0);
    }

    void shouldAdvanceDates_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QDateTime>("due");
        QTest::addColumn<QDateTime>("nextDue");
        QTest::addColumn<int>("startShift");

        QTest::newRow("d;2 Mon->Wed") << "d;2" << at(2024, 3, 4) << at(2024, 3, 6) << 2;
        QTest::newRow("w;1;1,3,5 Fri->Mon") << "w;1;1,3,5" << at(2024, 3, 1) << at(2024, 3, 4) << 3;
        QTest::newRow("w;2;2,4 Thu->Tue") << "w;2;2,4" << at(2024, 2, 29) << at(2024, 3, 12) << 12;
        QTest::newRow("m;1 28 Jan") << "m;1" << at(2024, 1, 28) << at(2024, 2, 28) << 31;
        QTest::newRow("m;1 31 Jan") << "m;1" << at(2023, 1, 31) << at(2023, 2, 28) << 28;
        QTest::newRow("m;1 31 Jan leap") << "m;1" << at(2024, 1, 31) << at(2024, 2, 29) << 29;
        QTest::newRow("m;12 29 Feb") << "m;12" << at(2024, 2, 29) << at(2025, 2, 28) << 365;
        // A rule that cannot move the task leaves it; none may move it back.
        QTest::newRow("interval 0") << "d;0" << at(2024, 3, 4) << at(2024, 3, 4) << 0;
        QTest::newRow("weekly interval 0") << "w;0;1,3,5" << at(2024, 3, 1) << at(2024, 3, 1) << 0;
        // A due that drifted off the chosen weekdays goes on from the next one.
        QTest::newRow("drifted Fri->Tue") << "w;1;2,4" << at(2024, 3, 1) << at(2024, 3, 5) << 4;
        QTest::newRow("drifted Wed->Fri") << "w;2;2,5" << at(2024, 3, 6) << at(2024, 3, 8) << 2;
        QTest::newRow("too many parts") << "w;1;1;5" << at(2024, 3, 1) << at(2024, 3, 1) << 0;
    }

    void shouldAdvanceDates()
    {
        QFETCH(QString, period);
        QFETCH(QDateTime, due);
        QFETCH(QDateTime, nextDue);
        QFETCH(int, startShift);

        const DOTask next = m_helper->setNextRepetitionDates(makeTask(period, due, due.addSecs(-3600)));
        QCOMPARE(next.value(Due).toDateTime(), nextDue);
        QCOMPARE(next.value(Start).toDateTime(), due.addSecs(-3600).addDays(startShift));

        // Without a start, START stays out of the record instead of clearing the stored one.
        DOTask noStart = makeTask(period, due);
        noStart.remove(Start);
        QVERIFY(!m_helper->setNextRepetitionDates(noStart).contains(Start));
        if (period == "d;2") {
            QCOMPARE(countLogged(QStringLiteral("Task dates updated. { id: t1, start: %1, due: %2} \n ")
                                     .arg(at(2024, 3, 6, 9).toString(), nextDue.toString())),
                1);
        }
    }

    void shouldListRepeatedTasksOfDay()
    {
        insertTask("daily", "d;1", at(2024, 3, 10, 9), at(2024, 3, 10, 8));
        insertTask("weekly", "w;1", at(2024, 3, 11, 10), at(2024, 3, 11, 9));
        insertTask("monthly", "m;1", at(2024, 3, 20, 12), at(2024, 3, 18, 11));
        insertTask("plain", "", at(2024, 3, 10, 9));
        insertTask("done", "d;1", at(2024, 3, 10, 9), QDateTime(), 2);
        insertTask("trashed", "d;1", at(2024, 3, 10, 9), QDateTime(), 1);

        // The daily task reaches today; the overdue weekly one shows once as itself.
        const QList<DOTask> today = m_helper->getRepeatedDayTasks(Today);
        QCOMPARE(idsOf(today), Ids({ "daily", "weekly" }));
        QCOMPARE(today.at(0).value(FakeDue).toDateTime(), at(2024, 3, 13, 9));
        QCOMPARE(today.at(1).value("REPEATED").toBool(), true);
        QCOMPARE(today.at(1).value(FakeDue).toDateTime(), at(2024, 3, 11, 10));
        QCOMPARE(today.at(1).value(FakeStart).toDateTime(), at(2024, 3, 11, 9));
        QCOMPARE(idsOf(m_helper->getRepeatedDayTasks(QDate(2024, 3, 12))), Ids { "daily" });

        const QList<DOTask> later = m_helper->getRepeatedDayTasks(QDate(2024, 4, 20));
        QCOMPARE(idsOf(later), Ids({ "daily", "monthly" }));
        // A future copy moves the dates, keeping the start two days before the due.
        QCOMPARE(later.at(1).value(Due).toDateTime(), at(2024, 4, 20, 12));
        QCOMPARE(later.at(1).value(Start).toDateTime(), at(2024, 4, 18, 11));
        QVERIFY(!later.at(1).contains(FakeDue) && !later.at(1).contains(FakeStart));
        // Once the day has come, the copy keeps the stored dates (completing it advances
        // from them) and carries the day's beside them.
        m_helper->setToday(QDate(2024, 4, 25));
        const DOTask past = m_helper->getRepeatedDayTasks(QDate(2024, 4, 20)).value(1);
        QCOMPARE(past.value(Due).toDateTime(), at(2024, 3, 20, 12));
        QCOMPARE(past.value(Start).toDateTime(), at(2024, 3, 18, 11));
        QCOMPARE(past.value(FakeDue).toDateTime(), at(2024, 4, 20, 12));
        QCOMPARE(past.value(FakeStart).toDateTime(), at(2024, 4, 18, 11));
        m_helper->setToday(Today);

        for (int day = 0; day < 42; ++day) {
            const QDate date = QDate(2024, 2, 26).addDays(day);
            const int size = m_helper->getRepeatedDayTasks(date).size();
            QCOMPARE(m_helper->getRepeatedDayTaskCount(date), size);
            QCOMPARE(m_helper->hasRepeatedTasks(date), size > 0);
        }
        QVERIFY(m_helper->getRepeatedDayTasks(QDate()).isEmpty());
    }

    void shouldStoreAlignedDatesOnceAndCommitThem()
    {
        insertTask("sunday", "w;1;2,4", at(2024, 3, 17, 10));
        insertTask("daily", "d;1", at(2024, 3, 15, 9), at(2024, 3, 12, 8));
        insertTask("nodue", "d;1", QDateTime(), at(2024, 3, 1));

        // As stored the Sunday due is on no listed day, so it shows nowhere yet.
        QCOMPARE(idsOf(m_helper->getRepeatedDayTasks(QDate(2024, 3, 21))), Ids { "daily" });
        QCOMPARE(storedTask("sunday").value(Due).toDateTime(), at(2024, 3, 19, 10));
        QCOMPARE(storedTask("sunday").value(Start).toDateTime(), at(2024, 3, 19, 8));
        QCOMPARE(storedTask("sunday").value("SYNCED").toInt(), 0);
        QCOMPARE(storedTask("daily").value(Start).toDateTime(), at(2024, 3, 15, 8));
        // A rule without a due date is dropped, and said so.
        QCOMPARE(storedTask("nodue").value(Period).toString(), QString());
        QCOMPARE(storedTask("nodue").value(Start).toDateTime(), at(2024, 3, 1));
        QCOMPARE(
            countLogged(
                "The repeated task nodue has no due date, so it stops repeating (its rule was \"d;1\")."),
            1);
        // Committed, not left in a transaction nobody will end.
        QVERIFY(!m_store->isInTransaction());
        QCOMPARE(onOtherConnection(m_dbPath, { "SELECT due FROM task WHERE id = 'sunday'" }).toLongLong(),
            at(2024, 3, 19, 10).toSecsSinceEpoch());

        QCOMPARE(idsOf(m_helper->getRepeatedDayTasks(QDate(2024, 3, 21))), Ids({ "daily", "sunday" }));
        const QString stamp = storedTask("sunday").value("TIMESTAMP").toString();
        const int reads = m_helper->storeReadCount();
        for (int day = 0; day < 42; ++day)
            m_helper->hasRepeatedTasks(QDate(2024, 3, 1).addDays(day));
        QCOMPARE(m_helper->storeReadCount(), reads);
        QCOMPARE(storedTask("sunday").value("TIMESTAMP").toString(), stamp);

        // Inside the user's open transaction the writes join it, and an undo takes them back too.
        QVERIFY(m_store->execute("UPDATE task SET start = due - 86400 WHERE id = 'daily'"));
        QVERIFY(m_store->beginTransaction());
        m_helper->getRepeatedDayTasks(QDate(2024, 3, 20));
        QCOMPARE(storedTask("daily").value(Start).toDateTime(), at(2024, 3, 15, 9));
        QVERIFY(m_store->rollbackChanges());
        QCOMPARE(storedTask("daily").value(Start).toDateTime(), at(2024, 3, 14, 9));
        m_helper->getRepeatedDayTasks(QDate(2024, 3, 20));
        QCOMPARE(storedTask("daily").value(Start).toDateTime(), at(2024, 3, 15, 9));
        QVERIFY(!m_store->isInTransaction());
        QCOMPARE(countLogged("ERROR"), 0);
    }

    // Read once for a calendar, and again whenever anything may have changed.
    void shouldReadStoreAgainOnlyAfterChanges()
    {
        insertTask("daily", "d;2", at(2024, 3, 1, 9), at(2024, 3, 1, 9));
        const QDate even(2024, 3, 21);
        const QDate odd(2024, 3, 22);
        QVERIFY(m_helper->hasRepeatedTasks(even));
        const int reads = m_helper->storeReadCount();
        for (int day = 0; day < 42; ++day)
            m_helper->getRepeatedDayTasks(even.addDays(day));
        QCOMPARE(m_helper->storeReadCount(), reads);

        QVERIFY(m_store->execute("UPDATE task SET period = 'd;3' WHERE id = 'daily'"));
        QVERIFY(!m_helper->hasRepeatedTasks(even) && m_helper->hasRepeatedTasks(odd));

        QVERIFY(m_store->beginTransaction());
        QVERIFY(m_store->execute("UPDATE task SET period = 'd;1' WHERE id = 'daily'"));
        QVERIFY(m_helper->hasRepeatedTasks(even));
        QVERIFY(m_store->rollbackChanges());
        QVERIFY(!m_helper->hasRepeatedTasks(even) && m_helper->hasRepeatedTasks(odd));

        QCOMPARE(
            onOtherConnection(m_dbPath, { "UPDATE task SET state = 2 WHERE id = 'daily'" }), QVariant(true));
        QVERIFY(!m_helper->hasRepeatedTasks(odd));

        m_store->disconnectDatabase();
        QCOMPARE(
            onOtherConnection(m_dbPath, { "UPDATE task SET state = 0 WHERE id = 'daily'" }), QVariant(true));
        QVERIFY(m_store->connectDatabase(m_dbPath));
        QVERIFY(m_helper->hasRepeatedTasks(odd));
    }

    void shouldKeepReminderTypesPerTaskAndKind()
    {
        const QString id = QStringLiteral("f206bbf9-8d12-4482-a142-d02efefe8bbc");
        m_helper->setStartDateReminder(id, 1);
        m_helper->setStartDateReminder(id, 3);
        m_helper->setStartDateReminder(id, 1);
        m_helper->setDueDateReminder(id, 7);
        m_helper->setDueDateReminder("other", 0);
        m_helper->setStartDateReminder(QString(), 1);
        m_helper->setDueDateReminder("other", 9);
        QCOMPARE(countLogged("Not saving the reminder type 9 for repeated task other"), 1);
        QCOMPARE(
            QSettings(m_reminderPath, QSettings::IniFormat).value("start_" + id).toString(), QString("1,3"));

        newHelper();
        QVERIFY(m_helper->hasStartDateReminder(id, 3) && !m_helper->hasStartDateReminder(id, 7));
        QVERIFY(m_helper->hasDueDateReminder(id, 7));
        QCOMPARE(m_helper->getStartDateReminders(id), QVariantList({ 1, 3 }));
        QCOMPARE(m_helper->getDueDateReminders(QString()), QVariantList());
        QCOMPARE(m_helper->getAllReminders(),
            QList<RepeatedReminder>(
                { { id, true, 7 }, { "other", true, 0 }, { id, false, 1 }, { id, false, 3 } }));

        m_helper->removeStartDateReminder(id, 1);
        QCOMPARE(m_helper->getStartDateReminders(id), QVariantList({ 3 }));
        m_helper->removeStartDateReminder(id, 3);
        QVERIFY(!reminderFile().contains("start_"));
        QVERIFY(!m_helper->removeAllReminders(QString()));
        QVERIFY(m_helper->removeAllReminders(id));
        QVERIFY(!reminderFile().contains(id.toLatin1()) && reminderFile().contains("due_other"));

        // "/" and "\\" would make QSettings groups of an id: removing task "a" must not touch "a/b".
        m_helper->setStartDateReminder("a", 1);
        m_helper->setStartDateReminder("a/b", 2);
        m_helper->setDueDateReminder("c\\d%2F", 4);
        QVERIFY(m_helper->removeAllReminders("a"));
        newHelper();
        QCOMPARE(m_helper->getAllReminders(),
            QList<RepeatedReminder>({ { "c\\d%2F", true, 4 }, { "other", true, 0 }, { "a/b", false, 2 } }));
        m_helper->clearReminders();
        QVERIFY(m_helper->getAllReminders().isEmpty() && !reminderFile().contains("due_"));
    }

    void shouldReadMalformedValuesWithoutLosingThem_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QVariantList>("types");
        QTest::addColumn<QString>("logged");
        QTest::newRow("text among types")
            << QByteArray("start_t=\"1,x,3\"") << QVariantList({ 1, 3 }) << "\"x\" under start_t";
        QTest::newRow("unknown type")
            << QByteArray("start_t=\"2,99\"") << QVariantList({ 2 }) << "\"99\" under start_t";
        QTest::newRow("unquoted list") << QByteArray("start_t=5,6") << QVariantList({ 5, 6 }) << "";
        QTest::newRow("repeated type") << QByteArray("start_t=\"4,4\"") << QVariantList({ 4 }) << "";
        QTest::newRow("empty value") << QByteArray("start_t=") << QVariantList() << "";
    }

    void shouldReadMalformedValuesWithoutLosingThem()
    {
        QFETCH(QByteArray, content);
        QFETCH(QVariantList, types);
        QFETCH(QString, logged);
        writeReminderFile(content + "\nfoo_x=2\nlonely=3\n[group]\nstart_y=4\n");

        QCOMPARE(m_helper->getStartDateReminders("t"), types);
        QCOMPARE(m_helper->getAllReminders().size(), types.size());
        if (!logged.isEmpty())
            QCOMPARE(countLogged(logged), 1);
        QCOMPARE(countLogged("it is not a task's reminder list"), 3);

        // A change keeps whatever else the file held.
        m_helper->setStartDateReminder("t", 8);
        newHelper();
        QCOMPARE(m_helper->getStartDateReminders("t"), types + QVariantList { 8 });
        QVERIFY(reminderFile().contains("foo_x=2"));
        if (content.contains('x'))
            QVERIFY(reminderFile().contains("1,x,3,8"));
    }

    void shouldKeepDamagedReminderFileAside()
    {
        const QByteArray damaged("start_a=\"1,2\"\n[broken\n\x01\x02\xff garbage\ndue_b=5\n");
        writeReminderFile(damaged);

        const QDir folder = QFileInfo(m_reminderPath).dir();
        const QStringList kept = folder.entryList({ "repeated_tasks_reminders.dat.damaged-*" });
        QCOMPARE(kept.size(), 1);
        QFile keptFile(folder.filePath(kept.first()));
        QVERIFY(keptFile.open(QIODevice::ReadOnly));
        QCOMPARE(keptFile.readAll(), damaged);
        QCOMPARE(countLogged("is damaged; it is kept as"), 1);

        m_helper->setDueDateReminder("c", 3);
        newHelper();
        QCOMPARE(m_helper->getStartDateReminders("a"), QVariantList({ 1, 2 }));
        QCOMPARE(m_helper->getDueDateReminders("c"), QVariantList({ 3 }));
        QCOMPARE(folder.entryList({ "repeated_tasks_reminders.dat.damaged-*" }).size(), 1);
    }

    // The data manager calls the helper by name from the interface thread.
    void shouldBeCallableByName()
    {
        m_helper->setDueDateReminder("t", 5);
        QList<RepeatedReminder> reminders;
        QVERIFY(QMetaObject::invokeMethod(
            m_helper.get(), "getAllReminders", Q_RETURN_ARG(QList<RepeatedReminder>, reminders)));
        QCOMPARE(reminders, QList<RepeatedReminder>({ { "t", true, 5 } }));
        const QMetaObject& meta = RepeatedReminder::staticMetaObject;
        QCOMPARE(
            meta.property(meta.indexOfProperty("taskId")).readOnGadget(&reminders.first()), QVariant("t"));
        QCOMPARE(QVariant::fromValue(reminders).value<QList<RepeatedReminder>>(), reminders);
    }
};

QUORVEL_TEST_MAIN(TestRepeatedTaskHelper)
#include "tst_repeatedtaskhelper.moc"
