#pragma once

#include "models/SortModel.h"

// The top-level contexts; a row without an id (the interface's "no context"
// entry) stays below the real ones.
class RootContextsListModel : public SortModel
{
    Q_OBJECT

public:
    explicit RootContextsListModel(QObject* parent = nullptr);

protected:
    Opinion firstHook(const QVariantMap& left, const QVariantMap& right) const override;
};
