#pragma once

#include "data/DataObject.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Settings;

// Knows the objects that every user has from the start.
//
// It holds the identifiers of the two built-in lists, the inbox QuorvelBox
// and the one-step actions list: both are projects, and synchronisation may
// replace their identifiers with the ones the server gave them.
//
// It also creates the demo folders and contexts once per database and keeps
// what it created in "predefined_objects.dat": the two flags
// "folders_created" and "contexts_created", every identifier it created in
// "predefined_ids" (joined by ","), and under the keys "1", "2" and
// "300".."305" the identifier of the object created for that number - the
// code under which the sync server knows its own copy of the object.
//
// The helper lives in the interface thread; the store lives in the data
// worker thread and is reached through StoreAccess, by default the data
// manager.
class PredefinedDataHelper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString quorvelBoxId READ quorvelBoxId WRITE setQuorvelBoxId NOTIFY quorvelBoxIdChanged)
    Q_PROPERTY(QString oneStepActionsId READ oneStepActionsId WRITE setOneStepActionsId NOTIFY
            oneStepActionsIdChanged)

public:
    // The store calls that creating the predefined objects needs, named as
    // the store names them. Each runs to completion before it returns.
    struct StoreAccess
    {
        std::function<bool(const DataObject& project)> createProjectLocally;
        std::function<bool(const DOContext& context)> createContextLocally;
        std::function<QString()> lastCreatedObjectId;
        std::function<bool()> commitChanges;
        std::function<bool()> rollbackChanges;
    };

    static PredefinedDataHelper* instance();
    ~PredefinedDataHelper() override;

    // The identifiers the built-in lists carry until the server names them.
    static QString initialQuorvelBoxId();
    static QString initialOneStepActionsId();

    // The file that remembers the predefined objects of this database.
    static QString predefinedObjectsFile();

    QString quorvelBoxId() const;
    void setQuorvelBoxId(const QString& id);

    QString oneStepActionsId() const;
    void setOneStepActionsId(const QString& id);

    // Back to the initial identifiers, for a database that starts again empty.
    Q_INVOKABLE void resetBuiltInListIds();

    // Creates the three demo folders ("Business", "Personal", "Side projects",
    // or their Russian names when the application language is "ru") in one
    // commit and records them. Each call creates them again: the start-up
    // flow asks predefinedFoldersCreated() first, or calls
    // createMissingPredefinedObjects(). Nothing is recorded and the flag stays
    // down when the store refuses any of them; the ones already created in
    // this run are rolled back.
    Q_INVOKABLE bool createPredefinedFolders();
    Q_INVOKABLE bool predefinedFoldersCreated() const;

    // The same for the six demo contexts.
    Q_INVOKABLE bool createPredefinedContexts();
    Q_INVOKABLE bool predefinedContextsCreated() const;

    // Creates the folders and the contexts whose flag is down. True when both
    // exist afterwards.
    Q_INVOKABLE bool createMissingPredefinedObjects();

    // Every identifier created by this helper, in the order recorded.
    Q_INVOKABLE QStringList predefinedIds() const;
    Q_INVOKABLE bool isPredefinedObject(const QString& id) const;

    // The identifier recorded for a predefined number (1, 2, 300..305), or
    // '' when there is none.
    Q_INVOKABLE QString predefinedObjectId(int number) const;

    // How the store is reached. The default goes through the data manager to
    // the data worker's store; tests give the calls of a store of their own.
    // An access with any call missing restores the default.
    void setStoreAccess(const StoreAccess& access);
    static StoreAccess dataManagerAccess();

    // Where the application language is read. Unset, Settings::instance().
    void setSettings(Settings* settings);

signals:
    void quorvelBoxIdChanged(QString id);
    void oneStepActionsIdChanged(QString id);

private:
    explicit PredefinedDataHelper(QObject* parent = nullptr);

    struct Private;
    std::unique_ptr<Private> d;
};
