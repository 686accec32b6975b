#include "models/TreeSortModel.h"

#include "logging/Log.h"
#include "models/TreeModel.h"

#include <QSet>

namespace {
const QString IdKey = QStringLiteral("ID");
const QString ParentKey = QStringLiteral("PARENT");
} // namespace

struct TreeSortModel::Private
{
    mutable QHash<QString, SortedListInfo> infos;
    QString filteredId;
};

TreeSortModel::TreeSortModel(QObject* parent)
    : SortModel(parent)
    , d(new Private)
{
}

TreeSortModel::~TreeSortModel() = default;

TreeModel* TreeSortModel::sourceTree() const
{
    return qobject_cast<TreeModel*>(sourceModel());
}

void TreeSortModel::setFilteredObjectId(const QString& objectId)
{
    if (d->filteredId == objectId)
        return;
    d->filteredId = objectId;
    invalidateFilter();
}

QString TreeSortModel::filteredObjectId() const
{
    return d->filteredId;
}

void TreeSortModel::openItem(const QString& objectId)
{
    if (TreeModel* tree = sourceTree())
        tree->openItem(objectId);
}

void TreeSortModel::closeItem(const QString& objectId)
{
    if (TreeModel* tree = sourceTree())
        tree->closeItem(objectId);
}

void TreeSortModel::update()
{
    if (TreeModel* tree = sourceTree())
        tree->update();
    reloadSortingInfo();
    resort();
    emit updated();
}

void TreeSortModel::reloadSortingInfo()
{
    SortModel::reloadSortingInfo();
    d->infos.clear();
    d->infos.insert(listId(), sortingInfo());
}

SortedListInfo TreeSortModel::listInfo(const QString& id) const
{
    const auto known = d->infos.constFind(id);
    if (known != d->infos.cend())
        return known.value();
    const SortedListInfo info = loadSortingInfo(id, listType());
    d->infos.insert(id, info);
    return info;
}

QVariantMap TreeSortModel::objectById(const QString& id) const
{
    const TreeModel* tree = sourceTree();
    if (!tree || id.isEmpty())
        return QVariantMap();
    return tree->getObjectById(id);
}

QString TreeSortModel::parentListOf(const QVariantMap& object) const
{
    const QString parentId = object.value(ParentKey).toString();
    if (parentId.isEmpty() || parentId == idOf(object) || objectById(parentId).isEmpty())
        return listId();
    return parentId;
}

QList<QVariantMap> TreeSortModel::chainOf(const QVariantMap& object) const
{
    QList<QVariantMap> chain { object };
    QSet<QString> seen { idOf(object) };
    QVariantMap current = object;
    for (;;) {
        const QString parentId = current.value(ParentKey).toString();
        if (parentId.isEmpty() || seen.contains(parentId))
            break;
        const QVariantMap parent = objectById(parentId);
        if (parent.isEmpty())
            break;
        seen.insert(parentId);
        chain.append(parent);
        current = parent;
    }
    return chain;
}

QStringList TreeSortModel::ancestorIds(const QVariantMap& object) const
{
    QStringList ids;
    const QList<QVariantMap> chain = chainOf(object);
    for (int i = 1; i < chain.size(); ++i)
        ids.append(idOf(chain.at(i)));
    return ids;
}

SortModel::Opinion TreeSortModel::manualOpinion(
    const QVariantMap& left, const QVariantMap& right, const SortedListInfo& info)
{
    if (info.sortingType != SortingNamespace::ManualType)
        return Opinion::None;
    const auto leftPosition = info.orderHash.constFind(idOf(left));
    const auto rightPosition = info.orderHash.constFind(idOf(right));
    const auto end = info.orderHash.cend();
    if (leftPosition == end || rightPosition == end || leftPosition.value() == rightPosition.value())
        return Opinion::None;
    return leftPosition.value() < rightPosition.value() ? Opinion::LeftFirst : Opinion::RightFirst;
}

bool TreeSortModel::choiceDateLess(const QVariantMap& left, const QVariantMap& right, const SortedListInfo& info)
{
    if (info.sortingType == SortingNamespace::ManualType)
        return dateOrderLess(left, right, SortingNamespace::TimestampAscType, true);
    return dateOrderLess(left, right, info.sortingType, info.groupByDate);
}

bool TreeSortModel::siblingLess(const QVariantMap& left, const QVariantMap& right, const SortedListInfo& info) const
{
    // A tree that was dragged into an order keeps it, like every other list.
    const Opinion manual = manualOpinion(left, right, info);
    if (manual != Opinion::None)
        return manual == Opinion::LeftFirst;
    return choiceDateLess(left, right, info);
}

SortModel::Opinion TreeSortModel::treeRule(const QVariantMap&, const QVariantMap&) const
{
    return Opinion::None;
}

bool TreeSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QVariantMap leftObject = sourceObject(left);
    const QVariantMap rightObject = sourceObject(right);
    const Opinion rule = treeRule(leftObject, rightObject);
    if (rule != Opinion::None)
        return rule == Opinion::LeftFirst;
    return treeLess(leftObject, rightObject);
}

bool TreeSortModel::treeLess(const QVariantMap& left, const QVariantMap& right) const
{
    if (idOf(left) == idOf(right))
        return false;
    const QString leftList = parentListOf(left);
    if (leftList == parentListOf(right))
        return siblingLess(left, right, listInfo(leftList));

    // Rows under different parents: climb to the nearest common ancestor and
    // order the two branches that leave it.
    const QList<QVariantMap> leftChain = chainOf(left);
    const QList<QVariantMap> rightChain = chainOf(right);
    QHash<QString, int> rightDepth;
    for (int i = 0; i < rightChain.size(); ++i)
        rightDepth.insert(idOf(rightChain.at(i)), i);
    if (rightDepth.contains(idOf(left))) {
        // Each above the other: a loop of parents. Both count as top-level
        // rows, so that the two still have one order.
        for (int i = 1; i < leftChain.size(); ++i) {
            if (idOf(leftChain.at(i)) == idOf(right))
                return siblingLess(left, right, listInfo(listId()));
        }
    }

    for (int i = 0; i < leftChain.size(); ++i) {
        const auto common = rightDepth.constFind(idOf(leftChain.at(i)));
        if (common == rightDepth.cend())
            continue;
        if (i == 0)
            return true;    // left is an ancestor of right
        if (common.value() == 0)
            return false;   // right is an ancestor of left
        const QVariantMap& leftBranch = leftChain.at(i - 1);
        const QVariantMap& rightBranch = rightChain.at(common.value() - 1);
        return siblingLess(leftBranch, rightBranch, listInfo(idOf(leftChain.at(i))));
    }

    // No common ancestor: the two tops are top-level rows, or rows whose
    // chain was cut; they are ordered as siblings.
    const QVariantMap& leftTop = leftChain.last();
    const QVariantMap& rightTop = rightChain.last();
    const QString topList = parentListOf(leftTop);
    return siblingLess(leftTop, rightTop, listInfo(topList == parentListOf(rightTop) ? topList : listId()));
}

void TreeSortModel::moveItem(int oldIndex, int newIndex)
{
    const int count = rowCount();
    if (oldIndex == newIndex)
        return;
    if (oldIndex < 0 || oldIndex >= count || newIndex < 0 || newIndex >= count) {
        QLOG_WARN() << "A tree row cannot move from " << oldIndex << " to " << newIndex << " in a tree of "
                    << count << " rows.";
        return;
    }
    const QString parentList = parentListOf(getObjectByIndex(oldIndex));
    QStringList siblings;
    int oldPosition = -1;
    int passed = 0;
    for (int row = 0; row < count; ++row) {
        const QVariantMap object = getObjectByIndex(row);
        if (parentListOf(object) != parentList)
            continue;
        if (row == oldIndex)
            oldPosition = siblings.size();
        else if ((oldIndex < newIndex && row > oldIndex && row <= newIndex)
            || (oldIndex > newIndex && row >= newIndex && row < oldIndex))
            ++passed;   // a sibling the moved row goes past
        siblings.append(idOf(object));
    }
    const int newPosition = oldIndex < newIndex ? oldPosition + passed : oldPosition - passed;
    if (newPosition == oldPosition)
        return;

    const QList<int> positions = positionsAfterMove(siblings.size(), oldPosition, newPosition);
    OrderHash order;
    for (int i = 0; i < siblings.size(); ++i)
        order.insert(siblings.at(i), positions.at(i));
    storeManualOrder(parentList, listType(), order);
    reloadSortingInfo();
    resort();
}
