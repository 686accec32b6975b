#include "models/ListModel.h"

#include "data/ObjectState.h"
#include "logging/Log.h"
#include "models/ListModelPrivate.h"

#include <utility>

namespace {
const QString StateKey = QStringLiteral("STATE");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString FolderKey = QStringLiteral("FOLDER");

// Clears a flag when the scope ends, however it ends.
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
} // namespace

ListModel::ListModel(DataSource source, QObject* parent)
    : ListModel(new ListModelPrivate(std::move(source)), parent)
{
}

ListModel::ListModel(ListModelPrivate* state, QObject* parent)
    : QAbstractListModel(parent)
    , d(state)
{
    update();
}

ListModel::~ListModel() = default;

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : d->rows.size();
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= d->rows.size())
        return QVariant();
    const DataObject& record = d->rows.at(index.row());
    switch (role) {
    case ListItemRole:
        return record;
    case StateRole:
        return record.value(StateKey).toInt();
    case ObjectTypeRole:
        return objectTypeOf(record);
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> ListModel::roleNames() const
{
    return {
        { ListItemRole, QByteArrayLiteral("listItemRole") },
        { StateRole, QByteArrayLiteral("stateRole") },
        { ObjectTypeRole, QByteArrayLiteral("objectTypeRole") },
    };
}

DataObject ListModel::recordAt(int row) const
{
    return d->rows.value(row);
}

int ListModel::rowOfId(const QString& id) const
{
    return d->rowOf(id);
}

QString ListModel::objectTypeOf(const DataObject& record)
{
    if (record.value(StateKey).toInt() == ObjectState::Completed)
        return QStringLiteral("completed");
    if (record.contains(PeriodKey))
        return QStringLiteral("task");
    if (record.contains(FolderKey))
        return record.value(FolderKey).toBool() ? QStringLiteral("folder") : QStringLiteral("project");
    return QStringLiteral("context");
}

void ListModel::prepareUpdate() { }

void ListModel::update()
{
    if (d->busy) {
        QLOG_WARN() << "List model update requested while the list is changing; ignored.";
        return;
    }
    if (!d->source) {
        QLOG_ERROR() << "List model has no data source; the list stays as it is.";
        return;
    }
    {
        BusyScope busy(d->busy);
        refresh();
    }
    // Outside the busy scope: a listener may well ask for the next update.
    emit updated();
}

void ListModel::refresh()
{
    prepareUpdate();
    const QList<DataObject> fetched = d->source();

    // One record per ID: a source that lists an object twice would otherwise
    // give two rows the same identity. The first wins, as it would in the
    // order of first arrival.
    QVector<DataObject> fresh;
    fresh.reserve(fetched.size());
    QHash<QString, int> freshById;
    freshById.reserve(fetched.size());
    int duplicates = 0;
    for (const DataObject& record : fetched) {
        const QString id = ListModelPrivate::idOf(record);
        if (freshById.contains(id)) {
            ++duplicates;
            continue;
        }
        freshById.insert(id, fresh.size());
        fresh.append(record);
    }
    if (duplicates > 0)
        QLOG_WARN() << "List data source returned " << duplicates << " records with an ID already listed.";

    // Rows that are gone or changed state leave, in blocks of neighbouring
    // rows, the lowest block first so that the rows above keep their numbers.
    const auto keeps = [&](int row) {
        const DataObject& current = d->rows.at(row);
        const int at = freshById.value(ListModelPrivate::idOf(current), -1);
        return at >= 0 && fresh.at(at).value(StateKey).toInt() == current.value(StateKey).toInt();
    };
    for (int last = d->rows.size() - 1; last >= 0;) {
        if (keeps(last)) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !keeps(first - 1))
            --first;
        beginRemoveRows(QModelIndex(), first, last);
        d->removeRows(first, last);
        endRemoveRows();
        last = first - 1;
    }

    // Kept rows take their new records in place; the others join at the end
    // in the order the source gave them.
    const int kept = d->rows.size();
    int firstChanged = d->everyRowChangesOnUpdate ? 0 : kept;
    int lastChanged = d->everyRowChangesOnUpdate ? kept - 1 : -1;
    QVector<DataObject> arrivals;
    for (const DataObject& record : qAsConst(fresh)) {
        const int row = d->rowOf(ListModelPrivate::idOf(record));
        if (row < 0) {
            arrivals.append(record);
            continue;
        }
        if (d->rows.at(row) != record) {
            d->rows[row] = record;
            firstChanged = qMin(firstChanged, row);
            lastChanged = qMax(lastChanged, row);
        }
    }
    if (!arrivals.isEmpty()) {
        beginInsertRows(QModelIndex(), kept, kept + arrivals.size() - 1);
        d->appendRows(arrivals);
        endInsertRows();
    }
    if (firstChanged <= lastChanged)
        emit dataChanged(index(firstChanged), index(lastChanged));
}

void ListModel::requestDeletion()
{
    deleteLater();
}

void ListModel::clear()
{
    if (d->busy) {
        QLOG_WARN() << "List model clear requested while the list is changing; ignored.";
        return;
    }
    if (d->rows.isEmpty())
        return;
    BusyScope busy(d->busy);
    beginRemoveRows(QModelIndex(), 0, d->rows.size() - 1);
    d->clearRows();
    endRemoveRows();
}
