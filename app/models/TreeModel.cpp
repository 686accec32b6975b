#include "models/TreeModel.h"

#include "data/ObjectState.h"
#include "logging/Log.h"

#include <QSet>
#include <QVector>

#include <algorithm>
#include <limits>
#include <utility>

namespace {
const QString IdKey = QStringLiteral("ID");
const QString StateKey = QStringLiteral("STATE");
const QString ChildrenKey = QStringLiteral("CHILDREN");

// Beyond this many moves (of a row or of a block of neighbouring rows) an
// update re-orders the rows in one layout change: a sort proxy rebuilds its
// whole mapping for every move it sees, so many moves cost more than one
// layout change.
const int MaxSeparateMoves = 8;

struct Row
{
    QString id;
    DataObject record;
    // Depth below the top level as shown; closing an item removes the rows
    // below it that are deeper. Kept apart from LEVEL, which comes with the
    // data and is not trusted to be consistent with what is shown.
    int depth = 0;
};

class BusyScope
{
public:
    explicit BusyScope(bool& flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~BusyScope() { m_flag = false; }

private:
    bool& m_flag;
};

QString idOf(const DataObject& record)
{
    return record.value(IdKey).toString();
}

// The records shown for the children of a node: the full node from the
// tree where there is one, since only nodes carry their own CHILDREN.
QVector<DataObject> childRecords(const TreeHierarchy& tree, const QString& id)
{
    QVector<DataObject> result;
    const QVariantList children = tree.node(id).value(ChildrenKey).toList();
    result.reserve(children.size());
    for (const QVariant& child : children) {
        const DataObject record = child.toMap();
        const QString childId = idOf(record);
        result.append(tree.contains(childId) ? tree.node(childId) : record);
    }
    return result;
}

// Positions (into values) of one longest strictly increasing subsequence.
QVector<int> longestIncreasingRun(const QVector<int>& values)
{
    QVector<int> tails; // tails[k]: position of the smallest end of a run of length k + 1
    QVector<int> previous(values.size(), -1);
    for (int i = 0; i < values.size(); ++i) {
        const auto at = std::lower_bound(tails.begin(), tails.end(), values.at(i),
            [&values](int position, int value) { return values.at(position) < value; });
        const int length = int(at - tails.begin());
        if (length > 0)
            previous[i] = tails.at(length - 1);
        if (at == tails.end())
            tails.append(i);
        else
            *at = i;
    }
    QVector<int> run(tails.size());
    for (int k = tails.size() - 1, i = tails.isEmpty() ? -1 : tails.last(); k >= 0; --k, i = previous.at(i))
        run[k] = i;
    return run;
}
} // namespace

struct TreeModel::Private
{
    explicit Private(DataSource source)
        : source(std::move(source))
    {
    }

    // The rows shown for a tree with these items opened. An object is shown
    // at most once: a tree whose parent links form a cycle, or that lists an
    // object under two parents, would otherwise repeat rows without end or
    // give two rows one identity. A top-level object always shows at the top
    // level, even when it is also some other object's child; that is also
    // what opening an item does, as the top level is always shown.
    QVector<Row> visibleRows(const TreeHierarchy& tree) const
    {
        struct Level
        {
            QVector<DataObject> records;
            int next;
            int depth;
        };
        QVector<Row> result;
        const QStringList rootIds = tree.rootIds();
        QSet<QString> shown(rootIds.begin(), rootIds.end());
        QVector<Level> stack;
        const QList<DataObject> roots = tree.roots();
        stack.append({ QVector<DataObject>(roots.begin(), roots.end()), 0, 0 });
        while (!stack.isEmpty()) {
            Level& level = stack.last();
            if (level.next >= level.records.size()) {
                stack.removeLast();
                continue;
            }
            const DataObject record = level.records.at(level.next++);
            const int depth = level.depth;
            const QString id = idOf(record);
            if (depth > 0 && shown.contains(id))
                continue;
            shown.insert(id);
            result.append({ id, record, depth });
            if (opened.contains(id)) {
                QVector<DataObject> children = childRecords(tree, id);
                if (!children.isEmpty())
                    stack.append({ std::move(children), 0, depth + 1 });
            }
        }
        return result;
    }

    int rowOf(const QString& id) const
    {
        if (staleFrom < rows.size()) {
            for (int i = staleFrom; i < rows.size(); ++i)
                rowById.insert(rows.at(i).id, i);
            staleFrom = std::numeric_limits<int>::max();
        }
        return rowById.value(id, -1);
    }

    // The row numbers in the index are brought up to date at the next
    // look-up, so that a run of structural changes renumbers once.
    void renumberFrom(int row) const { staleFrom = qMin(staleFrom, row); }

    void removeRows(int first, int last)
    {
        for (int row = first; row <= last; ++row)
            rowById.remove(rows.at(row).id);
        rows.erase(rows.begin() + first, rows.begin() + last + 1);
        renumberFrom(first);
    }

    void insertRows(int at, const QVector<Row>& block)
    {
        rows.insert(at, block.size(), Row());
        std::copy(block.begin(), block.end(), rows.begin() + at);
        renumberFrom(at);
    }

    void clearRows()
    {
        rows.clear();
        rowById.clear();
        staleFrom = std::numeric_limits<int>::max();
    }

    DataSource source;
    TreeHierarchy tree;
    QVector<Row> rows;
    QSet<QString> opened;
    bool busy = false;

    mutable QHash<QString, int> rowById;
    mutable int staleFrom = std::numeric_limits<int>::max();
};

TreeModel::TreeModel(DataSource source, QObject* parent)
    : QAbstractListModel(parent)
    , d(new Private(std::move(source)))
{
    update();
}

TreeModel::~TreeModel() = default;

int TreeModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : d->rows.size();
}

QVariant TreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= d->rows.size())
        return QVariant();
    const Row& row = d->rows.at(index.row());
    switch (role) {
    case TreeItemRole:
        return row.record;
    case HasChildrenRole:
        return hasVisibleChildren(row.record);
    case IsItemOpenedRole:
        return d->opened.contains(row.id);
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> TreeModel::roleNames() const
{
    return {
        { TreeItemRole, QByteArrayLiteral("treeItemRole") },
        { HasChildrenRole, QByteArrayLiteral("hasChildrenRole") },
        { IsItemOpenedRole, QByteArrayLiteral("isItemOpenedRole") },
    };
}

DataObject TreeModel::recordAt(int row) const
{
    return row >= 0 && row < d->rows.size() ? d->rows.at(row).record : DataObject();
}

int TreeModel::rowOfId(const QString& id) const
{
    return d->rowOf(id);
}

bool TreeModel::isOpened(const QString& id) const
{
    return d->opened.contains(id);
}

DataObject TreeModel::getObjectById(const QString& id) const
{
    return d->tree.node(id);
}

void TreeModel::requestDeletion()
{
    deleteLater();
}

bool TreeModel::hasVisibleChildren(const DataObject& record) const
{
    // Completed children are not shown in the tree, so they give nothing to
    // open.
    const QVariantList children = record.value(ChildrenKey).toList();
    for (const QVariant& child : children) {
        if (child.toMap().value(StateKey).toInt() != ObjectState::Completed)
            return true;
    }
    return false;
}

void TreeModel::openItem(const QString& objectId)
{
    if (d->busy) {
        QLOG_WARN() << "Tree item " << objectId << " cannot be opened while the tree is changing.";
        return;
    }
    const int row = d->rowOf(objectId);
    if (row < 0 || d->opened.contains(objectId))
        return;
    BusyScope busy(d->busy);

    d->opened.insert(objectId);
    const QModelIndex itemIndex = index(row);
    emit dataChanged(itemIndex, itemIndex, { IsItemOpenedRole });

    const int depth = d->rows.at(row).depth + 1;
    QVector<Row> block;
    QSet<QString> taken;
    for (const DataObject& record : childRecords(d->tree, objectId)) {
        const QString id = idOf(record);
        if (d->rowOf(id) >= 0 || taken.contains(id))
            continue;
        taken.insert(id);
        d->opened.remove(id);
        block.append({ id, record, depth });
    }
    if (block.isEmpty())
        return;
    beginInsertRows(QModelIndex(), row + 1, row + block.size());
    d->insertRows(row + 1, block);
    endInsertRows();
}

void TreeModel::closeItem(const QString& objectId)
{
    if (d->busy) {
        QLOG_WARN() << "Tree item " << objectId << " cannot be closed while the tree is changing.";
        return;
    }
    const int row = d->rowOf(objectId);
    if (row < 0 || !d->opened.contains(objectId))
        return;
    BusyScope busy(d->busy);

    d->opened.remove(objectId);
    // The rows below the item are the ones that follow it and are deeper;
    // the first row at its depth or above starts the next part of the tree.
    const int depth = d->rows.at(row).depth;
    int end = row + 1;
    while (end < d->rows.size() && d->rows.at(end).depth > depth)
        ++end;
    if (end > row + 1) {
        beginRemoveRows(QModelIndex(), row + 1, end - 1);
        for (int i = row + 1; i < end; ++i)
            d->opened.remove(d->rows.at(i).id);
        d->removeRows(row + 1, end - 1);
        endRemoveRows();
    }
    const QModelIndex itemIndex = index(row);
    emit dataChanged(itemIndex, itemIndex, { IsItemOpenedRole });
}

void TreeModel::clear()
{
    if (d->busy) {
        QLOG_WARN() << "Tree model clear requested while the tree is changing; ignored.";
        return;
    }
    BusyScope busy(d->busy);
    // Nothing shown is opened any more; a later update starts closed.
    d->opened.clear();
    if (d->rows.isEmpty())
        return;
    beginRemoveRows(QModelIndex(), 0, d->rows.size() - 1);
    d->clearRows();
    endRemoveRows();
}

void TreeModel::update()
{
    if (d->busy) {
        QLOG_WARN() << "Tree model update requested while the tree is changing; ignored.";
        return;
    }
    if (!d->source) {
        QLOG_ERROR() << "Tree model has no data source; the tree stays as it is.";
        return;
    }
    BusyScope busy(d->busy);
    refresh();
}

void TreeModel::refresh()
{
    // The new tree is in place before any row changes, so that a proxy that
    // looks up parents while it handles the notifications finds them.
    d->tree = d->source();
    const QVector<Row> next = d->visibleRows(d->tree);
    QHash<QString, int> targetRows;
    targetRows.reserve(next.size());
    for (int i = 0; i < next.size(); ++i)
        targetRows.insert(next.at(i).id, i);

    // An opened item that is no longer shown forgets it was opened: if it
    // shows again later, it shows closed, like every row that is inserted.
    for (auto it = d->opened.begin(); it != d->opened.end();) {
        if (targetRows.contains(*it))
            ++it;
        else
            it = d->opened.erase(it);
    }

    // Rows of objects no longer shown leave in blocks, the lowest first.
    for (int last = d->rows.size() - 1; last >= 0;) {
        if (targetRows.contains(d->rows.at(last).id)) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !targetRows.contains(d->rows.at(first - 1).id))
            --first;
        beginRemoveRows(QModelIndex(), first, last);
        d->removeRows(first, last);
        endRemoveRows();
        last = first - 1;
    }

    reorderKeptRows(targetRows);

    // The kept rows now stand in their new relative order: whatever is
    // missing between them is new and goes in as one block per gap.
    QSet<QString> kept;
    kept.reserve(d->rows.size());
    for (const Row& row : qAsConst(d->rows))
        kept.insert(row.id);
    for (int i = 0; i < next.size();) {
        if (i < d->rows.size() && d->rows.at(i).id == next.at(i).id) {
            ++i;
            continue;
        }
        int end = i;
        while (end < next.size() && !kept.contains(next.at(end).id))
            ++end;
        if (end == i) {
            // Cannot happen while the kept rows are in order; stop rather
            // than spin if it ever does.
            QLOG_ERROR() << "Tree rows out of order after an update at row " << i << ".";
            break;
        }
        beginInsertRows(QModelIndex(), i, end - 1);
        d->insertRows(i, next.mid(i, end - i));
        endInsertRows();
        i = end;
    }

    int firstChanged = d->rows.size();
    int lastChanged = -1;
    for (int i = 0; i < d->rows.size() && i < next.size(); ++i) {
        Row& row = d->rows[i];
        row.depth = next.at(i).depth;
        if (row.record != next.at(i).record) {
            row.record = next.at(i).record;
            firstChanged = qMin(firstChanged, i);
            lastChanged = qMax(lastChanged, i);
        }
    }
    if (firstChanged <= lastChanged)
        emit dataChanged(index(firstChanged), index(lastChanged));
}

void TreeModel::reorderKeptRows(const QHash<QString, int>& targetRows)
{
    const int count = d->rows.size();
    QVector<int> targets(count);
    for (int i = 0; i < count; ++i)
        targets[i] = targetRows.value(d->rows.at(i).id);

    // The rows of a longest run already in target order stay where they
    // are; only the others move.
    const QVector<int> run = longestIncreasingRun(targets);
    if (run.size() == count)
        return;
    QVector<bool> staying(count, false);
    for (int position : run)
        staying[position] = true;

    QVector<int> order(count); // current rows in target order
    for (int i = 0; i < count; ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&targets](int a, int b) { return targets.at(a) < targets.at(b); });

    // Rows that move and already stand together in target order (an opened
    // item with its children) move as one block.
    const auto blockLength = [&](int k) {
        int length = 1;
        while (k + length < count && !staying.at(order.at(k + length))
            && order.at(k + length) == order.at(k) + length)
            ++length;
        return length;
    };
    int blocks = 0;
    for (int k = 0; k < count; ++k) {
        if (!staying.at(order.at(k))) {
            ++blocks;
            k += blockLength(k) - 1;
        }
    }

    if (blocks > MaxSeparateMoves) {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        QVector<Row> reordered;
        reordered.reserve(count);
        QVector<int> newRowOf(count);
        for (int i = 0; i < count; ++i) {
            newRowOf[order.at(i)] = i;
            reordered.append(d->rows.at(order.at(i)));
        }
        const QModelIndexList from = persistentIndexList();
        QModelIndexList to;
        to.reserve(from.size());
        for (const QModelIndex& old : from)
            to.append(index(newRowOf.value(old.row(), old.row()), old.column()));
        changePersistentIndexList(from, to);
        d->rows = reordered;
        d->renumberFrom(0);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
        return;
    }

    QStringList ids;
    ids.reserve(count);
    for (int position : qAsConst(order))
        ids.append(d->rows.at(position).id);

    // Each block out of place goes right after the row that precedes it in
    // the target order. Walking in target order keeps every row placed so
    // far, and every staying row, in target order.
    for (int k = 0; k < count; ++k) {
        if (staying.at(order.at(k)))
            continue;
        const int length = blockLength(k);
        const int from = d->rowOf(ids.at(k));
        const int before = k == 0 ? 0 : d->rowOf(ids.at(k - 1)) + 1;
        k += length - 1;
        if (before == from)
            continue;
        beginMoveRows(QModelIndex(), from, from + length - 1, QModelIndex(), before);
        const QVector<Row> block = d->rows.mid(from, length);
        d->rows.erase(d->rows.begin() + from, d->rows.begin() + from + length);
        const int to = before > from ? before - length : before;
        d->rows.insert(to, length, Row());
        std::copy(block.begin(), block.end(), d->rows.begin() + to);
        d->renumberFrom(qMin(from, to));
        endMoveRows();
    }
}
