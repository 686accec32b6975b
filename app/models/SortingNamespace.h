#pragma once

#include <QDateTime>
#include <QHash>
#include <QMetaType>
#include <QObject>
#include <QString>

// The vocabulary of list sorting, shared by the sort proxies, the sorting
// settings store and the interface. A sorted list is named by the pair
// (list id, list type).
namespace SortingNamespace {
Q_NAMESPACE

enum ListType {
    ListTypeProject = 0,
    ListTypeContext = 1,
    ListTypeFolder = 2,
    ListTypeDailyPlan = 3,
    ListTypeFavorites = 4
};
Q_ENUM_NS(ListType)

enum SortingType { ManualType = 0, AlphabeticalType = 1, TimestampAscType = 2, TimestampDescType = 3 };
Q_ENUM_NS(SortingType)

// The texts the sorting file and the side channel use. Reading is lenient:
// an unknown list type text reads as a day plan, an unknown sorting type text
// as newest first, as stored files of older versions expect.
QString listTypeText(ListType type);
ListType listTypeFromText(const QString& text);
QString sortingTypeText(SortingType type);
SortingType sortingTypeFromText(const QString& text);

// Registers "ListType", "SortingType", "OrderHash" and "SortedListInfo" with
// the meta-type system so that they cross threads by name. Safe to call again.
void registerMetaTypes();
}

// Object id -> position, for manual order.
using OrderHash = QHash<QString, int>;

// The sorting choice of one list.
struct SortedListInfo
{
    SortingNamespace::SortingType sortingType = SortingNamespace::TimestampAscType;
    OrderHash orderHash;
    QDateTime lastChanged;   // UTC
    bool groupByDate = true;

    bool operator==(const SortedListInfo& other) const;
    bool operator!=(const SortedListInfo& other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(OrderHash)
Q_DECLARE_METATYPE(SortedListInfo)
