#pragma once

#include <QHash>
#include <QString>

#include <mutex>

class Database;
class QSqlDatabase;

// Accounts, keyed by login, with the slow hash of the password digest that
// the client sends; one-time passwords for a reset; and the account
// service's tokens.
//
// Sync requests carry the password with every request, and the slow hash
// would make each of them cost tens of milliseconds: a hash that was verified
// once is remembered (in memory, under a fast keyed digest) for as long as
// the stored hash stays the same, so a changed password is seen at once even
// when another server process changed it.
class AccountStore
{
public:
    enum class Status { Ok, NoSuchAccount, WrongPassword, Exists, Invalid, Failed };

    struct Account
    {
        Status status = Status::Failed;
        qint64 id = -1;
        QString login;
    };

    explicit AccountStore(Database* database, int hashIterations = 60000);

    static QString normalisedLogin(const QString& login);
    static bool acceptableLogin(const QString& login);
    static bool acceptablePassword(const QString& password);

    Status registerAccount(const QString& login, const QString& password);
    Account authenticate(const QString& login, const QString& password);
    Status changePassword(const Account& account, const QString& oldPassword, const QString& newPassword);
    Status requestReset(const QString& login);
    // The pending one-time password of the login, made now when none is
    // pending; empty when there is no such account.
    QString oneTimePassword(const QString& login, Status* status);

    QString issueToken(qint64 accountId);
    Account accountForToken(const QString& token);

    // Hours a one-time password stays usable.
    static constexpr int OneTimeHours = 24;

private:
    bool verifiedBefore(const QString& storedHash, const QString& password);
    void rememberVerified(const QString& storedHash, const QString& password);
    bool setPassword(QSqlDatabase& db, qint64 accountId, const QString& password);
    static QString md5Hex(const QString& text);

    Database* m_database;
    int m_hashIterations;
    std::mutex m_cacheMutex;
    QHash<QByteArray, bool> m_verified;
    QByteArray m_cacheKey;
};
