// The words of a text: white space separates, double quotes group, a backslash is ordinary.
#include "words.h"

#include <gtest/gtest.h>

namespace qv::testing {
namespace {

TEST(SplitWords, Table) {
    using Words = std::vector<std::string>;
    struct Case {
        const char* name;
        const char* text;
        Words words;
    } cases[] = {
        {"empty", "", {}},
        {"white space only", " \t\r\n\v\f", {}},
        {"one word", " a ", {"a"}},
        {"every separator, runs count once", "a\tb\nc\r\n\r\nd  e", {"a", "b", "c", "d", "e"}},
        {"blanks in quotes",
         "-jar \"C:\\Program Files\\a.jar\" x",
         {"-jar", "C:\\Program Files\\a.jar", "x"}},
        {"quotes mid-word", "\"-Dacme.q=C:\\A B\" -Dp=\"x y\"z", {"-Dacme.q=C:\\A B", "-Dp=x yz"}},
        {"quoted stretches join with their neighbours", "a\"b c\"d\"\"e", {"ab cde"}},
        {"empty quotes are an empty word", "a \"\" b", {"a", "", "b"}},
        {"empty quotes at the end", "-classpath \"\"", {"-classpath", ""}},
        {"backslash before a closing quote stays",
         "\"classes\\\" app.Main",
         {"classes\\", "app.Main"}},
        {"backslash never escapes", "a\\\"b c\"", {"a\\b c"}},
        {"unclosed quote runs to the end", "a \"b  c\td", {"a", "b  c\td"}},
        {"a lone quote is an empty word", "x \"", {"x", ""}},
        {"every separator inside quotes", "\"a\tb\r\nc\"", {"a\tb\r\nc"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(splitWords(c.text), c.words);
    }
}

}  // namespace
}  // namespace qv::testing
