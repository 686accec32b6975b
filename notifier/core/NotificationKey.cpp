#include "core/NotificationKey.h"

#include <QStringList>

namespace {

bool isKnownKind(const QString &kind)
{
    return kind == QLatin1String("STARTDATE") || kind == QLatin1String("DUEDATE")
        || kind == QLatin1String("SNOOZE");
}

bool isMoment(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar character : text) {
        if (character < QLatin1Char('0') || character > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    text.toLongLong(&ok);
    return ok;
}

} // namespace

QString NotificationKey::problem(const QString &key)
{
    if (key.isEmpty())
        return QStringLiteral("the key is empty");
    if (key.size() > MaxLength)
        return QStringLiteral("the key is longer than %1 characters").arg(MaxLength);
    // The settings format reads both slashes as group separators; the file
    // keeps every reminder at its top level.
    if (key.contains(QLatin1Char('/')) || key.contains(QLatin1Char('\\')))
        return QStringLiteral("the key lies inside a group");
    const QStringList fields = key.split(QLatin1Char('_'));
    if (fields.size() != 3 || fields.at(0).isEmpty())
        return QStringLiteral("the key does not consist of task id, kind and moment");
    if (!isKnownKind(fields.at(1)))
        return QStringLiteral("the kind is unknown");
    if (!isMoment(fields.at(2)))
        return QStringLiteral("the moment is not a number of milliseconds");
    return QString();
}

QString NotificationKey::forLog(const QString &key)
{
    constexpr int Shown = 80;
    if (key.size() <= Shown)
        return key;
    return key.left(Shown) + QStringLiteral("... (%1 characters)").arg(key.size());
}
