// libFuzzer target for what quorvel-syncd reads from the network: form
// bodies of every sync method, JSON of the account service, and the text
// that goes back into XML replies. Requests run against a real store (SQLite
// in a temporary folder) with one signed-in account, so that the fuzzer
// reaches the code behind the credentials checks too.
//
//   cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
//         -DQUORVEL_BUILD_FUZZERS=ON -DQUORVEL_BUILD_TESTS=OFF
//   cmake --build build-fuzz --target quorvel-syncd-fuzz
//   build-fuzz/bin/quorvel-syncd-fuzz -max_total_time=600 -max_len=4096

#include "logging/Logger.h"
#include "syncd/AccountService.h"
#include "syncd/AccountStore.h"
#include "syncd/Database.h"
#include "syncd/FormRequest.h"
#include "syncd/ObjectStore.h"
#include "syncd/SideChannelStore.h"
#include "syncd/SyncProtocol.h"
#include "syncd/XmlReply.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

namespace {

const char* const Login = "fuzz@example.org";
const char* const Password = "5f4dcc3b5aa765d61d8327deb882cf99";

struct World
{
    QTemporaryDir folder;
    std::unique_ptr<Database> database;
    std::unique_ptr<AccountStore> accounts;
    std::unique_ptr<ObjectStore> objects;
    std::unique_ptr<SideChannelStore> channels;
    std::unique_ptr<SyncProtocol> protocol;
    std::unique_ptr<AccountService> service;
    QByteArray token;

    World()
    {
        Logging::Logger::instance().setLoggingLevel(Logging::OffLevel);
        database = std::make_unique<Database>(folder.filePath(QStringLiteral("fuzz.db")), QString());
        QString error;
        if (!database->open(&error))
            qFatal("cannot open the fuzz database: %s", qPrintable(error));
        accounts = std::make_unique<AccountStore>(database.get(), 1000);
        objects = std::make_unique<ObjectStore>(database.get());
        channels = std::make_unique<SideChannelStore>(database.get());
        protocol = std::make_unique<SyncProtocol>(accounts.get(), objects.get(), QStringLiteral("1.0"));
        service = std::make_unique<AccountService>(accounts.get(), channels.get());
        accounts->registerAccount(QString::fromLatin1(Login), QString::fromLatin1(Password));
        token = "Token " + accounts->issueToken(accounts->authenticate(QString::fromLatin1(Login), QString::fromLatin1(Password)).id).toLatin1();
    }
};

World& world()
{
    static int argc = 1;
    static char name[] = "quorvel-syncd-fuzz";
    static char* argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
    static World instance;
    return instance;
}

const char* const Methods[] = { "check_login", "register_user", "reset_password", "change_password",
    "get_changes_ex", "get_task", "get_project", "get_context", "create_task", "update_task", "create_project",
    "update_project", "create_context", "update_context", "no_such_method" };
const char* const Paths[] = { "/auth/v1/login/", "/reminders/v1/", "/reminders/v1/delete/", "/sorting/v1/",
    "/sorting/v1/list/delete/", "/favorites/v1/", "/favorites/v1/delete/", "/meta/v1/", "/meta/v1/delete/",
    "/unknown/v1/", "/sorting" };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    World& w = world();
    if (size < 2)
        return 0;
    const uint8_t mode = data[0] % 4;
    const uint8_t choice = data[1];
    const QByteArray input(reinterpret_cast<const char*>(data + 2), int(size - 2));
    switch (mode) {
    case 0: {
        // A form for a sync method, signed in half of the time.
        QByteArray body = input;
        if (choice & 0x80)
            body += QByteArray("&VERSION=1.16.3&LOGIN=") + Login + "&PASS=" + Password;
        w.protocol->handle(QString::fromLatin1(Methods[(choice & 0x7F) % (sizeof(Methods) / sizeof(*Methods))]), body);
        break;
    }
    case 1: {
        FormRequest form;
        form.parse(input);
        break;
    }
    case 2: {
        const QString method = (choice & 0x80) ? QStringLiteral("GET") : QStringLiteral("POST");
        const QByteArray authorization = (choice & 0x40) ? w.token : input.left(48);
        w.service->handle(method, QString::fromLatin1(Paths[(choice & 0x3F) % (sizeof(Paths) / sizeof(*Paths))]),
            authorization, input);
        break;
    }
    case 3:
        XmlReply::element(QStringLiteral("name"), QString::fromUtf8(input));
        break;
    }
    return 0;
}
