#include "models/FolderTreeSortModel.h"

FolderTreeSortModel::FolderTreeSortModel(QObject* parent)
    : TreeSortModel(parent)
{
}

bool FolderTreeSortModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    static const QString FolderKey = QStringLiteral("FOLDER");
    const QVariantMap object = sourceObject(sourceModel()->index(sourceRow, 0, sourceParent));
    if (!object.value(FolderKey).toBool())
        return false;
    const QString filtered = filteredObjectId();
    if (!filtered.isEmpty() && (idOf(object) == filtered || ancestorIds(object).contains(filtered)))
        return false;
    return acceptsObject(object);
}
