#include "data/TreeHierarchy.h"

#include <QVariantList>

namespace {
const QString IdKey = QStringLiteral("ID");
const QString ParentKey = QStringLiteral("PARENT");
const QString LevelKey = QStringLiteral("LEVEL");
const QString ChildrenKey = QStringLiteral("CHILDREN");
} // namespace

TreeHierarchy TreeHierarchy::fromRows(const QList<DataObject>& rows)
{
    TreeHierarchy tree;
    tree.m_nodes.reserve(rows.size());
    tree.m_order.reserve(rows.size());

    // Children are collected apart and put into their parents at the end, so
    // that each parent is copied once rather than once per child.
    QHash<QString, QVariantList> children;
    for (const DataObject& row : rows) {
        const QString id = row.value(IdKey).toString();
        if (tree.m_nodes.contains(id))
            continue;
        tree.m_nodes.insert(id, row);
        tree.m_order.append(id);
        const QString parent = row.value(ParentKey).toString();
        if (parent != id)
            children[parent].append(row);
        if (row.value(LevelKey).toInt() == 0)
            tree.m_rootIds.append(id);
    }
    for (auto it = tree.m_nodes.begin(); it != tree.m_nodes.end(); ++it)
        it.value().insert(ChildrenKey, children.value(it.key()));
    return tree;
}

QList<DataObject> TreeHierarchy::children(const QString& id) const
{
    QList<DataObject> result;
    const QVariantList list = m_nodes.value(id).value(ChildrenKey).toList();
    result.reserve(list.size());
    for (const QVariant& child : list)
        result.append(child.toMap());
    return result;
}

QList<DataObject> TreeHierarchy::roots() const
{
    QList<DataObject> result;
    result.reserve(m_rootIds.size());
    for (const QString& id : m_rootIds)
        result.append(m_nodes.value(id));
    return result;
}

void TreeHierarchy::registerMetaType()
{
    static const bool registered = [] {
        qRegisterMetaType<TreeHierarchy>("TreeHierarchy");
        return true;
    }();
    Q_UNUSED(registered)
}
