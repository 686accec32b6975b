#include "models/DailyPlanSortModel.h"

#include "models/DailyPlanListModel.h"

struct DailyPlanSortModel::Private
{
    bool hideAlsoAvailable = false;
    int counts[4] = { 0, 0, 0, 0 };
};

DailyPlanSortModel::DailyPlanSortModel(QObject* parent)
    : SortModel(parent)
    , d(new Private)
{
}

DailyPlanSortModel::~DailyPlanSortModel() = default;

void DailyPlanSortModel::setHideAlsoAvailable(bool hide)
{
    if (d->hideAlsoAvailable == hide)
        return;
    d->hideAlsoAvailable = hide;
    invalidateFilter();
}

bool DailyPlanSortModel::hidesAlsoAvailable() const
{
    return d->hideAlsoAvailable;
}

int DailyPlanSortModel::activeTaskCount() const
{
    return d->counts[DailyPlanListModel::ActiveTasks];
}

int DailyPlanSortModel::activeProjectCount() const
{
    return d->counts[DailyPlanListModel::ActiveProjects];
}

int DailyPlanSortModel::alsoAvailableTaskCount() const
{
    return d->counts[DailyPlanListModel::AlsoAvailableTasks];
}

int DailyPlanSortModel::alsoAvailableProjectCount() const
{
    return d->counts[DailyPlanListModel::AlsoAvailableProjects];
}

int DailyPlanSortModel::sectionOf(const QModelIndex& sourceIndex) const
{
    return sourceModel()->data(sourceIndex, DailyPlanListModel::DailyPlanRole).toInt();
}

bool DailyPlanSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const int leftSection = sectionOf(left);
    const int rightSection = sectionOf(right);
    if (leftSection != rightSection)
        return leftSection < rightSection;
    return SortModel::lessThan(left, right);
}

bool DailyPlanSortModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    if (d->hideAlsoAvailable) {
        const int section = sectionOf(index);
        if (section == DailyPlanListModel::AlsoAvailableTasks || section == DailyPlanListModel::AlsoAvailableProjects)
            return false;
    }
    return acceptsObject(sourceObject(index));
}

void DailyPlanSortModel::recount()
{
    int counts[4] = { 0, 0, 0, 0 };
    if (const QAbstractItemModel* source = sourceModel()) {
        const int rows = source->rowCount();
        for (int row = 0; row < rows; ++row) {
            const int section = sectionOf(source->index(row, 0));
            if (section >= 0 && section < 4)
                ++counts[section];
        }
    }
    for (int section = 0; section < 4; ++section) {
        if (d->counts[section] == counts[section])
            continue;
        d->counts[section] = counts[section];
        emitCountChanged(section);
    }
    setActiveObjectCount(counts[DailyPlanListModel::ActiveTasks] + counts[DailyPlanListModel::ActiveProjects]);
}

void DailyPlanSortModel::emitCountChanged(int section)
{
    switch (section) {
    case DailyPlanListModel::ActiveTasks:
        emit activeTaskCountChanged(d->counts[section]);
        break;
    case DailyPlanListModel::ActiveProjects:
        emit activeProjectCountChanged(d->counts[section]);
        break;
    case DailyPlanListModel::AlsoAvailableTasks:
        emit alsoAvailableTaskCountChanged(d->counts[section]);
        break;
    case DailyPlanListModel::AlsoAvailableProjects:
        emit alsoAvailableProjectCountChanged(d->counts[section]);
        break;
    }
}
