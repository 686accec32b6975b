#include "sync/AuthManager.h"

#include "logging/Log.h"
#include "shell/AppInfo.h"
#include "shell/Settings.h"
#include "sync/AccountServiceAddress.h"
#include "wirelace/Wirelace.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QPointer>
#include <QSysInfo>

namespace {

// The service's tokens are plain ASCII; anything else, a line break above
// all, must never reach the "Authorization" header of later requests.
bool isPrintableAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

} // namespace

struct AuthManager::Private
{
    std::unique_ptr<Wirelace> sender;
    AuthManager* owner = nullptr;
    bool requestActive = false;
    QPointer<QNetworkReply> reply;
};

AuthManager* AuthManager::instance()
{
    static AuthManager* const manager = new AuthManager;
    return manager;
}

AuthManager::AuthManager(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->sender = std::make_unique<Wirelace>();
    d->owner = this;
}

AuthManager::~AuthManager()
{
    // A pending reply would otherwise never be disposed of.
    if (d->reply) {
        d->reply->disconnect(this);
        d->reply->abort();
        d->reply->deleteLater();
    }
}

bool AuthManager::hasToken() const
{
    return !token().isEmpty();
}

QString AuthManager::token() const
{
    return Settings::instance()->authToken();
}

bool AuthManager::isRequestActive() const
{
    return d->requestActive;
}

QByteArray AuthManager::userAgent()
{
    return QStringLiteral("Quorvel/%1 (Velmora; %2) Wirelace/1.0")
        .arg(AppInfo::version(), QSysInfo::prettyProductName())
        .toUtf8();
}

void AuthManager::requestToken()
{
    Settings* settings = Settings::instance();
    if (settings->clientLogin().isEmpty() || settings->clientPassword().isEmpty() || d->requestActive
        || hasToken())
        return;
    d->requestActive = true;
    QLOG_INFO() << "Requesting an auth token";
    QNetworkReply* reply
        = d->sender->sendPostRequest(AccountServiceAddress::url(QStringLiteral("/auth/v1/login/")),
            requestBody(), { { "Content-Type", "application/json" }, { "User-Agent", userAgent() } });
    d->reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { handleReply(reply); });
}

void AuthManager::logout()
{
    Settings::instance()->setAuthToken(QString());
}

QByteArray AuthManager::requestBody() const
{
    Settings* settings = Settings::instance();
    const bool russian = settings->applicationLanguage() == QLatin1String("ru");
    const QJsonObject body {
        { QStringLiteral("login"), settings->clientLogin() },
        { QStringLiteral("password"), settings->clientPassword() },
        { QStringLiteral("language"), russian ? QStringLiteral("ru") : QStringLiteral("en") },
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

void AuthManager::handleReply(QNetworkReply* reply)
{
    d->requestActive = false;
    d->reply = nullptr;
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        QLOG_WARN() << "The auth token request failed: " << reply->errorString();
        emit serverError(reply->errorString());
        return;
    }
    if (storeToken(reply->readAll()))
        emit authTokenReceived();
}

bool AuthManager::storeToken(const QByteArray& body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (!document.isObject()) {
        QLOG_ERROR() << "The auth token reply is not a JSON object ("
                     << (parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                      : QStringLiteral("another JSON value"))
                     << "); the token is left as it was";
        emit serverError(tr("The account service sent a reply that could not be read."));
        return false;
    }
    const QJsonValue key = document.object().value(QStringLiteral("key"));
    const QString token = key.isDouble() ? QString::number(key.toDouble(), 'g', 17) : key.toString();
    if (!isPrintableAscii(token)) {
        QLOG_ERROR() << "The auth token reply holds a token with characters other than printable ASCII;"
                     << " the token is left as it was";
        emit serverError(tr("The account service sent a reply that could not be read."));
        return false;
    }
    if (token.isEmpty())
        QLOG_WARN() << "The auth token reply holds no token";
    Settings::instance()->setAuthToken(token);
    QLOG_INFO() << "Auth token received";
    return true;
}
