#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

class Database;

// The account service's side channels ("reminders", "sorting", "favorites",
// "meta"): per account and channel a list of JSON items, each named by the
// channel's key fields and dated by its "last_changed".
//
// A sent item replaces the stored one with its key unless the stored one is
// newer; a removal leaves a dated mark, so that an older copy of the item
// that another device still sends does not bring it back. A removal names an
// item by some of its key fields ("sorting" removes a list by "list_id"
// alone) and takes every stored item that agrees on those.
class SideChannelStore
{
public:
    static constexpr int MaxItemsPerRequest = 10000;

    explicit SideChannelStore(Database* database);

    static bool knownChannel(const QString& channel);
    static QStringList keyFields(const QString& channel);

    // Each answers the account's live list after the change; skipped counts
    // the items that were not JSON objects with the channel's main key.
    bool list(qint64 accountId, const QString& channel, QJsonArray* items);
    bool merge(qint64 accountId, const QString& channel, const QJsonArray& sent, QJsonArray* items, int* skipped);
    bool remove(qint64 accountId, const QString& channel, const QJsonArray& removed, QJsonArray* items, int* skipped);

private:
    struct Row;
    bool apply(qint64 accountId, const QString& channel, const QJsonArray& sent, bool removal, QJsonArray* items,
        int* skipped);
    static qint64 lastChanged(const QJsonObject& item);
    static bool covers(const QJsonObject& mark, const QJsonObject& item, const QStringList& keys);

    Database* m_database;
};
