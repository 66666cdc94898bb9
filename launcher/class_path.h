// The class path part (class path and main class, or the jar) and the application arguments at
// the end of the launcher argument line.
#ifndef QV_LAUNCHER_CLASS_PATH_H
#define QV_LAUNCHER_CLASS_PATH_H

#include "state.h"
#include "step.h"

#include <string>
#include <string_view>

namespace qv {

// The labels of the trace lines of a class path entry and of each match of a pattern entry.
inline constexpr const char* kEntryTraceLabel = "Add classpath:\t";
inline constexpr const char* kMatchTraceLabel = "      \"      :\t";

// Both stop only when something does not fit (the line, a match path or a value).
Step addClassPathOrJar(Context& ctx, const ProgramLocation& program);
// The argument text without the launcher's own words goes to main's arguments.
Step addApplicationArgs(Context& ctx, std::string_view argumentText);

}  // namespace qv

#endif  // QV_LAUNCHER_CLASS_PATH_H
