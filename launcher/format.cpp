#include "format.h"

#include <cstddef>
#include <cstdio>

namespace qv {

namespace {
// Most texts fit this buffer and are formatted in one pass; a longer one is formatted again into
// a string of its length.
constexpr std::size_t kFirstPassSize = 256;
}  // namespace

std::string formatTextV(const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    char first[kFirstPassSize];
    const int length = std::vsnprintf(first, sizeof first, format, args);
    std::string text;
    if (length > 0 && static_cast<std::size_t>(length) < sizeof first) {
        text.assign(first, static_cast<std::size_t>(length));
    } else if (length > 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(again);
    return text;
}

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatTextV(format, args);
    va_end(args);
    return text;
}

}  // namespace qv
