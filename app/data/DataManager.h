#pragma once

#include <QObject>

class DataHandler;
class QThread;

// The interface thread's single door to the data worker: it owns the worker
// thread, creates the worker root there and forwards requests to the worker
// objects with blocking queued calls, so results are ready when a call returns.
class DataManager : public QObject
{
    Q_OBJECT

public:
    static DataManager *instance();
    ~DataManager() override;

    // True when the database opened at start.
    Q_INVOKABLE bool isDataPrepared();

    // Closes the store and ends the worker thread. Runs when the application
    // is about to quit; safe to call more than once.
    void stopWorker();

    QThread *workerThread() const;

private:
    explicit DataManager(QObject *parent = nullptr);

    DataHandler *m_handler = nullptr;
    QThread *m_workerThread = nullptr;
};
