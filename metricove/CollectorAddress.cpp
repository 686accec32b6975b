#include "metricove/CollectorAddress.h"

#include "logging/Log.h"
#include "wirelace/ServiceAddress.h"

QUrl CollectorAddress::resolve()
{
    const bool configured = qEnvironmentVariableIsSet(Variable);
    const QString address = configured ? qEnvironmentVariable(Variable) : builtIn();
    // No address is the normal state of a build without analytics: not an error.
    if (address.trimmed().isEmpty())
        return {};
    // Any path will do; a trailing slash is dropped.
    const QUrl url = ServiceAddress::normalised(address, QString());
    if (!url.isValid()) {
        // The value is not printed: a rejected address may carry a password.
        QLOG_WARN() << "Ignored the analytics collector address "
                    << (configured ? "of " + QString::fromLatin1(Variable) : QStringLiteral("built in"))
                    << ": it is not an HTTPS address (or HTTP to this machine). No analytics are sent.";
    }
    return url;
}

QString CollectorAddress::builtIn()
{
    return QStringLiteral(QUORVEL_ANALYTICS_URL_DEFAULT);
}
