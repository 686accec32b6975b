#pragma once

#include "models/TreeSortModel.h"

// The folders of the project tree, to pick where a project or folder goes:
// the folder being moved and every folder inside it are left out.
class FolderTreeSortModel : public TreeSortModel
{
    Q_OBJECT

public:
    explicit FolderTreeSortModel(QObject* parent = nullptr);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
};
