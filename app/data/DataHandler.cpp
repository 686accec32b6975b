#include "data/DataHandler.h"

#include "data/DatabaseHandler.h"
#include "time/RepeatedTaskHelper.h"

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

    // The sync manager, the notification and calendar managers and the side
    // channels join here, in that order, as they are built.

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
    m_store->openAtStart();
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
