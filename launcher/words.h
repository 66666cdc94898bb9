// The words of a text: runs of characters between white space.
#ifndef QV_LAUNCHER_WORDS_H
#define QV_LAUNCHER_WORDS_H

#include <cstddef>
#include <string_view>
#include <vector>

namespace qv {

// Blank, tab, line feed, vertical tab, form feed or carriage return (the C locale's isspace).
constexpr bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The words of the text, in order.
std::vector<std::string_view> splitWords(std::string_view text);
std::size_t countWords(std::string_view text);

}  // namespace qv

#endif  // QV_LAUNCHER_WORDS_H
