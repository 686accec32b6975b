#pragma once

#include "models/SortingNamespace.h"

#include <QSortFilterProxyModel>
#include <QVariantList>
#include <QVariantMap>

#include <memory>

class DataManager;

// The proxy every list of the interface shows: it decides which rows of its
// source are shown and in which order, counts the active rows, and turns a
// drag of a row into a stored manual order.
//
// The order of a list is its sorting choice (sorting type, manual positions,
// grouping by date), read from the sorting settings store whenever the list
// id is set or sort() is called; it is not cached between proxies.
class SortModel : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_PROPERTY(int activeObjectCount READ activeObjectCount NOTIFY activeObjectCountChanged)

public:
    explicit SortModel(QObject* parent = nullptr);
    ~SortModel() override;

    // List id and list type are set together; setting them (re)loads the
    // sorting choice.
    void setListInfo(const QString& listId, SortingNamespace::ListType listType);
    QString listId() const;
    SortingNamespace::ListType listType() const;
    // Lists of tasks follow "show_completed_tasks", others "show_completed_projects".
    void setTaskList(bool taskList);
    bool isTaskList() const;
    int activeObjectCount() const;

    // Where sorting choices are read and stored: null (the default) means the
    // program's data manager. Set it before the list id.
    void setDataManager(DataManager* dataManager);

    // The sorting choice in use.
    SortedListInfo sortingInfo() const;

    // Also recounts whenever the source's rows change.
    void setSourceModel(QAbstractItemModel* sourceModel) override;

    // Takes the order shown now as the list's manual order.
    Q_INVOKABLE void switchToManualSortingMode();
    // Refreshes the source, then recounts.
    Q_INVOKABLE virtual void update();
    // Stores the order that results from moving one shown row to another place.
    Q_INVOKABLE virtual void moveItem(int oldIndex, int newIndex);
    // Reloads the sorting choice and sorts again.
    using QSortFilterProxyModel::sort;
    Q_INVOKABLE void sort();
    Q_INVOKABLE void clear();
    // Schedules the source and then the proxy for deletion.
    Q_INVOKABLE void requestDeletion();
    // The shown records that are tasks (carry PERIOD), in shown order.
    Q_INVOKABLE QVariantList getTaskList() const;
    // All shown records, in shown order.
    Q_INVOKABLE QVariantList getObjectList() const;
    // The shown row of the record with that ID, or -1.
    Q_INVOKABLE int getIndexByObjectId(const QString& objectId) const;
    // The record of a shown row; empty for a row that does not exist.
    Q_INVOKABLE QVariantMap getObjectByIndex(int index) const;

    // The position arithmetic of a move over rows 0 .. count - 1: the moved
    // row takes newIndex, the rows it passes shift by one towards its old
    // place, all others keep theirs.
    static QList<int> positionsAfterMove(int count, int oldIndex, int newIndex);

    // Orders two records by dates, then by the fallback of the sorting type:
    // the rule every list applies after its own.
    static bool dateOrderLess(const QVariantMap& left, const QVariantMap& right,
        SortingNamespace::SortingType sortingType, bool groupByDate);
    // Name (collated numerically), time stamp or id, by sorting type.
    static bool fallbackLess(const QVariantMap& left, const QVariantMap& right,
        SortingNamespace::SortingType sortingType);
    // Newest first; by level, then name within one time stamp.
    static bool trashLess(const QVariantMap& left, const QVariantMap& right);
    // Names compared as "en_US" in numeric mode: "Task 2" before "Task 10".
    static int compareNames(const QString& left, const QString& right);

signals:
    void updated();
    void activeObjectCountChanged(int activeObjectCount);

protected:
    enum class Opinion { None, LeftFirst, RightFirst };
    virtual Opinion firstHook(const QVariantMap& left, const QVariantMap& right) const;
    virtual Opinion secondHook(const QVariantMap& left, const QVariantMap& right) const;

    // The record of a source row (the source's item role, a map).
    QVariantMap sourceObject(const QModelIndex& sourceIndex) const;
    // The full base comparison of two records.
    bool compareObjects(const QVariantMap& left, const QVariantMap& right) const;
    // The base filter of one record (the show-completed settings).
    bool acceptsObject(const QVariantMap& object) const;

    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

    // Recomputes activeObjectCount from the source rows.
    virtual void recount();
    void setActiveObjectCount(int count);

    // Reads the sorting choice of a list from the store; the default choice
    // when the list has none.
    SortedListInfo loadSortingInfo(const QString& listId, SortingNamespace::ListType listType) const;
    // Stores a manual order for a list.
    void storeManualOrder(const QString& listId, SortingNamespace::ListType listType,
        const OrderHash& orderHash) const;
    // The records of the shown rows, in shown order.
    QList<QVariantMap> shownObjects() const;
    static QString idOf(const QVariantMap& object);
    static int stateOf(const QVariantMap& object);
    // Reloads this list's choice without sorting again.
    virtual void reloadSortingInfo();
    // Applies the current choice: sorts again from scratch.
    void resort();

private:
    // What the order reads of one source row, kept per row.
    struct RowKey;
    void followSourceRows(QAbstractItemModel* model);
    const RowKey& keyOf(int sourceRow) const;
    bool compareKeys(const RowKey& left, const RowKey& right) const;

    struct Private;
    std::unique_ptr<Private> d;

    Q_DISABLE_COPY(SortModel)
};
