#pragma once

#include "data/DataObject.h"
#include "data/TreeHierarchy.h"
#include "models/ListModel.h"
#include "models/SortingNamespace.h"
#include "models/TreeModel.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

class DataManager;
class QAbstractItemModel;
class SortModel;

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
    // state: a closed object is no favorite any more, and a closed task
    // reminds of nothing (its scheduled reminders, snoozed ones included,
    // leave the notification file).
    void removeFromFavoritesOnClose(const DataObject& object);
    void removeScheduledRemindersOnClose(const QString& taskId);

    // Favorites of the record's kind (FavoritesManager::ObjectKind): a task
    // has PERIOD, a project or folder FOLDER, a context neither.
    static int favoriteKindOf(const DataObject& record);
    // How many of the records are active: the favorites list shows only those.
    static int countActive(const QList<DataObject>& records);

    // Models for the interface. They belong to the QML engine, which
    // destroys them when the interface lets go of them.
    static QAbstractItemModel* handOut(QAbstractItemModel* model);
    QAbstractItemModel* listModel(ListModel::DataSource source) const;
    // A list of at most one row: the record that read() finds.
    QAbstractItemModel* recordModel(std::function<DataObject()> read) const;
    // The proxy over its source, for the list listId of listType: the source
    // belongs to the proxy and goes with it, the proxy to the interface.
    QAbstractItemModel* sortedModel(SortModel* proxy, QAbstractItemModel* source, const QString& listId,
        SortingNamespace::ListType listType, bool taskList) const;
    // The sorting list of a project's tasks: "quorvelbox" and
    // "1_step_actions" for the two built-in lists, else the project's id.
    static QString projectListId(const QString& projectId);
    // A searchable selector: the records of source whose name holds the
    // proxy's search string, folders, projects and contexts in that order.
    QAbstractItemModel* nameSearchModel(ListModel::DataSource source) const;

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
