#pragma once

#include <QObject>

class QLocalServer;
class QLocalSocket;

// The main program's local server: it keeps the program single-instance and
// receives commands from a second start and from the notifier. Commands are
// plain UTF-8 text, one per connection, without terminator.
class QuorvelServer : public QObject
{
    Q_OBJECT

public:
    explicit QuorvelServer(QObject *parent = nullptr);
    ~QuorvelServer() override;

    // Removes a stale socket left by a crashed instance, then listens on
    // "quorvel". Only the same user may connect.
    bool listen();
    bool isListening() const;

    // Sends "show_app_window" to a running instance. Returns true when one
    // answered within timeoutMs and the bytes were written.
    static bool notifyRunningInstance(int timeoutMs = 300);

signals:
    void showAppWindowRequested();

private:
    void onNewConnection();
    void handleCommand(QLocalSocket *socket);

    QLocalServer *m_server = nullptr;
};
