#pragma once

#include "models/ListModelPrivate.h"

#include <QDate>

// A day plan's list state plus the day it plans, which never changes: a
// different day is a different model.
class DailyPlanListModelPrivate : public ListModelPrivate
{
public:
    DailyPlanListModelPrivate(DataSource source, const QDate& planDate);

    const QDate planDate;
};
