// The settings of the Windows service (configuration values 33 to 39, 44 and 45), read only by the
// service commands, and the words of the command line that select those commands.
#ifndef QV_LAUNCHER_SERVICE_SETTINGS_H
#define QV_LAUNCHER_SERVICE_SETTINGS_H

#include "names.h"
#include "service_account.h"
#include "state.h"
#include "step.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Service names and display names: at most 256 characters (the service manager's limit,
// kServiceNameSize).
inline constexpr std::size_t kServiceDescriptionSize = kErrorMessageSize;
inline constexpr std::size_t kServiceDependenciesSize = kErrorMessageSize;
// The separator of the services in value 45.
inline constexpr char kDependencySeparator = ';';

inline constexpr const char* kDefaultServiceName = kProductName;
inline constexpr std::uint32_t kDefaultStopTimeoutSeconds = 30;
inline constexpr std::uint32_t kMaxStopTimeoutSeconds = 3600;
inline constexpr std::uint32_t kDefaultRestartDelaySeconds = 60;
inline constexpr std::uint32_t kMaxRestartDelaySeconds = 86400;
inline constexpr std::uint32_t kMillisecondsPerSecond = 1000;

// The recovery the install sets: three restarts, the count of failures forgotten after a day
// without one.
inline constexpr std::uint32_t kRecoveryRestarts = 3;
inline constexpr std::uint32_t kRecoveryResetSeconds = 86400;
// After a preshutdown control the service manager waits the stop timeout and this much more: the
// graceful stop gets the whole stop timeout, and the service's own end of a stop that timed out
// (its event, its stopped report, the end of its process) still falls inside the time the
// service manager waits for it.
inline constexpr std::uint32_t kPreshutdownMarginMs = 5000;

// The folder of the service's output logs, beside the program; an account other than LocalSystem
// is granted modify rights on it at install.
inline constexpr const char* kDefaultServiceLogFolder = "logs";

struct ServiceSettings {
    FixedText<kServiceNameSize> name;
    FixedText<kServiceNameSize> displayName;
    FixedText<kServiceDescriptionSize> description;
    ServiceStartType startType = ServiceStartType::Automatic;
    // "pkg.Class.method", empty for System.exit(0).
    FixedText<kPathSize> stopMethod;
    std::uint32_t stopTimeoutMs = kDefaultStopTimeoutSeconds * kMillisecondsPerSecond;
    std::uint32_t restartDelayMs = kDefaultRestartDelaySeconds * kMillisecondsPerSecond;
    // Value 44.
    ServiceAccount account;
    // Value 45: the services that must run first, in the order given.
    std::vector<std::string> dependencies;
};

// The services of value 45: the texts between the separators, without the blanks around them;
// empty ones are left out.
std::vector<std::string> dependenciesOf(std::string_view list);

// Value 33: the service name (unset or empty: kDefaultServiceName).
Step loadServiceName(Context& ctx, ServiceSettings& settings);
// Values 44 and 45, for the service of the settings' name. The virtual account of another
// service stops the step with ERROR_INVALID_DATA, the reason in `why` and in the debug log.
Step loadServiceAccount(Context& ctx, ServiceSettings& settings, std::string& why);
// Values 33 to 39, 44 and 45. A start type other than the three known texts, or the virtual
// account of another service, stops the step with ERROR_INVALID_DATA, naming the value in the
// debug log.
Step loadServiceSettings(Context& ctx, ServiceSettings& settings);

}  // namespace qv

#endif  // QV_LAUNCHER_SERVICE_SETTINGS_H
