#pragma once

#include "sync/BaseSyncManager.h"

#include <QDateTime>
#include <QJsonArray>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

// Keeps the icon the user chose for each project, and the changes of those
// choices that the server has not heard of yet, in "meta.dat".
//
// An icon record is the JSON object {"object_type": "project", "object_id":
// the project's identifier, "icon_id": the icon's name, "last_changed": the
// UTC time of the choice in ISO 8601}. A project without a record shows the
// default icon "project"; choosing the default removes the record.
//
// The pending lists hold what the next exchange of the "meta" side channel
// sends: "objects_to_add" the records to store on the server, and
// "objects_to_remove" the records ({"object_id", "last_changed"}) whose
// removal it must send. At most one change per project waits in them: a
// newer choice replaces whatever was pending for that project.
//
// It is the "meta" side channel too: five seconds after the last choice
// (and at the end of every main sync) a run deletes the pending removals,
// sends the pending records and merges the server's answer: a record from
// the server replaces the local one only when it is newer, and records the
// server no longer holds go, unless they still wait to be sent.
class MetaDataManager : public BaseSyncManager
{
    Q_OBJECT
    Q_PROPERTY(QVariantMap projectIcons READ projectIcons NOTIFY projectIconsChanged)
    Q_PROPERTY(QString defaultProjectIcon READ defaultProjectIcon CONSTANT)

public:
    // The program's manager over "meta.dat" in the application data folder.
    static MetaDataManager* instance();

    // A manager over another file (tests). Reads the file at once.
    explicit MetaDataManager(const QString& filePath, QObject* parent = nullptr);
    ~MetaDataManager() override;

    QString filePath() const;

    // Project identifier -> its icon record (as a map), for every project
    // whose icon is not the default.
    QVariantMap projectIcons() const;
    QString defaultProjectIcon() const;

    // Gives the project the icon. Choosing the icon it already shows changes
    // nothing; an empty icon name or project identifier is refused.
    Q_INVOKABLE void setProjectIcon(const QString& iconId, const QString& projectId);
    Q_INVOKABLE QString getProjectIcon(const QString& projectId) const;

    // What the next exchange has to send.
    QJsonArray objectsToAdd() const;
    QJsonArray objectsToRemove() const;

    // Where "now" comes from for "last_changed". Unset, the system's UTC time.
    using Clock = std::function<QDateTime()>;
    void setClock(const Clock& clock);

public slots:
    // Forgets every icon choice and what waits to be sent (the user signed
    // out); a run under way ends without merging its answer.
    void clearAll();

signals:
    void projectIconsChanged();

protected:
    QString channelName() const override;
    void beginRun() override;
    void synchronize() override;
    void sendPending() override;
    void deletePending() override;
    void requestServerList() override;
    void applyServerList(const QJsonArray& items) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
