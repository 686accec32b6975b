// The sync server's download as the change exchange takes it: Plexlink reads
// the reply, the exchange merges what it got into a real store (SQLite in the
// sandbox) and tries to send what the merge left to send. One store lives
// through the whole run, so later inputs meet what earlier ones stored.

#include "FuzzSetup.h"
#include "SyncFixture.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzSetup::enter(argc, argv, FuzzSetup::Application::Gui);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static SyncFixture* fixture = [] {
        auto* made = new SyncFixture;
        if (!made->open())
            std::abort();
        made->makeHandler();
        return made;
    }();
    fixture->server().clearRequests();
    fixture->reply(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    // Whatever the reply, the run ends (a refused start is no input of ours).
    if (!fixture->runSync())
        std::abort();
    return 0;
}
