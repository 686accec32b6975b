#pragma once

#include "plexlink/PlexlinkExport.h"

#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

class QDomDocument;
class QDomElement;

// One pending request to the sync server. It waits for its reply, reads it and
// emits finished(), or emits aborted() after abort() and then never finished().
// Read the outcome in this order: networkErrorCode() != NoError is a network
// failure (errorText() holds the reply's error string); errorCode() != -1 is a
// failure reported by the server, or 500 for a reply that cannot be read;
// otherwise result() holds the payload as the subclass reads it.
//
// A reply is XML: the root's first child element holds the status, the second
// the server time (when named "time") or the error text, the third the
// payload. Replies are read defensively: a document type declaration (the way
// to an entity expansion bomb), nesting deeper than 32 elements, a text longer
// than 8 MiB characters, a body over 128 MiB or anything that is not
// well-formed XML is refused with 500 "Internal Server Error" and a log line.
//
// The operation deletes its reply (later) when it is destroyed.
class PLEXLINK_EXPORT ApiOperation : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MaximumReplySize = 128 * 1024 * 1024;

    explicit ApiOperation(QNetworkReply* reply, QObject* parent = nullptr);
    ~ApiOperation() override;

    QNetworkReply* reply() const;
    QVariant result() const;
    uint serverTime() const;
    int errorCode() const;
    QString errorText() const;
    QNetworkReply::NetworkError networkErrorCode() const;
    bool isFinished() const;

public slots:
    // Stops waiting: the reply is aborted and aborted() emitted. Does nothing
    // without a reply or once the operation has finished.
    void abort();

signals:
    void finished();
    void aborted();

protected:
    void setResult(const QVariant& result);
    // For subclasses whose payload is missing or cannot be read: the outcome
    // becomes error 500 "Internal Server Error".
    void rejectReply(const QString& reason);
    // Parses a document handed to parseResponse(). The payload is the third
    // child element of the root; null when there is none.
    static bool parseDocument(const QString& response, QDomDocument* document);
    static QDomElement payloadElement(const QDomDocument& document);

private:
    // Reads the payload of a successful reply: the whole document, re-written
    // with an indent of one.
    virtual void parseResponse(const QString& response) = 0;

    void handleReply();
    void readBody(const QByteArray& body);
    void checkReplySize();

    struct Private;
    std::unique_ptr<Private> d;
};
