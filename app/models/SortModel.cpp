#include "models/SortModel.h"

#include "data/DataManager.h"
#include "data/ObjectState.h"
#include "logging/Log.h"
#include "shell/Settings.h"

#include <QCollator>
#include <QDateTime>
#include <QLocale>
#include <QVector>

#include <climits>
#include <optional>

namespace {
const QString IdKey = QStringLiteral("ID");
const QString NameKey = QStringLiteral("NAME");
const QString StateKey = QStringLiteral("STATE");
const QString TimestampKey = QStringLiteral("TIMESTAMP");
const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString LevelKey = QStringLiteral("LEVEL");
const QString PeriodKey = QStringLiteral("PERIOD");

// The item role of every source: "listItemRole" / "treeItemRole".
constexpr int ObjectRole = Qt::UserRole + 1;
constexpr qint64 NoDate = LLONG_MIN;

QCollator& nameCollator()
{
    // Proxies live in the interface thread; one collator per thread all the same.
    thread_local QCollator collator = [] {
        QCollator made { QLocale(QStringLiteral("en_US")) };
        made.setNumericMode(true);
        return made;
    }();
    return collator;
}

qint64 dateOf(const QVariantMap& object, const QString& key)
{
    const QVariant value = object.value(key);
    if (value.userType() != QMetaType::QDateTime)
        return NoDate;
    const QDateTime date = value.toDateTime();
    return date.isValid() ? date.toMSecsSinceEpoch() : NoDate;
}

// What the order looks at in one record, read once per row rather than once
// per comparison: a long list is compared some hundred thousand times.
struct SortKey
{
    explicit SortKey(const QVariantMap& record)
        : object(record)
        , id(record.value(IdKey).toString())
        , name(record.value(NameKey).toString())
        , state(record.value(StateKey).toInt())
        , stamp(record.value(TimestampKey).toULongLong())
        , start(dateOf(record, StartKey))
        , due(dateOf(record, DueKey))
        , hasLevel(record.contains(LevelKey))
        , level(record.value(LevelKey).toInt())
    {
    }

    int compareName(const SortKey& other) const
    {
        if (!nameKey)
            nameKey = nameCollator().sortKey(name);
        if (!other.nameKey)
            other.nameKey = nameCollator().sortKey(other.name);
        return nameKey->compare(*other.nameKey);
    }

    QVariantMap object;
    QString id;
    QString name;
    int state;
    qulonglong stamp;
    qint64 start;
    qint64 due;
    bool hasLevel;
    int level;
    mutable std::optional<QCollatorSortKey> nameKey;
};

bool fallbackLess(const SortKey& left, const SortKey& right, SortingNamespace::SortingType sortingType)
{
    if (sortingType == SortingNamespace::TimestampAscType || sortingType == SortingNamespace::TimestampDescType) {
        if (left.stamp != right.stamp)
            return sortingType == SortingNamespace::TimestampAscType ? left.stamp < right.stamp
                                                                     : left.stamp > right.stamp;
    } else if (sortingType == SortingNamespace::AlphabeticalType) {
        const int byName = left.compareName(right);
        if (byName != 0)
            return byName < 0;
    }
    return left.id < right.id;
}

bool dateOrderLess(const SortKey& left, const SortKey& right, SortingNamespace::SortingType sortingType, bool groupByDate)
{
    if (left.state != right.state)
        return left.state < right.state;
    if (!groupByDate)
        return fallbackLess(left, right, sortingType);

    const bool leftStart = left.start != NoDate;
    const bool rightStart = right.start != NoDate;
    const bool leftDue = left.due != NoDate;
    const bool rightDue = right.due != NoDate;
    const bool leftDated = leftStart || leftDue;
    if (leftDated != (rightStart || rightDue))
        return leftDated;
    if (leftDue != rightDue)
        return leftDue;

    const bool dueEqual = left.due == right.due;
    if (leftStart == rightStart) {
        if (left.start == right.start && dueEqual)
            return fallbackLess(left, right, sortingType);
        if (dueEqual)
            return left.start < right.start;
        return left.due < right.due;
    }
    if (dueEqual)
        return fallbackLess(left, right, sortingType);
    return left.due < right.due;
}

bool trashLess(const SortKey& left, const SortKey& right)
{
    if (left.stamp != right.stamp)
        return left.stamp > right.stamp;
    if (left.hasLevel && right.hasLevel && left.level != right.level)
        return left.level < right.level;
    return fallbackLess(left, right, SortingNamespace::AlphabeticalType);
}
} // namespace

struct SortModel::RowKey : SortKey
{
    using SortKey::SortKey;

    // The row's manual position under the choice of a given load, -1 for none.
    int positionIn(const OrderHash& order, quint64 load) const
    {
        if (positionLoad != load) {
            position = order.value(id, -1);
            positionLoad = load;
        }
        return position;
    }

    mutable int position = -1;
    mutable quint64 positionLoad = 0;
};

struct SortModel::Private
{
    QString listId;
    SortingNamespace::ListType listType = SortingNamespace::ListTypeProject;
    SortedListInfo info;
    // Counts the loads of the choice, so that positions read under an older
    // one are read again.
    quint64 infoLoad = 1;
    bool taskList = false;
    // The show-completed settings as last read: the filter asks for them
    // once per row.
    bool showCompletedTasks = true;
    bool showCompletedProjects = true;

    void readSettings()
    {
        showCompletedTasks = Settings::instance()->showCompletedTasks();
        showCompletedProjects = Settings::instance()->showCompletedProjects();
    }

    int activeObjectCount = 0;
    DataManager* dataManager = nullptr;

    // The keys of the source rows, kept in step with the source's changes.
    QVector<RowKey> keys;
    bool keysValid = false;
};

SortModel::SortModel(QObject* parent)
    : QSortFilterProxyModel(parent)
    , d(new Private)
{
    SortingNamespace::registerMetaTypes();
    setDynamicSortFilter(true);
    QSortFilterProxyModel::sort(0, Qt::AscendingOrder);
    // Completed rows come and go as soon as the setting changes.
    d->readSettings();
    Settings* settings = Settings::instance();
    connect(settings, &Settings::showCompletedTasksChanged, this, [this](bool show) {
        d->showCompletedTasks = show;
        if (d->taskList)
            invalidateFilter();
    });
    connect(settings, &Settings::showCompletedProjectsChanged, this, [this](bool show) {
        d->showCompletedProjects = show;
        if (!d->taskList)
            invalidateFilter();
    });
}

SortModel::~SortModel() = default;

void SortModel::setSourceModel(QAbstractItemModel* model)
{
    if (QAbstractItemModel* old = sourceModel())
        disconnect(old, nullptr, this, nullptr);
    d->keys.clear();
    d->keysValid = false;
    if (model)
        followSourceRows(model);
    // Connected after the keys follow the change and the proxy sorted with them.
    QSortFilterProxyModel::setSourceModel(model);
    if (model) {
        const auto recountNow = [this] { recount(); };
        connect(model, &QAbstractItemModel::rowsInserted, this, recountNow);
        connect(model, &QAbstractItemModel::rowsRemoved, this, recountNow);
        connect(model, &QAbstractItemModel::dataChanged, this, recountNow);
        connect(model, &QAbstractItemModel::modelReset, this, recountNow);
    }
    recount();
}

// Connected ahead of the proxy's own handlers: the keys must match the
// source's rows before the proxy sorts or filters after a change.
void SortModel::followSourceRows(QAbstractItemModel* model)
{
    connect(model, &QAbstractItemModel::rowsInserted, this, [this, model](const QModelIndex&, int first, int last) {
        if (!d->keysValid)
            return;
        for (int row = first; row <= last; ++row)
            d->keys.insert(row, RowKey(model->index(row, 0).data(ObjectRole).toMap()));
    });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex&, int first, int last) {
        if (d->keysValid)
            d->keys.remove(first, last - first + 1);
    });
    connect(model, &QAbstractItemModel::dataChanged, this,
        [this, model](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
            if (!d->keysValid)
                return;
            for (int row = topLeft.row(); row <= bottomRight.row() && row < d->keys.size(); ++row)
                d->keys[row] = RowKey(model->index(row, 0).data(ObjectRole).toMap());
        });
    const auto forget = [this] { d->keysValid = false; };
    connect(model, &QAbstractItemModel::modelReset, this, forget);
    connect(model, &QAbstractItemModel::layoutChanged, this, forget);
    connect(model, &QAbstractItemModel::rowsMoved, this, forget);
}

const SortModel::RowKey& SortModel::keyOf(int sourceRow) const
{
    const QAbstractItemModel* source = sourceModel();
    if (!d->keysValid || d->keys.size() != source->rowCount()) {
        const int rows = source->rowCount();
        d->keys.clear();
        d->keys.reserve(rows);
        for (int row = 0; row < rows; ++row)
            d->keys.append(RowKey(source->index(row, 0).data(ObjectRole).toMap()));
        d->keysValid = true;
    }
    return d->keys.at(sourceRow);
}

void SortModel::setListInfo(const QString& listId, SortingNamespace::ListType listType)
{
    d->listId = listId;
    d->listType = listType;
    reloadSortingInfo();
    resort();
}

QString SortModel::listId() const
{
    return d->listId;
}

SortingNamespace::ListType SortModel::listType() const
{
    return d->listType;
}

void SortModel::setTaskList(bool taskList)
{
    if (d->taskList == taskList)
        return;
    d->taskList = taskList;
    invalidateFilter();
}

bool SortModel::isTaskList() const
{
    return d->taskList;
}

int SortModel::activeObjectCount() const
{
    return d->activeObjectCount;
}

void SortModel::setDataManager(DataManager* dataManager)
{
    d->dataManager = dataManager;
    if (!d->listId.isEmpty()) {
        reloadSortingInfo();
        resort();
    }
}

SortedListInfo SortModel::sortingInfo() const
{
    return d->info;
}

// --- Invokables ---

void SortModel::switchToManualSortingMode()
{
    OrderHash order;
    const QList<QVariantMap> shown = shownObjects();
    for (int row = 0; row < shown.size(); ++row)
        order.insert(idOf(shown.at(row)), row);
    storeManualOrder(d->listId, d->listType, order);
    reloadSortingInfo();
    resort();
}

void SortModel::update()
{
    if (QAbstractItemModel* source = sourceModel())
        QMetaObject::invokeMethod(source, "update", Qt::DirectConnection);
    recount();
    emit updated();
}

void SortModel::moveItem(int oldIndex, int newIndex)
{
    const int count = rowCount();
    if (oldIndex == newIndex)
        return;
    if (oldIndex < 0 || oldIndex >= count || newIndex < 0 || newIndex >= count) {
        QLOG_WARN() << "A row cannot move from " << oldIndex << " to " << newIndex << " in a list of " << count
                    << " rows.";
        return;
    }
    const QList<int> positions = positionsAfterMove(count, oldIndex, newIndex);
    OrderHash order;
    for (int row = 0; row < count; ++row)
        order.insert(idOf(getObjectByIndex(row)), positions.at(row));
    storeManualOrder(d->listId, d->listType, order);
    reloadSortingInfo();
    resort();
}

void SortModel::sort()
{
    reloadSortingInfo();
    resort();
}

void SortModel::clear()
{
    if (QAbstractItemModel* source = sourceModel())
        QMetaObject::invokeMethod(source, "clear", Qt::DirectConnection);
}

void SortModel::requestDeletion()
{
    if (QAbstractItemModel* source = sourceModel()) {
        if (!QMetaObject::invokeMethod(source, "requestDeletion", Qt::DirectConnection))
            source->deleteLater();
    }
    deleteLater();
}

QVariantList SortModel::getTaskList() const
{
    QVariantList tasks;
    for (const QVariantMap& object : shownObjects()) {
        if (object.contains(PeriodKey))
            tasks.append(object);
    }
    return tasks;
}

QVariantList SortModel::getObjectList() const
{
    QVariantList objects;
    for (const QVariantMap& object : shownObjects())
        objects.append(object);
    return objects;
}

int SortModel::getIndexByObjectId(const QString& objectId) const
{
    const int count = rowCount();
    for (int row = 0; row < count; ++row) {
        if (idOf(getObjectByIndex(row)) == objectId)
            return row;
    }
    return -1;
}

QVariantMap SortModel::getObjectByIndex(int index) const
{
    if (index < 0 || index >= rowCount())
        return QVariantMap();
    return sourceObject(mapToSource(this->index(index, 0)));
}

// --- Order ---

QList<int> SortModel::positionsAfterMove(int count, int oldIndex, int newIndex)
{
    QList<int> positions;
    positions.reserve(count);
    for (int row = 0; row < count; ++row) {
        int position = row;
        if (row == oldIndex)
            position = newIndex;
        else if (oldIndex < newIndex && row > oldIndex && row <= newIndex)
            position = row - 1;
        else if (oldIndex > newIndex && row >= newIndex && row < oldIndex)
            position = row + 1;
        positions.append(position);
    }
    return positions;
}

int SortModel::compareNames(const QString& left, const QString& right)
{
    return nameCollator().compare(left, right);
}

bool SortModel::fallbackLess(
    const QVariantMap& left, const QVariantMap& right, SortingNamespace::SortingType sortingType)
{
    return ::fallbackLess(SortKey(left), SortKey(right), sortingType);
}

bool SortModel::dateOrderLess(
    const QVariantMap& left, const QVariantMap& right, SortingNamespace::SortingType sortingType, bool groupByDate)
{
    return ::dateOrderLess(SortKey(left), SortKey(right), sortingType, groupByDate);
}

bool SortModel::trashLess(const QVariantMap& left, const QVariantMap& right)
{
    return ::trashLess(SortKey(left), SortKey(right));
}

SortModel::Opinion SortModel::firstHook(const QVariantMap&, const QVariantMap&) const
{
    return Opinion::None;
}

SortModel::Opinion SortModel::secondHook(const QVariantMap&, const QVariantMap&) const
{
    return Opinion::None;
}

bool SortModel::compareObjects(const QVariantMap& left, const QVariantMap& right) const
{
    return compareKeys(RowKey(left), RowKey(right));
}

bool SortModel::compareKeys(const RowKey& left, const RowKey& right) const
{
    if (left.state != right.state)
        return left.state < right.state;
    if (ObjectState::isInTrash(left.state))
        return ::trashLess(left, right);

    Opinion opinion = firstHook(left.object, right.object);
    if (opinion != Opinion::None)
        return opinion == Opinion::LeftFirst;

    const bool manual = d->info.sortingType == SortingNamespace::ManualType;
    if (manual) {
        const int leftPosition = left.positionIn(d->info.orderHash, d->infoLoad);
        const int rightPosition = right.positionIn(d->info.orderHash, d->infoLoad);
        if (leftPosition >= 0 && rightPosition >= 0 && leftPosition != rightPosition)
            return leftPosition < rightPosition;
    }

    opinion = secondHook(left.object, right.object);
    if (opinion != Opinion::None)
        return opinion == Opinion::LeftFirst;

    // Rows without a stored position (added after the order was taken) go
    // by their dates, oldest first.
    if (manual)
        return ::dateOrderLess(left, right, SortingNamespace::TimestampAscType, true);
    return ::dateOrderLess(left, right, d->info.sortingType, d->info.groupByDate);
}

bool SortModel::acceptsObject(const QVariantMap& object) const
{
    const bool showCompleted = d->taskList ? d->showCompletedTasks : d->showCompletedProjects;
    return showCompleted || stateOf(object) != ObjectState::Completed;
}

bool SortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    return compareKeys(keyOf(left.row()), keyOf(right.row()));
}

bool SortModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    return acceptsObject(sourceObject(sourceModel()->index(sourceRow, 0, sourceParent)));
}

QVariantMap SortModel::sourceObject(const QModelIndex& sourceIndex) const
{
    const QAbstractItemModel* source = sourceModel();
    if (!source || !sourceIndex.isValid() || sourceIndex.model() != source)
        return QVariantMap();
    return keyOf(sourceIndex.row()).object;
}

// --- Counting ---

void SortModel::recount()
{
    int count = 0;
    if (const QAbstractItemModel* source = sourceModel()) {
        const int rows = source->rowCount();
        for (int row = 0; row < rows; ++row) {
            if (keyOf(row).state == ObjectState::Active)
                ++count;
        }
    }
    setActiveObjectCount(count);
}

void SortModel::setActiveObjectCount(int count)
{
    if (d->activeObjectCount == count)
        return;
    d->activeObjectCount = count;
    emit activeObjectCountChanged(count);
}

// --- The sorting choice ---

SortedListInfo SortModel::loadSortingInfo(const QString& listId, SortingNamespace::ListType listType) const
{
    DataManager* data = d->dataManager ? d->dataManager : DataManager::instance();
    return data->getSortedListInfo(listId, listType);
}

void SortModel::storeManualOrder(
    const QString& listId, SortingNamespace::ListType listType, const OrderHash& orderHash) const
{
    DataManager* data = d->dataManager ? d->dataManager : DataManager::instance();
    data->setManualSortedList(listId, listType, orderHash);
}

void SortModel::reloadSortingInfo()
{
    d->info = loadSortingInfo(d->listId, d->listType);
    ++d->infoLoad;
}

void SortModel::resort()
{
    d->readSettings();
    invalidate();
    recount();
}

QList<QVariantMap> SortModel::shownObjects() const
{
    QList<QVariantMap> objects;
    const int count = rowCount();
    objects.reserve(count);
    for (int row = 0; row < count; ++row)
        objects.append(getObjectByIndex(row));
    return objects;
}

QString SortModel::idOf(const QVariantMap& object)
{
    return object.value(IdKey).toString();
}

int SortModel::stateOf(const QVariantMap& object)
{
    return object.value(StateKey).toInt();
}
