// Texts as the SDK leaves them in a field, and the modified UTF-8 that Java must receive: shared
// by the conversion's own test and the tests on the real JVM.
#pragma once

#include <string>
#include <vector>

namespace sdktext {

inline std::string withNul(const char* text) {
    return std::string(text) + '\0';
}

// HotSpot decodes an overlong form as the character it spells and drops bytes of a four-byte
// sequence: no comparison with the bridge there.
constexpr int kHotSpotDecodesOtherwise = -1;

struct Case {
    const char* name;
    std::string field;     // the whole field, as the SDK left it
    std::string expected;  // modified UTF-8 of the Java string
    bool unchanged;        // passed to the JVM without a copy
    // What HotSpot's own NewStringUTF makes of the raw text (up to its NUL): the bridge's
    // characters, each stray byte the character of its value, but without this many characters
    // at the end, one for each stray continuation byte (0x80 to 0xBF), which its length count
    // skips; or kHotSpotDecodesOtherwise.
    int hotspotMissing;
};

inline const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"ascii", std::string("abc\0zz", 6), "abc", true, 0},
        {"empty", std::string("\0x", 2), "", true, 0},
        {"two and three bytes", withNul("\xC3\xA9\xE2\x82\xAC"), "\xC3\xA9\xE2\x82\xAC", true, 0},
        {"encoded U+0000",
         withNul("a\xC0\x80"
                 "b"),
         "a\xC0\x80"
         "b",
         true, 0},
        {"lone surrogate in three bytes", withNul("\xED\xA0\xBD"), "\xED\xA0\xBD", true, 0},
        {"surrogate pair in three-byte halves", withNul("\xED\xA0\xBD\xED\xB8\x80"),
         "\xED\xA0\xBD\xED\xB8\x80", true, 0},
        {"unterminated", "abcd", "abcd", false, 0},
        {"NUL inside the field ends the text", std::string("ab\0\xE9\xE9", 5), "ab", true, 0},
        {"Windows-1252", withNul("Caf\xE9 cr\xE8me \x80"), "Caf\xC3\xA9 cr\xC3\xA8me \xC2\x80",
         false, 1},
        {"Windows-1251", withNul("\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0"),
         "\xC3\x8F\xC3\xB0\xC3\xA8\xC3\xA2\xC3\xA5\xC3\xB2, \xC3\xAC\xC3\xA8\xC3\xB0", false, 0},
        {"valid sequence between legacy bytes", withNul("\xE9\xC3\xA9\xE9"),
         "\xC3\xA9\xC3\xA9\xC3\xA9", false, 0},
        {"stray continuation bytes",
         withNul("\x80"
                 "a\xBF"),
         "\xC2\x80"
         "a\xC2\xBF",
         false, 2},
        {"lead byte cut by the NUL", std::string("x\xE2\x82\0\x82", 5), "x\xC3\xA2\xC2\x82", false,
         1},
        {"lead byte cut by the field's end", "ab\xC3", "ab\xC3\x83", false, 0},
        {"overlong two bytes", withNul("\xC1\x81"), "\xC3\x81\xC2\x81", false,
         kHotSpotDecodesOtherwise},
        {"overlong three bytes", withNul("\xE0\x80\x80"), "\xC3\xA0\xC2\x80\xC2\x80", false,
         kHotSpotDecodesOtherwise},
        {"four bytes become a surrogate pair", withNul("\xF0\x9F\x98\x80"),
         "\xED\xA0\xBD\xED\xB8\x80", false, kHotSpotDecodesOtherwise},
        {"four bytes cut by the field's end", "\xF0\x9F\x98", "\xC3\xB0\xC2\x9F\xC2\x98", false, 2},
        {"beyond U+10FFFF", withNul("\xF4\x90\x80\x80"), "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80", false,
         3},
    };
    return all;
}

}  // namespace sdktext
