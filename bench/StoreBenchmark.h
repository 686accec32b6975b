#pragma once

#include "bench/SyntheticDatabase.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>

class DatabaseHandler;
class RepeatedTaskHelper;
class SqliteFloor;

// Times the store's operations on one synthetic database and prints one
// JSON line per operation: {"op", "shape", "n", "median_ms", "floor_ms", "ratio"}.
// A read's floor is the same SQL the store ran, replayed through the sqlite3
// C API; the interface's path through the worker thread is measured against
// the store call alone; writes have none.
class StoreBenchmark
{
public:
    StoreBenchmark(const QString &filePath, int taskCount, int runs,
                   SyntheticDatabase::Shape shape = SyntheticDatabase::Shape::Stress);
    ~StoreBenchmark();

    void runAll();

private:
    using Operation = std::function<void(int run)>;

    void timeRead(const QString &name, const Operation &operation);
    void timeWrite(const QString &name, const Operation &operation);
    void print(const QString &name, double medianMs, double floorMs) const;
    static double median(QList<double> values);

    void dayIndicators(const QDate &firstDay);
    void timeHandlerPath();
    void timeOpen();

    QString m_filePath;
    QString m_shape;
    int m_taskCount;
    int m_runs;
    QDate m_today;
    DatabaseHandler *m_store = nullptr;
    RepeatedTaskHelper *m_repetition = nullptr;
    SqliteFloor *m_floor = nullptr;
    QStringList m_capturedStatements;
    QString m_busiestProjectId;
    QStringList m_repeatedTaskIds;
};
