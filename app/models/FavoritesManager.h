#pragma once

#include "sync/BaseSyncManager.h"

#include <QDateTime>
#include <QJsonArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class DataManager;

// The objects the user marked as favorites: three lists of identifiers
// (tasks, projects and folders, contexts) in "favorites.dat", and the
// changes of those lists that the server has not heard of yet.
//
// Every add or remove is recorded as a change object {"object_id",
// "object_type": "task" | "project" | "context", "last_changed": UTC time in
// ISO 8601} in "objects_to_add" or "objects_to_remove". One change per object
// waits at a time: the newest choice replaces whatever was pending for the
// object, so the lists on both sides end in the same state however the
// pending changes are sent, and a user who never signs in does not collect
// an ever longer history.
//
// Changes settle for five seconds (each change restarts the wait); then
// pendingChangesSettled() is emitted and a pass of the "favorites" side
// channel starts (after the main sync, when one runs): it deletes the
// pending removals, sends the pending additions and merges the server's
// answer, which then decides the lists; changes not yet sent are kept.
class FavoritesManager : public BaseSyncManager
{
    Q_OBJECT

public:
    enum ObjectKind { TaskKind = 0, ProjectKind = 1, ContextKind = 2 };
    Q_ENUM(ObjectKind)

    // The program's favorites, in "favorites.dat" of the application data
    // folder, read through the program's data manager.
    static FavoritesManager* instance();

    // Favorites kept in another file and read through another data manager
    // (null: the program's). Reads the file at once.
    FavoritesManager(const QString& filePath, DataManager* dataManager, QObject* parent = nullptr);
    ~FavoritesManager() override;

    QString filePath() const;

    // Marks the object as a favorite; nothing happens when it already is
    // one, or when the kind or the identifier is not usable.
    Q_INVOKABLE void add(int kind, const QString& objectId);
    Q_INVOKABLE void remove(int kind, const QString& objectId);
    Q_INVOKABLE bool contains(int kind, const QString& objectId) const;

    // The identifiers of one kind, in the order they were marked.
    Q_INVOKABLE QStringList ids(int kind) const;
    QStringList taskIds() const { return ids(TaskKind); }
    QStringList projectIds() const { return ids(ProjectKind); }
    QStringList contextIds() const { return ids(ContextKind); }

    // What the next exchange has to send.
    QJsonArray objectsToAdd() const;
    QJsonArray objectsToRemove() const;

    // The favorites that are still active, as a sorted list model (a
    // FavoritesSortModel over a ListModel) that belongs to the QML engine.
    Q_INVOKABLE QVariant getModel();

    // The wire name of a kind ("task", "project", "context"), '' for none.
    static QString kindName(int kind);
    // The kind of a wire name, -1 for an unknown one.
    static int kindOfName(const QString& name);

    // Where "now" comes from for "last_changed". Unset: the system's UTC time.
    using Clock = std::function<QDateTime()>;
    void setClock(const Clock& clock);

    // How long changes settle before they are handed to the sync (5000 ms).
    void setSettleDelay(int milliseconds);
    int settleDelay() const;
    bool isSettling() const;

public slots:
    // Forgets every favorite and every pending change (the user logged
    // out); a pass under way ends without merging its answer.
    void clearAll();

signals:
    void objectAdded();
    void objectRemoved();
    // The lists changed as a whole (cleared, or merged with the server's).
    void objectsChanged();
    // The last change is five seconds old: time to send the pending changes.
    void pendingChangesSettled();

protected:
    QString channelName() const override;
    void beginRun() override;
    void changeTimerFired() override;
    void synchronize() override;
    void sendPending() override;
    void deletePending() override;
    void requestServerList() override;
    void applyServerList(const QJsonArray& items) override;

private:
    void startPass();

    struct Private;
    std::unique_ptr<Private> d;

    Q_DISABLE_COPY(FavoritesManager)
};
