#pragma once

#include <QString>
#include <QStringList>

// Reads what the program logged, without the timestamp column, so tests can
// compare lines as "LEVEL message" or as the message alone.
class LogReader
{
public:
    // "INFO Connected to the database successfully." for each line written
    // after the first `from` bytes of the file.
    static QStringList levelsAndMessages(const QString &path, qint64 from = 0);
    // The messages alone.
    static QStringList messages(const QString &path, qint64 from = 0);
};
