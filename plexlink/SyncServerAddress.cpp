#include "plexlink/SyncServerAddress.h"

#include "wirelace/ServiceAddress.h"

QUrl SyncServerAddress::baseUrl()
{
    return ServiceAddress::fromEnvironment(Variable, builtInAddress(), pathEnding());
}

QString SyncServerAddress::builtInAddress()
{
    return QStringLiteral(QUORVEL_SYNC_URL_DEFAULT);
}
