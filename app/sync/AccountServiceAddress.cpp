#include "sync/AccountServiceAddress.h"

#include "wirelace/ServiceAddress.h"

QUrl AccountServiceAddress::baseUrl()
{
    return ServiceAddress::fromEnvironment(Variable, builtInAddress(), pathEnding());
}

QUrl AccountServiceAddress::url(const QString& path)
{
    QUrl address = baseUrl();
    if (address.isValid())
        address.setPath(address.path() + path);
    return address;
}

QString AccountServiceAddress::builtInAddress()
{
    return QStringLiteral(QUORVEL_ACCOUNT_URL_DEFAULT);
}
