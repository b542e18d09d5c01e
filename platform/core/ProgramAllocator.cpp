#include "ProgramAllocator.h"

// Any header of the C library tells which one it is (__GLIBC__); without one the settings
// below would never be compiled in.
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

void UseProgramAllocator() {
#if defined(__GLIBC__)
    // Blocks under 32 MB come from the heap, not from mappings of their own, and up to 128 MB
    // freed at the heap's top stay there.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
#endif
}
