#pragma once

#include "models/TreeSortModel.h"

// The tree of folders and projects: folders before projects among siblings,
// completed projects never shown, and the inbox and then the one-step
// actions list at the very end.
class ProjectTreeSortModel : public TreeSortModel
{
    Q_OBJECT

public:
    explicit ProjectTreeSortModel(QObject* parent = nullptr);

protected:
    Opinion treeRule(const QVariantMap& left, const QVariantMap& right) const override;
    bool siblingLess(const QVariantMap& left, const QVariantMap& right, const SortedListInfo& info) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
};
