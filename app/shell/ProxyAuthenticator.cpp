#include "shell/ProxyAuthenticator.h"

#include "logging/Log.h"
#include "shell/Settings.h"

#include <QAuthenticator>
#include <QJsonObject>
#include <QNetworkProxy>

namespace {

const QString UserNameKey = QStringLiteral("username");
const QString PasswordKey = QStringLiteral("password");

bool isComplete(const QVariantMap& credentials)
{
    return !credentials.value(UserNameKey).toString().isEmpty()
        && !credentials.value(PasswordKey).toString().isEmpty();
}

} // namespace

ProxyAuthenticator::ProxyAuthenticator(CredentialsAsker asker, QObject* parent)
    : QObject(parent)
    , m_asker(std::move(asker))
{
}

void ProxyAuthenticator::handle(const QNetworkProxy& proxy, QAuthenticator* authenticator)
{
    if (!authenticator)
        return;
    const QVariantMap credentials = credentialsFor(Settings::proxyKey(proxy.hostName(), proxy.port()));
    if (!isComplete(credentials))
        return;
    QLOG_INFO() << "User has entered username and password";
    authenticator->setUser(credentials.value(UserNameKey).toString());
    authenticator->setPassword(credentials.value(PasswordKey).toString());
}

QVariantMap ProxyAuthenticator::storedCredentials(const QString& key) const
{
    const QVariantMap stored = Settings::instance()->proxyCredentials(key).toVariantMap();
    // Half-empty credentials could never satisfy the proxy; handing them out
    // would only delay the question by three failed requests.
    return isComplete(stored) ? stored : QVariantMap();
}

QVariantMap ProxyAuthenticator::credentialsFor(const QString& key)
{
    const QVariantMap stored = storedCredentials(key);
    if (!stored.isEmpty()) {
        const int handOuts = m_handOuts.value(key, 0);
        if (handOuts < MaxStoredHandOuts) {
            m_handOuts.insert(key, handOuts + 1);
            return stored;
        }
        m_handOuts.insert(key, 0);
        Settings::instance()->removeProxyCredentials(key);
    }
    return m_asker ? m_asker(key) : QVariantMap();
}
