// The debug log decision and the error report.
#ifndef QV_LAUNCHER_DIAGNOSTICS_H
#define QV_LAUNCHER_DIAGNOSTICS_H

#include "state.h"

#include <string>
#include <string_view>

namespace qv {

// Opens the debug log when the argument text or the variable "Morvakin" asks for it. False only
// when a requested log cannot be opened.
bool openDebugLog(Context& ctx, std::string_view argumentText, const ProgramLocation& program);
void closeDebugLog(Context& ctx);

// One message under the error title on standard output.
void showMessage(Context& ctx, std::string_view text);

// The error report: message, system text for the last error, error URL; closes the log.
void reportError(Context& ctx);

// What the report shows for a last error code that has no system text.
std::string missingSystemText(std::uint32_t code);

// Records that `what` did not fit (the first such text is kept), writes it to the debug log as
// an "Error:" line and gives false. The preparation stops at its next check.
bool noteOverflow(Context& ctx, std::string_view what);
// Whether a text did not fit somewhere.
inline bool overflowed(const Context& ctx) {
    return !ctx.state.failure.empty();
}

}  // namespace qv

#endif  // QV_LAUNCHER_DIAGNOSTICS_H
