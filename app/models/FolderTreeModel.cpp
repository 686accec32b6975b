#include "models/FolderTreeModel.h"

#include <utility>

namespace {
const QString ChildrenKey = QStringLiteral("CHILDREN");
const QString FolderKey = QStringLiteral("FOLDER");
} // namespace

FolderTreeModel::FolderTreeModel(DataSource source, QObject* parent)
    : TreeModel(std::move(source), parent)
{
}

bool FolderTreeModel::hasVisibleChildren(const DataObject& record) const
{
    const QVariantList children = record.value(ChildrenKey).toList();
    for (const QVariant& child : children) {
        if (child.toMap().value(FolderKey).toBool())
            return true;
    }
    return false;
}
