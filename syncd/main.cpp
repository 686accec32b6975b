// quorvel-syncd: serves the sync protocol and the account service to
// Quorvel from one listener. See README.md beside this file.

#include "logging/Log.h"
#include "syncd/AccountService.h"
#include "syncd/AccountStore.h"
#include "syncd/Database.h"
#include "syncd/ObjectStore.h"
#include "syncd/ServerOptions.h"
#include "syncd/SideChannelStore.h"
#include "syncd/SyncProtocol.h"
#include "syncd/SyncServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <thread>

#include <pthread.h>
#include <unistd.h>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "quorvel-syncd: %s\n", qPrintable(message));
    return 2;
}

bool prepareDataFolder(const QString& folder, QString* error)
{
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the data folder %1").arg(folder);
        return false;
    }
    // Accounts and password hashes live here: for the server's user only.
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

int printOneTimePassword(AccountStore* accounts, const QString& login)
{
    AccountStore::Status status = AccountStore::Status::Failed;
    const QString password = accounts->oneTimePassword(login, &status);
    if (status == AccountStore::Status::NoSuchAccount)
        return fail(QStringLiteral("there is no account %1").arg(AccountStore::normalisedLogin(login)));
    if (password.isEmpty())
        return fail(QStringLiteral("the one-time password could not be stored"));
    std::printf("One-time password of %s (valid for %d hours; it becomes the password when first used):\n%s\n",
        qPrintable(AccountStore::normalisedLogin(login)), AccountStore::OneTimeHours, qPrintable(password));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // The signals that end the server are taken by sigwait() below; every
    // thread started from here on inherits the mask.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    ServerOptions options;
    if (!options.parse(app.arguments()))
        return fail(options.error() + QStringLiteral("\n") + ServerOptions::usage());
    if (options.helpWanted) {
        std::printf("%s", qPrintable(ServerOptions::usage()));
        return 0;
    }
    QString error;
    if (!prepareDataFolder(options.dataFolder, &error))
        return fail(error);
    const QString logFile = QDir(options.dataFolder).filePath(QStringLiteral("syncd.log"));
    if (!Logging::Logger::instance().setFileDestination(logFile))
        return fail(QStringLiteral("cannot write the log %1").arg(logFile));
    Logging::Logger::instance().setLoggingLevel(Logging::InfoLevel);

    Database database(QDir(options.dataFolder).filePath(QStringLiteral("syncd.db")), options.databaseUrl);
    if (!database.open(&error))
        return fail(error);
    AccountStore accounts(&database, options.hashIterations);
    if (!options.resetPasswordLogin.isEmpty())
        return printOneTimePassword(&accounts, options.resetPasswordLogin);

    ObjectStore objects(&database);
    SideChannelStore channels(&database);
    SyncProtocol protocol(&accounts, &objects, options.minimumVersion);
    AccountService service(&accounts, &channels);
    SyncServer server(options, &protocol, &service);
    if (!server.bind(&error))
        return fail(error);

    const QString address = QStringLiteral("%1://%2:%3")
                                .arg(server.tls() ? QStringLiteral("https") : QStringLiteral("http"), options.host)
                                .arg(server.port());
    QLOG_INFO() << "quorvel-syncd serves " << address << "/api/1/ and " << address << "/api on "
                << database.description();
    std::printf("quorvel-syncd listening on %s\n", qPrintable(address));
    std::fflush(stdout);

    std::thread serving([&server] {
        server.run();
        // Ends the wait below also when the listener gave up by itself.
        ::kill(::getpid(), SIGTERM);
    });
    int received = 0;
    sigwait(&endSignals, &received);
    QLOG_INFO() << "Signal " << received << " received; finishing the requests under way.";
    server.stop();
    server.endIdleConnections();
    serving.join();
    QLOG_INFO() << "quorvel-syncd stopped.";
    Logging::Logger::instance().flush();
    return 0;
}
