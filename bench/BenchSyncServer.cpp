#include "bench/BenchSyncServer.h"

#include "syncd/ClientSockets.h"

#include <httplib.h>

#include <QDateTime>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {
// Not a text type: httplib would compress it, and the figures would time zlib.
const char* const ContentType = "application/vnd.quorvel.sync+xml";
} // namespace

struct BenchSyncServer::Private
{
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::mutex mutex;
    std::string changes;
    std::atomic<int> revision { 1 };
    std::atomic<int> uploads { 0 };
};

BenchSyncServer::BenchSyncServer()
    : d(std::make_unique<Private>())
{
}

BenchSyncServer::~BenchSyncServer()
{
    stop();
}

bool BenchSyncServer::start()
{
    d->server.Post(R"(/api/1/([a-z_]+))", [this](const httplib::Request& request, httplib::Response& response,
                                              const httplib::ContentReader& reader) {
        // Kept-alive connections, as a real server keeps them. Qt writes a
        // request's head and body in two pieces without TCP_NODELAY, so the
        // body waits for the acknowledgement of the head, which Linux delays
        // by some 40 ms; quorvel-syncd acknowledges the head at once, and so
        // does this stand-in.
        ClientSockets::acknowledgeNow(request.local_port, request.remote_port);
        std::string ignored;
        reader([&ignored](const char* data, size_t length) {
            ignored.append(data, length);
            return true;
        });
        if (request.matches[1] == "get_changes_ex") {
            std::lock_guard<std::mutex> lock(d->mutex);
            response.set_content(d->changes, ContentType);
            ClientSockets::requestDone(request.local_port, request.remote_port);
            return;
        }
        ++d->uploads;
        const QByteArray body = "<response><status>0</status><time>"
            + QByteArray::number(QDateTime::currentSecsSinceEpoch()) + "</time><revision>"
            + QByteArray::number(++d->revision) + "</revision></response>";
        response.set_content(body.toStdString(), ContentType);
        ClientSockets::requestDone(request.local_port, request.remote_port);
    });
    d->server.set_tcp_nodelay(true);
    d->port = d->server.bind_to_any_port("127.0.0.1");
    if (d->port <= 0)
        return false;
    d->thread = std::thread([this] { d->server.listen_after_bind(); });
    for (int waited = 0; !d->server.is_running(); ++waited) {
        if (waited > 5000)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void BenchSyncServer::stop()
{
    if (!d->thread.joinable())
        return;
    d->server.stop();
    // Idle kept-alive connections would hold the stop for their keep-alive time.
    while (!ClientSockets::endIdle(0))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    d->thread.join();
}

QUrl BenchSyncServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/api/1/").arg(d->port));
}

void BenchSyncServer::setChanges(const QByteArray& body)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->changes = body.toStdString();
}

int BenchSyncServer::uploadCount() const
{
    return d->uploads;
}
