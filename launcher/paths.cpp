#include "paths.h"

namespace qv {

bool joinPath(TextBuffer& text, std::string_view element) {
    std::size_t before = text.size();
    if (text.back() != '\\' && !text.append('\\')) {
        return false;
    }
    if (!text.append(element)) {
        text.truncate(before);
        return false;
    }
    return true;
}

bool isAbsolutePath(std::string_view path) {
    return (!path.empty() && path[0] == '\\') || (path.size() > 1 && path[1] == ':');
}

}  // namespace qv
