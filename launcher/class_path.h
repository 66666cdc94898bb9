// The class path part (class path and main class, or the jar) and the application arguments at
// the end of the launcher argument line.
#ifndef QV_LAUNCHER_CLASS_PATH_H
#define QV_LAUNCHER_CLASS_PATH_H

#include "state.h"
#include "step.h"

#include <string>
#include <string_view>

namespace qv {

// The launcher's own options begin with this marker and never reach the application.
inline constexpr std::string_view kPrivateOptionMarker = "--mvk-";

// The labels of the trace lines of a class path entry and of each match of a pattern entry.
inline constexpr const char* kEntryTraceLabel = "Add classpath:\t";
inline constexpr const char* kMatchTraceLabel = "      \"      :\t";

// Both stop only when something does not fit (the line, a match path or a value).
Step addClassPathOrJar(Context& ctx, const ProgramLocation& program);
Step addApplicationArgs(Context& ctx, std::string_view argumentText);

// The argument text without its "--mvk-" words.
std::string removePrivateOptions(std::string_view argumentText);

}  // namespace qv

#endif  // QV_LAUNCHER_CLASS_PATH_H
