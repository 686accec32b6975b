#include "syncd/AccountStore.h"

#include "logging/Log.h"
#include "syncd/Database.h"
#include "syncd/ObjectStore.h"
#include "syncd/PasswordHasher.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QVariant>

namespace {

const int MaxLoginLength = 254;
const int MaxPasswordLength = 128;
const int MaxRememberedHashes = 100000;

qint64 nowSeconds()
{
    return QDateTime::currentSecsSinceEpoch();
}

bool hasControlCharacters(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

} // namespace

AccountStore::AccountStore(Database* database, int hashIterations)
    : m_database(database)
    , m_hashIterations(hashIterations)
    , m_cacheKey(QByteArray::fromHex(PasswordHasher::randomHex(32).toLatin1()))
{
}

QString AccountStore::normalisedLogin(const QString& login)
{
    // "Ann@example.org" and "ann@example.org " are one person's account.
    return login.trimmed().toLower();
}

bool AccountStore::acceptableLogin(const QString& login)
{
    const QString normalised = normalisedLogin(login);
    return !normalised.isEmpty() && normalised.size() <= MaxLoginLength && !hasControlCharacters(normalised);
}

bool AccountStore::acceptablePassword(const QString& password)
{
    return !password.isEmpty() && password.size() <= MaxPasswordLength && !hasControlCharacters(password);
}

QString AccountStore::md5Hex(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

AccountStore::Status AccountStore::registerAccount(const QString& login, const QString& password)
{
    if (!acceptableLogin(login) || !acceptablePassword(password))
        return Status::Invalid;
    const QString normalised = normalisedLogin(login);
    // Hashed before the transaction: it is slow, and nothing waits on it.
    const QString hash = PasswordHasher::hash(password, m_hashIterations);
    Status status = Status::Failed;
    const bool written = m_database->write([&](QSqlDatabase& db) {
        QSqlQuery existing(db);
        existing.prepare(QStringLiteral("SELECT id FROM accounts WHERE login = ?"));
        existing.addBindValue(normalised);
        if (!Database::run(existing, "looking up a login"))
            return Database::Outcome::Failed;
        if (existing.next()) {
            status = Status::Exists;
            return Database::Outcome::Rollback;
        }
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO accounts (login, password_hash, revision, created) "
                                      "VALUES (?, ?, 1, ?)"));
        insert.addBindValue(normalised);
        insert.addBindValue(hash);
        insert.addBindValue(nowSeconds());
        if (!Database::run(insert, "creating an account")) {
            // Another process registered the same login a moment ago.
            status = Status::Exists;
            return Database::Outcome::Failed;
        }
        QSqlQuery created(db);
        created.prepare(QStringLiteral("SELECT id FROM accounts WHERE login = ?"));
        created.addBindValue(normalised);
        if (!Database::run(created, "reading a new account") || !created.next())
            return Database::Outcome::Failed;
        if (!ObjectStore::createBuiltInProjects(db, created.value(0).toLongLong()))
            return Database::Outcome::Failed;
        status = Status::Ok;
        return Database::Outcome::Commit;
    });
    if (!written)
        return status == Status::Exists ? Status::Exists : Status::Failed;
    // The new account syncs right after: its first request need not pay for
    // the slow hash once more.
    if (status == Status::Ok)
        rememberVerified(hash, password);
    return status;
}

bool AccountStore::verifiedBefore(const QString& storedHash, const QString& password)
{
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, m_cacheKey);
    mac.addData(storedHash.toUtf8() + '\n' + password.toUtf8());
    std::lock_guard<std::mutex> lock(m_cacheMutex);
    return m_verified.contains(mac.result());
}

void AccountStore::rememberVerified(const QString& storedHash, const QString& password)
{
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, m_cacheKey);
    mac.addData(storedHash.toUtf8() + '\n' + password.toUtf8());
    std::lock_guard<std::mutex> lock(m_cacheMutex);
    if (m_verified.size() >= MaxRememberedHashes)
        m_verified.clear();
    m_verified.insert(mac.result(), true);
}

AccountStore::Account AccountStore::authenticate(const QString& login, const QString& password)
{
    Account account;
    account.login = normalisedLogin(login);
    if (!acceptableLogin(login)) {
        account.status = Status::NoSuchAccount;
        return account;
    }
    QSqlDatabase db = m_database->connection();
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "SELECT id, password_hash, one_time_password, one_time_expires FROM accounts WHERE login = ?"));
    query.addBindValue(account.login);
    if (!Database::run(query, "reading an account"))
        return account;
    if (!query.next()) {
        account.status = Status::NoSuchAccount;
        return account;
    }
    account.id = query.value(0).toLongLong();
    const QString storedHash = query.value(1).toString();
    const QString oneTime = query.value(2).toString();
    const qint64 oneTimeExpires = query.value(3).toLongLong();
    query.finish();

    if (verifiedBefore(storedHash, password)
        || (acceptablePassword(password) && PasswordHasher::verify(password, storedHash))) {
        rememberVerified(storedHash, password);
        account.status = Status::Ok;
        return account;
    }
    const bool oneTimeMatches = !oneTime.isEmpty() && oneTimeExpires > nowSeconds() && md5Hex(oneTime) == password;
    if (!oneTimeMatches) {
        account.status = Status::WrongPassword;
        return account;
    }
    // The first use of a one-time password makes it the password.
    const bool adopted = m_database->write([&](QSqlDatabase& wdb) {
        return setPassword(wdb, account.id, password) ? Database::Outcome::Commit : Database::Outcome::Failed;
    });
    account.status = adopted ? Status::Ok : Status::Failed;
    if (adopted)
        QLOG_INFO() << "The account " << account.login << " signed in with its one-time password.";
    return account;
}

bool AccountStore::setPassword(QSqlDatabase& db, qint64 accountId, const QString& password)
{
    QSqlQuery update(db);
    update.prepare(QStringLiteral("UPDATE accounts SET password_hash = ?, one_time_password = '', "
                                  "one_time_expires = 0 WHERE id = ?"));
    update.addBindValue(PasswordHasher::hash(password, m_hashIterations));
    update.addBindValue(accountId);
    if (!Database::run(update, "setting a password"))
        return false;
    // Tokens given out under the old password go with it.
    QSqlQuery tokens(db);
    tokens.prepare(QStringLiteral("DELETE FROM tokens WHERE account_id = ?"));
    tokens.addBindValue(accountId);
    return Database::run(tokens, "forgetting old tokens");
}

AccountStore::Status AccountStore::changePassword(
    const Account& account, const QString& oldPassword, const QString& newPassword)
{
    if (!acceptablePassword(newPassword))
        return Status::Invalid;
    const Account old = authenticate(account.login, oldPassword);
    if (old.status != Status::Ok)
        return old.status;
    if (old.id != account.id)
        return Status::WrongPassword;
    const bool written = m_database->write([&](QSqlDatabase& db) {
        return setPassword(db, account.id, newPassword) ? Database::Outcome::Commit : Database::Outcome::Failed;
    });
    return written ? Status::Ok : Status::Failed;
}

AccountStore::Status AccountStore::requestReset(const QString& login)
{
    Status status = Status::Failed;
    oneTimePassword(login, &status);
    if (status == Status::Ok)
        QLOG_INFO() << "A one-time password was asked for " << normalisedLogin(login)
                    << "; the administrator reads it with quorvel-syncd --reset-password.";
    return status;
}

QString AccountStore::oneTimePassword(const QString& login, Status* status)
{
    *status = Status::Failed;
    const QString normalised = normalisedLogin(login);
    if (!acceptableLogin(login)) {
        *status = Status::NoSuchAccount;
        return QString();
    }
    QString password;
    const bool written = m_database->write([&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT id, one_time_password, one_time_expires FROM accounts WHERE login = ?")
            + m_database->lockSuffix());
        query.addBindValue(normalised);
        if (!Database::run(query, "reading an account"))
            return Database::Outcome::Failed;
        if (!query.next()) {
            *status = Status::NoSuchAccount;
            return Database::Outcome::Rollback;
        }
        const qint64 id = query.value(0).toLongLong();
        if (!query.value(1).toString().isEmpty() && query.value(2).toLongLong() > nowSeconds()) {
            // Asking again keeps the one already handed out valid.
            password = query.value(1).toString();
            *status = Status::Ok;
            return Database::Outcome::Rollback;
        }
        static const char alphabet[] = "abcdefghjkmnpqrstuvwxyz23456789";
        for (int i = 0; i < 12; ++i)
            password += QLatin1Char(alphabet[QRandomGenerator::system()->bounded(int(sizeof(alphabet) - 1))]);
        QSqlQuery update(db);
        update.prepare(QStringLiteral("UPDATE accounts SET one_time_password = ?, one_time_expires = ? WHERE id = ?"));
        update.addBindValue(password);
        update.addBindValue(nowSeconds() + OneTimeHours * 3600);
        update.addBindValue(id);
        if (!Database::run(update, "storing a one-time password"))
            return Database::Outcome::Failed;
        *status = Status::Ok;
        return Database::Outcome::Commit;
    });
    if (!written)
        *status = Status::Failed;
    return *status == Status::Ok ? password : QString();
}

QString AccountStore::issueToken(qint64 accountId)
{
    const QString token = PasswordHasher::randomHex(20);
    const bool written = m_database->write([&](QSqlDatabase& db) {
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO tokens (token_hash, account_id, created) VALUES (?, ?, ?)"));
        insert.addBindValue(QString::fromLatin1(PasswordHasher::sha256Hex(token.toLatin1())));
        insert.addBindValue(accountId);
        insert.addBindValue(nowSeconds());
        return Database::run(insert, "storing a token") ? Database::Outcome::Commit : Database::Outcome::Failed;
    });
    return written ? token : QString();
}

AccountStore::Account AccountStore::accountForToken(const QString& token)
{
    Account account;
    account.status = Status::WrongPassword;
    if (token.isEmpty() || token.size() > 128)
        return account;
    QSqlQuery query(m_database->connection());
    query.prepare(QStringLiteral("SELECT accounts.id, accounts.login FROM tokens JOIN accounts "
                                 "ON accounts.id = tokens.account_id WHERE tokens.token_hash = ?"));
    query.addBindValue(QString::fromLatin1(PasswordHasher::sha256Hex(token.toUtf8())));
    if (!Database::run(query, "reading a token")) {
        account.status = Status::Failed;
        return account;
    }
    if (query.next()) {
        account.status = Status::Ok;
        account.id = query.value(0).toLongLong();
        account.login = query.value(1).toString();
    }
    return account;
}
