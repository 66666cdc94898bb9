#include "escaped_text.h"

#include <utility>

namespace qvconfig {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

bool isControl(unsigned char byte) {
    return byte < kFirstPrintable || byte == kDelete;
}

// The value of a hex digit, or -1.
int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

std::string escapeText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                if (isControl(byte)) {
                    escaped += "\\x";
                    escaped += kHexDigits[byte >> 4];
                    escaped += kHexDigits[byte & 0xF];
                } else {
                    escaped += c;
                }
        }
    }
    return escaped;
}

bool unescapeText(std::string_view escaped, std::string& text) {
    std::string plain;
    plain.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\') {
            plain += escaped[i];
            continue;
        }
        if (++i == escaped.size()) {
            return false;
        }
        switch (escaped[i]) {
            case '\\':
                plain += '\\';
                break;
            case 't':
                plain += '\t';
                break;
            case 'n':
                plain += '\n';
                break;
            case 'r':
                plain += '\r';
                break;
            case 'x': {
                const int high = i + 1 < escaped.size() ? hexValue(escaped[i + 1]) : -1;
                const int low = i + 2 < escaped.size() ? hexValue(escaped[i + 2]) : -1;
                if (high < 0 || low < 0) {
                    return false;
                }
                plain += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                return false;
        }
    }
    text = std::move(plain);
    return true;
}

bool isPlainText(std::string_view text) {
    for (char c : text) {
        if (c != '\t' && isControl(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

}  // namespace qvconfig
