// The names that several parts of the launcher share: the product, the debug log and its
// variable, the launcher's own words, and the exit codes of every runner.
#ifndef QV_LAUNCHER_NAMES_H
#define QV_LAUNCHER_NAMES_H

#include <cstdint>
#include <string_view>

namespace qv {

inline constexpr const char* kProductName = "QuorvexService";

// The debug log beside the program, and the environment variable that asks for it too.
inline constexpr const char* kLogFileName = "morvakin.log";
inline constexpr const char* kLogVariable = "Morvakin";

// Every word of the command line that is the launcher's own starts with this marker; such a word
// never reaches the Java service.
inline constexpr std::string_view kPrivateOptionMarker = "--mvk-";

inline constexpr std::string_view kHelpWord = "--mvk-help";
inline constexpr std::string_view kVersionWord = "--mvk-version";
inline constexpr std::string_view kCheckWord = "--mvk-check";
inline constexpr std::string_view kDebugWord = "--mvk-debug";
inline constexpr std::string_view kDebugAllWord = "--mvk-debug-all";
inline constexpr std::string_view kInstallWord = "--mvk-install";
inline constexpr std::string_view kUninstallWord = "--mvk-uninstall";
inline constexpr std::string_view kServiceWord = "--mvk-service";

// The console program: what main returned, or the code System.exit gave.
inline constexpr int kExitMainReturned = 0;
inline constexpr int kExitPreparationFailed = 1;
inline constexpr int kExitAnotherInstance = 2;
inline constexpr int kExitNoJvm = -1;

// --mvk-check: 0 when the service could start, kExitPreparationFailed otherwise.

// --mvk-install and --mvk-uninstall.
inline constexpr int kExitServiceCommandDone = 0;
inline constexpr int kExitServiceCommandFailed = 1;

// --mvk-service when the process was not started by the service manager.
inline constexpr int kExitNotAService = 1;

// The service-specific exit codes a stopped report carries (with kErrorServiceSpecific); any
// other non-zero code is the one main ended the JVM with (System.exit).
inline constexpr std::uint32_t kServiceExitPreparationFailed = 1;
inline constexpr std::uint32_t kServiceExitAnotherInstance = 2;
inline constexpr std::uint32_t kServiceExitNoJvm = 0xFFFFFFFF;  // -1
// main ended with an uncaught exception.
inline constexpr std::uint32_t kServiceExitUncaughtException = 70;
// The start had not called main when its deadline passed (value 40).
inline constexpr std::uint32_t kServiceExitStartDeadline = 71;
// The JVM aborted (its abort hook was called).
inline constexpr std::uint32_t kServiceExitJvmAbort = 72;

}  // namespace qv

#endif  // QV_LAUNCHER_NAMES_H
