#include "syncd/SideChannelStore.h"

#include "logging/Log.h"
#include "syncd/Database.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QMap>
#include <QSqlQuery>
#include <QVariant>

namespace {

// Removal marks dated longer ago than this have done their work: no device
// stays away for so long and still sends its old copies.
const qint64 MarkLifetimeMs = qint64(400) * 24 * 3600 * 1000;

QString itemKey(const QJsonObject& item, const QStringList& keys)
{
    QStringList values;
    for (const QString& key : keys)
        values.append(item.value(key).toVariant().toString());
    return values.join(QChar(0x1F));
}

} // namespace

struct SideChannelStore::Row
{
    qint64 lastChanged = 0;
    bool deleted = false;
    QJsonObject body;
    bool changed = false;
    bool stored = false;
};

SideChannelStore::SideChannelStore(Database* database)
    : m_database(database)
{
}

bool SideChannelStore::knownChannel(const QString& channel)
{
    return !keyFields(channel).isEmpty();
}

QStringList SideChannelStore::keyFields(const QString& channel)
{
    if (channel == QLatin1String("reminders"))
        return { QStringLiteral("object_id"), QStringLiteral("applied_date"), QStringLiteral("predefined_type") };
    if (channel == QLatin1String("sorting"))
        return { QStringLiteral("list_id"), QStringLiteral("list_type") };
    if (channel == QLatin1String("favorites"))
        return { QStringLiteral("object_id"), QStringLiteral("object_type") };
    if (channel == QLatin1String("meta"))
        return { QStringLiteral("object_id") };
    return {};
}

qint64 SideChannelStore::lastChanged(const QJsonObject& item)
{
    QDateTime time = QDateTime::fromString(item.value(QStringLiteral("last_changed")).toString(), Qt::ISODateWithMs);
    if (!time.isValid())
        time = QDateTime::fromString(item.value(QStringLiteral("last_changed")).toString(), Qt::ISODate);
    // As the clients read it: unreadable or absent is now.
    return time.isValid() ? time.toMSecsSinceEpoch() : QDateTime::currentMSecsSinceEpoch();
}

bool SideChannelStore::covers(const QJsonObject& mark, const QJsonObject& item, const QStringList& keys)
{
    for (const QString& key : keys) {
        const QString value = mark.value(key).toVariant().toString();
        if (!value.isEmpty() && value != item.value(key).toVariant().toString())
            return false;
    }
    return true;
}

bool SideChannelStore::list(qint64 accountId, const QString& channel, QJsonArray* items)
{
    QSqlQuery query(m_database->connection());
    query.prepare(QStringLiteral(
        "SELECT body FROM side_items WHERE account_id = ? AND channel = ? AND deleted = 0 ORDER BY item_key"));
    query.addBindValue(accountId);
    query.addBindValue(channel);
    if (!Database::run(query, "reading a side channel"))
        return false;
    while (query.next())
        items->append(QJsonDocument::fromJson(query.value(0).toString().toUtf8()).object());
    return true;
}

bool SideChannelStore::merge(qint64 accountId, const QString& channel, const QJsonArray& sent, QJsonArray* items, int* skipped)
{
    return apply(accountId, channel, sent, false, items, skipped);
}

bool SideChannelStore::remove(
    qint64 accountId, const QString& channel, const QJsonArray& removed, QJsonArray* items, int* skipped)
{
    return apply(accountId, channel, removed, true, items, skipped);
}

bool SideChannelStore::apply(
    qint64 accountId, const QString& channel, const QJsonArray& sent, bool removal, QJsonArray* items, int* skipped)
{
    const QStringList keys = keyFields(channel);
    const bool written = m_database->write([&](QSqlDatabase& db) {
        *items = QJsonArray();
        *skipped = 0;
        QSqlQuery lock(db);
        lock.prepare(QStringLiteral("SELECT revision FROM accounts WHERE id = ?") + m_database->lockSuffix());
        lock.addBindValue(accountId);
        if (!Database::run(lock, "locking an account"))
            return Database::Outcome::Failed;
        lock.finish();

        QMap<QString, Row> rows;
        QSqlQuery read(db);
        read.prepare(QStringLiteral(
            "SELECT item_key, last_changed, deleted, body FROM side_items WHERE account_id = ? AND channel = ?"));
        read.addBindValue(accountId);
        read.addBindValue(channel);
        if (!Database::run(read, "reading a side channel"))
            return Database::Outcome::Failed;
        while (read.next()) {
            Row row;
            row.lastChanged = read.value(1).toLongLong();
            row.deleted = read.value(2).toInt() != 0;
            row.body = QJsonDocument::fromJson(read.value(3).toString().toUtf8()).object();
            row.stored = true;
            rows.insert(read.value(0).toString(), row);
        }
        read.finish();

        for (const QJsonValue& value : sent) {
            const QJsonObject item = value.toObject();
            if (!value.isObject() || item.value(keys.first()).toVariant().toString().isEmpty()) {
                ++*skipped;
                continue;
            }
            const qint64 changed = lastChanged(item);
            const QString key = itemKey(item, keys);
            if (removal) {
                bool matched = false;
                for (Row& row : rows) {
                    if (!row.deleted && covers(item, row.body, keys) && row.lastChanged <= changed) {
                        row.deleted = true;
                        row.lastChanged = changed;
                        row.changed = true;
                        matched = true;
                    }
                }
                if (!matched && !rows.contains(key))
                    rows.insert(key, Row { changed, true, item, true, false });
                continue;
            }
            bool newerMark = false;
            for (const Row& row : qAsConst(rows)) {
                if (row.deleted && row.lastChanged > changed && covers(row.body, item, keys))
                    newerMark = true;
            }
            const auto stored = rows.constFind(key);
            if (newerMark || (stored != rows.cend() && stored->lastChanged > changed))
                continue;
            Row& row = rows[key];
            row.lastChanged = changed;
            row.deleted = false;
            row.body = item;
            row.changed = true;
        }

        const qint64 oldestMark = QDateTime::currentMSecsSinceEpoch() - MarkLifetimeMs;
        for (auto it = rows.begin(); it != rows.end(); ++it) {
            const Row& row = it.value();
            const bool expired = row.deleted && row.lastChanged < oldestMark;
            if (!row.changed && !expired)
                continue;
            QSqlQuery change(db);
            if (expired || row.stored) {
                change.prepare(QStringLiteral("DELETE FROM side_items WHERE account_id = ? AND channel = ? AND item_key = ?"));
                change.addBindValue(accountId);
                change.addBindValue(channel);
                change.addBindValue(it.key());
                if (!Database::run(change, "replacing a side-channel item"))
                    return Database::Outcome::Failed;
            }
            if (expired)
                continue;
            QSqlQuery insert(db);
            insert.prepare(QStringLiteral("INSERT INTO side_items (account_id, channel, item_key, last_changed, "
                                          "deleted, body) VALUES (?, ?, ?, ?, ?, ?)"));
            insert.addBindValue(accountId);
            insert.addBindValue(channel);
            insert.addBindValue(it.key());
            insert.addBindValue(row.lastChanged);
            insert.addBindValue(row.deleted ? 1 : 0);
            insert.addBindValue(QString::fromUtf8(QJsonDocument(row.body).toJson(QJsonDocument::Compact)));
            if (!Database::run(insert, "storing a side-channel item"))
                return Database::Outcome::Failed;
        }
        for (const Row& row : qAsConst(rows)) {
            if (!row.deleted)
                items->append(row.body);
        }
        return Database::Outcome::Commit;
    });
    if (*skipped > 0)
        QLOG_WARN() << *skipped << " item(s) sent to the " << channel
                    << " channel were not objects with a \"" << keys.first() << "\"; they were skipped.";
    return written;
}
