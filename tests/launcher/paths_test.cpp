// Joining path elements and telling absolute paths.
#include "paths.h"

#include "capacities.h"

#include <gtest/gtest.h>

#include <string>

namespace qv::testing {
namespace {

TEST(JoinPath, Table) {
    struct Case {
        const char* text;
        const char* element;
        const char* expected;
    } cases[] = {
        {"C:\\a", "b", "C:\\a\\b"},
        {"C:\\a\\", "b", "C:\\a\\b"},
        {"C:\\a", "bin\\java.exe", "C:\\a\\bin\\java.exe"},
        {"C:\\a", "", "C:\\a\\"},
    };
    for (const Case& c : cases) {
        FixedText<kPathSize> text(c.text);
        EXPECT_TRUE(joinPath(text, c.element));
        EXPECT_EQ(text.view(), c.expected);
    }
    FixedText<kPathSize> full(std::string(250, 'x'));
    EXPECT_FALSE(joinPath(full, "123456789"));  // 250 + 1 + 9 = 260
    EXPECT_EQ(full.view(), std::string(250, 'x'));
    EXPECT_TRUE(joinPath(full, "12345678"));
}

TEST(IsAbsolutePath, Table) {
    struct Case {
        const char* path;
        bool absolute;
    } cases[] = {
        {"C:\\jre", true}, {"C:jre", true},    {"\\jre", true}, {"\\\\server\\jre", true},
        {"jre", false},    {"..\\jre", false}, {"", false},     {"C", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isAbsolutePath(c.path), c.absolute) << c.path;
    }
}

}  // namespace
}  // namespace qv::testing
