#pragma once

#include <QObject>

// Turns the termination requests of the desktop session (SIGTERM, SIGINT,
// SIGHUP on Unix) into an orderly quit of the event loop, so that the
// database is closed and the log flushed as on the tray's "Exit".
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void onSignalPending();

    int m_readFd = -1;
};
