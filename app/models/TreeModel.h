#pragma once

#include "data/DataObject.h"
#include "data/TreeHierarchy.h"

#include <QAbstractListModel>

#include <functional>
#include <memory>

// A tree shown as a flat list: the top-level records in order and, below
// every opened row, its children, and so on downwards. Which rows are opened
// lives with the model only; a new model starts with everything closed.
//
// Rows keep their identity across updates: a row whose object is still
// shown stays the same row (moved if its place changed), so views and
// proxies keep their selection and their persistent indexes.
class TreeModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using DataSource = std::function<TreeHierarchy()>;

    enum Roles { TreeItemRole = Qt::UserRole + 1, HasChildrenRole, IsItemOpenedRole };

    // Calls the data source once to fill the model.
    explicit TreeModel(DataSource source, QObject* parent = nullptr);
    ~TreeModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The record of a row; an empty record for a row that does not exist.
    DataObject recordAt(int row) const;
    // The row that shows the object with that ID, or -1.
    int rowOfId(const QString& id) const;
    bool isOpened(const QString& id) const;

    Q_INVOKABLE void update();
    // The record with that ID in the last tree read, shown or not, with its
    // CHILDREN; an empty record when there is none.
    Q_INVOKABLE DataObject getObjectById(const QString& id) const;
    Q_INVOKABLE void requestDeletion();
    Q_INVOKABLE void clear();

public slots:
    // Shows the direct children of a shown row below it.
    void openItem(const QString& objectId);
    // Hides everything below a shown row, and forgets that any of it was
    // opened: reopening shows the direct children only.
    void closeItem(const QString& objectId);

protected:
    // Whether a row offers to be opened, from its record and CHILDREN.
    virtual bool hasVisibleChildren(const DataObject& record) const;

private:
    void refresh();
    void reorderKeptRows(const QHash<QString, int>& targetRows);

    struct Private;
    std::unique_ptr<Private> d;

    Q_DISABLE_COPY(TreeModel)
};
