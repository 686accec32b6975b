#pragma once

#include "models/ListModel.h"

#include <QDate>

// The records of one day's plan, each placed in a section of the plan:
// what is to be done that day, what else could be done, and what is done.
class DailyPlanListModel : public ListModel
{
    Q_OBJECT

public:
    enum Roles { DailyPlanRole = ListModel::StateRole };

    // Section numbers, in the order the plan shows them.
    enum Section {
        ActiveTasks = 0,
        ActiveProjects = 1,
        AlsoAvailableTasks = 2,
        AlsoAvailableProjects = 3,
        Completed = 4
    };
    Q_ENUM(Section)

    DailyPlanListModel(DataSource source, const QDate& planDate, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    QDate planDate() const;

    // The section of a record in the plan of that day.
    static Section sectionOf(const DataObject& record, const QDate& planDate);
};
