#include "bench/SyncBenchmark.h"

#include "bench/BenchSyncServer.h"
#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "shell/Settings.h"
#include "sync/SyncHandler.h"
#include "time/NotificationManager.h"
#include "time/RepeatedTaskHelper.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

using Field = QPair<const char*, QByteArray>;

QByteArray element(const char* name, const QByteArray& text)
{
    return QByteArray("<") + name + ">" + text + "</" + name + ">";
}

QByteArray objectElement(const char* type, const QList<Field>& fields)
{
    QByteArray body = QByteArray("<") + type + ">";
    for (const auto& field : fields)
        body += element(field.first, field.second);
    return body + "</" + type + ">";
}

} // namespace

SyncBenchmark::SyncBenchmark(const QString& dir, int runs)
    : m_dir(dir)
    , m_runs(runs)
    , m_server(new BenchSyncServer)
{
}

SyncBenchmark::~SyncBenchmark()
{
    delete m_server;
}

bool SyncBenchmark::start()
{
    if (!m_server->start())
        return false;
    qputenv("QUORVEL_SYNC_URL", m_server->baseUrl().toString().toUtf8());
    Settings::instance()->setClientLogin(QStringLiteral("bench@example.com"));
    Settings::instance()->setClientPassword(QStringLiteral("5f4dcc3b5aa765d61d8327deb882cf99"));
    return true;
}

// 1% folders, 9% projects in them, 1% contexts, the rest tasks spread over
// the projects, every tenth with a context, every twentieth repeating.
QByteArray SyncBenchmark::changeList(int objectCount)
{
    const QByteArray now = QByteArray::number(QDateTime::currentSecsSinceEpoch() - 3600);
    const int folders = qMax(1, objectCount / 100);
    const int projects = qMax(1, objectCount * 9 / 100);
    const int contexts = qMax(1, objectCount / 100);
    const int tasks = qMax(0, objectCount - folders - projects - contexts);
    const QByteArray due = QByteArray::number(QDateTime(QDate(2031, 1, 6), QTime(9, 0), Qt::UTC).toSecsSinceEpoch());

    QByteArray body = "<response>" + element("status", "0")
        + element("time", QByteArray::number(QDateTime::currentSecsSinceEpoch())) + element("revision", "500");
    for (int i = 0; i < folders; ++i) {
        body += objectElement("project", { { "id", "f" + QByteArray::number(i) }, { "name", "Folder " + QByteArray::number(i) },
            { "parent", "NULL" }, { "folder", "1" }, { "timestamp", now }, { "state", "0" } });
    }
    for (int i = 0; i < projects; ++i) {
        body += objectElement("project", { { "id", "p" + QByteArray::number(i) }, { "name", "Project " + QByteArray::number(i) },
            { "parent", "f" + QByteArray::number(i % folders) }, { "folder", "0" }, { "timestamp", now }, { "state", "0" } });
    }
    for (int i = 0; i < contexts; ++i) {
        body += objectElement("context", { { "id", "c" + QByteArray::number(i) }, { "name", "Context " + QByteArray::number(i) },
            { "parent", "NULL" }, { "timestamp", now }, { "state", "0" } });
    }
    for (int i = 0; i < tasks; ++i) {
        QList<Field> fields = { { "id", "t" + QByteArray::number(i) },
            { "name", "Task " + QByteArray::number(i) }, { "parent", "p" + QByteArray::number(i % projects) },
            { "memo", "A note of some length about what the task needs, so that rows are not empty." },
            { "timestamp", now }, { "state", QByteArray::number(i % 7 == 0 ? 2 : 0) },
            { "context", i % 10 == 0 ? "c" + QByteArray::number(i % contexts) : QByteArray("NULL") } };
        if (i % 20 == 0) {
            fields.append(Field("due", due));
            fields.append(Field("period", "w;1;1,3,5"));
        }
        body += objectElement("task", fields);
    }
    return body + "</response>";
}

SyncBenchmark::Timing SyncBenchmark::timeRun(const std::function<void(DatabaseHandler*)>& prepare, int* storedTasks)
{
    const QString path = QStringLiteral("%1/sync_bench_%2.db").arg(m_dir).arg(++m_databases);
    QFile::remove(path);
    if (!DatabaseTemplate::unpackTo(path))
        throw std::runtime_error("cannot unpack the template database");
    Timing timing;
    {
        DatabaseHandler store(path, QStringLiteral("sync_bench_%1").arg(m_databases));
        if (!store.openAtStart())
            throw std::runtime_error("cannot open the benchmark database");
        RepeatedTaskHelper repetition(&store, m_dir + QStringLiteral("/reminders_%1.dat").arg(m_databases));
        store.setRepeatedTaskHelper(&repetition);
        NotificationManager notifications(m_dir + QStringLiteral("/ntf_%1.dat").arg(m_databases), &repetition);
        prepare(&store);

        SyncHandler::Services services;
        services.store = &store;
        services.repetition = &repetition;
        services.notifications = &notifications;
        // Every run starts from nothing on the server's side too.
        QFile::remove(SyncHandler::syncFilePath());
        SyncHandler handler(services);

        QEventLoop loop;
        QElapsedTimer clock;
        qint64 mergeStart = 0;
        QObject::connect(&handler, &SyncHandler::progressChanged, [&](int value) {
            if (value == 10)
                mergeStart = clock.elapsed();
            else if (value == 60)
                timing.mergeMs = clock.nsecsElapsed() / 1e6 - mergeStart;
        });
        QObject::connect(&handler, &SyncHandler::finished, &loop, [&] {
            timing.totalMs = clock.nsecsElapsed() / 1e6;
            timing.completed = true;
            loop.quit();
        });
        QObject::connect(&handler, &SyncHandler::runFailed, &loop, &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        clock.start();
        if (!handler.start())
            throw std::runtime_error("the sync run did not start");
        loop.exec();
        *storedTasks = store.count(QStringLiteral("SELECT COUNT(*) FROM task"));
        store.disconnectDatabase();
    }
    QFile::remove(path);
    return timing;
}

void SyncBenchmark::fullDownload(int objectCount)
{
    m_server->setChanges(changeList(objectCount));
    QList<double> totals;
    QList<double> merges;
    int tasks = 0;
    bool completed = true;
    for (int run = 0; run < m_runs; ++run) {
        const Timing timing = timeRun([](DatabaseHandler*) {}, &tasks);
        completed = completed && timing.completed;
        totals.append(timing.totalMs);
        merges.append(timing.mergeMs);
    }
    std::printf("{\"op\":\"fullDownload\",\"objects\":%d,\"stored_tasks\":%d,\"runs\":%d,\"median_ms\":%.1f,"
                "\"merge_median_ms\":%.1f,\"target_ms\":5000,\"complete\":%s}\n",
        objectCount, tasks, m_runs, median(totals), median(merges), completed ? "true" : "false");
    std::fflush(stdout);
}

void SyncBenchmark::upload(int changeCount)
{
    m_server->setChanges("<response><status>0</status><time>" + QByteArray::number(QDateTime::currentSecsSinceEpoch())
        + "</time><revision>500</revision></response>");
    const QString inbox = PredefinedDataHelper::initialQuorvelBoxId();
    const auto createTasks = [changeCount, inbox](DatabaseHandler* store) {
        for (int i = 0; i < changeCount; ++i) {
            store->createTaskLocally({ { QStringLiteral("NAME"), QStringLiteral("Local change %1").arg(i) },
                { QStringLiteral("PARENT"), inbox } });
        }
        store->commitChanges();
    };
    QList<double> totals;
    int tasks = 0;
    bool completed = true;
    const int uploadsBefore = m_server->uploadCount();
    for (int run = 0; run < m_runs; ++run) {
        const Timing timing = timeRun(createTasks, &tasks);
        completed = completed && timing.completed;
        totals.append(timing.totalMs);
    }
    const int uploads = (m_server->uploadCount() - uploadsBefore) / m_runs;
    std::printf("{\"op\":\"upload\",\"changes\":%d,\"sent\":%d,\"runs\":%d,\"median_ms\":%.1f,"
                "\"per_object_ms\":%.2f,\"target_ms\":10000,\"complete\":%s}\n",
        changeCount, uploads, m_runs, median(totals), changeCount ? median(totals) / changeCount : 0.0,
        completed && uploads == changeCount ? "true" : "false");
    std::fflush(stdout);
}

double SyncBenchmark::median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}
