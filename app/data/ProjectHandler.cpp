#include "data/ProjectHandler.h"

#include "data/DataManager.h"
#include "data/ObjectState.h"
#include "data/PredefinedDataHelper.h"
#include "logging/Log.h"
#include "models/FavoritesManager.h"
#include "models/FolderTreeModel.h"
#include "models/FolderTreeSortModel.h"
#include "models/ProjectFolderSortModel.h"
#include "models/ProjectTreeSortModel.h"

namespace {
const QString RootProjectsList = QStringLiteral("root_projects");
} // namespace

namespace {
const QString IdKey = QStringLiteral("ID");
const QString NameKey = QStringLiteral("NAME");
const QString ParentKey = QStringLiteral("PARENT");
const QString StateKey = QStringLiteral("STATE");
const QString FolderKey = QStringLiteral("FOLDER");
const QString LevelKey = QStringLiteral("LEVEL");
const QString ContextKey = QStringLiteral("CONTEXT");
} // namespace

ProjectHandler::ProjectHandler(QObject* parent)
    : ProjectHandler(nullptr, parent)
{
}

ProjectHandler::ProjectHandler(DataManager* dataManager, QObject* parent)
    : ObjectHandler(dataManager, parent)
{
}

ProjectHandler::~ProjectHandler() = default;

// --- Counts and names.

int ProjectHandler::getNestedFolderCount(const QString& folderId, bool includeDeleted)
{
    return dataManager()->getNestedFolderCount(folderId, includeDeleted);
}

int ProjectHandler::getNestedProjectCount(const QString& folderId, bool includeDeleted)
{
    return dataManager()->getNestedProjectCount(folderId, includeDeleted);
}

QStringList ProjectHandler::getProjectNameChain(const QString& projectId)
{
    return dataManager()->getProjectNameChain(projectId);
}

bool ProjectHandler::hasDeletedProjects()
{
    return dataManager()->hasDeletedProjects();
}

bool ProjectHandler::hasDeletedFolders()
{
    return dataManager()->hasDeletedFolders();
}

// --- Lists and trees.

QAbstractItemModel* ProjectHandler::getRootObjects()
{
    DataManager* data = dataManager();
    return sortedModel(new ProjectFolderSortModel(), new ListModel([data] { return data->getRootProjects(); }),
        RootProjectsList, SortingNamespace::ListTypeFolder, false);
}

QAbstractItemModel* ProjectHandler::getNestedObjects(const QString& folderId)
{
    DataManager* data = dataManager();
    return sortedModel(new ProjectFolderSortModel(),
        new ListModel([data, folderId] { return data->getNestedObjects(folderId); }), folderId,
        SortingNamespace::ListTypeFolder, false);
}

QAbstractItemModel* ProjectHandler::getProjectTreeModel()
{
    DataManager* data = dataManager();
    return sortedModel(new ProjectTreeSortModel(), new TreeModel([data] { return data->getProjectTree(); }),
        RootProjectsList, SortingNamespace::ListTypeFolder, false);
}

QAbstractItemModel* ProjectHandler::getProjectTreeModelWithQuorvelBox()
{
    DataManager* data = dataManager();
    TreeModel::DataSource withInbox = [data] {
        const TreeHierarchy tree = data->getProjectTree();
        const QString inboxId = PredefinedDataHelper::instance()->quorvelBoxId();
        if (tree.contains(inboxId))
            return tree;

        // Until the server hands over its own inbox record, the inbox is
        // only an ID; the tree shows it as an empty top-level project.
        DataObject inbox = data->getProjectById(inboxId);
        inbox.insert(IdKey, inboxId);
        if (!inbox.contains(NameKey))
            inbox.insert(NameKey, QStringLiteral("Quorvel Box"));
        inbox.insert(ParentKey, QString());
        inbox.insert(FolderKey, false);
        inbox.insert(StateKey, ObjectState::Active);
        inbox.insert(LevelKey, 0);
        if (!inbox.contains(ContextKey))
            inbox.insert(ContextKey, QString());

        QList<DataObject> rows;
        for (const QString& id : tree.ids())
            rows.append(tree.node(id));
        rows.append(inbox);
        return TreeHierarchy::fromRows(rows);
    };
    return sortedModel(new ProjectTreeSortModel(), new TreeModel(std::move(withInbox)), RootProjectsList,
        SortingNamespace::ListTypeFolder, false);
}

QAbstractItemModel* ProjectHandler::getFolderTreeModel(const QString& filteredObjectId)
{
    DataManager* data = dataManager();
    auto* folders = new FolderTreeSortModel();
    folders->setFilteredObjectId(filteredObjectId);
    return sortedModel(folders, new FolderTreeModel([data] { return data->getProjectTree(); }), RootProjectsList,
        SortingNamespace::ListTypeFolder, false);
}

QAbstractItemModel* ProjectHandler::getAllProjectsSearchModel()
{
    DataManager* data = dataManager();
    return nameSearchModel([data] { return data->getAllActiveProjects(); });
}

QAbstractItemModel* ProjectHandler::getAllFoldersSearchModel()
{
    DataManager* data = dataManager();
    return nameSearchModel([data] { return data->getAllFolders(); });
}

QAbstractItemModel* ProjectHandler::getDeletedProjects()
{
    DataManager* data = dataManager();
    return sortedModel(new SortModel(), new ListModel([data] { return data->getDeletedProjects(); }), QString(),
        SortingNamespace::ListTypeFolder, false);
}

QAbstractItemModel* ProjectHandler::getDeletedFolders()
{
    DataManager* data = dataManager();
    return sortedModel(new SortModel(), new ListModel([data] { return data->getDeletedFolders(); }), QString(),
        SortingNamespace::ListTypeFolder, false);
}

QAbstractItemModel* ProjectHandler::getProjectById(const QString& id)
{
    DataManager* data = dataManager();
    return recordModel([data, id] { return data->getProjectById(id); });
}

// --- Changes committed at once.

bool ProjectHandler::createProject(const QVariantMap& project)
{
    return create(project);
}

bool ProjectHandler::createFolder(const QVariantMap& folder)
{
    QVariantMap record = folder;
    record.insert(FolderKey, true);
    return create(record);
}

bool ProjectHandler::create(const QVariantMap& project)
{
    if (!finishWrite(dataManager()->createProjectLocally(project)))
        return false;
    emit projectAdded(project);
    scheduleSync();
    return true;
}

bool ProjectHandler::updateProject(const QVariantMap& project)
{
    return update(project, dataManager()->updateProjectLocally(project));
}

bool ProjectHandler::restoreProject(const QVariantMap& project)
{
    return update(project, dataManager()->restoreProject(project));
}

bool ProjectHandler::restoreFolder(const QVariantMap& folder)
{
    return update(folder, dataManager()->restoreFolder(folder));
}

bool ProjectHandler::update(const QVariantMap& project, bool written)
{
    if (!finishWrite(written))
        return false;
    emit projectUpdated(project);
    scheduleSync();
    return true;
}

QString ProjectHandler::lastCreatedProjectId()
{
    return dataManager()->lastCreatedObjectId();
}

// --- Cloning.

bool ProjectHandler::cloneProject(const QVariantMap& project)
{
    QVariantMap source = project;
    source.insert(FolderKey, false);
    QSet<QString> seen;
    if (cloneObject(source, &seen))
        return true;
    QLOG_WARN() << "Unable to clone the project " << idOf(project) << ".";
    return false;
}

bool ProjectHandler::cloneFolder(const QVariantMap& folder)
{
    QVariantMap source = folder;
    source.insert(FolderKey, true);
    QSet<QString> seen;
    if (cloneObject(source, &seen))
        return true;
    QLOG_WARN() << "Unable to clone the folder " << idOf(folder) << ".";
    return false;
}

bool ProjectHandler::cloneObject(const DataObject& source, QSet<QString>* seen)
{
    const QString sourceId = idOf(source);
    seen->insert(sourceId);
    QString copyId;
    if (!createCopy(source, &copyId))
        return false;
    seen->insert(copyId);
    copySortingOnClone(sourceId, copyId);
    if (sourceId.isEmpty())
        return true;

    if (!source.value(FolderKey).toBool())
        return cloneTasks(sourceId, copyId);

    bool cloned = true;
    for (DataObject child : dataManager()->getNestedObjects(sourceId)) {
        // A folder pasted into itself holds its own copy by now, and a broken
        // tree may loop: nothing is copied twice.
        if (seen->contains(idOf(child)))
            continue;
        child.insert(ParentKey, copyId);
        cloned &= cloneObject(child, seen);
    }
    return cloned;
}

bool ProjectHandler::createCopy(const DataObject& source, QString* copyId)
{
    DataObject copy = asNewObject(source);
    if (!dataManager()->createProjectLocally(copy)) {
        dataManager()->rollbackChanges();
        return false;
    }
    *copyId = dataManager()->lastCreatedObjectId();
    if (!dataManager()->commitChanges())
        return false;
    copy.insert(IdKey, *copyId);
    emit projectAdded(copy);
    scheduleSync();
    return true;
}

bool ProjectHandler::cloneTasks(const QString& sourceId, const QString& copyId)
{
    const QList<DOTask> tasks = dataManager()->getProjectTasks(sourceId);
    if (tasks.isEmpty())
        return true;
    bool created = true;
    for (const DOTask& task : tasks) {
        DOTask copy = asNewObject(task);
        copy.insert(ParentKey, copyId);
        if (!dataManager()->createTaskLocally(copy)) {
            created = false;
            break;
        }
    }
    // The copies of one project's tasks arrive together or not at all.
    if (!finishWrite(created))
        return false;
    scheduleSync();
    return true;
}

// --- Moving.

bool ProjectHandler::moveProject(
    const QVariantMap& project, const QString& newParent, const QVariantMap& childrenInfo)
{
    return move(project, newParent, childrenInfo);
}

bool ProjectHandler::moveFolder(
    const QVariantMap& folder, const QString& newParent, const QVariantMap& childrenInfo)
{
    return move(folder, newParent, childrenInfo);
}

bool ProjectHandler::move(
    const QVariantMap& object, const QString& newParent, const QVariantMap& childrenInfo)
{
    const QString id = idOf(object);
    if (liesInside(newParent, id)) {
        QLOG_WARN() << "The object " << id << " cannot be moved into itself or into a folder inside it.";
        return false;
    }
    QVariantMap moved = object;
    moved.insert(ParentKey, newParent);
    if (!finishWrite(dataManager()->updateProjectLocally(moved)))
        return false;
    const bool isFolder = moved.contains(FolderKey)
        ? moved.value(FolderKey).toBool()
        : dataManager()->getProjectById(id).value(FolderKey).toBool();
    const bool childrenWritten = applyChildrenStates(id, isFolder, childrenInfo);
    // Announced once the children are in place too, so that the views that
    // refresh on it see them as they now are.
    emit projectUpdated(moved);
    scheduleSync();
    return childrenWritten;
}

bool ProjectHandler::liesInside(const QString& objectId, const QString& containerId)
{
    QSet<QString> visited;
    for (QString id = objectId; !id.isEmpty() && !visited.contains(id);
         id = dataManager()->getProjectById(id).value(ParentKey).toString()) {
        if (id == containerId)
            return true;
        visited.insert(id);
    }
    return false;
}

bool ProjectHandler::applyChildrenStates(
    const QString& objectId, bool isFolder, const QVariantMap& childrenInfo)
{
    if (childrenInfo.isEmpty())
        return true;

    // Everything inside the object in any state: the children of a cut
    // object are in the trash by now.
    QStringList projectIds;
    QStringList folderChildIds;
    if (isFolder) {
        for (const DataObject& child : dataManager()->getSubprojectsRecursive(objectId)) {
            const QString childId = idOf(child);
            if (childId == objectId)
                continue;
            folderChildIds.append(childId);
            if (!child.value(FolderKey).toBool())
                projectIds.append(childId);
        }
    } else {
        projectIds.append(objectId);
    }

    bool written = true;
    bool wroteAny = false;
    int state = 0;
    // Containers first, so that what a container's new state carries down
    // is then set right for each child that childrenInfo names.
    for (const QString& childId : folderChildIds) {
        if (!childStateIn(childrenInfo, childId, &state))
            continue;
        DataObject child = dataManager()->getProjectById(childId);
        if (child.isEmpty() || stateOf(child) == state)
            continue;
        child.insert(StateKey, state);
        written &= dataManager()->updateProjectLocally(child);
        wroteAny = true;
    }
    for (const QString& projectId : projectIds) {
        const QList<DOTask> tasks
            = dataManager()->getProjectTasks(projectId) + dataManager()->getDeletedProjectTasks(projectId);
        for (const DOTask& task : tasks) {
            if (!childStateIn(childrenInfo, idOf(task), &state))
                continue;
            DOTask child = dataManager()->getTaskById(idOf(task));
            if (child.isEmpty() || stateOf(child) == state)
                continue;
            child.insert(StateKey, state);
            written &= dataManager()->updateTaskLocally(child);
            wroteAny = true;
        }
    }
    if (!wroteAny)
        return true;
    if (!finishWrite(written)) {
        QLOG_WARN() << "The states of the objects inside " << objectId << " could not be set.";
        return false;
    }
    return true;
}

// --- Pending changes.

bool ProjectHandler::markProjectAsDeleted(const QVariantMap& project, bool emitUpdateSignal)
{
    return markPending(project, stateOf(project) | ObjectState::DeletedFlag, "deleted", emitUpdateSignal);
}

bool ProjectHandler::markProjectAsCompleted(const QVariantMap& project)
{
    return markPending(project, ObjectState::Completed, "completed", true);
}

bool ProjectHandler::markPending(
    const QVariantMap& project, int newState, const char* what, bool emitUpdateSignal)
{
    QLOG_INFO() << "Marking the project " << idOf(project) << " with state " << stateOf(project) << " as "
                << what << "...";
    QVariantMap changed = project;
    changed.insert(StateKey, newState);
    m_pendingRecords.clear();
    if (!keepPending(dataManager()->updateProjectLocally(changed)))
        return false;
    m_pendingRecords = dataManager()->lastUpdatedObjects();
    if (emitUpdateSignal)
        emit projectUpdated(changed);
    scheduleSync();
    return true;
}

bool ProjectHandler::confirmProjectUpdate(const QVariantMap& project)
{
    QList<DataObject> reached = m_pendingRecords;
    m_pendingRecords.clear();
    if (!dataManager()->commitChanges())
        return false;

    const QString id = idOf(project);
    DataObject stored = dataManager()->getProjectById(id);
    if (stored.isEmpty())
        stored = project;
    bool projectReached = false;
    for (const DataObject& record : reached)
        projectReached |= idOf(record) == id;
    if (!projectReached)
        reached.append(stored);

    for (const DataObject& record : reached) {
        if (stateOf(record) == ObjectState::Active)
            continue;
        removeFromFavoritesOnClose(record);
        if (isTask(record)) {
            removeScheduledRemindersOnClose(idOf(record));
            // Completing a project ends its tasks' repetition, so the task
            // no longer tells that it had repeated reminders: any it had go.
            dataManager()->removeAllRepeatedReminders(idOf(record));
        }
    }
    emit projectUpdated(stored);
    return true;
}

void ProjectHandler::revertProjectState(const QVariantMap& project, bool emitUpdateSignal)
{
    QLOG_INFO() << "Reverting project's state...";
    dataManager()->rollbackChanges();
    cancelScheduledSync();
    m_pendingRecords.clear();
    if (emitUpdateSignal)
        emit projectUpdated(project);
}

// --- Follow-ups.

void ProjectHandler::copySortingOnClone(const QString& sourceId, const QString& copyId)
{
    // A project's list is sorted as a project list, a folder's as a folder
    // list; whichever the source has is what the copy gets. Manual positions
    // name the source's objects, so only the type and grouping carry over.
    DataManager* data = dataManager();
    const QString sourceList = projectListId(sourceId);
    for (const SortingNamespace::ListType type : { SortingNamespace::ListTypeProject, SortingNamespace::ListTypeFolder }) {
        if (sourceId.isEmpty() || copyId.isEmpty() || !data->hasSortedListInfo(sourceList, type))
            continue;
        const SortedListInfo info = data->getSortedListInfo(sourceList, type);
        data->setSortedList(copyId, type, info.sortingType, info.groupByDate);
    }
}


// --- Favorites.

void ProjectHandler::addToFavorites(const QVariantMap& project)
{
    FavoritesManager::instance()->add(FavoritesManager::ProjectKind, idOf(project));
}

void ProjectHandler::removeFromFavorites(const QVariantMap& project)
{
    FavoritesManager::instance()->remove(FavoritesManager::ProjectKind, idOf(project));
}

bool ProjectHandler::inFavorites(const QVariantMap& project)
{
    return FavoritesManager::instance()->contains(FavoritesManager::ProjectKind, idOf(project));
}

int ProjectHandler::projectCountInFavorites()
{
    QList<DataObject> projects;
    for (const QString& id : FavoritesManager::instance()->projectIds())
        projects.append(dataManager()->getProjectById(id));
    return countActive(projects);
}
