#pragma once

#include "data/DataObject.h"

#include <QAbstractListModel>

#include <functional>
#include <memory>

class ListModelPrivate;

// A flat list of records taken from a data source. Rows keep the order in
// which their records first arrived: an update keeps every row whose record
// is still there in the same state, replaces its record in place, and adds
// new records at the end. A record whose state changed (a task completed or
// restored) leaves its place and comes back at the end. Display order is the
// business of the sort proxy on top.
class ListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using DataSource = std::function<QList<DataObject>()>;

    enum Roles { ListItemRole = Qt::UserRole + 1, StateRole, ObjectTypeRole };

    // Calls the data source once to fill the model.
    explicit ListModel(DataSource source, QObject* parent = nullptr);
    ~ListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The record of a row; an empty record for a row that does not exist.
    DataObject recordAt(int row) const;
    // The row of the record with that ID, or -1.
    int rowOfId(const QString& id) const;

    // "completed", "task", "folder", "project" or "context", told from the
    // state and from which keys the record carries.
    static QString objectTypeOf(const DataObject& record);

    Q_INVOKABLE void update();
    Q_INVOKABLE void requestDeletion();
    Q_INVOKABLE void clear();

signals:
    void updated();

protected:
    // Subclasses hand in their own private state, complete before the first
    // update runs from this constructor.
    ListModel(ListModelPrivate* state, QObject* parent);

    // Runs at the start of every update, before the data source is called.
    virtual void prepareUpdate();

    const std::unique_ptr<ListModelPrivate> d;

private:
    // Brings the rows in line with the data source; update() without the
    // guard and the final signal.
    void refresh();

    Q_DISABLE_COPY(ListModel)
};
