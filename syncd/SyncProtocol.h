#pragma once

#include "syncd/AccountStore.h"
#include "syncd/ObjectStore.h"

#include <QByteArray>
#include <QString>

class FormRequest;

// The sync protocol under "/api/1/": one form-encoded POST per method, one
// XML reply (XmlReply). Kept apart from the HTTP server so that tests and
// the fuzz target drive it directly.
class SyncProtocol
{
public:
    struct Reply
    {
        // HTTP status: 200 for every protocol answer, errors included, since
        // clients read the protocol status from the body.
        int httpStatus = 200;
        int status = 0;
        QString account;
        QByteArray body;
    };

    SyncProtocol(AccountStore* accounts, ObjectStore* objects, const QString& minimumVersion);

    Reply handle(const QString& method, const QByteArray& body);

    // Dotted version texts compared number by number; "1.10" is above "1.9".
    static bool versionBelow(const QString& version, const QString& minimum);

private:
    Reply dispatch(const QString& method, const FormRequest& form);
    Reply authenticated(const FormRequest& form, AccountStore::Account* account);
    Reply changes(const AccountStore::Account& account, const FormRequest& form);
    Reply object(const AccountStore::Account& account, ObjectStore::Kind kind, const FormRequest& form);
    Reply write(const AccountStore::Account& account, ObjectStore::Kind kind, bool create, const FormRequest& form);
    Reply changePassword(const FormRequest& form);

    static Reply error(int status, const QString& message);
    static Reply accountError(AccountStore::Status status);
    static QByteArray objectXml(const ObjectStore::Object& object);
    static qint64 now();

    AccountStore* m_accounts;
    ObjectStore* m_objects;
    QString m_minimumVersion;
};
