#include "shell/Logger.h"

#include "logging/Log.h"

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
    // Messages may carry text the user typed or a server sent; a line feed
    // in it must not forge a log line of its own.
    QString line;
    line.reserve(message.size());
    for (const QChar c : message) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph)
            line += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            line += c;
    }
    return QStringLiteral("QML side: %1").arg(line);
}
