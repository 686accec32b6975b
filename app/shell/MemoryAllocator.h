#pragma once

#include <QString>

// Which allocator serves the program's memory. Long lists are hundreds of
// thousands of small records made and dropped at once; the build links a
// faster small-object allocator where it has one, and the log says which
// one a run is using.
class MemoryAllocator
{
public:
    // "mimalloc 2.0.9", or "system" when the build has no other.
    static QString name();
};
