#include "syncd/XmlReply.h"

#include <QVector>

namespace {

bool allowedInXml(uint code)
{
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF)
        || (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

} // namespace

QByteArray XmlReply::escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    const QVector<uint> codes = text.toUcs4();
    for (const uint code : codes) {
        switch (code) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&apos;");
            break;
        case '\r':
            // A raw carriage return would be read back as a line feed.
            out += QLatin1String("&#13;");
            break;
        default:
            if (allowedInXml(code))
                out += QString::fromUcs4(&code, 1);
            else
                out += QChar(0xFFFD);
        }
    }
    return out.toUtf8();
}

QByteArray XmlReply::element(const QString& name, const QString& text)
{
    const QByteArray tag = name.toLatin1();
    return '<' + tag + '>' + escaped(text) + "</" + tag + '>';
}

QByteArray XmlReply::error(int status, const QString& message)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<response>" + element(QStringLiteral("status"), QString::number(status))
        + element(QStringLiteral("message"), message) + "</response>\n";
}

QByteArray XmlReply::success(qint64 serverTime, const QByteArray& payload, const QByteArray& objects)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<response><status>0</status>"
        + element(QStringLiteral("time"), QString::number(serverTime)) + payload + objects + "</response>\n";
}
