#pragma once

#include "data/ObjectHandler.h"

#include <QList>
#include <QStringList>
#include <QVariantMap>

// The interface's way to read and change contexts.
//
// Deleting a context takes it off its tasks and projects and deletes its
// sub-contexts; like task deletes it is a pending change that the interface
// confirms or undoes before its next write.
class ContextHandler : public ObjectHandler
{
    Q_OBJECT

public:
    explicit ContextHandler(QObject* parent = nullptr);
    // Tests give a data manager of their own; null means the program's one.
    explicit ContextHandler(DataManager* dataManager, QObject* parent = nullptr);
    ~ContextHandler() override;

    // --- Counts and names.
    Q_INVOKABLE int getNestedContextCount(const QString& contextId, bool includeAllStates = false);
    Q_INVOKABLE QStringList getContextNameChain(const QString& contextId);
    Q_INVOKABLE int getContextTaskCount(const QString& contextId);
    Q_INVOKABLE int getContextProjectCount(const QString& contextId);
    Q_INVOKABLE int getContextProjectCountRecursive(const QString& contextId);
    Q_INVOKABLE int getContextTaskCountRecursive(const QString& contextId);
    Q_INVOKABLE bool hasDeletedContexts();

    // --- Lists and trees. Each call gives a new model owned by the QML engine.
    // The context tree without filteredObjectId and the contexts inside it
    // (an ID that is no context, such as "do_not_filter", leaves out nothing).
    Q_INVOKABLE QAbstractItemModel* getContextTreeModel(const QString& filteredObjectId);
    Q_INVOKABLE QAbstractItemModel* getRootContextListModel();
    Q_INVOKABLE QAbstractItemModel* getAllContextsSearchModel();
    // Sub-contexts, then projects, then tasks of the context.
    Q_INVOKABLE QAbstractItemModel* getContextChildren(const QString& id);
    // One row, or none when there is no such context.
    Q_INVOKABLE QAbstractItemModel* getContextById(const QString& id);
    Q_INVOKABLE QAbstractItemModel* getDeletedContexts();

    // --- Changes committed at once.
    Q_INVOKABLE bool createContext(const QVariantMap& context);
    Q_INVOKABLE bool updateContext(const QVariantMap& context);
    Q_INVOKABLE bool restoreContext(const QVariantMap& context);
    Q_INVOKABLE QString lastCreatedContextId();
    // A copy of the context and of its sub-contexts under new IDs, placed
    // where the record's PARENT says. Its projects and tasks stay with the
    // source only.
    Q_INVOKABLE bool cloneContext(const QVariantMap& context);
    // Puts the context under newParent ('' for the top level), then gives
    // each sub-context that childrenInfo names the state given there
    // (a state, or a map holding STATE, per child ID). A context is never
    // moved into itself or into one of its sub-contexts.
    Q_INVOKABLE bool moveContext(
        const QVariantMap& context, const QString& newParent, const QVariantMap& childrenInfo);

    // --- Pending changes.
    Q_INVOKABLE bool markContextAsDeleted(const QVariantMap& context, bool emitUpdateSignal = true);
    Q_INVOKABLE bool confirmContextUpdate(const QVariantMap& context);
    Q_INVOKABLE void revertContextState(const QVariantMap& context, bool emitUpdateSignal = true);

    // --- Favorites. The count is of favorite contexts that are still
    // active, as the favorites list shows them.
    Q_INVOKABLE void addToFavorites(const QVariantMap& context);
    Q_INVOKABLE void removeFromFavorites(const QVariantMap& context);
    Q_INVOKABLE bool inFavorites(const QVariantMap& context);
    Q_INVOKABLE int contextCountInFavorites();

signals:
    void contextAdded(QVariantMap context);
    void contextUpdated(QVariantMap context);

private:
    bool update(const QVariantMap& context, bool written);
    bool cloneObject(const DataObject& source, QSet<QString>* seen);
    bool liesInside(const QString& contextId, const QString& containerId);
    bool applyChildrenStates(const QString& contextId, const QVariantMap& childrenInfo);

    // Follow-ups, in the order they run.
    // A clone's list is sorted as its source's list is.
    void copySortingOnClone(const QString& sourceId, const QString& copyId);

    // Every record the pending delete wrote (tasks and projects that lost
    // the context, the sub-contexts, the context), until it is confirmed or
    // undone.
    QList<DataObject> m_pendingRecords;
};
