#include "models/ListModelPrivate.h"

#include <limits>
#include <utility>

namespace {
const QString IdKey = QStringLiteral("ID");
}

ListModelPrivate::ListModelPrivate(DataSource source)
    : source(std::move(source))
{
}

ListModelPrivate::~ListModelPrivate() = default;

QString ListModelPrivate::idOf(const DataObject& record)
{
    return record.value(IdKey).toString();
}

int ListModelPrivate::rowOf(const QString& id) const
{
    if (m_staleFrom < rows.size())
        renumberFrom(m_staleFrom);
    return m_rowById.value(id, -1);
}

void ListModelPrivate::removeRows(int first, int last)
{
    for (int row = first; row <= last; ++row)
        m_rowById.remove(idOf(rows.at(row)));
    rows.erase(rows.begin() + first, rows.begin() + last + 1);
    m_staleFrom = qMin(m_staleFrom, first);
}

void ListModelPrivate::appendRows(const QVector<DataObject>& records)
{
    const int first = rows.size();
    rows += records;
    m_staleFrom = qMin(m_staleFrom, first);
}

void ListModelPrivate::clearRows()
{
    rows.clear();
    m_rowById.clear();
    m_staleFrom = 0;
}

void ListModelPrivate::renumberFrom(int row) const
{
    for (int i = row; i < rows.size(); ++i)
        m_rowById.insert(idOf(rows.at(i)), i);
    m_staleFrom = std::numeric_limits<int>::max();
}
