#include "data/DirectRowReader.h"

#include "data/WallClock.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVector>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

namespace {

sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
#ifndef QUORVEL_DIRECT_SQLITE_READS
    // Qt's driver may carry its own copy of SQLite: its handle is not ours.
    Q_UNUSED(db)
    return nullptr;
#endif
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

struct Column {
    QString key;
    int index;
    bool isDate;
    // A later column under the same name replaces the earlier one's value,
    // as QMap::insert would: both write into the same entry.
    bool sharesPreviousKey;
};

// The columns in key order, which is the order of a record's entries.
QVector<Column> columnsOf(sqlite3_stmt *statement)
{
    static const QString Start = QStringLiteral("START");
    static const QString Due = QStringLiteral("DUE");
    QVector<Column> columns;
    const int count = sqlite3_column_count(statement);
    columns.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString key = QString::fromUtf8(sqlite3_column_name(statement, i)).toUpper();
        columns.append({ key, i, key == Start || key == Due, false });
    }
    std::stable_sort(columns.begin(), columns.end(), [](const Column &a, const Column &b) { return a.key < b.key; });
    for (int i = 1; i < columns.size(); ++i)
        columns[i].sharesPreviousKey = columns.at(i).key == columns.at(i - 1).key;
    return columns;
}

// Every record of a statement has the same keys: rows start as a copy of
// this one, so that building a row allocates its entries without searching
// or rebalancing the tree, and no key string is copied but by reference.
DataObject prototypeOf(const QVector<Column> &columns)
{
    DataObject prototype;
    for (const Column &column : columns)
        prototype.insert(column.key, QVariant());
    return prototype;
}

// Text values that recur down a column (parents, contexts, rules) are
// converted once per read and then shared between the records, which spares
// an allocation and a conversion per cell, and a free when the records go.
// A column whose values hardly repeat (identifiers, names) stops being
// looked up after a sample of rows.
class TextColumnCache
{
public:
    QString text(const char *utf8, int size)
    {
        if (!m_enabled)
            return QString::fromUtf8(utf8, size);
        const uint hash = qHashBits(utf8, size_t(size));
        const int found = find(hash, utf8, size);
        if (found >= 0) {
            ++m_hits;
            return m_slots.at(found).text;
        }
        const QString converted = QString::fromUtf8(utf8, size);
        if (++m_misses == SampleSize && m_hits < SampleSize) {
            m_enabled = false;
            m_slots = QVector<Slot>();
        } else if (m_used < MaxValues) {
            add({ QByteArray(utf8, size), converted, hash, true });
        }
        return converted;
    }

private:
    struct Slot {
        QByteArray utf8;
        QString text;
        uint hash = 0;
        bool used = false;
    };
    // The table starts small and doubles at half load: a large block
    // allocated for every read would cost more than it saves on short ones.
    static constexpr int InitialSlots = 64;
    static constexpr int MaxValues = 1024;
    // Looked up until this many distinct values were met; kept only if
    // at least as many lookups found a shared value by then.
    static constexpr int SampleSize = 256;

    // The slot holding this text, or -1.
    int find(uint hash, const char *utf8, int size) const
    {
        if (m_slots.isEmpty())
            return -1;
        const int mask = m_slots.size() - 1;
        for (int index = int(hash) & mask; m_slots.at(index).used; index = (index + 1) & mask) {
            const Slot &slot = m_slots.at(index);
            if (slot.hash == hash && slot.utf8.size() == size && std::memcmp(slot.utf8.constData(), utf8, size) == 0)
                return index;
        }
        return -1;
    }

    void add(Slot slot)
    {
        if (2 * (m_used + 1) > m_slots.size())
            grow();
        place(std::move(slot));
        ++m_used;
    }

    void grow()
    {
        QVector<Slot> old = std::move(m_slots);
        m_slots = QVector<Slot>(qMax(InitialSlots, 2 * old.size()));
        for (Slot &slot : old) {
            if (slot.used)
                place(std::move(slot));
        }
    }

    void place(Slot slot)
    {
        const int mask = m_slots.size() - 1;
        int index = int(slot.hash) & mask;
        while (m_slots.at(index).used)
            index = (index + 1) & mask;
        m_slots[index] = std::move(slot);
    }

    QVector<Slot> m_slots;
    int m_used = 0;
    int m_hits = 0;
    int m_misses = 0;
    bool m_enabled = true;
};

QString textOf(sqlite3_stmt *statement, int index, TextColumnCache *cache)
{
    // Empty text is common (memo, period, unset dates): one shared value
    // instead of an allocation per cell. Same as fromUtf8 gives: empty,
    // not null.
    static const QString Empty = QString::fromUtf8("", 0);
    const int bytes = sqlite3_column_bytes(statement, index);
    if (bytes == 0)
        return Empty;
    return cache->text(reinterpret_cast<const char *>(sqlite3_column_text(statement, index)), bytes);
}

QVariant valueOf(sqlite3_stmt *statement, int index, TextColumnCache *cache)
{
    switch (sqlite3_column_type(statement, index)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(statement, index)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, index));
    case SQLITE_TEXT:
        return QVariant(textOf(statement, index, cache));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, index)),
                                   sqlite3_column_bytes(statement, index)));
    default:
        return QVariant(QVariant::String);
    }
}

QVariant dateOf(sqlite3_stmt *statement, int index, TextColumnCache *cache)
{
    // Stored dates are numbers: read them without a detour through a
    // QVariant conversion. Anything else takes the general rule.
    if (sqlite3_column_type(statement, index) == SQLITE_INTEGER) {
        const qint64 seconds = sqlite3_column_int64(statement, index);
        return seconds == 0 ? QVariant(QDateTime()) : QVariant(QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC));
    }
    return QVariant(WallClock::fromStored(valueOf(statement, index, cache)));
}

// caches holds one cache per column, in the order of columns.
void fill(DataObject *record, sqlite3_stmt *statement, const QVector<Column> &columns,
          QVector<TextColumnCache> &caches)
{
    auto entry = record->begin();
    for (int i = 0; i < columns.size(); ++i) {
        const Column &column = columns.at(i);
        if (column.sharesPreviousKey)
            --entry;
        TextColumnCache *cache = &caches[i];
        entry.value() = column.isDate ? dateOf(statement, column.index, cache)
                                      : valueOf(statement, column.index, cache);
        ++entry;
    }
}

} // namespace

bool DirectRowReader::isAvailable(const QSqlDatabase &db)
{
    return sqliteHandle(db) != nullptr;
}

bool DirectRowReader::read(const QSqlDatabase &db, const QString &sql, QList<DataObject> *rows, QString *errorText)
{
    sqlite3 *handle = sqliteHandle(db);
    if (!handle)
        return false;
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle, text.constData(), text.size(), &statement, nullptr) != SQLITE_OK) {
        *errorText = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(statement);
        return false;
    }
    const QVector<Column> columns = columnsOf(statement);
    const DataObject prototype = prototypeOf(columns);
    QVector<TextColumnCache> caches(columns.size());
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        rows->append(prototype);
        DataObject &record = rows->last();
        record.detach();
        fill(&record, statement, columns, caches);
    }
    const bool done = step == SQLITE_DONE;
    if (!done)
        *errorText = QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_finalize(statement);
    return done;
}
