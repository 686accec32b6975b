#include "syncd/PasswordHasher.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QStringList>

QByteArray PasswordHasher::pbkdf2(const QByteArray& password, const QByteArray& salt, int iterations, int length)
{
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, password);
    QByteArray derived;
    for (quint32 block = 1; derived.size() < length; ++block) {
        QByteArray blockIndex(4, '\0');
        blockIndex[0] = char(block >> 24);
        blockIndex[1] = char(block >> 16);
        blockIndex[2] = char(block >> 8);
        blockIndex[3] = char(block);
        mac.reset();
        mac.addData(salt);
        mac.addData(blockIndex);
        QByteArray u = mac.result();
        QByteArray t = u;
        for (int i = 1; i < iterations; ++i) {
            mac.reset();
            mac.addData(u);
            u = mac.result();
            for (int j = 0; j < t.size(); ++j)
                t[j] = char(t[j] ^ u[j]);
        }
        derived += t;
    }
    return derived.left(length);
}

QString PasswordHasher::randomHex(int bytes)
{
    QByteArray data(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        data[i] = char(QRandomGenerator::system()->bounded(256));
    return QString::fromLatin1(data.toHex());
}

QByteArray PasswordHasher::sha256Hex(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

QString PasswordHasher::hash(const QString& secret, int iterations)
{
    const QString salt = randomHex(16);
    const QByteArray derived = pbkdf2(secret.toUtf8(), QByteArray::fromHex(salt.toLatin1()), iterations, 32);
    return QStringLiteral("pbkdf2-sha256$%1$%2$%3").arg(iterations).arg(salt, QString::fromLatin1(derived.toHex()));
}

bool PasswordHasher::verify(const QString& secret, const QString& stored)
{
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts.at(0) != QLatin1String("pbkdf2-sha256"))
        return false;
    bool ok = false;
    const int iterations = parts.at(1).toInt(&ok);
    if (!ok || iterations < 1 || iterations > 10000000)
        return false;
    const QByteArray expected = QByteArray::fromHex(parts.at(3).toLatin1());
    const QByteArray derived
        = pbkdf2(secret.toUtf8(), QByteArray::fromHex(parts.at(2).toLatin1()), iterations, expected.size());
    if (expected.isEmpty() || derived.size() != expected.size())
        return false;
    // Compared in full whatever differs first, so the time says nothing.
    char difference = 0;
    for (int i = 0; i < expected.size(); ++i)
        difference |= char(derived[i] ^ expected[i]);
    return difference == 0;
}
