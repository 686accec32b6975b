#include "syncd/SyncServer.h"

#include "logging/Log.h"
#include "syncd/AccountService.h"
#include "syncd/ClientSockets.h"
#include "syncd/RequestLog.h"
#include "syncd/SyncProtocol.h"

#include <httplib.h>

#include <QElapsedTimer>

#include <chrono>
#include <cstdlib>
#include <thread>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

const char* const XmlType = "text/xml; charset=utf-8";
const char* const JsonType = "application/json";

// Reads the whole body, refusing it past the cap; false when it was too large
// or the connection failed meanwhile.
bool readBody(const httplib::ContentReader& reader, size_t cap, std::string* body, bool* tooLarge)
{
    *tooLarge = false;
    return reader([&](const char* data, size_t length) {
        if (body->size() + length > cap) {
            *tooLarge = true;
            return false;
        }
        body->append(data, length);
        return true;
    });
}

// httplib refuses a body announced larger than the cap before reading it.
bool tooLong(const httplib::Request& request, size_t cap)
{
    const std::string length = request.get_header_value("Content-Length");
    return !length.empty() && std::strtoull(length.c_str(), nullptr, 10) > cap;
}

// One request on its connection: the head is in (the body may be waiting
// for its acknowledgement), and at the end of the scope it is handled.
struct RequestScope
{
    explicit RequestScope(const httplib::Request& request)
        : m_request(request)
    {
        ClientSockets::acknowledgeNow(request.local_port, request.remote_port);
    }
    ~RequestScope() { ClientSockets::requestDone(m_request.local_port, m_request.remote_port); }
    const httplib::Request& m_request;
};

} // namespace

SyncServer::SyncServer(const ServerOptions& options, SyncProtocol* protocol, AccountService* service)
    : m_options(options)
    , m_protocol(protocol)
    , m_service(service)
{
}

SyncServer::~SyncServer() = default;

bool SyncServer::tls() const
{
    return !m_options.tlsCertificate.isEmpty();
}

bool SyncServer::bind(QString* error)
{
    if (tls()) {
        auto server = std::make_unique<httplib::SSLServer>(
            m_options.tlsCertificate.toLocal8Bit().constData(), m_options.tlsKey.toLocal8Bit().constData());
        if (!server->is_valid()) {
            *error = QStringLiteral("the TLS certificate or key cannot be read");
            return false;
        }
        m_server = std::move(server);
    } else {
        m_server = std::make_unique<httplib::Server>();
    }
    const int threads = m_options.threads;
    m_server->new_task_queue = [threads] { return new httplib::ThreadPool(size_t(threads)); };
    m_server->set_payload_max_length(size_t(m_options.maxBodyBytes));
    m_server->set_read_timeout(m_options.readTimeoutSeconds, 0);
    m_server->set_write_timeout(m_options.readTimeoutSeconds, 0);
    m_server->set_keep_alive_timeout(5);
    m_server->set_keep_alive_max_count(1000);
    m_server->set_tcp_nodelay(true);
    int listening = -1;
    m_server->set_socket_options([&listening](int socket) {
        int on = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
        listening = socket;
    });
    m_server->set_exception_handler([](const httplib::Request& request, httplib::Response& response,
                                        std::exception_ptr) {
        QLOG_ERROR() << "A request to " << RequestLog::printable(QString::fromStdString(request.path))
                     << " failed with an exception.";
        response.status = 500;
        response.set_content("Internal Server Error", "text/plain");
    });
    installRoutes();

    const std::string host = m_options.host.toStdString();
    if (m_options.port == 0) {
        m_port = m_server->bind_to_any_port(host);
    } else {
        m_port = m_server->bind_to_port(host, m_options.port) ? m_options.port : -1;
    }
    if (m_port <= 0) {
        *error = QStringLiteral("cannot listen on %1:%2").arg(m_options.host).arg(m_options.port);
        return false;
    }
    // httplib listens with a queue of five: when more clients than that
    // connect at once (a classroom after the break), the rest would wait for
    // the kernel to retry their handshakes. Listening again widens the queue.
    if (listening >= 0)
        ::listen(listening, SOMAXCONN);
    return true;
}

int SyncServer::port() const
{
    return m_port;
}

void SyncServer::installRoutes()
{
    const size_t cap = size_t(m_options.maxBodyBytes);
    m_server->Post(R"(/api/1/([A-Za-z_]{1,40}))",
        [this, cap](const httplib::Request& request, httplib::Response& response, const httplib::ContentReader& reader) {
            QElapsedTimer timer;
            timer.start();
            const RequestScope scope(request);
            const QString method = QString::fromStdString(request.matches[1]);
            std::string body;
            bool tooLarge = false;
            if (!readBody(reader, cap, &body, &tooLarge)) {
                response.status = tooLarge || tooLong(request, cap) ? 413 : 400;
                RequestLog::write(QStringLiteral("POST"), method, QString(), response.status, timer.nsecsElapsed() / 1e6);
                return;
            }
            const SyncProtocol::Reply reply = m_protocol->handle(method, QByteArray::fromStdString(body));
            response.status = reply.httpStatus;
            response.set_content(reply.body.constData(), size_t(reply.body.size()), XmlType);
            RequestLog::write(QStringLiteral("POST"), method, reply.account, reply.status, timer.nsecsElapsed() / 1e6);
        });

    const auto service = [this, cap](const httplib::Request& request, httplib::Response& response,
                             const httplib::ContentReader* reader) {
        QElapsedTimer timer;
        timer.start();
        const RequestScope scope(request);
        const QString path = QString::fromStdString(request.path).mid(4);
        std::string body;
        bool tooLarge = false;
        if (reader && !readBody(*reader, cap, &body, &tooLarge)) {
            response.status = tooLarge || tooLong(request, cap) ? 413 : 400;
            RequestLog::write(QString::fromStdString(request.method), path, QString(), response.status,
                timer.nsecsElapsed() / 1e6);
            return;
        }
        const AccountService::Reply reply = m_service->handle(QString::fromStdString(request.method), path,
            QByteArray::fromStdString(request.get_header_value("Authorization")), QByteArray::fromStdString(body));
        response.status = reply.httpStatus;
        response.set_content(reply.body.constData(), size_t(reply.body.size()), JsonType);
        RequestLog::write(QString::fromStdString(request.method), path, reply.account, reply.httpStatus,
            timer.nsecsElapsed() / 1e6);
    };
    m_server->Get(R"(/api/.*)", [service](const httplib::Request& request, httplib::Response& response) {
        service(request, response, nullptr);
    });
    m_server->Post(R"(/api/.*)",
        [service](const httplib::Request& request, httplib::Response& response, const httplib::ContentReader& reader) {
            service(request, response, &reader);
        });
}

bool SyncServer::run()
{
    const bool served = m_server->listen_after_bind();
    m_stopped = true;
    return served;
}

void SyncServer::endIdleConnections()
{
    // Until the listener has let go of every connection: the answers of the
    // requests under way go out first, then their connections are ended.
    while (!m_stopped) {
        ClientSockets::endIdle(50);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void SyncServer::stop()
{
    if (!m_server)
        return;
    m_server->stop();
}
