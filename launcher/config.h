// The embedded launch configuration: RCDATA resources of the program's module, read as text,
// boolean or integer.
#ifndef QV_LAUNCHER_CONFIG_H
#define QV_LAUNCHER_CONFIG_H

#include "state.h"

#include <string_view>

namespace qv {

// The configuration value IDs.
namespace cfg {
inline constexpr int kLocalRuntimePath = 1;
inline constexpr int kMinVersion = 2;
inline constexpr int kMaxVersion = 3;
inline constexpr int kWorkingDirectory = 8;
inline constexpr int kErrorTitle = 10;
inline constexpr int kJvmOptions = 12;
inline constexpr int kApplicationArgs = 13;
inline constexpr int kJarPath = 14;
inline constexpr int kMainClass = 15;
inline constexpr int kClassPath = 16;
inline constexpr int kExecutableIsJar = 17;
inline constexpr int kJdkPreference = 18;
inline constexpr int kEnvironment = 19;
inline constexpr int kRuntimeDownloadUrl = 21;
inline constexpr int kSupportUrl = 22;
inline constexpr int kMutexName = 23;
inline constexpr int kInitialHeapMb = 25;
inline constexpr int kInitialHeapPercent = 26;
inline constexpr int kMaxHeapMb = 27;
inline constexpr int kMaxHeapPercent = 28;
inline constexpr int kLocalRuntimeIs64Bit = 29;
inline constexpr int kRuntimeBits = 30;
inline constexpr int kRestart = 31;
inline constexpr int kInstalledFirst = 32;
inline constexpr int kStartupErrorMessage = 101;
inline constexpr int kLocalRuntimeMissingMessage = 102;
inline constexpr int kRuntimeRequiredMessage = 103;
inline constexpr int kStaleRegistryMessage = 104;
inline constexpr int kInstanceRunningMessage = 105;
}  // namespace cfg

// Reads value `id` into `out`. True when it exists and was copied. A missing value empties `out`
// and clears the last error; one that cannot be loaded leaves both unchanged. A value longer
// than `out` can hold is refused: `out` is emptied and the run's failure names the value.
bool loadString(Context& ctx, int id, TextBuffer& out);
// True exactly when the value is "true".
bool loadBool(Context& ctx, int id);
// The value read with the C runtime's atoi rules (0 for a missing value); saturates at the
// bounds of int instead of overflowing.
int loadInt(Context& ctx, int id);

// atoi: leading white space, one sign, the digits up to the first other character.
int parseInt(std::string_view text);

}  // namespace qv

#endif  // QV_LAUNCHER_CONFIG_H
