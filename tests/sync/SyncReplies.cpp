#include "SyncReplies.h"

#include <QDateTime>

uint SyncReplies::now()
{
    return uint(QDateTime::currentSecsSinceEpoch());
}

namespace {

QByteArray element(const QString& name, const QString& text)
{
    return "<" + name.toUtf8() + ">" + text.toHtmlEscaped().toUtf8() + "</" + name.toUtf8() + ">";
}

QString fieldText(const QVariant& value)
{
    if (value.type() == QVariant::DateTime) {
        const QDateTime dateTime = value.toDateTime();
        return dateTime.isValid() ? QString::number(dateTime.toSecsSinceEpoch()) : QStringLiteral("0");
    }
    if (value.type() == QVariant::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return value.toString();
}

} // namespace

QByteArray SyncReplies::changes(int revision, const QList<QVariantMap>& objects, uint serverTime)
{
    QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<response>" + element("status", "0")
        + element("time", QString::number(serverTime)) + element("revision", QString::number(revision));
    for (const QVariantMap& object : objects) {
        const QString type = object.value("TYPE").toString();
        body += "<" + type.toUtf8() + ">";
        for (auto it = object.cbegin(); it != object.cend(); ++it) {
            if (it.key() != QLatin1String("TYPE"))
                body += element(it.key().toLower(), fieldText(it.value()));
        }
        body += "</" + type.toUtf8() + ">";
    }
    return body + "</response>";
}

QByteArray SyncReplies::accepted(int revision, uint serverTime)
{
    return "<response>" + element("status", "0") + element("time", QString::number(serverTime))
        + element("revision", QString::number(revision)) + "</response>";
}

QByteArray SyncReplies::granted()
{
    return "<response>" + element("status", "0") + element("time", QString::number(now()))
        + element("result", "1") + "</response>";
}

QByteArray SyncReplies::refused(int status, const QString& text)
{
    return "<response>" + element("status", QString::number(status)) + element("error", text) + "</response>";
}

QVariantMap SyncReplies::task(const QString& id, const QString& parent, qint64 timestamp)
{
    return { { "TYPE", "task" }, { "ID", id }, { "NAME", "Task " + id }, { "PARENT", parent },
        { "TIMESTAMP", timestamp }, { "STATE", 0 } };
}

QVariantMap SyncReplies::project(const QString& id, qint64 timestamp, const QString& parent)
{
    return { { "TYPE", "project" }, { "ID", id }, { "NAME", "Project " + id }, { "PARENT", parent },
        { "FOLDER", 0 }, { "TIMESTAMP", timestamp }, { "STATE", 0 } };
}

QVariantMap SyncReplies::context(const QString& id, qint64 timestamp, const QString& parent)
{
    return { { "TYPE", "context" }, { "ID", id }, { "NAME", "Context " + id }, { "PARENT", parent },
        { "TIMESTAMP", timestamp }, { "STATE", 0 } };
}

QString SyncReplies::method(const LoopbackHttpServer::Request& request)
{
    return QString::fromUtf8(request.path).section(QLatin1Char('/'), -1);
}

QStringList SyncReplies::methods(const QList<LoopbackHttpServer::Request>& requests)
{
    QStringList names;
    for (const LoopbackHttpServer::Request& request : requests)
        names.append(method(request));
    return names;
}

QList<QPair<QString, QString>> SyncReplies::fields(const LoopbackHttpServer::Request& request)
{
    QList<QPair<QString, QString>> result;
    for (const QByteArray& pair : request.body.split('&')) {
        const int equals = pair.indexOf('=');
        const QByteArray name = equals < 0 ? pair : pair.left(equals);
        const QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
        result.append({ QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
            QString::fromUtf8(QByteArray::fromPercentEncoding(value)) });
    }
    return result;
}

QString SyncReplies::field(const LoopbackHttpServer::Request& request, const QString& name)
{
    for (const auto& pair : fields(request)) {
        if (pair.first == name)
            return pair.second;
    }
    return QString();
}
