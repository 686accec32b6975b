#include "models/ProjectTreeSortModel.h"

#include "data/ObjectState.h"
#include "data/PredefinedDataHelper.h"

namespace {
// Higher goes later: 3 the one-step actions, 2 the inbox, 1 a row without id.
int lateness(const QString& id, const PredefinedDataHelper* builtIn)
{
    if (id == builtIn->oneStepActionsId())
        return 3;
    if (id == builtIn->quorvelBoxId())
        return 2;
    return id.isEmpty() ? 1 : 0;
}
} // namespace

ProjectTreeSortModel::ProjectTreeSortModel(QObject* parent)
    : TreeSortModel(parent)
{
}

SortModel::Opinion ProjectTreeSortModel::treeRule(const QVariantMap& left, const QVariantMap& right) const
{
    const PredefinedDataHelper* builtIn = PredefinedDataHelper::instance();
    const int leftLateness = lateness(idOf(left), builtIn);
    const int rightLateness = lateness(idOf(right), builtIn);
    if (leftLateness == rightLateness)
        return Opinion::None;
    return leftLateness < rightLateness ? Opinion::LeftFirst : Opinion::RightFirst;
}

bool ProjectTreeSortModel::siblingLess(
    const QVariantMap& left, const QVariantMap& right, const SortedListInfo& info) const
{
    const Opinion manual = manualOpinion(left, right, info);
    if (manual != Opinion::None)
        return manual == Opinion::LeftFirst;
    static const QString FolderKey = QStringLiteral("FOLDER");
    const bool leftFolder = left.value(FolderKey).toBool();
    const bool rightFolder = right.value(FolderKey).toBool();
    if (leftFolder != rightFolder)
        return leftFolder;
    return choiceDateLess(left, right, info);
}

bool ProjectTreeSortModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    const QVariantMap object = sourceObject(sourceModel()->index(sourceRow, 0, sourceParent));
    if (stateOf(object) == ObjectState::Completed)
        return false;
    return acceptsObject(object);
}
