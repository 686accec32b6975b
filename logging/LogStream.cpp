#include "logging/LogStream.h"

namespace Logging {

LogStream::~LogStream()
{
    Logger::instance().write(m_level, m_text);
}

LogStream &LogStream::operator<<(const QString &text)
{
    m_text += text;
    return *this;
}

LogStream &LogStream::operator<<(const char *text)
{
    m_text += QString::fromUtf8(text);
    return *this;
}

LogStream &LogStream::operator<<(const std::string &text)
{
    m_text += QString::fromStdString(text);
    return *this;
}

LogStream &LogStream::operator<<(const QByteArray &text)
{
    m_text += QString::fromUtf8(text);
    return *this;
}

LogStream &LogStream::operator<<(QChar character)
{
    m_text += character;
    return *this;
}

LogStream &LogStream::operator<<(char character)
{
    m_text += QChar::fromLatin1(character);
    return *this;
}

LogStream &LogStream::operator<<(bool value)
{
    m_text += value ? QStringLiteral("true") : QStringLiteral("false");
    return *this;
}

LogStream &LogStream::operator<<(const QDateTime &dateTime)
{
    m_text += dateTime.toString(Qt::ISODateWithMs);
    return *this;
}

LogStream &LogStream::operator<<(const QDate &date)
{
    m_text += date.toString(Qt::ISODate);
    return *this;
}

LogStream &LogStream::operator<<(const QTime &time)
{
    m_text += time.toString(Qt::ISODateWithMs);
    return *this;
}

LogStream &LogStream::operator<<(const QUrl &url)
{
    m_text += url.toString();
    return *this;
}

LogStream &LogStream::operator<<(const QStringList &list)
{
    m_text += list.join(QStringLiteral(", "));
    return *this;
}

LogStream &LogStream::operator<<(const QVariant &value)
{
    if (value.type() == QVariant::DateTime)
        return *this << value.toDateTime();
    m_text += value.toString();
    return *this;
}

} // namespace Logging
