#include "models/SearchSortFilterModel.h"

#include "data/ObjectState.h"

#include <QVector>

namespace {
const QString IdKey = QStringLiteral("ID");
const QString NameKey = QStringLiteral("NAME");
const QString MemoKey = QStringLiteral("MEMO");
const QString StateKey = QStringLiteral("STATE");
const QString FolderKey = QStringLiteral("FOLDER");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString ContextKey = QStringLiteral("CONTEXT");
} // namespace

// What the filter and the comparison need of one source row. A search over
// every object of a long-time user compares rows about two million times;
// taking the record out of its map, translating and case-folding its name
// once per row instead of once per comparison is what keeps that fast.
struct SearchSortFilterModel::Entry
{
    bool ready = false;
    Kind kind = ContextKind;
    int state = 0;
    QString id;
    QString name;
    QString foldedName;
    QString foldedMemo;
    // Whether the name starts with the search string, valid while
    // prefixStamp is the search string's stamp.
    mutable int prefixStamp = -1;
    mutable bool prefix = false;
};

struct SearchSortFilterModel::Private
{
    bool namesOnly = false;
    bool hideCompletedTasks = false;
    bool hideCompletedProjects = false;
    QString searchString;
    QString foldedSearch;
    // Changes with every search string, so that cached prefix answers of the
    // previous one are not used.
    int searchStamp = 0;

    // One per source row, filled on first use; dropped whenever the source
    // changes in any way.
    mutable QVector<Entry> entries;
    mutable bool entriesValid = false;
    QList<QMetaObject::Connection> sourceConnections;

    void dropEntries() { entriesValid = false; }
};

SearchSortFilterModel::SearchSortFilterModel(bool namesOnly, QObject* parent)
    : SortModel(parent)
    , d(std::make_unique<Private>())
{
    d->namesOnly = namesOnly;
}

SearchSortFilterModel::~SearchSortFilterModel() = default;

QString SearchSortFilterModel::searchString() const
{
    return d->searchString;
}

bool SearchSortFilterModel::namesOnly() const
{
    return d->namesOnly;
}

void SearchSortFilterModel::setHideCompletedTasks(bool hide)
{
    if (d->hideCompletedTasks == hide)
        return;
    d->hideCompletedTasks = hide;
    invalidateFilter();
}

bool SearchSortFilterModel::hideCompletedTasks() const
{
    return d->hideCompletedTasks;
}

void SearchSortFilterModel::setHideCompletedProjects(bool hide)
{
    if (d->hideCompletedProjects == hide)
        return;
    d->hideCompletedProjects = hide;
    invalidateFilter();
}

bool SearchSortFilterModel::hideCompletedProjects() const
{
    return d->hideCompletedProjects;
}

void SearchSortFilterModel::setSourceModel(QAbstractItemModel* source)
{
    for (const QMetaObject::Connection& connection : qAsConst(d->sourceConnections))
        disconnect(connection);
    d->sourceConnections.clear();
    d->dropEntries();

    // Connected before the proxy connects itself, so that the cached rows
    // are dropped before the proxy filters and sorts the changed ones.
    if (source) {
        using M = QAbstractItemModel;
        const auto drop = [this] { d->dropEntries(); };
        d->sourceConnections << connect(source, &M::rowsAboutToBeInserted, this, drop)
                             << connect(source, &M::rowsInserted, this, drop)
                             << connect(source, &M::rowsAboutToBeRemoved, this, drop)
                             << connect(source, &M::rowsRemoved, this, drop)
                             << connect(source, &M::rowsAboutToBeMoved, this, drop)
                             << connect(source, &M::rowsMoved, this, drop)
                             << connect(source, &M::dataChanged, this, drop)
                             << connect(source, &M::layoutAboutToBeChanged, this, drop)
                             << connect(source, &M::layoutChanged, this, drop)
                             << connect(source, &M::modelAboutToBeReset, this, drop)
                             << connect(source, &M::modelReset, this, drop)
                             << connect(source, &QObject::destroyed, this, drop);
    }
    SortModel::setSourceModel(source);
}

void SearchSortFilterModel::setSearchString(const QString& str)
{
    if (str == d->searchString)
        return;
    d->searchString = str;
    d->foldedSearch = str.toCaseFolded();
    ++d->searchStamp;
    emit searchStringChanged(str);
    invalidate();
}

QString SearchSortFilterModel::displayName(const QString& storedName)
{
    if (storedName == QLatin1String("No context"))
        return tr("No context");
    if (storedName == QLatin1String("No folder"))
        return tr("No folder");
    if (storedName == QLatin1String("Quorvel Box"))
        return tr("Quorvel Box");
    if (storedName == QLatin1String("One Step Actions"))
        return tr("One Step Actions");
    return storedName;
}

SearchSortFilterModel::Kind SearchSortFilterModel::kindOf(const QVariantMap& object)
{
    if (object.value(FolderKey).toBool())
        return FolderKind;
    if (object.contains(PeriodKey))
        return TaskKind;
    if (object.contains(ContextKey) || object.contains(FolderKey))
        return ProjectKind;
    return ContextKind;
}

const SearchSortFilterModel::Entry& SearchSortFilterModel::entry(int sourceRow) const
{
    if (!d->entriesValid) {
        d->entries.clear();
        d->entries.resize(sourceModel() ? sourceModel()->rowCount() : 0);
        d->entriesValid = true;
    }
    if (sourceRow < 0 || sourceRow >= d->entries.size()) {
        // Never expected: the entries follow the source's row count. An
        // empty entry keeps a stray row out of the results.
        static const Entry none;
        return none;
    }
    Entry& cached = d->entries[sourceRow];
    if (cached.ready)
        return cached;

    const QVariantMap object = sourceObject(sourceModel()->index(sourceRow, 0));
    cached.kind = kindOf(object);
    cached.state = object.value(StateKey).toInt();
    cached.id = object.value(IdKey).toString();
    cached.name = displayName(object.value(NameKey).toString());
    cached.foldedName = cached.name.toCaseFolded();
    if (!d->namesOnly)
        cached.foldedMemo = object.value(MemoKey).toString().toCaseFolded();
    cached.ready = true;
    return cached;
}

bool SearchSortFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (sourceParent.isValid() || !sourceModel())
        return false;
    const Entry& row = entry(sourceRow);
    if (!row.ready)
        return false;
    const bool completed = row.state == ObjectState::Completed;
    if (completed && d->hideCompletedTasks && row.kind == TaskKind)
        return false;
    if (completed && d->hideCompletedProjects && (row.kind == ProjectKind || row.kind == FolderKind))
        return false;
    if (d->foldedSearch.isEmpty())
        return true;
    if (row.foldedName.contains(d->foldedSearch))
        return true;
    return !d->namesOnly && row.foldedMemo.contains(d->foldedSearch);
}

bool SearchSortFilterModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const Entry& leftRow = entry(left.row());
    const Entry& rightRow = entry(right.row());
    if (leftRow.kind != rightRow.kind)
        return leftRow.kind < rightRow.kind;
    const bool byState = leftRow.kind == ProjectKind || leftRow.kind == TaskKind;
    if (byState && leftRow.state != rightRow.state)
        return leftRow.state < rightRow.state;
    return nameLess(leftRow, rightRow);
}

bool SearchSortFilterModel::hasPrefix(const Entry& row) const
{
    if (row.prefixStamp != d->searchStamp) {
        row.prefix = row.foldedName.startsWith(d->foldedSearch);
        row.prefixStamp = d->searchStamp;
    }
    return row.prefix;
}

bool SearchSortFilterModel::nameLess(const Entry& left, const Entry& right) const
{
    if (!d->foldedSearch.isEmpty()) {
        const bool leftLeads = hasPrefix(left);
        if (leftLeads != hasPrefix(right))
            return leftLeads;
    }
    // Names as text, ignoring case; the same name in another case, then the
    // identifier, keep the order the same from one search to the next.
    int order = left.foldedName.compare(right.foldedName);
    if (order == 0)
        order = left.name.compare(right.name);
    if (order == 0)
        order = left.id.compare(right.id);
    return order < 0;
}
