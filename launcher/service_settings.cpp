#include "service_settings.h"

#include "config.h"
#include "diagnostics.h"

#include <algorithm>

namespace qv {

namespace {

constexpr std::uint32_t kErrorInvalidData = 13;  // ERROR_INVALID_DATA
constexpr std::string_view kStartAutomatic = "automatic";
constexpr std::string_view kStartDelayed = "delayed";
constexpr std::string_view kStartManual = "manual";

// Seconds from an integer value: unset or below 1 gives the default, more than `most` gives
// `most`; in milliseconds.
std::uint32_t secondsValue(int seconds, std::uint32_t byDefault, std::uint32_t most) {
    const std::uint32_t chosen =
        seconds < 1 ? byDefault : std::min(static_cast<std::uint32_t>(seconds), most);
    return chosen * kMillisecondsPerSecond;
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
    FixedText<kShortTextSize> startType;
    stop.keepFirst(loadString(ctx, cfg::kServiceStartType, startType).step);
    stop.keepFirst(loadString(ctx, cfg::kServiceStopMethod, settings.stopMethod).step);
    Result<int> timeout = loadInt(ctx, cfg::kServiceStopTimeout);
    stop.keepFirst(std::move(timeout.step));
    Result<int> delay = loadInt(ctx, cfg::kServiceRestartDelay);
    stop.keepFirst(std::move(delay.step));
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
    if (startType.empty() || startType.view() == kStartAutomatic) {
        settings.startType = ServiceStartType::Automatic;
    } else if (startType.view() == kStartDelayed) {
        settings.startType = ServiceStartType::DelayedAutomatic;
    } else if (startType.view() == kStartManual) {
        settings.startType = ServiceStartType::Manual;
    } else {
        ctx.state.log.print("Error:\t\t%s\n",
                            "Value 36 (service_start_type) is not automatic, delayed or manual.");
        return Step::windowsError(kErrorInvalidData);
    }
    return Step::goOn();
}

}  // namespace qv
