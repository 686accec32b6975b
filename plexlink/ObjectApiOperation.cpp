#include "plexlink/ObjectApiOperation.h"

#include <QDomDocument>
#include <QVariantMap>

ObjectApiOperation::ObjectApiOperation(QNetworkReply* reply, QObject* parent)
    : ApiOperation(reply, parent)
{
}

void ObjectApiOperation::parseResponse(const QString& response)
{
    QDomDocument document;
    parseDocument(response, &document);
    const QDomElement payload = payloadElement(document);
    if (payload.isNull()) {
        rejectReply(QStringLiteral("it has no payload element"));
        return;
    }
    QVariantMap object;
    for (QDomElement field = payload.firstChildElement(); !field.isNull(); field = field.nextSiblingElement())
        object.insert(field.tagName().toUpper(), field.text());
    setResult(object);
}
