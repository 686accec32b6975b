#pragma once

// Stream-style logging in the manner of QsLog:
//     QLOG_INFO() << "Application " << version << " started from " << dir;
// A line below the logger's level costs one comparison and builds nothing.

#include "logging/LogStream.h"

// A one-pass loop rather than if/else, so that an unbraced
// "if (failed) QLOG_ERROR() << ...; else ..." binds as it reads.
#define QVLOG_AT(level)                                                                                      \
    for (bool qvlogPending = Logging::Logger::instance().admits(level); qvlogPending; qvlogPending = false)  \
    Logging::LogStream(level)

#define QLOG_TRACE() QVLOG_AT(Logging::TraceLevel)
#define QLOG_DEBUG() QVLOG_AT(Logging::DebugLevel)
#define QLOG_INFO() QVLOG_AT(Logging::InfoLevel)
#define QLOG_WARN() QVLOG_AT(Logging::WarnLevel)
#define QLOG_ERROR() QVLOG_AT(Logging::ErrorLevel)
#define QLOG_FATAL() QVLOG_AT(Logging::FatalLevel)
