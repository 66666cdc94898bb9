#include "text_file.h"

#include <utility>

#include "commands.h"
#include "message_text.h"

namespace qvconfig {

int readTextFile(FileSystem& files, const std::string& path, std::string& text, std::string& err) {
    std::string content;
    if (!files.readTextFile(path, kMaxTextFileBytes, content)) {
        appendf(err, "qvconfig: %s: cannot be read\n", path.c_str());
        return kExitFile;
    }
    if (content.size() > kMaxTextFileBytes) {
        appendf(err, "qvconfig: %s is larger than any value may be (%zu bytes); nothing changed\n",
                path.c_str(), kMaxTextFileBytes);
        return kExitRefused;
    }
    text = std::move(content);
    return kExitOk;
}

std::string valueTextOfFile(std::string content) {
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r')) {
        content.pop_back();
    }
    return content;
}

}  // namespace qvconfig
