#pragma once

#include "core/NotifierClock.h"

// The wall clock as someone changing the system time would see it: the
// machine's time moved by an offset that a test sets.
class JumpingClock : public NotifierClock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime().addMSecs(m_offsetMs); }
    void jump(qint64 ms) { m_offsetMs += ms; }

private:
    qint64 m_offsetMs = 0;
};
