#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMap>

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// How long a connection may stay silent while the server waits for a request.
constexpr int IdleConnectionMs = 10000;

// The server's side of one connection, as httplib reads and writes it. It
// keeps the bytes of the request line and headers, which httplib itself files
// in a map and so loses their order.
class RecordingStream : public httplib::Stream
{
public:
    RecordingStream(int socket, const std::atomic<bool>& stopping)
        : m_socket(socket)
        , m_stopping(stopping)
    {
    }

    bool is_readable() const override { return m_position < m_length || waitFor(POLLIN, IdleConnectionMs); }
    bool is_writable() const override { return !m_dropped && waitFor(POLLOUT, IdleConnectionMs); }

    ssize_t read(char* ptr, size_t size) override
    {
        if (m_dropped)
            return -1;
        if (m_position >= m_length) {
            if (!waitFor(POLLIN, IdleConnectionMs))
                return -1;
            const ssize_t received = ::recv(m_socket, m_buffer, sizeof m_buffer, 0);
            if (received <= 0)
                return received;
            m_length = static_cast<size_t>(received);
            m_position = 0;
        }
        const size_t count = std::min(size, m_length - m_position);
        std::memcpy(ptr, m_buffer + m_position, count);
        m_position += count;
        if (m_recording)
            m_head.append(ptr, static_cast<int>(count));
        return static_cast<ssize_t>(count);
    }

    ssize_t write(const char* ptr, size_t size) override
    {
        if (m_dropped || !waitFor(POLLOUT, IdleConnectionMs))
            return -1;
        return ::send(m_socket, ptr, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { address(true, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { address(false, ip, port); }
    socket_t socket() const override { return m_socket; }

    // httplib has read the request line and headers.
    void stopRecording() { m_recording = false; }
    QByteArray head() const { return m_head; }

    // Closes the connection without another byte.
    void drop()
    {
        m_dropped = true;
        ::shutdown(m_socket, SHUT_RDWR);
    }

private:
    bool waitFor(short events, int timeoutMs) const
    {
        pollfd descriptor { m_socket, events, 0 };
        for (int waited = 0; waited < timeoutMs && !m_stopping; waited += 50) {
            const int ready = ::poll(&descriptor, 1, 50);
            if (ready != 0)
                return ready > 0;
        }
        return false;
    }

    void address(bool remote, std::string& ip, int& port) const
    {
        sockaddr_in address {};
        socklen_t length = sizeof address;
        const int result = remote ? ::getpeername(m_socket, reinterpret_cast<sockaddr*>(&address), &length)
                                  : ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        char text[INET_ADDRSTRLEN] = {};
        if (result == 0 && ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text)) {
            ip = text;
            port = ntohs(address.sin_port);
        }
    }

    int m_socket;
    const std::atomic<bool>& m_stopping;
    char m_buffer[4096];
    size_t m_length = 0;
    size_t m_position = 0;
    bool m_recording = true;
    bool m_dropped = false;
    QByteArray m_head;
};

// The stream of the connection that the current server thread is serving.
thread_local RecordingStream* currentStream = nullptr;

// httplib's server with connections read through RecordingStream, one
// request per connection.
class RecordingServer : public httplib::Server
{
public:
    explicit RecordingServer(const std::atomic<bool>& stopping)
        : m_stopping(stopping)
    {
    }

private:
    bool process_and_close_socket(socket_t socket) override
    {
        RecordingStream stream(socket, m_stopping);
        currentStream = &stream;
        bool connectionClosed = false;
        const bool ok = process_request(
            stream, true, connectionClosed, [&stream](httplib::Request&) { stream.stopRecording(); });
        currentStream = nullptr;
        ::shutdown(socket, SHUT_RDWR);
        ::close(socket);
        return ok;
    }

    const std::atomic<bool>& m_stopping;
};

LoopbackHttpServer::Request parseHead(const QByteArray& head, const std::string& body)
{
    LoopbackHttpServer::Request request;
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    const int query = request.target.indexOf('?');
    request.path = query < 0 ? request.target : request.target.left(query);
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const int colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({ line.left(colon), line.mid(colon + 1).trimmed() });
    }
    request.body = QByteArray(body.data(), static_cast<int>(body.size()));
    return request;
}

} // namespace

// --- Request and Reply ---

QByteArray LoopbackHttpServer::Request::header(const QByteArray& name) const
{
    for (const auto& header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return QByteArray();
}

bool LoopbackHttpServer::Request::hasHeader(const QByteArray& name) const
{
    return headerNames().contains(name.toLower());
}

QList<QByteArray> LoopbackHttpServer::Request::headerNames() const
{
    QList<QByteArray> names;
    for (const auto& header : headers)
        names.append(header.first.toLower());
    return names;
}

LoopbackHttpServer::Reply LoopbackHttpServer::Reply::xml(const QByteArray& body, int status)
{
    Reply reply;
    reply.status = status;
    reply.body = body;
    return reply;
}

LoopbackHttpServer::Reply LoopbackHttpServer::Reply::json(const QByteArray& body, int status)
{
    Reply reply = xml(body, status);
    reply.contentType = "application/json";
    return reply;
}

LoopbackHttpServer::Reply LoopbackHttpServer::Reply::text(const QByteArray& body, int status)
{
    Reply reply = xml(body, status);
    reply.contentType = "text/plain; charset=utf-8";
    return reply;
}

LoopbackHttpServer::Reply LoopbackHttpServer::Reply::hang()
{
    Reply reply;
    reply.behaviour = Hang;
    return reply;
}

LoopbackHttpServer::Reply LoopbackHttpServer::Reply::cutOff(const QByteArray& body, qint64 bytesSent)
{
    Reply reply = xml(body);
    reply.behaviour = CutOff;
    reply.bytesBeforeCutOff = bytesSent;
    return reply;
}

LoopbackHttpServer::Reply LoopbackHttpServer::Reply::stall(const QByteArray& body, qint64 bytesSent)
{
    Reply reply = cutOff(body, bytesSent);
    reply.behaviour = Stall;
    return reply;
}

LoopbackHttpServer::Reply LoopbackHttpServer::Reply::drop()
{
    Reply reply;
    reply.behaviour = Drop;
    return reply;
}

LoopbackHttpServer::Reply& LoopbackHttpServer::Reply::withDelay(int milliseconds)
{
    delayMs = milliseconds;
    return *this;
}

LoopbackHttpServer::Reply& LoopbackHttpServer::Reply::withAnnouncedLength(qint64 length)
{
    announcedLength = length;
    return *this;
}

LoopbackHttpServer::Reply& LoopbackHttpServer::Reply::withHeader(
    const QByteArray& name, const QByteArray& value)
{
    headers.append({ name, value });
    return *this;
}

// --- Server ---

struct LoopbackHttpServer::Private
{
    std::atomic<bool> stopping { false };
    RecordingServer server { stopping };
    std::thread thread;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable stopped;
    QList<Request> requests;
    std::deque<Reply> queue;
    QMap<QByteArray, Handler> handlers;
    Handler defaultHandler;

    void serve(const httplib::Request& request, httplib::Response& response);
    Reply replyFor(const Request& request);
    // Sleeps for timeoutMs (for ever when negative) or until the server stops.
    void waitUnlessStopping(int timeoutMs);
    static void answer(const Reply& reply, httplib::Response& response);
    // Sends part of the body, then closes at once or, with stall, once the server stops.
    void sendPart(const Reply& reply, httplib::Response& response, bool stall);
};

void LoopbackHttpServer::Private::serve(const httplib::Request& request, httplib::Response& response)
{
    RecordingStream* stream = currentStream;
    const Request record = parseHead(stream->head(), request.body);
    {
        std::lock_guard<std::mutex> lock(mutex);
        requests.append(record);
    }
    const Reply reply = replyFor(record);
    if (reply.delayMs > 0)
        waitUnlessStopping(reply.delayMs);
    switch (reply.behaviour) {
    case Reply::Hang:
        waitUnlessStopping(-1);
        stream->drop();
        break;
    case Reply::Drop:
        stream->drop();
        break;
    case Reply::CutOff:
    case Reply::Stall:
        sendPart(reply, response, reply.behaviour == Reply::Stall);
        break;
    case Reply::Answer:
        answer(reply, response);
        break;
    }
}

LoopbackHttpServer::Reply LoopbackHttpServer::Private::replyFor(const Request& request)
{
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!queue.empty()) {
            Reply reply = queue.front();
            queue.pop_front();
            return reply;
        }
        handler = handlers.value(request.path, defaultHandler);
    }
    if (handler)
        return handler(request);
    return Reply::text("No reply scripted for " + request.path, 404);
}

void LoopbackHttpServer::Private::waitUnlessStopping(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex);
    if (timeoutMs < 0)
        stopped.wait(lock, [this] { return stopping.load(); });
    else
        stopped.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return stopping.load(); });
}

void LoopbackHttpServer::Private::answer(const Reply& reply, httplib::Response& response)
{
    response.status = reply.status;
    for (const auto& header : reply.headers)
        response.set_header(header.first.toStdString(), header.second.toStdString());
    response.set_content(
        reply.body.constData(), static_cast<size_t>(reply.body.size()), reply.contentType.toStdString());
}

void LoopbackHttpServer::Private::sendPart(const Reply& reply, httplib::Response& response, bool stall)
{
    response.status = reply.status;
    for (const auto& header : reply.headers)
        response.set_header(header.first.toStdString(), header.second.toStdString());
    const QByteArray sent = reply.body.left(static_cast<int>(qMax<qint64>(0, reply.bytesBeforeCutOff)));
    // Refusing to go on after the first bytes makes httplib close the
    // connection short of the announced length.
    const qint64 announced = reply.announcedLength >= 0 ? reply.announcedLength : reply.body.size();
    response.set_content_provider(static_cast<size_t>(announced), reply.contentType.toStdString(),
        [this, sent, stall](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset == 0 && !sent.isEmpty())
                sink.write(sent.constData(), static_cast<size_t>(sent.size()));
            if (stall)
                waitUnlessStopping(-1);
            return false;
        });
}

LoopbackHttpServer::LoopbackHttpServer()
    : d(std::make_unique<Private>())
{
    const auto serve = [this](const httplib::Request& request, httplib::Response& response) {
        d->serve(request, response);
    };
    const std::string any = ".*";
    d->server.Get(any, serve);
    d->server.Post(any, serve);
    d->server.Put(any, serve);
    d->server.Patch(any, serve);
    d->server.Delete(any, serve);
    d->server.Options(any, serve);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    stop();
}

bool LoopbackHttpServer::start()
{
    // One run per object: a stopped server keeps refusing to wait.
    if (d->thread.joinable() || d->stopping)
        return false;
    d->port = d->server.bind_to_any_port("127.0.0.1");
    if (d->port <= 0)
        return false;
    d->thread = std::thread([this] { d->server.listen_after_bind(); });
    // stop() only reaches a server whose accept loop is running.
    const QDeadlineTimer deadline(10000);
    while (!d->server.is_running() && !deadline.hasExpired())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return d->server.is_running();
}

void LoopbackHttpServer::stop()
{
    if (!d->thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopping = true;
    }
    d->stopped.notify_all();
    d->server.stop();
    d->thread.join();
}

bool LoopbackHttpServer::isRunning() const
{
    return d->thread.joinable() && !d->stopping;
}

quint16 LoopbackHttpServer::port() const
{
    return static_cast<quint16>(d->port);
}

QUrl LoopbackHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(d->port).arg(path));
}

void LoopbackHttpServer::enqueue(const Reply& reply)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->queue.push_back(reply);
}

void LoopbackHttpServer::setHandler(const QByteArray& path, const Handler& handler)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->handlers.insert(path, handler);
}

void LoopbackHttpServer::setDefaultHandler(const Handler& handler)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->defaultHandler = handler;
}

QList<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->requests;
}

int LoopbackHttpServer::requestCount() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->requests.size();
}

LoopbackHttpServer::Request LoopbackHttpServer::lastRequest() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->requests.isEmpty() ? Request() : d->requests.last();
}

void LoopbackHttpServer::clearRequests()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->requests.clear();
}

bool LoopbackHttpServer::waitForRequests(int count, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (requestCount() < count) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
