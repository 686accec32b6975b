#pragma once

#include <QDateTime>

// The notifier's source of the current moment. Reminder timers run on the
// monotonic clock, but reminders are due at wall-clock moments; everything
// that compares the two reads the time here, so that tests can move the wall
// clock without touching the machine's.
class NotifierClock
{
public:
    virtual ~NotifierClock();

    virtual QDateTime now() const;

    // The clock of the machine, shared by everyone who is given no other.
    static NotifierClock *system();
};
