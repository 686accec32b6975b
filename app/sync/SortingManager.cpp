#include "sync/SortingManager.h"

#include "common/SettingsFileCheck.h"
#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "shell/DamagedSettingsFile.h"
#include "shell/JsonArraySetting.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>
#include <QSettings>

namespace {
const QString SortingInfoKey = QStringLiteral("sorting_info");
const QString ToSendKey = QStringLiteral("objects_to_send");
const QString ToDeleteKey = QStringLiteral("objects_to_delete");

const QString ListIdField = QStringLiteral("list_id");
const QString ListTypeField = QStringLiteral("list_type");
const QString LastChangedField = QStringLiteral("last_changed");
const QString SortingTypeField = QStringLiteral("sorting_type");
const QString ListItemsField = QStringLiteral("list_items");
const QString GroupByDateField = QStringLiteral("group_by_date");
const QString ObjectIdField = QStringLiteral("object_id");
const QString OrderValueField = QStringLiteral("order_value");

struct Entry
{
    QString listId;
    SortingNamespace::ListType listType = SortingNamespace::ListTypeProject;
    SortedListInfo info;
};

// Lists are told apart by id and type: a project and a folder may share no
// id, but a context and its tree root list may.
QString keyOf(const QString& listId, SortingNamespace::ListType listType)
{
    return QString::number(int(listType)) + QLatin1Char('\n') + listId;
}

QDateTime nowUtc()
{
    return QDateTime::currentDateTimeUtc();
}

QDateTime readTime(const QJsonValue& value)
{
    QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODate);
    if (!time.isValid())
        return nowUtc();
    return time.toUTC();
}
} // namespace

struct SortingManager::Private
{
    QString path;
    QHash<QString, Entry> lists;
    QHash<QString, Entry> toSend;
    QHash<QString, QDateTime> deleted;   // list id -> when
    SortingManager::Clock clock;
    // A damaged file that could not be kept aside is never written over.
    bool writesRefused = false;

    // The JSON array text under key; a damaged text marks the file damaged.
    QJsonArray readArray(const QSettings& file, const QString& key, bool* damaged) const
    {
        QString reason;
        const QJsonArray array = JsonArraySetting::read(file, key, &reason);
        if (!reason.isEmpty()) {
            QLOG_ERROR() << "The sorting file " << path << " holds no valid list under " << key << ": " << reason;
            *damaged = true;
        }
        return array;
    }

    QHash<QString, Entry> readLists(const QJsonArray& array, const QString& key, bool* damaged) const
    {
        QHash<QString, Entry> result;
        for (const QJsonValue& value : array) {
            Entry entry;
            if (!value.isObject() || !listFromJson(value.toObject(), &entry.listId, &entry.listType, &entry.info)) {
                QLOG_WARN() << "A sorted list under " << key << " in " << path << " cannot be read and is dropped: "
                            << QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
                *damaged = true;
                continue;
            }
            result.insert(keyOf(entry.listId, entry.listType), entry);
        }
        return result;
    }

    QHash<QString, QDateTime> readDeleted(const QJsonArray& array, bool* damaged) const
    {
        QHash<QString, QDateTime> result;
        for (const QJsonValue& value : array) {
            const QString listId = value.toObject().value(ListIdField).toString();
            if (listId.isEmpty()) {
                QLOG_WARN() << "A deleted sorted list in " << path << " names no list and is dropped.";
                *damaged = true;
                continue;
            }
            result.insert(listId, readTime(value.toObject().value(LastChangedField)));
        }
        return result;
    }

    void load()
    {
        bool copied = false;
        std::unique_ptr<QSettings> file = SettingsFileCheck::open(path, &copied);
        QByteArray content;
        QFile raw(path);
        if (raw.exists() && raw.open(QIODevice::ReadOnly))
            content = raw.readAll();
        raw.close();

        bool damaged = file->status() == QSettings::FormatError || DamagedSettingsFile::hasUnreadableLines(content);
        if (file->status() == QSettings::AccessError)
            QLOG_ERROR() << "Unable to read the sorting settings from " << path;
        lists = readLists(readArray(*file, SortingInfoKey, &damaged), SortingInfoKey, &damaged);
        toSend = readLists(readArray(*file, ToSendKey, &damaged), ToSendKey, &damaged);
        deleted = readDeleted(readArray(*file, ToDeleteKey, &damaged), &damaged);
        file.reset();
        if (damaged)
            keepDamagedFile(content);
    }

    // The damaged content is kept beside the file, then the file is written
    // again from what could be read.
    void keepDamagedFile(const QByteArray& content)
    {
        const QString keptPath = DamagedSettingsFile::keepAside(path, content);
        if (keptPath.isEmpty()) {
            QLOG_ERROR() << "The sorting file " << path
                         << " is damaged and could not be copied aside; it is left as it is and sorting changes "
                            "are not saved.";
            writesRefused = true;
            return;
        }
        QLOG_ERROR() << "The sorting file " << path << " is damaged; it is kept as " << keptPath << " and its "
                     << lists.size() << " readable lists are used.";
        QFile::remove(path);
        save();
    }

    static QJsonArray listsToJson(const QHash<QString, Entry>& entries)
    {
        // Sorted by key, so that equal content gives an equal file.
        QStringList keys = entries.keys();
        keys.sort();
        QJsonArray array;
        for (const QString& key : qAsConst(keys)) {
            const Entry& entry = entries[key];
            array.append(listToJson(entry.listId, entry.listType, entry.info));
        }
        return array;
    }

    QJsonArray deletedToJson() const
    {
        QStringList ids = deleted.keys();
        ids.sort();
        QJsonArray array;
        for (const QString& id : qAsConst(ids)) {
            array.append(QJsonObject { { ListIdField, id },
                { LastChangedField, deleted.value(id).toString(Qt::ISODate) } });
        }
        return array;
    }

    static QString text(const QJsonArray& array)
    {
        return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
    }

    bool save()
    {
        if (writesRefused) {
            QLOG_WARN() << "A sorting change is not saved: the damaged file " << path << " is left untouched.";
            return false;
        }
        bool copied = false;
        const std::unique_ptr<QSettings> file = SettingsFileCheck::open(path, &copied);
        if (copied) {
            QLOG_WARN() << "A sorting change is not saved: " << path << " holds values that cannot be read safely.";
            return false;
        }
        file->setValue(SortingInfoKey, text(listsToJson(lists)));
        file->setValue(ToSendKey, text(listsToJson(toSend)));
        file->setValue(ToDeleteKey, text(deletedToJson()));
        file->sync();
        if (file->status() != QSettings::NoError) {
            QLOG_ERROR() << "Unable to save the sorting settings to " << path << " ("
                         << DamagedSettingsFile::statusText(file->status()) << ").";
            return false;
        }
        return true;
    }

    // A damaged file that was left alone still holds the signed-out user's
    // lists; they must not come back after a restart and reach the next
    // account. A copy kept aside earlier is not touched.
    void discardRefusedFile()
    {
        if (!writesRefused)
            return;
        if (QFile::remove(path) || QFile::resize(path, 0) || !QFile::exists(path)) {
            writesRefused = false;
            return;
        }
        QLOG_ERROR() << "Unable to clear the damaged sorting file " << path << ".";
    }

    // Whole seconds: what the file and the server keep, so that a change
    // compares equal to its own copy coming back.
    QDateTime now() const
    {
        const QDateTime moment = (clock ? clock() : nowUtc()).toUTC();
        return QDateTime::fromSecsSinceEpoch(moment.toSecsSinceEpoch(), Qt::UTC);
    }

    void store(const QString& listId, SortingNamespace::ListType listType, const SortedListInfo& info)
    {
        const Entry entry { listId, listType, info };
        lists.insert(keyOf(listId, listType), entry);
        toSend.insert(keyOf(listId, listType), entry);
        deleted.remove(listId);
        save();
    }
};

SortingManager::SortingManager(const QString& filePath, QObject* parent)
    : BaseSyncManager(parent)
    , d(new Private)
{
    SortingNamespace::registerMetaTypes();
    d->path = filePath.isEmpty() ? AppPaths::appDataFile(QStringLiteral("sorting.dat")) : filePath;
    d->load();
}

SortingManager::~SortingManager() = default;

QString SortingManager::filePath() const
{
    return d->path;
}

void SortingManager::setSortedList(
    const QString& listId, ListType listType, SortingType sortingType, bool groupByDate)
{
    const auto existing = d->lists.constFind(keyOf(listId, listType));
    if (existing != d->lists.cend() && existing->info.sortingType == sortingType
        && existing->info.groupByDate == groupByDate)
        return;
    SortedListInfo info;
    info.sortingType = sortingType;
    info.groupByDate = groupByDate;
    info.lastChanged = d->now();
    d->store(listId, listType, info);
    startChangeTimer();
}

void SortingManager::setManualSortedList(const QString& listId, ListType listType, const OrderHash& orderHash)
{
    SortedListInfo info;
    info.sortingType = SortingNamespace::ManualType;
    info.orderHash = orderHash;
    info.lastChanged = d->now();
    d->store(listId, listType, info);
    startChangeTimer();
}

void SortingManager::deleteSortedList(const QString& listId, ListType listType)
{
    const QString key = keyOf(listId, listType);
    if (!d->lists.contains(key))
        return;
    d->lists.remove(key);
    d->toSend.remove(key);
    d->deleted.insert(listId, d->now());
    d->save();
    startChangeTimer();
}

SortedListInfo SortingManager::getSortedListInfo(const QString& listId, ListType listType) const
{
    return d->lists.value(keyOf(listId, listType)).info;
}

bool SortingManager::hasSortedListInfo(const QString& listId, ListType listType) const
{
    return d->lists.contains(keyOf(listId, listType));
}

SortingNamespace::SortingType SortingManager::getSortingType(const QString& listId, ListType listType) const
{
    return getSortedListInfo(listId, listType).sortingType;
}

bool SortingManager::getGroupByDateParam(const QString& listId, ListType listType) const
{
    return getSortedListInfo(listId, listType).groupByDate;
}

void SortingManager::clearAll()
{
    abortRun();
    d->lists.clear();
    d->toSend.clear();
    d->deleted.clear();
    d->discardRefusedFile();
    d->save();
}

QList<SortingManager::ListKey> SortingManager::sortedLists() const
{
    QList<ListKey> keys;
    for (const Entry& entry : qAsConst(d->lists))
        keys.append(ListKey(entry.listId, entry.listType));
    return keys;
}

QList<SortingManager::ListKey> SortingManager::pendingLists() const
{
    QList<ListKey> keys;
    for (const Entry& entry : qAsConst(d->toSend))
        keys.append(ListKey(entry.listId, entry.listType));
    return keys;
}

QStringList SortingManager::deletedListIds() const
{
    return d->deleted.keys();
}

QJsonObject SortingManager::listToJson(const QString& listId, ListType listType, const SortedListInfo& info)
{
    QJsonObject object;
    object.insert(ListIdField, listId);
    object.insert(ListTypeField, SortingNamespace::listTypeText(listType));
    object.insert(LastChangedField, info.lastChanged.toUTC().toString(Qt::ISODate));
    object.insert(SortingTypeField, SortingNamespace::sortingTypeText(info.sortingType));
    if (info.sortingType == SortingNamespace::ManualType) {
        QStringList ids = info.orderHash.keys();
        ids.sort();
        QJsonArray items;
        for (const QString& id : qAsConst(ids))
            items.append(QJsonObject { { ObjectIdField, id }, { OrderValueField, info.orderHash.value(id) } });
        object.insert(ListItemsField, items);
    } else {
        object.insert(GroupByDateField, info.groupByDate);
    }
    return object;
}

bool SortingManager::listFromJson(
    const QJsonObject& object, QString* listId, ListType* listType, SortedListInfo* info)
{
    const QString id = object.value(ListIdField).toString();
    if (id.isEmpty())
        return false;
    SortedListInfo read;
    read.sortingType = SortingNamespace::sortingTypeFromText(object.value(SortingTypeField).toString());
    read.lastChanged = readTime(object.value(LastChangedField));
    if (read.sortingType == SortingNamespace::ManualType) {
        const QJsonValue items = object.value(ListItemsField);
        if (!items.isArray() && !items.isUndefined())
            return false;
        for (const QJsonValue& item : items.toArray()) {
            const QString objectId = item.toObject().value(ObjectIdField).toString();
            const QJsonValue order = item.toObject().value(OrderValueField);
            // Positions of a list are small whole numbers; anything else is
            // not an order this list could have written.
            if (objectId.isEmpty() || !order.isDouble() || order.toDouble() != double(order.toInt()))
                return false;
            read.orderHash.insert(objectId, order.toInt());
        }
    } else {
        const QJsonValue group = object.value(GroupByDateField);
        if (!group.isBool() && !group.isUndefined())
            return false;
        read.groupByDate = group.toBool(true);
    }
    *listId = id;
    *listType = SortingNamespace::listTypeFromText(object.value(ListTypeField).toString());
    *info = read;
    return true;
}

void SortingManager::setClock(const Clock& clock)
{
    d->clock = clock;
}

// --- The "sorting" side channel.

namespace {
// Why a list of the server's answer cannot be used; empty when it can.
QString receivedListProblem(const QJsonValue& value)
{
    if (!value.isObject())
        return QStringLiteral("it is not a JSON object");
    const QJsonObject object = value.toObject();
    if (!BaseSyncManager::isUsableId(object.value(ListIdField)))
        return QStringLiteral("it has no usable \"list_id\" text");
    if (!object.value(ListTypeField).isString() || !object.value(SortingTypeField).isString())
        return QStringLiteral("its \"list_type\" or \"sorting_type\" is not a text");
    // In files an unreadable time reads as now; from the server it would
    // make the list win every comparison.
    if (!BaseSyncManager::parseTime(object.value(LastChangedField)).isValid())
        return QStringLiteral("its \"last_changed\" is not an ISO 8601 date and time");
    return QString();
}
} // namespace

QString SortingManager::channelName() const
{
    return QStringLiteral("sorting");
}

void SortingManager::synchronize()
{
    if (!d->deleted.isEmpty())
        deletePending();
    else if (!d->toSend.isEmpty())
        sendPending();
    else
        requestServerList();
}

void SortingManager::deletePending()
{
    QLOG_INFO() << "Trying to delete sorting lists from the server...";
    const QJsonArray batch = nextBatch(d->deletedToJson());
    post(QStringLiteral("list/delete/"), batch, [this, batch](const QByteArray& body) {
        readAcknowledgement(body);
        // A list dropped again meanwhile keeps its newer deletion.
        for (const QJsonValue& value : batch) {
            const QString listId = value.toObject().value(ListIdField).toString();
            if (d->deleted.value(listId).toString(Qt::ISODate) == value.toObject().value(LastChangedField).toString())
                d->deleted.remove(listId);
        }
        d->save();
        synchronize();
    });
}

void SortingManager::sendPending()
{
    QLOG_INFO() << "Trying to send sorted lists to the server...";
    const QJsonArray batch = nextBatch(Private::listsToJson(d->toSend));
    post(QString(), batch, [this, batch](const QByteArray& body) {
        QJsonArray items;
        const bool listed = readAcknowledgement(body, &items);
        // A list changed again meanwhile stays to be sent.
        for (const QJsonValue& value : batch) {
            const QJsonObject sent = value.toObject();
            const QString key = keyOf(sent.value(ListIdField).toString(),
                SortingNamespace::listTypeFromText(sent.value(ListTypeField).toString()));
            const auto pending = d->toSend.constFind(key);
            if (pending != d->toSend.cend() && listToJson(pending->listId, pending->listType, pending->info) == sent)
                d->toSend.remove(key);
        }
        d->save();
        // An answer without the server's list leaves it to be asked for.
        if (!d->toSend.isEmpty() || !listed) {
            synchronize();
            return;
        }
        applyServerList(items);
        endRun();
    });
}

void SortingManager::requestServerList()
{
    QLOG_INFO() << "Trying to get sorted lists from the server...";
    get([this](const QByteArray& body) {
        QJsonArray items;
        if (readServerList(body, &items))
            applyServerList(items);
        endRun();
    });
}

void SortingManager::applyServerList(const QJsonArray& items)
{
    // Every list the server named counts as held there, usable or not: a
    // list whose copy there is damaged is not dropped here for it.
    QSet<QString> received;
    bool changed = false;
    for (int i = 0; i < items.size(); ++i) {
        const QJsonObject object = items.at(i).toObject();
        if (isUsableId(object.value(ListIdField))) {
            received.insert(keyOf(object.value(ListIdField).toString(),
                SortingNamespace::listTypeFromText(object.value(ListTypeField).toString())));
        }
        QString problem = receivedListProblem(items.at(i));
        Entry entry;
        if (problem.isEmpty() && !listFromJson(object, &entry.listId, &entry.listType, &entry.info))
            problem = QStringLiteral("its items or grouping are not those of a sorted list");
        if (!problem.isEmpty()) {
            skipItem(i, problem);
            continue;
        }
        const QString key = keyOf(entry.listId, entry.listType);
        const auto local = d->lists.constFind(key);
        if (local != d->lists.cend() && (local->info.lastChanged > entry.info.lastChanged || local->info == entry.info))
            continue;
        const auto deletion = d->deleted.constFind(entry.listId);
        if (deletion != d->deleted.cend() && deletion.value() >= entry.info.lastChanged)
            continue;
        d->lists.insert(key, entry);
        changed = true;
    }
    // Lists still waiting to be sent are not the server's to drop.
    for (const QString& key : d->lists.keys()) {
        if (received.contains(key) || d->toSend.contains(key))
            continue;
        d->lists.remove(key);
        changed = true;
    }
    if (changed)
        d->save();
}
