#pragma once

#include "models/SortModel.h"

// The content of a context: its sub-contexts, then its projects, then its
// tasks, each kind in the list's order.
class ContextTaskSortModel : public SortModel
{
    Q_OBJECT

public:
    explicit ContextTaskSortModel(QObject* parent = nullptr);

protected:
    Opinion secondHook(const QVariantMap& left, const QVariantMap& right) const override;
};
