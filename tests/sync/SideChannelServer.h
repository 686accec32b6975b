#pragma once

#include "support/LoopbackHttpServer.h"

#include <QJsonArray>
#include <QString>
#include <QStringList>

#include <memory>

class BaseSyncManager;

// A loopback server in place of the account service: the account address
// points at it, a user is signed in and holds Token (unless a test drops
// it), and every request is recorded. Replies are scripted per request with
// enqueue(), in the order the requests come.
class SideChannelServer
{
public:
    static const QString Token;

    SideChannelServer();
    ~SideChannelServer();

    bool start();
    LoopbackHttpServer& http() { return *m_http; }
    void enqueue(const QJsonArray& answer);
    void enqueue(const LoopbackHttpServer::Reply& reply);

    // "POST /api/sorting/v1/list/delete/" for each request so far.
    QStringList calls() const;
    // The JSON array a request carried.
    QJsonArray sent(int index) const;

    static void signIn(const QString& token = Token);
    static void signOut();
    // Starts a run of channel and waits until it completes; false when the
    // run did not end in time.
    static bool run(BaseSyncManager* channel, int timeoutMs = 15000);

private:
    std::unique_ptr<LoopbackHttpServer> m_http;
};
