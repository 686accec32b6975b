#pragma once

#include <QtGlobal>

#if defined(PLEXLINK_LIBRARY)
#define PLEXLINK_EXPORT Q_DECL_EXPORT
#else
#define PLEXLINK_EXPORT Q_DECL_IMPORT
#endif
