#pragma once

#include "models/TreeModel.h"

// The project tree as a tree of folders: used to pick where a project or a
// folder goes. A row offers to be opened only when it holds folders.
class FolderTreeModel : public TreeModel
{
    Q_OBJECT

public:
    explicit FolderTreeModel(DataSource source, QObject* parent = nullptr);

protected:
    bool hasVisibleChildren(const DataObject& record) const override;
};
