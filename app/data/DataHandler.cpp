#include "data/DataHandler.h"

#include "data/DatabaseHandler.h"
#include "data/SqlStatement.h"
#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "sync/RemindersSyncManager.h"
#include "sync/SortingManager.h"
#include "sync/SyncManager.h"
#include "time/NotificationManager.h"
#include "time/RepeatedTaskHelper.h"

#include <QDate>
#include <QFileInfo>

DataHandler::DataHandler(QObject* parent)
    : DataHandler(StoreFiles(), parent)
{
}

DataHandler::DataHandler(const StoreFiles& files, QObject* parent)
    : QObject(parent)
    , m_files(files)
{
    IndicatorState::registerMetaType();
}

DataHandler::~DataHandler() = default;

void DataHandler::initialize()
{
    if (m_store)
        return;

    // The sync manager comes first; it is handed the store and the other
    // worker objects below, once they exist.
    m_sync = new SyncManager(this);

    // First use of the store and of the repetition helper happens here, on
    // the worker thread, so the connection and the helper belong to it.
    if (m_files.databasePath.isEmpty()) {
        m_store = DatabaseHandler::instance();
        m_repetition = RepeatedTaskHelper::instance();
    } else {
        m_store = new DatabaseHandler(m_files.databasePath, m_files.connectionName, this);
        m_repetition = new RepeatedTaskHelper(m_store, m_files.repeatedRemindersPath, this);
        m_store->setRepeatedTaskHelper(m_repetition);
    }
    // The program's reminders belong to the worker thread like the store; a
    // store of its own (tests) gets a manager of its own over the same kind
    // of file.
    if (m_files.databasePath.isEmpty()) {
        m_notifications = NotificationManager::instance();
    } else {
        const QString path = m_files.notificationsPath.isEmpty()
            ? AppPaths::appDataFile(QStringLiteral("ntf.dat"))
            : m_files.notificationsPath;
        m_notifications = new NotificationManager(path, m_repetition, this);
    }
    m_sorting = new SortingManager(m_files.sortingPath, this);
    RemindersSyncManager::Services reminderServices;
    reminderServices.store = m_store;
    reminderServices.notifications = m_notifications;
    reminderServices.repetition = m_repetition;
    m_remindersSync = new RemindersSyncManager(reminderServices, m_files.remindersPath, this);
    SyncHandler::Services services;
    services.store = m_store;
    services.repetition = m_repetition;
    services.notifications = m_notifications;
    m_sync->setServices(services);
    connect(m_sync, &SyncManager::localDataWiped, this, &DataHandler::clearUserData);
    connect(m_sync, &SyncManager::storeUnavailable, this, [this] { emit storeUnavailable(QStringLiteral("sync")); });
    m_store->openAtStart();
    m_store->startDailyBackups();
}

QString DataHandler::databaseOpenError() const
{
    if (!m_store)
        return tr("The database has not been opened yet.");
    if (m_store->isConnected())
        return QString();
    // What the store logged in detail, in short.
    const QFileInfo file(m_store->filePath());
    if (!file.exists())
        return tr("There is no database file at %1.").arg(file.filePath());
    if (!file.isReadable())
        return tr("The database file %1 cannot be read.").arg(file.filePath());
    return tr("The database file %1 is damaged or is not a Quorvel database.").arg(file.filePath());
}

void DataHandler::clearUserData()
{
    // The tasks they belonged to are gone with the database.
    m_notifications->clearReminders();
    m_repetition->clearReminders();
    m_remindersSync->clearAll();
    m_sorting->clearAll();
}

SyncManager* DataHandler::syncManager() const
{
    return m_sync;
}

void DataHandler::shutdown()
{
    if (m_store && m_store->isConnected())
        m_store->disconnectDatabase();
}

void DataHandler::requestIndicatorStateForDate(const QDateTime& dateTime)
{
    // Before initialize() there is no store to ask; the day then shows nothing.
    const IndicatorState state = m_store ? m_store->getIndicatorState(dateTime) : IndicatorState();
    emit indicatorStateForDateChanged(dateTime, state);
}

DatabaseHandler* DataHandler::store() const
{
    return m_store;
}

RepeatedTaskHelper* DataHandler::repetition() const
{
    return m_repetition;
}

NotificationManager* DataHandler::notifications() const
{
    return m_notifications;
}

SortingManager* DataHandler::sorting() const
{
    return m_sorting;
}

RemindersSyncManager* DataHandler::remindersSync() const
{
    return m_remindersSync;
}

namespace {
// Lists that exist for as long as the program does.
bool isPermanentList(const QString& listId)
{
    // "1_step_action" is how some stored data spells the one-step actions list.
    static const QStringList permanent { QStringLiteral("quorvelbox"), QStringLiteral("1_step_actions"),
        QStringLiteral("1_step_action"), QStringLiteral("root_projects"), QStringLiteral("root_contexts"),
        QStringLiteral("root_favorites") };
    return permanent.contains(listId);
}

// 1 when the object is here and no longer active (completed or deleted), 0
// when it is active or not here at all, -1 when the store could not tell: a
// failed read must not cost the user a list order. An object this device has
// not received yet is not gone: dropping its list here would send a newer
// deletion and erase the choice made on another device.
int objectGone(DatabaseHandler* store, const QString& table, const QString& id)
{
    const int answer = store->count(
        SqlStatement(QStringLiteral("SELECT 1 + COUNT(*) FROM %1 WHERE id = '%2' AND state <> 0"))
            .argSql(table)
            .arg(id));
    if (answer == 0)
        return -1;
    return answer == 1 ? 0 : 1;
}
} // namespace

void DataHandler::cleanSortedLists()
{
    if (!m_sorting || !m_store || !m_store->isConnected()) {
        QLOG_WARN() << "The sorting settings are not cleaned up: the database is not open.";
        emit storeUnavailable(QStringLiteral("sorting clean-up"));
        return;
    }
    const QDate today = m_repetition ? m_repetition->today() : QDate::currentDate();
    int removed = 0;
    for (const SortingManager::ListKey& list : m_sorting->sortedLists()) {
        const QString& listId = list.first;
        if (isPermanentList(listId))
            continue;
        bool drop = false;
        switch (list.second) {
        case SortingNamespace::ListTypeProject:
        case SortingNamespace::ListTypeFolder:
            drop = objectGone(m_store, QStringLiteral("project"), listId) == 1;
            break;
        case SortingNamespace::ListTypeContext:
            drop = objectGone(m_store, QStringLiteral("context"), listId) == 1;
            break;
        case SortingNamespace::ListTypeDailyPlan: {
            const QDate day = QDate::fromString(listId, QStringLiteral("ddMMyyyy"));
            drop = day.isValid() && day < today;
            break;
        }
        case SortingNamespace::ListTypeFavorites:
            break;
        }
        if (drop) {
            m_sorting->deleteSortedList(listId, list.second);
            ++removed;
        }
    }
    QLOG_INFO() << "Sorting settings of " << removed << " lists that are gone were removed.";
}
