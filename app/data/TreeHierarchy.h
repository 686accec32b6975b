#pragma once

#include "data/DataObject.h"

#include <QHash>
#include <QMetaType>
#include <QString>
#include <QStringList>

// The result of a tree query: every row is a node, found by its ID; a node is
// its record plus "CHILDREN", the records of the rows whose PARENT is its ID
// in query order. The children inside "CHILDREN" carry no children of their
// own: deeper levels are reached by looking them up again by ID. The roots
// are the rows with LEVEL 0, in query order.
class TreeHierarchy
{
public:
    TreeHierarchy() = default;

    // Builds the tree from rows ordered by level, then parent. A row whose ID
    // came earlier (a duplicate) is left out: a node must be one object.
    static TreeHierarchy fromRows(const QList<DataObject>& rows);

    bool isEmpty() const { return m_order.isEmpty(); }
    int size() const { return m_order.size(); }
    bool contains(const QString& id) const { return m_nodes.contains(id); }

    // The node with its CHILDREN; an empty record when there is none.
    DataObject node(const QString& id) const { return m_nodes.value(id); }
    // The children of a node, in query order.
    QList<DataObject> children(const QString& id) const;
    QList<DataObject> roots() const;
    QStringList rootIds() const { return m_rootIds; }
    // Every node's ID in query order.
    QStringList ids() const { return m_order; }
    const QHash<QString, DataObject>& nodes() const { return m_nodes; }

    // Registers "TreeHierarchy" with the meta-type system; safe to call again.
    static void registerMetaType();

private:
    QHash<QString, DataObject> m_nodes;
    QStringList m_order;
    QStringList m_rootIds;
};

Q_DECLARE_METATYPE(TreeHierarchy)
