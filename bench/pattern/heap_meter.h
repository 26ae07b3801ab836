#pragma once
// Counts the heap bytes the process holds, through its own operator new and delete, so that
// the benchmark can tell the most a single search held above what it started with. PCRE2
// allocates through a context that reports to the same meter.

#include <cstddef>

namespace heap_meter {

// Starts a new measurement from what is held now.
void Reset();
// The most bytes held above that since Reset.
std::size_t PeakSinceReset();

// Allocation through the meter, for libraries that take their own allocator.
void* Allocate(std::size_t size);
void Release(void* block);

}  // namespace heap_meter
