#include "service_settings.h"

#include "config.h"
#include "diagnostics.h"
#include "paths.h"
#include "words.h"

#include <algorithm>

namespace qv {

namespace {

constexpr std::uint32_t kErrorInvalidData = 13;  // ERROR_INVALID_DATA
constexpr std::string_view kStartAutomatic = "automatic";
constexpr std::string_view kStartDelayed = "delayed";
constexpr std::string_view kStartManual = "manual";

// A stop method names at least a class and its method.
constexpr std::size_t kStopMethodMinParts = 2;

// A Java name: a letter, "_" or "$" (or any non-ASCII byte, part of a letter of another script),
// then also digits.
bool isJavaName(std::string_view name) {
    auto isStart = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' ||
               static_cast<unsigned char>(c) >= 0x80;
    };
    return !name.empty() && isStart(name.front()) &&
           std::all_of(name.begin(), name.end(),
                       [&isStart](char c) { return isStart(c) || (c >= '0' && c <= '9'); });
}

// Seconds from an integer value: unset or below 1 gives the default, more than `most` gives
// `most`; in milliseconds.
std::uint32_t secondsValue(int seconds, std::uint32_t byDefault, std::uint32_t most) {
    const std::uint32_t chosen =
        seconds < 1 ? byDefault : std::min(static_cast<std::uint32_t>(seconds), most);
    return chosen * kMillisecondsPerSecond;
}

// A count from an integer value: unset or below 1 gives the default, more than `most` gives
// `most`.
std::uint32_t countValue(int count, std::uint32_t byDefault, std::uint32_t most) {
    return count < 1 ? byDefault : std::min(static_cast<std::uint32_t>(count), most);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> dependenciesOf(std::string_view list) {
    std::vector<std::string> services;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(kDependencySeparator, start);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        std::string_view entry = list.substr(start, end - start);
        while (!entry.empty() && isBlank(entry.front())) {
            entry.remove_prefix(1);
        }
        while (!entry.empty() && isBlank(entry.back())) {
            entry.remove_suffix(1);
        }
        if (!entry.empty()) {
            services.emplace_back(entry);
        }
        start = end + 1;
    }
    return services;
}

Step loadServiceName(Context& ctx, ServiceSettings& settings) {
    Result<bool> read = loadString(ctx, cfg::kServiceName, settings.name);
    if (settings.name.empty()) {
        (void)settings.name.assign(kDefaultServiceName);
    }
    return std::move(read.step);
}

Step loadServiceAccount(Context& ctx, ServiceSettings& settings, std::string& why) {
    FixedText<kServiceAccountSize> account;
    Step stop = loadString(ctx, cfg::kServiceAccount, account).step;
    FixedText<kServiceDependenciesSize> dependencies;
    stop.keepFirst(loadString(ctx, cfg::kServiceDependencies, dependencies).step);
    if (!stop.goesOn()) {
        return stop;
    }
    settings.dependencies = dependenciesOf(dependencies.view());
    if (!parseServiceAccount(account.view(), settings.name.view(), settings.account, why)) {
        ctx.state.log.print("Error:\t\t%s\n", why.c_str());
        return Step::windowsError(kErrorInvalidData);
    }
    return Step::goOn();
}

Step loadServiceSettings(Context& ctx, ServiceSettings& settings) {
    Step stop = loadServiceName(ctx, settings);
    stop.keepFirst(loadString(ctx, cfg::kServiceDisplayName, settings.displayName).step);
    if (settings.displayName.empty()) {
        FixedText<kShortTextSize> title;
        stop.keepFirst(loadString(ctx, cfg::kErrorTitle, title).step);
        (void)settings.displayName.assign(title.empty() ? settings.name.view() : title.view());
    }
    stop.keepFirst(loadString(ctx, cfg::kServiceDescription, settings.description).step);
    stop.keepFirst(loadString(ctx, cfg::kServiceStartType, settings.startTypeText).step);
    stop.keepFirst(loadString(ctx, cfg::kServiceStopMethod, settings.stopMethod).step);
    Result<int> timeout = loadInt(ctx, cfg::kServiceStopTimeout);
    stop.keepFirst(std::move(timeout.step));
    Result<int> delay = loadInt(ctx, cfg::kServiceRestartDelay);
    stop.keepFirst(std::move(delay.step));
    Result<int> deadline = loadInt(ctx, cfg::kServiceStartDeadline);
    stop.keepFirst(std::move(deadline.step));
    stop.keepFirst(loadString(ctx, cfg::kServiceLogFolder, settings.logFolder).step);
    Result<int> logSize = loadInt(ctx, cfg::kServiceLogFileSize);
    stop.keepFirst(std::move(logSize.step));
    Result<int> logsKept = loadInt(ctx, cfg::kServiceLogFilesKept);
    stop.keepFirst(std::move(logsKept.step));
    if (!stop.goesOn()) {
        return stop;
    }
    std::string why;
    stop = loadServiceAccount(ctx, settings, why);
    if (!stop.goesOn()) {
        return stop;
    }
    settings.stopTimeoutMs =
        secondsValue(timeout.value, kDefaultStopTimeoutSeconds, kMaxStopTimeoutSeconds);
    settings.restartDelayMs =
        secondsValue(delay.value, kDefaultRestartDelaySeconds, kMaxRestartDelaySeconds);
    settings.startDeadlineMs =
        secondsValue(deadline.value, kDefaultStartDeadlineSeconds, kMaxStartDeadlineSeconds);
    settings.logFileBytes =
        countValue(logSize.value, kDefaultServiceLogFileMb, kMaxServiceLogFileMb) * kBytesPerMb;
    settings.logFilesKept =
        countValue(logsKept.value, kDefaultServiceLogFilesKept, kMaxServiceLogFilesKept);
    const std::optional<ServiceStartType> type = startTypeOf(settings.startTypeText.view());
    if (!type) {
        ctx.state.log.print("Error:\t\t%s\n",
                            "Value 36 (service_start_type) is not automatic, delayed or manual.");
        return Step::windowsError(kErrorInvalidData);
    }
    settings.startType = *type;
    if (!isStopMethodForm(settings.stopMethod.view())) {
        ctx.state.log.print(
            "Error:\t\t%s\n",
            "Value 37 (service_stop_method) is not of the form package.Class.method.");
        return Step::windowsError(kErrorInvalidData);
    }
    return Step::goOn();
}

std::string serviceLogFolder(std::string_view programDirectory, std::string_view value) {
    if (value.empty()) {
        value = kDefaultServiceLogFolder;
    }
    if (isAbsolutePath(value)) {
        return std::string(value);
    }
    return std::string(programDirectory) + "\\" + std::string(value);
}

std::optional<ServiceStartType> startTypeOf(std::string_view text) {
    if (text.empty() || sameIgnoringCase(text, kStartAutomatic)) {
        return ServiceStartType::Automatic;
    }
    if (sameIgnoringCase(text, kStartDelayed)) {
        return ServiceStartType::DelayedAutomatic;
    }
    if (sameIgnoringCase(text, kStartManual)) {
        return ServiceStartType::Manual;
    }
    return std::nullopt;
}

bool isStopMethodForm(std::string_view text) {
    if (text.empty()) {
        return true;
    }
    std::size_t parts = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('.', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (!isJavaName(text.substr(start, end - start))) {
            return false;
        }
        ++parts;
        start = end + 1;
    }
    return parts >= kStopMethodMinParts;
}

}  // namespace qv
