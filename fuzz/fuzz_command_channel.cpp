// What any process of the user may send over the local channels: the
// commands Quorvel's instance server reads, and the notification keys in
// them, as the notifier checks the keys it reads from its file.

#include "FuzzSetup.h"
#include "core/NotificationKey.h"
#include "shell/LocalCommand.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzSetup::enter(argc, argv, FuzzSetup::Application::Core);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), int(size));
    const LocalCommand command = LocalCommand::parse(input);
    if (command.kind == LocalCommand::Kind::ShowNotification) {
        // The key splits into exactly three fields, so none holds a "_".
        if (command.taskId.contains(QLatin1Char('_')) || command.notificationKind.contains(QLatin1Char('_'))
            || command.moment < 0)
            std::abort();
    }
    const QString text = QString::fromUtf8(input);
    NotificationKey::problem(text);
    NotificationKey::forLog(text);
    return 0;
}
