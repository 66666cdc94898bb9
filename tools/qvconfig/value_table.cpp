#include "value_table.h"

#include <cstdio>

namespace qvconfig {

const Value* findValue(int id) {
    for (const Value& v : quorvex::launch_config::kValues) {
        if (v.id == id) {
            return &v;
        }
    }
    return nullptr;
}

const Value* lookupValue(std::string_view key) {
    constexpr std::size_t kMaxIdDigits = 5;
    if (!key.empty() && key.size() <= kMaxIdDigits &&
        key.find_first_not_of("0123456789") == std::string_view::npos) {
        int id = 0;
        for (char c : key) {
            id = id * 10 + (c - '0');
        }
        return findValue(id);
    }
    for (const Value& v : quorvex::launch_config::kValues) {
        if (key == v.name) {
            return &v;
        }
    }
    return nullptr;
}

const char* kindName(Kind kind) {
    switch (kind) {
        case Kind::text:
            return "text";
        case Kind::boolean:
            return "boolean";
        case Kind::integer:
            return "integer";
    }
    return "text";
}

std::string refusal(const Value& value, std::string_view text) {
    char message[160];
    if (text.find('\0') != std::string_view::npos) {
        std::snprintf(message, sizeof message,
                      "the text holds a NUL byte, which would end value %d (%s) early", value.id,
                      value.name);
        return message;
    }
    if (text.size() > static_cast<std::size_t>(value.maxLength)) {
        std::snprintf(message, sizeof message,
                      "value %d (%s) may hold at most %d characters; the text has %zu", value.id,
                      value.name, value.maxLength, text.size());
        return message;
    }
    return {};
}

std::string readingNote(const Value& value, std::string_view text) {
    if (value.kind == Kind::boolean && text != "true" && text != "false") {
        return "the launcher reads this boolean as false: only the exact text \"true\" is true";
    }
    if (value.kind == Kind::integer) {
        std::size_t start = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
        if (text.size() == start ||
            text.find_first_not_of("0123456789", start) != std::string_view::npos) {
            return "the launcher reads this integer up to the first character that is not a "
                   "digit (0 when it starts with none)";
        }
    }
    return {};
}

}  // namespace qvconfig
