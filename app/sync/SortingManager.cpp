#include "sync/SortingManager.h"

#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "shell/DamagedSettingsFile.h"
#include "shell/JsonArraySetting.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
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
        QByteArray content;
        QFile raw(path);
        if (raw.exists() && raw.open(QIODevice::ReadOnly))
            content = raw.readAll();
        raw.close();

        bool damaged = false;
        {
            const QSettings file(path, QSettings::IniFormat);
            damaged = file.status() == QSettings::FormatError || DamagedSettingsFile::hasUnreadableLines(content);
            if (file.status() == QSettings::AccessError)
                QLOG_ERROR() << "Unable to read the sorting settings from " << path;
            lists = readLists(readArray(file, SortingInfoKey, &damaged), SortingInfoKey, &damaged);
            toSend = readLists(readArray(file, ToSendKey, &damaged), ToSendKey, &damaged);
            deleted = readDeleted(readArray(file, ToDeleteKey, &damaged), &damaged);
        }
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
        QSettings file(path, QSettings::IniFormat);
        file.setValue(SortingInfoKey, text(listsToJson(lists)));
        file.setValue(ToSendKey, text(listsToJson(toSend)));
        file.setValue(ToDeleteKey, text(deletedToJson()));
        file.sync();
        if (file.status() != QSettings::NoError) {
            QLOG_ERROR() << "Unable to save the sorting settings to " << path << " ("
                         << DamagedSettingsFile::statusText(file.status()) << ").";
            return false;
        }
        return true;
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
    : QObject(parent)
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
    info.lastChanged = nowUtc();
    d->store(listId, listType, info);
}

void SortingManager::setManualSortedList(const QString& listId, ListType listType, const OrderHash& orderHash)
{
    SortedListInfo info;
    info.sortingType = SortingNamespace::ManualType;
    info.orderHash = orderHash;
    info.lastChanged = nowUtc();
    d->store(listId, listType, info);
}

void SortingManager::deleteSortedList(const QString& listId, ListType listType)
{
    const QString key = keyOf(listId, listType);
    if (!d->lists.contains(key))
        return;
    d->lists.remove(key);
    d->toSend.remove(key);
    d->deleted.insert(listId, nowUtc());
    d->save();
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
    d->lists.clear();
    d->toSend.clear();
    d->deleted.clear();
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
