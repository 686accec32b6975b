#pragma once

#include "support/LoopbackHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariantMap>

// Replies as the sync server writes them, and the requests as it receives
// them, for tests that put a loopback server in its place.
//
// A reply is an XML document whose root holds the status, then the server
// time (or the error text), then the payload; a change list continues with
// one element per object, named by its type, with one child per field.
class SyncReplies
{
public:
    // The server clock of the replies: the current time unless given.
    static uint now();

    // A download: the server's revision and the objects in order. Each object
    // map names its element with "TYPE" ("task", "project", "context"); its
    // other entries become lower-case child elements (date-times as seconds,
    // 0 when not valid).
    static QByteArray changes(int revision, const QList<QVariantMap>& objects = {}, uint serverTime = now());
    // An upload the server took, with the revision it is at now.
    static QByteArray accepted(int revision, uint serverTime = now());
    // An account request the server granted.
    static QByteArray granted();
    static QByteArray refused(int status, const QString& text = QString());

    static QVariantMap task(const QString& id, const QString& parent, qint64 timestamp);
    static QVariantMap project(const QString& id, qint64 timestamp, const QString& parent = QString());
    static QVariantMap context(const QString& id, qint64 timestamp, const QString& parent = QString());

    // The method name of a request: the last segment of its path.
    static QString method(const LoopbackHttpServer::Request& request);
    static QStringList methods(const QList<LoopbackHttpServer::Request>& requests);
    // The form fields of a request body in order, values decoded.
    static QList<QPair<QString, QString>> fields(const LoopbackHttpServer::Request& request);
    // The first value of a field; a null string when it is absent.
    static QString field(const LoopbackHttpServer::Request& request, const QString& name);
};
