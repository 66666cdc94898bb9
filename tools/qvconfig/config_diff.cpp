#include "config_diff.h"

#include <algorithm>
#include <string_view>

#include "message_text.h"

namespace qvconfig {
namespace {

// How much of a text a line shows, and how much of it before the first difference.
constexpr std::size_t kShownChars = 60;
constexpr std::size_t kContextChars = 20;

// One side of a line: the text from `from` on, at most kShownChars of it.
std::string side(const Configuration& c, int id, std::size_t from) {
    const auto carried = c.find(id);
    if (carried == c.end()) {
        return "(not set)";
    }
    const std::string_view text = carried->second;
    std::string shown = "\"";
    if (from > 0) {
        shown += "...";
    }
    shown += printable(text.substr(std::min(from, text.size()), kShownChars));
    if (text.size() > from + kShownChars) {
        shown += "...";
    }
    shown += "\"";
    return shown;
}

}  // namespace

std::string differenceLines(const Configuration& a, const Configuration& b) {
    std::string lines;
    for (const Change& c : changesBetween(a, b)) {
        const int id = c.value->id;
        std::size_t from = 0;
        const auto inA = a.find(id);
        const auto inB = b.find(id);
        if (inA != a.end() && inB != b.end()) {
            const std::string& x = inA->second;
            const std::string& y = inB->second;
            const std::size_t first = static_cast<std::size_t>(
                std::mismatch(x.begin(),
                              x.begin() + static_cast<std::ptrdiff_t>(std::min(x.size(), y.size())),
                              y.begin())
                    .first -
                x.begin());
            if (std::max(x.size(), y.size()) > kShownChars && first > kContextChars) {
                from = first - kContextChars;
            }
        }
        appendf(lines, "%-5d %-21s ", id, c.value->name);
        lines += side(a, id, from) + " -> " + side(b, id, from) + "\n";
    }
    return lines;
}

}  // namespace qvconfig
