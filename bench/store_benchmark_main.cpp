// Builds synthetic databases shaped like a long-time user's and times the
// store on them, in both shapes (see SyntheticDatabase). Usage:
//   quorvel-store-bench [--sizes 10000,100000] [--shapes typical,stress] [--runs 15] [--dir DIR]

#include "bench/StoreBenchmark.h"
#include "shell/AppInfo.h"
#include "shell/AppResources.h"

#include <QCommandLineParser>
#include <QCoreApplication>
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
                                         QStringLiteral("list"), QStringLiteral("10000,100000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Timed runs per operation."),
                                        QStringLiteral("count"), QStringLiteral("15"));
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("Keep the databases in this folder."),
                                       QStringLiteral("path"));
    const QCommandLineOption shapesOption(QStringLiteral("shapes"),
                                          QStringLiteral("Database shapes, comma-separated: typical, stress."),
                                          QStringLiteral("list"), QStringLiteral("typical,stress"));
    parser.addOptions({ sizesOption, shapesOption, runsOption, dirOption });
    parser.process(app);

    QDir().mkpath(QDir::tempPath());
    QTemporaryDir temporary;
    const QString dir = parser.isSet(dirOption) ? parser.value(dirOption) : temporary.path();
    QDir().mkpath(dir);
    const int runs = qMax(1, parser.value(runsOption).toInt());
    try {
        for (const QString &shapeName : parser.value(shapesOption).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const SyntheticDatabase::Shape shape = shapeName == QLatin1String("stress")
                ? SyntheticDatabase::Shape::Stress
                : SyntheticDatabase::Shape::Typical;
            for (const QString &size : parser.value(sizesOption).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const int taskCount = size.toInt();
                StoreBenchmark benchmark(
                    QStringLiteral("%1/bench_%2_%3.db").arg(dir, SyntheticDatabase::shapeName(shape)).arg(taskCount),
                    taskCount, runs, shape);
                benchmark.runAll();
            }
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "Benchmark failed: %s\n", error.what());
        return 1;
    }
    return 0;
}
