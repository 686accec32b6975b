#pragma once

#include "logging/LoggingExport.h"

#include <QString>

// Text from outside (ids from the server or another process, what the
// interface passes on) goes into the log through here: a line feed or any
// other control or line-separating character in it must not start a log
// line of its own.
class QVLOG_EXPORT LogText
{
public:
    // The text with such characters written as \uXXXX.
    static QString printable(const QString &text);
};
