// The main window's two felt speeds, printed as JSON lines:
//  --start   the real program started on a long-time user's database, timed
//            from the launch to its first frame (the window opens on the
//            daily plan);
//  --scroll  the inbox list with many rows, moved from top to bottom one
//            frame at a time as a brisk flick would, in the software
//            renderer, timing each frame from the move to the swapped frame.
//
// Usage: quorvel-window-bench --start [--tasks 100000] [--runs 6] [--stress]
//        quorvel-window-bench --scroll [--rows 10000] [--step 48]

#include "SyntheticDatabase.h"

#include "data/DataManager.h"
#include "data/DatabaseHandler.h"
#include "data/PredefinedDataHelper.h"
#include "models/FavoritesManager.h"
#include "shell/AppInfo.h"
#include "shell/AppResources.h"
#include "shell/GuiManager.h"
#include "shell/Settings.h"
#include "support/AppProcess.h"
#include "support/TestSandbox.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlApplicationEngine>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int argument(const QStringList &args, const QString &name, int fallback)
{
    const int at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
}

void print(const QJsonObject &line)
{
    std::printf("%s\n", QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(fraction * double(values.size() - 1) + 0.5));
    return values[at];
}

// The timestamp of this run's first line holding text, in ms since the epoch.
qint64 loggedAt(const QString &text)
{
    const QStringList lines = AppProcess::logLines();
    for (int i = lines.size() - 1; i >= 0; --i) {
        if (!lines.at(i).contains(text))
            continue;
        const QString stamp = lines.at(i).section(QLatin1Char(' '), 1, 1, QString::SectionSkipEmpty);
        return QDateTime::fromString(stamp, Qt::ISODateWithMs).toMSecsSinceEpoch();
    }
    return -1;
}

int benchmarkStart(const QStringList &args)
{
    const int taskCount = argument(args, QStringLiteral("--tasks"), 100000);
    const int runs = std::max(2, argument(args, QStringLiteral("--runs"), 6));
    const SyntheticDatabase::Shape shape = args.contains(QStringLiteral("--stress"))
        ? SyntheticDatabase::Shape::Stress
        : SyntheticDatabase::Shape::Typical;
    const QString shapeName = SyntheticDatabase::shapeName(shape);
    QElapsedTimer building;
    building.start();
    SyntheticDatabase::build(DatabaseHandler::databasePath(), taskCount, QDate::currentDate(), shape);
    print({ { "op", "buildDatabase" }, { "tasks", taskCount }, { "shape", shapeName },
            { "ms", double(building.elapsed()) } });

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        AppProcess app;
        app.environment().insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const qint64 launched = QDateTime::currentMSecsSinceEpoch();
        const bool started = app.start() && app.waitForLog(QStringLiteral("Main window: first frame shown"), 60000);
        const qint64 shown = started ? loggedAt(QStringLiteral("Main window: first frame shown")) : -1;
        app.stop();
        if (shown < 0) {
            TestSandbox::endStrayProcesses();
            print({ { "op", "firstFrame" }, { "complete", false } });
            return 1;
        }
        // The first run also creates the settings and launches the notifier,
        // which then stays, as it does for a user: the later runs are the
        // everyday start and make the median.
        const double ms = double(shown - launched);
        if (run > 0)
            times.push_back(ms);
        print({ { "op", run == 0 ? "firstFrameLaunchingNotifier" : "firstFrameRun" }, { "run", run }, { "ms", ms } });
    }
    TestSandbox::endStrayProcesses();
    print({ { "op", "firstFrame" }, { "tasks", taskCount }, { "shape", shapeName }, { "runs", int(times.size()) },
            { "median_ms", percentile(times, 0.5) }, { "max_ms", percentile(times, 1.0) }, { "target_ms", 500 },
            { "complete", !times.empty() } });
    return 0;
}

// Puts rowCount tasks of a synthetic database into the inbox, so that one
// list holds them all with their real variety of dates and chains, and
// returns their identifiers (none when the database could not be made).
QStringList fillInbox(int rowCount)
{
    const QString path = DatabaseHandler::databasePath();
    SyntheticDatabase::build(path, rowCount * 2, QDate::currentDate());
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return {};
    sqlite3_stmt *statement = nullptr;
    const char *sql = "UPDATE task SET parent = ?1, state = state & 2 WHERE rowid IN "
                      "(SELECT rowid FROM task ORDER BY rowid LIMIT ?2) RETURNING id";
    QStringList ids;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
        const QByteArray inbox = PredefinedDataHelper::initialQuorvelBoxId().toUtf8();
        sqlite3_bind_text(statement, 1, inbox.constData(), inbox.size(), SQLITE_TRANSIENT);
        sqlite3_bind_int(statement, 2, rowCount);
        while (sqlite3_step(statement) == SQLITE_ROW)
            ids << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return ids;
}

// A long-time user's marks: about one row in ten a favorite, as many with a
// reminder, so that the rows show both as they scroll by.
void markRows(const QStringList &ids)
{
    const QDateTime later = QDateTime(QDate::currentDate().addDays(3), QTime(9, 0), Qt::UTC);
    for (int i = 0; i < ids.size(); i += 10) {
        FavoritesManager::instance()->add(FavoritesManager::TaskKind, ids.at(i));
        if (i + 5 < ids.size())
            DataManager::instance()->scheduleReminder({ { "ID", ids.at(i + 5) }, { "DUEDATE", later } }, 1);
    }
}

QQuickItem *findItem(QQuickItem *root, const QString &name)
{
    if (!root)
        return nullptr;
    if (root->objectName() == name)
        return root;
    for (QQuickItem *child : root->childItems()) {
        if (QQuickItem *found = findItem(child, name))
            return found;
    }
    return nullptr;
}

// One frame: the move, then the wait for its frame on screen.
double timedFrame(QQuickWindow *window, QQuickItem *list, qreal contentY)
{
    QEventLoop loop;
    QElapsedTimer frame;
    const auto swapped = QObject::connect(window, &QQuickWindow::frameSwapped, &loop, &QEventLoop::quit);
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    frame.start();
    list->setProperty("contentY", contentY);
    loop.exec();
    QObject::disconnect(swapped);
    return double(frame.nsecsElapsed()) / 1e6;
}

int benchmarkScroll(const QStringList &args)
{
    const int rowCount = argument(args, QStringLiteral("--rows"), 10000);
    const int step = argument(args, QStringLiteral("--step"), 48);
    const QStringList ids = fillInbox(rowCount);
    if (ids.isEmpty()) {
        print({ { "op", "scroll" }, { "complete", false }, { "error", "database" } });
        return 1;
    }
    Settings::instance()->setShowWelcomeScreen(false);
    GuiManager *gui = GuiManager::instance();
    gui->initializeEngine();
    gui->setContextProperty(QStringLiteral("FIRST_LAUNCH"), false);
    gui->setContextProperty(QStringLiteral("NOTIFIER_APP_ACTIVE"), true);
    gui->initializeWindow();
    auto *window = qobject_cast<QQuickWindow *>(gui->engine()->rootObjects().value(0));
    if (!window)
        return 1;
    window->resize(1100, 720);
    markRows(ids);
    gui->showMainWindow();
    QMetaObject::invokeMethod(window, "openSection", Q_ARG(QVariant, 0));
    QQuickItem *list = nullptr;
    QElapsedTimer waiting;
    waiting.start();
    while (waiting.elapsed() < 30000 && (!list || list->property("count").toInt() < rowCount / 2)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        list = findItem(window->contentItem(), QStringLiteral("quorvelBoxList"));
    }
    if (!list) {
        print({ { "op", "scroll" }, { "complete", false }, { "error", "no list" } });
        return 1;
    }
    const int rows = list->property("count").toInt();
    std::vector<double> frames;
    const qreal end = list->property("contentHeight").toReal() - list->height();
    for (qreal y = step; y < end; y += step)
        frames.push_back(timedFrame(window, list, y));
    const long slow = std::count_if(frames.begin(), frames.end(), [](double ms) { return ms >= 16.0; });
    QJsonArray slowFrames;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i] >= 16.0)
            slowFrames.append(QJsonArray { int(i), frames[i] });
    }
    const QVariant marked = QQmlProperty::read(window, QStringLiteral("favoriteTaskIds"));
    const QVariant reminded = QQmlProperty::read(window, QStringLiteral("reminderTaskIds"));
    print({ { "op", "scroll" }, { "rows", rows }, { "frames", int(frames.size()) }, { "step_px", step },
            { "favorite_rows", marked.toMap().size() }, { "reminder_rows", reminded.toMap().size() },
            { "renderer", window->rendererInterface()->graphicsApi() == QSGRendererInterface::Software ? "software" : "other" },
            { "median_ms", percentile(frames, 0.5) }, { "p99_ms", percentile(frames, 0.99) },
            { "max_ms", percentile(frames, 1.0) }, { "frames_over_16ms", int(slow) },
            { "slow_frames", slowFrames }, { "complete", !frames.empty() } });
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    TestSandbox::enter();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (args.contains(QStringLiteral("--scroll"))) {
        qputenv("QT_QUICK_BACKEND", "software");
        QApplication app(argc, argv);
        AppInfo::applyToApplication();
        AppResources::initialize();
        return benchmarkScroll(args);
    }
    QApplication app(argc, argv);
    AppInfo::applyToApplication();
    return benchmarkStart(args);
}
