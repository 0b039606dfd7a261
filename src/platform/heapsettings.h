#ifndef HEAPSETTINGS_H
#define HEAPSETTINGS_H

namespace HeapSettings {

// Tunes the C library's allocator for a window that builds and drops folders of 100,000
// objects: freed memory goes back to the system instead of staying in the heap, and freeing
// many small blocks costs the same each time rather than a long pause now and then. Call it
// first in main(), before any thread starts.
void apply();

} // namespace HeapSettings

#endif // HEAPSETTINGS_H
