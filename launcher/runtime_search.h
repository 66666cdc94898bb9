// The Java runtime search: the local runtime beside the program, or one registered below
// SOFTWARE\JavaSoft or SOFTWARE\IBM within the configured version window.
#ifndef QV_LAUNCHER_RUNTIME_SEARCH_H
#define QV_LAUNCHER_RUNTIME_SEARCH_H

#include "state.h"
#include "step.h"

#include <cstdint>
#include <string_view>

namespace qv {

// The Java launcher file, relative to a runtime's home.
inline constexpr const char* kJavaLauncherFile = "bin\\java.exe";

// Finds the runtime home (state.search.javaHome), in the order value 32 sets. Stops with the
// runtime error message composed when there is none, or when a value does not fit.
Step jreSearch(Context& ctx, const ProgramLocation& program);
// The result of the searches is whether a runtime was found; the step stops only when a text
// does not fit.
Result<bool> bundledJreSearch(Context& ctx, const ProgramLocation& program);
Result<bool> installedJreSearch(Context& ctx);
Result<bool> findJavaHome(Context& ctx, int jdkPreference);
Step scanRuntimePair(Context& ctx, const char* jreKey, const char* jdkKey, int jdkPreference);
Step scanRuntimeViews(Context& ctx, const char* key, std::uint32_t flags);
void scanRuntimeKey(Context& ctx, const char* key, std::uint32_t flags);
bool acceptJavaHome(Context& ctx, const char* candidate, std::uint32_t flags);
bool launcherExists(Context& ctx, std::string_view home);
// The Java launcher file of the runtime home into `path`; stops when it does not fit.
Step addLauncherFile(Context& ctx, FixedText<kPathSize>& path);
// The error message and URL when no runtime was found; stops when a value does not fit.
Step composeRuntimeError(Context& ctx);

// The normalised version ("1.008.000_202"); false (output empty) when it does not fit.
bool normalizeVersion(TextBuffer& out, std::string_view text);

}  // namespace qv

#endif  // QV_LAUNCHER_RUNTIME_SEARCH_H
