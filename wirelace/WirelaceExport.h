#pragma once

#include <QtGlobal>

#if defined(WIRELACE_LIBRARY)
#define WIRELACE_EXPORT Q_DECL_EXPORT
#else
#define WIRELACE_EXPORT Q_DECL_IMPORT
#endif
