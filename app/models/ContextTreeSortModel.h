#pragma once

#include "models/TreeSortModel.h"

// The tree of contexts. As a parent picker it leaves out the context being
// edited and everything inside it; a row without id stays at the end.
class ContextTreeSortModel : public TreeSortModel
{
    Q_OBJECT

public:
    explicit ContextTreeSortModel(QObject* parent = nullptr);

protected:
    Opinion treeRule(const QVariantMap& left, const QVariantMap& right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
};
