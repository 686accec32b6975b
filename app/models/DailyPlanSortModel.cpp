#include "models/DailyPlanSortModel.h"

#include "models/DailyPlanListModel.h"

#include <QVector>

struct DailyPlanSortModel::Private
{
    bool hideAlsoAvailable = false;
    int counts[4] = { 0, 0, 0, 0 };
    // The section of each source row. Working a section out reads several
    // dates of the record, and sorting a busy day compares rows some
    // hundred thousand times, so it is done once per row and kept in step
    // with the source's changes.
    QVector<int> sections;
    bool sectionsValid = false;
    bool sortingHeldBack = false;
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

void DailyPlanSortModel::setSourceModel(QAbstractItemModel* model)
{
    if (QAbstractItemModel* old = sourceModel())
        disconnect(old, nullptr, this, nullptr);
    d->sections.clear();
    d->sectionsValid = false;
    // Connected ahead of the base's and the proxy's own handlers, which sort
    // and count with the sections of the rows as they are after the change.
    if (model)
        followSourceSections(model);
    // The proxy sorts as soon as it has a source and a sort column, and
    // sorts again from scratch when the list's choice arrives; until then
    // it has no sort column. The count that follows the choice brings it back.
    if (model && listId().isEmpty()) {
        d->sortingHeldBack = true;
        QSortFilterProxyModel::sort(-1);
    }
    SortModel::setSourceModel(model);
}

void DailyPlanSortModel::followSourceSections(QAbstractItemModel* model)
{
    const auto sectionAt = [model](int row) {
        return model->data(model->index(row, 0), DailyPlanListModel::DailyPlanRole).toInt();
    };
    connect(model, &QAbstractItemModel::rowsInserted, this,
        [this, sectionAt](const QModelIndex&, int first, int last) {
            if (!d->sectionsValid)
                return;
            d->sections.insert(first, last - first + 1, 0);
            for (int row = first; row <= last; ++row)
                d->sections[row] = sectionAt(row);
        });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex&, int first, int last) {
        if (d->sectionsValid)
            d->sections.remove(first, last - first + 1);
    });
    connect(model, &QAbstractItemModel::dataChanged, this,
        [this, sectionAt](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
            if (!d->sectionsValid)
                return;
            for (int row = topLeft.row(); row <= bottomRight.row() && row < d->sections.size(); ++row)
                d->sections[row] = sectionAt(row);
        });
    const auto forget = [this] { d->sectionsValid = false; };
    connect(model, &QAbstractItemModel::modelReset, this, forget);
    connect(model, &QAbstractItemModel::layoutChanged, this, forget);
    connect(model, &QAbstractItemModel::rowsMoved, this, forget);
}

int DailyPlanSortModel::sectionOfRow(int sourceRow) const
{
    // Asked twice for every comparison of a sort: the cheap test first.
    if (d->sectionsValid && sourceRow < d->sections.size())
        return d->sections.at(sourceRow);
    const QAbstractItemModel* source = sourceModel();
    const int rows = source->rowCount();
    if (!d->sectionsValid || d->sections.size() != rows) {
        d->sections.resize(rows);
        for (int row = 0; row < rows; ++row)
            d->sections[row] = source->data(source->index(row, 0), DailyPlanListModel::DailyPlanRole).toInt();
        d->sectionsValid = true;
    }
    return d->sections.at(sourceRow);
}

int DailyPlanSortModel::sectionOf(const QModelIndex& sourceIndex) const
{
    return sectionOfRow(sourceIndex.row());
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
    if (d->sortingHeldBack && !listId().isEmpty()) {
        d->sortingHeldBack = false;
        QSortFilterProxyModel::sort(0, Qt::AscendingOrder);
    }
    int counts[4] = { 0, 0, 0, 0 };
    if (const QAbstractItemModel* source = sourceModel()) {
        const int rows = source->rowCount();
        for (int row = 0; row < rows; ++row) {
            const int section = sectionOfRow(row);
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
