#include "syncd/RequestLog.h"

#include "logging/Log.h"

QString RequestLog::printable(const QString& text, int maxLength)
{
    QString out;
    for (const QChar c : text.left(maxLength)) {
        out += (c.unicode() < 0x20 || c.unicode() == 0x7F) ? QChar(QLatin1Char('?')) : c;
    }
    if (text.size() > maxLength)
        out += QLatin1String("...");
    return out;
}

void RequestLog::write(const QString& method, const QString& what, const QString& account, int status, double milliseconds)
{
    QLOG_INFO() << "Request " << printable(method, 8) << " " << printable(what) << " account="
                << (account.isEmpty() ? QStringLiteral("-") : printable(account)) << " status=" << status << " time="
                << QString::number(milliseconds, 'f', 1) << "ms";
}
