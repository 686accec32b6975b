// The account service's side-channel replies (sorting, reminders) as the
// channels read them: the body's cap and shape checks, then the sorting
// channel applying each list to its real settings file, and each item as
// the reminders channel checks a reminder.

#include "FuzzSetup.h"
#include "sync/ReminderObject.h"
#include "sync/SortingManager.h"

#include <QDir>
#include <QJsonArray>

#include <cstdint>

namespace {

// The channel with its reply handling reachable from here.
class ExposedSortingManager : public SortingManager
{
public:
    using BaseSyncManager::readServerList;
    using SortingManager::applyServerList;
    using SortingManager::SortingManager;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzSetup::enter(argc, argv, FuzzSetup::Application::Gui);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One channel and its file for the whole run, as in the program; never
    // deleted (see FuzzSetup).
    static ExposedSortingManager& sorting
        = *new ExposedSortingManager(QDir::tempPath() + QStringLiteral("/sorting.dat"));
    QJsonArray items;
    if (!sorting.readServerList(QByteArray(reinterpret_cast<const char*>(data), int(size)), &items))
        return 0;
    sorting.applyServerList(items);
    for (const QJsonValue& item : items) {
        BaseSyncManager::isUsableId(item.toObject().value(QStringLiteral("object_id")));
        BaseSyncManager::parseTime(item.toObject().value(QStringLiteral("last_changed")));
        if (!ReminderObject::problem(item).isEmpty())
            continue;
        const QJsonObject reminder = item.toObject();
        ReminderObject::identity(reminder);
        ReminderObject::isDue(reminder);
        ReminderObject::type(reminder);
    }
    return 0;
}
