#pragma once

#include "models/ListModel.h"

#include <functional>

class NoContextTasksListModelPrivate;

// The tasks that have no context, with what the list groups them by: their
// project's ID and name.
class NoContextTasksListModel : public ListModel
{
    Q_OBJECT

public:
    // Answers the project record for an ID, or an empty record. The handler
    // passes a call into the data manager.
    using ProjectLookup = std::function<DataObject(const QString& projectId)>;

    enum Roles {
        ParentProjectRole = ListModel::ObjectTypeRole,
        // Not named for the interface; the sort proxy and export read it.
        ParentProjectNameRole
    };

    NoContextTasksListModel(DataSource source, ProjectLookup projectLookup, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

protected:
    void prepareUpdate() override;

private:
    QString projectName(const QString& projectId) const;
    NoContextTasksListModelPrivate* state() const;
};
