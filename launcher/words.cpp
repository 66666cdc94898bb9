#include "words.h"

#include <algorithm>
#include <array>

namespace qv {

namespace {

constexpr char kQuote = '"';

// The characters at which a run of a word's characters ends: white space and the quote. A table,
// so that the scan of a long line looks at each character once.
constexpr std::array<bool, 256> kEndsRun = [] {
    std::array<bool, 256> table{};
    for (std::size_t c = 0; c < table.size(); ++c) {
        table[c] = isWhiteSpace(static_cast<char>(c)) || static_cast<char>(c) == kQuote;
    }
    return table;
}();

std::size_t skipWhiteSpace(std::string_view text, std::size_t at) {
    while (at < text.size() && isWhiteSpace(text[at])) {
        ++at;
    }
    return at;
}

// Reads the word that starts at `at` (not white space), up to the white space after it outside
// quotes or the end of the text, and appends its characters without the quotes to `word` when
// there is one. Returns where the word ends.
std::size_t readWord(std::string_view text, std::size_t at, std::string* word) {
    bool quoted = false;
    std::size_t run = at;  // the first character not appended yet
    for (;; ++at) {
        while (at < text.size() && !kEndsRun[static_cast<unsigned char>(text[at])]) {
            ++at;
        }
        if (at == text.size() || (!quoted && text[at] != kQuote)) {
            break;
        }
        if (text[at] == kQuote) {  // else white space inside quotes, part of the word
            if (word != nullptr) {
                word->append(text.substr(run, at - run));
            }
            run = at + 1;
            quoted = !quoted;
        }
    }
    if (word != nullptr) {
        word->append(text.substr(run, at - run));
    }
    return at;
}

}  // namespace

bool WordReader::next(std::string& word) {
    at_ = skipWhiteSpace(text_, at_);
    if (at_ == text_.size()) {
        return false;
    }
    // A word starts here, even when all it holds is a pair of quotes.
    word.clear();
    at_ = readWord(text_, at_, &word);
    return true;
}

std::size_t countWords(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = skipWhiteSpace(text, 0); at < text.size();
         at = skipWhiteSpace(text, readWord(text, at, nullptr))) {
        ++count;
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

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&fold](char x, char y) { return fold(x) == fold(y); });
}

}  // namespace qv
