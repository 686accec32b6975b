#include "data/ObjectIdentifier.h"

#include <QRegularExpression>
#include <QUuid>

QString ObjectIdentifier::create()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

bool ObjectIdentifier::looksGenerated(const QString &id)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    return pattern.match(id).hasMatch();
}
