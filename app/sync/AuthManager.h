#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QNetworkReply;

// Obtains and forgets the account service's authentication token, which the
// side channels send with their requests. The token itself lives in the
// settings (authToken), so it survives restarts.
//
// requestToken() asks only when the client login and password digest are
// known, no token is held and no request is pending. A reply that is not a
// JSON object, or a token that is not printable ASCII, is reported through
// serverError() and leaves the token as it was; a reply without "key" stores
// an empty token.
//
// One manager per process (instance()); it belongs to the thread that first
// uses it.
class AuthManager : public QObject
{
    Q_OBJECT

public:
    static AuthManager* instance();

    // The program uses instance(); tests make managers of their own.
    explicit AuthManager(QObject* parent = nullptr);
    ~AuthManager() override;

    bool hasToken() const;
    QString token() const;
    bool isRequestActive() const;

    // "Quorvel/<version> (Velmora; <operating system>) Wirelace/1.0"
    static QByteArray userAgent();

public slots:
    void requestToken();
    void logout();

signals:
    void authTokenReceived();
    void serverError(const QString& errorText);

private:
    QByteArray requestBody() const;
    void handleReply(QNetworkReply* reply);
    bool storeToken(const QByteArray& body);

    struct Private;
    std::unique_ptr<Private> d;
};
