#include "data/ObjectHandler.h"

#include "data/DataManager.h"
#include "data/ObjectState.h"
#include "logging/Log.h"

#include <QQmlEngine>

namespace {
const QString IdKey = QStringLiteral("ID");
const QString StateKey = QStringLiteral("STATE");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString SyncedKey = QStringLiteral("SYNCED");
const QString LocalKey = QStringLiteral("LOCAL");
} // namespace

ObjectHandler::ObjectHandler(DataManager* dataManager, QObject* parent)
    : QObject(parent)
    , m_data(dataManager ? dataManager : DataManager::instance())
{
}

bool ObjectHandler::finishWrite(bool written)
{
    if (!written) {
        m_data->rollbackChanges();
        return false;
    }
    return m_data->commitChanges();
}

bool ObjectHandler::keepPending(bool written)
{
    if (!written)
        m_data->rollbackChanges();
    return written;
}

void ObjectHandler::scheduleSync()
{
    m_data->restartSyncTimer();
}

void ObjectHandler::removeFromFavoritesOnClose(const DataObject& object)
{
    Q_UNUSED(object)
}

void ObjectHandler::removeScheduledRemindersOnClose(const QString& taskId)
{
    Q_UNUSED(taskId)
}

void ObjectHandler::cancelScheduledSync()
{
    m_data->stopSyncTimer();
}

QAbstractItemModel* ObjectHandler::handOut(QAbstractItemModel* model)
{
    QQmlEngine::setObjectOwnership(model, QQmlEngine::JavaScriptOwnership);
    return model;
}

QAbstractItemModel* ObjectHandler::listModel(ListModel::DataSource source) const
{
    return handOut(new ListModel(std::move(source)));
}

QAbstractItemModel* ObjectHandler::recordModel(std::function<DataObject()> read) const
{
    return listModel([read = std::move(read)] {
        const DataObject record = read();
        return record.isEmpty() ? QList<DataObject>() : QList<DataObject> { record };
    });
}

QAbstractItemModel* ObjectHandler::treeModel(TreeModel::DataSource source) const
{
    return handOut(new TreeModel(std::move(source)));
}

TreeHierarchy ObjectHandler::withoutSubtree(const TreeHierarchy& tree, const QString& excludedId)
{
    if (excludedId.isEmpty() || !tree.contains(excludedId))
        return tree;

    QSet<QString> excluded { excludedId };
    QStringList pending { excludedId };
    while (!pending.isEmpty()) {
        for (const DataObject& child : tree.children(pending.takeFirst())) {
            const QString childId = idOf(child);
            // A broken tree may loop; each object is left out once.
            if (!excluded.contains(childId)) {
                excluded.insert(childId);
                pending.append(childId);
            }
        }
    }

    QList<DataObject> rows;
    for (const QString& id : tree.ids()) {
        if (!excluded.contains(id))
            rows.append(tree.node(id));
    }
    return TreeHierarchy::fromRows(rows);
}

DataObject ObjectHandler::asNewObject(DataObject record)
{
    record.remove(IdKey);
    record.remove(SyncedKey);
    record.remove(LocalKey);
    return record;
}

bool ObjectHandler::childStateIn(const QVariantMap& childrenInfo, const QString& childId, int* state)
{
    const auto found = childrenInfo.constFind(childId);
    if (found == childrenInfo.cend())
        return false;
    const QVariant value = found.value().userType() == QMetaType::QVariantMap
        ? found.value().toMap().value(StateKey)
        : found.value();
    bool isNumber = false;
    const int number = value.toInt(&isNumber);
    if (!isNumber || number < ObjectState::Active || number > ObjectState::CompletedAndDeleted) {
        QLOG_WARN() << "The state given for the child " << childId << " is not a state: " << value.toString();
        return false;
    }
    *state = number;
    return true;
}

QString ObjectHandler::idOf(const DataObject& record)
{
    return record.value(IdKey).toString();
}

int ObjectHandler::stateOf(const DataObject& record)
{
    return record.value(StateKey).toInt();
}

bool ObjectHandler::isTask(const DataObject& record)
{
    return record.contains(PeriodKey);
}
