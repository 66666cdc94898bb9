// The class path part (class path and main class, or the jar) and the application arguments at
// the end of the launcher argument line.
#ifndef QV_LAUNCHER_CLASS_PATH_H
#define QV_LAUNCHER_CLASS_PATH_H

#include "state.h"
#include "step.h"

#include <string>
#include <string_view>

namespace qv {

// An entry of the class path list is a pattern when it holds a wildcard.
bool isClassPathPattern(std::string_view entry);

// Both stop only when something does not fit (the line, a match path or a value). The class
// path step records its pattern entries and their matches in the state.
Step addClassPathOrJar(Context& ctx, const ProgramLocation& program);
// The argument text without the launcher's own words goes to main's arguments.
Step addApplicationArgs(Context& ctx, std::string_view argumentText);

}  // namespace qv

#endif  // QV_LAUNCHER_CLASS_PATH_H
