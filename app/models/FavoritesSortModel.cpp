#include "models/FavoritesSortModel.h"

namespace {
const QString FolderKey = QStringLiteral("FOLDER");
const QString PeriodKey = QStringLiteral("PERIOD");
} // namespace

FavoritesSortModel::FavoritesSortModel(QObject* parent)
    : SortModel(parent)
{
}

FavoritesSortModel::~FavoritesSortModel() = default;

int FavoritesSortModel::kindRank(const QVariantMap& object)
{
    if (object.contains(FolderKey))
        return 0;
    return object.contains(PeriodKey) ? 2 : 1;
}

bool FavoritesSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QVariantMap leftObject = sourceObject(left);
    const QVariantMap rightObject = sourceObject(right);
    const int leftRank = kindRank(leftObject);
    const int rightRank = kindRank(rightObject);
    if (leftRank != rightRank)
        return leftRank < rightRank;
    return compareObjects(leftObject, rightObject);
}
