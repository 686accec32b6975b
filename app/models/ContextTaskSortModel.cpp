#include "models/ContextTaskSortModel.h"

namespace {
// Contexts carry neither FOLDER nor PERIOD, projects carry FOLDER, tasks PERIOD.
int kindRank(const QVariantMap& object)
{
    static const QString FolderKey = QStringLiteral("FOLDER");
    static const QString PeriodKey = QStringLiteral("PERIOD");
    if (object.contains(FolderKey))
        return 1;
    if (object.contains(PeriodKey))
        return 2;
    return 0;
}
} // namespace

ContextTaskSortModel::ContextTaskSortModel(QObject* parent)
    : SortModel(parent)
{
}

SortModel::Opinion ContextTaskSortModel::secondHook(const QVariantMap& left, const QVariantMap& right) const
{
    const int leftRank = kindRank(left);
    const int rightRank = kindRank(right);
    if (leftRank == rightRank)
        return Opinion::None;
    return leftRank < rightRank ? Opinion::LeftFirst : Opinion::RightFirst;
}
