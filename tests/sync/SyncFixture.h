#pragma once

#include "SyncReplies.h"
#include "support/LoopbackHttpServer.h"
#include "support/StoreFixture.h"

#include <QByteArray>
#include <QString>

#include <memory>

class DatabaseHandler;
class NotificationManager;
class Settings;
class SyncHandler;
class SyncManager;

// A sync handler (or a sync manager with its handler) over a real store in
// the sandbox, talking to a loopback server in place of the sync server.
// The handler's clock stands still at Now; replies made here carry Now as
// the server time unless told otherwise, so the server and the device agree
// on the time unless a test says they do not.
class SyncFixture
{
public:
    static constexpr qint64 Now = 1700100000;
    static const QString Login;
    static const QString PasswordHash;

    SyncFixture();
    ~SyncFixture();

    // A fresh sandbox, store, server and signed-in account. The handler (or
    // manager) is made by makeHandler() / makeManager().
    bool open();
    void close();
    void makeHandler();
    void makeManager();

    StoreFixture& fixture() { return m_store; }
    DatabaseHandler* store() const;
    Settings* settings() const;
    LoopbackHttpServer& server() { return *m_server; }
    NotificationManager* notifications() const { return m_notifications.get(); }
    SyncHandler* handler() const;
    SyncManager* manager() const { return m_manager.get(); }

    void signIn();
    void signOut();
    // "LastClientRevision" as the sync file holds it (-1 when absent).
    int storedRevision() const;
    void setStoredRevision(int revision);
    QString syncFileValue(const QString& key) const;

    // Queues replies in the order the requests will come.
    void reply(const QByteArray& xml);
    static QByteArray changes(int revision, const QList<QVariantMap>& objects = {}, qint64 clockOffset = 0);
    static QByteArray accepted(int revision);

    // Starts a run and waits for its end; false when it did not start or end.
    bool runSync();
    QList<LoopbackHttpServer::Request> requests() const { return m_server->requests(); }
    QStringList methods() const;

    // Whether a line starting with "LEVEL message" was logged since open().
    bool logged(const QString& levelAndStart) const;

private:
    StoreFixture m_store;
    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<NotificationManager> m_notifications;
    std::unique_ptr<SyncHandler> m_handler;
    std::unique_ptr<SyncManager> m_manager;
};
