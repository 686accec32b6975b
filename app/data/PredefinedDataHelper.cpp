#include "data/PredefinedDataHelper.h"

#include "common/SettingsFileCheck.h"
#include "data/DataManager.h"
#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "shell/DamagedSettingsFile.h"
#include "shell/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>

#include <iterator>

namespace {

const QString FoldersCreatedKey = QStringLiteral("folders_created");
const QString ContextsCreatedKey = QStringLiteral("contexts_created");
const QString PredefinedIdsKey = QStringLiteral("predefined_ids");
const QChar IdSeparator = QLatin1Char(',');

// One demo object: the number the server knows it by (0: none) and its name
// in Russian and in every other language.
struct PredefinedObject
{
    int number;
    const char* russianName;
    const char* otherName;
};

const PredefinedObject Folders[] = {
    { 1, "Работа", "Business" },
    { 2, "Личное", "Personal" },
    { 0, "Сайд-проекты", "Side projects" },
};

// The garage is created third but numbered 303: the numbers are the server's
// codes, the order is the one the lists show on a new database.
const PredefinedObject Contexts[] = {
    { 300, "Дома (демо-контекст)", "@home (demo context)" },
    { 301, "В офисе (демо-контекст)", "@office (demo context)" },
    { 303, "В гараже (демо-контекст)", "@garage (demo context)" },
    { 302, "С утра (демо-контекст)", "In the morning (demo context)" },
    { 304, "Если есть свободное время (демо-контекст)", "If I have some time (demo context)" },
    { 305, "В сети (демо-контекст)", "Online (demo context)" },
};

// The identifiers in "predefined_ids". Written by QSettings the value is one
// quoted text; written by hand without quotes QSettings reads it as a list.
// Both hold the same identifiers, and empty pieces are no identifiers.
QStringList storedIds(const QSettings& file)
{
    const QVariant value = file.value(PredefinedIdsKey);
    const QStringList pieces
        = value.type() == QVariant::StringList ? value.toStringList() : value.toString().split(IdSeparator);
    QStringList ids;
    for (const QString& piece : pieces) {
        const QString id = piece.trimmed();
        if (!id.isEmpty())
            ids.append(id);
    }
    return ids;
}

// A flag of the file. Only "true"/"1" and "false"/"0" (or no value) are
// flags; anything else counts as set, since creating the demo objects a
// second time would leave the user with duplicates.
bool storedFlag(const QSettings& file, const QString& key)
{
    const QString text = file.value(key).toString().trimmed().toLower();
    if (text.isEmpty() || text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    QLOG_WARN() << "The value \"" << file.value(key).toString() << "\" of " << key << " in "
                << file.fileName() << " is not a flag; the objects are taken as created.";
    return true;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Opens the file. A file that QSettings cannot read in full is kept aside
// first and starts again from the entries that could be read, since the next
// write would silently drop the rest. *copied as SettingsFileCheck::open()
// sets it: a copy is only read.
std::unique_ptr<QSettings> openFile(const QString& path, bool* copied = nullptr)
{
    bool readsCopy = false;
    auto file = SettingsFileCheck::open(path, &readsCopy);
    if (copied)
        *copied = readsCopy;
    if (readsCopy
        || (file->status() != QSettings::FormatError && !DamagedSettingsFile::hasUnreadableLines(fileBytes(path))))
        return file;
    const QVariantMap readable = DamagedSettingsFile::readableEntries(*file);
    file.reset();
    const QString keptPath = DamagedSettingsFile::keepAside(path);
    if (keptPath.isEmpty()) {
        QLOG_ERROR() << "The file " << path << " could not be read in full, and its former content could "
                     << "not be kept aside; the readable entries are written again.";
    } else {
        QLOG_ERROR() << "The file " << path << " could not be read in full; its former content is kept as "
                     << keptPath << " and the readable entries are written again.";
    }
    return DamagedSettingsFile::rewrite(path, readable);
}

bool writeValues(const QString& path, const QVariantMap& values)
{
    bool copied = false;
    std::unique_ptr<QSettings> file = openFile(path, &copied);
    if (copied) {
        QLOG_ERROR() << "Unable to save the predefined objects in " << path
                     << ": it holds values that cannot be read safely.";
        return false;
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        file->setValue(it.key(), it.value());
    file->sync();
    if (file->status() != QSettings::NoError) {
        QLOG_ERROR() << "Unable to save the predefined objects in " << path << " ("
                     << DamagedSettingsFile::statusText(file->status()) << ").";
        return false;
    }
    return true;
}

} // namespace

struct PredefinedDataHelper::Private
{
    QString quorvelBoxId = PredefinedDataHelper::initialQuorvelBoxId();
    QString oneStepActionsId = PredefinedDataHelper::initialOneStepActionsId();
    StoreAccess store = PredefinedDataHelper::dataManagerAccess();
    Settings* settings = nullptr;

    enum class Kind { Folders, Contexts };
    bool create(Kind kind);
};

PredefinedDataHelper* PredefinedDataHelper::instance()
{
    // Lives as long as the process: QML and the data worker both hold it.
    static PredefinedDataHelper* helper = new PredefinedDataHelper();
    return helper;
}

PredefinedDataHelper::PredefinedDataHelper(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    // The interface binds to these properties, so the helper belongs to the
    // interface thread even when the data worker happens to ask for it first.
    if (QCoreApplication* application = QCoreApplication::instance())
        moveToThread(application->thread());
}

PredefinedDataHelper::~PredefinedDataHelper() = default;

QString PredefinedDataHelper::initialQuorvelBoxId()
{
    return QStringLiteral("f206bbf9-8d12-4482-a142-d02efefe8bbc");
}

QString PredefinedDataHelper::initialOneStepActionsId()
{
    return QStringLiteral("a248f791-d83e-49ca-93df-32d9718cdb91");
}

QString PredefinedDataHelper::predefinedObjectsFile()
{
    return AppPaths::appDataFile(QStringLiteral("predefined_objects.dat"));
}

QString PredefinedDataHelper::quorvelBoxId() const
{
    return d->quorvelBoxId;
}

void PredefinedDataHelper::setQuorvelBoxId(const QString& id)
{
    if (d->quorvelBoxId == id)
        return;
    d->quorvelBoxId = id;
    emit quorvelBoxIdChanged(id);
}

QString PredefinedDataHelper::oneStepActionsId() const
{
    return d->oneStepActionsId;
}

void PredefinedDataHelper::setOneStepActionsId(const QString& id)
{
    if (d->oneStepActionsId == id)
        return;
    d->oneStepActionsId = id;
    emit oneStepActionsIdChanged(id);
}

void PredefinedDataHelper::resetBuiltInListIds()
{
    setQuorvelBoxId(initialQuorvelBoxId());
    setOneStepActionsId(initialOneStepActionsId());
}

bool PredefinedDataHelper::createPredefinedFolders()
{
    return d->create(Private::Kind::Folders);
}

bool PredefinedDataHelper::predefinedFoldersCreated() const
{
    return storedFlag(*openFile(predefinedObjectsFile()), FoldersCreatedKey);
}

bool PredefinedDataHelper::createPredefinedContexts()
{
    return d->create(Private::Kind::Contexts);
}

bool PredefinedDataHelper::predefinedContextsCreated() const
{
    return storedFlag(*openFile(predefinedObjectsFile()), ContextsCreatedKey);
}

bool PredefinedDataHelper::createMissingPredefinedObjects()
{
    const bool folders = predefinedFoldersCreated() || createPredefinedFolders();
    const bool contexts = predefinedContextsCreated() || createPredefinedContexts();
    return folders && contexts;
}

bool PredefinedDataHelper::Private::create(Kind kind)
{
    const bool folders = kind == Kind::Folders;
    QLOG_INFO() << (folders ? "Creating predefined folders..." : "Creating predefined contexts...");
    Settings* languageSource = settings ? settings : Settings::instance();
    const bool russian = languageSource->applicationLanguage() == QLatin1String("ru");
    QLOG_INFO() << "Is current app lang is Russian: " << russian;

    const PredefinedObject* const begin = folders ? std::begin(Folders) : std::begin(Contexts);
    const PredefinedObject* const end = folders ? std::end(Folders) : std::end(Contexts);
    QStringList newIds;
    QVariantMap values;
    for (const PredefinedObject* object = begin; object != end; ++object) {
        const QString name = QString::fromUtf8(russian ? object->russianName : object->otherName);
        DataObject record;
        record.insert(QStringLiteral("NAME"), name);
        record.insert(QStringLiteral("PARENT"), QString());
        if (folders) {
            record.insert(QStringLiteral("FOLDER"), true);
            record.insert(QStringLiteral("CONTEXT"), QString());
        }
        // The store keeps the last created identifier when a create fails, so
        // it is read only after a create that succeeded: otherwise the
        // previous object's identifier would be recorded a second time.
        const bool created
            = folders ? store.createProjectLocally(record) : store.createContextLocally(record);
        const QString id = created ? store.lastCreatedObjectId() : QString();
        if (id.isEmpty()) {
            QLOG_ERROR() << "Unable to create the predefined " << (folders ? "folder " : "context ") << name
                         << "; this run's predefined " << (folders ? "folders" : "contexts")
                         << " are rolled back and created again at the next start.";
            store.rollbackChanges();
            return false;
        }
        newIds.append(id);
        if (object->number != 0)
            values.insert(QString::number(object->number), id);
    }

    // Recorded only once the objects are in the database: identifiers of a
    // failed commit would name objects that do not exist, and the raised flag
    // would keep them from ever being created.
    if (!store.commitChanges()) {
        QLOG_ERROR() << "Unable to save the predefined " << (folders ? "folders" : "contexts")
                     << "; they are created again at the next start.";
        return false;
    }

    const QString path = PredefinedDataHelper::predefinedObjectsFile();
    values.insert(PredefinedIdsKey, (storedIds(*openFile(path)) + newIds).join(IdSeparator));
    values.insert(folders ? FoldersCreatedKey : ContextsCreatedKey, true);
    if (!writeValues(path, values))
        return false;
    QLOG_INFO() << "Predefined objects successfully saved!";
    return true;
}

QStringList PredefinedDataHelper::predefinedIds() const
{
    return storedIds(*openFile(predefinedObjectsFile()));
}

bool PredefinedDataHelper::isPredefinedObject(const QString& id) const
{
    return !id.isEmpty() && predefinedIds().contains(id);
}

QString PredefinedDataHelper::predefinedObjectId(int number) const
{
    return openFile(predefinedObjectsFile())->value(QString::number(number)).toString();
}

void PredefinedDataHelper::setStoreAccess(const StoreAccess& access)
{
    const bool complete = access.createProjectLocally && access.createContextLocally
        && access.lastCreatedObjectId && access.commitChanges && access.rollbackChanges;
    d->store = complete ? access : dataManagerAccess();
}

PredefinedDataHelper::StoreAccess PredefinedDataHelper::dataManagerAccess()
{
    // The data manager is asked at each call, not now: the helper may be
    // created before the data worker is started.
    StoreAccess access;
    access.createProjectLocally
        = [](const DataObject& project) { return DataManager::instance()->createProjectLocally(project); };
    access.createContextLocally
        = [](const DOContext& context) { return DataManager::instance()->createContextLocally(context); };
    access.lastCreatedObjectId = [] { return DataManager::instance()->lastCreatedObjectId(); };
    access.commitChanges = [] { return DataManager::instance()->commitChanges(); };
    access.rollbackChanges = [] { return DataManager::instance()->rollbackChanges(); };
    return access;
}

void PredefinedDataHelper::setSettings(Settings* settings)
{
    d->settings = settings;
}
