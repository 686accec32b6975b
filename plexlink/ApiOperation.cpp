#include "plexlink/ApiOperation.h"

#include "logging/Log.h"
#include "plexlink/ReplyValidator.h"

#include <QDomDocument>
#include <QMetaObject>
#include <QPointer>

struct ApiOperation::Private
{
    QVariant result;
    uint serverTime = 0;
    QString errorText;
    int errorCode = -1;
    QNetworkReply::NetworkError networkErrorCode = QNetworkReply::NoError;
    // Guarded: a reply deleted by someone else must not leave a dangling pointer.
    QPointer<QNetworkReply> reply;
    bool finished = false;
    bool aborted = false;
    // The reply grew past MaximumReplySize and was cut short on our side.
    bool oversized = false;
    ApiOperation* owner = nullptr;
};

ApiOperation::ApiOperation(QNetworkReply* reply, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->owner = this;
    d->reply = reply;
    if (!reply)
        return;
    connect(reply, &QNetworkReply::finished, this, &ApiOperation::handleReply, Qt::DirectConnection);
    connect(reply, &QNetworkReply::metaDataChanged, this, &ApiOperation::checkReplySize);
    connect(reply, &QIODevice::readyRead, this, &ApiOperation::checkReplySize);
    // A reply that finished before we were listening would otherwise leave
    // the operation pending for ever.
    if (reply->isFinished())
        QMetaObject::invokeMethod(this, &ApiOperation::handleReply, Qt::QueuedConnection);
}

ApiOperation::~ApiOperation()
{
    if (d->reply)
        d->reply->deleteLater();
}

QNetworkReply* ApiOperation::reply() const
{
    return d->reply;
}

QVariant ApiOperation::result() const
{
    return d->result;
}

uint ApiOperation::serverTime() const
{
    return d->serverTime;
}

int ApiOperation::errorCode() const
{
    return d->errorCode;
}

QString ApiOperation::errorText() const
{
    return d->errorText;
}

QNetworkReply::NetworkError ApiOperation::networkErrorCode() const
{
    return d->networkErrorCode;
}

bool ApiOperation::isFinished() const
{
    return d->finished;
}

void ApiOperation::abort()
{
    if (!d->reply || d->finished)
        return;
    d->aborted = true;
    d->finished = true;
    d->reply->abort();
    emit aborted();
}

void ApiOperation::setResult(const QVariant& result)
{
    d->result = result;
}

void ApiOperation::rejectReply(const QString& reason)
{
    const QString path = d->reply ? d->reply->url().path() : QString();
    QLOG_ERROR() << "The sync server's reply to " << path << " was refused: " << reason;
    d->result = QVariant();
    d->serverTime = 0;
    d->errorCode = 500;
    d->errorText = tr("Internal Server Error");
}

bool ApiOperation::parseDocument(const QString& response, QDomDocument* document)
{
    return document->setContent(response);
}

QDomElement ApiOperation::payloadElement(const QDomDocument& document)
{
    return document.documentElement().firstChildElement().nextSiblingElement().nextSiblingElement();
}

void ApiOperation::checkReplySize()
{
    if (d->finished || d->oversized || !d->reply)
        return;
    const qint64 announced = d->reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    if (announced <= MaximumReplySize && d->reply->bytesAvailable() <= MaximumReplySize)
        return;
    d->oversized = true;
    // Ends in handleReply(), which reports the refusal.
    d->reply->abort();
}

void ApiOperation::handleReply()
{
    if (d->aborted || d->finished || !d->reply)
        return;
    if (d->oversized) {
        rejectReply(QStringLiteral("it is larger than %1 bytes").arg(MaximumReplySize));
    } else if (d->reply->error() != QNetworkReply::NoError) {
        d->networkErrorCode = d->reply->error();
        d->errorText = d->reply->errorString();
        QLOG_WARN() << "Request to the sync server failed: " << d->errorText << " (network error "
                    << static_cast<int>(d->networkErrorCode) << ")";
    } else {
        readBody(d->reply->readAll());
    }
    d->finished = true;
    emit finished();
}

void ApiOperation::readBody(const QByteArray& body)
{
    const QString problem = ReplyValidator::problem(body);
    if (!problem.isEmpty()) {
        rejectReply(problem);
        return;
    }
    QDomDocument document;
    if (!document.setContent(body)) {
        rejectReply(QStringLiteral("it is not an XML document"));
        return;
    }
    const QDomElement status = document.documentElement().firstChildElement();
    bool isNumber = false;
    const int code = status.text().toInt(&isNumber);
    if (!isNumber) {
        rejectReply(QStringLiteral("its status \"%1\" is not a number").arg(status.text().left(40)));
        return;
    }
    const QDomElement second = status.nextSiblingElement();
    if (code != 0) {
        d->errorCode = code;
        d->errorText = second.text();
        QLOG_WARN() << "The sync server answered " << d->reply->url().path() << " with error " << code << ": "
                    << d->errorText;
        return;
    }
    if (second.tagName() == QLatin1String("time"))
        d->serverTime = second.text().toUInt();
    parseResponse(document.toString(1));
}
