#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Held by a starting Quorvel from the look for a running instance until its
// own local server listens. Without it two copies started at the same moment
// (a double click on the launcher, autostart racing a manual start) both find
// nobody, and both go on running on the same database.
class StartLock
{
public:
    explicit StartLock(const QString &path);
    ~StartLock();

    // Waits up to timeoutMs for a start in progress to finish. False when
    // another start still holds the lock then; a lock that cannot be taken
    // for any other reason (unwritable folder) is logged and counts as taken,
    // since refusing to start would be worse.
    bool acquire(int timeoutMs);
    void release();

private:
    std::unique_ptr<QLockFile> m_lock;
};
