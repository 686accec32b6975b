#pragma once

#include "plexlink/PlexlinkExport.h"

#include <QAuthenticator>
#include <QList>
#include <QNetworkProxy>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <cstddef>
#include <memory>

class QNetworkReply;
class BoolApiOperation;
class IntegerApiOperation;
class ObjectApiOperation;
class ObjectListApiOperation;

// Builds and sends the sync server's requests. Each request method sends one
// form-encoded POST to the server's base address plus the method name and
// returns at once an operation that reports the reply; the caller owns the
// operation (it gets the given parent) and disposes of it with deleteLater()
// after finished(). A method whose required arguments are missing returns
// null and sends nothing.
//
// The body carries the constant parameters first, then the method's own, then
// for authenticated methods LOGIN and PASS of the client. Values of object
// fields are percent-encoded in full ("x y&z" is sent as "x%20y%26z") and an
// empty field is sent as NULL. Other values go out as they are, except that
// "&", "=", "+", "%" and control characters are percent-encoded, so that a
// login such as "ann+work@example.com" reaches the server unchanged.
//
// The handler and its operations belong to the thread that created the
// handler; replies are handled in that thread's event loop.
class PLEXLINK_EXPORT ApiHandler : public QObject
{
    Q_OBJECT

public:
    using Parameters = QList<QPair<QString, QString>>;

    // constantParameters go first in every request, in the given order.
    explicit ApiHandler(const Parameters& constantParameters, QObject* parent = nullptr);
    ~ApiHandler() override;

    void setClientLogin(const QString& login);
    void setClientPassword(const QString& password);

    // The address that method names are appended to, read at construction.
    QUrl baseUrl() const;

    BoolApiOperation* checkLogin(const QString& login, const QString& password, QObject* parent = nullptr);
    BoolApiOperation* registerUser(const QString& login, const QString& password, QObject* parent = nullptr);
    BoolApiOperation* resetPassword(const QString& login, QObject* parent = nullptr);
    // Both passwords in clear; they are sent as lower-case hexadecimal MD5.
    BoolApiOperation* changePassword(const QString& login, const QString& oldPassword,
        const QString& newPassword, QObject* parent = nullptr);
    ObjectListApiOperation* getChanges(int revision, QObject* parent = nullptr);

    ObjectApiOperation* getTask(const QString& id, QObject* parent = nullptr);
    ObjectApiOperation* getProject(const QString& id, QObject* parent = nullptr);
    ObjectApiOperation* getContext(const QString& id, QObject* parent = nullptr);

    // object: a record with upper-case keys. Without "ID" a new identifier is
    // sent, without "TIMESTAMP" the current time; "START" and "DUE" go out as
    // seconds since 1970 UTC, or NULL when they are not valid date-times.
    IntegerApiOperation* createTask(const QVariantMap& object, int revision, QObject* parent = nullptr);
    IntegerApiOperation* updateTask(const QVariantMap& object, int revision, QObject* parent = nullptr);
    IntegerApiOperation* createProject(const QVariantMap& object, int revision, QObject* parent = nullptr);
    IntegerApiOperation* updateProject(const QVariantMap& object, int revision, QObject* parent = nullptr);
    IntegerApiOperation* createContext(const QVariantMap& object, int revision, QObject* parent = nullptr);
    IntegerApiOperation* updateContext(const QVariantMap& object, int revision, QObject* parent = nullptr);

    // Lower-case hexadecimal MD5 of the UTF-8 text, 32 characters.
    static QString md5Hex(const QString& text);

signals:
    // Forwarded from the network access manager that carries the replies;
    // each authentication request reaches listeners once.
    void proxyAuthenticationRequired(const QNetworkProxy& proxy, QAuthenticator* authenticator);

private:
    // Name and value as they go on the wire.
    using WireParameters = QList<QPair<QByteArray, QByteArray>>;

    template <typename Operation>
    Operation* send(const QString& method, WireParameters parameters, bool authenticated, QObject* parent);
    template <typename Operation>
    Operation* sendObject(const QString& method, const QVariantMap& object, int revision, QObject* parent);
    QNetworkReply* post(const QString& method, const WireParameters& parameters);
    QByteArray body(const WireParameters& parameters) const;
    WireParameters objectParameters(const QVariantMap& object, int revision) const;
    std::nullptr_t refuse(const QString& method, const QString& reason) const;

    static QPair<QByteArray, QByteArray> plain(const QString& name, const QString& value);
    static QByteArray formText(const QString& text);
    static QByteArray objectValue(const QVariant& value);
    static QString dateSeconds(const QVariant& value);

    struct Private;
    std::unique_ptr<Private> d;
};
