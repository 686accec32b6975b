#include "bench/StoreBenchmark.h"

#include "bench/SqliteFloor.h"
#include "bench/SyntheticDatabase.h"
#include "data/DataManager.h"
#include "data/DatabaseHandler.h"
#include "data/TaskHandler.h"
#include "data/TreeHierarchy.h"
#include "time/RepeatedTaskHelper.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

StoreBenchmark::StoreBenchmark(const QString &filePath, int taskCount, int runs, SyntheticDatabase::Shape shape)
    : m_filePath(filePath)
    , m_shape(SyntheticDatabase::shapeName(shape))
    , m_taskCount(taskCount)
    , m_runs(runs)
    , m_today(QDate::currentDate())
{
    std::fprintf(stderr, "Building a %s database of %d tasks...\n", qPrintable(m_shape), taskCount);
    const SyntheticDatabase::Summary summary = SyntheticDatabase::build(filePath, taskCount, m_today, shape);
    std::fprintf(stderr, "  %d folders, %d projects, %d contexts, %d repeated tasks\n", summary.folders,
                 summary.projects, summary.contexts, summary.repeatedTasks);
    m_busiestProjectId = summary.busiestProjectId;
    m_repeatedTaskIds = summary.repeatedTaskIds;

    m_store = new DatabaseHandler(filePath, QStringLiteral("benchmark_%1_%2").arg(m_shape).arg(taskCount));
    if (!m_store->openAtStart())
        throw std::runtime_error("the store could not open the synthetic database");
    m_repetition = new RepeatedTaskHelper(
        m_store, QFileInfo(filePath).absolutePath() + QStringLiteral("/bench_reminders.dat"));
    m_store->setRepeatedTaskHelper(m_repetition);
    m_store->setStatementObserver([this](const QString &sql) { m_capturedStatements << sql; });
    m_floor = new SqliteFloor(filePath);
}

StoreBenchmark::~StoreBenchmark()
{
    delete m_floor;
    delete m_repetition;
    delete m_store;
}

void StoreBenchmark::runAll()
{
    const QDate past = m_today.addDays(-45);
    const QDate future = m_today.addDays(12);
    timeRead(QStringLiteral("getDayTasks(today)"), [this](int) { m_store->getDayTasks(m_today); });
    timeRead(QStringLiteral("getDayTasks(past)"), [this, past](int) { m_store->getDayTasks(past); });
    timeRead(QStringLiteral("getDayTasks(future)"), [this, future](int) { m_store->getDayTasks(future); });

    // The calendar shows six weeks starting on the Monday on or before the
    // first of the month.
    const QDate first(m_today.year(), m_today.month(), 1);
    const QDate gridStart = first.addDays(1 - first.dayOfWeek());
    timeRead(QStringLiteral("dayIndicators(42)"), [this, gridStart](int) { dayIndicators(gridStart); });

    timeRead(QStringLiteral("getProjectTree"), [this](int) { m_store->getProjectTree(); });
    timeRead(QStringLiteral("getContextTree"), [this](int) { m_store->getContextTree(); });
    timeRead(QStringLiteral("getAllObjects"), [this](int) { m_store->getAllObjects(); });
    timeRead(QStringLiteral("getProjectTasks"), [this](int) { m_store->getProjectTasks(m_busiestProjectId); });
    timeRead(QStringLiteral("getRepeatedDayTasks"), [this](int) { m_repetition->getRepeatedDayTasks(m_today); });
    timeRead(QStringLiteral("getTasksToUpdate"), [this](int) { m_store->getTasksToUpdate(); });

    timeHandlerPath();
    timeOpen();

    timeWrite(QStringLiteral("createTaskLocally+commit"), [this](int run) {
        DOTask task;
        task.insert(QStringLiteral("NAME"), QStringLiteral("Benchmark task %1").arg(run));
        task.insert(QStringLiteral("PARENT"), m_busiestProjectId);
        task.insert(QStringLiteral("DUE"), QDateTime(m_today, QTime(18, 0), Qt::UTC));
        m_store->createTaskLocally(task);
        m_store->commitChanges();
    });
    timeWrite(QStringLiteral("updateTaskLocally(repeated completed)+commit"), [this](int run) {
        DOTask task = m_store->getTaskById(m_repeatedTaskIds.value(run % m_repeatedTaskIds.size()));
        task.insert(QStringLiteral("STATE"), 2);
        m_store->updateTaskLocally(task);
        m_store->commitChanges();
    });
}

void StoreBenchmark::timeHandlerPath()
{
    // The interface's way to the same day plan: through the data manager's
    // worker thread and into a model. Its floor is the store call alone.
    DataManager::Options options;
    options.store.databasePath = m_filePath;
    options.store.connectionName = QStringLiteral("benchmark_worker_%1_%2").arg(m_shape).arg(m_taskCount);
    options.store.repeatedRemindersPath
        = QFileInfo(m_filePath).absolutePath() + QStringLiteral("/bench_worker_reminders.dat");
    DataManager manager(options);
    TaskHandler handler(&manager, nullptr);

    QList<double> times;
    QList<double> storeTimes;
    delete handler.getDayTasks(m_today); // warm up
    for (int run = 0; run < m_runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        QAbstractItemModel *model = handler.getDayTasks(m_today);
        // A view asks for the rows first; a proxy sorts when first asked.
        model->rowCount();
        times << timer.nsecsElapsed() / 1e6;
        delete model;
        timer.restart();
        m_store->getDayTasks(m_today);
        storeTimes << timer.nsecsElapsed() / 1e6;
    }
    manager.stopWorker();
    print(QStringLiteral("TaskHandler.getDayTasks(today)"), median(times), median(storeTimes));
}

void StoreBenchmark::timeOpen()
{
    // What the start of the program pays to open the store and bring its
    // schema up to date, on a second connection to the same file: after a
    // session that closed the database, and after one that did not (the
    // in-use marker is still there), which reads every page.
    const QString marker = DatabaseHandler::inUseMarkerPath(m_filePath);
    for (const bool unclean : { false, true }) {
        QList<double> times;
        for (int run = 0; run < m_runs; ++run) {
            QFile::remove(marker);
            if (unclean) {
                QFile file(marker);
                file.open(QIODevice::WriteOnly);
            }
            QElapsedTimer timer;
            timer.start();
            DatabaseHandler store(m_filePath, QStringLiteral("benchmark_open_%1_%2").arg(m_shape).arg(m_taskCount));
            if (!store.openAtStart())
                throw std::runtime_error("the store could not open the synthetic database again");
            times << timer.nsecsElapsed() / 1e6;
        }
        print(unclean ? QStringLiteral("openAtStart(after unclean end)") : QStringLiteral("openAtStart"), median(times),
              -1);
    }
}

void StoreBenchmark::dayIndicators(const QDate &firstDay)
{
    for (int day = 0; day < 42; ++day) {
        const QDate date = firstDay.addDays(day);
        const QDateTime moment(date, QTime(0, 0), Qt::UTC);
        m_store->hasActiveObjects(moment);
        if (date == m_today)
            m_store->hasOverdueTasks(moment);
        m_repetition->hasRepeatedTasks(date);
    }
}

void StoreBenchmark::timeRead(const QString &name, const Operation &operation)
{
    QList<double> times;
    QList<double> floors;
    operation(-1); // warm the page cache and any prepared state
    for (int run = 0; run < m_runs; ++run) {
        m_capturedStatements.clear();
        QElapsedTimer timer;
        timer.start();
        operation(run);
        times << timer.nsecsElapsed() / 1e6;
        floors << m_floor->run(m_capturedStatements);
    }
    print(name, median(times), median(floors));
}

void StoreBenchmark::timeWrite(const QString &name, const Operation &operation)
{
    QList<double> times;
    for (int run = 0; run < m_runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        operation(run);
        times << timer.nsecsElapsed() / 1e6;
    }
    print(name, median(times), -1);
}

double StoreBenchmark::median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

void StoreBenchmark::print(const QString &name, double medianMs, double floorMs) const
{
    QJsonObject line;
    line.insert(QStringLiteral("op"), name);
    line.insert(QStringLiteral("shape"), m_shape);
    line.insert(QStringLiteral("n"), m_taskCount);
    line.insert(QStringLiteral("median_ms"), qRound(medianMs * 1000) / 1000.0);
    if (floorMs >= 0) {
        line.insert(QStringLiteral("floor_ms"), qRound(floorMs * 1000) / 1000.0);
        line.insert(QStringLiteral("ratio"), floorMs > 0 ? qRound(medianMs / floorMs * 100) / 100.0 : 0.0);
    } else {
        line.insert(QStringLiteral("floor_ms"), QJsonValue());
        line.insert(QStringLiteral("ratio"), QJsonValue());
    }
    std::printf("%s\n", QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}
