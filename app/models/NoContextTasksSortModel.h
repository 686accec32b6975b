#pragma once

#include "models/SortModel.h"

// Tasks that have no context, grouped by their project: the inbox's first,
// then the one-step actions', then the other projects', the project whose
// oldest task is oldest first. Within a project the list's own order holds.
class NoContextTasksSortModel : public SortModel
{
    Q_OBJECT

public:
    explicit NoContextTasksSortModel(QObject* parent = nullptr);
    ~NoContextTasksSortModel() override;

    void setSourceModel(QAbstractItemModel* sourceModel) override;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    // The oldest TIMESTAMP among the tasks of each project, read again after
    // the source changed.
    const QHash<QString, qulonglong>& oldestTaskStamps() const;

    struct Private;
    std::unique_ptr<Private> d;
};
