#include "ProgramAllocator.h"

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
