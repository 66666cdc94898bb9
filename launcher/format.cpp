#include "format.h"

#include <cstdio>

namespace qv {

std::string formatTextV(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(length));
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
