#include "words.h"

namespace qv {

namespace {
constexpr char kQuote = '"';
}  // namespace

bool WordReader::next(std::string& word) {
    while (at_ < text_.size() && isWhiteSpace(text_[at_])) {
        ++at_;
    }
    if (at_ == text_.size()) {
        return false;
    }
    // A word starts here, even when all it holds is a pair of quotes.
    // The word is taken in runs of characters between its quotes.
    word.clear();
    bool quoted = false;
    std::size_t run = at_;
    for (; at_ < text_.size() && (quoted || !isWhiteSpace(text_[at_])); ++at_) {
        if (text_[at_] == kQuote) {
            word.append(text_.substr(run, at_ - run));
            run = at_ + 1;
            quoted = !quoted;
        }
    }
    word.append(text_.substr(run, at_ - run));
    return true;
}

std::size_t countWords(std::string_view text) {
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isWhiteSpace(text[i])) {
            ++i;
        }
        if (i == text.size()) {
            break;
        }
        ++count;
        bool quoted = false;
        for (; i < text.size() && (quoted || !isWhiteSpace(text[i])); ++i) {
            if (text[i] == kQuote) {
                quoted = !quoted;
            }
        }
    }
    return count;
}

std::vector<std::string> splitWords(std::string_view text) {
    std::vector<std::string> words;
    WordReader reader(text);
    std::string word;
    while (reader.next(word)) {
        words.push_back(word);
    }
    return words;
}

}  // namespace qv
