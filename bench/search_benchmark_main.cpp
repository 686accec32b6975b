// Times the search on synthetic databases shaped like a long-time user's.
// Usage:
//   quorvel-search-bench [--sizes 100000] [--runs 15] [--dir DIR]

#include "bench/SearchBenchmark.h"
#include "shell/AppInfo.h"
#include "shell/AppResources.h"

#include <QCoreApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <stdexcept>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Settings and other state go to Qt's test folders, never to the
    // user's own data.
    QStandardPaths::setTestModeEnabled(true);
    AppInfo::applyToApplication();
    AppResources::initialize();

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption sizesOption(QStringLiteral("sizes"), QStringLiteral("Task counts, comma-separated."),
                                         QStringLiteral("list"), QStringLiteral("100000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Timed runs per operation."),
                                        QStringLiteral("count"), QStringLiteral("15"));
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("Keep the databases in this folder."),
                                       QStringLiteral("path"));
    parser.addOptions({ sizesOption, runsOption, dirOption });
    parser.process(app);

    QDir().mkpath(QDir::tempPath());
    QTemporaryDir temporary;
    const QString dir = parser.isSet(dirOption) ? parser.value(dirOption) : temporary.path();
    QDir().mkpath(dir);
    const int runs = qMax(1, parser.value(runsOption).toInt());
    try {
        for (const QString &size : parser.value(sizesOption).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const int taskCount = size.toInt();
            SearchBenchmark benchmark(QStringLiteral("%1/search_%2.db").arg(dir).arg(taskCount), taskCount, runs);
            benchmark.runAll();
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "Benchmark failed: %s\n", error.what());
        return 1;
    }
    return 0;
}
