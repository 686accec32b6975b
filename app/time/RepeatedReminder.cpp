#include "time/RepeatedReminder.h"

void RepeatedReminder::registerMetaTypes()
{
    static const bool registered = [] {
        qRegisterMetaType<RepeatedReminder>("RepeatedReminder");
        qRegisterMetaType<QList<RepeatedReminder>>("QList<RepeatedReminder>");
        return true;
    }();
    Q_UNUSED(registered)
}

bool operator==(const RepeatedReminder& left, const RepeatedReminder& right)
{
    return left.taskId == right.taskId && left.isDue == right.isDue && left.type == right.type;
}

bool operator!=(const RepeatedReminder& left, const RepeatedReminder& right)
{
    return !(left == right);
}
