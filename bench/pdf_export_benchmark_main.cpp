// Times the styled PDF export of a long list: the real page builder, the
// real web-engine renderer module and the file written into a temporary
// folder. The first run includes the start of the web engine and is
// reported on its own line. Prints JSON lines:
//   {"op":"styledPdfFirst","n":...,"ms":...,"target_ms":3000,"complete":...}
//   {"op":"styledPdf","n":...,"median_ms":...,"max_ms":...,"target_ms":3000,"complete":...}
// Usage: quorvel-pdf-export-bench [--tasks 1000] [--runs 5]

#include "export/ExportLookup.h"
#include "export/PdfExportHelper.h"
#include "shell/AppInfo.h"
#include "shell/AppResources.h"
#include "shell/Settings.h"
#include "time/DateFormatHelper.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

const QStringList Words { "Call", "Write", "Review", "Plan", "Buy", "Fix", "Send", "Read", "Book", "Clean",
    "report", "invoice", "garden", "car", "flight", "notes", "budget", "slides", "tickets", "kitchen" };
const QStringList Projects { "p0", "p1", "p2", "p3", "p4", "p5", "p6", "p7" };

// Answers about the projects and contexts without a store.
class BenchLookup : public ExportLookup
{
public:
    DataObject project(const QString& id) const override
    {
        return { { "ID", id }, { "NAME", QStringLiteral("Project %1").arg(id) }, { "FOLDER", false } };
    }
    DataObject context(const QString& id) const override
    {
        return { { "ID", id }, { "NAME", "At the desk" } };
    }
    QString projectIcon(const QString&) const override { return QString(); }
    int projectTaskCount(const QString&) const override { return 12; }
    bool isFavoriteTask(const QString& id) const override { return id.endsWith(QLatin1Char('7')); }
    QList<int> reminders(const DataObject& task, bool isStart) const override
    {
        return task.value("ID").toString().endsWith(QLatin1Char('3')) && !isStart ? QList<int> { 2 }
                                                                                  : QList<int>();
    }
    QString quorvelBoxId() const override { return QStringLiteral("inbox"); }
    QString oneStepActionsId() const override { return QStringLiteral("onestep"); }
};

// A day plan as a busy user has it: due dates around today, some starts,
// repetitions, contexts and memos, a tenth completed.
QVariantList dayTasks(int count, const QDate& today)
{
    QRandomGenerator random(20261209);
    QVariantList tasks;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("%1 %2 %3")
                                 .arg(Words.at(random.bounded(10)), Words.at(10 + random.bounded(10)))
                                 .arg(random.bounded(200));
        const QDateTime due(today.addDays(random.bounded(-2, 5)), QTime(8 + random.bounded(10), 0), Qt::UTC);
        const QDateTime start = random.bounded(100) < 40 ? due.addSecs(-3600) : QDateTime();
        tasks << DataObject { { "ID", QStringLiteral("task%1").arg(i) }, { "NAME", name },
            { "PARENT", Projects.at(random.bounded(Projects.size())) },
            { "STATE", random.bounded(100) < 10 ? 2 : 0 }, { "START", start }, { "DUE", due },
            { "PERIOD", random.bounded(100) < 15 ? "w;1;1,3,5" : "" },
            { "CONTEXT", random.bounded(100) < 30 ? "desk" : "" },
            { "MEMO",
                random.bounded(100) < 20 ? "Bring the notes from the last meeting and the new figures."
                                         : "" } };
    }
    return tasks;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// One export to its end; the milliseconds it took, or -1 when it failed.
double timeExport(PdfExportHelper& helper, const QString& path, const QDate& date, const QVariantList& tasks)
{
    QFile::remove(path);
    QEventLoop loop;
    QObject::connect(&helper, &PdfExportHelper::inProgressChanged, &loop, [&loop](bool running) {
        if (!running)
            loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    helper.generateDailyPlanDocument(QFileInfo(path).fileName(), date, tasks);
    if (helper.inProgress())
        loop.exec();
    const double ms = timer.nsecsElapsed() / 1e6;
    return QFileInfo(path).size() > 0 ? ms : -1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Settings go to Qt's test folders, never to the user's own data.
    QStandardPaths::setTestModeEnabled(true);
    AppInfo::applyToApplication();
    AppResources::initialize();

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption tasksOption(QStringLiteral("tasks"), QStringLiteral("Tasks in the day plan."),
        QStringLiteral("count"), QStringLiteral("1000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
        QStringLiteral("Timed exports after the first."), QStringLiteral("count"), QStringLiteral("5"));
    parser.addOptions({ tasksOption, runsOption });
    parser.process(app);
    const int count = qMax(1, parser.value(tasksOption).toInt());
    const int runs = qMax(1, parser.value(runsOption).toInt());

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "No temporary folder\n");
        return 1;
    }
    Settings::instance()->setPdfExportPath(folder.path());

    const QDate today = QDate::currentDate();
    const QVariantList tasks = dayTasks(count, today);
    PdfExportHelper helper;
    helper.setLookup(std::make_unique<BenchLookup>());
    helper.setUrlOpener([](const QUrl&) { return true; });
    const QString path = folder.filePath(QStringLiteral("bench.pdf"));

    const double first = timeExport(helper, path, today, tasks);
    std::printf("{\"op\":\"styledPdfFirst\",\"n\":%d,\"ms\":%.1f,\"target_ms\":3000,\"complete\":%s}\n",
        count, first, first >= 0 ? "true" : "false");
    QList<double> times;
    bool complete = first >= 0;
    for (int run = 0; run < runs && complete; ++run) {
        const double ms = timeExport(helper, path, today, tasks);
        complete = ms >= 0;
        times << ms;
    }
    std::printf("{\"op\":\"styledPdf\",\"n\":%d,\"median_ms\":%.1f,\"max_ms\":%.1f,\"target_ms\":3000,"
                "\"complete\":%s}\n",
        count, median(times), times.isEmpty() ? 0 : *std::max_element(times.begin(), times.end()),
        complete ? "true" : "false");
    std::fflush(stdout);
    return complete ? 0 : 1;
}
