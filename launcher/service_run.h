// Running under the service manager (--mvk-service): the same preparation and in-process JVM
// start as the console program, with status reports to the service manager, a graceful stop
// through the configured stop method, and the error report in the event log.
#ifndef QV_LAUNCHER_SERVICE_RUN_H
#define QV_LAUNCHER_SERVICE_RUN_H

#include "os.h"

#include <chrono>
#include <cstdint>
#include <string_view>

namespace qv {

// The service-specific exit codes a stopped report carries (with kErrorServiceSpecific); any
// other non-zero code is the one main ended the JVM with (System.exit).
inline constexpr std::uint32_t kServiceExitPreparationFailed = 1;
inline constexpr std::uint32_t kServiceExitAnotherInstance = 2;
inline constexpr std::uint32_t kServiceExitNoJvm = 0xFFFFFFFF;  // -1
// main ended with an uncaught exception.
inline constexpr std::uint32_t kServiceExitUncaughtException = 70;

// What a pending report tells the service manager to wait before the next one, and how often
// the checkpoint advances while the service is pending.
inline constexpr std::uint32_t kStartWaitHintMs = 10000;
inline constexpr std::chrono::milliseconds kCheckpointInterval{2000};

// Exit code of the process when --mvk-service was not started by the service manager.
inline constexpr int kExitNotAService = 1;

// --mvk-service: hands the main thread to the service dispatcher and returns once the service
// has stopped: 0, or kExitNotAService with a line naming the cause when the process was not
// started by the service manager. `checkpointInterval` is how often a pending state advances.
int runService(Os& os, std::string_view argumentText,
               std::chrono::milliseconds checkpointInterval = kCheckpointInterval);

}  // namespace qv

#endif  // QV_LAUNCHER_SERVICE_RUN_H
