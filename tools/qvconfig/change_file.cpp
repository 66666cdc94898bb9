#include "change_file.h"

#include <utility>

#include "commands.h"
#include "message_text.h"

namespace qvconfig {

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
        const bool set = verb == "set";
        if ((!set && verb != "remove") || key.empty() || (!set && keyEnd != std::string::npos)) {
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
        Change change{value, set, keyEnd == std::string::npos ? "" : line.substr(keyEnd + 1)};
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

}  // namespace qvconfig
