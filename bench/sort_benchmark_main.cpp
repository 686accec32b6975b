// Times the sort proxy on a long project list: every sorting type, through
// the real proxy over the real list model, with the choice read from a real
// sorting manager on the data worker. Prints one JSON line per sorting type:
//   {"op":"sortProjectList","sorting_type":...,"group_by_date":...,"n":...,"median_ms":...,"max_ms":...}
// Usage: quorvel-sort-bench [--rows 10000] [--runs 15]

#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "models/ListModel.h"
#include "models/SortModel.h"
#include "shell/AppInfo.h"
#include "shell/AppResources.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace SortingNamespace;

namespace {
const QStringList Words { "Call", "Write", "Review", "Plan", "Buy", "Fix", "Send", "Read", "Book", "Clean",
    "report", "invoice", "garden", "car", "flight", "notes", "budget", "slides", "tickets", "kitchen" };

// A project's tasks as a long-time user has them: mostly active, a tenth
// completed, names with numbers in them, a quarter with a start, most with a
// due date, change times spread over two years.
QList<DataObject> projectTasks(int count)
{
    QRandomGenerator random(20261208);
    const QDateTime today(QDate(2026, 12, 8), QTime(0, 0), Qt::UTC);
    QList<DataObject> tasks;
    tasks.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("%1 %2 %3")
                                 .arg(Words.at(random.bounded(10)), Words.at(10 + random.bounded(10)))
                                 .arg(random.bounded(200));
        const QDateTime due = random.bounded(100) < 70 ? today.addSecs(random.bounded(-30 * 86400, 30 * 86400))
                                                       : QDateTime();
        const QDateTime start = random.bounded(100) < 25 ? today.addSecs(random.bounded(-40 * 86400, 10 * 86400))
                                                         : QDateTime();
        tasks << DataObject { { "ID", QUuid::createUuid().toString(QUuid::WithoutBraces) }, { "NAME", name },
            { "PARENT", "bench_project" }, { "STATE", random.bounded(100) < 10 ? 2 : 0 },
            { "TIMESTAMP", qulonglong(1700000000 + random.bounded(2 * 365 * 86400)) }, { "START", start },
            { "DUE", due }, { "PERIOD", QString() }, { "MEMO", QString() }, { "CONTEXT", QString() } };
    }
    return tasks;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // Settings and the sorting file go to Qt's test folders, never to the
    // user's own data.
    QStandardPaths::setTestModeEnabled(true);
    AppInfo::applyToApplication();
    AppResources::initialize();

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption rowsOption(
        QStringLiteral("rows"), QStringLiteral("Tasks in the list."), QStringLiteral("count"), QStringLiteral("10000"));
    const QCommandLineOption runsOption(
        QStringLiteral("runs"), QStringLiteral("Timed sorts per type."), QStringLiteral("count"), QStringLiteral("15"));
    parser.addOptions({ rowsOption, runsOption });
    parser.process(app);
    const int rows = qMax(1, parser.value(rowsOption).toInt());
    const int runs = qMax(1, parser.value(runsOption).toInt());

    QDir().mkpath(QDir::tempPath());
    QTemporaryDir dir;
    DataManager::Options options;
    options.store.databasePath = dir.filePath(QStringLiteral("bench.db"));
    options.store.connectionName = QStringLiteral("sort_bench");
    options.store.repeatedRemindersPath = dir.filePath(QStringLiteral("reminders.dat"));
    options.store.sortingPath = dir.filePath(QStringLiteral("sorting.dat"));
    if (!DatabaseTemplate::unpackTo(options.store.databasePath)) {
        std::fprintf(stderr, "Unable to create the benchmark database.\n");
        return 1;
    }
    DataManager data(options);

    const QList<DataObject> tasks = projectTasks(rows);
    ListModel source([&tasks] { return tasks; });
    SortModel proxy;
    proxy.setDataManager(&data);
    proxy.setSourceModel(&source);
    proxy.setTaskList(true);
    const QString listId = QStringLiteral("bench_project");
    proxy.setListInfo(listId, ListTypeProject);

    // A manual order over every row, shuffled.
    OrderHash order;
    QList<int> positions;
    for (int i = 0; i < rows; ++i)
        positions << i;
    std::shuffle(positions.begin(), positions.end(), *QRandomGenerator::global());
    for (int i = 0; i < rows; ++i)
        order.insert(tasks.at(i).value("ID").toString(), positions.at(i));

    const struct {
        SortingType type;
        bool groupByDate;
    } choices[] = { { ManualType, true }, { AlphabeticalType, false }, { AlphabeticalType, true },
        { TimestampAscType, false }, { TimestampAscType, true }, { TimestampDescType, false },
        { TimestampDescType, true } };
    for (const auto& choice : choices) {
        if (choice.type == ManualType)
            data.setManualSortedList(listId, ListTypeProject, order);
        else
            data.setSortedList(listId, ListTypeProject, choice.type, choice.groupByDate);
        QList<double> times;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            proxy.sort();
            // The proxy sorts when it is next read, as a view reads it at once.
            proxy.getObjectByIndex(0);
            times << timer.nsecsElapsed() / 1e6;
        }
        if (proxy.rowCount() == 0 || proxy.sortingInfo().sortingType != choice.type) {
            std::fprintf(stderr, "The proxy did not take the sorting choice.\n");
            return 1;
        }
        std::printf("{\"op\":\"sortProjectList\",\"sorting_type\":\"%s\",\"group_by_date\":%s,\"n\":%d,"
                    "\"median_ms\":%.2f,\"max_ms\":%.2f}\n",
            qPrintable(sortingTypeText(choice.type)), choice.groupByDate ? "true" : "false", rows, median(times),
            *std::max_element(times.begin(), times.end()));
        std::fflush(stdout);
    }
    return 0;
}
