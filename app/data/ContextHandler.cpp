#include "data/ContextHandler.h"

#include "data/DataManager.h"
#include "data/ObjectState.h"
#include "logging/Log.h"
#include "models/ContextTaskSortModel.h"
#include "models/ContextTreeSortModel.h"
#include "models/FavoritesManager.h"
#include "models/RootContextsListModel.h"

namespace {
const QString IdKey = QStringLiteral("ID");
const QString ParentKey = QStringLiteral("PARENT");
const QString StateKey = QStringLiteral("STATE");
const QString RootContextsList = QStringLiteral("root_contexts");
} // namespace

ContextHandler::ContextHandler(QObject* parent)
    : ContextHandler(nullptr, parent)
{
}

ContextHandler::ContextHandler(DataManager* dataManager, QObject* parent)
    : ObjectHandler(dataManager, parent)
{
}

ContextHandler::~ContextHandler() = default;

// --- Counts and names.

int ContextHandler::getNestedContextCount(const QString& contextId, bool includeAllStates)
{
    return dataManager()->getNestedContextCount(contextId, includeAllStates);
}

QStringList ContextHandler::getContextNameChain(const QString& contextId)
{
    return dataManager()->getContextNameChain(contextId);
}

int ContextHandler::getContextTaskCount(const QString& contextId)
{
    return dataManager()->getContextTaskCount(contextId);
}

int ContextHandler::getContextProjectCount(const QString& contextId)
{
    return dataManager()->getContextProjectCount(contextId);
}

int ContextHandler::getContextProjectCountRecursive(const QString& contextId)
{
    return dataManager()->getContextProjectCountRecursive(contextId);
}

int ContextHandler::getContextTaskCountRecursive(const QString& contextId)
{
    return dataManager()->getContextTaskCountRecursive(contextId);
}

bool ContextHandler::hasDeletedContexts()
{
    return dataManager()->hasDeletedContexts();
}

// --- Lists and trees.

QAbstractItemModel* ContextHandler::getContextTreeModel(const QString& filteredObjectId)
{
    DataManager* data = dataManager();
    auto* contexts = new ContextTreeSortModel();
    contexts->setFilteredObjectId(filteredObjectId);
    return sortedModel(contexts, new TreeModel([data] { return data->getContextTree(); }), RootContextsList,
        SortingNamespace::ListTypeContext, false);
}

QAbstractItemModel* ContextHandler::getRootContextListModel()
{
    DataManager* data = dataManager();
    return sortedModel(new RootContextsListModel(), new ListModel([data] { return data->getRootContexts(); }),
        RootContextsList, SortingNamespace::ListTypeContext, false);
}

QAbstractItemModel* ContextHandler::getAllContextsSearchModel()
{
    DataManager* data = dataManager();
    return nameSearchModel([data] { return data->getAllContexts(); });
}

QAbstractItemModel* ContextHandler::getContextChildren(const QString& id)
{
    DataManager* data = dataManager();
    // Sub-contexts, projects and tasks in one list; completed rows follow
    // the setting for tasks, which make up most of it.
    return sortedModel(new ContextTaskSortModel(), new ListModel([data, id] { return data->getContextChildren(id); }),
        id, SortingNamespace::ListTypeContext, true);
}

QAbstractItemModel* ContextHandler::getContextById(const QString& id)
{
    DataManager* data = dataManager();
    return recordModel([data, id] { return data->getContextById(id); });
}

QAbstractItemModel* ContextHandler::getDeletedContexts()
{
    DataManager* data = dataManager();
    return sortedModel(new SortModel(), new ListModel([data] { return data->getDeletedContexts(); }), QString(),
        SortingNamespace::ListTypeContext, false);
}

// --- Changes committed at once.

bool ContextHandler::createContext(const QVariantMap& context)
{
    if (!finishWrite(dataManager()->createContextLocally(context)))
        return false;
    emit contextAdded(context);
    scheduleSync();
    return true;
}

bool ContextHandler::updateContext(const QVariantMap& context)
{
    return update(context, dataManager()->updateContextLocally(context));
}

bool ContextHandler::restoreContext(const QVariantMap& context)
{
    return update(context, dataManager()->restoreContext(context));
}

bool ContextHandler::update(const QVariantMap& context, bool written)
{
    if (!finishWrite(written))
        return false;
    emit contextUpdated(context);
    scheduleSync();
    return true;
}

QString ContextHandler::lastCreatedContextId()
{
    return dataManager()->lastCreatedObjectId();
}

// --- Cloning.

bool ContextHandler::cloneContext(const QVariantMap& context)
{
    QSet<QString> seen;
    if (cloneObject(context, &seen))
        return true;
    QLOG_WARN() << "Unable to clone the context " << idOf(context) << ".";
    return false;
}

bool ContextHandler::cloneObject(const DataObject& source, QSet<QString>* seen)
{
    const QString sourceId = idOf(source);
    seen->insert(sourceId);

    DataObject copy = asNewObject(source);
    if (!dataManager()->createContextLocally(copy)) {
        dataManager()->rollbackChanges();
        return false;
    }
    const QString copyId = dataManager()->lastCreatedObjectId();
    if (!dataManager()->commitChanges())
        return false;
    seen->insert(copyId);
    copy.insert(IdKey, copyId);
    emit contextAdded(copy);
    scheduleSync();
    copySortingOnClone(sourceId, copyId);
    if (sourceId.isEmpty())
        return true;

    // Only the sub-contexts are copied: a project or task carries its
    // context as a field, it is not a thing the context holds, and making a
    // context out of one would fail on the fields a context does not have.
    bool cloned = true;
    for (DOContext child : dataManager()->getNestedContexts(sourceId)) {
        // A context pasted into itself holds its own copy by now, and a broken
        // tree may loop: nothing is copied twice.
        if (seen->contains(idOf(child)))
            continue;
        child.insert(ParentKey, copyId);
        cloned &= cloneObject(child, seen);
    }
    return cloned;
}

// --- Moving.

bool ContextHandler::moveContext(
    const QVariantMap& context, const QString& newParent, const QVariantMap& childrenInfo)
{
    const QString id = idOf(context);
    if (liesInside(newParent, id)) {
        QLOG_WARN() << "The context " << id << " cannot be moved into itself or into a context inside it.";
        return false;
    }
    QVariantMap moved = context;
    moved.insert(ParentKey, newParent);
    if (!finishWrite(dataManager()->updateContextLocally(moved)))
        return false;
    const bool childrenWritten = applyChildrenStates(id, childrenInfo);
    // Announced once the sub-contexts are in place too, so that the views
    // that refresh on it see them as they now are.
    emit contextUpdated(moved);
    scheduleSync();
    return childrenWritten;
}

bool ContextHandler::liesInside(const QString& contextId, const QString& containerId)
{
    QSet<QString> visited;
    for (QString id = contextId; !id.isEmpty() && !visited.contains(id);
         id = dataManager()->getContextById(id).value(ParentKey).toString()) {
        if (id == containerId)
            return true;
        visited.insert(id);
    }
    return false;
}

bool ContextHandler::applyChildrenStates(const QString& contextId, const QVariantMap& childrenInfo)
{
    if (childrenInfo.isEmpty())
        return true;

    bool written = true;
    bool wroteAny = false;
    int state = 0;
    // Every sub-context in any state, outer ones first: the sub-contexts of
    // a cut context are in the trash by now.
    for (const DOContext& child : dataManager()->getSubcontextsRecursive(contextId)) {
        const QString childId = idOf(child);
        if (childId == contextId || !childStateIn(childrenInfo, childId, &state))
            continue;
        DOContext current = dataManager()->getContextById(childId);
        if (current.isEmpty() || stateOf(current) == state)
            continue;
        current.insert(StateKey, state);
        written &= dataManager()->updateContextLocally(current);
        wroteAny = true;
    }
    if (!wroteAny)
        return true;
    if (!finishWrite(written)) {
        QLOG_WARN() << "The states of the contexts inside " << contextId << " could not be set.";
        return false;
    }
    return true;
}

// --- Pending changes.

bool ContextHandler::markContextAsDeleted(const QVariantMap& context, bool emitUpdateSignal)
{
    QLOG_INFO() << "Marking the context " << idOf(context) << " with state " << stateOf(context)
                << " as deleted...";
    QVariantMap changed = context;
    changed.insert(StateKey, stateOf(context) | ObjectState::DeletedFlag);
    m_pendingRecords.clear();
    if (!keepPending(dataManager()->updateContextLocally(changed)))
        return false;
    m_pendingRecords = dataManager()->lastUpdatedObjects();
    if (emitUpdateSignal)
        emit contextUpdated(changed);
    scheduleSync();
    return true;
}

bool ContextHandler::confirmContextUpdate(const QVariantMap& context)
{
    QList<DataObject> reached = m_pendingRecords;
    m_pendingRecords.clear();
    if (!dataManager()->commitChanges())
        return false;

    const QString id = idOf(context);
    DOContext stored = dataManager()->getContextById(id);
    if (stored.isEmpty())
        stored = context;
    bool contextReached = false;
    for (const DataObject& record : reached)
        contextReached |= idOf(record) == id;
    if (!contextReached)
        reached.append(stored);

    for (const DataObject& record : reached) {
        if (stateOf(record) == ObjectState::Active)
            continue;
        removeFromFavoritesOnClose(record);
        if (isTask(record))
            removeScheduledRemindersOnClose(idOf(record));
    }
    emit contextUpdated(stored);
    return true;
}

void ContextHandler::revertContextState(const QVariantMap& context, bool emitUpdateSignal)
{
    QLOG_INFO() << "Reverting context's state...";
    dataManager()->rollbackChanges();
    cancelScheduledSync();
    m_pendingRecords.clear();
    if (emitUpdateSignal)
        emit contextUpdated(context);
}

// --- Follow-ups.

void ContextHandler::copySortingOnClone(const QString& sourceId, const QString& copyId)
{
    // Manual positions name the source's objects, so only the type and
    // grouping carry over.
    DataManager* data = dataManager();
    if (sourceId.isEmpty() || copyId.isEmpty() || !data->hasSortedListInfo(sourceId, SortingNamespace::ListTypeContext))
        return;
    const SortedListInfo info = data->getSortedListInfo(sourceId, SortingNamespace::ListTypeContext);
    data->setSortedList(copyId, SortingNamespace::ListTypeContext, info.sortingType, info.groupByDate);
}


// --- Favorites.

void ContextHandler::addToFavorites(const QVariantMap& context)
{
    FavoritesManager::instance()->add(FavoritesManager::ContextKind, idOf(context));
}

void ContextHandler::removeFromFavorites(const QVariantMap& context)
{
    FavoritesManager::instance()->remove(FavoritesManager::ContextKind, idOf(context));
}

bool ContextHandler::inFavorites(const QVariantMap& context)
{
    return FavoritesManager::instance()->contains(FavoritesManager::ContextKind, idOf(context));
}

int ContextHandler::contextCountInFavorites()
{
    QList<DataObject> contexts;
    for (const QString& id : FavoritesManager::instance()->contextIds())
        contexts.append(dataManager()->getContextById(id));
    return countActive(contexts);
}
