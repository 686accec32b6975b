#pragma once

#include "support/LoopbackHttpServer.h"

#include <QUrl>

#include <atomic>
#include <memory>
#include <mutex>
#include <random>

// An HTTP proxy in front of the sync server that misbehaves on purpose, by
// a seeded roll per sync request: drops the request (the connection closes,
// nothing reaches the server), answers 503 without passing it on, passes it
// on twice (the server sees a duplicate), or passes it on and then drops the
// answer (the server committed, the client never hears of it). With the
// fault rate at 0 it passes everything on.
class FaultyProxy
{
public:
    struct Counts
    {
        int droppedRequests = 0;
        int unavailable = 0;
        int duplicated = 0;
        int droppedReplies = 0;
    };

    FaultyProxy(const QUrl& upstream, unsigned seed);
    ~FaultyProxy();

    bool start();
    void stop();
    // A fresh listener (on a new port) in place of the old one, whose
    // threads go with it: long runs would pile them up otherwise.
    bool renew();
    QUrl syncUrl() const;
    // Percent of sync requests that meet each of the four faults.
    void setFaultRate(int percentEach);
    // Starts the rolls again from a seed of their own, so that one history can be replayed.
    void reseed(unsigned seed);
    Counts counts() const;

private:
    LoopbackHttpServer::Reply handle(const LoopbackHttpServer::Request& request);
    LoopbackHttpServer::Reply forward(const LoopbackHttpServer::Request& request);

    QUrl m_upstream;
    std::unique_ptr<LoopbackHttpServer> m_server;
    mutable std::mutex m_mutex;
    std::mt19937 m_random;
    std::atomic<int> m_rate { 0 };
    Counts m_counts;
};
