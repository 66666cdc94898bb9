// The heap options (-Xms, -Xmx) at the head of the launcher argument line: a size in MB or a
// share of the available memory, capped for a 32-bit runtime.
#ifndef QV_LAUNCHER_HEAP_OPTIONS_H
#define QV_LAUNCHER_HEAP_OPTIONS_H

#include "state.h"
#include "step.h"

#include <cstdint>

namespace qv {

// -Xms from values 25 and 26, -Xmx from 27 and 28; stops only when a text does not fit.
Step addHeapOptions(Context& ctx, TextBuffer& line);
// One option from a size in MB and a share in percent of the available memory (the larger wins).
Step addHeapOption(Context& ctx, TextBuffer& line, int mb, int percent,
                   std::uint64_t availableBytes, const char* option);

}  // namespace qv

#endif  // QV_LAUNCHER_HEAP_OPTIONS_H
