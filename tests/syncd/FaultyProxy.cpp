#include "FaultyProxy.h"

#include <httplib.h>

FaultyProxy::FaultyProxy(const QUrl& upstream, unsigned seed)
    : m_upstream(upstream)
    , m_random(seed)
{
}

FaultyProxy::~FaultyProxy()
{
    stop();
}

bool FaultyProxy::start()
{
    stop();
    m_server = std::make_unique<LoopbackHttpServer>();
    m_server->setDefaultHandler([this](const LoopbackHttpServer::Request& request) { return handle(request); });
    return m_server->start();
}

bool FaultyProxy::renew()
{
    return start();
}

void FaultyProxy::stop()
{
    if (m_server && m_server->isRunning())
        m_server->stop();
    m_server.reset();
}

QUrl FaultyProxy::syncUrl() const
{
    return m_server ? m_server->url(QStringLiteral("/api/1/")) : QUrl();
}

void FaultyProxy::setFaultRate(int percentEach)
{
    m_rate = percentEach;
}

void FaultyProxy::reseed(unsigned seed)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_random.seed(seed);
}

FaultyProxy::Counts FaultyProxy::counts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counts;
}

LoopbackHttpServer::Reply FaultyProxy::forward(const LoopbackHttpServer::Request& request)
{
    httplib::Client upstream(m_upstream.host().toStdString(), m_upstream.port());
    upstream.set_read_timeout(30, 0);
    const std::string path = request.target.toStdString();
    const std::string type = request.header("Content-Type").toStdString();
    const httplib::Result result = request.method == "GET"
        ? upstream.Get(path.c_str())
        : upstream.Post(path.c_str(), request.body.constData(), size_t(request.body.size()), type.c_str());
    if (!result)
        return LoopbackHttpServer::Reply::drop();
    LoopbackHttpServer::Reply reply
        = LoopbackHttpServer::Reply::xml(QByteArray::fromStdString(result->body), result->status);
    reply.contentType = QByteArray::fromStdString(result->get_header_value("Content-Type"));
    return reply;
}

LoopbackHttpServer::Reply FaultyProxy::handle(const LoopbackHttpServer::Request& request)
{
    int roll = 100;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        roll = int(m_random() % 100);
    }
    const int rate = m_rate;
    const auto count = [this](int Counts::*field) {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++(m_counts.*field);
    };
    if (roll < rate) {
        count(&Counts::droppedRequests);
        return LoopbackHttpServer::Reply::drop();
    }
    if (roll < 2 * rate) {
        count(&Counts::unavailable);
        return LoopbackHttpServer::Reply::text("Service Unavailable", 503);
    }
    LoopbackHttpServer::Reply reply = forward(request);
    if (roll < 3 * rate) {
        count(&Counts::duplicated);
        return forward(request);
    }
    if (roll < 4 * rate) {
        count(&Counts::droppedReplies);
        return LoopbackHttpServer::Reply::drop();
    }
    return reply;
}
