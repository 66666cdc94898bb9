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
    // Each byte 0x80 to 0xFF alone in a field, between two ASCII characters: the character of the
    // same value, U+0080 to U+00FF, in its two bytes of UTF-8.
    struct Row {
        unsigned char byte;
        const char* expected;
    };
    const Row rows[] = {
        {0x80, "<\xC2\x80>"}, {0x81, "<\xC2\x81>"}, {0x82, "<\xC2\x82>"}, {0x83, "<\xC2\x83>"},
        {0x84, "<\xC2\x84>"}, {0x85, "<\xC2\x85>"}, {0x86, "<\xC2\x86>"}, {0x87, "<\xC2\x87>"},
        {0x88, "<\xC2\x88>"}, {0x89, "<\xC2\x89>"}, {0x8A, "<\xC2\x8A>"}, {0x8B, "<\xC2\x8B>"},
        {0x8C, "<\xC2\x8C>"}, {0x8D, "<\xC2\x8D>"}, {0x8E, "<\xC2\x8E>"}, {0x8F, "<\xC2\x8F>"},
        {0x90, "<\xC2\x90>"}, {0x91, "<\xC2\x91>"}, {0x92, "<\xC2\x92>"}, {0x93, "<\xC2\x93>"},
        {0x94, "<\xC2\x94>"}, {0x95, "<\xC2\x95>"}, {0x96, "<\xC2\x96>"}, {0x97, "<\xC2\x97>"},
        {0x98, "<\xC2\x98>"}, {0x99, "<\xC2\x99>"}, {0x9A, "<\xC2\x9A>"}, {0x9B, "<\xC2\x9B>"},
        {0x9C, "<\xC2\x9C>"}, {0x9D, "<\xC2\x9D>"}, {0x9E, "<\xC2\x9E>"}, {0x9F, "<\xC2\x9F>"},
        {0xA0, "<\xC2\xA0>"}, {0xA1, "<\xC2\xA1>"}, {0xA2, "<\xC2\xA2>"}, {0xA3, "<\xC2\xA3>"},
        {0xA4, "<\xC2\xA4>"}, {0xA5, "<\xC2\xA5>"}, {0xA6, "<\xC2\xA6>"}, {0xA7, "<\xC2\xA7>"},
        {0xA8, "<\xC2\xA8>"}, {0xA9, "<\xC2\xA9>"}, {0xAA, "<\xC2\xAA>"}, {0xAB, "<\xC2\xAB>"},
        {0xAC, "<\xC2\xAC>"}, {0xAD, "<\xC2\xAD>"}, {0xAE, "<\xC2\xAE>"}, {0xAF, "<\xC2\xAF>"},
        {0xB0, "<\xC2\xB0>"}, {0xB1, "<\xC2\xB1>"}, {0xB2, "<\xC2\xB2>"}, {0xB3, "<\xC2\xB3>"},
        {0xB4, "<\xC2\xB4>"}, {0xB5, "<\xC2\xB5>"}, {0xB6, "<\xC2\xB6>"}, {0xB7, "<\xC2\xB7>"},
        {0xB8, "<\xC2\xB8>"}, {0xB9, "<\xC2\xB9>"}, {0xBA, "<\xC2\xBA>"}, {0xBB, "<\xC2\xBB>"},
        {0xBC, "<\xC2\xBC>"}, {0xBD, "<\xC2\xBD>"}, {0xBE, "<\xC2\xBE>"}, {0xBF, "<\xC2\xBF>"},
        {0xC0, "<\xC3\x80>"}, {0xC1, "<\xC3\x81>"}, {0xC2, "<\xC3\x82>"}, {0xC3, "<\xC3\x83>"},
        {0xC4, "<\xC3\x84>"}, {0xC5, "<\xC3\x85>"}, {0xC6, "<\xC3\x86>"}, {0xC7, "<\xC3\x87>"},
        {0xC8, "<\xC3\x88>"}, {0xC9, "<\xC3\x89>"}, {0xCA, "<\xC3\x8A>"}, {0xCB, "<\xC3\x8B>"},
        {0xCC, "<\xC3\x8C>"}, {0xCD, "<\xC3\x8D>"}, {0xCE, "<\xC3\x8E>"}, {0xCF, "<\xC3\x8F>"},
        {0xD0, "<\xC3\x90>"}, {0xD1, "<\xC3\x91>"}, {0xD2, "<\xC3\x92>"}, {0xD3, "<\xC3\x93>"},
        {0xD4, "<\xC3\x94>"}, {0xD5, "<\xC3\x95>"}, {0xD6, "<\xC3\x96>"}, {0xD7, "<\xC3\x97>"},
        {0xD8, "<\xC3\x98>"}, {0xD9, "<\xC3\x99>"}, {0xDA, "<\xC3\x9A>"}, {0xDB, "<\xC3\x9B>"},
        {0xDC, "<\xC3\x9C>"}, {0xDD, "<\xC3\x9D>"}, {0xDE, "<\xC3\x9E>"}, {0xDF, "<\xC3\x9F>"},
        {0xE0, "<\xC3\xA0>"}, {0xE1, "<\xC3\xA1>"}, {0xE2, "<\xC3\xA2>"}, {0xE3, "<\xC3\xA3>"},
        {0xE4, "<\xC3\xA4>"}, {0xE5, "<\xC3\xA5>"}, {0xE6, "<\xC3\xA6>"}, {0xE7, "<\xC3\xA7>"},
        {0xE8, "<\xC3\xA8>"}, {0xE9, "<\xC3\xA9>"}, {0xEA, "<\xC3\xAA>"}, {0xEB, "<\xC3\xAB>"},
        {0xEC, "<\xC3\xAC>"}, {0xED, "<\xC3\xAD>"}, {0xEE, "<\xC3\xAE>"}, {0xEF, "<\xC3\xAF>"},
        {0xF0, "<\xC3\xB0>"}, {0xF1, "<\xC3\xB1>"}, {0xF2, "<\xC3\xB2>"}, {0xF3, "<\xC3\xB3>"},
        {0xF4, "<\xC3\xB4>"}, {0xF5, "<\xC3\xB5>"}, {0xF6, "<\xC3\xB6>"}, {0xF7, "<\xC3\xB7>"},
        {0xF8, "<\xC3\xB8>"}, {0xF9, "<\xC3\xB9>"}, {0xFA, "<\xC3\xBA>"}, {0xFB, "<\xC3\xBB>"},
        {0xFC, "<\xC3\xBC>"}, {0xFD, "<\xC3\xBD>"}, {0xFE, "<\xC3\xBE>"}, {0xFF, "<\xC3\xBF>"},
    };
    for (const Row& row : rows) {
        const char field[] = {'<', static_cast<char>(row.byte), '>', '\0'};
        char out[modifiedUtf8Capacity(sizeof field)];
        const SdkText t = toModifiedUtf8(field, sizeof field, out);
        EXPECT_EQ(std::string(t.text, t.length), row.expected) << int{row.byte};
    }
}

TEST(SdkText, WorstCaseFitsTheOutputCapacity) {
    // 255 bytes of 0xFF, each taking two: 510 bytes of C3 BF and the NUL fill the output exactly.
    const std::string field(kMaxSdkTextField, '\xFF');
    std::string out(modifiedUtf8Capacity(kMaxSdkTextField), 'x');
    const SdkText t = toModifiedUtf8(field.data(), field.size(), out.data());
    ASSERT_EQ(t.length, 510u);
    EXPECT_EQ(out.size(), 511u);
    for (std::size_t i = 0; i < t.length; i += 2) {
        ASSERT_EQ(out.substr(i, 2), "\xC3\xBF") << i;
    }
    EXPECT_EQ(out[510], '\0');
}

TEST(CountBounds, MessagesNameMethodValueAndBound) {
    char message[128];
    formatCountMessage(message, sizeof message, "dsdk_get_logs", "capacity", -1, kMaxLogCount);
    EXPECT_STREQ(message, "dsdk_get_logs: capacity -1 is outside 0 to 67108863");
    EXPECT_EQ(clampCount(-1, 5), 0);
    EXPECT_EQ(clampCount(9, 5), 5);
    EXPECT_EQ(clampCount(3, 5), 3);
}

}  // namespace
}  // namespace palmbridge
