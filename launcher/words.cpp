#include "words.h"

namespace qv {

std::vector<std::string_view> splitWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isWhiteSpace(text[i])) {
            ++i;
        }
        std::size_t start = i;
        while (i < text.size() && !isWhiteSpace(text[i])) {
            ++i;
        }
        if (i > start) {
            words.push_back(text.substr(start, i - start));
        }
    }
    return words;
}

std::size_t countWords(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isWhiteSpace(text[i]) && (i == 0 || isWhiteSpace(text[i - 1]))) {
            ++count;
        }
    }
    return count;
}

}  // namespace qv
