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

}  // namespace

Step loadServiceName(Context& ctx, ServiceSettings& settings) {
    Result<bool> read = loadString(ctx, cfg::kServiceName, settings.name);
    if (settings.name.empty()) {
        (void)settings.name.assign(kDefaultServiceName);
    }
    return std::move(read.step);
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
    Result<int> deadline = loadInt(ctx, cfg::kServiceStartDeadline);
    stop.keepFirst(std::move(deadline.step));
    if (!stop.goesOn()) {
        return stop;
    }
    settings.stopTimeoutMs =
        secondsValue(timeout.value, kDefaultStopTimeoutSeconds, kMaxStopTimeoutSeconds);
    settings.restartDelayMs =
        secondsValue(delay.value, kDefaultRestartDelaySeconds, kMaxRestartDelaySeconds);
    settings.startDeadlineMs =
        secondsValue(deadline.value, kDefaultStartDeadlineSeconds, kMaxStartDeadlineSeconds);
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
