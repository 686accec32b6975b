#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of the server. parse() never exits the
// process: it reports a problem in error() and the caller decides.
class ServerOptions
{
public:
    static constexpr qint64 DefaultMaxBodyBytes = 1024 * 1024;

    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 8470;
    QString dataFolder;
    // Empty for SQLite in the data folder, else a postgresql:// address.
    QString databaseUrl;
    QString tlsCertificate;
    QString tlsKey;
    // Clients that send a lower "VERSION" are told to update (status 110).
    QString minimumVersion = QStringLiteral("0");
    qint64 maxBodyBytes = DefaultMaxBodyBytes;
    int readTimeoutSeconds = 10;
    int threads = 64;
    // Rounds of the password hash; fewer only where speed matters more
    // than a stolen database (the tests).
    int hashIterations = 60000;
    // Administration: print the pending one-time password of this login.
    QString resetPasswordLogin;
    bool helpWanted = false;

    bool parse(const QStringList& arguments);
    QString error() const;
    static QString usage();

private:
    bool takeListen(const QString& value);
    QString m_error;
};
