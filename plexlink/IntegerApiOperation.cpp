#include "plexlink/IntegerApiOperation.h"

#include <QDomDocument>

IntegerApiOperation::IntegerApiOperation(QNetworkReply* reply, QObject* parent)
    : ApiOperation(reply, parent)
{
}

void IntegerApiOperation::parseResponse(const QString& response)
{
    QDomDocument document;
    parseDocument(response, &document);
    const QDomElement payload = payloadElement(document);
    if (payload.isNull()) {
        rejectReply(QStringLiteral("it has no payload element"));
        return;
    }
    setResult(payload.text().toInt());
}
