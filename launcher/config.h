// The embedded launch configuration: RCDATA resources of the program's module, read as text,
// boolean or integer.
#ifndef QV_LAUNCHER_CONFIG_H
#define QV_LAUNCHER_CONFIG_H

#include "state.h"
#include "step.h"

#include "quorvex/launch_config.h"

#include <string_view>

namespace qv {

// The configuration values, their IDs and longest texts: generated from
// config/launch-values.txt.
namespace cfg = quorvex::launch_config;

// Reads value `id` into `out`; the result is true when the value exists and was copied. A missing
// value empties `out` and clears the last error; one that cannot be loaded leaves both unchanged.
// A value longer than `out` can hold is refused: `out` is emptied and the step stops, naming the
// value.
Result<bool> loadText(Context& ctx, int id, TextBuffer& out);
// True exactly when the value is "true".
Result<bool> loadBoolValue(Context& ctx, int id);
// The value read with the C runtime's atoi rules (0 for a missing value); saturates at the
// bounds of int instead of overflowing.
Result<int> loadIntValue(Context& ctx, int id);

// The reads by value, into a buffer that holds the value's longest text: a buffer too small for
// it fails the build.
template <int Id, int MaxLength, std::size_t N>
Result<bool> loadString(Context& ctx, cfg::ValueConstant<Id, MaxLength>, FixedText<N>& out) {
    static_assert(static_cast<std::size_t>(MaxLength) < N,
                  "the buffer cannot hold the longest text of the value");
    return loadText(ctx, Id, out);
}
template <int Id, int MaxLength>
Result<bool> loadBool(Context& ctx, cfg::ValueConstant<Id, MaxLength>) {
    static_assert(static_cast<std::size_t>(MaxLength) < kNumberTextSize,
                  "the number buffer cannot hold the longest text of the value");
    return loadBoolValue(ctx, Id);
}
template <int Id, int MaxLength>
Result<int> loadInt(Context& ctx, cfg::ValueConstant<Id, MaxLength>) {
    static_assert(static_cast<std::size_t>(MaxLength) < kNumberTextSize,
                  "the number buffer cannot hold the longest text of the value");
    return loadIntValue(ctx, Id);
}

// atoi: leading white space, one sign, the digits up to the first other character.
int parseInt(std::string_view text);

}  // namespace qv

#endif  // QV_LAUNCHER_CONFIG_H
