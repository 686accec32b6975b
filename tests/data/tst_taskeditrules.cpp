#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "data/TaskEditRules.h"
#include "data/TaskEditorRules.h"
#include "data/TaskPasteRules.h"
#include "shell/AppPaths.h"
#include "shell/Settings.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"
#include "time/NotificationManager.h"

#include <QRegularExpression>
#include <QSettings>

#include <ctime>
#include <memory>

namespace {

// Now, for every case: Tuesday 10 March 2026, 12:00 local time.
QDateTime fixedNow()
{
    return QDateTime(QDate(2026, 3, 10), QTime(12, 0), Qt::LocalTime);
}

// "3/12 15:00" is 12 March 2026 at 15:00 on the wall clock; "-" is no date.
QDateTime when(const QString& text)
{
    QDateTime dateTime = QDateTime::fromString("2026/" + text, QStringLiteral("yyyy/M/d H:mm"));
    dateTime.setTimeSpec(Qt::UTC);
    return dateTime;
}

QDateTime daysFromToday(int days, int hour)
{
    return wallClock(QDate::currentDate().addDays(days), QTime(hour, 0));
}

QVariantMap merged(QVariantMap map, const QVariantMap& more)
{
    for (auto it = more.cbegin(); it != more.cend(); ++it)
        map.insert(it.key(), it.value());
    return map;
}

QVariantMap task(const QDateTime& start, const QDateTime& due, const QString& period = QString())
{
    return { { "ID", "t1" }, { "NAME", "Call Bob" }, { "PARENT", "p1" }, { "STATE", 0 }, { "START", start },
        { "DUE", due }, { "PERIOD", period } };
}

QVariantMap project()
{
    return { { "ID", "p9" }, { "NAME", "Garden" }, { "PARENT", "f1" }, { "STATE", 0 }, { "FOLDER", false },
        { "START", QDateTime() }, { "DUE", QDateTime() } };
}

// A task's dates and repetition as "start, due[, period]".
QVariantMap taskWithDates(const QString& dates)
{
    const QStringList parts = dates.split(", ");
    return task(when(parts.value(0)), when(parts.value(1)), parts.value(2));
}

QString datesOf(const QVariantMap& record)
{
    QStringList parts;
    for (const char* key : { "START", "DUE" }) {
        const QDateTime date = record.value(key).toDateTime().toUTC();
        parts.append(date.isValid() ? date.toString(QStringLiteral("M/d H:mm")) : QStringLiteral("-"));
    }
    if (!record.value("PERIOD").toString().isEmpty())
        parts.append(record.value("PERIOD").toString());
    return parts.join(", ");
}

// A row of the daily plan: "task" or "project", "done" when completed, "aa"
// when in the also-available section.
QVariantMap row(const QString& kind)
{
    const QVariantMap record = kind.contains("project") ? project() : task({}, when("3/10 9:00"));
    return merged(record, { { "STATE", kind.contains("done") ? 2 : 0 } });
}

QVariantMap reminderOf(const QVariantMap& record, bool isDue)
{
    return { { "ID", record.value("ID") },
        { isDue ? "DUEDATE" : "STARTDATE", record.value(isDue ? "DUE" : "START") } };
}

QStringList keysFor(const QVariantMap& record, bool isDue, const QList<int>& types)
{
    QStringList keys;
    for (int type : types)
        keys.append(NotificationManager::notificationKey(reminderOf(record, isDue), type));
    return keys;
}

// A data manager with its worker over a database and notification file of
// its own, reached from the interface thread as the program reaches them.
struct ReminderWorld
{
    ReminderWorld()
    {
        static int count = 0;
        const QString stem = QStringLiteral("editrules_%1").arg(++count);
        DataManager::Options options;
        options.store.databasePath = AppPaths::appDataFile(stem + ".db");
        DatabaseTemplate::unpackTo(options.store.databasePath);
        options.store.connectionName = stem;
        options.store.repeatedRemindersPath = AppPaths::appDataFile(stem + "_repeated.dat");
        options.store.sortingPath = AppPaths::appDataFile(stem + "_sorting.dat");
        options.store.notificationsPath = notificationFile = AppPaths::appDataFile(stem + "_ntf.dat");
        data = std::make_unique<DataManager>(options);
    }

    bool schedule(const QVariantMap& record, bool isDue, int type)
    {
        return data->scheduleReminder(reminderOf(record, isDue), type);
    }

    // The keys as the notifier reads them from disk.
    QStringList fileKeys() const
    {
        QStringList keys = QSettings(notificationFile, QSettings::IniFormat).allKeys();
        keys.sort();
        return keys;
    }

    QString notificationFile;
    std::unique_ptr<DataManager> data;
};

} // namespace

class TestTaskEditRules : public QObject
{
    Q_OBJECT

    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<TaskEditRules> m_rules;
    std::unique_ptr<TaskEditorRules> m_editor;

private slots:
    void initTestCase()
    {
        // Far from UTC, so that a wall-clock date read in the zone would show.
        qputenv("TZ", "Asia/Kolkata");
        tzset();
        StoreFixture::setUpLogging(QStringLiteral("tst_taskeditrules"));
    }

    void init()
    {
        m_rules.reset();
        m_editor.reset();
        m_settings.reset();
        TestSandbox::reset();
        m_settings = std::make_unique<Settings>();
        m_settings->setDefaultStartTime(QStringLiteral("7:30"));
        m_settings->setDefaultDueTime(QStringLiteral("18:00"));
        m_rules = std::make_unique<TaskEditRules>(m_settings.get(), nullptr);
        m_rules->setClock(fixedNow);
        m_editor = std::make_unique<TaskEditorRules>(m_settings.get(), nullptr);
        m_editor->setClock(fixedNow);
    }

    // clang-format off
    void namesAndMemosAreTrimmed_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("name trimmed") << "NAME" << "  Call Ann \n" << "Call Ann";
        QTest::newRow("name of blanks") << "NAME" << " \t\n " << "Call Bob";
        QTest::newRow("memo trimmed") << "MEMO" << "\n ask about May  " << "ask about May";
        QTest::newRow("memo emptied") << "MEMO" << "   " << "";
    }
    // clang-format on

    void namesAndMemosAreTrimmed()
    {
        QFETCH(QString, key);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        const QVariantMap record = merged(task({}, {}), { { "MEMO", "old memo" } });
        const QVariantMap edited
            = key == "NAME" ? m_rules->renamed(record, typed) : m_rules->withMemo(record, typed);
        QCOMPARE(edited.value(key).toString(), expected);
    }

    // clang-format off
    void uncompletingDropsUnsetDatesOfOneOffTasks_data()
    {
        QTest::addColumn<QString>("dates");
        QTest::addColumn<QStringList>("datesKept");
        QTest::newRow("one-off without dates") << "-, -" << QStringList();
        QTest::newRow("one-off with a due") << "-, 3/12 9:00" << QStringList { "DUE" };
        QTest::newRow("repeated") << "-, 3/12 9:00, d;1" << QStringList { "DUE", "START" };
    }
    // clang-format on

    void uncompletingDropsUnsetDatesOfOneOffTasks()
    {
        QFETCH(QString, dates);
        QFETCH(QStringList, datesKept);
        const QVariantMap undone = m_rules->uncompleted(merged(taskWithDates(dates), { { "STATE", 2 } }));
        QCOMPARE(undone.value("STATE").toInt(), 0);
        QCOMPARE(QStringList(undone.keys()).filter(QRegularExpression("^(START|DUE)$")), datesKept);
        QCOMPARE(
            m_rules->completionRecord(taskWithDates(dates)).contains("START"), datesKept.contains("START"));
    }

    // clang-format off
    void popupOpensOnTheDateOrTodayAtTheDefaultTime_data()
    {
        QTest::addColumn<QString>("dates");
        QTest::addColumn<bool>("isDue");
        QTest::addColumn<QString>("dueSetting");
        QTest::addColumn<QString>("opensOn");
        QTest::newRow("current start") << "4/2 9:00, -" << false << "18:00" << "4/2 9:00";
        QTest::newRow("no start") << "-, -" << false << "18:00" << "3/10 7:30";
        QTest::newRow("no due") << "4/2 9:00, -" << true << "18:00" << "3/10 18:00";
        QTest::newRow("unreadable due setting") << "-, -" << true << "late" << "3/10 23:00";
    }
    // clang-format on

    void popupOpensOnTheDateOrTodayAtTheDefaultTime()
    {
        QFETCH(QString, dates);
        QFETCH(bool, isDue);
        QFETCH(QString, dueSetting);
        QFETCH(QString, opensOn);
        m_settings->setDefaultDueTime(dueSetting);
        StoreFixture log;
        log.markLog();
        QCOMPARE(m_rules->dateTimePopupValue(taskWithDates(dates), isDue), when(opensOn));
        QCOMPARE(log.logged("WARN The setting defaultDueTime holds \"late\""), dueSetting == "late");
    }

    // clang-format off
    void datesChangeByTheRules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("after");
        // The popup closed on a new due or start ("-": cleared).
        const QString task = "3/12 15:00, 3/14 17:00";
        QTest::newRow("due earlier on the start's day")
            << "due" << task << "3/12 9:00" << "3/12 9:00, 3/12 9:00";
        QTest::newRow("due days earlier, earlier start time")
            << "due" << task << "3/11 16:00" << "3/11 15:00, 3/11 16:00";
        QTest::newRow("due days earlier, later start time")
            << "due" << task << "3/11 10:00" << "3/11 10:00, 3/11 10:00";
        QTest::newRow("start after due") << "start" << task << "3/20 8:00" << "3/14 8:00, 3/14 17:00";
        QTest::newRow("due later") << "due" << task + ", w;1" << "3/20 8:00" << "3/12 15:00, 3/20 8:00, w;1";
        QTest::newRow("due cleared ends the repetition") << "due" << task + ", m;1" << "-" << "3/12 15:00, -";
        // Dropped on a day (the default due time is 18:00).
        QTest::newRow("drop: earlier start stays") << "drop" << "3/9 9:00, 3/10 14:00" << "3/20"
            << "3/9 9:00, 3/20 14:00";
        QTest::newRow("drop: later start moves") << "drop" << "3/10 9:00, 3/12 17:00" << "3/5"
            << "3/5 9:00, 3/5 17:00";
        QTest::newRow("drop: start time after due time") << "drop" << "3/10 20:00, 3/12 17:00" << "3/5"
            << "3/5 17:00, 3/5 17:00";
        QTest::newRow("drop: no dates") << "drop" << "-, -" << "3/20" << "-, 3/20 18:00";
        QTest::newRow("drop: repeated start moves") << "drop" << "3/9 9:00, 3/10 17:00, d;1" << "3/20"
            << "3/20 9:00, 3/20 17:00, d;1";
        QTest::newRow("drop: monthly, same day of month") << "drop" << "3/5 9:00, 3/10 17:00, m;1" << "4/10"
            << "4/5 9:00, 4/10 17:00, m;1";
        QTest::newRow("drop: monthly, other day") << "drop" << "3/5 9:00, 3/10 17:00, m;1" << "4/12"
            << "4/12 9:00, 4/12 17:00, m;1";
        // A repetition switched on; the argument gives the default start and due times.
        QTest::newRow("repeat: no dates") << "repeat" << "-, -" << "8:00 23:00" << "3/10 8:00, 3/10 23:00";
        QTest::newRow("repeat: default start after due") << "repeat" << "-, -" << "22:00 9:00"
            << "3/10 22:00, 3/11 9:00";
        QTest::newRow("repeat: only a start") << "repeat" << "3/15 10:00, -" << "8:00 23:00"
            << "3/15 10:00, 3/15 23:00";
    }
    // clang-format on

    void datesChangeByTheRules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, before);
        QFETCH(QString, argument);
        QFETCH(QString, after);
        // As a JS Date hands them over: the same moments, in local time.
        QVariantMap record = taskWithDates(before);
        for (const char* key : { "START", "DUE" })
            record.insert(key, record.value(key).toDateTime().toLocalTime());
        QVariantMap result;
        if (rule == "drop") {
            result = m_rules->droppedOnDay(record, when(argument + " 0:00").date());
        } else if (rule == "repeat") {
            m_settings->setDefaultStartTime(argument.section(' ', 0, 0));
            m_settings->setDefaultDueTime(argument.section(' ', 1, 1));
            result = m_editor->withRepetitionDates(record);
        } else {
            result = m_rules->withEditedDate(record, rule == "due", when(argument).toLocalTime());
        }
        QCOMPARE(datesOf(result), after);
        // A project has no repetition and must not gain the key that marks tasks.
        QVERIFY(!m_rules->withEditedDate(project(), true, {}).contains("PERIOD"));
    }

    // clang-format off
    void dropsNeedTheSameKindAndState_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("movesToDay");
        QTest::newRow("task on task") << "task" << "task" << true << false;
        QTest::newRow("project on task") << "task" << "project" << false << false;
        QTest::newRow("onto completed") << "done task" << "task" << false << false;
        QTest::newRow("completed dragged") << "done task" << "done task" << false << false;
        QTest::newRow("onto also-available") << "aa task" << "task" << false << false;
        QTest::newRow("among also-available") << "aa project" << "aa project" << true << false;
        QTest::newRow("also-available into the day") << "task" << "aa task" << true << true;
    }
    // clang-format on

    void dropsNeedTheSameKindAndState()
    {
        QFETCH(QString, target);
        QFETCH(QString, dragged);
        QFETCH(bool, accepted);
        QFETCH(bool, movesToDay);
        const bool targetAside = target.contains("aa");
        const bool draggedAside = dragged.contains("aa");
        QCOMPARE(m_rules->rowAcceptsDrop(row(target), targetAside, row(dragged), draggedAside), accepted);
        QCOMPARE(accepted && m_rules->dropMovesToDay(targetAside, draggedAside), movesToDay);
        QCOMPARE(m_rules->calendarAcceptsDrop(row(dragged)), dragged == "task" || dragged == "aa task");
    }

    void aTaskDroppedOnTheInboxMovesThere_data()
    {
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<bool>("moves");
        QTest::newRow("task of a project") << "task" << "p1" << true;
        QTest::newRow("already in the inbox") << "task" << "inbox" << false;
        QTest::newRow("completed task") << "done task" << "p1" << false;
        QTest::newRow("project") << "project" << "p1" << false;
    }
    void aTaskDroppedOnTheInboxMovesThere()
    {
        QFETCH(QString, dragged);
        QFETCH(QString, parent);
        QFETCH(bool, moves);
        const QVariantMap record = merged(row(dragged), { { "PARENT", parent } });
        const QVariantMap moved = m_rules->droppedOnInbox(record, "inbox");
        QCOMPARE(!moved.isEmpty(), moves);
        if (moves)
            QCOMPARE(moved, merged(record, { { "PARENT", "inbox" } }));
    }

    // clang-format off
    void remindersFollowTheEditedDates_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<bool>("startMoves");
        QTest::addColumn<bool>("dueMoves");
        QTest::newRow("due moved") << "due" << false << true;
        QTest::newRow("due cleared") << "clear" << false << false;
        // The new start's reminder has the key a two-day reminder of the old start would have.
        QTest::newRow("start moved two days earlier") << "start" << true << false;
        QTest::newRow("dropped before the start") << "drop" << true << true;
    }
    // clang-format on

    void remindersFollowTheEditedDates()
    {
        QFETCH(QString, edit);
        QFETCH(bool, startMoves);
        QFETCH(bool, dueMoves);
        ReminderWorld w;
        TaskEditRules rules(m_settings.get(), w.data.get());
        const QVariantMap before = task(daysFromToday(3, 9), daysFromToday(4, 17));
        const QVariantMap other = merged(before, { { "ID", "t2" } });
        QVERIFY(w.schedule(before, true, NotificationManager::Hour));
        QVERIFY(w.schedule(before, true, NotificationManager::Day));
        QVERIFY(w.schedule(before, false, NotificationManager::AtTimeOfEvent));
        QVERIFY(w.schedule(other, true, NotificationManager::Hour));

        const QDateTime value = edit == "due" ? daysFromToday(6, 17) : daysFromToday(1, 9);
        const QVariantMap after = edit == "drop"
            ? rules.droppedOnDay(before, QDate::currentDate().addDays(2))
            : rules.withEditedDate(before, edit != "start", edit == "clear" ? QDateTime() : value);
        QVERIFY(rules.moveRemindersToNewDates(before, after));

        QStringList expected = keysFor(other, true, { NotificationManager::Hour })
            + keysFor(startMoves ? after : before, false, { NotificationManager::AtTimeOfEvent });
        if (edit != "clear")
            expected += keysFor(
                dueMoves ? after : before, true, { NotificationManager::Hour, NotificationManager::Day });
        expected.sort();
        QCOMPARE(w.fileKeys(), expected);
    }

    // clang-format off
    void trashKeepsObjectsForFourteenDays_data()
    {
        QTest::addColumn<double>("daysAgo");
        QTest::addColumn<int>("daysLeft");
        QTest::newRow("just deleted") << 0.0 << 14;
        QTest::newRow("one day") << 1.0 << 13;
        QTest::newRow("13.9 days") << 13.9 << 1;
        QTest::newRow("20 days") << 20.0 << 0;
        QTest::newRow("clock behind the deletion") << -2.0 << 14;
    }
    // clang-format on

    void trashKeepsObjectsForFourteenDays()
    {
        QFETCH(double, daysAgo);
        QFETCH(int, daysLeft);
        QCOMPARE(m_rules->trashDaysLeft(fixedNow().toSecsSinceEpoch() - qint64(daysAgo * 86400)), daysLeft);
    }

    void emptyingTheTrashHidesWhatWasDeletedBefore()
    {
        const qint64 now = fixedNow().toSecsSinceEpoch();
        QVERIFY(m_rules->isListedInTrash(now - 86400));
        QVERIFY(m_rules->emptyTrash());
        QCOMPARE(qint64(Settings().trashCleanupTimestamp()), now);
        QVERIFY(!m_rules->isListedInTrash(now - 1));
        QVERIFY(m_rules->isListedInTrash(now));
    }

    // clang-format off
    void pastingMakesTheRecordToWrite_data()
    {
        using Map = QVariantMap;
        QTest::addColumn<QString>("target");
        QTest::addColumn<Map>("object");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("error");
        QTest::addColumn<Map>("expected");
        const QString oneStep = PredefinedDataHelper::instance()->oneStepActionsId();
        const QString inbox = PredefinedDataHelper::instance()->quorvelBoxId();
        // The day is 4/1; "dates" as datesOf() writes them; "ID" without a value: absent.
        QTest::newRow("copied task without dates") << "day" << taskWithDates("-, -") << "copy" << ""
            << Map { { "ID", {} }, { "PARENT", oneStep }, { "dates", "-, 4/1 18:00" } };
        QTest::newRow("dates keep their times of day")
            << "day" << taskWithDates("2/3 9:00, 2/7 17:00") << "copy" << ""
            << Map { { "dates", "4/1 9:00, 4/1 17:00" } };
        QTest::newRow("start time later than due time")
            << "day" << taskWithDates("2/3 20:00, 2/7 8:00") << "copy" << ""
            << Map { { "dates", "4/1 20:00, 4/1 20:00" } };
        QTest::newRow("cut task") << "day" << taskWithDates("-, 2/7 8:00") << "cut" << ""
            << Map { { "ID", "t1" }, { "STATE", 2 }, { "PARENT", oneStep } };
        QTest::newRow("copied project") << "day" << project() << "copy" << ""
            << Map { { "ID", "p9" }, { "PARENT", "f1" }, { "dates", "-, 4/1 18:00" } };
        QTest::newRow("cut project")
            << "day" << project() << "cut" << "" << Map { { "ID", "p9" }, { "PARENT", "" } };
        QTest::newRow("folder") << "day" << Map { { "ID", "f1" }, { "FOLDER", true } } << "copy"
            << "One can paste only tasks or projects into this list." << Map();
        QTest::newRow("copied task into the inbox") << "inbox" << taskWithDates("2/3 9:00, -") << "copy" << ""
            << Map { { "ID", {} }, { "PARENT", inbox }, { "dates", "2/3 9:00, -" } };
        QTest::newRow("cut task into the inbox") << "inbox" << task({}, {}) << "cut" << ""
            << Map { { "ID", "t1" }, { "STATE", 2 }, { "PARENT", inbox } };
        QTest::newRow("project into the inbox") << "inbox" << project() << "copy"
            << "One can paste only tasks into this list." << Map();
    }
    // clang-format on

    void pastingMakesTheRecordToWrite()
    {
        QFETCH(QString, target);
        QFETCH(QVariantMap, object);
        QFETCH(QString, clipboard);
        QFETCH(QString, error);
        QFETCH(QVariantMap, expected);
        const QVariantMap extraInfo = clipboard == "cut"
            ? QVariantMap { { "obj_id", object.value("ID") }, { "state", 2 } }
            : QVariantMap();
        const TaskPasteRules paste(m_settings.get(), PredefinedDataHelper::instance());
        const QVariantMap result = target == "inbox"
            ? paste.pasteIntoInbox(object, extraInfo)
            : paste.pasteIntoDay(object, extraInfo, QDate(2026, 4, 1));
        QCOMPARE(result.value("accepted").toBool(), error.isEmpty());
        QCOMPARE(result.value("errorTitle").toString(), error.isEmpty() ? QString() : QString("Paste error"));
        QCOMPARE(result.value("errorText").toString(), error);
        QCOMPARE(result.value("move").toBool(), error.isEmpty() && clipboard == "cut");
        const QVariantMap written = result.value("record").toMap();
        const QVariantMap seen = merged(written, { { "dates", datesOf(written) } });
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(seen.value(it.key()), it.value());
    }

    // clang-format off
    void repetitionRulesAreReadAndWrittenAsTheStoreReadsThem_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QVariantList>("weekdays");
        QTest::addColumn<QString>("written");
        QTest::newRow("weekdays sorted, each once")
            << "w;3;5,1,5" << "w" << 3 << QVariantList { 1, 5 } << "w;3;1,5";
        QTest::newRow("weekdays out of range") << "w;2;0,8,7" << "w" << 2 << QVariantList { 7 } << "w;2;7";
        QTest::newRow("interval below 1") << "d;0" << "d" << 1 << QVariantList() << "d;1";
        QTest::newRow("interval above 99") << "m;150" << "m" << 99 << QVariantList() << "m;99";
        QTest::newRow("third part of a daily rule") << "d;2;5" << "d" << 2 << QVariantList() << "d;2";
        QTest::newRow("unknown kind") << "q;1" << "" << 1 << QVariantList() << "";
        QTest::newRow("weekly with four parts") << "w;1;1;2" << "" << 1 << QVariantList() << "";
    }
    // clang-format on

    void repetitionRulesAreReadAndWrittenAsTheStoreReadsThem()
    {
        QFETCH(QString, rule);
        QFETCH(QString, kind);
        QFETCH(int, interval);
        QFETCH(QVariantList, weekdays);
        QFETCH(QString, written);
        const QVariantMap parsed = m_editor->parsedRepetitionRule(rule);
        QCOMPARE(parsed.value("kind").toString(), kind);
        QCOMPARE(parsed.value("interval").toInt(), interval);
        QCOMPARE(parsed.value("weekdays").toList(), weekdays);
        // Weekdays given with another kind are not written.
        const QVariantList given = kind == "w" ? weekdays : QVariantList { 1 };
        QCOMPARE(m_editor->repetitionRule(kind, interval, given), written);
    }

    // clang-format off
    void theEditorPreviewsTheNextOccurrence_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("next");
        QTest::newRow("every 2 days from Monday") << "3/9 10:00" << "d;2" << "3/11 10:00";
        QTest::newRow("weekly") << "3/9 10:00" << "w;1" << "3/16 10:00";
        QTest::newRow("Wednesday to Friday") << "3/11 10:00" << "w;1;1,3,5" << "3/13 10:00";
        QTest::newRow("Friday to next Monday") << "3/13 10:00" << "w;1;1,3,5" << "3/16 10:00";
        QTest::newRow("Thursday to Tuesday two weeks on") << "3/12 10:00" << "w;2;2,4" << "3/24 10:00";
        QTest::newRow("month without the day") << "1/31 10:00" << "m;1" << "2/28 10:00";
        QTest::newRow("no repetition") << "3/9 10:00" << "" << "-";
    }
    // clang-format on

    void theEditorPreviewsTheNextOccurrence()
    {
        QFETCH(QString, date);
        QFETCH(QString, rule);
        QFETCH(QString, next);
        QCOMPARE(m_editor->nextOccurrence(when(date).toLocalTime(), rule), when(next));
    }

    void aDateOffTheChosenWeekdaysClearsThem()
    {
        QCOMPARE(
            m_editor->weekdaysKeptForDate({ 3, 1 }, when("3/11 9:00")), (QVariantList { 1, 3 })); // Wednesday
        QCOMPARE(m_editor->weekdaysKeptForDate({ 3, 1 }, when("3/12 9:00")), QVariantList()); // Thursday
    }

    // clang-format off
    void monthlyRepetitionRefusesDaysAfterThe28th_data()
    {
        QTest::addColumn<QString>("dates");
        QTest::addColumn<bool>("refused");
        QTest::newRow("due on the 30th") << "-, 4/30 9:00" << true;
        QTest::newRow("start on the 29th") << "3/29 9:00, 4/5 9:00" << true;
        QTest::newRow("both on the 28th") << "3/28 9:00, 4/28 9:00" << false;
    }
    // clang-format on

    void monthlyRepetitionRefusesDaysAfterThe28th()
    {
        QFETCH(QString, dates);
        QFETCH(bool, refused);
        const QVariantMap record = taskWithDates(dates);
        const QVariantMap refusal = m_editor->monthlyRepetitionRefusal(
            record.value("START").toDateTime(), record.value("DUE").toDateTime());
        QCOMPARE(refusal.value("title").toString(), refused ? QString("Warning") : QString());
        QCOMPARE(refusal.value("text").toString(),
            refused ? "Unfortunately with monthly repeating tasks it's impossible to set due date to 29, 30 "
                      "and 31."
                    : QString());
    }

    // clang-format off
    void onlyRemindersStillAheadAreOffered_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QVariantList>("offered");
        QTest::newRow("in 2 h 10 min") << "3/10 14:10" << QVariantList { 0, 1, 2, 3, 4, 5 };
        QTest::newRow("two days before is now") << "3/12 12:00" << QVariantList { 0, 1, 2, 3, 4, 5, 6, 7 };
        QTest::newRow("in three days") << "3/13 12:00" << QVariantList { 0, 1, 2, 3, 4, 5, 6, 7, 8 };
        QTest::newRow("passed") << "3/10 11:59" << QVariantList();
        QTest::newRow("no date") << "-" << QVariantList();
    }
    // clang-format on

    void onlyRemindersStillAheadAreOffered()
    {
        QFETCH(QString, date);
        QFETCH(QVariantList, offered);
        QCOMPARE(m_editor->offeredReminderTypes(when(date)), offered);
    }

    void savingNeedsANameAndOrderedDates()
    {
        const QVariantMap blank = m_editor->preparedForSave(merged(task({}, {}), { { "NAME", " \t" } }));
        QCOMPARE(blank.value("accepted").toBool(), false);
        QCOMPARE(blank.value("errorTitle").toString(), QString("Save Error"));
        QCOMPARE(blank.value("errorText").toString(), QString("Please input task name"));
        const QVariantMap named
            = merged(taskWithDates("3/14 15:00, 3/14 9:00"), { { "NAME", " Plan trip " } });
        const QVariantMap saved = m_editor->preparedForSave(named).value("record").toMap();
        QCOMPARE(saved.value("NAME").toString(), QString("Plan trip"));
        QCOMPARE(datesOf(saved), QString("3/14 9:00, 3/14 9:00"));
    }

    void savedReminderChoiceReplacesTheOldReminders_data()
    {
        QTest::addColumn<QString>("period");
        QTest::newRow("one-off task") << "";
        QTest::newRow("repeated task") << "d;2";
    }

    void savedReminderChoiceReplacesTheOldReminders()
    {
        QFETCH(QString, period);
        ReminderWorld w;
        TaskEditorRules editor(m_settings.get(), w.data.get());
        const QVariantMap record = task(daysFromToday(3, 9), daysFromToday(4, 17), period);
        QVERIFY(w.schedule(record, true, NotificationManager::TwoHours));
        QVERIFY(w.data->snoozeReminder({ { "ID", "t1" } }));

        QVERIFY(editor.applyReminderChoice(record, { 0 }, { 4, 7 }));
        QStringList expected = keysFor(record, false, { 0 }) + keysFor(record, true, { 4, 7 });
        expected.sort();
        QCOMPARE(w.fileKeys(), expected);
        QCOMPARE(w.data->getDueRepeatedReminders("t1"),
            (period.isEmpty() ? QVariantList() : QVariantList { 4, 7 }));
        QCOMPARE(editor.chosenReminderTypes(record, true), (QVariantList { 4, 7 }));
        QCOMPARE(editor.chosenReminderTypes(record, false), QVariantList { 0 });
    }

    // clang-format off
    void savingKeepsOnlyTheChosenTypesStillOffered_data()
    {
        QTest::addColumn<QString>("due");
        QTest::addColumn<int>("state");
        QTest::addColumn<QVariantList>("chosen");
        QTest::addColumn<QVariantList>("kept");
        QTest::newRow("some passed") << "3/10 14:10" << 0 << QVariantList { 6, 0, 3 } << QVariantList { 0, 3 };
        QTest::newRow("twice, out of order") << "3/13 12:00" << 0 << QVariantList { 8, 1, 8 } << QVariantList { 1, 8 };
        QTest::newRow("date passed") << "3/10 11:59" << 0 << QVariantList { 0 } << QVariantList();
        QTest::newRow("no such type") << "3/13 12:00" << 0 << QVariantList { 9, "x" } << QVariantList();
        QTest::newRow("completed task") << "3/13 12:00" << 2 << QVariantList { 0, 1 } << QVariantList();
    }
    // clang-format on

    void savingKeepsOnlyTheChosenTypesStillOffered()
    {
        QFETCH(QString, due);
        QFETCH(int, state);
        QFETCH(QVariantList, chosen);
        QFETCH(QVariantList, kept);
        const QVariantMap record = merged(task({}, when(due)), { { "STATE", state } });
        QCOMPARE(m_editor->keptReminderTypes(record, true, chosen), kept);
        QCOMPARE(m_editor->keptReminderTypes(record, false, chosen), QVariantList());
    }

    // clang-format off
    void theFavoriteFollowsTheSwitch_data()
    {
        QTest::addColumn<bool>("isNew");
        QTest::addColumn<bool>("switchOn");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("change");
        QTest::newRow("new, on") << true << true << 0 << "add";
        QTest::newRow("new, off") << true << false << 0 << "";
        QTest::newRow("existing, on") << false << true << 0 << "add";
        QTest::newRow("existing, off") << false << false << 0 << "remove";
        QTest::newRow("existing, on, completed") << false << true << 2 << "remove";
        QTest::newRow("new, on, completed") << true << true << 2 << "";
    }
    // clang-format on

    void theFavoriteFollowsTheSwitch()
    {
        QFETCH(bool, isNew);
        QFETCH(bool, switchOn);
        QFETCH(int, state);
        QFETCH(QString, change);
        QCOMPARE(m_editor->favoriteChange(isNew, switchOn, state), change);
    }

    void completingInTheEditorGoesThroughTheCompletion_data()
    {
        QTest::addColumn<bool>("isNew");
        QTest::addColumn<int>("original");
        QTest::addColumn<int>("saved");
        QTest::addColumn<bool>("completes");
        QTest::newRow("active to complete") << false << 0 << 2 << true;
        QTest::newRow("stays active") << false << 0 << 0 << false;
        QTest::newRow("already complete") << false << 2 << 2 << false;
        QTest::newRow("new and complete") << true << 0 << 2 << false;
    }
    void completingInTheEditorGoesThroughTheCompletion()
    {
        QFETCH(bool, isNew);
        QFETCH(int, original);
        QFETCH(int, saved);
        QTEST(m_editor->completesOnSave(isNew, original, saved), "completes");
    }

    // clang-format off
    void dailyAndWeeklyTasksAreEditedOnOneDay_data()
    {
        QTest::addColumn<QString>("dates");
        QTest::addColumn<QString>("expected");
        QTest::newRow("start moves onto the due day") << "3/11 9:00, 3/13 18:00, d;1" << "3/13 9:00, 3/13 18:00, d;1";
        QTest::newRow("start later than due") << "3/11 20:00, 3/13 18:00, w;1;5" << "3/13 18:00, 3/13 18:00, w;1;5";
        QTest::newRow("no start, due early") << "-, 3/13 7:00, w;1" << "3/13 0:00, 3/13 7:00, w;1";
        QTest::newRow("no start, due late") << "-, 3/13 18:00, d;2" << "3/13 7:30, 3/13 18:00, d;2";
        QTest::newRow("monthly keeps its dates") << "3/11 9:00, 3/13 18:00, m;1" << "3/11 9:00, 3/13 18:00, m;1";
        QTest::newRow("no repetition") << "3/11 9:00, 3/13 18:00" << "3/11 9:00, 3/13 18:00";
    }
    // clang-format on

    void dailyAndWeeklyTasksAreEditedOnOneDay()
    {
        QFETCH(QString, dates);
        QFETCH(QString, expected);
        QCOMPARE(datesOf(m_editor->withSingleDay(taskWithDates(dates))), expected);
    }

    void aTaskMadeForADayIsDueThereAtTheDefaultTime()
    {
        QCOMPARE(m_editor->defaultDueOnDay(QDate(2026, 3, 14)), when("3/14 18:00"));
        QVERIFY(!m_editor->defaultDueOnDay(QDate()).isValid());
    }

    // clang-format off
    void theReminderMarkOfALaterOccurrenceFollowsTheKeptTypes_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<int>("dueInDays");
        QTest::addColumn<bool>("scheduled");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<bool>("marked");
        QTest::newRow("repeated, later, kept") << "d;1" << 3 << false << true << true;
        QTest::newRow("repeated, later, only scheduled") << "d;1" << 3 << true << false << false;
        QTest::newRow("repeated, today, scheduled") << "d;1" << 0 << true << false << true;
        QTest::newRow("one-off, later, scheduled") << "" << 3 << true << false << true;
        QTest::newRow("one-off, nothing") << "" << 3 << false << false << false;
    }
    // clang-format on

    void theReminderMarkOfALaterOccurrenceFollowsTheKeptTypes()
    {
        QFETCH(QString, period);
        QFETCH(int, dueInDays);
        QFETCH(bool, scheduled);
        QFETCH(bool, kept);
        QFETCH(bool, marked);
        ReminderWorld w;
        TaskEditorRules editor(m_settings.get(), w.data.get());
        const QVariantMap record = task({}, daysFromToday(dueInDays, 23), period);
        if (scheduled)
            QVERIFY(w.schedule(record, true, NotificationManager::Hour));
        if (kept)
            w.data->setDueRepeatedReminder("t1", NotificationManager::Hour);
        QCOMPARE(editor.hasReminderMark(record), marked);
    }

    // clang-format off
    void onlyEditsBeyondTheDatesCount_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("counts");
        QTest::newRow("due") << "DUE" << QVariant(when("3/20 9:00")) << false;
        QTest::newRow("start") << "START" << QVariant(when("3/19 9:00")) << false;
        QTest::newRow("time stamp") << "TIMESTAMP" << QVariant(1234) << false;
        QTest::newRow("name") << "NAME" << QVariant("Call Bill") << true;
        QTest::newRow("memo") << "MEMO" << QVariant("ask twice") << true;
        QTest::newRow("project") << "PARENT" << QVariant("p2") << true;
        QTest::newRow("context") << "CONTEXT" << QVariant("c1") << true;
        QTest::newRow("repetition") << "PERIOD" << QVariant("d;1") << true;
        QTest::newRow("state") << "STATE" << QVariant(2) << true;
    }
    // clang-format on

    void onlyEditsBeyondTheDatesCount()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(bool, counts);
        const QVariantMap before = taskWithDates("3/11 9:00, 3/13 18:00");
        QCOMPARE(m_rules->changesMoreThanDates(before, merged(before, { { key, value } })), counts);
    }
};

QUORVEL_TEST_MAIN(TestTaskEditRules)
#include "tst_taskeditrules.moc"
