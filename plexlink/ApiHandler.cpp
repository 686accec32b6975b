#include "plexlink/ApiHandler.h"

#include "logging/Log.h"
#include "plexlink/BoolApiOperation.h"
#include "plexlink/IntegerApiOperation.h"
#include "plexlink/ObjectApiOperation.h"
#include "plexlink/ObjectListApiOperation.h"
#include "plexlink/SyncServerAddress.h"
#include "wirelace/Wirelace.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUuid>

#include <limits>

namespace {

const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString IdKey = QStringLiteral("ID");
const QString NameKey = QStringLiteral("NAME");
const QString ParentKey = QStringLiteral("PARENT");
const QString TimestampKey = QStringLiteral("TIMESTAMP");

} // namespace

struct ApiHandler::Private
{
    QString clientLogin;
    QString clientPassword;
    std::unique_ptr<Wirelace> sender;
    Parameters constantParameters;
    ApiHandler* owner = nullptr;
    QUrl baseUrl;
};

ApiHandler::ApiHandler(const Parameters& constantParameters, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->sender = std::make_unique<Wirelace>();
    d->constantParameters = constantParameters;
    d->owner = this;
    d->baseUrl = SyncServerAddress::baseUrl();
}

ApiHandler::~ApiHandler() = default;

void ApiHandler::setClientLogin(const QString& login)
{
    d->clientLogin = login;
}

void ApiHandler::setClientPassword(const QString& password)
{
    d->clientPassword = password;
}

QUrl ApiHandler::baseUrl() const
{
    return d->baseUrl;
}

QString ApiHandler::md5Hex(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

// --- Request methods ---

BoolApiOperation* ApiHandler::checkLogin(const QString& login, const QString& password, QObject* parent)
{
    const QString method = QStringLiteral("check_login");
    if (login.isEmpty() || password.isEmpty())
        return refuse(method, QStringLiteral("the login or the password is empty"));
    return send<BoolApiOperation>(method, { plain("LOGIN", login), plain("PASS", password) }, false, parent);
}

BoolApiOperation* ApiHandler::registerUser(const QString& login, const QString& password, QObject* parent)
{
    const QString method = QStringLiteral("register_user");
    if (login.isEmpty() || password.isEmpty())
        return refuse(method, QStringLiteral("the login or the password is empty"));
    return send<BoolApiOperation>(method, { plain("LOGIN", login), plain("PASS", password) }, false, parent);
}

BoolApiOperation* ApiHandler::resetPassword(const QString& login, QObject* parent)
{
    const QString method = QStringLiteral("reset_password");
    if (login.isEmpty())
        return refuse(method, QStringLiteral("the login is empty"));
    return send<BoolApiOperation>(method, { plain("LOGIN", login) }, false, parent);
}

BoolApiOperation* ApiHandler::changePassword(
    const QString& login, const QString& oldPassword, const QString& newPassword, QObject* parent)
{
    const QString method = QStringLiteral("change_password");
    if (login.isEmpty() || oldPassword.isEmpty() || newPassword.isEmpty())
        return refuse(method, QStringLiteral("the login or a password is empty"));
    return send<BoolApiOperation>(method,
        { plain("LOGIN", login), plain("OLD_PASS", md5Hex(oldPassword)),
            plain("NEW_PASS", md5Hex(newPassword)) },
        true, parent);
}

ObjectListApiOperation* ApiHandler::getChanges(int revision, QObject* parent)
{
    return send<ObjectListApiOperation>(
        QStringLiteral("get_changes_ex"), { plain("REVISION", QString::number(revision)) }, true, parent);
}

ObjectApiOperation* ApiHandler::getTask(const QString& id, QObject* parent)
{
    if (id.isEmpty())
        return refuse(QStringLiteral("get_task"), QStringLiteral("the identifier is empty"));
    return send<ObjectApiOperation>(QStringLiteral("get_task"), { plain("ID", id) }, true, parent);
}

ObjectApiOperation* ApiHandler::getProject(const QString& id, QObject* parent)
{
    if (id.isEmpty())
        return refuse(QStringLiteral("get_project"), QStringLiteral("the identifier is empty"));
    return send<ObjectApiOperation>(QStringLiteral("get_project"), { plain("ID", id) }, true, parent);
}

ObjectApiOperation* ApiHandler::getContext(const QString& id, QObject* parent)
{
    if (id.isEmpty())
        return refuse(QStringLiteral("get_context"), QStringLiteral("the identifier is empty"));
    return send<ObjectApiOperation>(QStringLiteral("get_context"), { plain("ID", id) }, true, parent);
}

IntegerApiOperation* ApiHandler::createTask(const QVariantMap& object, int revision, QObject* parent)
{
    if (!object.contains(NameKey) || !object.contains(ParentKey))
        return refuse(QStringLiteral("create_task"), QStringLiteral("the task has no NAME or no PARENT"));
    return sendObject<IntegerApiOperation>(QStringLiteral("create_task"), object, revision, parent);
}

IntegerApiOperation* ApiHandler::updateTask(const QVariantMap& object, int revision, QObject* parent)
{
    if (!object.contains(IdKey) || !object.contains(ParentKey))
        return refuse(QStringLiteral("update_task"), QStringLiteral("the task has no ID or no PARENT"));
    return sendObject<IntegerApiOperation>(QStringLiteral("update_task"), object, revision, parent);
}

IntegerApiOperation* ApiHandler::createProject(const QVariantMap& object, int revision, QObject* parent)
{
    if (!object.contains(NameKey))
        return refuse(QStringLiteral("create_project"), QStringLiteral("the project has no NAME"));
    return sendObject<IntegerApiOperation>(QStringLiteral("create_project"), object, revision, parent);
}

IntegerApiOperation* ApiHandler::updateProject(const QVariantMap& object, int revision, QObject* parent)
{
    if (!object.contains(IdKey))
        return refuse(QStringLiteral("update_project"), QStringLiteral("the project has no ID"));
    return sendObject<IntegerApiOperation>(QStringLiteral("update_project"), object, revision, parent);
}

IntegerApiOperation* ApiHandler::createContext(const QVariantMap& object, int revision, QObject* parent)
{
    if (!object.contains(NameKey))
        return refuse(QStringLiteral("create_context"), QStringLiteral("the context has no NAME"));
    return sendObject<IntegerApiOperation>(QStringLiteral("create_context"), object, revision, parent);
}

IntegerApiOperation* ApiHandler::updateContext(const QVariantMap& object, int revision, QObject* parent)
{
    if (!object.contains(IdKey))
        return refuse(QStringLiteral("update_context"), QStringLiteral("the context has no ID"));
    return sendObject<IntegerApiOperation>(QStringLiteral("update_context"), object, revision, parent);
}

// --- Request building ---

std::nullptr_t ApiHandler::refuse(const QString& method, const QString& reason) const
{
    QLOG_WARN() << ">>API HANDLER. Not sending " << method << ": " << reason;
    return nullptr;
}

template <typename Operation>
Operation* ApiHandler::send(
    const QString& method, WireParameters parameters, bool authenticated, QObject* parent)
{
    if (authenticated) {
        parameters << plain(QStringLiteral("LOGIN"), d->clientLogin);
        parameters << plain(QStringLiteral("PASS"), d->clientPassword);
    }
    QNetworkReply* reply = post(method, parameters);
    auto* operation = new Operation(reply, parent);
    // One manager carries every reply of this handler: connect it only once,
    // or each authentication request would reach listeners once per request sent.
    connect(reply->manager(), &QNetworkAccessManager::proxyAuthenticationRequired, this,
        &ApiHandler::proxyAuthenticationRequired, Qt::UniqueConnection);
    return operation;
}

template <typename Operation>
Operation* ApiHandler::sendObject(
    const QString& method, const QVariantMap& object, int revision, QObject* parent)
{
    return send<Operation>(method, objectParameters(object, revision), true, parent);
}

QNetworkReply* ApiHandler::post(const QString& method, const WireParameters& parameters)
{
    QUrl url = d->baseUrl;
    url.setPath(url.path() + method);
    QLOG_INFO() << ">>API HANDLER. Requested method: " << method;
    return d->sender->sendPostRequest(
        url, body(parameters), { { "Content-Type", "application/x-www-form-urlencoded" } });
}

QByteArray ApiHandler::body(const WireParameters& parameters) const
{
    QByteArray text;
    for (const auto& constant : qAsConst(d->constantParameters))
        text += formText(constant.first) + '=' + formText(constant.second) + '&';
    for (int i = 0; i < parameters.size(); ++i) {
        if (i > 0)
            text += '&';
        text += parameters.at(i).first + '=' + parameters.at(i).second;
    }
    return text;
}

ApiHandler::WireParameters ApiHandler::objectParameters(const QVariantMap& object, int revision) const
{
    WireParameters parameters { plain(QStringLiteral("REVISION"), QString::number(revision)) };
    if (!object.contains(IdKey))
        parameters << plain(IdKey, QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (!object.contains(TimestampKey))
        parameters << plain(TimestampKey, QString::number(QDateTime::currentSecsSinceEpoch()));

    QVariantMap fields = object;
    fields.insert(StartKey, dateSeconds(fields.value(StartKey)));
    fields.insert(DueKey, dateSeconds(fields.value(DueKey)));
    for (auto field = fields.cbegin(); field != fields.cend(); ++field)
        parameters << qMakePair(formText(field.key()), objectValue(field.value()));
    return parameters;
}

QPair<QByteArray, QByteArray> ApiHandler::plain(const QString& name, const QString& value)
{
    return { formText(name), formText(value) };
}

QByteArray ApiHandler::formText(const QString& text)
{
    // Only what would change the meaning of a form body is encoded; the
    // rest goes out byte for byte as UTF-8.
    static const QByteArray hex = QByteArrayLiteral("0123456789ABCDEF");
    QByteArray out;
    const QByteArray utf8 = text.toUtf8();
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '&' || c == '=' || c == '+' || c == '%')
            out += '%' + QByteArray(1, hex.at(byte >> 4)) + hex.at(byte & 0xF);
        else
            out += c;
    }
    return out;
}

QByteArray ApiHandler::objectValue(const QVariant& value)
{
    const QString text = value.toString();
    if (text.isEmpty())
        return QByteArrayLiteral("NULL");
    return QUrl::toPercentEncoding(text);
}

QString ApiHandler::dateSeconds(const QVariant& value)
{
    const QDateTime dateTime = value.toDateTime();
    if (!dateTime.isValid())
        return QString();
    const qint64 seconds = dateTime.toSecsSinceEpoch();
    // The server keeps unsigned 32-bit seconds; anything outside would wrap
    // into an unrelated date.
    if (seconds < 0 || seconds > std::numeric_limits<quint32>::max()) {
        QLOG_WARN() << ">>API HANDLER. A date outside 1970-2106 is sent as empty: " << dateTime;
        return QString();
    }
    return QString::number(seconds);
}
