#pragma once

#include "syncd/ServerOptions.h"

#include <QString>

#include <atomic>
#include <memory>

class AccountService;
class SyncProtocol;

namespace httplib {
class Server;
}

// The HTTP(S) listener: "/api/1/<method>" goes to the sync protocol,
// everything else under "/api" to the account service. Bodies are capped,
// slow clients time out, and stop() lets requests already being served
// finish before it returns, so an answered change is always a stored one.
class SyncServer
{
public:
    SyncServer(const ServerOptions& options, SyncProtocol* protocol, AccountService* service);
    ~SyncServer();

    bool bind(QString* error);
    int port() const;
    bool tls() const;
    // Serves until stop(); call from the thread that is to serve.
    bool run();
    // Stops listening; run() returns once the requests under way are answered.
    void stop();
    // Ends idle kept-alive connections until run() has returned; call after
    // stop(), beside the thread in run().
    void endIdleConnections();

private:
    void installRoutes();

    ServerOptions m_options;
    SyncProtocol* m_protocol;
    AccountService* m_service;
    std::unique_ptr<httplib::Server> m_server;
    int m_port = 0;
    std::atomic<bool> m_stopped { false };
};
