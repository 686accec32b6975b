#pragma once

#include <QString>
#include <QStringList>

class DataManager;
class SearchHelper;

// Times the search of the tool bar on a synthetic database and prints one
// JSON line per operation: {"op", "n", "query", "rows", "median_ms",
// "median_cpu_ms"}; the processor time of the interface thread is given
// beside the elapsed time because a busy machine stretches the latter.
//
// "search" is what the user waits for while typing: a new search string on
// the results model that is already open, then the first 50 rows read as
// the list shows them. "open results" is what opening the results page
// costs: the model's fresh list of every object (read through the data
// worker), filtered and sorted; "getAllObjects" is that read alone.
class SearchBenchmark
{
public:
    SearchBenchmark(const QString &filePath, int taskCount, int runs);
    ~SearchBenchmark();

    void runAll();

private:
    void timeOpening();
    void timeSearch(const QString &query);
    // medianCpuMs < 0: not measured.
    void print(const QString &name, const QString &query, int rows, double medianMs, double medianCpuMs) const;
    static double median(QList<double> values);

    QString m_filePath;
    int m_taskCount;
    int m_runs;
    DataManager *m_data = nullptr;
    SearchHelper *m_helper = nullptr;
};
