#include "models/NoContextTasksListModel.h"

#include "models/NoContextTasksListModelPrivate.h"

#include <utility>

namespace {
const QString ParentKey = QStringLiteral("PARENT");
const QString NameKey = QStringLiteral("NAME");
} // namespace

NoContextTasksListModel::NoContextTasksListModel(
    DataSource source, ProjectLookup projectLookup, QObject* parent)
    : ListModel(new NoContextTasksListModelPrivate(std::move(source), std::move(projectLookup)), parent)
{
}

QVariant NoContextTasksListModel::data(const QModelIndex& index, int role) const
{
    if (role != ParentProjectRole && role != ParentProjectNameRole)
        return ListModel::data(index, role);
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const QString parentId = recordAt(index.row()).value(ParentKey).toString();
    if (role == ParentProjectRole)
        return parentId;
    return projectName(parentId);
}

QHash<int, QByteArray> NoContextTasksListModel::roleNames() const
{
    QHash<int, QByteArray> names = ListModel::roleNames();
    names.insert(ParentProjectRole, QByteArrayLiteral("parentProjectRole"));
    return names;
}

void NoContextTasksListModel::prepareUpdate()
{
    state()->projectNames.clear();
}

QString NoContextTasksListModel::projectName(const QString& projectId) const
{
    NoContextTasksListModelPrivate* const names = state();
    const auto cached = names->projectNames.constFind(projectId);
    if (cached != names->projectNames.constEnd())
        return cached.value();
    QString name;
    if (names->projectLookup && !projectId.isEmpty())
        name = names->projectLookup(projectId).value(NameKey).toString();
    names->projectNames.insert(projectId, name);
    return name;
}

NoContextTasksListModelPrivate* NoContextTasksListModel::state() const
{
    return static_cast<NoContextTasksListModelPrivate*>(d.get());
}
