// Running under the service manager (--mvk-service): the same preparation and in-process JVM
// start as the console program, with status reports to the service manager, a graceful stop
// through the configured stop method, and the error report in the event log.
#ifndef QV_LAUNCHER_SERVICE_RUN_H
#define QV_LAUNCHER_SERVICE_RUN_H

#include "command_line.h"
#include "names.h"
#include "os.h"

#include <chrono>
#include <cstdint>
#include <string_view>

namespace qv {

// What a pending report tells the service manager to wait before the next one, and how often
// the checkpoint advances while the service is pending.
inline constexpr std::uint32_t kStartWaitHintMs = 10000;
inline constexpr std::chrono::milliseconds kCheckpointInterval{2000};

// --mvk-service: hands the main thread to the service dispatcher and returns once the service
// has stopped: 0, or kExitNotAService with a line naming the cause when the process was not
// started by the service manager. `checkpointInterval` is how often a pending state advances.
int runService(Os& os, const CommandLine& line,
               std::chrono::milliseconds checkpointInterval = kCheckpointInterval);

}  // namespace qv

#endif  // QV_LAUNCHER_SERVICE_RUN_H
