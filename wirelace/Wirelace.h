#pragma once

#include "wirelace/WirelaceExport.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

#include <memory>

class QNetworkReply;
class QNetworkRequest;

// Sends plain HTTP(S) requests for the object that holds it. Each call starts
// its request at once and returns the live reply, which emits finished() once;
// the caller owns the reply and disposes of it with deleteLater().
//
// All requests of one sender go through one network access manager, the
// reply's manager(). That manager stays alive as long as any reply it handed
// out does, even when the sender is destroyed first, so a reply never points
// at a deleted manager. A sender belongs to the thread that created it.
//
// Headers are sent as given, in the given order; a name given twice is sent
// once with the values joined by ", " (the same field to an HTTP server). A
// header whose name or value holds a line break or NUL is dropped, because it
// would let the value write headers of its own.
//
// A request that moves no data for transferTimeout() milliseconds is aborted
// and ends with QNetworkReply::OperationCanceledError, so a server that stops
// answering cannot keep a caller waiting for ever. Redirects are followed
// unless they lead from HTTPS to plain HTTP.
class WIRELACE_EXPORT Wirelace
{
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    static constexpr int DefaultTransferTimeoutMs = 30000;
    // Seconds; when set to a positive whole number it replaces the default.
    static constexpr const char* TransferTimeoutVariable = "QUORVEL_TRANSFER_TIMEOUT";

    Wirelace();
    ~Wirelace();
    Wirelace(const Wirelace&) = delete;
    Wirelace& operator=(const Wirelace&) = delete;

    QNetworkReply* sendGetRequest(const QUrl& url, const Headers& headers = {});
    QNetworkReply* sendPostRequest(const QUrl& url, const QByteArray& body, const Headers& headers = {});

    int transferTimeout() const;
    // Applies to requests sent afterwards. Values below 1 restore the default.
    void setTransferTimeout(int milliseconds);

    // The default of new senders: the environment's value, else 30 s.
    static int defaultTransferTimeout();

private:
    QNetworkRequest buildRequest(const QUrl& url, const Headers& headers) const;

    struct Private;
    std::unique_ptr<Private> d;
};
