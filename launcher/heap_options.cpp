#include "heap_options.h"

#include "config.h"
#include "diagnostics.h"
#include "format.h"

#include <climits>

namespace qv {

namespace {

constexpr std::uint64_t kPercentOfMb = 104857600;  // 100 * 1048576

// floor(bytes * percent / 104857600) without overflow, saturated to the range of int.
int percentOfMemoryMb(std::uint64_t bytes, int percent) {
    if (percent <= 0) {
        return 0;
    }
    const std::uint64_t p = static_cast<std::uint64_t>(percent);
    const std::uint64_t whole = bytes / kPercentOfMb;
    const std::uint64_t part = (bytes % kPercentOfMb) * p / kPercentOfMb;
    if (whole != 0 && whole > (static_cast<std::uint64_t>(INT_MAX) - part) / p) {
        return INT_MAX;
    }
    const std::uint64_t mb = whole * p + part;
    return mb > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(mb);
}

}  // namespace

Step addHeapOptions(Context& ctx, TextBuffer& line) {
    std::uint64_t available = 0;
    if (!ctx.os.availablePhysicalMemory(available)) {
        available = 0;
    }
    // A value that does not fit counts as 0 for its option and stops the start afterwards.
    Result<int> initialMb = loadInt(ctx, cfg::kInitialHeapMb);
    Result<int> initialPercent = loadInt(ctx, cfg::kInitialHeapPercent);
    Step stop = std::move(initialMb.step);
    stop.keepFirst(std::move(initialPercent.step));
    Step added = addHeapOption(ctx, line, initialMb.value, initialPercent.value, available, "-Xms");
    if (!added.goesOn()) {
        stop.keepFirst(std::move(added));
        return stop;
    }
    Result<int> maxMb = loadInt(ctx, cfg::kMaxHeapMb);
    Result<int> maxPercent = loadInt(ctx, cfg::kMaxHeapPercent);
    stop.keepFirst(std::move(maxMb.step));
    stop.keepFirst(std::move(maxPercent.step));
    stop.keepFirst(addHeapOption(ctx, line, maxMb.value, maxPercent.value, available, "-Xmx"));
    return stop;
}

Step addHeapOption(Context& ctx, TextBuffer& line, int mb, int percent,
                   std::uint64_t availableBytes, const char* option) {
    LauncherState& st = ctx.state;
    if (percent < 0) {
        percent = 0;  // a negative share of memory counts as none
    }
    const int fromPercent = percentOfMemoryMb(availableBytes, percent);
    int size = mb > fromPercent ? mb : fromPercent;
    if (size <= 0) {
        return Step::goOn();
    }
    if ((st.search.foundRuntime & FOUND_64BIT) == 0 && size > kHeapCap32BitMb) {
        st.log.print("Heap limit:\tReduced %d MB heap size to 32-bit maximum %d MB\n", size,
                     kHeapCap32BitMb);
        size = kHeapCap32BitMb;
    }
    const std::uint64_t availableMb = availableBytes >> 20;
    st.log.print(
        "Heap %s:\tRequested %d MB / %d%%, Available: %d MB, Heap size: %d MB\n", option, mb,
        percent,
        availableMb > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(availableMb),
        size);
    if (!line.append(formatText("%s%dm ", option, size))) {
        return stopTooLong(ctx, "The heap options do not fit into the launcher argument line.");
    }
    return Step::goOn();
}

}  // namespace qv
