#pragma once

#include <QByteArray>
#include <QString>

// Slow salted hashes of what clients send as their password (the MD5 hex of
// the typed password): PBKDF2 with HMAC-SHA-256, stored as
// "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>". A stolen database then
// gives neither the digest that signs requests nor a cheap way to guess it.
class PasswordHasher
{
public:
    static constexpr int DefaultIterations = 60000;

    static QString hash(const QString& secret, int iterations = DefaultIterations);
    static bool verify(const QString& secret, const QString& stored);

    static QByteArray pbkdf2(const QByteArray& password, const QByteArray& salt, int iterations, int length);
    // Random bytes from the system's source, as lower-case hex.
    static QString randomHex(int bytes);
    static QByteArray sha256Hex(const QByteArray& data);
};
