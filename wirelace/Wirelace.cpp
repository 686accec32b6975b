#include "wirelace/Wirelace.h"

#include "logging/Log.h"
#include "wirelace/WirelaceManager.h"

#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

bool isSafeHeaderText(const QByteArray& text)
{
    return !text.contains('\r') && !text.contains('\n') && !text.contains('\0');
}

} // namespace

struct Wirelace::Private
{
    WirelaceManager* manager = nullptr;
    int transferTimeout = DefaultTransferTimeoutMs;
};

Wirelace::Wirelace()
    : d(std::make_unique<Private>())
{
    d->manager = new WirelaceManager;
    d->transferTimeout = defaultTransferTimeout();
}

Wirelace::~Wirelace()
{
    d->manager->release();
}

int Wirelace::defaultTransferTimeout()
{
    const QByteArray value = qgetenv(TransferTimeoutVariable);
    if (value.isEmpty())
        return DefaultTransferTimeoutMs;
    bool ok = false;
    const int seconds = value.trimmed().toInt(&ok);
    // An hour is already far beyond any sensible wait for a reply.
    if (ok && seconds > 0 && seconds <= 3600)
        return seconds * 1000;
    QLOG_WARN() << TransferTimeoutVariable << " must be a number of seconds from 1 to 3600; using "
                << DefaultTransferTimeoutMs / 1000 << " s";
    return DefaultTransferTimeoutMs;
}

int Wirelace::transferTimeout() const
{
    return d->transferTimeout;
}

void Wirelace::setTransferTimeout(int milliseconds)
{
    d->transferTimeout = milliseconds > 0 ? milliseconds : defaultTransferTimeout();
}

QNetworkRequest Wirelace::buildRequest(const QUrl& url, const Headers& headers) const
{
    QNetworkRequest request(url);
    request.setTransferTimeout(d->transferTimeout);
    for (const auto& header : headers) {
        if (header.first.isEmpty() || !isSafeHeaderText(header.first) || !isSafeHeaderText(header.second)) {
            QLOG_WARN() << "Dropped a request header with a line break or NUL in its name or value: "
                        << QString::fromLatin1(header.first.left(64).toPercentEncoding());
            continue;
        }
        if (request.hasRawHeader(header.first))
            request.setRawHeader(header.first, request.rawHeader(header.first) + ", " + header.second);
        else
            request.setRawHeader(header.first, header.second);
    }
    return request;
}

QNetworkReply* Wirelace::sendGetRequest(const QUrl& url, const Headers& headers)
{
    QNetworkReply* reply = d->manager->get(buildRequest(url, headers));
    d->manager->track(reply);
    return reply;
}

QNetworkReply* Wirelace::sendPostRequest(const QUrl& url, const QByteArray& body, const Headers& headers)
{
    QNetworkReply* reply = d->manager->post(buildRequest(url, headers), body);
    d->manager->track(reply);
    return reply;
}
