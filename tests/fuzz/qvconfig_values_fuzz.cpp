// qvconfig's reading of value names and texts (value_table): a key as typed on the command line or
// in an apply file, and a text for each kind of value.
//
// The fuzz input's first byte picks a configuration value; the rest is the text for it, and the
// whole input is also looked up as a key. Each call must hold:
//  - a key of one to five digits names the value of that ID, any other key the value of exactly
//    that name, and nothing else names a value;
//  - a text is refused exactly when it holds a NUL or is longer than the value's maximum, and the
//    refusal names the value by ID and name, whole (not cut by its buffer);
//  - a note comes exactly for a boolean that is not "true" or "false" and for an integer that is
//    not an optional sign followed by decimal digits, and never for a text;
//  - the same call twice gives the same answer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "value_table.h"

namespace {

namespace cfg = quorvex::launch_config;

constexpr std::size_t kMaxIdDigits = 5;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "qvconfig_values_fuzz: %s\n", what);
        std::abort();
    }
}

bool allDigits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

const cfg::Value* expectedLookup(std::string_view key) {
    if (!key.empty() && key.size() <= kMaxIdDigits && allDigits(key)) {
        const int id = std::stoi(std::string(key));
        for (const cfg::Value& v : cfg::kValues)
            if (v.id == id)
                return &v;
        return nullptr;
    }
    for (const cfg::Value& v : cfg::kValues)
        if (key == v.name)
            return &v;
    return nullptr;
}

bool endsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

void checkRefusal(const cfg::Value& value, std::string_view text) {
    const std::string why = qvconfig::refusal(value, text);
    check(why == qvconfig::refusal(value, text), "refusal not deterministic");
    const bool hasNul = text.find('\0') != std::string_view::npos;
    const bool tooLong = text.size() > static_cast<std::size_t>(value.maxLength);
    check(why.empty() == (!hasNul && !tooLong), "refused the wrong texts");
    if (why.empty())
        return;
    const std::string named = "value " + std::to_string(value.id) + " (" + value.name + ")";
    check(why.find(named) != std::string::npos, "refusal does not name the value");
    const std::string tail =
        hasNul ? std::string("early") : "the text has " + std::to_string(text.size());
    check(endsWith(why, tail), "refusal cut or wrong");
}

void checkNote(const cfg::Value& value, std::string_view text) {
    const std::string note = qvconfig::readingNote(value, text);
    check(note == qvconfig::readingNote(value, text), "note not deterministic");
    bool expected = false;
    if (value.kind == cfg::Kind::boolean) {
        expected = text != "true" && text != "false";
    } else if (value.kind == cfg::Kind::integer) {
        const std::string_view digits =
            !text.empty() && (text[0] == '+' || text[0] == '-') ? text.substr(1) : text;
        expected = digits.empty() || !allDigits(digits);
    }
    check(note.empty() != expected, "note for the wrong texts");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const cfg::Value* found = qvconfig::lookupValue(all);
    check(found == expectedLookup(all), "key names the wrong value");
    check(found == qvconfig::lookupValue(all), "lookup not deterministic");
    if (size == 0)
        return 0;
    const cfg::Value& value = cfg::kValues[data[0] % cfg::kValueCount];
    const std::string_view text = all.substr(1);
    checkRefusal(value, text);
    checkNote(value, text);
    return 0;
}
