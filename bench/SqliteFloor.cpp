#include "bench/SqliteFloor.h"

#include <QElapsedTimer>
#include <QFile>

#include <sqlite3.h>

#include <stdexcept>

SqliteFloor::SqliteFloor(const QString &filePath)
{
    if (sqlite3_open_v2(QFile::encodeName(filePath).constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("unable to open the database for the floor");
}

SqliteFloor::~SqliteFloor()
{
    sqlite3_close(m_db);
}

double SqliteFloor::run(const QStringList &statements)
{
    QElapsedTimer timer;
    timer.start();
    for (const QString &sql : statements) {
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(m_db, utf8.constData(), utf8.size(), &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("floor statement failed: ") + sqlite3_errmsg(m_db));
        const int columns = sqlite3_column_count(statement);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int column = 0; column < columns; ++column)
                sqlite3_column_text(statement, column);
        }
        sqlite3_finalize(statement);
    }
    return timer.nsecsElapsed() / 1e6;
}
