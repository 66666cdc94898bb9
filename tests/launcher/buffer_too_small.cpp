// Must not compile: value 1 holds up to 259 characters, more than a 127-character buffer. The
// test launcher_value_buffer_checked_at_build builds this file and expects the build to stop at
// the check of the buffer against the value.
#include "config.h"

namespace qv {

bool readIntoTooSmallBuffer(Context& ctx) {
    FixedText<kShortTextSize> buffer;
    return loadString(ctx, cfg::kLocalRuntime, buffer);
}

}  // namespace qv
