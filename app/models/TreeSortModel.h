#pragma once

#include "models/SortModel.h"

class TreeModel;

// A tree shown as a flat list, sorted so that every row stays below its
// parent and the children of one parent keep the order of that parent's
// list: the sorting choice stored under the parent's id (under the proxy's
// own list id for the top level), all with the proxy's list type.
//
// Parents are looked up in the source tree. A parent that is missing makes
// its row a top-level row; a chain of parents that loops is cut where it
// comes back, so a broken tree still sorts, without end or crash.
class TreeSortModel : public SortModel
{
    Q_OBJECT

public:
    explicit TreeSortModel(QObject* parent = nullptr);
    ~TreeSortModel() override;

    // Refreshes the source tree and reads every list's choice again.
    Q_INVOKABLE void update() override;
    // Moves a row among its siblings and stores their new order under the
    // parent's list.
    Q_INVOKABLE void moveItem(int oldIndex, int newIndex) override;

    // The object whose subtree a parent picker leaves out; '' for none.
    void setFilteredObjectId(const QString& objectId);
    QString filteredObjectId() const;

public slots:
    void openItem(const QString& objectId);
    void closeItem(const QString& objectId);

protected:
    TreeModel* sourceTree() const;
    // The record of an object of the source tree; empty when it has none.
    QVariantMap objectById(const QString& id) const;
    // The list the row belongs to: its parent's id, or the proxy's list id
    // for a top-level row.
    QString parentListOf(const QVariantMap& object) const;
    // The record's ancestors' ids, nearest first, cut where the chain loops.
    QStringList ancestorIds(const QVariantMap& object) const;
    // The sorting choice of a parent's list, read once per (re)load.
    SortedListInfo listInfo(const QString& listId) const;

    // A rule that goes before the tree order; none by default.
    virtual Opinion treeRule(const QVariantMap& left, const QVariantMap& right) const;
    // Order of two rows of one parent under that parent's choice.
    virtual bool siblingLess(const QVariantMap& left, const QVariantMap& right, const SortedListInfo& info) const;
    // Manual positions when both rows have one; None otherwise.
    static Opinion manualOpinion(const QVariantMap& left, const QVariantMap& right, const SortedListInfo& info);
    // The date order of the choice; for a manual list, oldest first by dates.
    static bool choiceDateLess(const QVariantMap& left, const QVariantMap& right, const SortedListInfo& info);

    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
    void reloadSortingInfo() override;

private:
    bool treeLess(const QVariantMap& left, const QVariantMap& right) const;
    QList<QVariantMap> chainOf(const QVariantMap& object) const;

    struct Private;
    std::unique_ptr<Private> d;
};
