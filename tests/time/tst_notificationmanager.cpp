#include "logging/Logger.h"
#include "shell/AppPaths.h"
#include "support/AppProcess.h"
#include "support/LogReader.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"
#include "time/NotificationManager.h"
#include "time/RepeatedTaskHelper.h"

#include <QDir>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QSignalSpy>

#include <algorithm>
#include <ctime>
#include <memory>

namespace {

const QString Berlin = QStringLiteral("Europe/Berlin");
// A zone whose clocks go forward at 02:00 on 1 March (and back in October).
const QString SpringOnFirstOfMarch = QStringLiteral("QST-1QDT,J60/2,J300/3");
const QString StartDate = QStringLiteral("STARTDATE");
const QString DueDate = QStringLiteral("DUEDATE");
const NotificationType AtTime = NotificationManager::AtTimeOfEvent;

void useTimeZone(const QString& zone)
{
    qputenv("TZ", zone.toLatin1());
    tzset();
}

// Task dates as records carry them: wall-clock fields labelled UTC.
QDateTime wall(int year, int month, int day, int hour = 10, int minute = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC);
}

// A real instant, given in UTC.
QDateTime instant(int year, int month, int day, int hour, int minute = 0)
{
    return wall(year, month, day, hour, minute);
}

QVariantMap info(const QString& id, const QString& kind, const QDateTime& date)
{
    return { { QStringLiteral("ID"), id }, { QStringLiteral("NAME"), QStringLiteral("Task ") + id },
        { kind, date } };
}

QString key(const QString& id, const QString& kind, const QDateTime& moment)
{
    return id + QLatin1Char('_') + kind + QLatin1Char('_') + QString::number(moment.toMSecsSinceEpoch());
}

QString uniquePath(const QString& stem)
{
    static int count = 0;
    return AppPaths::appDataFile(QStringLiteral("%1-%2.dat").arg(stem).arg(++count));
}

// The entries as another program reads them. QSettings reads a copy under a
// new name, so that nothing cached in this process takes part.
QVariantMap entriesOf(const QString& path)
{
    static int count = 0;
    const QString copy = QDir(QDir::tempPath()).filePath(QStringLiteral("entries-%1.dat").arg(++count));
    QFile::remove(copy);
    QFile::copy(path, copy);
    QVariantMap entries;
    {
        QSettings file(copy, QSettings::IniFormat);
        for (const QString& name : file.allKeys())
            entries.insert(name, file.value(name));
    }
    QFile::remove(copy);
    return entries;
}

QStringList keysOf(const QString& path)
{
    return entriesOf(path).keys();
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The way careful writers replace a file: a new one renamed over the old.
bool replaceFile(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit();
}

bool setModified(const QString& path, const QDateTime& time)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(time, QFileDevice::FileModificationTime);
}

qint64 modifiedMs(const QString& path)
{
    return QFileInfo(path).lastModified().toMSecsSinceEpoch();
}

class LogMark
{
public:
    LogMark()
    {
        Logging::Logger::instance().flush();
        m_from = QFileInfo(Logging::Logger::instance().filePath()).size();
    }
    QStringList lines() const
    {
        return LogReader::levelsAndMessages(Logging::Logger::instance().filePath(), m_from);
    }
    bool has(const QString& start) const
    {
        for (const QString& line : lines()) {
            if (line.startsWith(start))
                return true;
        }
        return false;
    }

private:
    qint64 m_from = 0;
};

// "DUEDATE:4" and the like: a kind and a reminder type.
struct Reminder
{
    QString kind;
    int type;
};

Reminder reminder(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    return { parts.at(0), parts.at(1).toInt() };
}

} // namespace

class TestNotificationManager : public QObject
{
    Q_OBJECT

private:
    static QDateTime fixedNow() { return QDateTime(QDate(2024, 6, 10), QTime(12, 0), Qt::LocalTime); }

    static std::unique_ptr<NotificationManager> manager(
        const QString& path, RepeatedTaskHelper* repetition = nullptr)
    {
        auto created = std::make_unique<NotificationManager>(path, repetition);
        created->setClock(&fixedNow);
        return created;
    }

private slots:
    void initTestCase()
    {
        StoreFixture::setUpLogging(QStringLiteral("tst_notificationmanager"));
        useTimeZone(Berlin);
    }

    void init() { useTimeZone(Berlin); }

    void keyComesFromTheTaskDate_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QVariantMap>("taskInfo");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("expected");

        // Berlin: UTC+1 in winter, UTC+2 from 31 March 2024 02:00.
        QTest::newRow("due, at the time") << Berlin << info("t1", DueDate, wall(2024, 6, 10)) << 0
                                          << key("t1", DueDate, instant(2024, 6, 10, 8));
        QTest::newRow("start, 5 minutes") << Berlin << info("t1", StartDate, wall(2024, 6, 10)) << 1
                                          << key("t1", StartDate, instant(2024, 6, 10, 7, 55));
        QVariantMap both = info("t1", StartDate, wall(2024, 6, 9));
        both.insert(DueDate, wall(2024, 6, 10));
        QTest::newRow("both dates remind of the due date")
            << Berlin << both << 4 << key("t1", DueDate, instant(2024, 6, 10, 7));
        QTest::newRow("hours are real hours across the change")
            << Berlin << info("t1", DueDate, wall(2024, 3, 31, 4)) << 6
            << key("t1", DueDate, instant(2024, 3, 30, 23));
        QTest::newRow("a day is a calendar day across the change")
            << Berlin << info("t1", DueDate, wall(2024, 3, 31)) << 7
            << key("t1", DueDate, instant(2024, 3, 30, 9));
        QTest::newRow("day before 1 March, leap year")
            << SpringOnFirstOfMarch << info("t1", DueDate, wall(2024, 3, 1)) << 7
            << key("t1", DueDate, instant(2024, 2, 29, 9));
        QTest::newRow("day before 1 March") << SpringOnFirstOfMarch << info("t1", DueDate, wall(2023, 3, 1))
                                            << 7 << key("t1", DueDate, instant(2023, 2, 28, 9));
        QTest::newRow("two days before 1 March")
            << SpringOnFirstOfMarch << info("t1", StartDate, wall(2024, 3, 1)) << 8
            << key("t1", StartDate, instant(2024, 2, 28, 9));
        QTest::newRow("a time the clocks skip comes when they resume")
            << Berlin << info("t1", DueDate, wall(2024, 3, 31, 2, 30)) << 0
            << key("t1", DueDate, instant(2024, 3, 31, 1));
        QVariantMap local = info("t1", DueDate, wall(2024, 6, 10).toLocalTime());
        QTest::newRow("a date handed over in local time")
            << Berlin << local << 0 << key("t1", DueDate, instant(2024, 6, 10, 8));

        QTest::newRow("no ID") << Berlin << info(QString(), DueDate, wall(2024, 6, 10)) << 0 << QString();
        QTest::newRow("invalid date") << Berlin << info("t1", DueDate, QDateTime()) << 0 << QString();
        QTest::newRow("no date") << Berlin << QVariantMap { { "ID", "t1" } } << 0 << QString();
        QTest::newRow("unknown type") << Berlin << info("t1", DueDate, wall(2024, 6, 10)) << 9 << QString();
        QTest::newRow("negative type") << Berlin << info("t1", DueDate, wall(2024, 6, 10)) << -1 << QString();
        QTest::newRow("ID with the separator")
            << Berlin << info("a_b", DueDate, wall(2024, 6, 10)) << 0 << QString();
        QTest::newRow("ID with a slash")
            << Berlin << info("a/b", DueDate, wall(2024, 6, 10)) << 0 << QString();
        QTest::newRow("ID with a backslash")
            << Berlin << info("a\\b", DueDate, wall(2024, 6, 10)) << 0 << QString();
    }

    void keyComesFromTheTaskDate()
    {
        QFETCH(QString, zone);
        QFETCH(QVariantMap, taskInfo);
        QFETCH(int, type);
        QFETCH(QString, expected);
        useTimeZone(zone);
        QCOMPARE(NotificationManager::notificationKey(taskInfo, type), expected);
    }

    void typeFromSeconds_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<int>("type");
        QTest::newRow("0") << qint64(0) << 0;
        QTest::newRow("300") << qint64(300) << 1;
        QTest::newRow("600") << qint64(600) << 0;
        QTest::newRow("900") << qint64(900) << 2;
        QTest::newRow("1800") << qint64(1800) << 3;
        QTest::newRow("3600") << qint64(3600) << 4;
        QTest::newRow("7200") << qint64(7200) << 5;
        QTest::newRow("10800") << qint64(10800) << 6;
        QTest::newRow("86400") << qint64(86400) << 7;
        QTest::newRow("90000, a day across the change") << qint64(90000) << 0;
        QTest::newRow("172800") << qint64(172800) << 8;
        QTest::newRow("-300") << qint64(-300) << 0;
    }

    void typeFromSeconds()
    {
        QFETCH(qint64, seconds);
        QFETCH(int, type);
        QCOMPARE(int(NotificationManager::notificationTypeFromSeconds(seconds)), type);
    }

    void schedulingWritesOneEntryOtherProgramsRead()
    {
        const QString path = uniquePath("schedule");
        auto reminders = manager(path);
        QSignalSpy changed(reminders.get(), &NotificationManager::notificationsChanged);
        const QVariantMap task = info("t1", DueDate, wall(2024, 6, 11));

        QVERIFY(reminders->scheduleNotification(task, NotificationManager::Hour));
        QVERIFY(reminders->scheduleNotification(task, NotificationManager::Hour));
        const QString expected = key("t1", DueDate, instant(2024, 6, 11, 7));
        const QVariantMap entries = entriesOf(path);
        QCOMPARE(entries.keys(), QStringList { expected });
        QCOMPARE(entries.value(expected).toDateTime(), instant(2024, 6, 11, 7));
        QCOMPARE(reminders->notificationIds(), QStringList { expected });
        QVERIFY(reminders->hasScheduledNotification(task, NotificationManager::Hour));
        QVERIFY(!reminders->hasScheduledNotification(task, NotificationManager::Day));
        QCOMPARE(changed.count(), 1);

        QVERIFY(reminders->removeScheduledNotification(task, NotificationManager::Hour));
        QVERIFY(keysOf(path).isEmpty());
        QCOMPARE(reminders->notificationCount(), 0);
    }

    void snoozingTwiceGivesTwoReminders()
    {
        const QString path = uniquePath("snooze");
        auto reminders = manager(path);
        const QVariantMap task { { "ID", "t1" } };
        QVERIFY(reminders->snoozeNotification(task));
        QVERIFY(reminders->snoozeNotification(task));
        QVERIFY(!reminders->snoozeNotification(QVariantMap { { "ID", QString() } }));

        const QVariantMap entries = entriesOf(path);
        QCOMPARE(entries.size(), 2);
        const qint64 due = fixedNow().addSecs(900).toMSecsSinceEpoch();
        for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
            QVERIFY2(it.key().startsWith("t1_SNOOZE_"), qPrintable(it.key()));
            const qint64 moment = it.key().section(QLatin1Char('_'), 2).toLongLong();
            QVERIFY(moment >= due && moment < due + 1000);
            QCOMPARE(it.value().toDateTime().toMSecsSinceEpoch(), moment);
        }
    }

    void reschedulingMovesRemindersWithTheDates_data()
    {
        QTest::addColumn<QDateTime>("oldStart");
        QTest::addColumn<QDateTime>("oldDue");
        QTest::addColumn<QDateTime>("newStart");
        QTest::addColumn<QDateTime>("newDue");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QList<int>>("repeatedDueTypes");
        QTest::addColumn<QStringList>("after");

        const QDateTime none;
        // Now is 10 June 2024, 12:00.
        QTest::newRow("due a day later") << none << wall(2024, 6, 11) << none << wall(2024, 6, 12)
                                         << QStringList { "DUEDATE:4", "DUEDATE:7" } << QList<int>()
                                         << QStringList { "DUEDATE:4", "DUEDATE:7" };
        QTest::newRow("due from tomorrow to yesterday")
            << none << wall(2024, 6, 11) << none << wall(2024, 6, 9)
            << QStringList { "DUEDATE:0", "DUEDATE:4" } << QList<int>() << QStringList();
        QTest::newRow("due cleared") << none << wall(2024, 6, 11) << none << none
                                     << QStringList { "DUEDATE:4" } << QList<int>() << QStringList();
        QTest::newRow("start and due")
            << wall(2024, 6, 11, 8) << wall(2024, 6, 11, 18) << wall(2024, 6, 12, 8) << wall(2024, 6, 12, 18)
            << QStringList { "STARTDATE:0", "DUEDATE:1" } << QList<int>()
            << QStringList { "STARTDATE:0", "DUEDATE:1" };
        QTest::newRow("only what is still ahead")
            << none << wall(2024, 6, 11) << none << wall(2024, 6, 10, 12, 30)
            << QStringList { "DUEDATE:0", "DUEDATE:4" } << QList<int>() << QStringList { "DUEDATE:0" };
        QTest::newRow("a repetition keeps a fired reminder")
            << none << wall(2024, 6, 11) << none << wall(2024, 6, 12) << QStringList() << QList<int> { 5 }
            << QStringList { "DUEDATE:5" };
        QTest::newRow("a snooze does not move")
            << none << wall(2024, 6, 11) << none << wall(2024, 6, 12) << QStringList { "SNOOZE:0" }
            << QList<int>() << QStringList();
    }

    void reschedulingMovesRemindersWithTheDates()
    {
        QFETCH(QDateTime, oldStart);
        QFETCH(QDateTime, oldDue);
        QFETCH(QDateTime, newStart);
        QFETCH(QDateTime, newDue);
        QFETCH(QStringList, before);
        QFETCH(QList<int>, repeatedDueTypes);
        QFETCH(QStringList, after);

        RepeatedTaskHelper repetition(nullptr, uniquePath("repeated"));
        for (int type : repeatedDueTypes)
            repetition.setDueDateReminder(QStringLiteral("t1"), type);
        const QString path = uniquePath("reschedule");
        auto reminders = manager(path, &repetition);

        const QVariantMap other = info("t10", DueDate, wall(2024, 6, 11));
        QVERIFY(reminders->scheduleNotification(other, NotificationManager::AtTimeOfEvent));
        for (const QString& text : before) {
            const Reminder set = reminder(text);
            if (set.kind == QLatin1String("SNOOZE"))
                QVERIFY(reminders->snoozeNotification({ { "ID", "t1" } }));
            else
                QVERIFY(reminders->scheduleNotification(
                    info("t1", set.kind, set.kind == StartDate ? oldStart : oldDue),
                    NotificationType(set.type)));
        }

        const QVariantMap oldTask { { "ID", "t1" }, { "NAME", "Old" }, { "START", oldStart },
            { "DUE", oldDue } };
        const QVariantMap newTask { { "ID", "t1" }, { "NAME", "New" }, { "START", newStart },
            { "DUE", newDue } };
        QVERIFY(reminders->rescheduleReminders(oldTask, newTask));

        QStringList expected { NotificationManager::notificationKey(
            other, NotificationManager::AtTimeOfEvent) };
        for (const QString& text : after) {
            const Reminder set = reminder(text);
            expected << NotificationManager::notificationKey(
                info("t1", set.kind, set.kind == StartDate ? newStart : newDue), set.type);
        }
        expected.sort();
        QCOMPARE(keysOf(path), expected);
        QCOMPARE(reminders->notificationIds(), expected);
    }

    void removingATasksRemindersLeavesOthers()
    {
        const QString path = uniquePath("remove");
        auto reminders = manager(path);
        // The moments' digits hold "17" as well.
        const QDateTime due = wall(2024, 6, 11, 17, 17);
        for (const QString id : { "17", "170", "x" })
            QVERIFY(
                reminders->scheduleNotification(info(id, DueDate, due), NotificationManager::AtTimeOfEvent));
        QVERIFY(reminders->snoozeNotification({ { "ID", "17" } }));
        QVERIFY(keysOf(path).join(' ').count(QStringLiteral("17")) >= 4);
        QVERIFY(!reminders->hasScheduledNotifications(QStringLiteral("1")));
        QVERIFY(reminders->hasScheduledNotifications(QStringLiteral("17")));

        QVERIFY(reminders->removeAllNotificationsById(QStringLiteral("17")));
        QCOMPARE(keysOf(path),
            (QStringList { NotificationManager::notificationKey(info("170", DueDate, due), 0),
                NotificationManager::notificationKey(info("x", DueDate, due), 0) }));
        QVERIFY(!reminders->hasScheduledNotifications(QStringLiteral("17")));
        QVERIFY(!reminders->removeAllNotificationsById(QString()));
        QCOMPARE(reminders->notificationCount(), 2);

        QVERIFY(reminders->clearAll());
        QVERIFY(keysOf(path).isEmpty());
        QCOMPARE(reminders->notificationCount(), 0);
    }

    void hostileIdsStayInTheirOwnEntry_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("quotes") << QStringLiteral("a\"b'c");
        QTest::newRow("dots") << QStringLiteral("..");
        QTest::newRow("equals") << QStringLiteral("a=b");
        QTest::newRow("group") << QStringLiteral("[group]");
        QTest::newRow("line break") << QStringLiteral("a\nb=1\n[x]");
        QTest::newRow("comment") << QStringLiteral(";#c");
        QTest::newRow("percent") << QStringLiteral("%41%");
        QTest::newRow("spaces") << QStringLiteral(" a b ");
        QTest::newRow("non-ASCII") << QStringLiteral("задача-ü");
    }

    void hostileIdsStayInTheirOwnEntry()
    {
        QFETCH(QString, id);
        const QString path = uniquePath("hostile");
        auto reminders = manager(path);
        const QVariantMap neighbour = info("n1", DueDate, wall(2024, 6, 11));
        QVERIFY(reminders->scheduleNotification(neighbour, NotificationManager::AtTimeOfEvent));

        const QVariantMap hostile = info(id, DueDate, wall(2024, 6, 12));
        QVERIFY(reminders->scheduleNotification(hostile, NotificationManager::Hour));
        const QString hostileKey = NotificationManager::notificationKey(hostile, NotificationManager::Hour);
        const QString neighbourKey = NotificationManager::notificationKey(neighbour, 0);
        QStringList expected { hostileKey, neighbourKey };
        expected.sort();
        QCOMPARE(keysOf(path), expected);
        // One section, every entry at its top level.
        const QList<QByteArray> sections = bytesOf(path).split('\n');
        QCOMPARE(std::count_if(sections.begin(), sections.end(),
                     [](const QByteArray& line) { return line.startsWith('['); }),
            1);

        QVERIFY(reminders->hasScheduledNotifications(id));
        QVERIFY(reminders->removeAllNotificationsById(id));
        QCOMPARE(keysOf(path), QStringList { neighbourKey });
    }

    void idsAKeyCannotCarryAreRefused_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("separator") << QStringLiteral("a_b");
        QTest::newRow("leading slash") << QStringLiteral("/n1");
        QTest::newRow("double slash") << QStringLiteral("n//1");
        QTest::newRow("backslash") << QStringLiteral("n\\1");
        QTest::newRow("forged log line") << QStringLiteral("a_b\nERROR forged");
    }

    void idsAKeyCannotCarryAreRefused()
    {
        QFETCH(QString, id);
        const QString path = uniquePath("refused");
        auto reminders = manager(path);
        const QVariantMap neighbour = info("n1", DueDate, wall(2024, 6, 11));
        QVERIFY(reminders->scheduleNotification(neighbour, NotificationManager::AtTimeOfEvent));
        const QByteArray content = bytesOf(path);

        const LogMark log;
        QVERIFY(!reminders->scheduleNotification(
            info(id, DueDate, wall(2024, 6, 11)), NotificationManager::AtTimeOfEvent));
        QVERIFY(!reminders->snoozeNotification({ { "ID", id } }));
        QCOMPARE(bytesOf(path), content);
        // Two warnings, each on one line, with control characters escaped.
        const QStringList lines = log.lines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).startsWith(QStringLiteral("WARN No reminder is set for the task ")));
        QVERIFY(lines.at(1).startsWith(QStringLiteral("WARN The reminder of the task ")));
    }

    void seesEntriesThatAnotherWriterRemoved()
    {
        const QString path = uniquePath("watched");
        auto reminders = manager(path);
        for (const QString id : { "a", "b", "c" })
            QVERIFY(reminders->scheduleNotification(info(id, DueDate, wall(2024, 6, 11)), AtTime));
        QSignalSpy changed(reminders.get(), &NotificationManager::notificationsChanged);

        // Twice: the second replacement must be seen as well, though the
        // first one took the watched file's place.
        for (const QString id : { "a", "b" }) {
            QByteArray content = bytesOf(path);
            const QByteArray line
                = NotificationManager::notificationKey(info(id, DueDate, wall(2024, 6, 11)), 0).toLatin1();
            const int at = content.indexOf(line);
            QVERIFY(at >= 0);
            content.remove(at, content.indexOf('\n', at) - at + 1);
            QVERIFY(replaceFile(path, content));
            QTRY_VERIFY(!reminders->hasScheduledNotifications(id));
        }
        QCOMPARE(reminders->notificationCount(), 1);
        QCOMPARE(changed.count(), 2);
    }

    void keepsAnotherWritersChangeOfTheSameSizeAndTime()
    {
        // QSettings would take this file for unchanged (same size, same
        // millisecond) and write its older view over it.
        const QString path = uniquePath("samesize");
        auto reminders = manager(path);
        const QVariantMap a = info("a", DueDate, wall(2024, 6, 11));
        QVERIFY(reminders->scheduleNotification(a, AtTime));
        const QDateTime modified = QFileInfo(path).lastModified();
        const QString keyA = NotificationManager::notificationKey(a, 0);
        QString keyB = keyA;
        keyB[0] = QLatin1Char('b');
        QByteArray content = bytesOf(path);
        content.replace(keyA.toLatin1(), keyB.toLatin1());
        QVERIFY(replaceFile(path, content));
        QVERIFY(setModified(path, modified));
        QCOMPARE(QFileInfo(path).lastModified(), modified);

        QVERIFY(reminders->scheduleNotification(info("c", DueDate, wall(2024, 6, 11)), AtTime));
        QStringList expected { keyB,
            NotificationManager::notificationKey(info("c", DueDate, wall(2024, 6, 11)), 0) };
        QCOMPARE(keysOf(path), expected);
    }

    void everyChangeMovesTheFileTimeForward()
    {
        // A QSettings reader (the notifier) notices a change only by size or
        // by modification time; a same-size change must still move the time,
        // even when the file's time lies ahead of the clock.
        const QString path = uniquePath("time");
        auto reminders = manager(path);
        const QVariantMap x = info("x", DueDate, wall(2024, 6, 11));
        const QVariantMap y = info("y", DueDate, wall(2024, 6, 11));
        QVERIFY(reminders->scheduleNotification(x, AtTime));
        const QDateTime ahead = QDateTime::currentDateTimeUtc().addSecs(3600);
        QVERIFY(setModified(path, ahead));

        QSettings notifier(path, QSettings::IniFormat);
        QCOMPARE(notifier.allKeys(), QStringList { NotificationManager::notificationKey(x, 0) });
        qint64 last = modifiedMs(path);
        QVERIFY(reminders->scheduleNotification(y, AtTime));
        QVERIFY(modifiedMs(path) > last);
        last = modifiedMs(path);
        QVERIFY(reminders->removeScheduledNotification(x, AtTime));
        QVERIFY(modifiedMs(path) > last);

        const QString own = QStringLiteral("n_SNOOZE_1");
        notifier.setValue(own, QDateTime::fromMSecsSinceEpoch(1));
        notifier.sync();
        QCOMPARE(notifier.status(), QSettings::NoError);
        QCOMPARE(keysOf(path), (QStringList { own, NotificationManager::notificationKey(y, 0) }));
    }

    void aDamagedFileIsKeptAside()
    {
        const QString path = uniquePath("damaged");
        const QString good = QStringLiteral("g_DUEDATE_1718013600000");
        const QByteArray damaged
            = "[General]\n" + good.toLatin1() + "=@DateTime(garbage)\nthis is no entry\n\xff\xfe\n";
        QVERIFY(replaceFile(path, damaged));

        const LogMark log;
        auto reminders = manager(path);
        QVERIFY(log.has(QStringLiteral("WARN The notification file ")));
        QVERIFY(reminders->scheduleNotification(info("n", DueDate, wall(2024, 6, 11)), AtTime));
        QVERIFY(log.has(QStringLiteral("ERROR The notification file ")));

        const QStringList kept
            = QDir(QFileInfo(path).absolutePath())
                  .entryList({ QFileInfo(path).fileName() + QStringLiteral(".damaged-*") });
        QCOMPARE(kept.size(), 1);
        QCOMPARE(bytesOf(QFileInfo(path).absolutePath() + QLatin1Char('/') + kept.first()), damaged);
        // "@DateTime(garbage)" is no value the programs write: it is left
        // out (the kept copy has it) rather than read.
        QCOMPARE(keysOf(path),
            (QStringList { NotificationManager::notificationKey(info("n", DueDate, wall(2024, 6, 11)), 0) }));
    }

    void aChangeThatCannotBeSavedIsReported_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("logged");
        // Running as root, a read-only folder would still be written; these cannot be.
        const QString blocker = uniquePath("blocker");
        QTest::newRow("folder is a file")
            << blocker + QStringLiteral("/ntf.dat") << "ERROR Unable to lock the notification file ";
        QTest::newRow("file is a folder")
            << uniquePath("folder") << "ERROR Unable to read the notification file ";
        QTest::newRow("far too big") << uniquePath("big") << "ERROR The notification file ";
    }

    void aChangeThatCannotBeSavedIsReported()
    {
        QFETCH(QString, path);
        QFETCH(QString, logged);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        if (tag == QLatin1String("folder is a file"))
            QVERIFY(replaceFile(QFileInfo(path).absolutePath(), "not a folder"));
        else if (tag == QLatin1String("file is a folder"))
            QVERIFY(QDir().mkpath(path));
        else
            QVERIFY(replaceFile(path, QByteArray(17 * 1024 * 1024, '#')));

        const LogMark log;
        auto reminders = manager(path);
        QVERIFY(!reminders->scheduleNotification(info("t1", DueDate, wall(2024, 6, 11)), AtTime));
        QCOMPARE(reminders->notificationCount(), 0);
        QVERIFY2(log.has(logged), qPrintable(log.lines().join('\n')));
    }

    void theNotifierDropsAnOverdueReminderAndTheManagerSeesIt()
    {
        const QString program = AppProcess::binPath(QStringLiteral("QuorvelNotifier"));
        if (!QFileInfo::exists(program))
            QSKIP("QuorvelNotifier is not built in this build folder.");
        const QString path = AppPaths::appDataFile(QStringLiteral("ntf.dat"));
        auto reminders = manager(path);
        const QVariantMap future = info("future", DueDate, wall(2031, 1, 1));
        QVERIFY(reminders->scheduleNotification(future, AtTime));

        AppProcess notifier(program);
        QVERIFY(notifier.start());
        QVERIFY(reminders->scheduleNotification(info("past", DueDate, wall(2020, 1, 1)), AtTime));
        QTRY_VERIFY_WITH_TIMEOUT(!reminders->hasScheduledNotifications(QStringLiteral("past")), 15000);
        QCOMPARE(reminders->notificationIds(),
            QStringList { NotificationManager::notificationKey(future, AtTime) });
        QCOMPARE(keysOf(path), reminders->notificationIds());
        QCOMPARE(notifier.stop(), 0);
    }

    void twoProcessesWritingAtOnceLoseNothing()
    {
        // The notifier removes entries while we add and remove ours; both
        // write the same file at the same time.
        const QString path = uniquePath("concurrent");
        auto reminders = manager(path);
        QStringList theirs;
        for (int i = 0; i < 150; ++i) {
            const QVariantMap task
                = info(QStringLiteral("r%1").arg(i), DueDate, wall(2030, 1, 2).addSecs(i * 60));
            QVERIFY(reminders->scheduleNotification(task, AtTime));
            theirs << NotificationManager::notificationKey(task, 0);
        }
        const QString removalList = uniquePath("removals");
        QVERIFY(replaceFile(removalList, theirs.join('\n').toUtf8()));

        QProcess writer;
        writer.setProcessEnvironment(TestSandbox::environment());
        writer.start(AppProcess::binPath(QStringLiteral("notification_file_writer")),
            { path, removalList, QStringLiteral("150"), QStringLiteral("c") });
        QVERIFY(writer.waitForReadyRead(10000));
        QCOMPARE(writer.readLine().trimmed(), QByteArray("ready"));
        writer.write("go\n");
        QVERIFY(writer.waitForBytesWritten(5000));

        QStringList expected;
        for (int i = 0; i < 300; ++i) {
            const QVariantMap task
                = info(QStringLiteral("p%1").arg(i), DueDate, wall(2030, 1, 3).addSecs(i * 60));
            QVERIFY(reminders->scheduleNotification(task, AtTime));
            if (i % 2 == 0)
                QVERIFY(reminders->removeScheduledNotification(task, AtTime));
            else
                expected << NotificationManager::notificationKey(task, 0);
        }
        QVERIFY(writer.waitForFinished(120000));
        QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
        QVERIFY2(writer.exitCode() == 0, writer.readAllStandardError().constData());

        const qint64 base = QDateTime(QDate(2030, 1, 1), QTime(9, 0), Qt::UTC).toMSecsSinceEpoch();
        for (int i = 0; i < 150; ++i)
            expected << QStringLiteral("c%1_DUEDATE_%2").arg(i).arg(base + i * 60000);
        expected.sort();
        QCOMPARE(keysOf(path), expected);
        // Each entry once in the file itself, not merely once after reading.
        const QList<QByteArray> lines = bytesOf(path).split('\n');
        QCOMPARE(std::count_if(
                     lines.begin(), lines.end(), [](const QByteArray& line) { return line.contains('='); }),
            expected.size());
        reminders->reload();
        QCOMPARE(reminders->notificationIds(), expected);
    }
};

QUORVEL_TEST_MAIN(TestNotificationManager)
#include "tst_notificationmanager.moc"
