#pragma once

#include <QString>
#include "logging/LoggingExport.h"

#include <QtGlobal>

#include <atomic>
#include <memory>
#include <mutex>

namespace Logging {

// The levels and numbering of QsLog, which the log files have always used.
enum Level {
    TraceLevel = 0,
    DebugLevel = 1,
    InfoLevel = 2,
    WarnLevel = 3,
    ErrorLevel = 4,
    FatalLevel = 5,
    OffLevel = 6
};

class FileDestination;

// Process-wide logger. Writing is thread-safe: the interface thread and the
// data worker log at the same time into one file.
class QVLOG_EXPORT Logger
{
public:
    static constexpr qint64 DefaultMaxSizeBytes = 20971520;

    static Logger &instance();

    void setLoggingLevel(Level level);
    Level loggingLevel() const;
    bool admits(Level level) const;

    // Replaces the file destination. When the file grows past maxSizeBytes it
    // is rotated; with maxOldLogCount 0 the old content is dropped and the
    // file starts again from empty. Returns false when the file cannot be
    // opened; the lines then go to standard error.
    bool setFileDestination(const QString &filePath, qint64 maxSizeBytes = DefaultMaxSizeBytes,
                            int maxOldLogCount = 0);
    void removeDestinations();
    QString filePath() const;

    void write(Level level, const QString &message);
    void flush();

    // Routes qDebug/qInfo/qWarning/qCritical/qFatal into the log. A fatal
    // message is written and flushed, then the process aborts.
    static void routeQtMessages();
    static bool qtMessagesWantedByEnvironment();

    static const char *levelName(Level level);

private:
    Logger();
    ~Logger();
    Logger(const Logger &) = delete;
    Logger &operator=(const Logger &) = delete;

    std::shared_ptr<FileDestination> destination() const;

    std::atomic<int> m_level { DebugLevel };
    mutable std::mutex m_destinationMutex;
    std::shared_ptr<FileDestination> m_destination;
};

} // namespace Logging
