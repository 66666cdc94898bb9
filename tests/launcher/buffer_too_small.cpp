// Must not compile: value 1 holds up to 259 characters, more than a 127-character buffer. The
// test launcher_value_buffer_checked_at_build builds this file and expects the build to stop at
// the check of the buffer against the value, with no other error. Built with
// QV_BUFFER_HOLDS_THE_VALUE, the buffer is a path's, which holds the value, and the file compiles:
// the check is the only thing in it that stops the build.
#include "config.h"

namespace qv {

#ifdef QV_BUFFER_HOLDS_THE_VALUE
constexpr std::size_t kBufferSize = kPathSize;
#else
constexpr std::size_t kBufferSize = kShortTextSize;
#endif

Result<bool> readIntoBuffer(Context& ctx) {
    FixedText<kBufferSize> buffer;
    return loadString(ctx, cfg::kLocalRuntime, buffer);
}

}  // namespace qv
