#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class BenchSyncServer;
class DatabaseHandler;

// Times whole sync runs against a local stand-in for the sync server and
// prints one JSON line per scenario: a full download of many objects into an
// empty store, and an upload of many local changes. Each run starts from a
// fresh copy of the template database; the median of the runs is printed
// with the target it is held against.
class SyncBenchmark
{
public:
    SyncBenchmark(const QString& dir, int runs);
    ~SyncBenchmark();

    bool start();
    void fullDownload(int objectCount);
    void upload(int changeCount);

private:
    struct Timing
    {
        double totalMs = 0;
        double mergeMs = 0;
        bool completed = false;
    };

    // One run over a fresh database; prepare() fills it before the run.
    Timing timeRun(const std::function<void(DatabaseHandler*)>& prepare, int* storedTasks);
    static QByteArray changeList(int objectCount);
    static double median(QList<double> values);

    QString m_dir;
    int m_runs;
    int m_databases = 0;
    BenchSyncServer* m_server = nullptr;
};
