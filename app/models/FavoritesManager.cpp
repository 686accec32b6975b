#include "models/FavoritesManager.h"

#include "common/SettingsFileCheck.h"
#include "data/DataManager.h"
#include "data/ObjectState.h"
#include "logging/Log.h"
#include "models/FavoritesSortModel.h"
#include "models/ListModel.h"
#include "shell/AppPaths.h"
#include "shell/DamagedSettingsFile.h"
#include "shell/JsonArraySetting.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QPointer>
#include <QQmlEngine>
#include <QSet>
#include <QSettings>

#include <array>

namespace {

const int KindCount = 3;
const QString ListKeys[KindCount]
    = { QStringLiteral("tasks"), QStringLiteral("projects"), QStringLiteral("contexts") };
const QString KindNames[KindCount]
    = { QStringLiteral("task"), QStringLiteral("project"), QStringLiteral("context") };
const QString ObjectsToAddKey = QStringLiteral("objects_to_add");
const QString ObjectsToRemoveKey = QStringLiteral("objects_to_remove");

const QString ObjectIdField = QStringLiteral("object_id");
const QString ObjectTypeField = QStringLiteral("object_type");
const QString LastChangedField = QStringLiteral("last_changed");

const QString StateKey = QStringLiteral("STATE");
const QString FavoritesListId = QStringLiteral("root_favorites");
const int DefaultSettleDelay = 5000;

bool isKind(int kind)
{
    return kind >= FavoritesManager::TaskKind && kind <= FavoritesManager::ContextKind;
}

QString arrayText(const QJsonArray& array)
{
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

// Why a pending change cannot be used, or '' when it can.
QString changeProblem(const QJsonValue& value)
{
    if (!value.isObject())
        return QStringLiteral("it is not a JSON object");
    const QJsonObject change = value.toObject();
    if (!change.value(ObjectIdField).isString() || change.value(ObjectIdField).toString().isEmpty())
        return QStringLiteral("it has no \"object_id\" text");
    if (FavoritesManager::kindOfName(change.value(ObjectTypeField).toString()) < 0)
        return QStringLiteral("its \"object_type\" is not \"task\", \"project\" or \"context\"");
    if (!change.value(LastChangedField).isString())
        return QStringLiteral("it has no \"last_changed\" text");
    return QString();
}

bool isChangeOf(const QJsonValue& value, const QString& typeName, const QString& objectId)
{
    const QJsonObject change = value.toObject();
    return change.value(ObjectIdField).toString() == objectId
        && change.value(ObjectTypeField).toString() == typeName;
}

} // namespace

struct FavoritesManager::Private
{
    QString path;
    DataManager* data = nullptr;
    QStringList lists[KindCount];
    QJsonArray toAdd;
    QJsonArray toRemove;
    std::unique_ptr<QSettings> file;
    // The handle reads a copy without values that could not be read safely
    // (nor taken out of the file): nothing is saved this run.
    bool readsCopy = false;
    FavoritesManager::Clock clock;
    // A pass that waits for the main sync to end.
    QMetaObject::Connection mainSyncWait;
    // Set while loading when the file held something that could not be used.
    bool damaged = false;

    DataManager* dataManager() const { return data ? data : DataManager::instance(); }

    void load();
    QStringList readIds(const QString& key);
    QJsonArray readChanges(const QString& key);
    void repair(const QByteArray& former);

    // Whether a change may reach the file. Another program may have written
    // it since it was read, and the handle reads it again as it saves.
    bool mayChange();
    bool write(const QString& key, const QVariant& value);
    void writeList(int kind) { write(ListKeys[kind], lists[kind]); }
    void writeChanges();
    // An empty array leaves no key behind.
    void writeOrRemove(const QString& key, const QJsonArray& changes);
    QJsonObject change(int kind, const QString& objectId) const;
    // Forgets whatever was pending for the object: the newest choice wins.
    void dropPending(int kind, const QString& objectId);

    QList<DataObject> activeFavorites() const;
};

void FavoritesManager::Private::load()
{
    file = SettingsFileCheck::open(path, &readsCopy);
    QByteArray former;
    {
        QFile raw(path);
        if (raw.exists() && raw.open(QIODevice::ReadOnly))
            former = raw.readAll();
    }
    if (file->status() == QSettings::AccessError)
        QLOG_ERROR() << "Unable to read the favorites from " << path << ".";
    damaged = file->status() == QSettings::FormatError || DamagedSettingsFile::hasUnreadableLines(former);

    for (int kind = 0; kind < KindCount; ++kind)
        lists[kind] = readIds(ListKeys[kind]);
    toAdd = readChanges(ObjectsToAddKey);
    toRemove = readChanges(ObjectsToRemoveKey);
    if (damaged)
        repair(former);
}

QStringList FavoritesManager::Private::readIds(const QString& key)
{
    const QVariant value = file->value(key);
    if (!value.isValid())
        return QStringList();
    if (value.type() != QVariant::String && value.type() != QVariant::StringList) {
        QLOG_ERROR() << "The value of " << key << " in " << path << " is not a list of identifiers; it is read as empty.";
        damaged = true;
        return QStringList();
    }

    QStringList ids;
    QSet<QString> seen;
    int unusable = 0;
    for (const QString& id : value.toStringList()) {
        if (id.isEmpty() || seen.contains(id)) {
            ++unusable;
            continue;
        }
        seen.insert(id);
        ids.append(id);
    }
    // A list of one empty identifier is how an empty list may come back.
    if (unusable > 0 && !(ids.isEmpty() && value.toStringList() == QStringList { QString() })) {
        QLOG_WARN() << "Ignoring " << unusable << " empty or repeated identifiers of " << key << " in " << path
                    << ".";
        damaged = true;
    }
    return ids;
}

QJsonArray FavoritesManager::Private::readChanges(const QString& key)
{
    QString reason;
    const QJsonArray entries = JsonArraySetting::read(*file, key, &reason);
    if (!reason.isEmpty()) {
        QLOG_ERROR() << "The value of " << key << " in " << path << " is not a JSON array (" << reason
                     << "); it is read as empty.";
        damaged = true;
        return QJsonArray();
    }

    QJsonArray usable;
    for (int i = 0; i < entries.size(); ++i) {
        const QString problem = changeProblem(entries.at(i));
        if (problem.isEmpty()) {
            usable.append(entries.at(i));
            continue;
        }
        QLOG_WARN() << "Ignoring entry " << i << " of " << key << " in " << path << ": " << problem << ".";
        damaged = true;
    }
    return usable;
}

void FavoritesManager::Private::repair(const QByteArray& former)
{
    QLOG_ERROR() << "The file " << path << " could not be read in full; the readable favorites are used.";
    const QString keptPath = DamagedSettingsFile::keepAside(path, former);
    if (keptPath.isEmpty()) {
        // Writing over it now would lose what could not be read, and nothing
        // else holds it; the file stays as it is until the next change.
        return;
    }
    QLOG_ERROR() << "The former content of " << path << " is kept as " << keptPath << ".";

    // A handle that met a damaged file reports so for the rest of its life,
    // so the file starts again from what could be read, on a new handle.
    QVariantMap entries = DamagedSettingsFile::readableEntries(*file);
    for (int kind = 0; kind < KindCount; ++kind)
        entries.insert(ListKeys[kind], lists[kind]);
    entries.insert(ObjectsToAddKey, arrayText(toAdd));
    entries.insert(ObjectsToRemoveKey, arrayText(toRemove));
    file.reset();
    file = DamagedSettingsFile::rewrite(path, entries);
    readsCopy = false;
    damaged = false;
}

bool FavoritesManager::Private::mayChange()
{
    if (!readsCopy && SettingsFileCheck::screen(path) != SettingsFileCheck::Outcome::Unrepaired)
        return true;
    QLOG_ERROR() << "Unable to save the favorites in " << path << ": it holds values that cannot be read safely.";
    return false;
}

bool FavoritesManager::Private::write(const QString& key, const QVariant& value)
{
    if (!mayChange())
        return false;
    file->setValue(key, value);
    file->sync();
    if (file->status() != QSettings::NoError) {
        QLOG_ERROR() << "Unable to save " << key << " of the favorites in " << path << " ("
                     << DamagedSettingsFile::statusText(file->status()) << ").";
        return false;
    }
    return true;
}

void FavoritesManager::Private::writeOrRemove(const QString& key, const QJsonArray& changes)
{
    if (!changes.isEmpty()) {
        write(key, arrayText(changes));
        return;
    }
    if (!mayChange())
        return;
    file->remove(key);
    file->sync();
}

void FavoritesManager::Private::writeChanges()
{
    write(ObjectsToAddKey, arrayText(toAdd));
    write(ObjectsToRemoveKey, arrayText(toRemove));
}

QJsonObject FavoritesManager::Private::change(int kind, const QString& objectId) const
{
    const QDateTime moment = clock ? clock() : QDateTime::currentDateTimeUtc();
    QJsonObject record;
    record.insert(ObjectIdField, objectId);
    record.insert(ObjectTypeField, KindNames[kind]);
    record.insert(LastChangedField, moment.toUTC().toString(Qt::ISODate));
    return record;
}

void FavoritesManager::Private::dropPending(int kind, const QString& objectId)
{
    for (QJsonArray* pending : { &toAdd, &toRemove }) {
        for (int i = pending->size() - 1; i >= 0; --i) {
            if (isChangeOf(pending->at(i), KindNames[kind], objectId))
                pending->removeAt(i);
        }
    }
}

QList<DataObject> FavoritesManager::Private::activeFavorites() const
{
    DataManager* manager = dataManager();
    QList<DataObject> rows;
    const auto keepActive = [&rows](const DataObject& record) {
        if (!record.isEmpty() && record.value(StateKey, -1).toInt() == ObjectState::Active)
            rows.append(record);
    };
    for (const QString& id : lists[ProjectKind])
        keepActive(manager->getProjectById(id));
    for (const QString& id : lists[ContextKind])
        keepActive(manager->getContextById(id));
    if (!lists[TaskKind].isEmpty()) {
        for (const DataObject& task : manager->getTasksByIds(lists[TaskKind]))
            keepActive(task);
    }
    return rows;
}

// --- FavoritesManager

FavoritesManager* FavoritesManager::instance()
{
    static FavoritesManager* manager
        = new FavoritesManager(AppPaths::appDataFile(QStringLiteral("favorites.dat")), nullptr);
    return manager;
}

FavoritesManager::FavoritesManager(const QString& filePath, DataManager* dataManager, QObject* parent)
    : BaseSyncManager(parent)
    , d(std::make_unique<Private>())
{
    d->path = filePath;
    d->data = dataManager;
    setChangeDelay(DefaultSettleDelay);
    d->load();
}

FavoritesManager::~FavoritesManager() = default;

QString FavoritesManager::filePath() const
{
    return d->path;
}

void FavoritesManager::add(int kind, const QString& objectId)
{
    if (!isKind(kind) || objectId.isEmpty()) {
        QLOG_WARN() << "Refusing to add the object \"" << objectId << "\" of kind " << kind << " to favorites.";
        return;
    }
    if (d->lists[kind].contains(objectId))
        return;
    d->lists[kind].append(objectId);
    d->writeList(kind);
    emit objectAdded();
    d->dropPending(kind, objectId);
    d->toAdd.append(d->change(kind, objectId));
    d->writeChanges();
    startChangeTimer();
}

void FavoritesManager::remove(int kind, const QString& objectId)
{
    if (!isKind(kind) || !d->lists[kind].contains(objectId))
        return;
    d->lists[kind].removeAll(objectId);
    d->writeList(kind);
    emit objectRemoved();
    d->dropPending(kind, objectId);
    d->toRemove.append(d->change(kind, objectId));
    d->writeChanges();
    startChangeTimer();
}

bool FavoritesManager::contains(int kind, const QString& objectId) const
{
    return isKind(kind) && d->lists[kind].contains(objectId);
}

QStringList FavoritesManager::ids(int kind) const
{
    return isKind(kind) ? d->lists[kind] : QStringList();
}

QJsonArray FavoritesManager::objectsToAdd() const
{
    return d->toAdd;
}

QJsonArray FavoritesManager::objectsToRemove() const
{
    return d->toRemove;
}

QVariant FavoritesManager::getModel()
{
    const QPointer<FavoritesManager> self(this);
    auto* source = new ListModel([self] { return self ? self->d->activeFavorites() : QList<DataObject>(); });
    auto* proxy = new FavoritesSortModel();
    // The source lives and dies with the proxy that the interface holds.
    source->setParent(proxy);
    proxy->setSourceModel(source);
    proxy->setDataManager(d->data);
    proxy->setListInfo(FavoritesListId, SortingNamespace::ListTypeFavorites);
    QQmlEngine::setObjectOwnership(proxy, QQmlEngine::JavaScriptOwnership);
    return QVariant::fromValue(static_cast<QObject*>(proxy));
}

QString FavoritesManager::kindName(int kind)
{
    return isKind(kind) ? KindNames[kind] : QString();
}

int FavoritesManager::kindOfName(const QString& name)
{
    for (int kind = 0; kind < KindCount; ++kind) {
        if (KindNames[kind] == name)
            return kind;
    }
    return -1;
}

void FavoritesManager::setClock(const Clock& clock)
{
    d->clock = clock;
}

void FavoritesManager::setSettleDelay(int milliseconds)
{
    setChangeDelay(milliseconds);
}

int FavoritesManager::settleDelay() const
{
    return changeDelay();
}

bool FavoritesManager::isSettling() const
{
    return isChangePending();
}

void FavoritesManager::clearAll()
{
    disconnect(d->mainSyncWait);
    abortRun();
    bool hadFavorites = false;
    for (QStringList& list : d->lists) {
        hadFavorites |= !list.isEmpty();
        list.clear();
    }
    d->toAdd = QJsonArray();
    d->toRemove = QJsonArray();
    if (d->mayChange()) {
        d->file->clear();
        d->file->sync();
    }
    if (d->file->status() != QSettings::NoError) {
        QLOG_ERROR() << "Unable to clear the favorites in " << d->path << " ("
                     << DamagedSettingsFile::statusText(d->file->status()) << ").";
    }
    QLOG_INFO() << "Favorites cleared.";
    if (hadFavorites)
        emit objectsChanged();
}

// --- The "favorites" side channel.

namespace {
using IdSets = std::array<QSet<QString>, KindCount>;

IdSets idsOf(const QJsonArray& changes)
{
    IdSets sets;
    for (const QJsonValue& value : changes) {
        const int kind = FavoritesManager::kindOfName(value.toObject().value(ObjectTypeField).toString());
        if (kind >= 0)
            sets[size_t(kind)].insert(value.toObject().value(ObjectIdField).toString());
    }
    return sets;
}
} // namespace

QString FavoritesManager::channelName() const
{
    return QStringLiteral("favorites");
}

void FavoritesManager::changeTimerFired()
{
    QLOG_INFO() << "Favorites changes settled: " << d->toAdd.size() << " additions and " << d->toRemove.size()
                << " removals wait for the favorites sync.";
    emit pendingChangesSettled();
    BaseSyncManager::changeTimerFired();
}

void FavoritesManager::beginRun()
{
    DataManager* data = d->dataManager();
    if (!data->isSyncActive()) {
        startPass();
        return;
    }
    // The main sync may bring the objects the favorites name.
    disconnect(d->mainSyncWait);
    d->mainSyncWait = connect(data, &DataManager::syncActiveChanged, this, [this](bool active) {
        if (active)
            return;
        disconnect(d->mainSyncWait);
        startPass();
    });
}

void FavoritesManager::startPass()
{
    QLOG_INFO() << "Favorites sync started...";
    proceedWithToken();
}

void FavoritesManager::synchronize()
{
    if (!d->toRemove.isEmpty())
        deletePending();
    else if (!d->toAdd.isEmpty())
        sendPending();
    else
        requestServerList();
}

void FavoritesManager::deletePending()
{
    QLOG_INFO() << "Trying to delete favorite objects from the server...";
    const QJsonArray batch = nextBatch(d->toRemove);
    post(QStringLiteral("delete/"), batch, [this, batch](const QByteArray& body) {
        readAcknowledgement(body);
        d->toRemove = withoutSent(d->toRemove, batch);
        d->writeOrRemove(ObjectsToRemoveKey, d->toRemove);
        synchronize();
    });
}

void FavoritesManager::sendPending()
{
    QLOG_INFO() << "Trying to send favorite objects to the server...";
    const QJsonArray batch = nextBatch(d->toAdd);
    post(QString(), batch, [this, batch](const QByteArray& body) {
        QJsonArray items;
        const bool listed = readAcknowledgement(body, &items);
        d->toAdd = withoutSent(d->toAdd, batch);
        d->writeOrRemove(ObjectsToAddKey, d->toAdd);
        // An answer without the server's list leaves it to be asked for.
        if (!d->toAdd.isEmpty() || !listed) {
            synchronize();
            return;
        }
        applyServerList(items);
        endRun();
    });
}

void FavoritesManager::requestServerList()
{
    QLOG_INFO() << "Trying to get favorite objects from the server...";
    get([this](const QByteArray& body) {
        QJsonArray items;
        if (readServerList(body, &items))
            applyServerList(items);
        endRun();
    });
}

void FavoritesManager::applyServerList(const QJsonArray& items)
{
    // Changes made here that the server has not acknowledged yet win.
    const IdSets adding = idsOf(d->toAdd);
    const IdSets removing = idsOf(d->toRemove);
    IdSets received;
    IdSets held;
    for (int kind = 0; kind < KindCount; ++kind)
        held[size_t(kind)] = QSet<QString>(d->lists[kind].cbegin(), d->lists[kind].cend());
    bool changed[KindCount] = { false, false, false };

    for (int i = 0; i < items.size(); ++i) {
        const QJsonObject object = items.at(i).toObject();
        const int kind = kindOfName(object.value(ObjectTypeField).toString());
        const QJsonValue id = object.value(ObjectIdField);
        if (!items.at(i).isObject() || kind < 0 || !isUsableId(id)) {
            skipItem(i, QStringLiteral("it is not an object with a usable \"object_id\" and an \"object_type\" of "
                                       "\"task\", \"project\" or \"context\""));
            continue;
        }
        const QString objectId = id.toString();
        received[size_t(kind)].insert(objectId);
        if (held[size_t(kind)].contains(objectId) || removing[size_t(kind)].contains(objectId))
            continue;
        held[size_t(kind)].insert(objectId);
        d->lists[kind].append(objectId);
        changed[kind] = true;
    }
    for (int kind = 0; kind < KindCount; ++kind) {
        QStringList& list = d->lists[kind];
        for (int i = list.size() - 1; i >= 0; --i) {
            if (received[size_t(kind)].contains(list.at(i)) || adding[size_t(kind)].contains(list.at(i)))
                continue;
            list.removeAt(i);
            changed[kind] = true;
        }
    }
    bool anyChanged = false;
    for (int kind = 0; kind < KindCount; ++kind) {
        if (!changed[kind])
            continue;
        d->writeList(kind);
        anyChanged = true;
    }
    if (anyChanged)
        emit objectsChanged();
}
