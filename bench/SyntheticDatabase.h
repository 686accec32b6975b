#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// Fills a copy of the template database with the data of a long-time user:
// about 1,000 projects in folders nested up to four deep, 200 contexts
// nested up to three deep, and taskCount tasks in one of two shapes:
//
// - Stress: 85% completed (due over the past two years), 12% active (due
//   within a month either side of today, a fifth without any date, a
//   quarter with a start, 5% repeating) and 3% in the trash. Half of the
//   active tasks stay overdue for ever, so today's plan is thousands of rows
//   long: the worst a store is likely to meet.
// - Typical: 94% completed, 3% active and 3% in the trash. A tenth of the
//   active tasks are overdue (a few hundred in a large database), most are
//   due over the coming six months (a sixth of those started a few days
//   early), a tenth have no date, one in twenty repeats.
//
// The random seed is fixed, so every run builds the same database.
class SyntheticDatabase
{
public:
    enum class Shape { Stress, Typical };
    static QString shapeName(Shape shape);

    struct Summary {
        int folders = 0;
        int projects = 0;
        int contexts = 0;
        int tasks = 0;
        int repeatedTasks = 0;
        QString busiestProjectId;
        QStringList repeatedTaskIds;
    };

    static Summary build(const QString &filePath, int taskCount, const QDate &today, Shape shape = Shape::Stress,
                         quint32 seed = 20261208);
};
