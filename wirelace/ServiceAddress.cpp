#include "wirelace/ServiceAddress.h"

#include "logging/Log.h"

#include <QHostAddress>

QUrl ServiceAddress::fromEnvironment(const char* variable, const QString& fallback, const QString& pathEnding)
{
    const QString configured = qEnvironmentVariable(variable);
    if (!configured.isEmpty()) {
        const QUrl url = normalised(configured, pathEnding);
        if (url.isValid())
            return url;
        // The value is not printed: a rejected address may carry a password.
        QLOG_WARN() << "Ignored " << variable << ": it is not an HTTPS address (or HTTP to this machine)"
                    << " whose path ends in " << pathEnding;
    }
    const QUrl url = normalised(fallback, pathEnding);
    if (!url.isValid())
        QLOG_ERROR() << "The built-in service address " << fallback << " is not usable";
    return url;
}

QUrl ServiceAddress::normalised(const QString& address, const QString& pathEnding)
{
    QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return {};
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("https") && !(scheme == QLatin1String("http") && isLoopbackHost(url.host())))
        return {};
    if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return {};

    QString path = url.path();
    if (pathEnding.endsWith(QLatin1Char('/'))) {
        if (!path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
    } else {
        while (path.endsWith(QLatin1Char('/')))
            path.chop(1);
    }
    if (!path.endsWith(pathEnding))
        return {};
    url.setScheme(scheme);
    url.setPath(path);
    return url;
}

bool ServiceAddress::isLoopbackHost(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}
