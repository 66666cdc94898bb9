// Access to the preloaded malloc counter, when the run has one (see malloc_counter.h).
#pragma once

#include "malloc_counter.h"

namespace bridgebench {

// True when libbenchmalloc.so is preloaded into this process.
bool memoryCounterPresent();
// Starts counting this thread's allocations; does nothing without the counter.
void memoryBegin();
// Stops counting and gives what was counted (all zero without the counter).
bench_memory memoryEnd();

}  // namespace bridgebench
