#include "data/DirectRowReader.h"

#include "data/WallClock.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVector>

#include <sqlite3.h>

#include <algorithm>

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
};

// The columns in key order, so that each record is built by appending.
QVector<Column> columnsOf(sqlite3_stmt *statement)
{
    static const QString Start = QStringLiteral("START");
    static const QString Due = QStringLiteral("DUE");
    QVector<Column> columns;
    const int count = sqlite3_column_count(statement);
    columns.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString key = QString::fromUtf8(sqlite3_column_name(statement, i)).toUpper();
        columns.append({ key, i, key == Start || key == Due });
    }
    std::stable_sort(columns.begin(), columns.end(), [](const Column &a, const Column &b) { return a.key < b.key; });
    return columns;
}

QVariant valueOf(sqlite3_stmt *statement, int index)
{
    switch (sqlite3_column_type(statement, index)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(statement, index)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, index));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, index)),
                                          sqlite3_column_bytes(statement, index)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, index)),
                                   sqlite3_column_bytes(statement, index)));
    default:
        return QVariant(QVariant::String);
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
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        DataObject record;
        for (const Column &column : columns) {
            const QVariant value = valueOf(statement, column.index);
            record.insert(record.cend(), column.key, column.isDate ? QVariant(WallClock::fromStored(value)) : value);
        }
        rows->append(record);
    }
    const bool done = step == SQLITE_DONE;
    if (!done)
        *errorText = QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_finalize(statement);
    return done;
}
