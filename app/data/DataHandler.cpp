#include "data/DataHandler.h"

#include "data/DatabaseHandler.h"

DataHandler::DataHandler(QObject *parent)
    : QObject(parent)
{
    IndicatorState::registerMetaType();
}

DataHandler::~DataHandler() = default;

void DataHandler::initialize()
{
    // First use of the store happens here, on the worker thread, so the
    // connection belongs to this thread.
    m_store = DatabaseHandler::instance();
    m_store->openAtStart();
}

void DataHandler::shutdown()
{
    if (m_store && m_store->isConnected())
        m_store->disconnectDatabase();
}

void DataHandler::requestIndicatorStateForDate(const QDateTime &dateTime)
{
    // Before initialize() there is no store to ask; the day then shows nothing.
    const IndicatorState state = m_store ? m_store->getIndicatorState(dateTime) : IndicatorState();
    emit indicatorStateForDateChanged(dateTime, state);
}

DatabaseHandler *DataHandler::store() const
{
    return m_store;
}
