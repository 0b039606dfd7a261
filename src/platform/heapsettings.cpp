#include "heapsettings.h"

#include <malloc.h>

namespace HeapSettings {

void apply()
{
#ifdef M_MXFAST
    // Small freed blocks are merged at once. Kept apart, the next large free merges them all
    // in one go: after a large folder is left, that held the window for some 40 ms.
    mallopt(M_MXFAST, 0);
    // Listings decoded on the thread pool would otherwise leave one heap per thread, each
    // keeping its high-water mark.
    mallopt(M_ARENA_MAX, 2);
    // Large buffers (a listing's reply, the rows of a folder) get pages of their own that go
    // back to the system when freed; a fixed threshold stops the allocator from raising it
    // and keeping them in the heap after each large folder.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
#endif
}

} // namespace HeapSettings
