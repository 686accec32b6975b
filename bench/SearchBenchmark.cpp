#include "bench/SearchBenchmark.h"

#include "bench/SyntheticDatabase.h"
#include "data/DataManager.h"
#include "models/ListModel.h"
#include "models/SearchHelper.h"
#include "models/SearchSortFilterModel.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <stdexcept>

namespace {
// As many rows as the results page shows at first.
const int ShownRows = 50;

// Processor time of this thread: on a machine that other work keeps busy it
// tells the cost of an operation apart from the time spent waiting for a core.
double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}
} // namespace

SearchBenchmark::SearchBenchmark(const QString &filePath, int taskCount, int runs)
    : m_filePath(filePath)
    , m_taskCount(taskCount)
    , m_runs(runs)
{
    std::fprintf(stderr, "Building a database of %d tasks...\n", taskCount);
    SyntheticDatabase::build(filePath, taskCount, QDate::currentDate());

    const QString folder = QFileInfo(filePath).absolutePath();
    DataManager::Options options;
    options.store.databasePath = filePath;
    options.store.connectionName = QStringLiteral("search_benchmark_%1").arg(taskCount);
    options.store.repeatedRemindersPath = folder + QStringLiteral("/search_bench_reminders.dat");
    options.store.sortingPath = folder + QStringLiteral("/search_bench_sorting.dat");
    options.store.notificationsPath = folder + QStringLiteral("/search_bench_ntf.dat");
    m_data = new DataManager(options);
    if (!m_data->isDataPrepared())
        throw std::runtime_error("the data manager could not open the synthetic database");
    m_helper = new SearchHelper(m_data);
}

SearchBenchmark::~SearchBenchmark()
{
    delete m_helper;
    m_data->stopWorker();
    delete m_data;
}

void SearchBenchmark::runAll()
{
    timeOpening();
    // One task by its number, a word of every task's memo, a word of every
    // task's name (the longest list there is), one letter, and nothing.
    for (const QString &query : { QStringLiteral("Task 4711"), QStringLiteral("notes for"),
             QStringLiteral("long list"), QStringLiteral("t"), QStringLiteral("no such thing") })
        timeSearch(query);
}

void SearchBenchmark::timeOpening()
{
    QList<double> reads;
    QList<double> openings;
    QList<double> openingCpu;
    int rows = 0;
    m_helper->setSearchString(QStringLiteral("Task 4711"));
    for (int run = 0; run < m_runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const int objects = m_data->getAllObjects().size();
        reads << timer.nsecsElapsed() / 1e6;
        Q_UNUSED(objects)

        timer.restart();
        const double cpuStart = threadCpuMs();
        SearchSortFilterModel *model = m_helper->searchModel();
        rows = model->rowCount();
        for (int row = 0; row < qMin(rows, ShownRows); ++row)
            model->index(row, 0).data(ListModel::ListItemRole);
        openings << timer.nsecsElapsed() / 1e6;
        openingCpu << threadCpuMs() - cpuStart;
        // The list the model let go of goes, as the event loop would see to.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    print(QStringLiteral("getAllObjects"), QString(), -1, median(reads), -1);
    print(QStringLiteral("open results"), m_helper->searchString(), rows, median(openings), median(openingCpu));
}

void SearchBenchmark::timeSearch(const QString &query)
{
    SearchSortFilterModel *model = m_helper->searchModel();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // Each timed run starts from another search string, as typing does.
    const QString other = QStringLiteral("Project 1");
    QList<double> times;
    QList<double> cpuTimes;
    int rows = 0;
    for (int run = 0; run < m_runs; ++run) {
        model->setSearchString(other);
        model->rowCount();

        QElapsedTimer timer;
        timer.start();
        const double cpuStart = threadCpuMs();
        model->setSearchString(query);
        rows = model->rowCount();
        for (int row = 0; row < qMin(rows, ShownRows); ++row)
            model->index(row, 0).data(ListModel::ListItemRole);
        times << timer.nsecsElapsed() / 1e6;
        cpuTimes << threadCpuMs() - cpuStart;
    }
    print(QStringLiteral("search"), query, rows, median(times), median(cpuTimes));
}

double SearchBenchmark::median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

void SearchBenchmark::print(const QString &name, const QString &query, int rows, double medianMs,
                            double medianCpuMs) const
{
    QJsonObject line;
    line.insert(QStringLiteral("op"), name);
    line.insert(QStringLiteral("n"), m_taskCount);
    if (!query.isNull())
        line.insert(QStringLiteral("query"), query);
    if (rows >= 0)
        line.insert(QStringLiteral("rows"), rows);
    line.insert(QStringLiteral("median_ms"), qRound(medianMs * 1000) / 1000.0);
    if (medianCpuMs >= 0)
        line.insert(QStringLiteral("median_cpu_ms"), qRound(medianCpuMs * 1000) / 1000.0);
    std::printf("%s\n", QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}
