#include "time/RepeatedTaskHelper.h"

#include "data/DatabaseHandler.h"
#include "data/WallClock.h"
#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "shell/DamagedSettingsFile.h"
#include "common/SettingsFileCheck.h"

#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QSettings>
#include <QVector>

#include <algorithm>

namespace {

const QString IdKey = QStringLiteral("ID");
const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString RepeatedKey = QStringLiteral("REPEATED");
const QString FakeStartKey = QStringLiteral("FAKESTART");
const QString FakeDueKey = QStringLiteral("FAKEDUE");
const QString FakeTaskKey = QStringLiteral("FAKETASK");

// The two inner double quotes are SQLite's fallback from an identifier to a
// text literal: no column is named "", so this compares with ''.
const QString ActiveRepeatedTasksSql = QStringLiteral(
    "SELECT id, name, parent, memo, start, due, context, timestamp, state, synced, local, period FROM task "
    "WHERE period <> \"\" AND STATE = 0 ORDER BY period");

// Every row changed on the store's connection counts in total_changes(), and
// data_version moves when another connection commits, so the pair tells
// whether the cached tasks can still be what the database holds.
const QString StoreVersionSql = QStringLiteral(
    "SELECT total_changes() AS changes, (SELECT data_version FROM pragma_data_version) AS version");

// The writes of one pass over the repeated tasks go out together: one
// commit instead of one per task, and inside a transaction the user still
// has to confirm they simply join it.
const QString BeginAlignmentSql = QStringLiteral("SAVEPOINT repeated_task_alignment");
const QString EndAlignmentSql = QStringLiteral("RELEASE SAVEPOINT repeated_task_alignment");
const QString UndoAlignmentSql = QStringLiteral("ROLLBACK TO SAVEPOINT repeated_task_alignment");

const QString DefaultStartTimeKey = QStringLiteral("default_start_time");
const QString DefaultStartTimeText = QStringLiteral("8:00");

const QString StartReminderPrefix = QStringLiteral("start");
const QString DueReminderPrefix = QStringLiteral("due");

// The editor offers 1 ... 99. Anything above this is not a rule anyone
// wrote on purpose, and keeping it small keeps all date arithmetic in range.
const int MaxInterval = 9999;

const int FirstReminderType = 0; // NotificationManager::AtTimeOfEvent
const int LastReminderType = 8; // NotificationManager::TwoDays

// Month lengths repeat every 400 years.
const qint64 MonthsInCalendarCycle = 4800;

struct Rule
{
    enum Kind { None, Daily, Weekly, WeeklyOnDays, Monthly };

    Kind kind = None;
    int interval = 0;
    // Ascending, without duplicates, 1 = Monday ... 7 = Sunday.
    QVector<int> weekdays;
    int partCount = 0;
    // Why a rule that is there cannot be used; empty otherwise.
    QString problem;

    bool repeats() const { return kind != None; }
    bool hasWeekday(int weekday) const { return weekdays.contains(weekday); }
    bool isAligned() const { return kind == Daily || kind == Weekly || kind == WeeklyOnDays; }
};

// "1" ... "7" as written by the editor; 0 for anything else.
int weekdayFromText(const QString& text)
{
    if (text.size() != 1)
        return 0;
    const int weekday = text.at(0).digitValue();
    return weekday >= 1 && weekday <= 7 ? weekday : 0;
}

Rule parseRule(const QString& period)
{
    Rule rule;
    if (period.isEmpty())
        return rule;
    const QStringList parts = period.split(QLatin1Char(';'));
    rule.partCount = parts.size();
    if (parts.size() < 2) {
        rule.problem = QStringLiteral("it has no interval");
        return rule;
    }
    if (parts.size() > 3) {
        rule.problem = QStringLiteral("it has more than three parts");
        return rule;
    }

    Rule::Kind kind = Rule::None;
    const QString& letter = parts.at(0);
    if (letter == QLatin1String("d"))
        kind = Rule::Daily;
    else if (letter == QLatin1String("w"))
        kind = parts.size() == 3 ? Rule::WeeklyOnDays : Rule::Weekly;
    else if (letter == QLatin1String("m"))
        kind = Rule::Monthly;
    if (kind == Rule::None) {
        rule.problem = QStringLiteral("its kind is not d, w or m");
        return rule;
    }

    bool isNumber = false;
    const int interval = parts.at(1).toInt(&isNumber);
    if (!isNumber) {
        rule.problem = QStringLiteral("its interval is not a number");
        return rule;
    }
    if (interval < 1) {
        rule.problem = QStringLiteral("its interval is below 1");
        return rule;
    }
    if (interval > MaxInterval) {
        rule.problem = QStringLiteral("its interval is above %1").arg(MaxInterval);
        return rule;
    }

    if (kind == Rule::WeeklyOnDays) {
        const QString& list = parts.at(2);
        if (list.isEmpty()) {
            rule.problem = QStringLiteral("its weekday list is empty");
            return rule;
        }
        for (const QString& entry : list.split(QLatin1Char(','))) {
            const int weekday = weekdayFromText(entry);
            if (weekday == 0) {
                rule.problem = QStringLiteral("\"%1\" is not a weekday").arg(entry);
                rule.weekdays.clear();
                return rule;
            }
            if (!rule.weekdays.contains(weekday))
                rule.weekdays.append(weekday);
        }
        // Stepping from weekday to weekday only moves forward when the list
        // ascends; the editor writes it that way, others might not.
        std::sort(rule.weekdays.begin(), rule.weekdays.end());
    }

    rule.kind = kind;
    rule.interval = interval;
    return rule;
}

// A START or DUE value as a wall-clock date-time: its own date and clock
// fields labelled UTC, whatever zone label it arrived with.
QDateTime wallClockOf(const QVariant& value)
{
    const QDateTime dateTime = value.toDateTime();
    if (!dateTime.isValid())
        return QDateTime();
    if (dateTime.timeSpec() == Qt::UTC)
        return dateTime;
    return WallClock::fromDateAndTime(dateTime.date(), dateTime.time());
}

QDateTime movedByDays(const QDateTime& dateTime, qint64 days)
{
    if (!dateTime.isValid())
        return dateTime;
    return WallClock::fromDateAndTime(dateTime.date().addDays(days), dateTime.time());
}

QDateTime movedByMonths(const QDateTime& dateTime, int months)
{
    if (!dateTime.isValid())
        return dateTime;
    return WallClock::fromDateAndTime(dateTime.date().addMonths(months), dateTime.time());
}

qint64 floorDiv(qint64 value, qint64 divisor)
{
    const qint64 quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

// Months counted on a line without QDate's missing year 0 (1 BC is year -1).
qint64 monthIndex(const QDate& date)
{
    const qint64 year = date.year() < 0 ? date.year() + 1 : date.year();
    return year * 12 + (date.month() - 1);
}

int daysInMonthAt(qint64 index)
{
    static const int lengths[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    const qint64 year = floorDiv(index, 12);
    const int month = int(index - year * 12);
    if (month != 1)
        return lengths[month];
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return leap ? 29 : 28;
}

QDate mondayOf(const QDate& date)
{
    return date.addDays(1 - date.dayOfWeek());
}

// Days from a weekday to the next weekday of the rule's list: later in the
// same week, else the first listed day of the next week.
int daysToNextListedWeekday(const Rule& rule, int weekday)
{
    for (const int listed : rule.weekdays) {
        if (listed > weekday)
            return listed - weekday;
    }
    return rule.weekdays.first() + 7 - weekday;
}

// Whether the rule, counted from the due date, has an occurrence on day.
// Each kind is answered in a few steps however far day lies from due.
bool reaches(const Rule& rule, const QDate& due, const QDate& day)
{
    if (!rule.repeats() || !due.isValid() || !day.isValid() || day <= due)
        return false;
    const qint64 days = due.daysTo(day);
    switch (rule.kind) {
    case Rule::Daily:
        return days % rule.interval == 0;
    case Rule::Weekly:
        return days % (7LL * rule.interval) == 0;
    case Rule::WeeklyOnDays: {
        // From a listed weekday the steps visit the later listed days of the
        // same week, then every listed day of each N-th week after it.
        if (!rule.hasWeekday(due.dayOfWeek()) || !rule.hasWeekday(day.dayOfWeek()))
            return false;
        const qint64 weeks = mondayOf(due).daysTo(mondayOf(day)) / 7;
        return weeks % rule.interval == 0;
    }
    case Rule::Monthly: {
        const qint64 months = monthIndex(day) - monthIndex(due);
        if (months % rule.interval != 0)
            return false;
        // Each step of N months keeps the day of the step before, cut to the
        // length of the month it lands in, so a 31st that once met February
        // stays on the 28th. The day is the shortest length met on the way;
        // lengths repeat every 400 years, so one cycle of steps sees them all.
        int dayOfMonth = due.day();
        const qint64 start = monthIndex(due);
        const qint64 steps = qMin(months / rule.interval, MonthsInCalendarCycle);
        for (qint64 step = 1; step <= steps && dayOfMonth > 28; ++step)
            dayOfMonth = qMin(dayOfMonth, daysInMonthAt(start + step * rule.interval));
        return day.day() == dayOfMonth;
    }
    case Rule::None:
        break;
    }
    return false;
}

QTime parseStartTime(const QString& text)
{
    const int colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return QTime();
    bool hoursOk = false;
    bool minutesOk = false;
    const int hours = text.left(colon).toInt(&hoursOk);
    const int minutes = text.mid(colon + 1).toInt(&minutesOk);
    if (!hoursOk || !minutesOk)
        return QTime();
    return QTime(hours, minutes);
}

// Reminder keys are "start_" or "due_" followed by the task id. QSettings
// reads "/" and "\" in a key as group separators, so an id holding them
// would share a group with another task's key; they are kept out, and "%"
// with them so that the escape reads back unambiguously. Generated ids
// contain none of the three and are written as they are.
QString escapedTaskId(const QString& taskId)
{
    QString escaped;
    escaped.reserve(taskId.size());
    for (const QChar c : taskId) {
        if (c == QLatin1Char('%'))
            escaped += QLatin1String("%25");
        else if (c == QLatin1Char('/'))
            escaped += QLatin1String("%2F");
        else if (c == QLatin1Char('\\'))
            escaped += QLatin1String("%5C");
        else
            escaped += c;
    }
    return escaped;
}

QString unescapedTaskId(const QString& text)
{
    QString id;
    id.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QStringRef code = text.midRef(i, 3);
        if (code == QLatin1String("%25")) {
            id += QLatin1Char('%');
            i += 2;
        } else if (code.compare(QLatin1String("%2F"), Qt::CaseInsensitive) == 0) {
            id += QLatin1Char('/');
            i += 2;
        } else if (code.compare(QLatin1String("%5C"), Qt::CaseInsensitive) == 0) {
            id += QLatin1Char('\\');
            i += 2;
        } else {
            id += text.at(i);
        }
    }
    return id;
}

QString reminderKey(const QString& prefix, const QString& taskId)
{
    return prefix + QLatin1Char('_') + escapedTaskId(taskId);
}

} // namespace

struct RepeatedTaskHelper::Private
{
    // One active repeated task as read from the store, with what the passes
    // over the tasks need from it worked out once.
    struct Entry
    {
        DOTask record;
        Rule rule;
        QDateTime start;
        QDateTime due;
        QDate dueDate;
        // Set once the entry was checked for a missing due date and for
        // dates to align, so that a write that failed is not retried on
        // every day of a calendar.
        bool checked = false;
        // Its rule was dropped for want of a due date.
        bool dropped = false;
        // What the entry listed for the day last asked about (empty when
        // nothing): the daily plan asks for the same day again and again.
        QDate listedDay;
        QDate listedToday;
        DOTask listedCopy;
    };

    // One pass over repeated tasks: today, the default start time read at
    // most once, and the savepoint around the writes it makes.
    class Pass
    {
    public:
        explicit Pass(Private* owner)
            : m_owner(owner)
            , m_today(owner->today())
        {
        }
        ~Pass() { finish(); }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;

        QDate today() const { return m_today; }

        QTime defaultStartTime()
        {
            if (!m_startTime.isValid())
                m_startTime = m_owner->readDefaultStartTime();
            return m_startTime;
        }

        bool write(const DOTask& task)
        {
            if (!m_owner->writer)
                return false;
            if (!m_savepointOpen && m_owner->store)
                m_savepointOpen = m_owner->store->execute(BeginAlignmentSql);
            return m_owner->writer(task);
        }

    private:
        void finish()
        {
            if (!m_savepointOpen)
                return;
            m_savepointOpen = false;
            if (!m_owner->store || m_owner->store->execute(EndAlignmentSql))
                return;
            // A savepoint that could not be released would hold the
            // transaction open; the aligned dates are written again next time.
            QLOG_WARN()
                << "Unable to save the aligned dates of repeated tasks; they are written again later.";
            m_owner->store->execute(UndoAlignmentSql);
            m_owner->store->execute(EndAlignmentSql);
        }

        Private* m_owner;
        QDate m_today;
        QTime m_startTime;
        bool m_savepointOpen = false;
    };

    QPointer<DatabaseHandler> store;
    TaskWriter writer;
    QDate fixedToday;

    QVector<Entry> entries;
    bool cacheValid = false;
    qint64 cachedChanges = -1;
    qint64 cachedDataVersion = -1;
    int storeReads = 0;
    int passesRunning = 0;

    QString reminderPath;
    std::unique_ptr<QSettings> reminders;
    // When a damaged reminder file could not be kept aside, it is not
    // written either: nothing of it may be lost.
    bool reminderWritesRefused = false;

    // Problems are logged once per rule or value text and run, not on every
    // day of every calendar page.
    QSet<QString> reportedRules;
    QSet<QString> reportedReminderValues;
    bool reportedStartTime = false;

    QDate today() const { return fixedToday.isValid() ? fixedToday : QDate::currentDate(); }

    QTime readDefaultStartTime()
    {
        // A file holding values that cannot be read safely (and that could
        // not be repaired) is not opened: the default time is used.
        if (!SettingsFileCheck::isSafeToRead(AppPaths::settingsFile()))
            return QTime(8, 0);
        const QSettings settings(AppPaths::settingsFile(), QSettings::IniFormat);
        const QVariant value = settings.value(DefaultStartTimeKey, DefaultStartTimeText);
        const QString text = value.type() == QVariant::StringList
            ? value.toStringList().join(QLatin1Char(','))
            : value.toString();
        const QTime time = parseStartTime(text);
        if (time.isValid())
            return time;
        if (!reportedStartTime) {
            reportedStartTime = true;
            QLOG_WARN() << "The setting default_start_time holds \"" << text
                        << "\", which is not a time of day; 8:00 is used.";
        }
        return QTime(8, 0);
    }

    void reportRule(const DOTask& task, const Rule& rule)
    {
        const QString period = task.value(PeriodKey).toString();
        if (rule.problem.isEmpty() || reportedRules.contains(period))
            return;
        reportedRules.insert(period);
        QLOG_WARN() << "The repetition rule \"" << period << "\" of task " << task.value(IdKey).toString()
                    << " cannot be used (" << rule.problem << "); the task repeats on no day.";
    }

    static Entry entryFor(const DOTask& task, QHash<QString, Rule>* rules = nullptr)
    {
        Entry entry;
        entry.record = task;
        const QString period = task.value(PeriodKey).toString();
        if (!rules) {
            entry.rule = parseRule(period);
        } else {
            // Most tasks share a handful of rules.
            auto rule = rules->constFind(period);
            if (rule == rules->cend())
                rule = rules->insert(period, parseRule(period));
            entry.rule = rule.value();
        }
        entry.start = wallClockOf(task.value(StartKey));
        entry.due = wallClockOf(task.value(DueKey));
        entry.dueDate = entry.due.date();
        return entry;
    }

    // The repeated tasks as the store holds them now, read again only when
    // something was written since the last read.
    bool refresh()
    {
        // A write made by a pass may call back into the helper; the entries
        // being walked must not be replaced under it.
        if (passesRunning > 0)
            return true;
        if (!store || !store->isConnected()) {
            cacheValid = false;
            entries.clear();
            return false;
        }
        const DataObject version = store->single(StoreVersionSql);
        if (version.isEmpty()) {
            cacheValid = false;
            entries.clear();
            return false;
        }
        const qint64 changes = version.value(QStringLiteral("CHANGES")).toLongLong();
        const qint64 dataVersion = version.value(QStringLiteral("VERSION")).toLongLong();
        // A rollback takes changes back without lowering the count, so rows
        // read inside an open transaction serve the call that read them only.
        const bool inTransaction = store->isInTransaction();
        if (cacheValid && !inTransaction && changes == cachedChanges && dataVersion == cachedDataVersion)
            return true;

        const QList<DataObject> tasks = store->list(ActiveRepeatedTasksSql);
        ++storeReads;
        entries.clear();
        entries.reserve(tasks.size());
        QHash<QString, Rule> rules;
        for (const DataObject& task : tasks)
            entries.append(entryFor(task, &rules));
        cachedChanges = changes;
        cachedDataVersion = dataVersion;
        cacheValid = !inTransaction;
        return true;
    }

    static DOTask aligned(const Entry& entry, Pass& pass)
    {
        QDateTime due;
        QDateTime start;
        if (!alignedDates(entry, pass, &due, &start))
            return entry.record;
        DOTask result = entry.record;
        result.insert(DueKey, due);
        result.insert(StartKey, start);
        return result;
    }

    // The aligned due and start; false when the rule does not align them.
    static bool alignedDates(const Entry& entry, Pass& pass, QDateTime* alignedDue, QDateTime* alignedStart)
    {
        if (!entry.rule.isAligned() || !entry.due.isValid())
            return false;

        QDateTime due = entry.due;
        if (entry.rule.kind == Rule::WeeklyOnDays && !entry.rule.hasWeekday(entry.dueDate.dayOfWeek()))
            due = movedByDays(due, daysToNextListedWeekday(entry.rule, entry.dueDate.dayOfWeek()));

        const QDateTime& start = entry.start;
        if (start.isValid() && start.date() == due.date()) {
            *alignedStart = start;
        } else if (start.isValid() && due.time() >= start.time()) {
            *alignedStart = WallClock::fromDateAndTime(due.date(), start.time());
        } else {
            // No start, or one later in the day than the due time: the start
            // must not come after the due, so it is the start of the day when
            // the due time is earlier than the usual start time.
            const QTime defaultStart = pass.defaultStartTime();
            *alignedStart = WallClock::fromDateAndTime(
                due.date(), due.time() < defaultStart ? QTime(0, 0) : defaultStart);
        }
        *alignedDue = due;
        return true;
    }

    // The writes a projection may owe its task: dropping a rule that has no
    // due date, and storing aligned dates. Done once per entry and read.
    void check(Entry& entry, Pass& pass)
    {
        if (entry.checked)
            return;
        entry.checked = true;

        const QString id = entry.record.value(IdKey).toString();
        if (!entry.due.isValid()) {
            QLOG_WARN() << "The repeated task " << id
                        << " has no due date, so it stops repeating (its rule was \""
                        << entry.record.value(PeriodKey).toString() << "\").";
            DOTask task = entry.record;
            task.insert(PeriodKey, QString());
            pass.write(task);
            entry.dropped = true;
            return;
        }
        reportRule(entry.record, entry.rule);

        QDateTime due;
        QDateTime start;
        if (alignedDates(entry, pass, &due, &start) && (due != entry.due || start != entry.start)) {
            QLOG_DEBUG() << "Aligning the dates of the repeated task " << id << ".";
            DOTask task = entry.record;
            task.insert(DueKey, due);
            task.insert(StartKey, start);
            pass.write(task);
        }
    }

    DOTask project(Entry& entry, const QDate& day, Pass& pass)
    {
        if (entry.rule.partCount < 2) {
            reportRule(entry.record, entry.rule);
            return DOTask();
        }
        check(entry, pass);
        if (entry.dropped || !reaches(entry.rule, entry.dueDate, day))
            return DOTask();
        return copyFor(entry.record, day, pass.today());
    }

    static DOTask copyFor(const DOTask& task, const QDate& day, const QDate& today)
    {
        if (task.value(PeriodKey).toString().isEmpty())
            return task;

        DOTask copy = task;
        copy.insert(RepeatedKey, true);
        const QDateTime due = wallClockOf(task.value(DueKey));
        const QDateTime start = wallClockOf(task.value(StartKey));
        if (!due.isValid() || !day.isValid())
            return copy;

        // The copy keeps the task's distance from start to due.
        const qint64 lead = start.isValid() ? start.date().daysTo(due.date()) : 0;
        const QDateTime copyDue = WallClock::fromDateAndTime(day, due.time());
        const QDateTime copyStart
            = start.isValid() ? WallClock::fromDateAndTime(day.addDays(-lead), start.time()) : QDateTime();
        // On today and before, the copy stands for the pending occurrence:
        // it keeps the stored dates (completing it advances from them) and
        // shows the day's dates beside them.
        if (day <= today) {
            copy.insert(FakeDueKey, copyDue);
            if (start.isValid())
                copy.insert(FakeStartKey, copyStart);
        } else {
            copy.insert(DueKey, copyDue);
            if (start.isValid())
                copy.insert(StartKey, copyStart);
        }
        return copy;
    }

    // The repeated tasks listed on a day, stopping after limit of them when
    // limit is above 0.
    QList<DOTask> dayTasks(const QDate& day, int limit)
    {
        QList<DOTask> listed;
        if (!day.isValid() || !refresh())
            return listed;

        Pass pass(this);
        ++passesRunning;
        for (Entry& entry : entries) {
            if (entry.listedDay != day || entry.listedToday != pass.today()) {
                entry.listedCopy = listedOn(entry, day, pass);
                entry.listedDay = day;
                entry.listedToday = pass.today();
            }
            if (entry.listedCopy.isEmpty())
                continue;
            listed.append(entry.listedCopy);
            if (limit > 0 && listed.size() >= limit)
                break;
        }
        --passesRunning;
        return listed;
    }

    DOTask listedOn(Entry& entry, const QDate& day, Pass& pass)
    {
        DOTask copy = project(entry, day, pass);
        if (copy.isEmpty() && day == pass.today() && !entry.dropped && entry.dueDate.isValid()
            && entry.dueDate < pass.today()) {
            // An overdue repeated task shows on today as itself, since the
            // day query leaves out overdue tasks that repeat.
            copy = copyFor(entry.record, entry.dueDate, pass.today());
        }
        if (copy.isEmpty() && entry.record.value(FakeTaskKey).toBool() && entry.dueDate == day)
            copy = entry.record;
        return copy;
    }

    // --- The reminder file ---

    void openReminders()
    {
        bool copied = false;
        reminders = SettingsFileCheck::open(reminderPath, &copied);
        if (copied) {
            // The copy is read as it is; the file is not written this run.
            reminderWritesRefused = true;
            return;
        }
        switch (reminders->status()) {
        case QSettings::NoError:
            break;
        case QSettings::AccessError:
            QLOG_ERROR() << "Unable to read the repeated task reminders from " << reminderPath;
            break;
        case QSettings::FormatError:
            keepDamagedReminderFile();
            break;
        }
    }

    // QSettings would write its next change over a file it could not fully
    // read, dropping the lines it skipped. The file is kept aside first, then
    // started again with the entries that could be read.
    void keepDamagedReminderFile()
    {
        const QString keptPath = DamagedSettingsFile::keepAside(reminderPath);
        if (keptPath.isEmpty()) {
            QLOG_ERROR() << "The repeated task reminders file " << reminderPath
                         << " is damaged and could not be copied aside; it is left as it is and reminder "
                            "changes are not saved.";
            reminderWritesRefused = true;
            return;
        }

        const QVariantMap readable = DamagedSettingsFile::readableEntries(*reminders);
        reminders.reset();
        reminders = DamagedSettingsFile::rewrite(reminderPath, readable);
        QLOG_ERROR() << "The repeated task reminders file " << reminderPath << " is damaged; it is kept as "
                     << keptPath << " and its " << readable.size() << " readable entries are used.";
    }

    // Asked before every change: another program may have written the file
    // since it was read, and the handle reads it again as it saves.
    bool canWriteReminders() const
    {
        if (reminderWritesRefused) {
            QLOG_WARN() << "A repeated task reminder is not saved: the damaged file " << reminderPath
                        << " is left untouched.";
            return false;
        }
        if (SettingsFileCheck::screen(reminderPath) == SettingsFileCheck::Outcome::Unrepaired) {
            QLOG_WARN() << "A repeated task reminder is not saved: " << reminderPath
                        << " holds values that cannot be read safely.";
            return false;
        }
        return true;
    }

    bool syncReminders()
    {
        reminders->sync();
        const QSettings::Status status = reminders->status();
        if (status == QSettings::NoError)
            return true;
        QLOG_ERROR() << "Unable to save the repeated task reminders to " << reminderPath << " ("
                     << DamagedSettingsFile::statusText(status) << ").";
        // The status of a QSettings never clears; starting again from the
        // file also drops the change that did not reach it.
        openReminders();
        return false;
    }

    // The entries under key as texts. A value written without quotes reads
    // back as a list; both forms hold the same thing.
    QStringList storedEntries(const QString& key) const
    {
        const QVariant value = reminders->value(key);
        QStringList entries;
        if (value.type() == QVariant::StringList)
            entries = value.toStringList();
        else if (!value.toString().isEmpty())
            entries = value.toString().split(QLatin1Char(','));
        QStringList result;
        for (const QString& entry : qAsConst(entries)) {
            const QString trimmed = entry.trimmed();
            if (!trimmed.isEmpty())
                result.append(trimmed);
        }
        return result;
    }

    // The reminder types under key; entries that are not a type are
    // reported and skipped, and stay in the file.
    QList<int> storedTypes(const QString& key)
    {
        QList<int> types;
        for (const QString& entry : storedEntries(key)) {
            bool isNumber = false;
            const int type = entry.toInt(&isNumber);
            if (!isNumber || type < FirstReminderType || type > LastReminderType) {
                const QString report = key + QLatin1Char('=') + entry;
                if (!reportedReminderValues.contains(report)) {
                    reportedReminderValues.insert(report);
                    QLOG_WARN() << "Ignoring \"" << entry << "\" under " << key << " in " << reminderPath
                                << ": it is not a reminder type.";
                }
                continue;
            }
            if (!types.contains(type))
                types.append(type);
        }
        return types;
    }

    void addReminder(const QString& prefix, const QString& taskId, int type)
    {
        if (taskId.isEmpty())
            return;
        if (type < FirstReminderType || type > LastReminderType) {
            QLOG_WARN() << "Not saving the reminder type " << type << " for repeated task " << taskId
                        << ": it is not a reminder type.";
            return;
        }
        const QString key = reminderKey(prefix, taskId);
        QStringList entries = storedEntries(key);
        const QString text = QString::number(type);
        if (entries.contains(text) || !canWriteReminders())
            return;
        entries.append(text);
        reminders->setValue(key, entries.join(QLatin1Char(',')));
        syncReminders();
    }

    bool hasReminder(const QString& prefix, const QString& taskId, int type) const
    {
        if (taskId.isEmpty())
            return false;
        return storedEntries(reminderKey(prefix, taskId)).contains(QString::number(type));
    }

    void removeReminder(const QString& prefix, const QString& taskId, int type)
    {
        if (taskId.isEmpty())
            return;
        const QString key = reminderKey(prefix, taskId);
        if (!reminders->contains(key) || !canWriteReminders())
            return;
        QStringList entries = storedEntries(key);
        entries.removeAll(QString::number(type));
        if (entries.isEmpty())
            reminders->remove(key);
        else
            reminders->setValue(key, entries.join(QLatin1Char(',')));
        syncReminders();
    }

    QVariantList reminderTypes(const QString& prefix, const QString& taskId)
    {
        QVariantList types;
        if (taskId.isEmpty())
            return types;
        for (const int type : storedTypes(reminderKey(prefix, taskId)))
            types.append(type);
        return types;
    }
};

RepeatedTaskHelper* RepeatedTaskHelper::instance()
{
    // Never deleted, like the store it works on; it saves every change to
    // the reminder file at once, so nothing waits for a destructor.
    static RepeatedTaskHelper* const helper = new RepeatedTaskHelper(
        DatabaseHandler::instance(), AppPaths::appDataFile(QStringLiteral("repeated_tasks_reminders.dat")));
    return helper;
}

RepeatedTaskHelper::RepeatedTaskHelper(
    DatabaseHandler* store, const QString& reminderFilePath, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    DataObjectTypes::registerMetaTypes();
    RepeatedReminder::registerMetaTypes();

    d->store = store;
    d->reminderPath = reminderFilePath;
    d->openReminders();

    if (store) {
        d->writer = [store = QPointer<DatabaseHandler>(store)](const DOTask& task) {
            if (!store)
                return false;
            // With an output record the update joins whatever transaction is
            // open instead of beginning one that nobody would commit.
            DOTask written;
            return store->updateTaskLocally(task, &written);
        };
        // A new connection starts its change count again, so a count seen
        // before could come back with other tasks behind it.
        connect(store, &DatabaseHandler::connectedChanged, this, [this] { invalidateCache(); });
    }
}

RepeatedTaskHelper::~RepeatedTaskHelper()
{
    if (d->reminders)
        d->reminders->sync();
}

bool RepeatedTaskHelper::hasRepeatedTasks(const QDate& date)
{
    return !d->dayTasks(date, 1).isEmpty();
}

void RepeatedTaskHelper::setStartDateReminder(const QString& taskId, int type)
{
    d->addReminder(StartReminderPrefix, taskId, type);
}

bool RepeatedTaskHelper::hasStartDateReminder(const QString& taskId, int type)
{
    return d->hasReminder(StartReminderPrefix, taskId, type);
}

void RepeatedTaskHelper::removeStartDateReminder(const QString& taskId, int type)
{
    d->removeReminder(StartReminderPrefix, taskId, type);
}

QVariantList RepeatedTaskHelper::getStartDateReminders(const QString& taskId)
{
    return d->reminderTypes(StartReminderPrefix, taskId);
}

void RepeatedTaskHelper::setDueDateReminder(const QString& taskId, int type)
{
    d->addReminder(DueReminderPrefix, taskId, type);
}

bool RepeatedTaskHelper::hasDueDateReminder(const QString& taskId, int type)
{
    return d->hasReminder(DueReminderPrefix, taskId, type);
}

void RepeatedTaskHelper::removeDueDateReminder(const QString& taskId, int type)
{
    d->removeReminder(DueReminderPrefix, taskId, type);
}

QVariantList RepeatedTaskHelper::getDueDateReminders(const QString& taskId)
{
    return d->reminderTypes(DueReminderPrefix, taskId);
}

bool RepeatedTaskHelper::removeAllReminders(const QString& taskId)
{
    if (taskId.isEmpty() || !d->canWriteReminders())
        return false;
    d->reminders->remove(reminderKey(StartReminderPrefix, taskId));
    d->reminders->remove(reminderKey(DueReminderPrefix, taskId));
    return d->syncReminders();
}

QList<RepeatedReminder> RepeatedTaskHelper::getAllReminders()
{
    QList<RepeatedReminder> all;
    for (const QString& key : d->reminders->allKeys()) {
        const int separator = key.indexOf(QLatin1Char('_'));
        const QString prefix = key.left(separator);
        const QString taskId = separator > 0 ? unescapedTaskId(key.mid(separator + 1)) : QString();
        if (taskId.isEmpty() || (prefix != StartReminderPrefix && prefix != DueReminderPrefix)) {
            if (!d->reportedReminderValues.contains(key)) {
                d->reportedReminderValues.insert(key);
                QLOG_WARN() << "Ignoring the entry " << key << " of " << d->reminderPath
                            << ": it is not a task's reminder list.";
            }
            continue;
        }
        for (const int type : d->storedTypes(key))
            all.append(RepeatedReminder { taskId, prefix == DueReminderPrefix, type });
    }
    return all;
}

void RepeatedTaskHelper::clearReminders()
{
    if (!d->canWriteReminders())
        return;
    d->reminders->clear();
    d->syncReminders();
}

QList<DOTask> RepeatedTaskHelper::getRepeatedDayTasks(const QDate& date)
{
    return d->dayTasks(date, 0);
}

int RepeatedTaskHelper::getRepeatedDayTaskCount(const QDate& date)
{
    return d->dayTasks(date, 0).size();
}

DOTask RepeatedTaskHelper::projectRepeatedTask(const DOTask& task, const QDate& date) const
{
    Private::Entry entry = Private::entryFor(task);
    Private::Pass pass(d.get());
    return d->project(entry, date, pass);
}

DOTask RepeatedTaskHelper::createRepeatedDayTask(const DOTask& task, const QDate& date) const
{
    return Private::copyFor(task, date, d->today());
}

DOTask RepeatedTaskHelper::adjustRepeatedTaskDates(const DOTask& task) const
{
    const Private::Entry entry = Private::entryFor(task);
    Private::Pass pass(d.get());
    return Private::aligned(entry, pass);
}

DOTask RepeatedTaskHelper::setNextRepetitionDates(const DOTask& task) const
{
    const Rule rule = parseRule(task.value(PeriodKey).toString());
    if (rule.partCount < 2)
        return task;
    const QString id = task.value(IdKey).toString();
    if (!rule.repeats()) {
        QLOG_WARN() << "The repetition rule \"" << task.value(PeriodKey).toString() << "\" of task " << id
                    << " cannot be used (" << rule.problem << "); its dates stay as they are.";
        return task;
    }

    QDateTime start = wallClockOf(task.value(StartKey));
    QDateTime due = wallClockOf(task.value(DueKey));
    switch (rule.kind) {
    case Rule::Monthly:
        start = movedByMonths(start, rule.interval);
        due = movedByMonths(due, rule.interval);
        break;
    case Rule::Daily:
        start = movedByDays(start, rule.interval);
        due = movedByDays(due, rule.interval);
        break;
    case Rule::Weekly:
        start = movedByDays(start, 7LL * rule.interval);
        due = movedByDays(due, 7LL * rule.interval);
        break;
    case Rule::WeeklyOnDays: {
        const int weekday = due.isValid() ? due.date().dayOfWeek() : 0;
        if (weekday == 0)
            return task;
        const int position = rule.weekdays.indexOf(weekday);
        int shift = 0;
        if (position < 0) {
            // The due drifted off the rule's weekdays (an edit elsewhere):
            // the series goes on from the next chosen weekday.
            QLOG_INFO() << "The due date of the repeated task " << id << " is not on a weekday of its rule \""
                        << task.value(PeriodKey).toString() << "\"; it moves to the next weekday of the rule.";
            shift = daysToNextListedWeekday(rule, weekday);
        } else {
            shift = position + 1 < rule.weekdays.size() ? rule.weekdays.at(position + 1) - weekday
                                                        : rule.weekdays.first() + 7 * rule.interval - weekday;
        }
        start = movedByDays(start, shift);
        due = movedByDays(due, shift);
        break;
    }
    case Rule::None:
        return task;
    }

    // A key the record did not carry stays absent: a missing key leaves
    // the stored value alone, an empty one would clear it.
    DOTask next = task;
    if (task.contains(StartKey))
        next.insert(StartKey, start);
    if (task.contains(DueKey))
        next.insert(DueKey, due);
    QLOG_DEBUG() << QStringLiteral("Task dates updated. { id: %1, start: %2, due: %3} \n ")
                        .arg(id, start.toString(), due.toString());
    return next;
}

QDate RepeatedTaskHelper::today() const
{
    return d->today();
}

void RepeatedTaskHelper::setToday(const QDate& date)
{
    d->fixedToday = date;
}

void RepeatedTaskHelper::setTaskWriter(const TaskWriter& writer)
{
    d->writer = writer;
}

void RepeatedTaskHelper::invalidateCache()
{
    // Only marks the cache: a pass may be walking the entries right now, for
    // instance when the store calls this from a write the pass made.
    d->cacheValid = false;
}

int RepeatedTaskHelper::storeReadCount() const
{
    return d->storeReads;
}
