#include "change_file.h"

#include <utility>

#include "commands.h"
#include "escaped_text.h"
#include "message_text.h"

namespace qvconfig {
namespace {

constexpr std::string_view kSetVerb = "set";
constexpr std::string_view kSetEscapedVerb = "set-escaped";
constexpr std::string_view kRemoveVerb = "remove";

}  // namespace

int parseChanges(const std::string& file, const std::string& content, std::vector<Change>& changes,
                 std::string& err) {
    std::vector<Change> parsed;
    std::size_t start = 0;
    int number = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        std::string line = content.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::size_t verbEnd = line.find(' ');
        const std::string verb = line.substr(0, verbEnd);
        const std::size_t keyStart = verbEnd == std::string::npos ? line.size() : verbEnd + 1;
        const std::size_t keyEnd = line.find(' ', keyStart);
        const std::string key = line.substr(keyStart, keyEnd - keyStart);
        const bool escaped = verb == kSetEscapedVerb;
        const bool set = escaped || verb == kSetVerb;
        if ((!set && verb != kRemoveVerb) || key.empty() || (!set && keyEnd != std::string::npos)) {
            appendf(err,
                    "qvconfig: %s:%d: expected 'set VALUE TEXT' or 'remove VALUE'; nothing "
                    "changed\n",
                    file.c_str(), number);
            return kExitRefused;
        }
        const Value* value = lookupValue(key);
        if (value == nullptr) {
            // The key as the file holds it, its control bytes (a NUL too) shown as in a listing.
            appendf(err, "qvconfig: %s:%d: '", file.c_str(), number);
            err += printable(key);
            err += "' is not a configuration value of QuorvexService; nothing changed\n";
            return kExitRefused;
        }
        const std::string rest = keyEnd == std::string::npos ? "" : line.substr(keyEnd + 1);
        Change change{value, set, rest};
        if (escaped && !unescapeText(rest, change.text)) {
            appendf(err,
                    "qvconfig: %s:%d: a backslash in a set-escaped text must start \\\\, \\t, "
                    "\\n, \\r or \\xHH; nothing changed\n",
                    file.c_str(), number);
            return kExitRefused;
        }
        if (set) {
            const std::string why = refusal(*value, change.text);
            if (!why.empty()) {
                appendf(err, "qvconfig: %s:%d: %s; nothing changed\n", file.c_str(), number,
                        why.c_str());
                return kExitRefused;
            }
        }
        parsed.push_back(std::move(change));
    }
    changes = std::move(parsed);
    return kExitOk;
}

std::string changeLine(const Change& change) {
    std::string line;
    if (!change.set) {
        line.append(kRemoveVerb).append(" ").append(change.value->name);
    } else if (isPlainText(change.text)) {
        line.append(kSetVerb)
            .append(" ")
            .append(change.value->name)
            .append(" ")
            .append(change.text);
    } else {
        line.append(kSetEscapedVerb)
            .append(" ")
            .append(change.value->name)
            .append(" ")
            .append(escapeText(change.text));
    }
    return line;
}

}  // namespace qvconfig
