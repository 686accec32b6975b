#pragma once

#include "logging/Logger.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTime>
#include <QUrl>
#include <QVariant>

#include <string>
#include <type_traits>

namespace Logging {

// Collects one log line from stream-style pieces and writes it when it goes
// out of scope. Pieces are concatenated as they are, without added spaces or
// quotes, so that the lines read as plain sentences.
class QVLOG_EXPORT LogStream
{
public:
    explicit LogStream(Level level) : m_level(level) {}
    ~LogStream();
    LogStream(const LogStream &) = delete;
    LogStream &operator=(const LogStream &) = delete;

    LogStream &operator<<(const QString &text);
    LogStream &operator<<(const char *text);
    LogStream &operator<<(const std::string &text);
    LogStream &operator<<(const QByteArray &text);
    LogStream &operator<<(QChar character);
    LogStream &operator<<(char character);
    LogStream &operator<<(bool value);
    LogStream &operator<<(const QDateTime &dateTime);
    LogStream &operator<<(const QDate &date);
    LogStream &operator<<(const QTime &time);
    LogStream &operator<<(const QUrl &url);
    LogStream &operator<<(const QStringList &list);
    LogStream &operator<<(const QVariant &value);

    template<typename Number, typename = std::enable_if_t<std::is_arithmetic_v<Number>>>
    LogStream &operator<<(Number value)
    {
        m_text += QString::number(value);
        return *this;
    }

private:
    Level m_level;
    QString m_text;
};

} // namespace Logging
