#include "models/DailyPlanListModelPrivate.h"

#include <utility>

DailyPlanListModelPrivate::DailyPlanListModelPrivate(DataSource source, const QDate& planDate)
    : ListModelPrivate(std::move(source))
    , planDate(planDate)
{
}
