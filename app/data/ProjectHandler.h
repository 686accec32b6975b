#pragma once

#include "data/ObjectHandler.h"

#include <QList>
#include <QStringList>
#include <QVariantMap>

// The interface's way to read and change projects and folders. A folder is a
// project record with FOLDER set; both live in the same table and go through
// the same calls.
//
// Deleting or completing a folder or project carries the new state down to
// everything visible inside it. Like task deletes, these are pending changes
// that the interface confirms or undoes before its next write; confirming
// runs the follow-ups for every object the change reached.
class ProjectHandler : public ObjectHandler
{
    Q_OBJECT

public:
    explicit ProjectHandler(QObject* parent = nullptr);
    // Tests give a data manager of their own; null means the program's one.
    explicit ProjectHandler(DataManager* dataManager, QObject* parent = nullptr);
    ~ProjectHandler() override;

    // --- Counts and names.
    Q_INVOKABLE int getNestedFolderCount(const QString& folderId, bool includeDeleted = false);
    Q_INVOKABLE int getNestedProjectCount(const QString& folderId, bool includeDeleted = false);
    Q_INVOKABLE QStringList getProjectNameChain(const QString& projectId);
    Q_INVOKABLE bool hasDeletedProjects();
    Q_INVOKABLE bool hasDeletedFolders();

    // --- Lists and trees. Each call gives a new model owned by the QML engine.
    Q_INVOKABLE QAbstractItemModel* getRootObjects();
    Q_INVOKABLE QAbstractItemModel* getNestedObjects(const QString& folderId);
    Q_INVOKABLE QAbstractItemModel* getProjectTreeModel();
    // The project tree with the inbox among its top-level rows.
    Q_INVOKABLE QAbstractItemModel* getProjectTreeModelWithQuorvelBox();
    // The tree to pick a new parent from: without filteredObjectId and
    // whatever lies inside it.
    Q_INVOKABLE QAbstractItemModel* getFolderTreeModel(const QString& filteredObjectId);
    Q_INVOKABLE QAbstractItemModel* getAllProjectsSearchModel();
    Q_INVOKABLE QAbstractItemModel* getAllFoldersSearchModel();
    Q_INVOKABLE QAbstractItemModel* getDeletedProjects();
    Q_INVOKABLE QAbstractItemModel* getDeletedFolders();
    // One row, or none when there is no such project or folder.
    Q_INVOKABLE QAbstractItemModel* getProjectById(const QString& id);

    // --- Changes committed at once.
    Q_INVOKABLE bool createProject(const QVariantMap& project);
    Q_INVOKABLE bool createFolder(const QVariantMap& folder);
    Q_INVOKABLE bool updateProject(const QVariantMap& project);
    Q_INVOKABLE bool restoreProject(const QVariantMap& project);
    Q_INVOKABLE bool restoreFolder(const QVariantMap& folder);
    Q_INVOKABLE QString lastCreatedProjectId();

    // Copies under new IDs, made here and not yet known to the server: a
    // project with its tasks, a folder with everything inside it. The source
    // is left as it is. Placed where the record's PARENT says.
    Q_INVOKABLE bool cloneProject(const QVariantMap& project);
    Q_INVOKABLE bool cloneFolder(const QVariantMap& folder);

    // Puts the object under newParent ('' for the top level), then gives each
    // object inside it that childrenInfo names the state given there:
    // childrenInfo maps a child's ID to a state, or to a map holding STATE.
    // An object is never moved into itself or into anything inside it.
    Q_INVOKABLE bool moveProject(
        const QVariantMap& project, const QString& newParent, const QVariantMap& childrenInfo);
    Q_INVOKABLE bool moveFolder(
        const QVariantMap& folder, const QString& newParent, const QVariantMap& childrenInfo);

    // --- Pending changes.
    Q_INVOKABLE bool markProjectAsDeleted(const QVariantMap& project, bool emitUpdateSignal = true);
    Q_INVOKABLE bool markProjectAsCompleted(const QVariantMap& project);
    Q_INVOKABLE bool confirmProjectUpdate(const QVariantMap& project);
    Q_INVOKABLE void revertProjectState(const QVariantMap& project, bool emitUpdateSignal = true);

    // --- Favorites (projects and folders alike). The count is of favorite
    // projects and folders that are still active, as the favorites list
    // shows them.
    Q_INVOKABLE void addToFavorites(const QVariantMap& project);
    Q_INVOKABLE void removeFromFavorites(const QVariantMap& project);
    Q_INVOKABLE bool inFavorites(const QVariantMap& project);
    Q_INVOKABLE int projectCountInFavorites();

signals:
    void projectAdded(QVariantMap project);
    void projectUpdated(QVariantMap project);

private:
    bool create(const QVariantMap& project);
    bool update(const QVariantMap& project, bool written);
    bool markPending(const QVariantMap& project, int newState, const char* what, bool emitUpdateSignal);
    // Clones source under its PARENT; the IDs of every copy made are added
    // to copies, so that a copy placed inside its own source is not copied
    // again.
    bool cloneObject(const DataObject& source, QSet<QString>* copies);
    bool createCopy(const DataObject& source, QString* copyId);
    bool cloneTasks(const QString& sourceId, const QString& copyId);
    bool move(const QVariantMap& object, const QString& newParent, const QVariantMap& childrenInfo);
    bool liesInside(const QString& objectId, const QString& containerId);
    bool applyChildrenStates(const QString& objectId, bool isFolder, const QVariantMap& childrenInfo);

    // Follow-ups, in the order they run.
    // A clone's list is sorted as its source's list is.
    void copySortingOnClone(const QString& sourceId, const QString& copyId);

    // Every record the pending change wrote (the cascade, then the project),
    // until it is confirmed or undone.
    QList<DataObject> m_pendingRecords;
};
