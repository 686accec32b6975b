#pragma once

#include "models/SortingNamespace.h"
#include "sync/BaseSyncManager.h"

#include <QJsonObject>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The sorting settings of every list (sorting type, manual positions,
// grouping by date), kept in "sorting.dat" in the application data folder.
// Besides the settings themselves it keeps what the side channel still has to
// send ("objects_to_send") and which lists were dropped here
// ("objects_to_delete"), so that pending work survives a restart.
//
// It is also the "sorting" side channel: every change starts the change
// timer (3 s, restarted by each further change), whose run deletes the
// dropped lists, sends the pending ones and applies the server's answer: a
// list from the server replaces the local one unless that is strictly
// newer, or was dropped here no earlier than the server's change.
//
// Lives in the data worker thread; the interface reaches it through the data
// manager's blocking calls.
class SortingManager : public BaseSyncManager
{
    Q_OBJECT

public:
    using ListType = SortingNamespace::ListType;
    using SortingType = SortingNamespace::SortingType;
    using ListKey = QPair<QString, SortingNamespace::ListType>;

    // An empty filePath means "sorting.dat" in the application data folder.
    explicit SortingManager(const QString& filePath = QString(), QObject* parent = nullptr);
    ~SortingManager() override;

    QString filePath() const;

    // Stores a sorting type and grouping for a list; a list that already has
    // this very type and grouping is left as it is.
    Q_INVOKABLE void setSortedList(const QString& listId, ListType listType, SortingType sortingType, bool groupByDate);
    // Stores a manual order for a list, always.
    Q_INVOKABLE void setManualSortedList(const QString& listId, ListType listType, const OrderHash& orderHash);
    // Forgets a list's sorting and remembers that it was dropped here.
    Q_INVOKABLE void deleteSortedList(const QString& listId, ListType listType);
    // The list's choice, or the default (oldest first, grouped by date).
    Q_INVOKABLE SortedListInfo getSortedListInfo(const QString& listId, ListType listType) const;
    Q_INVOKABLE bool hasSortedListInfo(const QString& listId, ListType listType) const;
    Q_INVOKABLE SortingType getSortingType(const QString& listId, ListType listType) const;
    Q_INVOKABLE bool getGroupByDateParam(const QString& listId, ListType listType) const;
    // Forgets everything, pending work included (a user signs out); a run
    // under way ends without applying its answer.
    Q_INVOKABLE void clearAll();

    // Where "now" comes from for the change times (whole seconds, as the
    // file and the server keep them). Unset: the system's UTC time.
    using Clock = std::function<QDateTime()>;
    void setClock(const Clock& clock);

    // Every list that has a choice.
    QList<ListKey> sortedLists() const;
    // Lists waiting to be sent, and list ids dropped here, for the side channel.
    QList<ListKey> pendingLists() const;
    QStringList deletedListIds() const;

    // One list as the file and the server write it, and back. A malformed
    // object gives false and leaves the outputs alone.
    static QJsonObject listToJson(const QString& listId, ListType listType, const SortedListInfo& info);
    static bool listFromJson(const QJsonObject& object, QString* listId, ListType* listType, SortedListInfo* info);

protected:
    QString channelName() const override;
    void synchronize() override;
    void sendPending() override;
    void deletePending() override;
    void requestServerList() override;
    void applyServerList(const QJsonArray& items) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
