#pragma once

#include <QObject>

// Turns the requests to end that a desktop session sends (SIGTERM, SIGINT,
// SIGHUP on Unix) into an orderly quit of the event loop, so the notifier
// logs its end and removes its private folder instead of dying mid-way.
class TerminationWatch : public QObject
{
    Q_OBJECT

public:
    explicit TerminationWatch(QObject *parent = nullptr);
    ~TerminationWatch() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void onSignalPending();

    int m_readFd = -1;
};
