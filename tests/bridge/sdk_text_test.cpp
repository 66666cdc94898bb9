// SDK texts to modified UTF-8, and the wording of refused counts.
#include <gtest/gtest.h>

#include <string>

#include "jni_support.h"
#include "sdk_text.h"

namespace palmbridge {
namespace {

TEST(SdkText, ConversionsToModifiedUtf8) {
    const struct {
        const char* name;
        std::string field;  // the whole field, as the SDK left it
        std::string expected;
        bool unchanged;  // passed to the JVM without a copy
    } cases[] = {
        {"ascii", std::string("abc\0zz", 6), "abc", true},
        {"empty", std::string("\0x", 2), "", true},
        {"two and three bytes", "\xC3\xA9\xE2\x82\xAC" + std::string(1, '\0'),
         "\xC3\xA9\xE2\x82\xAC", true},
        {"encoded U+0000",
         std::string("a\xC0\x80"
                     "b\0",
                     5),
         "a\xC0\x80"
         "b",
         true},
        {"surrogate halves stay", std::string("\xED\xA0\xBD\0", 4), "\xED\xA0\xBD", true},
        {"unterminated", "abcd", "abcd", false},
        {"legacy byte", std::string("Caf\xE9\0", 5), "Caf\xEF\xBF\xBD", false},
        {"lead byte cut by the NUL", std::string("x\xE2\x82\0", 4), "x\xEF\xBF\xBD\xEF\xBF\xBD",
         false},
        {"lead byte cut by the field's end", "ab\xC3", "ab\xEF\xBF\xBD", false},
        {"overlong two bytes", std::string("\xC1\x81\0", 3), "\xEF\xBF\xBD\xEF\xBF\xBD", false},
        {"overlong three bytes", std::string("\xE0\x80\x80\0", 4),
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", false},
        {"four bytes become a surrogate pair", std::string("\xF0\x9F\x98\x80\0", 5),
         "\xED\xA0\xBD\xED\xB8\x80", false},
        {"beyond U+10FFFF", std::string("\xF4\x90\x80\x80\0", 5),
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", false},
        {"stray continuation",
         std::string("\x80"
                     "a\0",
                     3),
         "\xEF\xBF\xBD"
         "a",
         false},
    };
    for (const auto& c : cases) {
        char out[modifiedUtf8Capacity(16)];
        const SdkText t = toModifiedUtf8(c.field.data(), c.field.size(), out);
        EXPECT_EQ(std::string(t.text, t.length), c.expected) << c.name;
        EXPECT_EQ(t.text[t.length], '\0') << c.name;
        EXPECT_EQ(t.text == c.field.data(), c.unchanged) << c.name;
    }
}

TEST(SdkText, WorstCaseFitsTheOutputCapacity) {
    const std::string field(kMaxSdkTextField, '\xFF');  // every byte replaced
    std::string out(modifiedUtf8Capacity(kMaxSdkTextField), 'x');
    const SdkText t = toModifiedUtf8(field.data(), field.size(), out.data());
    EXPECT_EQ(t.length, 3 * kMaxSdkTextField);
    EXPECT_EQ(out[t.length], '\0');
}

TEST(CountBounds, MessagesNameMethodValueAndBound) {
    char message[128];
    formatCountMessage(message, sizeof message, "dsdk_get_logs", "capacity", -1, kMaxLogCount);
    EXPECT_STREQ(message, "dsdk_get_logs: capacity -1 is outside 0 to 67108863");
    EXPECT_EQ(maxRecordCount(kParameterRecordSize), 268435455);
    EXPECT_EQ(clampCount(-1, 5), 0);
    EXPECT_EQ(clampCount(9, 5), 5);
    EXPECT_EQ(clampCount(3, 5), 3);
}

}  // namespace
}  // namespace palmbridge
