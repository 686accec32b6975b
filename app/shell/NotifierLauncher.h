#pragma once

#include <QString>

// Makes sure the background reminder process runs: probes its local server
// and, when nobody answers, starts it once and probes again.
class NotifierLauncher
{
public:
    static QString notifierPath();

    // Returns true when the notifier's server answered, directly or after
    // one launch attempt followed by a wait of at most launchWaitMs.
    static bool ensureRunning(int launchWaitMs = 1000);

private:
    static bool isAnswering();
    static void waitUntilAnswering(int waitMs);
    static bool launch(const QString &path);
};
