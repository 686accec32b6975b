#include "models/RootContextsListModel.h"

RootContextsListModel::RootContextsListModel(QObject* parent)
    : SortModel(parent)
{
}

SortModel::Opinion RootContextsListModel::firstHook(const QVariantMap& left, const QVariantMap& right) const
{
    const bool leftWithout = idOf(left).isEmpty();
    const bool rightWithout = idOf(right).isEmpty();
    if (leftWithout == rightWithout)
        return Opinion::None;
    return leftWithout ? Opinion::RightFirst : Opinion::LeftFirst;
}
