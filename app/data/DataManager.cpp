#include "data/DataManager.h"

#include "data/DataHandler.h"
#include "data/DataObject.h"
#include "data/DatabaseHandler.h"
#include "logging/Log.h"

#include <QCoreApplication>
#include <QThread>

DataManager *DataManager::instance()
{
    static DataManager *manager = new DataManager();
    return manager;
}

DataManager::DataManager(QObject *parent)
    : QObject(parent)
{
    QLOG_INFO() << "Initialization of data manager...";
    DataObjectTypes::registerMetaTypes();

    m_handler = new DataHandler();
    m_workerThread = new QThread(this);
    m_workerThread->setObjectName(QStringLiteral("DataWorker"));
    m_handler->moveToThread(m_workerThread);
    connect(m_workerThread, &QThread::finished, m_handler, &QObject::deleteLater);
    m_workerThread->start(QThread::InheritPriority);

    // Blocks until the worker objects and the database connection exist, so
    // that the first request from the interface finds them ready.
    QMetaObject::invokeMethod(m_handler, "initialize", Qt::BlockingQueuedConnection);

    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &DataManager::stopWorker);
}

DataManager::~DataManager()
{
    stopWorker();
}

bool DataManager::isDataPrepared()
{
    bool connected = false;
    if (m_handler && m_workerThread->isRunning())
        QMetaObject::invokeMethod(m_handler->store(), "isConnected", Qt::BlockingQueuedConnection,
                                  Q_RETURN_ARG(bool, connected));
    return connected;
}

void DataManager::stopWorker()
{
    if (!m_workerThread || !m_workerThread->isRunning())
        return;
    QMetaObject::invokeMethod(m_handler, "shutdown", Qt::BlockingQueuedConnection);
    m_workerThread->quit();
    m_workerThread->wait();
}

QThread *DataManager::workerThread() const
{
    return m_workerThread;
}
