#pragma once

#include "models/SortModel.h"

// The favorites list: projects and folders first, then contexts, then tasks;
// objects of one kind in the list's own sorting choice.
class FavoritesSortModel : public SortModel
{
    Q_OBJECT

public:
    explicit FavoritesSortModel(QObject* parent = nullptr);
    ~FavoritesSortModel() override;

    // 0 for a project or folder (the record has FOLDER), 1 for a context
    // (neither FOLDER nor PERIOD), 2 for a task (PERIOD).
    static int kindRank(const QVariantMap& object);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};
