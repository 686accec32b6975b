#include "core/NotifierClock.h"

NotifierClock::~NotifierClock() = default;

QDateTime NotifierClock::now() const
{
    return QDateTime::currentDateTime();
}

NotifierClock *NotifierClock::system()
{
    static NotifierClock clock;
    return &clock;
}
