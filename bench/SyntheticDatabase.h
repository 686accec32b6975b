#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// Fills a copy of the template database with the data of a long-time user:
// about 1,000 projects in folders nested up to four deep, 200 contexts
// nested up to three deep, and taskCount tasks of which 85% are completed
// (due over the past two years), 12% active (due within a month either side
// of today, a fifth without any date, a quarter with a start, 5% repeating)
// and 3% in the trash. The random seed is fixed, so every run builds the
// same database.
class SyntheticDatabase
{
public:
    struct Summary {
        int folders = 0;
        int projects = 0;
        int contexts = 0;
        int tasks = 0;
        int repeatedTasks = 0;
        QString busiestProjectId;
        QStringList repeatedTaskIds;
    };

    static Summary build(const QString &filePath, int taskCount, const QDate &today, quint32 seed = 20261208);
};
