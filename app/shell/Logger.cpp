#include "shell/Logger.h"

#include "logging/Log.h"
#include "logging/LogText.h"

Logger::Logger(QObject* parent)
    : QObject(parent)
{
}

void Logger::info(const QString& message)
{
    QLOG_INFO() << logLine(message);
}

void Logger::warning(const QString& message)
{
    QLOG_WARN() << logLine(message);
}

void Logger::error(const QString& message)
{
    QLOG_ERROR() << logLine(message);
}

QString Logger::logLine(const QString& message)
{
    // Messages may carry text the user typed or a server sent.
    return QStringLiteral("QML side: %1").arg(LogText::printable(message));
}
