// SDK texts to modified UTF-8, and the wording of refused counts.
#include <gtest/gtest.h>

#include <string>

#include "jni_support.h"
#include "sdk_text.h"
#include "sdk_text_cases.h"

namespace palmbridge {
namespace {

TEST(SdkText, ConversionsToModifiedUtf8) {
    for (const auto& c : sdktext::cases()) {
        char out[modifiedUtf8Capacity(16)];
        ASSERT_LE(c.field.size(), 16u) << c.name;
        const SdkText t = toModifiedUtf8(c.field.data(), c.field.size(), out);
        EXPECT_EQ(std::string(t.text, t.length), c.expected) << c.name;
        EXPECT_EQ(t.text[t.length], '\0') << c.name;
        EXPECT_EQ(t.text == c.field.data(), c.unchanged) << c.name;
    }
}

TEST(SdkText, EveryByteOutsideASequenceKeepsItsValue) {
    // Each byte 0x80 to 0xFF alone in a field: the character of the same value, U+0080 to U+00FF.
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char field[] = {'<', static_cast<char>(b), '>', '\0'};
        char out[modifiedUtf8Capacity(sizeof field)];
        const SdkText t = toModifiedUtf8(field, sizeof field, out);
        const std::string expected = {'<', static_cast<char>(0xC0 | (b >> 6)),
                                      static_cast<char>(0x80 | (b & 0x3F)), '>'};
        EXPECT_EQ(std::string(t.text, t.length), expected) << b;
    }
}

TEST(SdkText, WorstCaseFitsTheOutputCapacity) {
    const std::string field(kMaxSdkTextField, '\xFF');  // every byte takes two
    std::string out(modifiedUtf8Capacity(kMaxSdkTextField), 'x');
    const SdkText t = toModifiedUtf8(field.data(), field.size(), out.data());
    EXPECT_EQ(t.length, 2 * kMaxSdkTextField);
    EXPECT_EQ(out[t.length], '\0');
    EXPECT_EQ(t.length + 1, out.size());
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
