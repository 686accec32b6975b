#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

// A real HTTP/1.1 server on 127.0.0.1 for tests of network code, running in
// threads of its own inside the test process.
//
//     LoopbackHttpServer server;
//     QVERIFY(server.start());
//     server.enqueue(LoopbackHttpServer::Reply::xml("<r><s>0</s></r>"));
//     ... send a request to server.url("/api/1/check_login") ...
//     QVERIFY(server.waitForRequests(1));
//     QCOMPARE(server.lastRequest().body, QByteArray("LOGIN=..."));
//
// Every request is recorded before it is answered: method, target, headers in
// the order they arrived (as the client spelled them) and body. The answer is
// the next queued reply if there is one (whatever the path), else the handler
// for the request's path, else the default handler, else 404. A reply may be
// delayed, withheld until stop() (hang), cut off after part of its body (the
// Content-Length announces the whole body, then the connection closes),
// stalled after part of its body (the connection stays open until stop()) or
// dropped (the connection closes before any byte of an answer).
//
// Each connection carries one request: answers say "Connection: close".
// Handlers run on server threads and must not touch the test's QObjects.
// A request to the server as an HTTP proxy arrives with the absolute address
// as its target and path.
class LoopbackHttpServer
{
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Request
    {
        QByteArray method;
        // As sent on the request line: "/api/1/check_login?x=1".
        QByteArray target;
        // The target without its query.
        QByteArray path;
        Headers headers;
        QByteArray body;

        // The first value of the header, name compared without case; empty if absent.
        QByteArray header(const QByteArray& name) const;
        bool hasHeader(const QByteArray& name) const;
        QList<QByteArray> headerNames() const;
    };

    struct Reply
    {
        enum Behaviour { Answer, Hang, CutOff, Stall, Drop };

        int status = 200;
        QByteArray contentType = "text/xml; charset=utf-8";
        QByteArray body;
        Headers headers;
        Behaviour behaviour = Answer;
        // Milliseconds to wait before answering (or cutting off, or dropping).
        int delayMs = 0;
        // CutOff and Stall: the body bytes sent before the connection closes
        // or falls silent.
        qint64 bytesBeforeCutOff = 0;
        // CutOff and Stall: the Content-Length announced; -1 for the body's size.
        qint64 announcedLength = -1;

        static Reply xml(const QByteArray& body, int status = 200);
        static Reply json(const QByteArray& body, int status = 200);
        static Reply text(const QByteArray& body, int status = 200);
        static Reply hang();
        // Announces body.size() bytes, sends the first bytesSent of them and closes.
        static Reply cutOff(const QByteArray& body, qint64 bytesSent);
        // Announces body.size() bytes, sends the first bytesSent of them and
        // then nothing more until the server stops.
        static Reply stall(const QByteArray& body, qint64 bytesSent);
        static Reply drop();

        Reply& withDelay(int milliseconds);
        Reply& withHeader(const QByteArray& name, const QByteArray& value);
        Reply& withAnnouncedLength(qint64 length);
    };

    using Handler = std::function<Reply(const Request&)>;

    LoopbackHttpServer();
    // Stops the server.
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // Listens on a free port of 127.0.0.1. A server runs once: after stop(),
    // make a new one.
    bool start();
    // Releases hanging replies, closes the port and waits for the server threads.
    void stop();
    bool isRunning() const;

    quint16 port() const;
    // "http://127.0.0.1:<port>" followed by path.
    QUrl url(const QString& path = QStringLiteral("/")) const;

    void enqueue(const Reply& reply);
    // path is compared with the request's path exactly.
    void setHandler(const QByteArray& path, const Handler& handler);
    void setDefaultHandler(const Handler& handler);

    QList<Request> requests() const;
    int requestCount() const;
    // The most recent request; an empty one when there is none.
    Request lastRequest() const;
    void clearRequests();
    // Runs the calling thread's event loop until count requests arrived in
    // total, or timeoutMs passed. Returns whether they arrived.
    bool waitForRequests(int count, int timeoutMs = 10000) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
