#pragma once

#include <QAbstractItemModel>
#include <QStringList>
#include <QVector>

#include <utility>

// Writes down the row notifications of a model as short texts, so that a
// test can state the exact sequence an operation must produce:
// "remove 1-2", "insert 3-3", "move 4-5>1", "change 0-5", "layout", "reset".
class ModelEventLog
{
public:
    explicit ModelEventLog(QAbstractItemModel* model)
    {
        using M = QAbstractItemModel;
        const auto add = [this](const char* what, int first, int last) {
            m_events << QStringLiteral("%1 %2-%3").arg(QLatin1String(what)).arg(first).arg(last);
        };
        m_connections << QObject::connect(model, &M::rowsInserted,
            [add](const QModelIndex&, int first, int last) { add("insert", first, last); });
        m_connections << QObject::connect(model, &M::rowsRemoved,
            [add](const QModelIndex&, int first, int last) { add("remove", first, last); });
        m_connections << QObject::connect(model, &M::rowsMoved,
            [this](const QModelIndex&, int first, int last, const QModelIndex&, int to) {
                m_events << QStringLiteral("move %1-%2>%3").arg(first).arg(last).arg(to);
            });
        m_connections << QObject::connect(model, &M::dataChanged,
            [add](const QModelIndex& from, const QModelIndex& to) { add("change", from.row(), to.row()); });
        m_connections << QObject::connect(model, &M::layoutChanged, [this] { m_events << "layout"; });
        m_connections << QObject::connect(model, &M::modelReset, [this] { m_events << "reset"; });
    }
    ~ModelEventLog()
    {
        for (const QMetaObject::Connection& connection : qAsConst(m_connections))
            QObject::disconnect(connection);
    }

    QStringList take() { return std::exchange(m_events, {}); }

private:
    QStringList m_events;
    QVector<QMetaObject::Connection> m_connections;
};
