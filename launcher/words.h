// The words of the launcher argument line and of main's arguments.
//
// Words are separated by runs of white space. A double quote starts or ends a quoted stretch in
// which white space does not separate; the quotes themselves are not part of the word. A
// backslash is an ordinary character: it never escapes a quote, so a quoted path that ends in a
// backslash ("classes\") stays whole. A quote that is not closed runs to the end of the text, and
// a pair of quotes with nothing between them is an empty word of its own. A text without quotes
// splits exactly at its white space.
#ifndef QV_LAUNCHER_WORDS_H
#define QV_LAUNCHER_WORDS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Blank, tab, line feed, vertical tab, form feed or carriage return (the C locale's isspace).
constexpr bool isWhiteSpace(char c) {
    // Tab, line feed, vertical tab, form feed and carriage return are the codes 9 to 13.
    return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
}

// Reads the words of a text one at a time, in order, without their quotes, into a string that
// the caller keeps: reading them all allocates no more than the longest word needs.
class WordReader {
  public:
    explicit WordReader(std::string_view text) : text_(text) {}
    // Replaces `word` by the next word; false, `word` untouched, when none is left.
    bool next(std::string& word);

  private:
    std::string_view text_;
    std::size_t at_ = 0;
};

// Whether two texts are the same but for the case of the ASCII letters.
bool sameIgnoringCase(std::string_view a, std::string_view b);

// How many words the text has.
std::size_t countWords(std::string_view text);

// The words of the text, in order, without their quotes.
std::vector<std::string> splitWords(std::string_view text);

}  // namespace qv

#endif  // QV_LAUNCHER_WORDS_H
