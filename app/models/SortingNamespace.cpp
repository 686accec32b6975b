#include "models/SortingNamespace.h"

namespace SortingNamespace {

QString listTypeText(ListType type)
{
    switch (type) {
    case ListTypeProject:
        return QStringLiteral("project");
    case ListTypeContext:
        return QStringLiteral("context");
    case ListTypeFolder:
        return QStringLiteral("folder");
    case ListTypeDailyPlan:
        return QStringLiteral("dailyplan");
    case ListTypeFavorites:
        return QStringLiteral("favorites");
    }
    return QStringLiteral("dailyplan");
}

ListType listTypeFromText(const QString& text)
{
    if (text == QLatin1String("project"))
        return ListTypeProject;
    if (text == QLatin1String("context"))
        return ListTypeContext;
    if (text == QLatin1String("folder"))
        return ListTypeFolder;
    if (text == QLatin1String("favorites"))
        return ListTypeFavorites;
    return ListTypeDailyPlan;
}

QString sortingTypeText(SortingType type)
{
    switch (type) {
    case ManualType:
        return QStringLiteral("manual");
    case AlphabeticalType:
        return QStringLiteral("alphabetical");
    case TimestampAscType:
        return QStringLiteral("timestamp_asc");
    case TimestampDescType:
        return QStringLiteral("timestamp_desc");
    }
    return QStringLiteral("timestamp_desc");
}

SortingType sortingTypeFromText(const QString& text)
{
    if (text == QLatin1String("manual"))
        return ManualType;
    if (text == QLatin1String("alphabetical"))
        return AlphabeticalType;
    if (text == QLatin1String("timestamp_asc"))
        return TimestampAscType;
    return TimestampDescType;
}

void registerMetaTypes()
{
    qRegisterMetaType<ListType>("ListType");
    qRegisterMetaType<SortingType>("SortingType");
    qRegisterMetaType<OrderHash>("OrderHash");
    qRegisterMetaType<SortedListInfo>("SortedListInfo");
}

}

bool SortedListInfo::operator==(const SortedListInfo& other) const
{
    return sortingType == other.sortingType && orderHash == other.orderHash && lastChanged == other.lastChanged
        && groupByDate == other.groupByDate;
}
