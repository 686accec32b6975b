#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class QAuthenticator;
class QNetworkProxy;

// Answers a network manager's proxy authentication requests. Credentials
// stored for the proxy ("host:port") are handed out at most three times in a
// row: a proxy that keeps asking is refusing them, so the fourth request
// deletes them and asks the user instead, as does a request for a proxy
// without stored credentials.
//
// The asker shows the question ({"username", "password"} back, or an empty
// map when the user cancelled); tests give one that answers by itself.
class ProxyAuthenticator : public QObject
{
    Q_OBJECT

public:
    using CredentialsAsker = std::function<QVariantMap(const QString& key)>;

    static constexpr int MaxStoredHandOuts = 3;

    explicit ProxyAuthenticator(CredentialsAsker asker, QObject* parent = nullptr);

public slots:
    // For QNetworkAccessManager::proxyAuthenticationRequired.
    void handle(const QNetworkProxy& proxy, QAuthenticator* authenticator);

private:
    QVariantMap storedCredentials(const QString& key) const;
    QVariantMap credentialsFor(const QString& key);

    CredentialsAsker m_asker;
    // How often the stored credentials of each proxy were handed out.
    QHash<QString, int> m_handOuts;
};
