#include "syncd/SyncProtocol.h"

#include "syncd/FormRequest.h"
#include "syncd/XmlReply.h"

#include <QDateTime>
#include <QSet>
#include <QStringList>

namespace {

const int MalformedStatus = 400;

// Fields of every request that are not part of the object being written.
const QSet<QString>& requestFields()
{
    static const QSet<QString> fields = { QStringLiteral("PLATFORM"), QStringLiteral("VERSION"),
        QStringLiteral("LOGIN"), QStringLiteral("PASS"), QStringLiteral("REVISION") };
    return fields;
}

bool readRevision(const FormRequest& form, qint64* revision)
{
    const QString text = form.value(QStringLiteral("REVISION"));
    if (text.isEmpty()) {
        *revision = 0;
        return true;
    }
    bool ok = false;
    *revision = text.toLongLong(&ok);
    return ok && *revision >= 0;
}

} // namespace

SyncProtocol::SyncProtocol(AccountStore* accounts, ObjectStore* objects, const QString& minimumVersion)
    : m_accounts(accounts)
    , m_objects(objects)
    , m_minimumVersion(minimumVersion)
{
}

qint64 SyncProtocol::now()
{
    return QDateTime::currentSecsSinceEpoch();
}

bool SyncProtocol::versionBelow(const QString& version, const QString& minimum)
{
    const QStringList have = version.trimmed().split(QLatin1Char('.'));
    const QStringList want = minimum.trimmed().split(QLatin1Char('.'));
    for (int i = 0; i < qMax(have.size(), want.size()); ++i) {
        const qint64 a = have.value(i).toLongLong();
        const qint64 b = want.value(i).toLongLong();
        if (a != b)
            return a < b;
    }
    return false;
}

SyncProtocol::Reply SyncProtocol::error(int status, const QString& message)
{
    Reply reply;
    reply.status = status;
    reply.body = XmlReply::error(status, message);
    return reply;
}

SyncProtocol::Reply SyncProtocol::accountError(AccountStore::Status status)
{
    switch (status) {
    case AccountStore::Status::NoSuchAccount:
        return error(200, QStringLiteral("No account with this login."));
    case AccountStore::Status::WrongPassword:
        return error(201, QStringLiteral("Wrong password."));
    case AccountStore::Status::Exists:
        return error(202, QStringLiteral("An account with this login already exists."));
    case AccountStore::Status::Invalid:
        return error(MalformedStatus, QStringLiteral("The login or the password is not acceptable."));
    case AccountStore::Status::Ok:
    case AccountStore::Status::Failed:
        break;
    }
    return error(500, QStringLiteral("Internal Server Error"));
}

SyncProtocol::Reply SyncProtocol::handle(const QString& method, const QByteArray& body)
{
    FormRequest form;
    if (!form.parse(body))
        return error(MalformedStatus, QStringLiteral("Malformed request: ") + form.error());
    const QString version = form.value(QStringLiteral("VERSION"));
    if (versionBelow(version, m_minimumVersion)) {
        Reply reply = error(110, QStringLiteral("This version of the app is too old for sync; please update it."));
        reply.account = AccountStore::normalisedLogin(form.value(QStringLiteral("LOGIN")));
        return reply;
    }
    Reply reply = dispatch(method, form);
    if (reply.account.isEmpty())
        reply.account = AccountStore::normalisedLogin(form.value(QStringLiteral("LOGIN")));
    return reply;
}

SyncProtocol::Reply SyncProtocol::dispatch(const QString& method, const FormRequest& form)
{
    const QString login = form.value(QStringLiteral("LOGIN"));
    const QString password = form.value(QStringLiteral("PASS"));
    if (method == QLatin1String("register_user")) {
        const AccountStore::Status status = m_accounts->registerAccount(login, password);
        return status == AccountStore::Status::Ok ? Reply { 200, 0, QString(), XmlReply::success(now(), QByteArray()) }
                                                  : accountError(status);
    }
    if (method == QLatin1String("reset_password")) {
        const AccountStore::Status status = m_accounts->requestReset(login);
        return status == AccountStore::Status::Ok ? Reply { 200, 0, QString(), XmlReply::success(now(), QByteArray()) }
                                                  : accountError(status);
    }
    if (method == QLatin1String("change_password"))
        return changePassword(form);

    static const QSet<QString> known = { QStringLiteral("check_login"), QStringLiteral("get_changes_ex"),
        QStringLiteral("get_task"), QStringLiteral("get_project"), QStringLiteral("get_context"),
        QStringLiteral("create_task"), QStringLiteral("update_task"), QStringLiteral("create_project"),
        QStringLiteral("update_project"), QStringLiteral("create_context"), QStringLiteral("update_context") };
    if (!known.contains(method)) {
        Reply reply = error(404, QStringLiteral("Unknown method."));
        reply.httpStatus = 404;
        return reply;
    }

    AccountStore::Account account;
    const Reply refused = authenticated(form, &account);
    if (refused.status != 0)
        return refused;
    if (method == QLatin1String("check_login"))
        return { 200, 0, account.login, XmlReply::success(now(), QByteArray()) };
    if (method == QLatin1String("get_changes_ex"))
        return changes(account, form);

    const ObjectStore::Kind kind = method.endsWith(QLatin1String("_task")) ? ObjectStore::Kind::Task
        : method.endsWith(QLatin1String("_project"))                       ? ObjectStore::Kind::Project
                                                                           : ObjectStore::Kind::Context;
    if (method.startsWith(QLatin1String("get_")))
        return object(account, kind, form);
    return write(account, kind, method.startsWith(QLatin1String("create_")), form);
}

SyncProtocol::Reply SyncProtocol::authenticated(const FormRequest& form, AccountStore::Account* account)
{
    *account = m_accounts->authenticate(form.value(QStringLiteral("LOGIN")), form.value(QStringLiteral("PASS")));
    if (account->status != AccountStore::Status::Ok)
        return accountError(account->status);
    return Reply {};
}

SyncProtocol::Reply SyncProtocol::changePassword(const FormRequest& form)
{
    // LOGIN comes twice: the account named by the user, then the signed-in one.
    AccountStore::Account account;
    const Reply refused = authenticated(form, &account);
    if (refused.status != 0)
        return refused;
    if (AccountStore::normalisedLogin(form.first(QStringLiteral("LOGIN"))) != account.login)
        return error(201, QStringLiteral("Wrong password."));
    const AccountStore::Status status = m_accounts->changePassword(
        account, form.value(QStringLiteral("OLD_PASS")), form.value(QStringLiteral("NEW_PASS")));
    if (status != AccountStore::Status::Ok)
        return accountError(status);
    return { 200, 0, account.login, XmlReply::success(now(), QByteArray()) };
}

SyncProtocol::Reply SyncProtocol::changes(const AccountStore::Account& account, const FormRequest& form)
{
    qint64 after = 0;
    if (!readRevision(form, &after))
        return error(MalformedStatus, QStringLiteral("Malformed request: REVISION is not a revision."));
    qint64 current = 0;
    QList<ObjectStore::Object> objects;
    if (!m_objects->changesSince(account.id, after, &current, &objects))
        return error(500, QStringLiteral("Internal Server Error"));
    QByteArray list;
    for (const ObjectStore::Object& object : qAsConst(objects))
        list += objectXml(object);
    return { 200, 0, account.login,
        XmlReply::success(now(), XmlReply::element(QStringLiteral("revision"), QString::number(current)), list) };
}

SyncProtocol::Reply SyncProtocol::object(
    const AccountStore::Account& account, ObjectStore::Kind kind, const FormRequest& form)
{
    const QString id = form.value(QStringLiteral("ID"));
    ObjectStore::Object found;
    bool exists = false;
    if (!m_objects->find(account.id, kind, id, &found, &exists))
        return error(500, QStringLiteral("Internal Server Error"));
    if (!exists)
        return error(100, QStringLiteral("Object(%1) doesn't exist.").arg(id));
    return { 200, 0, account.login, XmlReply::success(now(), objectXml(found)) };
}

SyncProtocol::Reply SyncProtocol::write(
    const AccountStore::Account& account, ObjectStore::Kind kind, bool create, const FormRequest& form)
{
    qint64 base = 0;
    if (!readRevision(form, &base))
        return error(MalformedStatus, QStringLiteral("Malformed request: REVISION is not a revision."));
    QMap<QString, QString> given;
    for (const auto& pair : form.pairs()) {
        const QString name = pair.first.toUpper();
        if (requestFields().contains(name))
            continue;
        given.insert(name, pair.second == QLatin1String("NULL") ? QString() : pair.second);
    }
    const ObjectStore::Result result = m_objects->write(account.id, kind, create, given, base);
    if (result.status != 0)
        return error(result.status, result.message);
    return { 200, 0, account.login,
        XmlReply::success(now(), XmlReply::element(QStringLiteral("revision"), QString::number(result.revision))) };
}

QByteArray SyncProtocol::objectXml(const ObjectStore::Object& object)
{
    const QString tag = ObjectStore::kindName(object.kind);
    QByteArray xml = '<' + tag.toLatin1() + '>' + XmlReply::element(QStringLiteral("id"), object.id);
    for (const QString& field : ObjectStore::fieldsOf(object.kind))
        xml += XmlReply::element(field.toLower(), object.fields.value(field));
    xml += XmlReply::element(QStringLiteral("timestamp"), QString::number(object.timestamp));
    xml += XmlReply::element(QStringLiteral("state"), QString::number(object.state));
    xml += XmlReply::element(QStringLiteral("predefined"), QString::number(object.predefined));
    xml += XmlReply::element(QStringLiteral("inbox"), QString::number(object.inbox));
    return xml + "</" + tag.toLatin1() + '>';
}
