#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;

// The least a query can cost: the same SQL text run through the sqlite3 C
// API on the same file, stepping every row and touching every column, with
// nothing built from the results.
class SqliteFloor
{
public:
    explicit SqliteFloor(const QString &filePath);
    ~SqliteFloor();
    SqliteFloor(const SqliteFloor &) = delete;
    SqliteFloor &operator=(const SqliteFloor &) = delete;

    // Runs every statement once; returns the milliseconds taken.
    double run(const QStringList &statements);

private:
    sqlite3 *m_db = nullptr;
};
