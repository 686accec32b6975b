#pragma once

#include <QByteArray>
#include <QString>

// The sync protocol's replies: a "response" element whose first child is
// the status, the second "time" (on success) or the error text, the third
// the payload, and after it, for a list of changes, one element per object.
// Every text is escaped; characters that XML 1.0 cannot carry at all are
// replaced by U+FFFD, so that a name a client once sent can never make the
// replies to every device of the account unreadable.
class XmlReply
{
public:
    static QByteArray error(int status, const QString& message);
    // A successful reply; payload and objects are already XML.
    static QByteArray success(qint64 serverTime, const QByteArray& payload, const QByteArray& objects = QByteArray());

    static QByteArray element(const QString& name, const QString& text);
    static QByteArray escaped(const QString& text);
};
