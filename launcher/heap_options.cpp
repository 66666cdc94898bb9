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

bool addHeapOptions(Context& ctx, TextBuffer& line) {
    std::uint64_t available = 0;
    if (!ctx.os.availablePhysicalMemory(available)) {
        available = 0;
    }
    const int initialMb = loadInt(ctx, cfg::kInitialHeapMb);
    const int initialPercent = loadInt(ctx, cfg::kInitialHeapPercent);
    if (!addHeapOption(ctx, line, initialMb, initialPercent, available, "-Xms")) {
        return false;
    }
    const int maxMb = loadInt(ctx, cfg::kMaxHeapMb);
    const int maxPercent = loadInt(ctx, cfg::kMaxHeapPercent);
    return addHeapOption(ctx, line, maxMb, maxPercent, available, "-Xmx");
}

bool addHeapOption(Context& ctx, TextBuffer& line, int mb, int percent,
                   std::uint64_t availableBytes, const char* option) {
    LauncherState& st = ctx.state;
    if (percent < 0) {
        percent = 0;  // a negative share of memory counts as none
    }
    const int fromPercent = percentOfMemoryMb(availableBytes, percent);
    int size = mb > fromPercent ? mb : fromPercent;
    if (size <= 0) {
        return true;
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
        return noteOverflow(ctx, "The heap options do not fit into the launcher argument line.");
    }
    return true;
}

}  // namespace qv
