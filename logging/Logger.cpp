#include "logging/Logger.h"

#include <QDateTime>
#include <QFileInfo>
#include <QDir>

#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <cstdlib>

namespace Logging {

class FileDestination
{
public:
    FileDestination(const QString &path, qint64 maxSizeBytes, int maxOldLogCount)
        : m_path(path)
    {
        start(std::make_shared<spdlog::sinks::rotating_file_sink_mt>(QFile::encodeName(path).toStdString(),
            static_cast<std::size_t>(maxSizeBytes), static_cast<std::size_t>(maxOldLogCount)));
    }

    // Standard error, for when no log file can be written.
    FileDestination() { start(std::make_shared<spdlog::sinks::stderr_sink_mt>()); }

    void write(const QByteArray &line) { m_logger->info(std::string_view(line.constData(), line.size())); }
    void flush() { m_logger->flush(); }
    QString path() const { return m_path; }

private:
    void start(spdlog::sink_ptr sink)
    {
        m_logger = std::make_shared<spdlog::logger>("quorvel", sink);
        // The line is composed by Logger::write; spdlog only stores it.
        m_logger->set_pattern("%v");
        m_logger->set_level(spdlog::level::trace);
        // Every line reaches the disk at once: a crash must not swallow the
        // lines that explain it.
        m_logger->flush_on(spdlog::level::trace);
    }

    QString m_path;
    std::shared_ptr<spdlog::logger> m_logger;
};

Logger &Logger::instance()
{
    static Logger logger;
    return logger;
}

Logger::Logger() = default;
Logger::~Logger() = default;

void Logger::setLoggingLevel(Level level)
{
    m_level.store(level);
}

Level Logger::loggingLevel() const
{
    return static_cast<Level>(m_level.load());
}

bool Logger::admits(Level level) const
{
    return level != OffLevel && level >= m_level.load();
}

bool Logger::setFileDestination(const QString &filePath, qint64 maxSizeBytes, int maxOldLogCount)
{
    std::shared_ptr<FileDestination> destination;
    try {
        QDir().mkpath(QFileInfo(filePath).absolutePath());
        destination = std::make_shared<FileDestination>(filePath, maxSizeBytes, maxOldLogCount);
    } catch (const std::exception &error) {
        // A read-only or full data folder must not silence the program:
        // what it has to say goes to standard error instead.
        // A log file already in use stays in use.
        std::lock_guard<std::mutex> lock(m_destinationMutex);
        const bool toStandardError = !m_destination || m_destination->path().isEmpty();
        std::fprintf(stderr, "Unable to open log file %s: %s%s\n", qPrintable(filePath), error.what(),
                     toStandardError ? "; logging to standard error." : "");
        if (toStandardError)
            m_destination = std::make_shared<FileDestination>();
        return false;
    }
    std::lock_guard<std::mutex> lock(m_destinationMutex);
    m_destination = destination;
    return true;
}

void Logger::removeDestinations()
{
    std::lock_guard<std::mutex> lock(m_destinationMutex);
    m_destination.reset();
}

QString Logger::filePath() const
{
    auto current = destination();
    return current ? current->path() : QString();
}

std::shared_ptr<FileDestination> Logger::destination() const
{
    std::lock_guard<std::mutex> lock(m_destinationMutex);
    return m_destination;
}

const char *Logger::levelName(Level level)
{
    switch (level) {
    case TraceLevel: return "TRACE";
    case DebugLevel: return "DEBUG";
    case InfoLevel: return "INFO ";
    case WarnLevel: return "WARN ";
    case ErrorLevel: return "ERROR";
    case FatalLevel: return "FATAL";
    case OffLevel: break;
    }
    return "";
}

void Logger::write(Level level, const QString &message)
{
    if (!admits(level))
        return;
    auto current = destination();
    if (!current)
        return;
    const QByteArray line = QByteArray(levelName(level)) + ' '
        + QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' + message.toUtf8();
    try {
        current->write(line);
    } catch (const std::exception &error) {
        // A full disk must not take the program down with it, nor lose
        // the line that may say why.
        std::fprintf(stderr, "Unable to write log line (%s): %s\n", error.what(), line.constData());
    }
}

void Logger::flush()
{
    if (auto current = destination())
        current->flush();
}

static Level levelForQtMessage(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return DebugLevel;
    case QtInfoMsg: return InfoLevel;
    case QtWarningMsg: return WarnLevel;
    case QtCriticalMsg: return ErrorLevel;
    case QtFatalMsg: return FatalLevel;
    }
    return DebugLevel;
}

static void handleQtMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    Logger &logger = Logger::instance();
    logger.write(levelForQtMessage(type), message);
    if (type == QtFatalMsg) {
        logger.flush();
        std::abort();
    }
}

void Logger::routeQtMessages()
{
    qInstallMessageHandler(handleQtMessage);
}

bool Logger::qtMessagesWantedByEnvironment()
{
    return qgetenv("WRITE_QT_MESSAGES_TO_LOG") != "0";
}

} // namespace Logging
