#include "config.h"

#include "diagnostics.h"
#include "format.h"
#include "words.h"

#include <climits>

namespace qv {

Result<bool> loadText(Context& ctx, int id, TextBuffer& out) {
    DebugLog& log = ctx.state.log;
    log.printAll("Resource %d:\t", id);
    ResourceData resource = ctx.os.findRcData(ctx.state.module, id);
    if (resource.status == ResourceStatus::NotFound) {
        ctx.os.setLastError(kErrorSuccess);
        out.clear();
    } else if (resource.status == ResourceStatus::Found) {
        // Only the resource's own bytes are read, up to the first NUL within them.
        std::string_view text = textUpToNul(resource.data, resource.size);
        if (out.assign(text)) {
            log.printAll("%s\n", out.c_str());
            return {true, Step::goOn()};
        }
        out.clear();
        log.printAll("<NULL>\n");
        return {
            false,
            stopTooLong(ctx, formatText("Configuration value %d does not fit into %u characters.",
                                        id, static_cast<unsigned>(out.capacity())))};
    }
    log.printAll("<NULL>\n");
    return {false, Step::goOn()};
}

Result<bool> loadBoolValue(Context& ctx, int id) {
    FixedText<kNumberTextSize> text;
    Result<bool> read = loadText(ctx, id, text);
    return {text.view() == "true", std::move(read.step)};
}

Result<int> loadIntValue(Context& ctx, int id) {
    FixedText<kNumberTextSize> text;
    Result<bool> read = loadText(ctx, id, text);
    return {parseInt(text.view()), std::move(read.step)};
}

int parseInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isWhiteSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

}  // namespace qv
