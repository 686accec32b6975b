#pragma once

#include <QtGlobal>

// The logging module is one shared library, so that the main program,
// Plexlink and the notifier all write through the same logger instance.
#if defined(QVLOG_LIBRARY)
#define QVLOG_EXPORT Q_DECL_EXPORT
#else
#define QVLOG_EXPORT Q_DECL_IMPORT
#endif
