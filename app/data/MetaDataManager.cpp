#include "data/MetaDataManager.h"

#include "common/SettingsFileCheck.h"
#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "shell/DamagedSettingsFile.h"
#include "shell/JsonArraySetting.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QMap>
#include <QSet>
#include <QSettings>

namespace {

const QString DefaultIcon = QStringLiteral("project");
const QString ProjectIconsKey = QStringLiteral("project_icons");
const QString ObjectsToAddKey = QStringLiteral("objects_to_add");
const QString ObjectsToRemoveKey = QStringLiteral("objects_to_remove");

const QString ObjectTypeField = QStringLiteral("object_type");
const QString ObjectIdField = QStringLiteral("object_id");
const QString IconIdField = QStringLiteral("icon_id");
const QString LastChangedField = QStringLiteral("last_changed");

QString textField(const QJsonObject& object, const QString& field)
{
    return object.value(field).toString();
}

// Why an entry cannot be used, or '' when it can. Every entry names a
// project; icon records also name an icon.
QString entryProblem(const QJsonValue& value, bool needsIcon)
{
    if (!value.isObject())
        return QStringLiteral("it is not a JSON object");
    const QJsonObject object = value.toObject();
    if (!object.value(ObjectIdField).isString() || textField(object, ObjectIdField).isEmpty())
        return QStringLiteral("it has no \"object_id\" text");
    if (needsIcon && (!object.value(IconIdField).isString() || textField(object, IconIdField).isEmpty()))
        return QStringLiteral("it has no \"icon_id\" text");
    return QString();
}

QString arrayText(const QJsonArray& array)
{
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

// Removes every entry of the project from a pending list.
void dropProject(QJsonArray* list, const QString& projectId)
{
    for (int i = list->size() - 1; i >= 0; --i) {
        if (textField(list->at(i).toObject(), ObjectIdField) == projectId)
            list->removeAt(i);
    }
}

} // namespace

struct MetaDataManager::Private
{
    QString path;
    // Ordered by project, so that the file reads the same after every save.
    QMap<QString, QJsonObject> icons;
    QJsonArray toAdd;
    QJsonArray toRemove;
    MetaDataManager::Clock clock;
    // Set when the file held something that could not be used: the next save
    // keeps the file's former content beside it before writing over it.
    bool keepFormerContent = false;

    void load();
    // The file for a change, or null when the change cannot be saved there.
    std::unique_ptr<QSettings> openForChange() const;
    QJsonArray readArray(const QSettings& file, const QString& key, bool needsIcon);
    bool save();
    QString now() const;
};

void MetaDataManager::Private::load()
{
    bool copied = false;
    const std::unique_ptr<QSettings> handle = SettingsFileCheck::open(path, &copied);
    const QSettings& file = *handle;
    if (file.status() == QSettings::AccessError)
        QLOG_ERROR() << "Unable to read the project icons from " << path << ".";
    QFile raw(path);
    const bool unreadableLines
        = raw.open(QIODevice::ReadOnly) && DamagedSettingsFile::hasUnreadableLines(raw.readAll());
    if (file.status() == QSettings::FormatError || unreadableLines) {
        QLOG_ERROR() << "The file " << path
                     << " could not be read in full; the readable project icons are used.";
        keepFormerContent = true;
    }

    for (const QJsonValue& value : readArray(file, ProjectIconsKey, true)) {
        const QJsonObject record = value.toObject();
        icons.insert(textField(record, ObjectIdField), record);
    }
    toAdd = readArray(file, ObjectsToAddKey, true);
    toRemove = readArray(file, ObjectsToRemoveKey, false);
}

QJsonArray MetaDataManager::Private::readArray(const QSettings& file, const QString& key, bool needsIcon)
{
    QString reason;
    const QJsonArray entries = JsonArraySetting::read(file, key, &reason);
    if (!reason.isEmpty()) {
        QLOG_ERROR() << "The value of " << key << " in " << path << " is not a JSON array (" << reason
                     << "); it is read as empty.";
        keepFormerContent = true;
        return QJsonArray();
    }

    QJsonArray usable;
    for (int i = 0; i < entries.size(); ++i) {
        const QString problem = entryProblem(entries.at(i), needsIcon);
        if (problem.isEmpty()) {
            usable.append(entries.at(i));
            continue;
        }
        QLOG_WARN() << "Ignoring entry " << i << " of " << key << " in " << path << ": " << problem << ".";
        keepFormerContent = true;
    }
    return usable;
}

std::unique_ptr<QSettings> MetaDataManager::Private::openForChange() const
{
    bool copied = false;
    std::unique_ptr<QSettings> file = SettingsFileCheck::open(path, &copied);
    if (!copied)
        return file;
    QLOG_ERROR() << "Unable to save the project icons in " << path << ": it holds values that cannot be read safely.";
    return nullptr;
}

bool MetaDataManager::Private::save()
{
    std::unique_ptr<QSettings> file = openForChange();
    if (!file)
        return false;
    QByteArray former;
    {
        QFile raw(path);
        if (raw.exists() && raw.open(QIODevice::ReadOnly))
            former = raw.readAll();
    }

    QJsonArray iconArray;
    for (const QJsonObject& record : qAsConst(icons))
        iconArray.append(record);

    QVariantMap readable;
    {
        file->setValue(ProjectIconsKey, arrayText(iconArray));
        file->setValue(ObjectsToAddKey, arrayText(toAdd));
        file->setValue(ObjectsToRemoveKey, arrayText(toRemove));
        file->sync();
        const QSettings::Status status = file->status();
        if (status == QSettings::AccessError) {
            QLOG_ERROR() << "Unable to save the project icons in " << path << " (" << DamagedSettingsFile::statusText(status)
                         << ").";
            return false;
        }
        if (status == QSettings::NoError && !keepFormerContent)
            return true;
        if (status == QSettings::FormatError)
            readable = DamagedSettingsFile::readableEntries(*file);
        file.reset();
    }

    const QString keptPath = DamagedSettingsFile::keepAside(path, former);
    if (!keptPath.isEmpty()) {
        QLOG_ERROR() << "The former content of " << path << " held unreadable entries; it is kept as "
                     << keptPath << ".";
    }
    keepFormerContent = false;
    if (readable.isEmpty())
        return true;

    // QSettings reports a file it could not parse for as long as the handle
    // lives, so the file starts again from the entries it could read, which
    // already hold the ones just set.
    const QSettings::Status status = DamagedSettingsFile::rewrite(path, readable)->status();
    if (status != QSettings::NoError) {
        QLOG_ERROR() << "Unable to save the project icons in " << path << " (" << DamagedSettingsFile::statusText(status) << ").";
        return false;
    }
    return true;
}

QString MetaDataManager::Private::now() const
{
    const QDateTime moment = clock ? clock() : QDateTime::currentDateTimeUtc();
    return moment.toUTC().toString(Qt::ISODate);
}

MetaDataManager* MetaDataManager::instance()
{
    static MetaDataManager* manager = new MetaDataManager(AppPaths::appDataFile(QStringLiteral("meta.dat")));
    return manager;
}

MetaDataManager::MetaDataManager(const QString& filePath, QObject* parent)
    : BaseSyncManager(parent)
    , d(std::make_unique<Private>())
{
    d->path = filePath;
    // Icon choices come in bursts while the user tries a few.
    setChangeDelay(5000);
    d->load();
}

MetaDataManager::~MetaDataManager() = default;

QString MetaDataManager::filePath() const
{
    return d->path;
}

QVariantMap MetaDataManager::projectIcons() const
{
    QVariantMap icons;
    for (auto it = d->icons.cbegin(); it != d->icons.cend(); ++it)
        icons.insert(it.key(), it.value().toVariantMap());
    return icons;
}

QString MetaDataManager::defaultProjectIcon() const
{
    return DefaultIcon;
}

void MetaDataManager::setProjectIcon(const QString& iconId, const QString& projectId)
{
    if (iconId.isEmpty() || projectId.isEmpty()) {
        QLOG_WARN() << "Refusing to set the icon \"" << iconId << "\" of the project \"" << projectId
                    << "\": neither may be empty.";
        return;
    }
    if (iconId == getProjectIcon(projectId))
        return;

    QJsonObject record;
    record.insert(LastChangedField, d->now());
    record.insert(ObjectIdField, projectId);
    // Whatever was still waiting for this project is out of date. A pending
    // record left behind a removal would even win: removals are sent first.
    dropProject(&d->toAdd, projectId);
    dropProject(&d->toRemove, projectId);
    if (iconId == DefaultIcon) {
        d->icons.remove(projectId);
        d->toRemove.append(record);
    } else {
        record.insert(IconIdField, iconId);
        record.insert(ObjectTypeField, QStringLiteral("project"));
        d->icons.insert(projectId, record);
        d->toAdd.append(record);
    }
    // The choice shows at once even when the file refuses it; save() logs why.
    d->save();
    emit projectIconsChanged();
    startChangeTimer();
}

QString MetaDataManager::getProjectIcon(const QString& projectId) const
{
    const auto it = d->icons.constFind(projectId);
    return it == d->icons.cend() ? DefaultIcon : textField(it.value(), IconIdField);
}

QJsonArray MetaDataManager::objectsToAdd() const
{
    return d->toAdd;
}

QJsonArray MetaDataManager::objectsToRemove() const
{
    return d->toRemove;
}

void MetaDataManager::setClock(const Clock& clock)
{
    d->clock = clock;
}

void MetaDataManager::clearAll()
{
    abortRun();
    const bool hadIcons = !d->icons.isEmpty();
    d->icons.clear();
    d->toAdd = QJsonArray();
    d->toRemove = QJsonArray();
    if (const std::unique_ptr<QSettings> file = d->openForChange()) {
        file->clear();
        file->sync();
    }
    QLOG_INFO() << "Project icons cleared.";
    if (hadIcons)
        emit projectIconsChanged();
}

// --- The "meta" side channel.

namespace {
QSet<QString> projectsOf(const QJsonArray& entries)
{
    QSet<QString> ids;
    for (const QJsonValue& value : entries)
        ids.insert(textField(value.toObject(), ObjectIdField));
    return ids;
}

// Why a record of the server's answer cannot be used; empty when it can.
QString receivedRecordProblem(const QJsonValue& value)
{
    if (!value.isObject())
        return QStringLiteral("it is not a JSON object");
    const QJsonObject record = value.toObject();
    if (!BaseSyncManager::isUsableId(record.value(ObjectIdField)))
        return QStringLiteral("it has no usable \"object_id\" text");
    if (!BaseSyncManager::isUsableId(record.value(IconIdField)))
        return QStringLiteral("it has no usable \"icon_id\" text");
    if (!BaseSyncManager::parseTime(record.value(LastChangedField)).isValid())
        return QStringLiteral("its \"last_changed\" is not an ISO 8601 date and time");
    return QString();
}
} // namespace

QString MetaDataManager::channelName() const
{
    return QStringLiteral("meta");
}

void MetaDataManager::beginRun()
{
    QLOG_INFO() << "Meta sync started...";
    proceedWithToken();
}

void MetaDataManager::synchronize()
{
    if (!d->toRemove.isEmpty())
        deletePending();
    else if (!d->toAdd.isEmpty())
        sendPending();
    else
        requestServerList();
}

void MetaDataManager::deletePending()
{
    QLOG_INFO() << "Trying to delete project icons from the server...";
    const QJsonArray batch = nextBatch(d->toRemove);
    post(QStringLiteral("delete/"), batch, [this, batch](const QByteArray& body) {
        readAcknowledgement(body);
        d->toRemove = withoutSent(d->toRemove, batch);
        d->save();
        synchronize();
    });
}

void MetaDataManager::sendPending()
{
    QLOG_INFO() << "Trying to send project icons to the server...";
    const QJsonArray batch = nextBatch(d->toAdd);
    post(QString(), batch, [this, batch](const QByteArray& body) {
        QJsonArray items;
        const bool listed = readAcknowledgement(body, &items);
        d->toAdd = withoutSent(d->toAdd, batch);
        d->save();
        // An answer without the server's list leaves it to be asked for.
        if (!d->toAdd.isEmpty() || !listed) {
            synchronize();
            return;
        }
        applyServerList(items);
        endRun();
    });
}

void MetaDataManager::requestServerList()
{
    QLOG_INFO() << "Trying to get project icons from the server...";
    get([this](const QByteArray& body) {
        QJsonArray items;
        if (readServerList(body, &items))
            applyServerList(items);
        endRun();
    });
}

void MetaDataManager::applyServerList(const QJsonArray& items)
{
    // Choices made here that the server has not acknowledged yet win.
    const QSet<QString> adding = projectsOf(d->toAdd);
    const QSet<QString> removing = projectsOf(d->toRemove);
    QSet<QString> received;
    bool changed = false;
    for (int i = 0; i < items.size(); ++i) {
        const QJsonObject record = items.at(i).toObject();
        if (isUsableId(record.value(ObjectIdField)))
            received.insert(textField(record, ObjectIdField));
        const QString problem = receivedRecordProblem(items.at(i));
        if (!problem.isEmpty()) {
            skipItem(i, problem);
            continue;
        }
        const QString projectId = textField(record, ObjectIdField);
        if (adding.contains(projectId) || removing.contains(projectId))
            continue;
        const auto local = d->icons.constFind(projectId);
        const QDateTime serverTime = parseTime(record.value(LastChangedField));
        if (local != d->icons.cend() && !(serverTime > parseTime(local.value().value(LastChangedField))))
            continue;
        d->icons.insert(projectId,
            QJsonObject { { ObjectTypeField, QStringLiteral("project") }, { ObjectIdField, projectId },
                { IconIdField, textField(record, IconIdField) },
                { LastChangedField, record.value(LastChangedField).toString() } });
        changed = true;
    }
    for (const QString& projectId : d->icons.keys()) {
        if (received.contains(projectId) || adding.contains(projectId))
            continue;
        d->icons.remove(projectId);
        changed = true;
    }
    if (!changed)
        return;
    d->save();
    emit projectIconsChanged();
}
