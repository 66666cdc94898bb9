#include "export_file.h"

#include "message_text.h"

namespace qvconfig {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

std::string exportText(std::string_view comment, const std::vector<Change>& changes) {
    std::string text = "# " + printable(comment);
    text += kLineEnd;
    for (const Change& c : changes) {
        text += changeLine(c);
        text += kLineEnd;
    }
    return text;
}

}  // namespace qvconfig
