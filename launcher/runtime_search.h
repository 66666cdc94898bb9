// The Java runtime search: the local runtime beside the program, or one registered below
// SOFTWARE\JavaSoft or SOFTWARE\IBM within the configured version window.
#ifndef QV_LAUNCHER_RUNTIME_SEARCH_H
#define QV_LAUNCHER_RUNTIME_SEARCH_H

#include "state.h"

#include <cstdint>
#include <string_view>

namespace qv {

// The Java launcher file, relative to a runtime's home.
inline constexpr const char* kJavaLauncherFile = "bin\\java.exe";

bool jreSearch(Context& ctx, const ProgramLocation& program);
bool bundledJreSearch(Context& ctx, const ProgramLocation& program);
bool installedJreSearch(Context& ctx);
bool findJavaHome(Context& ctx, TextBuffer& out, int jdkPreference);
void scanRuntimePair(Context& ctx, const char* jreKey, const char* jdkKey, int jdkPreference);
void scanRuntimeViews(Context& ctx, const char* key, std::uint32_t flags);
void scanRuntimeKey(Context& ctx, const char* key, std::uint32_t flags);
bool acceptJavaHome(Context& ctx, const char* candidate, std::uint32_t flags);
bool launcherExists(Context& ctx, std::string_view home);
// Completes the launcher path with "bin\java.exe"; false when it does not fit.
bool addLauncherFile(Context& ctx, TextBuffer& path);
void composeRuntimeError(Context& ctx);

// The normalised version ("1.008.000_202"); false (output empty) when it does not fit.
bool normalizeVersion(TextBuffer& out, std::string_view text);

}  // namespace qv

#endif  // QV_LAUNCHER_RUNTIME_SEARCH_H
