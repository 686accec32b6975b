#include "syncd/AccountService.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

AccountService::AccountService(AccountStore* accounts, SideChannelStore* channels)
    : m_accounts(accounts)
    , m_channels(channels)
{
}

AccountService::Reply AccountService::problem(int httpStatus, const QString& detail)
{
    return { httpStatus, QString(),
        QJsonDocument(QJsonObject { { QStringLiteral("detail"), detail } }).toJson(QJsonDocument::Compact) };
}

AccountService::Reply AccountService::handle(
    const QString& method, const QString& path, const QByteArray& authorization, const QByteArray& body)
{
    QString normalised = path;
    if (!normalised.endsWith(QLatin1Char('/')))
        normalised += QLatin1Char('/');
    if (normalised == QLatin1String("/auth/v1/login/")) {
        if (method != QLatin1String("POST"))
            return problem(405, QStringLiteral("Method not allowed."));
        return login(body);
    }
    static const QRegularExpression channelPath(QStringLiteral("^/([a-z]+)/v1/((?:list/)?delete/)?$"));
    const QRegularExpressionMatch match = channelPath.match(normalised);
    if (!match.hasMatch() || !SideChannelStore::knownChannel(match.captured(1)))
        return problem(404, QStringLiteral("Not found."));
    return channel(method, match.captured(1), match.captured(2), authorization, body);
}

AccountService::Reply AccountService::login(const QByteArray& body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return problem(400, QStringLiteral("The body is not a JSON object."));
    const QJsonObject request = document.object();
    const QString login = request.value(QStringLiteral("login")).toString();
    const AccountStore::Account account
        = m_accounts->authenticate(login, request.value(QStringLiteral("password")).toString());
    if (account.status == AccountStore::Status::Failed)
        return problem(500, QStringLiteral("Internal server error."));
    if (account.status != AccountStore::Status::Ok) {
        Reply reply = problem(400, QStringLiteral("Unable to log in with provided credentials."));
        reply.account = AccountStore::normalisedLogin(login);
        return reply;
    }
    const QString token = m_accounts->issueToken(account.id);
    if (token.isEmpty())
        return problem(500, QStringLiteral("Internal server error."));
    return { 200, account.login,
        QJsonDocument(QJsonObject { { QStringLiteral("key"), token } }).toJson(QJsonDocument::Compact) };
}

AccountService::Reply AccountService::channel(const QString& method, const QString& name, const QString& action,
    const QByteArray& authorization, const QByteArray& body)
{
    const QByteArray scheme = "Token ";
    if (!authorization.startsWith(scheme))
        return problem(401, QStringLiteral("Authentication credentials were not provided."));
    const AccountStore::Account account
        = m_accounts->accountForToken(QString::fromLatin1(authorization.mid(scheme.size()).trimmed()));
    if (account.status == AccountStore::Status::Failed)
        return problem(500, QStringLiteral("Internal server error."));
    if (account.status != AccountStore::Status::Ok)
        return problem(401, QStringLiteral("Invalid token."));

    QJsonArray items;
    bool stored = false;
    if (method == QLatin1String("GET") && action.isEmpty()) {
        stored = m_channels->list(account.id, name, &items);
    } else if (method == QLatin1String("POST")) {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
        if (parseError.error != QJsonParseError::NoError || !document.isArray()) {
            Reply reply = problem(400, QStringLiteral("The body is not a JSON array."));
            reply.account = account.login;
            return reply;
        }
        const QJsonArray sent = document.array();
        if (sent.size() > SideChannelStore::MaxItemsPerRequest) {
            Reply reply = problem(413, QStringLiteral("Too many items."));
            reply.account = account.login;
            return reply;
        }
        int skipped = 0;
        stored = action.isEmpty() ? m_channels->merge(account.id, name, sent, &items, &skipped)
                                  : m_channels->remove(account.id, name, sent, &items, &skipped);
    } else {
        return problem(405, QStringLiteral("Method not allowed."));
    }
    if (!stored)
        return problem(500, QStringLiteral("Internal server error."));
    return { 200, account.login, QJsonDocument(items).toJson(QJsonDocument::Compact) };
}
