#pragma once

#include <QString>

class QProcess;

// Starts the real QuorvelNotifier on a notification file full of pending
// reminders, in a private home of its own, and measures how long it takes
// until every reminder has its timer and how much memory it then holds.
// Prints one JSON line per figure and run.
class NotifierBenchmark
{
public:
    NotifierBenchmark(const QString &notifierPath, int reminderCount);

    // False when the notifier did not arm every reminder in time.
    bool run(int runNumber);

private:
    struct Arming {
        bool complete = false;
        qint64 wallMs = 0;
        qint64 loggedMs = 0;
    };

    void writeNotificationFile(const QString &path) const;
    Arming waitUntilArmed(QProcess &notifier, const QString &logPath) const;
    static qint64 residentKb(qint64 pid);

    QString m_notifierPath;
    int m_reminderCount;
};
