#include "message_text.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace qvconfig {

void appendf(std::string& out, const char* format, ...) {
    constexpr std::size_t kLineCapacity = 512;
    char line[kLineCapacity];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) {
        out.append(line, std::min(static_cast<std::size_t>(n), sizeof line - 1));
    }
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
