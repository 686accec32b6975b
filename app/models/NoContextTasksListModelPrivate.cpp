#include "models/NoContextTasksListModelPrivate.h"

#include <utility>

NoContextTasksListModelPrivate::NoContextTasksListModelPrivate(DataSource source, ProjectLookup projectLookup)
    : ListModelPrivate(std::move(source))
    , projectLookup(std::move(projectLookup))
{
    everyRowChangesOnUpdate = true;
}
