#pragma once

#include "data/DataObject.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <functional>

// The state of a list model: where its records come from, the rows in
// their order of first arrival and an index from ID to row, so that an
// update of a long list matches records to rows in one pass.
class ListModelPrivate
{
public:
    using DataSource = std::function<QList<DataObject>()>;

    explicit ListModelPrivate(DataSource source);
    virtual ~ListModelPrivate();

    ListModelPrivate(const ListModelPrivate&) = delete;
    ListModelPrivate& operator=(const ListModelPrivate&) = delete;

    // The key a record is matched by. A record without ID is matched by the
    // empty text, so a list holds at most one such row (the "no context"
    // row of the context lists is one).
    static QString idOf(const DataObject& record);

    int rowOf(const QString& id) const;
    // Removing scattered rows of a long list one block at a time would
    // renumber the tail of the index for every block; the numbers are
    // brought up to date once, at the next look-up, instead.
    void removeRows(int first, int last);
    void appendRows(const QVector<DataObject>& records);
    void clearRows();

    DataSource source;
    QVector<DataObject> rows;

    // Set while an update or a clear runs, so that a data source or a slot
    // that calls back into the model cannot change the rows under it.
    bool busy = false;
    // Some roles depend on more than the record (a cache that every update
    // empties): then every kept row is reported as changed.
    bool everyRowChangesOnUpdate = false;

private:
    void renumberFrom(int row) const;

    mutable QHash<QString, int> m_rowById;
    // Rows from here on may carry stale numbers in the index.
    mutable int m_staleFrom = 0;
};
