#include "models/ContextTreeSortModel.h"

ContextTreeSortModel::ContextTreeSortModel(QObject* parent)
    : TreeSortModel(parent)
{
}

SortModel::Opinion ContextTreeSortModel::treeRule(const QVariantMap& left, const QVariantMap& right) const
{
    const bool leftWithout = idOf(left).isEmpty();
    const bool rightWithout = idOf(right).isEmpty();
    if (leftWithout == rightWithout)
        return Opinion::None;
    return leftWithout ? Opinion::RightFirst : Opinion::LeftFirst;
}

bool ContextTreeSortModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    const QVariantMap object = sourceObject(sourceModel()->index(sourceRow, 0, sourceParent));
    const QString filtered = filteredObjectId();
    if (!filtered.isEmpty()) {
        if (idOf(object) == filtered)
            return false;
        // A context lies inside another through its parents; a task or
        // project row lies inside its context.
        static const QString ContextKey = QStringLiteral("CONTEXT");
        const QString context = object.value(ContextKey).toString();
        if (!context.isEmpty() && (context == filtered || ancestorIds(objectById(context)).contains(filtered)))
            return false;
        if (ancestorIds(object).contains(filtered))
            return false;
    }
    return acceptsObject(object);
}
