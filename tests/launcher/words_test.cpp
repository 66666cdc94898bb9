// The words of a text.
#include "words.h"

#include <gtest/gtest.h>

namespace qv::testing {
namespace {

TEST(CountWords, Table) {
    struct Case {
        const char* text;
        std::size_t words;
    } cases[] = {
        {"", 0},           {" \t\r\n\v\f", 0}, {"a", 1},
        {" a ", 1},        {"a b", 2},         {"a\tb\nc", 3},
        {"a\r\n\r\nb", 2}, {"\"a b\"", 2},     {"-Xmx1m  -Xss1m", 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(countWords(c.text), c.words) << '"' << c.text << '"';
        EXPECT_EQ(splitWords(c.text).size(), c.words) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace qv::testing
