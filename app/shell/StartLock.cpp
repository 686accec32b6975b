#include "shell/StartLock.h"

#include "logging/Log.h"

#include <QLockFile>

StartLock::StartLock(const QString &path)
    : m_lock(std::make_unique<QLockFile>(path))
{
    // A start never takes long; a lock older than this belongs to a start
    // that hung, and a crashed one is recognised at once by its process id.
    m_lock->setStaleLockTime(60000);
}

StartLock::~StartLock() = default;

bool StartLock::acquire(int timeoutMs)
{
    if (m_lock->tryLock(timeoutMs))
        return true;
    if (m_lock->error() == QLockFile::LockFailedError)
        return false;
    QLOG_WARN() << "Unable to guard the start against a parallel one (error " << int(m_lock->error())
                << "); going on without";
    return true;
}

void StartLock::release()
{
    m_lock->unlock();
}
