#include "plexlink/ReplyValidator.h"

#include <QXmlStreamReader>

QString ReplyValidator::problem(const QByteArray& body)
{
    QXmlStreamReader reader(body);
    int depth = 0;
    qint64 textLength = 0;
    bool hasRoot = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            return QStringLiteral("it declares a document type");
        case QXmlStreamReader::EntityReference:
            return QStringLiteral("it refers to an entity");
        case QXmlStreamReader::StartElement:
            hasRoot = true;
            textLength = 0;
            if (++depth > MaximumDepth)
                return QStringLiteral("its elements nest deeper than %1 levels").arg(MaximumDepth);
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            textLength = 0;
            break;
        case QXmlStreamReader::Characters:
            textLength += reader.text().size();
            if (textLength > MaximumTextLength)
                return QStringLiteral("an element holds more than %1 characters of text")
                    .arg(MaximumTextLength);
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        return QStringLiteral("it is not well-formed XML (line %1, column %2: %3)")
            .arg(reader.lineNumber())
            .arg(reader.columnNumber())
            .arg(reader.errorString());
    if (!hasRoot)
        return QStringLiteral("it holds no XML element");
    return QString();
}
