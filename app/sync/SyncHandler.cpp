#include "sync/SyncHandler.h"

#include "data/DatabaseHandler.h"
#include "data/PredefinedDataHelper.h"
#include "data/SqlStatement.h"
#include "logging/Log.h"
#include "plexlink/ApiHandler.h"
#include "plexlink/ApiOperation.h"
#include "plexlink/BoolApiOperation.h"
#include "plexlink/IntegerApiOperation.h"
#include "plexlink/ObjectListApiOperation.h"
#include "shell/AppInfo.h"
#include "shell/AppPaths.h"
#include "shell/DamagedSettingsFile.h"
#include "shell/Settings.h"
#include "time/NotificationManager.h"
#include "time/RepeatedTaskHelper.h"
#include "common/SettingsFileCheck.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMetaEnum>
#include <QNetworkReply>
#include <QPointer>
#include <QSet>
#include <QSettings>
#include <QTemporaryFile>
#include <QTimer>

#include <utility>

namespace {

const QString IdKey = QStringLiteral("ID");
const QString NameKey = QStringLiteral("NAME");
const QString ParentKey = QStringLiteral("PARENT");
const QString ContextKey = QStringLiteral("CONTEXT");
const QString DueKey = QStringLiteral("DUE");
const QString FolderKey = QStringLiteral("FOLDER");
const QString TimestampKey = QStringLiteral("TIMESTAMP");
const QString StateKey = QStringLiteral("STATE");
const QString SyncedKey = QStringLiteral("SYNCED");
const QString LocalKey = QStringLiteral("LOCAL");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString LevelKey = QStringLiteral("LEVEL");
const QString ChildrenKey = QStringLiteral("CHILDREN");
const QString SyncKey = QStringLiteral("SYNC");
const QString TypeKey = QStringLiteral("TYPE");
const QString PredefinedKey = QStringLiteral("PREDEFINED");
const QString InboxKey = QStringLiteral("INBOX");

const QString SyncGroup = QStringLiteral("Sync");
const QString LastRevisionKey = QStringLiteral("LastClientRevision");
const QString InboxIdKey = QStringLiteral("QB_ID");
const QString OneStepIdKey = QStringLiteral("OSA_ID");
const QString PredefinedIdsKey = QStringLiteral("predefined_ids");

const QString TaskType = QStringLiteral("task");
const QString ProjectType = QStringLiteral("project");
const QString ContextType = QStringLiteral("context");

const int MaxRequestsPerObject = 3;
// How long a run waits for a delete or complete inside its undo time to be
// confirmed or undone (the undo time is under ten seconds), and how often it looks.
const int SettleTimeoutMs = 60000;
const int SettlePollMs = 50;

// The fields the store keeps for each kind. The server may send more (its
// own bookkeeping); the store refuses any record with a field it has no
// column for, so those are left out. SYNCED and LOCAL are the store's own
// business on a synchronised write and are never taken from the server.
const QStringList& storedFields(const QString& type)
{
    static const QStringList task = { IdKey, NameKey, ParentKey, QStringLiteral("MEMO"), QStringLiteral("START"),
        DueKey, ContextKey, TimestampKey, StateKey, PeriodKey };
    static const QStringList project = { IdKey, NameKey, ParentKey, QStringLiteral("MEMO"),
        QStringLiteral("START"), DueKey, ContextKey, FolderKey, TimestampKey, StateKey };
    static const QStringList context
        = { IdKey, NameKey, ParentKey, QStringLiteral("MEMO"), TimestampKey, StateKey };
    return type == TaskType ? task : type == ProjectType ? project : context;
}

QStringList readIds(const QSettings& file)
{
    // Written by QSettings the value is one text; written by hand without
    // quotes QSettings reads it as a list. Empty pieces are no identifiers.
    const QVariant value = file.value(PredefinedIdsKey);
    const QStringList pieces = value.type() == QVariant::StringList ? value.toStringList()
                                                                    : value.toString().split(QLatin1Char(','));
    QStringList ids;
    for (const QString& piece : pieces) {
        if (!piece.trimmed().isEmpty())
            ids.append(piece.trimmed());
    }
    return ids;
}

// The number in "<text>: Server has newer object; timestamp: 1700000000." -
// what is left once the phrase is gone, up to the first full stop.
qulonglong newerServerTimestamp(QString text)
{
    text.remove(QStringLiteral(": Server has newer object; timestamp: "));
    return text.split(QLatin1Char('.')).value(0).trimmed().toULongLong();
}

bool isContextReference(const QString& text)
{
    if (!text.contains(QLatin1String("Context(")))
        return false;
    const bool forTask = text.contains(QLatin1String("required for task"))
        && (text.contains(QLatin1String("was deleted")) || text.contains(QLatin1String("doesn't exist")));
    const bool forProject
        = text.contains(QLatin1String("required for project")) && text.contains(QLatin1String("doesn't exist"));
    return forTask || forProject;
}

bool isParentReference(const QString& text)
{
    if (!text.contains(QLatin1String("Parent(")))
        return false;
    return text.contains(QLatin1String("isn't folder required for folder"))
        || (text.contains(QLatin1String("required for object")) && text.contains(QLatin1String("doesn't exist")));
}

} // namespace

QString SyncHandler::typeName(Kind kind)
{
    return kind == Kind::Task ? TaskType : kind == Kind::Project ? ProjectType : ContextType;
}

// What one merge collects before it is committed: nothing of it reaches the
// predefined-object file, the sync file or the reminders unless the store
// kept the merge.
struct MergeState
{
    QStringList predefinedIds;
    QVariantMap predefinedCodes;
    QString newInboxId;
    QString newOneStepId;
    QList<DataObject> tasksToRefresh;
    QList<DataObject> projectsToDelete;
    QList<DataObject> contextsToDelete;
    QList<std::function<void()>> reminderFollowUps;
    QSet<QString> reportedFields;
};

struct SyncHandler::AcceptedObject
{
    // As it is to be stored, and as it was read before it was sent.
    DataObject record;
    DataObject sent;
    Kind kind;
};

struct SyncHandler::UploadStep
{
    const char* announcement;
    Kind kind;
    std::function<QList<DataObject>()> list;
    int progress;
    const char* failure;
};

struct SyncHandler::Private
{
    Services services;
    ApiHandler* api = nullptr;
    std::unique_ptr<QSettings> syncFile;
    std::unique_ptr<QTemporaryFile> syncFileCopy;
    bool active = false;
    int lastRevision = 0;
    // The server revision this run's download showed (an empty download
    // does not move the last revision, yet tells where the server stands).
    int knownRevision = 0;
    QString inboxId = PredefinedDataHelper::initialQuorvelBoxId();
    QString oneStepId = PredefinedDataHelper::initialOneStepActionsId();
    bool restart = false;
    // A restart has been asked for from the event loop and has not run yet.
    bool restartPending = false;
    int restartsInRow = 0;
    bool fullDownload = false;
    QString lastRefusedId;
    qint32 timeDifference = 0;
    // Counts runs, so that a reply or a wait that outlived its run is told apart.
    quint64 run = 0;
    QPointer<ApiOperation> download;
    MergeState merge;
    // Objects of the list being sent that the server took, to be marked as
    // synchronised together, and whether a revision waits to be saved.
    QList<AcceptedObject> acceptedObjects;
    bool revisionToSave = false;
};

SyncHandler::SyncHandler(QObject* parent)
    : SyncHandler(Services(), parent)
{
}

SyncHandler::SyncHandler(const Services& services, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->services = services;
    d->api = new ApiHandler(
        { { QStringLiteral("PLATFORM"), QStringLiteral("Windows") }, { QStringLiteral("VERSION"), AppInfo::version() } },
        this);
    connect(d->api, &ApiHandler::proxyAuthenticationRequired, this, &SyncHandler::proxyAuthenticationRequired);

    d->syncFile = openSyncFile(&d->syncFileCopy);
    reloadSyncFile();
}

std::unique_ptr<QSettings> SyncHandler::openSyncFile(std::unique_ptr<QTemporaryFile>* privateCopy)
{
    const QString path = syncFilePath();
    // Reads the given content instead of the file, which is then left alone.
    const auto onCopy = [&](const QByteArray& content, const char* reason) {
        *privateCopy = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/quorvel-sync-XXXXXX.dat"));
        if (!(*privateCopy)->open() || (*privateCopy)->write(content) != content.size())
            QLOG_ERROR() << "Unable to prepare a copy of the sync file: " << (*privateCopy)->errorString();
        (*privateCopy)->close();
        QLOG_ERROR() << "The sync file " << path << " is read from a copy this run (" << reason
                     << "); the sync state is not saved.";
        auto file = std::make_unique<QSettings>((*privateCopy)->fileName(), QSettings::IniFormat);
        file->beginGroup(SyncGroup);
        return file;
    };
    const auto contentOf = [&path] {
        QFile raw(path);
        return raw.open(QIODevice::ReadOnly) ? raw.readAll() : QByteArray();
    };

    if (SettingsFileCheck::screen(path) == SettingsFileCheck::Outcome::Unrepaired)
        return onCopy(SettingsFileCheck::check(contentOf()).content, "it holds values that cannot be read safely");
    auto file = std::make_unique<QSettings>(path, QSettings::IniFormat);
    // Every group is parsed now: QSettings finds damage in a group only when
    // it first reads it, and from then on reports a format error for the
    // handle's whole life - successful writes included.
    const QVariantMap readable = DamagedSettingsFile::readableEntries(*file);
    const QByteArray content = contentOf();
    if (file->status() == QSettings::FormatError || DamagedSettingsFile::hasUnreadableLines(content)) {
        // The handle would drop whatever it could not read at its next write;
        // the file is kept aside and started again from what was readable.
        const QString keptPath = DamagedSettingsFile::keepAside(path, content);
        if (keptPath.isEmpty())
            return onCopy(content, "it is damaged and no copy of it could be kept");
        QLOG_WARN() << "The sync file " << path << " is damaged; it is kept as " << keptPath
                    << " and started again from what could be read.";
        file.reset();
        file = DamagedSettingsFile::rewrite(path, readable);
    }
    file->beginGroup(SyncGroup);
    return file;
}

SyncHandler::~SyncHandler() = default;

void SyncHandler::setServices(const Services& services)
{
    d->services = services;
}

QString SyncHandler::syncFilePath()
{
    return AppPaths::appDataFile(QStringLiteral("sync.dat"));
}

bool SyncHandler::isActive() const
{
    return d->active;
}

int SyncHandler::lastRevision() const
{
    return d->lastRevision;
}

qint32 SyncHandler::timeDifference() const
{
    return d->timeDifference;
}

QString SyncHandler::inboxId() const
{
    return d->inboxId;
}

QString SyncHandler::oneStepActionsId() const
{
    return d->oneStepId;
}

DatabaseHandler* SyncHandler::store() const
{
    return d->services.store ? d->services.store : DatabaseHandler::instance();
}

RepeatedTaskHelper* SyncHandler::repetition() const
{
    return d->services.repetition ? d->services.repetition : RepeatedTaskHelper::instance();
}

NotificationManager* SyncHandler::notifications() const
{
    return d->services.notifications ? d->services.notifications : NotificationManager::instance();
}

Settings* SyncHandler::settings() const
{
    return d->services.settings ? d->services.settings : Settings::instance();
}

qint64 SyncHandler::nowSeconds() const
{
    const QDateTime now = d->services.clock ? d->services.clock() : QDateTime::currentDateTimeUtc();
    return now.toSecsSinceEpoch();
}

void SyncHandler::reloadSyncFile()
{
    // Read again from disk below; whatever another program left there is
    // looked over first.
    // (A run that reads a private copy stays with it.)
    if (!d->syncFileCopy && SettingsFileCheck::screen(syncFilePath()) == SettingsFileCheck::Outcome::Unrepaired)
        d->syncFile = openSyncFile(&d->syncFileCopy);
    d->syncFile->sync();
    if (!d->syncFileCopy && d->syncFile->status() == QSettings::FormatError)
        d->syncFile = openSyncFile(&d->syncFileCopy);
    // Anything but a revision means "from the beginning".
    d->lastRevision = qMax(0, d->syncFile->value(LastRevisionKey, 0).toInt());
    const QString inbox = d->syncFile->value(InboxIdKey).toString();
    const QString oneStep = d->syncFile->value(OneStepIdKey).toString();
    d->inboxId = inbox.isEmpty() ? PredefinedDataHelper::initialQuorvelBoxId() : inbox;
    d->oneStepId = oneStep.isEmpty() ? PredefinedDataHelper::initialOneStepActionsId() : oneStep;
}

void SyncHandler::giveCredentialsToApi()
{
    d->api->setClientLogin(settings()->clientLogin());
    d->api->setClientPassword(settings()->clientPassword());
}

// --- Runs ---

bool SyncHandler::start()
{
    if (d->active)
        return false;
    // A restart that was still to come is taken over by this run.
    d->restartPending = false;
    d->restartsInRow = 0;
    // "Refused twice in a row" counts within one chain of restarts only.
    d->lastRefusedId.clear();
    return startRun();
}

bool SyncHandler::startRun()
{
    if (d->active)
        return false;
    d->restart = false;
    if (!store()->isConnected()) {
        QLOG_ERROR() << "The database is not open; the sync does not start.";
        emit storeUnavailable();
        return false;
    }
    const QString login = settings()->clientLogin();
    const QString password = settings()->clientPassword();
    reloadSyncFile();
    if (login.isEmpty() || password.isEmpty()) {
        QLOG_ERROR() << "User login or password is not set. Can't start sync process!";
        return false;
    }
    d->api->setClientLogin(login);
    d->api->setClientPassword(password);
    QLOG_INFO() << "Sync process started...";
    d->active = true;
    d->knownRevision = d->lastRevision;
    ++d->run;
    emit started();
    QLOG_INFO() << "Getting changes from server...";

    // A child of the handler, so that a download still on its way when the
    // handler goes (after an abort, say) goes with it.
    ObjectListApiOperation* operation = d->api->getChanges(d->fullDownload ? 0 : d->lastRevision, this);
    d->download = operation;
    connect(operation, &ApiOperation::finished, this, [this, operation] { onChangesReceived(operation); });
    return true;
}

void SyncHandler::restartRun()
{
    if (!d->restartPending)
        return;
    d->restartPending = false;
    if (d->restartsInRow >= MaxRestartsInRow) {
        QLOG_ERROR() << "The sync had to start again " << d->restartsInRow
                     << " times in a row; it stops here until the next sync.";
    } else {
        ++d->restartsInRow;
        if (startRun())
            return;
    }
    // Nobody else will end this run: the manager is still waiting for it.
    emit finished();
    QLOG_INFO() << "Sync process completed.";
}

void SyncHandler::abort()
{
    if (d->restartPending) {
        d->restartPending = false;
        emit finished();
        QLOG_INFO() << "Sync process completed.";
        return;
    }
    d->restart = false;
    endRun();
}

void SyncHandler::endRun()
{
    if (!d->active)
        return;
    d->active = false;
    d->download = nullptr;
    if (d->restart)
        return;
    emit finished();
    QLOG_INFO() << "Sync process completed.";
}

void SyncHandler::onChangesReceived(ApiOperation* operation)
{
    operation->deleteLater();
    // A reply of a run that was aborted, or of one before the current run,
    // carries nothing this run asked for.
    if (operation != d->download || !d->active) {
        QLOG_INFO() << "A download of an earlier sync run arrived late; it is ignored.";
        return;
    }
    d->download = nullptr;

    if (reportFailure(operation)) {
        endRun();
        return;
    }

    const quint64 run = d->run;
    adoptServerTime(operation->serverTime());
    emit progressChanged(10);
    if (!waitUntilSettled(run)) {
        endRun();
        return;
    }
    const QVariantList changes = operation->result().toList();
    if (merge(changes)) {
        d->knownRevision = qMax(d->lastRevision, changes.value(0).toInt());
        // Only a download that was kept ends the wish for everything: after
        // a failure the next run asks again for what this one asked for.
        d->fullDownload = false;
        upload(run);
        if (!d->restart && d->active && d->run == run)
            emit progressChanged(100);
    } else {
        d->restart = false;
        emit runFailed();
    }
    // An abort while the upload waited has ended the run already.
    const bool restartNow = d->restart && d->active && d->run == run;
    endRun();
    if (restartNow) {
        d->restartPending = true;
        QMetaObject::invokeMethod(this, &SyncHandler::restartRun, Qt::QueuedConnection);
    }
}

// --- Errors and bookkeeping ---

void SyncHandler::reportNetworkError(ApiOperation* operation)
{
    const QNetworkReply::NetworkError code = operation->networkErrorCode();
    const char* name = QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(code);
    QLOG_ERROR() << "Network error: " << (name ? name : QByteArray::number(code).constData()) << ".  "
                 << operation->errorText();
    emit networkError();
}

void SyncHandler::reportServerError(ApiOperation* operation)
{
    QLOG_ERROR() << "Server error: " << operation->errorCode() << ".  " << operation->errorText();
    emit serverError(operation->errorCode());
}

bool SyncHandler::reportFailure(ApiOperation* operation)
{
    if (operation->networkErrorCode() != QNetworkReply::NoError) {
        reportNetworkError(operation);
        return true;
    }
    if (operation->errorCode() != -1) {
        reportServerError(operation);
        return true;
    }
    return false;
}

void SyncHandler::adoptServerTime(uint serverTime)
{
    // A reply without the time element says nothing about the server's
    // clock; taking 0 for it would move every timestamp back to 1970.
    if (serverTime == 0)
        return;
    const qint32 difference = qint32(qint64(serverTime) - nowSeconds());
    if (difference == d->timeDifference)
        return;
    d->timeDifference = difference;
    QLOG_INFO() << "Server and local time difference changed: " << difference;
}

void SyncHandler::saveLastRevision(int revision)
{
    if (adoptRevision(revision))
        persistRevision();
}

void SyncHandler::adoptUploadRevision(int revision)
{
    // The server counts one revision per accepted change. An answer beyond
    // the next one means that another device changed something between this
    // run's download and this upload: moving past it would skip that change
    // in the next download for good. The revision then stays, and the next
    // download brings the other change (and this device's own, which merges
    // as known).
    const int seen = qMax(d->lastRevision, d->knownRevision);
    if (revision != seen + 1) {
        if (revision > seen + 1)
            QLOG_INFO() << "The server is at revision " << revision << ", past " << seen
                        << " + 1 that this device has seen; the changes in between come with the next download.";
        return;
    }
    d->knownRevision = revision;
    adoptRevision(revision);
}

bool SyncHandler::adoptRevision(int revision)
{
    if (revision < 1) {
        QLOG_ERROR() << "Broken server revision! Value is " << revision;
        return false;
    }
    if (revision == d->lastRevision)
        return false;
    QLOG_INFO() << "Saving last client revision.. Revision #" << revision;
    d->lastRevision = revision;
    d->revisionToSave = true;
    return true;
}

void SyncHandler::persistRevision()
{
    if (!d->revisionToSave)
        return;
    d->revisionToSave = false;
    if (!writeSyncValue(LastRevisionKey, d->lastRevision))
        QLOG_ERROR() << "Unable to save the last client revision in " << syncFilePath();
}

bool SyncHandler::writeSyncValue(const QString& key, const QVariant& value)
{
    // A handle's status keeps the first error it met: after one, only a
    // fresh handle can tell whether this write succeeds.
    if (d->syncFileCopy) {
        d->syncFile->setValue(key, value);
        return false;
    }
    // Another program may have written the file since it was read, and the
    // sync below reads it again: it is looked over first.
    if (d->syncFile->status() != QSettings::NoError
        || SettingsFileCheck::screen(syncFilePath()) == SettingsFileCheck::Outcome::Unrepaired)
        d->syncFile = openSyncFile(&d->syncFileCopy);
    d->syncFile->setValue(key, value);
    d->syncFile->sync();
    if (!d->syncFileCopy && d->syncFile->status() == QSettings::FormatError) {
        // The file was damaged on disk since it was read: the write went
        // through, but over what could be read of it. Started again properly.
        d->syncFile = openSyncFile(&d->syncFileCopy);
        d->syncFile->setValue(key, value);
        d->syncFile->sync();
    }
    return !d->syncFileCopy && d->syncFile->status() == QSettings::NoError;
}

// --- Waiting for replies ---

bool SyncHandler::waitFor(ApiOperation* operation)
{
    QPointer<ApiOperation> guard(operation);
    if (!operation->isFinished()) {
        QEventLoop loop;
        connect(operation, &ApiOperation::finished, &loop, &QEventLoop::quit);
        connect(operation, &ApiOperation::aborted, &loop, &QEventLoop::quit);
        connect(operation, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // The loop also ends when the thread is told to quit.
    return guard && guard->isFinished();
}

bool SyncHandler::waitUntilSettled(quint64 run)
{
    DatabaseHandler* db = store();
    if (!db->isInTransaction())
        return true;
    // A delete or complete of the user's waits in its transaction for the
    // interface to confirm or undo it. Neither the merge nor the upload may
    // run now: the upload would send a change the user may still take back,
    // and the merge's commit would decide it for them. The confirmation or
    // the undo arrives as a queued call, which this loop delivers.
    QLOG_INFO() << "A change waits to be confirmed or undone; the sync waits for it.";
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!db->isInTransaction() || !d->active || d->run != run)
            loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(SettlePollMs);
    limit.start(SettleTimeoutMs);
    loop.exec();
    if (!d->active || d->run != run)
        return false;
    if (db->isInTransaction()) {
        QLOG_WARN() << "A change still waits to be confirmed; this sync ends without sending anything.";
        return false;
    }
    return true;
}

bool SyncHandler::accountRequest(ApiOperation* operation)
{
    if (!operation)
        return false;
    const bool answered = waitFor(operation);
    bool succeeded = false;
    if (!answered)
        QLOG_ERROR() << "The account request ended without an answer.";
    else
        succeeded = !reportFailure(operation);
    operation->deleteLater();
    return succeeded;
}

bool SyncHandler::registerUser(const QString& login, const QString& password)
{
    return accountRequest(d->api->registerUser(login, password));
}

bool SyncHandler::checkLogin(const QString& login, const QString& password)
{
    return accountRequest(d->api->checkLogin(login, password));
}

bool SyncHandler::resetPassword(const QString& login)
{
    return accountRequest(d->api->resetPassword(login));
}

bool SyncHandler::changePassword(const QString& login, const QString& oldPassword, const QString& newPassword)
{
    // The request is signed with the stored account, whether or not a run
    // has passed it on yet.
    giveCredentialsToApi();
    return accountRequest(d->api->changePassword(login, oldPassword, newPassword));
}

// --- Download and merge ---

bool SyncHandler::merge(const QVariantList& items)
{
    if (items.size() < 2) {
        emit progressChanged(60);
        return true;
    }
    if (!store()->beginTransaction()) {
        QLOG_ERROR() << "Unable to begin transaction!";
        return false;
    }
    const int revision = items.at(0).toInt();
    d->merge = MergeState();
    bool copied = false;
    d->merge.predefinedIds
        = readIds(*SettingsFileCheck::open(PredefinedDataHelper::predefinedObjectsFile(), &copied));

    if (!mergeItems(items, revision)) {
        QLOG_ERROR() << "Unable to merge the changes from the server; none of them were kept.";
        store()->rollbackChanges();
        d->merge = MergeState();
        return false;
    }
    if (!store()->commitChanges()) {
        QLOG_ERROR() << "Unable to save the changes from the server; none of them were kept.";
        d->merge = MergeState();
        return false;
    }
    finishMerge(revision);
    applyRememberedObjects();
    d->merge = MergeState();
    emit progressChanged(60);
    return true;
}

bool SyncHandler::mergeItems(const QVariantList& items, int revision)
{
    const int count = items.size();
    const int progressStep = qMax(1, count / 10);
    bool copied = false;
    const std::unique_ptr<QSettings> predefinedHandle
        = SettingsFileCheck::open(PredefinedDataHelper::predefinedObjectsFile(), &copied);
    const QSettings& predefinedFile = *predefinedHandle;
    MergeState& merge = d->merge;

    for (int i = 1; i < count; ++i) {
        const QVariant item = items.at(i);
        if (item.type() != QVariant::Map) {
            QLOG_ERROR() << "Item " << i << " of the server's changes is not an object.";
            return false;
        }
        DataObject object = item.toMap();
        const QVariant predefined = object.take(PredefinedKey);
        const int code = predefined.toInt();
        const QString type = object.take(TypeKey).toString();
        const int inbox = object.take(InboxKey).toInt();
        const QString serverId = object.value(IdKey).toString();

        if (predefined.toBool()) {
            bool handled = false;
            if (!mergePredefined(object, type, code, revision, predefinedFile, &handled))
                return false;
            if (handled)
                continue;
        }

        object.insert(SyncKey, true);
        if (revision == 1) {
            if (code >= 200 && code <= 204)
                merge.tasksToRefresh.append(object);
            if (code == 100)
                merge.projectsToDelete.append(object);
        }

        if (type == ProjectType && inbox != 0) {
            if (inbox == 1 && serverId != d->inboxId) {
                QLOG_INFO() << "Changing QuorvelBox project ID...";
                if (!store()->updateTaskParents(d->inboxId, serverId))
                    return false;
                merge.newInboxId = serverId;
            } else if (inbox == 2 && serverId != d->oneStepId) {
                QLOG_INFO() << "Changing OneStepActions project ID...";
                if (!store()->updateTaskParents(d->oneStepId, serverId))
                    return false;
                merge.newOneStepId = serverId;
            }
            continue;
        }

        MergeOutcome outcome = MergeOutcome::Kept;
        if (type == ProjectType)
            outcome = mergeOne(Kind::Project, object);
        else if (type == ContextType)
            outcome = mergeOne(Kind::Context, object);
        else if (type == TaskType)
            outcome = mergeTask(object);
        else
            QLOG_WARN() << "An object of the unknown type \"" << type << "\" from the server is skipped.";
        if (outcome == MergeOutcome::Malformed)
            return false;
        if (outcome == MergeOutcome::Refused && (store()->lastFailureWasStorage() || !store()->isInTransaction())) {
            // Not this object's fault: a full disk or an I/O error would
            // refuse the rest too, and skipping them all would move the
            // revision past changes that were never kept. After some such
            // failures SQLite also undoes the whole transaction by itself,
            // and the writes after it would each be final at once. The merge
            // stops, and the same changes come again next time.
            QLOG_ERROR() << "The database could not store the server's " << type << " \"" << serverId
                         << "\"; the merge stops.";
            return false;
        }
        if (outcome == MergeOutcome::Refused) {
            // One object that this store cannot take must not hold back the
            // rest of the download, nor every upload after it, for ever.
            // Should the database itself fail, the commit fails and nothing
            // of the download is kept.
            QLOG_WARN() << "The server's " << type << " \"" << serverId
                        << "\" cannot be stored here; it is skipped and the rest of the changes are kept.";
        }

        if (i % progressStep == 0)
            emit progressChanged(10 + 45 * i / count);
    }
    return true;
}

bool SyncHandler::mergePredefined(
    const DataObject& object, const QString& type, int code, int revision, const QSettings& file, bool* handled)
{
    MergeState& merge = d->merge;
    const QString codeKey = QString::number(code);
    const QString serverId = object.value(IdKey).toString();
    const QString localId = merge.predefinedCodes.value(codeKey, file.value(codeKey)).toString();
    if (!localId.isEmpty() && localId != serverId) {
        const bool isProject = type == ProjectType;
        const DataObject local = isProject ? store()->getProjectById(localId) : store()->getContextById(localId);
        if (!local.isEmpty()) {
            // The server knows this predefined object under its own
            // identifier: the local one takes it over and keeps its name.
            *handled = true;
            for (QString& id : merge.predefinedIds) {
                if (id == localId)
                    id = serverId;
            }
            merge.predefinedCodes.insert(codeKey, serverId);
            DataObject renamed = storedOnly(object, isProject ? Kind::Project : Kind::Context);
            renamed.insert(NameKey, local.value(NameKey));
            if (isProject)
                return store()->updatePredefinedFolder(localId, serverId) && store()->updateProjectRemotely(renamed);
            const bool deleted = object.value(StateKey).toInt() != 0;
            return store()->updatePredefinedContext(localId, serverId, deleted)
                && store()->updateContextRemotely(renamed);
        }
        QLOG_WARN() << "The predefined object " << localId << " is no longer stored; the server's " << serverId
                    << " is merged as it is.";
    }
    if (revision == 1) {
        if (code == 1 || code == 2)
            merge.projectsToDelete.append(object);
        else if (code >= 300 && code <= 305)
            merge.contextsToDelete.append(object);
    }
    if (!merge.predefinedIds.contains(serverId))
        merge.predefinedIds.append(serverId);
    merge.predefinedCodes.insert(codeKey, serverId);
    return true;
}

SyncHandler::MergeOutcome SyncHandler::mergeTask(DataObject task)
{
    if (!task.value(PeriodKey).toString().isEmpty()) {
        if (!task.value(DueKey).toDateTime().isValid())
            task.insert(PeriodKey, QString());
        else
            task = repetition()->adjustRepeatedTaskDates(task);
    }
    const QString id = task.value(IdKey).toString();
    const DOTask stored = d->lastRevision >= 1 ? store()->getTaskById(id) : DOTask();
    const bool hadReminders = !stored.isEmpty() && notifications()->hasScheduledNotifications(id);
    const MergeOutcome outcome = mergeOne(Kind::Task, task);
    if (outcome == MergeOutcome::Malformed || outcome == MergeOutcome::Refused)
        return outcome;

    // The reminders follow what the store now holds, once the merge is kept:
    // a stored task that stays as it is keeps its reminders where they are.
    const bool replaced = outcome == MergeOutcome::Updated;
    NotificationManager* reminders = notifications();
    RepeatedTaskHelper* helper = repetition();
    const int state = task.value(StateKey).toInt();
    if (hadReminders && replaced) {
        d->merge.reminderFollowUps.append(
            [reminders, stored, task] { reminders->rescheduleReminders(stored, task); });
    }
    // A stored change that the merge kept (newer here) keeps its reminders.
    if (state >= 1 && outcome != MergeOutcome::Kept) {
        // Each removal rewrites a shared file under its lock, so tasks that
        // have nothing to remove (most of them) are passed over.
        d->merge.reminderFollowUps.append([reminders, helper, id, state] {
            if (reminders->hasScheduledNotifications(id))
                reminders->removeAllNotificationsById(id);
            const bool repeatedReminders
                = !helper->getStartDateReminders(id).isEmpty() || !helper->getDueDateReminders(id).isEmpty();
            if (state == 1 && repeatedReminders)
                helper->removeAllReminders(id);
        });
    }
    return outcome;
}

DataObject SyncHandler::storedOnly(DataObject object, Kind kind)
{
    const QString type = typeName(kind);
    const QStringList& fields = storedFields(type);
    for (auto it = object.begin(); it != object.end();) {
        if (it.key() == SyncKey || fields.contains(it.key())) {
            ++it;
            continue;
        }
        if (!d->merge.reportedFields.contains(it.key())) {
            d->merge.reportedFields.insert(it.key());
            QLOG_WARN() << "The server sent the field " << it.key() << " with a " << type
                        << "; it is not stored.";
        }
        it = object.erase(it);
    }
    return object;
}

SyncHandler::MergeOutcome SyncHandler::mergeOne(Kind kind, DataObject object)
{
    const QString type = typeName(kind);
    object = storedOnly(object, kind);

    const QString id = object.value(IdKey).toString();
    bool isNumber = false;
    const qint64 received = object.value(TimestampKey).toString().trimmed().toLongLong(&isNumber);
    if (id.isEmpty() || !isNumber) {
        QLOG_ERROR() << "The server sent a " << type << " without a usable ID or TIMESTAMP (ID \"" << id
                     << "\", TIMESTAMP \"" << object.value(TimestampKey).toString() << "\").";
        return MergeOutcome::Malformed;
    }

    DatabaseHandler* db = store();
    const DataObject stored = kind == Kind::Task ? db->getTaskById(id)
        : kind == Kind::Project                  ? db->getProjectById(id)
                                                 : db->getContextById(id);
    if (stored.isEmpty()) {
        const bool created = kind == Kind::Task ? db->createTaskRemotely(object)
            : kind == Kind::Project             ? db->createProjectRemotely(object)
                                                : db->createContextRemotely(object);
        return created ? MergeOutcome::Created : MergeOutcome::Refused;
    }
    if (keepsStoredCopy(stored, received)) {
        if (stored.value(LocalKey).toBool() && !markKnownToServer(kind, id))
            return MergeOutcome::Refused;
        return MergeOutcome::Kept;
    }
    const bool updated = kind == Kind::Task ? db->updateTaskRemotely(object)
        : kind == Kind::Project             ? db->updateProjectRemotely(object)
                                            : db->updateContextRemotely(object);
    if (!updated)
        return MergeOutcome::Refused;
    // The server's version of something made here: from now on it is one the
    // server knows, whose changes (a delete too) go out as updates.
    if (stored.value(LocalKey).toBool() && !markKnownToServer(kind, id))
        return MergeOutcome::Refused;
    return MergeOutcome::Updated;
}

bool SyncHandler::markKnownToServer(Kind kind, const QString& id)
{
    // Made here and, as far as this device knew, never taken by the server;
    // yet the server sends it: a create of it got through although its answer
    // did not (a dropped reply, a duplicated request). Its next change here
    // must go out as an update of it - a delete too, which is never sent for
    // an object the server does not know.
    QLOG_INFO() << "The server knows the " << typeName(kind) << " " << id
                << " that was made here; its changes are sent as updates from now on.";
    const QString table = kind == Kind::Task ? QStringLiteral("task")
        : kind == Kind::Project              ? QStringLiteral("project")
                                             : QStringLiteral("context");
    return store()->execute(SqlStatement(QStringLiteral("UPDATE %1 SET local = 0 WHERE id = '%2'")).argSql(table).arg(id));
}

bool SyncHandler::keepsStoredCopy(const DataObject& stored, qint64 received) const
{
    const bool changedHere = !stored.value(SyncedKey).toBool() || stored.value(LocalKey).toBool();
    // A synchronised copy holds nothing that the server lacks, and the server
    // sends an object only when it changed after the revision this device
    // merged: its version replaces the copy, whatever the clocks say. (Its
    // timestamp is on the server's clock already; adding the clock
    // difference to it once more would keep the old copy for good whenever
    // the server's clock is ahead, and a change within the same second would
    // be a tie.)
    if (!changedHere)
        return false;
    // A change made here carries this device's clock: the newer change wins,
    // compared on the server's clock; on a tie the local change stays.
    return stored.value(TimestampKey).toLongLong() + d->timeDifference >= received;
}

void SyncHandler::finishMerge(int revision)
{
    MergeState& merge = d->merge;
    bool copied = false;
    const std::unique_ptr<QSettings> predefinedFile
        = SettingsFileCheck::open(PredefinedDataHelper::predefinedObjectsFile(), &copied);
    if (!copied) {
        predefinedFile->setValue(PredefinedIdsKey, merge.predefinedIds.join(QLatin1Char(',')));
        for (auto it = merge.predefinedCodes.cbegin(); it != merge.predefinedCodes.cend(); ++it)
            predefinedFile->setValue(it.key(), it.value());
        predefinedFile->sync();
    }
    if (copied || predefinedFile->status() != QSettings::NoError)
        QLOG_ERROR() << "Unable to save the predefined objects in " << PredefinedDataHelper::predefinedObjectsFile();

    bool builtInChanged = false;
    if (!merge.newInboxId.isEmpty() && merge.newInboxId != d->inboxId) {
        if (!writeSyncValue(InboxIdKey, merge.newInboxId))
            QLOG_ERROR() << "Unable to save the QuorvelBox identifier in " << syncFilePath();
        d->inboxId = merge.newInboxId;
        builtInChanged = true;
    }
    if (!merge.newOneStepId.isEmpty() && merge.newOneStepId != d->oneStepId) {
        if (!writeSyncValue(OneStepIdKey, merge.newOneStepId))
            QLOG_ERROR() << "Unable to save the One Step Actions identifier in " << syncFilePath();
        d->oneStepId = merge.newOneStepId;
        builtInChanged = true;
    }
    if (builtInChanged)
        emit buildInProjectsUpdated();

    saveLastRevision(revision);

    for (const auto& followUp : merge.reminderFollowUps)
        followUp();
}

void SyncHandler::applyRememberedObjects()
{
    MergeState& merge = d->merge;
    if (merge.tasksToRefresh.isEmpty() && merge.projectsToDelete.isEmpty() && merge.contextsToDelete.isEmpty())
        return;
    // Written as changes made here, so that the next upload sends them.
    const auto asLocal = [this](DataObject object, Kind kind) {
        object = storedOnly(object, kind);
        object.remove(SyncKey);
        object.remove(TimestampKey);
        return object;
    };
    DatabaseHandler* db = store();
    bool ok = true;
    for (const DataObject& task : merge.tasksToRefresh)
        ok = db->updateTaskLocally(asLocal(task, Kind::Task)) && ok;
    for (DataObject project : merge.projectsToDelete) {
        project = asLocal(project, Kind::Project);
        project.insert(StateKey, 1);
        ok = db->updateProjectLocally(project) && ok;
    }
    for (DataObject context : merge.contextsToDelete) {
        context = asLocal(context, Kind::Context);
        context.insert(StateKey, 1);
        ok = db->updateContextLocally(context) && ok;
    }
    // Local writes leave their transaction open for the caller.
    if (!db->isInTransaction())
        return;
    if (ok) {
        db->commitChanges();
    } else {
        QLOG_ERROR() << "Unable to store the follow-up changes of the server's first revision.";
        db->rollbackChanges();
    }
}

// --- Upload ---

bool SyncHandler::upload(quint64 run)
{
    DatabaseHandler* db = store();
    const UploadStep steps[] = {
        { "Sending contexts to the server...", Kind::Context, [db] { return db->getContextsToUpdate(); }, 64,
            "Unable to sync contexts!" },
        { "Sending folders to the server...", Kind::Project, [db] { return db->getFoldersToUpdate(); }, 68,
            "Unable to sync folders!" },
        { "Sending projects to the server...", Kind::Project, [db] { return db->getProjectsToUpdate(); }, 72,
            "Unable to sync projects!" },
        { "Sending tasks to the server...", Kind::Task, [db] { return db->getTasksToUpdate(); }, 76,
            "Unable to sync tasks!" },
        { "Sending deleted/completed tasks to the server...", Kind::Task,
            [db] { return db->getTasksToDeleteOrComplete(); }, 80, "Unable to sync tasks!" },
        { "Sending deleted/completed projects to the server...", Kind::Project,
            [this] { return preparedList(Kind::Project, false); }, 84, "Unable to sync projects!" },
        { "Sending deleted folders to the server...", Kind::Project,
            [this] { return preparedList(Kind::Project, true); }, 88, "Unable to sync folders!" },
        { "Sending deleted contexts to the server...", Kind::Context,
            [this] { return preparedList(Kind::Context, false); }, 92, "Unable to sync contexts!" },
    };
    bool succeeded = true;
    for (const UploadStep& step : steps) {
        if (!d->active || d->run != run)
            return false;
        if (succeeded && !waitUntilSettled(run))
            return false;
        if (succeeded) {
            QLOG_INFO() << step.announcement;
            succeeded = sendList(step.list(), step.kind, run);
            if (!succeeded)
                QLOG_ERROR() << step.failure;
        }
        emit progressChanged(step.progress);
    }
    return succeeded;
}

QList<DataObject> SyncHandler::preparedList(Kind kind, bool folders)
{
    DatabaseHandler* db = store();
    const QList<DataObject> list = kind == Kind::Context ? db->getContextsToDelete()
        : folders                                        ? db->getFoldersToDelete()
                                                         : db->getProjectsToDeleteOrComplete();
    const char* label = kind == Kind::Context ? "Context " : folders ? "Folder " : "Project ";
    QList<DataObject> toSend;
    for (const DataObject& object : list) {
        const int state = object.value(StateKey).toInt();
        bool restore = false;
        if (kind == Kind::Context)
            restore = state == 1 && db->contextHasActiveObjects(object);
        else if (folders)
            restore = state == 1 && db->folderHasActiveObjects(object);
        else if (state == 1 || state == 3)
            restore = db->projectHasTasks(object) || (state == 3 && db->projectHasActiveTasks(object));
        else if (state == 2)
            restore = db->projectHasActiveTasks(object);

        if (restore) {
            // Something still active lives in it (it came from another
            // device after the delete here): the container comes back, and
            // goes out as an update with the next run instead of a delete.
            DataObject copy = object;
            copy.insert(StateKey, 0);
            copy.remove(ChildrenKey);
            copy.remove(LevelKey);
            const bool restored
                = kind == Kind::Context ? db->updateContextRemotely(copy) : db->updateProjectRemotely(copy);
            if (restored) {
                QLOG_INFO() << label << object.value(IdKey).toString() << " restored with state: " << 0;
                continue;
            }
            QLOG_ERROR() << "Unable to restore " << label << object.value(IdKey).toString();
        }
        toSend.append(object);
    }
    return toSend;
}

bool SyncHandler::sendList(const QList<DataObject>& list, Kind kind, quint64 run)
{
    QLOG_INFO() << "Object count to update: " << list.size();
    bool sent = true;
    for (const DataObject& object : list) {
        if (!sendObject(object, kind, run)) {
            sent = false;
            break;
        }
        if (d->active && d->run == run && !storeAcceptedBatch())
            return false;
    }
    if (d->active && d->run == run && !d->acceptedObjects.isEmpty() && !waitUntilSettled(run)) {
        // What the server took is marked next time, when it comes back with
        // the download (or is sent again and refused as known).
        d->acceptedObjects.clear();
        d->revisionToSave = false;
        return false;
    }
    if (!d->active || d->run != run) {
        // The run was aborted (perhaps for a sign-out that emptied the
        // store and the sync file): what it took in belongs to nobody now.
        // The objects go out again with the next run.
        d->acceptedObjects.clear();
        d->revisionToSave = false;
        return false;
    }
    return storeAccepted() && sent;
}

bool SyncHandler::storeAcceptedBatch()
{
    if (d->acceptedObjects.size() < UploadBatchSize)
        return true;
    // A delete or complete of the user's waits in its transaction: marking
    // now would commit it for them. The batch grows until it is settled.
    if (store()->isInTransaction())
        return true;
    return storeAccepted();
}

bool SyncHandler::storeAccepted()
{
    // One transaction for a batch of objects: a commit of its own for each
    // would cost the disk several flushes per object. None is held open
    // while waiting for the server, when the interface may write too.
    const QList<AcceptedObject> accepted = std::exchange(d->acceptedObjects, {});
    DatabaseHandler* db = store();
    bool written = true;
    if (!accepted.isEmpty()) {
        const bool ownTransaction = !db->isInTransaction() && db->beginTransaction();
        for (const AcceptedObject& object : accepted) {
            if (unchangedSinceSent(object))
                written = writeSynced(object.record, object.kind) && written;
        }
        if (ownTransaction && written)
            written = db->commitChanges();
        else if (ownTransaction)
            db->rollbackChanges();
    }
    if (written)
        persistRevision();
    else
        d->revisionToSave = false;
    return written;
}

bool SyncHandler::unchangedSinceSent(const AcceptedObject& object)
{
    const QString id = object.sent.value(IdKey).toString();
    DatabaseHandler* db = store();
    const DataObject stored = object.kind == Kind::Task ? db->getTaskById(id)
        : object.kind == Kind::Project                  ? db->getProjectById(id)
                                                        : db->getContextById(id);
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        const auto sent = object.sent.constFind(it.key());
        if (sent != object.sent.cend() && sent.value() != it.value()) {
            // Changed here while the server was taking the earlier version:
            // the newer one stays a change, to be sent with the next run.
            QLOG_INFO() << "The " << typeName(object.kind) << " " << id
                        << " changed while it was being sent; it is sent again next time.";
            return false;
        }
    }
    return !stored.isEmpty();
}

bool SyncHandler::sendObject(const DataObject& object, Kind kind, quint64 run)
{
    DataObject record = object;
    bool create = record.value(LocalKey).toBool();
    for (const QString& key : { SyncedKey, LocalKey, LevelKey, ChildrenKey })
        record.remove(key);
    record.insert(TimestampKey, record.value(TimestampKey).toLongLong() + d->timeDifference);
    const QString id = record.value(IdKey).toString();

    for (int request = 1; request <= MaxRequestsPerObject; ++request) {
        IntegerApiOperation* operation = sendRequest(kind, create, record);
        if (!operation) {
            QLOG_ERROR() << "The " << typeName(kind) << " " << id << " cannot be sent: it lacks a required field.";
            return false;
        }
        const Answer answer = takeAnswer(operation, kind, run, object, &record, &create);
        operation->deleteLater();
        if (answer != Answer::SendAgain)
            return answer == Answer::Accepted;
    }
    QLOG_ERROR() << "The server did not take " << id << " after " << MaxRequestsPerObject << " requests.";
    return false;
}

IntegerApiOperation* SyncHandler::sendRequest(Kind kind, bool create, const DataObject& record)
{
    const int revision = d->lastRevision;
    switch (kind) {
    case Kind::Context:
        return create ? d->api->createContext(record, revision) : d->api->updateContext(record, revision);
    case Kind::Project:
        return create ? d->api->createProject(record, revision) : d->api->updateProject(record, revision);
    case Kind::Task:
        return create ? d->api->createTask(record, revision) : d->api->updateTask(record, revision);
    }
    return nullptr;
}

SyncHandler::Answer SyncHandler::takeAnswer(IntegerApiOperation* operation, Kind kind, quint64 run,
    const DataObject& sentVersion, DataObject* record, bool* create)
{
    const QString id = record->value(IdKey).toString();
    if (!waitFor(operation) || !d->active || d->run != run) {
        QLOG_WARN() << "The sync run ended while " << id << " was being sent.";
        return Answer::Failed;
    }
    if (operation->networkErrorCode() != QNetworkReply::NoError) {
        reportNetworkError(operation);
        return Answer::Failed;
    }
    const int code = operation->errorCode();
    if (code == -1) {
        adoptServerTime(operation->serverTime());
        d->acceptedObjects.append({ *record, sentVersion, kind });
        adoptUploadRevision(operation->result().toInt());
        // Taken now: a later refusal of it is news, not the same refusal again.
        if (id == d->lastRefusedId)
            d->lastRefusedId.clear();
        return Answer::Accepted;
    }

    const QString text = operation->errorText();
    QLOG_ERROR() << "Server error: " << code << ".  " << text;
    switch (code) {
    case 100:
        *create = true;
        return Answer::SendAgain;
    case 104:
        *create = false;
        return Answer::SendAgain;
    case 107:
        record->insert(TimestampKey, newerServerTimestamp(text) + 1);
        *create = false;
        return Answer::SendAgain;
    case 106:
        if (id == d->lastRefusedId) {
            // Refused twice in a row: the server holds it as it is. No
            // revision comes with a refusal.
            d->lastRefusedId.clear();
            adoptServerTime(operation->serverTime());
            d->acceptedObjects.append({ *record, sentVersion, kind });
            return Answer::Accepted;
        }
        d->lastRefusedId = id;
        d->restart = true;
        d->fullDownload = true;
        return Answer::Failed;
    case 103:
        repairReference(*record, kind, text);
        return Answer::Failed;
    default:
        // No rule of its own: the object stays unsynchronised until the next run.
        return Answer::Failed;
    }
}

bool SyncHandler::writeSynced(DataObject record, Kind kind)
{
    record.insert(SyncKey, true);
    record.insert(SyncedKey, true);
    record.insert(LocalKey, false);
    DatabaseHandler* db = store();
    const bool written = kind == Kind::Task ? db->updateTaskRemotely(record)
        : kind == Kind::Project             ? db->updateProjectRemotely(record)
                                            : db->updateContextRemotely(record);
    if (!written)
        QLOG_ERROR() << "Unable to mark " << record.value(IdKey).toString() << " as synchronised.";
    return written;
}

bool SyncHandler::repairReference(DataObject record, Kind kind, const QString& text)
{
    const bool contextGone = kind != Kind::Context && isContextReference(text);
    if (contextGone) {
        record.insert(ContextKey, QString());
    } else if (isParentReference(text)) {
        record.insert(ParentKey, record.contains(PeriodKey) ? d->oneStepId : QString());
    } else {
        return false;
    }
    DatabaseHandler* db = store();
    if (db->isInTransaction()) {
        // A change of the user's waits there to be confirmed or undone; the
        // repair's commit would decide it for them. The next run repairs.
        QLOG_WARN() << "The reference of " << record.value(IdKey).toString()
                    << " is not repaired now: a change waits to be confirmed.";
        return false;
    }
    const bool written = kind == Kind::Task ? db->updateTaskLocally(record)
        : kind == Kind::Project             ? db->updateProjectLocally(record)
                                            : db->updateContextLocally(record);
    if (!written || !db->commitChanges()) {
        QLOG_ERROR() << "Unable to repair the reference of " << record.value(IdKey).toString() << ".";
        if (db->isInTransaction())
            db->rollbackChanges();
        return false;
    }
    QLOG_INFO() << "The reference of " << record.value(IdKey).toString()
                << " was repaired; the sync starts again with everything from the server.";
    d->restart = true;
    d->fullDownload = true;
    return true;
}
