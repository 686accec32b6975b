#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

class LocalCommand;
class QLocalServer;
class QLocalSocket;

// The main program's local server: it keeps the program single-instance and
// receives commands from a second start and from the notifier. Commands are
// plain UTF-8 text, one per connection, without terminator:
//   "show_app_window"                 (exactly) brings the window up;
//   "show_notification:" + key        shows the reminder of a notification
//                                     key (task id, "_", kind, "_", moment).
// A command is complete when the sender closes its end, so that one written
// in several pieces is still read once and whole. Anything else is ignored.
class QuorvelServer : public QObject
{
    Q_OBJECT

public:
    // Longer commands are not ours; the connection is dropped and its bytes
    // are not kept.
    static const int MaxCommandSize = 64 * 1024;

    explicit QuorvelServer(QObject* parent = nullptr);
    ~QuorvelServer() override;

    // Removes a stale socket left by a crashed instance, then listens on
    // "quorvel". Only the same user may connect.
    bool listen();
    bool isListening() const;

    // Sends "show_app_window" to a running instance. Returns true when one
    // answered within timeoutMs and the bytes were written.
    static bool notifyRunningInstance(int timeoutMs = 300);

    // The reminder text for a reminder of the start (or else the due date)
    // of type NotificationManager::NotificationType, in the interface language.
    static QString reminderMessage(bool isStartReminder, int type);

signals:
    void showAppWindowRequested();

private:
    void onNewConnection();
    void onReadyRead(QLocalSocket* socket);
    void onDisconnected(QLocalSocket* socket);
    void runCommand(const QByteArray& command);
    void showNotification(const LocalCommand& command);

    QLocalServer* m_server = nullptr;
    // What each open connection sent so far.
    QHash<QLocalSocket*, QByteArray> m_received;
};
