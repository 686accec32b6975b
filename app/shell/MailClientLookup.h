#pragma once

#include <QString>
#include <QStringList>

// Whether the desktop has a program for "mailto" links. On Linux the
// desktop's MIME database is asked through xdg-mime; a lookup that does not
// answer in time counts as no mail program, so the interface never hangs on
// it. On Windows the class registry is read.
class MailClientLookup
{
public:
    static constexpr int DefaultTimeoutMs = 2000;

    static bool hasDefaultMailClient();

    // Runs program with arguments and returns whether it finished in time
    // with exit code 0 and printed a handler name.
    static bool queryHandler(const QString& program, const QStringList& arguments,
        int timeoutMs = DefaultTimeoutMs);
};
