#include "words.h"

namespace qv {

namespace {
constexpr char kQuote = '"';
}  // namespace

std::vector<std::string> splitWords(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isWhiteSpace(text[i])) {
            ++i;
        }
        if (i == text.size()) {
            break;
        }
        // A word starts here, even when all it holds is a pair of quotes.
        std::string& word = words.emplace_back();
        bool quoted = false;
        for (; i < text.size() && (quoted || !isWhiteSpace(text[i])); ++i) {
            if (text[i] == kQuote) {
                quoted = !quoted;
            } else {
                word.push_back(text[i]);
            }
        }
    }
    return words;
}

}  // namespace qv
