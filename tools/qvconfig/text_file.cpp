#include "text_file.h"

#include <fstream>

#include "commands.h"
#include "message_text.h"

namespace qvconfig {

int readTextFile(const std::string& path, std::string& text, std::string& err) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        appendf(err, "qvconfig: %s: cannot be read\n", path.c_str());
        return kExitFile;
    }
    text.clear();
    constexpr std::size_t kChunk = 4096;
    char chunk[kChunk];
    while (text.size() <= kMaxTextFileBytes && in.read(chunk, sizeof chunk).gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        appendf(err, "qvconfig: %s: cannot be read\n", path.c_str());
        return kExitFile;
    }
    if (text.size() > kMaxTextFileBytes) {
        appendf(err, "qvconfig: %s is larger than any value may be (%zu bytes); nothing changed\n",
                path.c_str(), kMaxTextFileBytes);
        return kExitRefused;
    }
    return kExitOk;
}

std::string valueTextOfFile(std::string content) {
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r')) {
        content.pop_back();
    }
    return content;
}

}  // namespace qvconfig
