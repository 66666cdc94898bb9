// The settings of the Windows service (configuration values 33 to 45), read only by the
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
// graceful stop gets the whole stop timeout, and the service's own end of a stop that timed out
// (its event, its stopped report, the end of its process) still falls inside the time the
// service manager waits for it.
inline constexpr std::uint32_t kPreshutdownMarginMs = 5000;

// The folder of the service's output logs, beside the program; an account other than LocalSystem
// is granted modify rights on it at install.
inline constexpr const char* kDefaultServiceLogFolder = "logs";
// The output log (values 42 and 43): the size in MB at which the file is rotated, and how many
// rotated files are kept.
inline constexpr std::uint32_t kDefaultServiceLogFileMb = 10;
inline constexpr std::uint32_t kMaxServiceLogFileMb = 1024;
inline constexpr std::uint32_t kDefaultServiceLogFilesKept = 5;
inline constexpr std::uint32_t kMaxServiceLogFilesKept = 100;
inline constexpr std::uint64_t kBytesPerMb = 1024 * 1024;

struct ServiceSettings {
    FixedText<kServiceNameSize> name;
    FixedText<kServiceNameSize> displayName;
    FixedText<kServiceDescriptionSize> description;
    ServiceStartType startType = ServiceStartType::Automatic;
    // Value 36 as written, for the check's report.
    FixedText<kShortTextSize> startTypeText;
    // "pkg.Class.method", empty for System.exit(0).
    FixedText<kPathSize> stopMethod;
    std::uint32_t stopTimeoutMs = kDefaultStopTimeoutSeconds * kMillisecondsPerSecond;
    std::uint32_t restartDelayMs = kDefaultRestartDelaySeconds * kMillisecondsPerSecond;
    // Value 44.
    ServiceAccount account;
    // Value 45: the services that must run first, in the order given.
    std::vector<std::string> dependencies;
    // How long a start may take until main is called.
    std::uint32_t startDeadlineMs = kDefaultStartDeadlineSeconds * kMillisecondsPerSecond;
    // Value 41 as written: empty for kDefaultServiceLogFolder (see serviceLogFolder).
    FixedText<kPathSize> logFolder;
    // Values 42 and 43.
    std::uint64_t logFileBytes = kDefaultServiceLogFileMb * kBytesPerMb;
    std::uint32_t logFilesKept = kDefaultServiceLogFilesKept;
};

// The folder of the service's output logs: value 41, a relative one below the program's
// directory; unset, kDefaultServiceLogFolder there.
std::string serviceLogFolder(std::string_view programDirectory, std::string_view value);

// The services of value 45: the texts between the separators, without the blanks around them;
// empty ones are left out.
std::vector<std::string> dependenciesOf(std::string_view list);
// The start type of a value 36 text: "automatic" (also empty), "delayed" or "manual", in any
// case ("Manual", as the service manager's own tools write it); nothing for any other text.
std::optional<ServiceStartType> startTypeOf(std::string_view text);
// Whether a value 37 text has the form "package.Class.method": at least a class and a method,
// Java names separated by single dots. Empty (System.exit(0)) is of the form too.
bool isStopMethodForm(std::string_view text);

// Value 33: the service name (unset or empty: kDefaultServiceName).
Step loadServiceName(Context& ctx, ServiceSettings& settings);
// Values 44 and 45, for the service of the settings' name. The virtual account of another
// service stops the step with ERROR_INVALID_DATA, the reason in `why` and in the debug log.
Step loadServiceAccount(Context& ctx, ServiceSettings& settings, std::string& why);
// Values 33 to 45. A start type other than the three known texts, a stop method not
// of its form, or the virtual account of another service, stops the step with
// ERROR_INVALID_DATA, naming the value in the debug log.
Step loadServiceSettings(Context& ctx, ServiceSettings& settings);

}  // namespace qv

#endif  // QV_LAUNCHER_SERVICE_SETTINGS_H
