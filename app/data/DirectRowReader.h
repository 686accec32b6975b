#pragma once

#include "data/DataObject.h"

#include <QString>

class QSqlDatabase;

// Reads every row of one statement straight from the SQLite connection
// underneath a Qt connection into records. Long lists (all objects, a
// busy day) are dominated by Qt's per-value row cache and conversions;
// this skips them and builds each record once, with the same keys and value
// types as a QSqlQuery read (INTEGER as qlonglong, TEXT as QString, NULL as
// a null string) and START/DUE as wall-clock date-times.
class DirectRowReader
{
public:
    // False when the connection is not an open SQLite one, or when Qt's
    // driver may use another SQLite library than ours (the build decides):
    // the caller reads through QSqlQuery instead.
    static bool isAvailable(const QSqlDatabase &db);

    // False when the statement fails; errorText then holds SQLite's message.
    static bool read(const QSqlDatabase &db, const QString &sql, QList<DataObject> *rows, QString *errorText);
};
