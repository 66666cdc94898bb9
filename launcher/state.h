// The launcher's run-time state: one LauncherState, owned by the run (runLauncher), reached by
// every step through its Context.
#ifndef QV_LAUNCHER_STATE_H
#define QV_LAUNCHER_STATE_H

#include "capacities.h"
#include "debug_log.h"
#include "fixed_text.h"
#include "os.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Found-runtime flags. FOUND_64BIT is the registry access bit KEY_WOW64_64KEY on purpose: a
// registry scan carries its view in the same flag word.
inline constexpr std::uint32_t FOUND_JRE_KEY = 1;
inline constexpr std::uint32_t FOUND_JDK_KEY = 2;
inline constexpr std::uint32_t FOUND_LOCAL = 4;
inline constexpr std::uint32_t FOUND_64BIT = kKeyWow64_64Key;

// Runtime-bits mode value meaning "configuration value 30 not read yet".
inline constexpr int kBitsModeUnread = 9;

using VersionText = FixedText<kShortTextSize>;
using ErrorMessage = FixedText<kErrorMessageSize>;

struct RuntimeSearchState {
    int bitsMode = kBitsModeUnread;
    std::uint32_t foundRuntime = 0;
    bool installedFirst = false;
    bool staleRegistry = false;
    VersionText minVersionText;
    VersionText maxVersionText;
    VersionText minVersion;
    VersionText maxVersion;
    VersionText bestVersion;
    FixedText<kPathSize> javaHome;

    // What the first preparation step resets; the texts keep what they hold.
    void reset() {
        bitsMode = kBitsModeUnread;
        foundRuntime = 0;
        installedFirst = false;
        staleRegistry = false;
    }
};

// The program path and the index of its last backslash; exists while the preparation runs.
struct ProgramLocation {
    FixedText<kPathSize> path;
    std::size_t directoryLength = 0;

    // The program directory, without a trailing backslash.
    std::string_view directory() const { return path.view().substr(0, directoryLength); }
};

// A pattern entry of the class path (value 16) and the files it matched, in the order added.
struct ClassPathPattern {
    std::string entry;
    std::vector<std::string> matches;
};

// Who runs the start: the console program (and --mvk-check), or the service manager
// (--mvk-service). The single-instance guard differs between them.
enum class RunMode { Console, Service };

struct LauncherState {
    RunMode mode = RunMode::Console;
    ModuleHandle module = nullptr;
    FixedText<kShortTextSize> errorTitle;
    FixedText<kErrorUrlSize> errorUrl;
    ErrorMessage errorMessage;
    bool wow64 = false;
    FixedText<kPathSize> startupDirectory;
    RuntimeSearchState search;
    FixedText<kLineSize> launcherArgs;
    // The arguments main receives, one per word: value 13 and the filtered argument text.
    FixedText<kLineSize> applicationArgs;
    FixedText<kPathSize> mainClass;
    // What the class path step made of its pattern entries.
    std::vector<ClassPathPattern> classPathPatterns;
    int exitCode = 0;
    DebugLog log;
    // A service goes on without a debug log that cannot be opened (the console program stops):
    // set, the failure is noted in debugLogFailure ("<path>: <system text>") instead.
    bool debugLogOptional = false;
    std::string debugLogFailure;
};

// What every step works with: the operating system and the state.
struct Context {
    Os& os;
    LauncherState& state;
};

}  // namespace qv

#endif  // QV_LAUNCHER_STATE_H
