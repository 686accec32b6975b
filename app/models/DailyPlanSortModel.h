#pragma once

#include "models/SortModel.h"

// The day plan: sections in their order (what is due that day, then what
// else could be done, then what is done), each section in the list's order,
// and a count of every open section.
class DailyPlanSortModel : public SortModel
{
    Q_OBJECT
    Q_PROPERTY(int activeTaskCount READ activeTaskCount NOTIFY activeTaskCountChanged)
    Q_PROPERTY(int activeProjectCount READ activeProjectCount NOTIFY activeProjectCountChanged)
    Q_PROPERTY(int alsoAvailableTaskCount READ alsoAvailableTaskCount NOTIFY alsoAvailableTaskCountChanged)
    Q_PROPERTY(
        int alsoAvailableProjectCount READ alsoAvailableProjectCount NOTIFY alsoAvailableProjectCountChanged)

public:
    explicit DailyPlanSortModel(QObject* parent = nullptr);
    ~DailyPlanSortModel() override;

    // Hides what could also be done that day (tasks and projects available
    // but not due): the plan then shows only what is due.
    void setHideAlsoAvailable(bool hide);
    bool hidesAlsoAvailable() const;

    int activeTaskCount() const;
    int activeProjectCount() const;
    int alsoAvailableTaskCount() const;
    int alsoAvailableProjectCount() const;

    // Also keeps the section of every source row, read once per row. Set
    // before the list is known (setListInfo()), the rows are sorted only
    // once it is: sorting a busy day by the default choice first would
    // double the cost of opening it.
    void setSourceModel(QAbstractItemModel* sourceModel) override;

signals:
    void activeTaskCountChanged(int activeTaskCount);
    void activeProjectCountChanged(int activeProjectCount);
    void alsoAvailableTaskCountChanged(int alsoAvailableTaskCount);
    void alsoAvailableProjectCountChanged(int alsoAvailableProjectCount);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    void recount() override;

private:
    int sectionOf(const QModelIndex& sourceIndex) const;
    int sectionOfRow(int sourceRow) const;
    void followSourceSections(QAbstractItemModel* model);
    void emitCountChanged(int section);

    struct Private;
    std::unique_ptr<Private> d;
};
