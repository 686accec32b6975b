#include "models/NoContextTasksSortModel.h"

#include "data/PredefinedDataHelper.h"

namespace {
const QString ParentKey = QStringLiteral("PARENT");
const QString TimestampKey = QStringLiteral("TIMESTAMP");
} // namespace

struct NoContextTasksSortModel::Private
{
    mutable QHash<QString, qulonglong> oldestStamps;
    mutable bool stampsValid = false;
};

NoContextTasksSortModel::NoContextTasksSortModel(QObject* parent)
    : SortModel(parent)
    , d(new Private)
{
}

NoContextTasksSortModel::~NoContextTasksSortModel() = default;

void NoContextTasksSortModel::setSourceModel(QAbstractItemModel* model)
{
    // Connected ahead of the proxy's own handlers, so that the stamps are
    // marked stale before a change re-sorts the rows.
    if (model) {
        const auto forget = [this] { d->stampsValid = false; };
        connect(model, &QAbstractItemModel::rowsInserted, this, forget);
        connect(model, &QAbstractItemModel::rowsRemoved, this, forget);
        connect(model, &QAbstractItemModel::dataChanged, this, forget);
        connect(model, &QAbstractItemModel::modelReset, this, forget);
    }
    d->stampsValid = false;
    SortModel::setSourceModel(model);
}

const QHash<QString, qulonglong>& NoContextTasksSortModel::oldestTaskStamps() const
{
    if (d->stampsValid)
        return d->oldestStamps;
    d->oldestStamps.clear();
    if (const QAbstractItemModel* source = sourceModel()) {
        const int rows = source->rowCount();
        for (int row = 0; row < rows; ++row) {
            const QVariantMap task = sourceObject(source->index(row, 0));
            const QString project = task.value(ParentKey).toString();
            const qulonglong stamp = task.value(TimestampKey).toULongLong();
            const auto known = d->oldestStamps.find(project);
            if (known == d->oldestStamps.end())
                d->oldestStamps.insert(project, stamp);
            else if (stamp < known.value())
                known.value() = stamp;
        }
    }
    d->stampsValid = true;
    return d->oldestStamps;
}

bool NoContextTasksSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QVariantMap leftTask = sourceObject(left);
    const QVariantMap rightTask = sourceObject(right);
    const QString leftProject = leftTask.value(ParentKey).toString();
    const QString rightProject = rightTask.value(ParentKey).toString();
    if (leftProject == rightProject)
        return SortModel::lessThan(left, right);

    const PredefinedDataHelper* builtIn = PredefinedDataHelper::instance();
    for (const QString& first : { builtIn->quorvelBoxId(), builtIn->oneStepActionsId() }) {
        if (leftProject == first)
            return true;
        if (rightProject == first)
            return false;
    }
    // Whole projects are ordered, never single tasks: comparing the tasks'
    // own stamps would scatter a project's tasks among the others'.
    const QHash<QString, qulonglong>& stamps = oldestTaskStamps();
    const qulonglong leftStamp = stamps.value(leftProject);
    const qulonglong rightStamp = stamps.value(rightProject);
    if (leftStamp != rightStamp)
        return leftStamp < rightStamp;
    return leftProject < rightProject;
}
