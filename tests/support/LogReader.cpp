#include "support/LogReader.h"

#include "logging/Logger.h"

#include <QFile>
#include <QRegularExpression>

namespace {

// "LEVEL <timestamp> message"; short level names are padded to five.
QList<QRegularExpressionMatch> parsedLines(const QString &path, qint64 from)
{
    Logging::Logger::instance().flush();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from))
        return {};
    static const QRegularExpression columns(QStringLiteral("^(\\S+) +\\S+ (.*)$"));
    QList<QRegularExpressionMatch> lines;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        lines << columns.match(line);
    return lines;
}

} // namespace

QStringList LogReader::levelsAndMessages(const QString &path, qint64 from)
{
    QStringList lines;
    for (const QRegularExpressionMatch &match : parsedLines(path, from))
        lines << match.captured(1) + QLatin1Char(' ') + match.captured(2);
    return lines;
}

QStringList LogReader::messages(const QString &path, qint64 from)
{
    QStringList lines;
    for (const QRegularExpressionMatch &match : parsedLines(path, from))
        lines << match.captured(2);
    return lines;
}
