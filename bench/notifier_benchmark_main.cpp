// Times QuorvelNotifier's start on a notification file with many pending
// reminders and reads its memory afterwards. Usage:
//   quorvel-notifier-bench [--count 1000] [--runs 3] [--notifier PATH]

#include "bench/NotifierBenchmark.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("Pending reminders in the file."),
                                         QStringLiteral("number"), QStringLiteral("1000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Separate starts to time."),
                                        QStringLiteral("number"), QStringLiteral("3"));
    const QCommandLineOption notifierOption(
        QStringLiteral("notifier"), QStringLiteral("The QuorvelNotifier to start."), QStringLiteral("path"),
        QCoreApplication::applicationDirPath() + QStringLiteral("/QuorvelNotifier"));
    parser.addOptions({ countOption, runsOption, notifierOption });
    parser.process(app);

    QDir().mkpath(QDir::tempPath());
    NotifierBenchmark benchmark(parser.value(notifierOption), qMax(1, parser.value(countOption).toInt()));
    bool complete = true;
    for (int run = 1; run <= qMax(1, parser.value(runsOption).toInt()); ++run)
        complete = benchmark.run(run) && complete;
    return complete ? 0 : 1;
}
