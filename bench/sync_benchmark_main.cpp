// Times whole sync runs against a local stand-in for the sync server.
// Usage:
//   quorvel-sync-bench [--objects 10000] [--changes 1000] [--runs 5] [--dir DIR]

#include "bench/SyncBenchmark.h"
#include "logging/Logger.h"
#include "shell/AppInfo.h"
#include "shell/AppResources.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <stdexcept>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // Settings, the sync file and the rest go to Qt's test folders, never to
    // the user's own data.
    QStandardPaths::setTestModeEnabled(true);
    AppInfo::applyToApplication();
    AppResources::initialize();

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption objectsOption(QStringLiteral("objects"),
        QStringLiteral("Objects in the full download."), QStringLiteral("count"), QStringLiteral("10000"));
    const QCommandLineOption changesOption(QStringLiteral("changes"), QStringLiteral("Local changes to upload."),
        QStringLiteral("count"), QStringLiteral("1000"));
    const QCommandLineOption runsOption(
        QStringLiteral("runs"), QStringLiteral("Timed runs per scenario."), QStringLiteral("count"), QStringLiteral("5"));
    const QCommandLineOption dirOption(
        QStringLiteral("dir"), QStringLiteral("Keep the databases in this folder."), QStringLiteral("path"));
    parser.addOptions({ objectsOption, changesOption, runsOption, dirOption });
    parser.process(app);

    QDir().mkpath(QDir::tempPath());
    QTemporaryDir temporary;
    const QString dir = parser.isSet(dirOption) ? parser.value(dirOption) : temporary.path();
    QDir().mkpath(dir);
    // Logged as the program logs (every level, to a file), since the log
    // lines of every write are part of what a real run costs.
    Logging::Logger::instance().setLoggingLevel(Logging::DebugLevel);
    Logging::Logger::instance().setFileDestination(dir + QStringLiteral("/sync_bench_log.dat"));

    try {
        SyncBenchmark benchmark(dir, qMax(1, parser.value(runsOption).toInt()));
        if (!benchmark.start())
            throw std::runtime_error("cannot start the local sync server");
        benchmark.fullDownload(parser.value(objectsOption).toInt());
        benchmark.upload(parser.value(changesOption).toInt());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Benchmark failed: %s\n", error.what());
        return 1;
    }
    return 0;
}
