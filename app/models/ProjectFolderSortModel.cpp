#include "models/ProjectFolderSortModel.h"

#include "data/PredefinedDataHelper.h"

ProjectFolderSortModel::ProjectFolderSortModel(QObject* parent)
    : SortModel(parent)
{
}

SortModel::Opinion ProjectFolderSortModel::firstHook(const QVariantMap& left, const QVariantMap& right) const
{
    const QString oneStepActionsId = PredefinedDataHelper::instance()->oneStepActionsId();
    const bool leftLast = idOf(left) == oneStepActionsId;
    const bool rightLast = idOf(right) == oneStepActionsId;
    if (leftLast == rightLast)
        return Opinion::None;
    return leftLast ? Opinion::RightFirst : Opinion::LeftFirst;
}

SortModel::Opinion ProjectFolderSortModel::secondHook(const QVariantMap& left, const QVariantMap& right) const
{
    static const QString FolderKey = QStringLiteral("FOLDER");
    const bool leftFolder = left.value(FolderKey).toBool();
    const bool rightFolder = right.value(FolderKey).toBool();
    if (leftFolder == rightFolder)
        return Opinion::None;
    return leftFolder ? Opinion::LeftFirst : Opinion::RightFirst;
}
