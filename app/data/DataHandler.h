#pragma once

#include "data/IndicatorState.h"

#include <QDateTime>
#include <QObject>

class DatabaseHandler;

// Root of everything that runs on the data worker thread. It creates the
// worker-side objects there, so that they (and the database connection)
// belong to that thread, and the data manager reaches them only by queued
// calls.
class DataHandler : public QObject
{
    Q_OBJECT

public:
    explicit DataHandler(QObject *parent = nullptr);
    ~DataHandler() override;

    Q_INVOKABLE void initialize();
    // Closes the database before the worker thread ends.
    Q_INVOKABLE void shutdown();

    DatabaseHandler *store() const;

    // Works out the calendar flags of the day of dateTime and answers with
    // indicatorStateForDateChanged for that same dateTime. Queued, not
    // blocking: the calendar asks for many days at once and paints each as
    // its answer arrives.
    Q_INVOKABLE void requestIndicatorStateForDate(const QDateTime &dateTime);

signals:
    void indicatorStateForDateChanged(QDateTime dateTime, IndicatorState state);

private:
    DatabaseHandler *m_store = nullptr;
};
