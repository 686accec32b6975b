#pragma once

#include <QString>

// The key of one pending reminder: task id, "_", kind ("STARTDATE",
// "DUEDATE" or "SNOOZE"), "_", the reminder moment in milliseconds since the
// epoch. The main program splits the key it receives back into these three
// fields, so a key of another shape can never be shown and is not armed.
class NotificationKey
{
public:
    // Longer keys are not reminders the main program wrote; they would only
    // travel as a needlessly large command.
    static constexpr int MaxLength = 1024;

    // An empty text when the key is usable, otherwise why it is not.
    static QString problem(const QString &key);

    // The key shortened for a log line, so a hostile key cannot flood the log.
    static QString forLog(const QString &key);
};
