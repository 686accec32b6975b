#pragma once

#include "data/DataObject.h"
#include "data/TreeHierarchy.h"
#include "models/ListModel.h"
#include "models/TreeModel.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

class DataManager;
class QAbstractItemModel;

// What the task, project and context handlers have in common: the way a
// change is brought into the database (write, then commit or undo), the sync
// that follows a change, and the models handed to the interface.
//
// A handler runs no SQL: every store call goes through the data manager,
// which waits for the worker, so results are there when a call returns.
class ObjectHandler : public QObject
{
    Q_OBJECT

protected:
    // A null dataManager means the program's one.
    ObjectHandler(DataManager* dataManager, QObject* parent);

    DataManager* dataManager() const { return m_data; }

    // Ends a write that the store left in an open transaction: commits it
    // when the store took the write, rolls it back when not, so that a half
    // done cascade never reaches the database. True when the write is stored.
    bool finishWrite(bool written);
    // A pending change (delete, complete) stays in its transaction until the
    // interface confirms or undoes it; only a failed one is rolled back here.
    bool keepPending(bool written);

    // A change reached the database: the silent sync follows a short while
    // after the last change of a burst.
    void scheduleSync();
    // An undone change leaves nothing to send.
    void cancelScheduledSync();

    // Follow-ups of a confirmed change for every object that left the active
    // state. They belong to services that arrive later: the favorites
    // (FavoritesManager::remove of the object's kind and ID when it holds
    // it) and reminder scheduling (DataManager::removeAllRemindersById of a
    // task). Until then there is nothing to remove from.
    void removeFromFavoritesOnClose(const DataObject& object);
    void removeScheduledRemindersOnClose(const QString& taskId);

    // Models for the interface. They belong to the QML engine, which
    // destroys them when the interface lets go of them.
    static QAbstractItemModel* handOut(QAbstractItemModel* model);
    QAbstractItemModel* listModel(ListModel::DataSource source) const;
    // A list of at most one row: the record that read() finds.
    QAbstractItemModel* recordModel(std::function<DataObject()> read) const;
    QAbstractItemModel* treeModel(TreeModel::DataSource source) const;

    // The tree without the object excludedId and everything below it, so
    // that a parent picker never offers the object itself or its insides.
    static TreeHierarchy withoutSubtree(const TreeHierarchy& tree, const QString& excludedId);

    // The record as a new object: the store gives it a new ID and marks it
    // as made here.
    static DataObject asNewObject(DataObject record);

    // The state that childrenInfo gives the child childId: either a state
    // number or a map carrying STATE. False when it names no state for it.
    static bool childStateIn(const QVariantMap& childrenInfo, const QString& childId, int* state);

    static QString idOf(const DataObject& record);
    static int stateOf(const DataObject& record);
    static bool isTask(const DataObject& record);

private:
    DataManager* m_data;
};
