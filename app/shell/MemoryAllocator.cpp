#include "shell/MemoryAllocator.h"

#ifdef QUORVEL_MIMALLOC
#include <mimalloc.h>
#endif

QString MemoryAllocator::name()
{
#ifdef QUORVEL_MIMALLOC
    // mi_version() gives the version as major * 100 + minor * 10 + patch.
    const int version = mi_version();
    return QStringLiteral("mimalloc %1.%2.%3").arg(version / 100).arg(version / 10 % 10).arg(version % 10);
#else
    return QStringLiteral("system");
#endif
}
