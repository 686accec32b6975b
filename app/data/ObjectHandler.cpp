#include "data/ObjectHandler.h"

#include "data/DataManager.h"
#include "data/ObjectState.h"
#include "data/PredefinedDataHelper.h"
#include "logging/Log.h"
#include "models/SortModel.h"
#include "models/FavoritesManager.h"
#include "models/SearchSortFilterModel.h"

#include <QQmlEngine>

namespace {
const QString IdKey = QStringLiteral("ID");
const QString StateKey = QStringLiteral("STATE");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString FolderKey = QStringLiteral("FOLDER");
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
    FavoritesManager* favorites = FavoritesManager::instance();
    const int kind = favoriteKindOf(object);
    if (favorites->contains(kind, idOf(object)))
        favorites->remove(kind, idOf(object));
}

int ObjectHandler::favoriteKindOf(const DataObject& record)
{
    if (isTask(record))
        return FavoritesManager::TaskKind;
    return record.contains(FolderKey) ? FavoritesManager::ProjectKind : FavoritesManager::ContextKind;
}

int ObjectHandler::countActive(const QList<DataObject>& records)
{
    int count = 0;
    for (const DataObject& record : records)
        count += !record.isEmpty() && stateOf(record) == ObjectState::Active ? 1 : 0;
    return count;
}

void ObjectHandler::removeScheduledRemindersOnClose(const QString& taskId)
{
    m_data->removeAllRemindersById(taskId);
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

QAbstractItemModel* ObjectHandler::sortedModel(SortModel* proxy, QAbstractItemModel* source,
    const QString& listId, SortingNamespace::ListType listType, bool taskList) const
{
    source->setParent(proxy);
    proxy->setDataManager(m_data);
    proxy->setSourceModel(source);
    proxy->setTaskList(taskList);
    proxy->setListInfo(listId, listType);
    return handOut(proxy);
}

QString ObjectHandler::projectListId(const QString& projectId)
{
    const PredefinedDataHelper* builtIn = PredefinedDataHelper::instance();
    if (projectId == builtIn->quorvelBoxId())
        return QStringLiteral("quorvelbox");
    if (projectId == builtIn->oneStepActionsId())
        return QStringLiteral("1_step_actions");
    return projectId;
}

QAbstractItemModel* ObjectHandler::nameSearchModel(ListModel::DataSource source) const
{
    auto* proxy = new SearchSortFilterModel(true);
    // The source lives and dies with the proxy that the interface holds.
    auto* list = new ListModel(std::move(source), proxy);
    proxy->setSourceModel(list);
    return handOut(proxy);
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
