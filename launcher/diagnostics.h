// The debug log decision and the error report.
#ifndef QV_LAUNCHER_DIAGNOSTICS_H
#define QV_LAUNCHER_DIAGNOSTICS_H

#include "command_line.h"
#include "state.h"
#include "step.h"

#include <string>
#include <string_view>

namespace qv {

// The launcher's own version, the first line of every block of the debug log.
inline constexpr const char* kLauncherVersion = "3.12";

// Opens the debug log when the command line or the variable "Morvakin" asks for it (the variable
// by the substring rule with "debug" and "debug-all"). Stops when a requested log cannot be
// opened or its path does not fit.
Step openDebugLog(Context& ctx, const CommandLine& line, const ProgramLocation& program);
void closeDebugLog(Context& ctx);

// One message under the error title on standard output.
void showMessage(Context& ctx, std::string_view text);

// The error report of the step that stopped the start: the error message (with the text that
// did not fit), the system text for the step's last-error code, the error URL; closes the log.
// The thread's last error is set here, from the step.
void reportError(Context& ctx, const Step& stop);
// The report's text alone, in the state's error message, with its debug log lines; shows
// nothing and opens nothing (what a service reports to the event log).
void composeErrorReport(Context& ctx, const Step& stop);

// The system's text for an error code as the system gives it (with its line end), or for a code
// without one "Windows error N (no description available)." With a subject, the text's inserts
// %1 name it (fillInserts).
std::string systemText(Os& os, std::uint32_t code, std::string_view subject = {});

// Longest text fillInserts gives, in characters: the error message's room.
inline constexpr std::size_t kFilledTextMaxChars = kErrorMessageSize - 1;
// A system text with each insert %1 (also written %1!s!) replaced by `subject`, at most
// kFilledTextMaxChars characters. Other inserts and "%%" stay as they stand; an empty subject
// leaves the text as it is.
std::string fillInserts(std::string_view text, std::string_view subject);
// The same without its line end: for one-line messages.
std::string systemTextOf(Os& os, std::uint32_t code);

// The stop because `what` did not fit; writes it to the debug log as an "Error:" line.
Step stopTooLong(Context& ctx, std::string what);
// Stops for a reason of the launcher's own that no Windows error names: logged as "Error:" and
// shown after the start-up error message, as a text that does not fit is.
Step stopWithReason(Context& ctx, std::string why);
// The stop with the thread's last error as the failed call left it.
Step stopWithLastError(Context& ctx);

}  // namespace qv

#endif  // QV_LAUNCHER_DIAGNOSTICS_H
