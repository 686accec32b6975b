#include "plexlink/ObjectListApiOperation.h"

#include <QDateTime>
#include <QDomDocument>
#include <QVariantList>

ObjectListApiOperation::ObjectListApiOperation(QNetworkReply* reply, QObject* parent)
    : ApiOperation(reply, parent)
{
}

void ObjectListApiOperation::parseResponse(const QString& response)
{
    QDomDocument document;
    parseDocument(response, &document);
    const QDomElement payload = payloadElement(document);
    if (payload.isNull()) {
        rejectReply(QStringLiteral("it has no payload element"));
        return;
    }
    QVariantList list { payload.text().toInt() };
    for (QDomElement element = payload.nextSiblingElement(); !element.isNull();
         element = element.nextSiblingElement())
        list.append(readObject(element));
    setResult(list);
}

QVariantMap ObjectListApiOperation::readObject(const QDomElement& element)
{
    QVariantMap object { { QStringLiteral("TYPE"), element.tagName() } };
    for (QDomElement field = element.firstChildElement(); !field.isNull();
         field = field.nextSiblingElement()) {
        const QString key = field.tagName().toUpper();
        const QString text = field.text();
        if (key == QLatin1String("START") || key == QLatin1String("DUE")) {
            const uint seconds = text.toUInt();
            object.insert(key, seconds == 0 ? QDateTime() : QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC));
        } else if (key == QLatin1String("FOLDER")) {
            object.insert(key, text.toInt());
        } else {
            object.insert(key, text == QLatin1String("NULL") ? QString() : text);
        }
    }
    return object;
}
