#pragma once

#include <QtGlobal>

#if defined(METRICOVE_LIBRARY)
#define METRICOVE_EXPORT Q_DECL_EXPORT
#else
#define METRICOVE_EXPORT Q_DECL_IMPORT
#endif
