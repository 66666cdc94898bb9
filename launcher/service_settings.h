// The settings of the Windows service (configuration values 33 to 40), read only by the service
// commands, and the words of the command line that select those commands.
#ifndef QV_LAUNCHER_SERVICE_SETTINGS_H
#define QV_LAUNCHER_SERVICE_SETTINGS_H

#include "names.h"
#include "state.h"
#include "step.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Service names and display names: at most 256 characters (the service manager's limit).
inline constexpr std::size_t kServiceNameSize = 257;
inline constexpr std::size_t kServiceDescriptionSize = kErrorMessageSize;

inline constexpr const char* kDefaultServiceName = kProductName;
inline constexpr std::uint32_t kDefaultStopTimeoutSeconds = 30;
inline constexpr std::uint32_t kMaxStopTimeoutSeconds = 3600;
inline constexpr std::uint32_t kDefaultStartDeadlineSeconds = 120;
inline constexpr std::uint32_t kMaxStartDeadlineSeconds = 3600;
inline constexpr std::uint32_t kDefaultRestartDelaySeconds = 60;
inline constexpr std::uint32_t kMaxRestartDelaySeconds = 86400;
inline constexpr std::uint32_t kMillisecondsPerSecond = 1000;

// The recovery the install sets: three restarts, the count of failures forgotten after a day
// without one.
inline constexpr std::uint32_t kRecoveryRestarts = 3;
inline constexpr std::uint32_t kRecoveryResetSeconds = 86400;
// After a preshutdown control the service manager waits the stop timeout and this much more: the
// service's own stop ends its process once the stop timeout has passed.
inline constexpr std::uint32_t kPreshutdownMarginMs = 5000;

struct ServiceSettings {
    FixedText<kServiceNameSize> name;
    FixedText<kServiceNameSize> displayName;
    FixedText<kServiceDescriptionSize> description;
    ServiceStartType startType = ServiceStartType::Automatic;
    // "pkg.Class.method", empty for System.exit(0).
    FixedText<kPathSize> stopMethod;
    std::uint32_t stopTimeoutMs = kDefaultStopTimeoutSeconds * kMillisecondsPerSecond;
    std::uint32_t restartDelayMs = kDefaultRestartDelaySeconds * kMillisecondsPerSecond;
    // How long a start may take until main is called.
    std::uint32_t startDeadlineMs = kDefaultStartDeadlineSeconds * kMillisecondsPerSecond;
};

// Value 33: the service name (unset or empty: kDefaultServiceName).
Step loadServiceName(Context& ctx, ServiceSettings& settings);
// Values 33 to 40. A start type other than the three known texts stops the step with
// ERROR_INVALID_DATA, naming the value in the debug log and in the error message.
Step loadServiceSettings(Context& ctx, ServiceSettings& settings);

}  // namespace qv

#endif  // QV_LAUNCHER_SERVICE_SETTINGS_H
