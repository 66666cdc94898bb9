#include "message_text.h"

#include <cstdarg>
#include <cstdio>

namespace qvconfig {

void appendf(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n > 0) {
        // vsnprintf writes its NUL too: room for it, then taken off.
        const std::size_t at = out.size();
        const auto length = static_cast<std::size_t>(n);
        out.resize(at + length + 1);
        std::vsnprintf(&out[at], length + 1, format, again);
        out.resize(at + length);
    }
    va_end(again);
}

std::string printable(std::string_view text) {
    std::string shown;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t') {
            shown += "\\t";
        } else if (byte < 0x20 || byte == 0x7f) {
            appendf(shown, "\\x%02X", byte);
        } else {
            shown += c;
        }
    }
    return shown;
}

}  // namespace qvconfig
