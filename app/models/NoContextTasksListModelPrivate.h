#pragma once

#include "models/ListModelPrivate.h"

#include <QHash>
#include <QString>

// The list state of the tasks without context, plus the names of their
// projects, looked up on first use and forgotten at every update (a
// project may have been renamed in between).
class NoContextTasksListModelPrivate : public ListModelPrivate
{
public:
    using ProjectLookup = std::function<DataObject(const QString& projectId)>;

    NoContextTasksListModelPrivate(DataSource source, ProjectLookup projectLookup);

    const ProjectLookup projectLookup;
    // Project ID to name; an empty name stands for a project not found, so
    // that a missing project is asked for once per update, not once a row.
    QHash<QString, QString> projectNames;
};
