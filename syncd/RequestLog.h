#pragma once

#include <QString>

// One log line per request: what was asked, for which account, how it was
// answered and how long it took. Texts from the request are cut short and
// stripped of line breaks, so that no request can forge log lines.
class RequestLog
{
public:
    static void write(const QString& method, const QString& what, const QString& account, int status, double milliseconds);
    static QString printable(const QString& text, int maxLength = 80);
};
