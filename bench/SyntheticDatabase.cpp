#include "bench/SyntheticDatabase.h"

#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "data/WallClock.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QUuid>

#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace {

class Inserter
{
public:
    Inserter(sqlite3 *db, const char *sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
    }
    ~Inserter() { sqlite3_finalize(m_statement); }

    Inserter &text(int column, const QString &value)
    {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(m_statement, column, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
        return *this;
    }
    Inserter &integer(int column, qint64 value)
    {
        sqlite3_bind_int64(m_statement, column, value);
        return *this;
    }
    // '' for an unset date, as the program stores it.
    Inserter &date(int column, const QDateTime &value)
    {
        return value.isValid() ? integer(column, value.toSecsSinceEpoch()) : text(column, QString());
    }
    void run()
    {
        if (sqlite3_step(m_statement) != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(m_statement)));
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }

private:
    sqlite3_stmt *m_statement = nullptr;
};

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

struct Generator {
    QRandomGenerator random;
    QDate today;
    qint64 nowSeconds = QDateTime::currentSecsSinceEpoch();

    int below(int bound) { return int(random.bounded(bound)); }
    bool chance(int percent) { return below(100) < percent; }
    QDateTime wallClock(const QDate &date) { return WallClock::fromDateAndTime(date, QTime(8 + below(12), 15 * below(4))); }
};

// Nested containers: each new one goes under a random earlier one whose
// depth still allows a child, or to the root.
QStringList buildTree(Generator &gen, Inserter &insert, int count, int maxDepth, const QString &namePrefix,
                      const std::function<void(Inserter &, const QString &, const QString &, const QString &)> &bind)
{
    QStringList ids;
    QList<int> depths;
    for (int i = 0; i < count; ++i) {
        QString parent;
        int depth = 1;
        if (!ids.isEmpty() && gen.chance(60)) {
            const int candidate = gen.below(ids.size());
            if (depths.at(candidate) < maxDepth) {
                parent = ids.at(candidate);
                depth = depths.at(candidate) + 1;
            }
        }
        const QString id = newId();
        bind(insert, id, QStringLiteral("%1 %2").arg(namePrefix).arg(i + 1), parent);
        insert.run();
        ids << id;
        depths << depth;
    }
    return ids;
}

QString repetitionRule(Generator &gen, const QDate &due)
{
    switch (gen.below(4)) {
    case 0: return QStringLiteral("d;%1").arg(1 + gen.below(3));
    case 1: return QStringLiteral("w;%1").arg(1 + gen.below(2));
    case 2: {
        // The due weekday is always among the rule's days.
        QList<int> days { due.dayOfWeek() };
        const int other = 1 + gen.below(7);
        if (other != due.dayOfWeek())
            days << other;
        std::sort(days.begin(), days.end());
        QStringList text;
        for (int day : days)
            text << QString::number(day);
        return QStringLiteral("w;1;") + text.join(QLatin1Char(','));
    }
    default: return QStringLiteral("m;1");
    }
}

} // namespace

QString SyntheticDatabase::shapeName(Shape shape)
{
    return shape == Shape::Typical ? QStringLiteral("typical") : QStringLiteral("stress");
}

namespace {

struct TaskDates {
    QDateTime start;
    QDateTime due;
    bool mayRepeat = false;
};

// An active task of the stress shape: due within a month either side of today.
TaskDates stressDates(Generator &gen, const QDate &today)
{
    TaskDates dates;
    if (gen.chance(20))
        return dates;
    dates.due = gen.wallClock(today.addDays(gen.below(61) - 30));
    if (gen.chance(25))
        dates.start = dates.due.addDays(-gen.below(5)).addSecs(-3600);
    dates.mayRepeat = true;
    return dates;
}

// An active task of the typical shape: a few overdue, most due in the
// coming months, some without a date.
TaskDates typicalDates(Generator &gen, const QDate &today)
{
    TaskDates dates;
    const int kind = gen.below(100);
    if (kind < 10)
        return dates;
    if (kind < 20) {
        dates.due = gen.wallClock(today.addDays(-1 - gen.below(60)));
    } else {
        dates.due = gen.wallClock(today.addDays(gen.below(180)));
        if (gen.chance(16))
            dates.start = dates.due.addDays(-1 - gen.below(14));
    }
    dates.mayRepeat = kind >= 20;
    return dates;
}

} // namespace

SyntheticDatabase::Summary SyntheticDatabase::build(const QString &filePath, int taskCount, const QDate &today,
                                                    Shape shape, quint32 seed)
{
    QFile::remove(filePath);
    if (!DatabaseTemplate::unpackTo(filePath))
        throw std::runtime_error("unable to copy the template database");

    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(filePath).constData(), &db) != SQLITE_OK)
        throw std::runtime_error("unable to open the new database");
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);

    Generator gen { QRandomGenerator(seed), today };
    Summary summary;

    Inserter projectInsert(db,
        "INSERT INTO project (id, name, parent, memo, start, due, context, folder, state, timestamp, synced, local) "
        "VALUES (?1, ?2, ?3, '', '', '', ?4, ?5, ?6, ?7, 1, 0)");
    const QStringList folders = buildTree(gen, projectInsert, 150, 4, QStringLiteral("Folder"),
        [&gen](Inserter &insert, const QString &id, const QString &name, const QString &parent) {
            insert.text(1, id).text(2, name).text(3, parent).text(4, QString()).integer(5, 1).integer(6, 0)
                .integer(7, gen.nowSeconds - gen.below(700) * 86400);
        });

    Inserter contextInsert(db,
        "INSERT INTO context (id, name, parent, memo, state, timestamp, synced, local) "
        "VALUES (?1, ?2, ?3, '', 0, ?4, 1, 0)");
    const QStringList contexts = buildTree(gen, contextInsert, 200, 3, QStringLiteral("@Context"),
        [&gen](Inserter &insert, const QString &id, const QString &name, const QString &parent) {
            insert.text(1, id).text(2, name).text(3, parent).integer(4, gen.nowSeconds - gen.below(700) * 86400);
        });

    QStringList projects;
    for (int i = 0; i < 1000; ++i) {
        const QString id = newId();
        const QString folder = gen.chance(85) ? folders.at(gen.below(folders.size())) : QString();
        const QString context = gen.chance(20) ? contexts.at(gen.below(contexts.size())) : QString();
        const int state = gen.chance(70) ? 2 : (gen.chance(95) ? 0 : 1);
        projectInsert.text(1, id).text(2, QStringLiteral("Project %1").arg(i + 1)).text(3, folder)
            .text(4, context).integer(5, 0).integer(6, state).integer(7, gen.nowSeconds - gen.below(700) * 86400);
        projectInsert.run();
        projects << id;
    }

    Inserter taskInsert(db,
        "INSERT INTO task (id, name, parent, memo, start, due, context, period, state, timestamp, synced, local) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)");
    QHash<QString, int> tasksPerProject;
    const QString inbox = PredefinedDataHelper::initialQuorvelBoxId();
    // Stress: 0..84 completed, 85..96 active, 97..99 trash; typical: 0..93
    // completed, 94..96 active, 97..99 trash.
    const int firstActive = shape == Shape::Typical ? 94 : 85;
    for (int i = 0; i < taskCount; ++i) {
        const int kind = gen.below(100);
        QDateTime start;
        QDateTime due;
        QString period;
        int state = 2;
        qint64 timestamp = 0;
        if (kind < firstActive) {
            due = gen.wallClock(today.addDays(-gen.below(730)));
            timestamp = due.toSecsSinceEpoch() + gen.below(86400);
        } else if (kind < 97) {
            state = 0;
            const TaskDates dates = shape == Shape::Typical ? typicalDates(gen, today) : stressDates(gen, today);
            start = dates.start;
            due = dates.due;
            if (dates.mayRepeat) {
                // 5% of all active tasks repeat; only those with a due date
                // can, hence one in sixteen of those. At least one repeated
                // task even in a tiny database, so that every operation has
                // something to work on.
                const bool lastChance = summary.repeatedTaskIds.isEmpty() && i >= taskCount / 2;
                if (gen.below(16) == 0 || lastChance) {
                    period = repetitionRule(gen, due.date());
                    if (period.startsWith(QLatin1Char('m')) && due.date().day() > 28)
                        due = due.addDays(-3);
                }
            }
            timestamp = gen.nowSeconds - gen.below(30) * 86400;
        } else {
            state = gen.chance(50) ? 1 : 3;
            due = gen.wallClock(today.addDays(-gen.below(60)));
            timestamp = gen.nowSeconds - gen.below(20) * 86400;
        }
        const QString parent = gen.chance(5) ? inbox : projects.at(gen.below(projects.size()));
        const QString context = gen.chance(40) ? contexts.at(gen.below(contexts.size())) : QString();
        const QString id = newId();
        const bool synced = gen.chance(95);
        taskInsert.text(1, id).text(2, QStringLiteral("Task %1 of a long list").arg(i + 1)).text(3, parent)
            .text(4, gen.chance(30) ? QStringLiteral("Notes for task %1").arg(i + 1) : QString())
            .date(5, start).date(6, due).text(7, context).text(8, period).integer(9, state)
            .text(10, QString::number(timestamp)).integer(11, synced ? 1 : 0).integer(12, 0);
        taskInsert.run();
        ++tasksPerProject[parent];
        if (!period.isEmpty())
            summary.repeatedTaskIds << id;
    }

    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    sqlite3_close(db);

    summary.folders = folders.size();
    summary.projects = projects.size();
    summary.contexts = contexts.size();
    summary.tasks = taskCount;
    summary.repeatedTasks = summary.repeatedTaskIds.size();
    int most = -1;
    for (auto it = tasksPerProject.cbegin(); it != tasksPerProject.cend(); ++it) {
        if (it.key() != inbox && it.value() > most) {
            most = it.value();
            summary.busiestProjectId = it.key();
        }
    }
    return summary;
}
