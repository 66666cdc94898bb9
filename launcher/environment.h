// The process environment the JVM inherits: the runtime's bin directory on Path, and the
// variables of value 19.
#ifndef QV_LAUNCHER_ENVIRONMENT_H
#define QV_LAUNCHER_ENVIRONMENT_H

#include "state.h"
#include "step.h"

#include <string_view>

namespace qv {

// Appends ";" and the runtime home's bin directory to Path. Stops when the directory or the new
// value does not fit, or with the last error when Path cannot be set.
Step addRuntimeToPath(Context& ctx);
Step appendToPathVar(Context& ctx, std::string_view directory);
// Sets the variables of value 19; stops only when a text does not fit.
Step applyEnvironmentSettings(Context& ctx, const ProgramLocation& program);

}  // namespace qv

#endif  // QV_LAUNCHER_ENVIRONMENT_H
