// The process environment the JVM inherits: the runtime's bin directory on Path, and the
// variables of value 19.
#ifndef QV_LAUNCHER_ENVIRONMENT_H
#define QV_LAUNCHER_ENVIRONMENT_H

#include "state.h"

#include <string_view>

namespace qv {

bool addRuntimeToPath(Context& ctx);
bool appendToPathVar(Context& ctx, std::string_view directory);
// False only when an expanded value does not fit.
bool applyEnvironmentSettings(Context& ctx, const ProgramLocation& program);

}  // namespace qv

#endif  // QV_LAUNCHER_ENVIRONMENT_H
