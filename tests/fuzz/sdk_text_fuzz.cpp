// The bridge's conversion of SDK texts, over arbitrary field bytes.
//
// The fuzz input is the whole field, in a heap copy of exactly its size so that AddressSanitizer
// reports any read beyond it. The same bytes are also converted with a NUL after them. Each
// conversion must hold:
//  - the text ends at the first NUL or the field's end, and is passed unchanged (the field
//    itself, the output buffer untouched) exactly when it is already valid and terminated;
//  - the output holds no NUL before its terminator and fits modifiedUtf8Capacity(fieldSize);
//  - the output is well-formed modified UTF-8: sequences of one, two or three bytes, no four-byte
//    form, no overlong form other than C0 80;
//  - no byte is lost or invented: walking the decoded output one character at a time, each
//    character matches the input at the current place in one of the forms the conversion gives
//    it (the same sequence; a surrogate pair from a four-byte sequence; a character U+0080 to
//    U+00FF from the single byte of that value, and only where no valid sequence starts), the
//    longest form first, as the conversion reads the longest valid sequence first; the walk ends
//    exactly at the end of the text;
//  - the same field converted twice gives the same output.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sdk_text.h"

namespace {

using Byte = unsigned char;

constexpr Byte kUntouched = 0xA5;  // fills the output buffer to show what was written

// The bridge converts fields of up to kMaxSdkTextField bytes; one more lets a NUL follow them.
constexpr std::size_t kMaxField = palmbridge::kMaxSdkTextField + 1;
constexpr std::size_t kMaxOutput = palmbridge::modifiedUtf8Capacity(kMaxField);

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "sdk_text_fuzz: %s\n", what);
    std::abort();
}

void check(bool ok, const char* what) {
    if (!ok)
        fail(what);
}

// One character of modified UTF-8: its value (a UTF-16 unit, or 0 for C0 80) and its bytes.
struct Char {
    std::uint32_t unit;
    const Byte* bytes;
    std::size_t size;
};

struct Chars {
    std::array<Char, kMaxOutput> at;
    std::size_t count = 0;
    void push_back(Char c) { at[count++] = c; }
    std::size_t size() const { return count; }
    const Char& operator[](std::size_t i) const { return at[i]; }
};

// Decodes modified UTF-8 strictly, as Java reads it; any malformed sequence fails the run.
void decodeModifiedUtf8(const Byte* p, std::size_t length, Chars& chars) {
    const Byte* end = p + length;
    while (p < end) {
        const Byte b = *p;
        check(b != 0, "NUL byte in the output");
        if (b < 0x80) {
            chars.push_back({b, p, 1});
            p += 1;
        } else if ((b & 0xE0) == 0xC0) {
            check(end - p >= 2 && (p[1] & 0xC0) == 0x80, "cut two-byte sequence");
            const std::uint32_t unit = ((b & 0x1Fu) << 6) | (p[1] & 0x3Fu);
            check(unit >= 0x80 || unit == 0, "overlong two-byte sequence");
            chars.push_back({unit, p, 2});
            p += 2;
        } else if ((b & 0xF0) == 0xE0) {
            check(end - p >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80,
                  "cut three-byte sequence");
            const std::uint32_t unit = ((b & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
            check(unit >= 0x800, "overlong three-byte sequence");
            chars.push_back({unit, p, 3});
            p += 3;
        } else {
            fail("four-byte form or stray byte in the output");
        }
    }
}

// Whether a sequence that the conversion passes as it stands, or a four-byte UTF-8 sequence,
// starts at p; the text holds no NUL.
bool startsSequence(const Byte* p, std::size_t left) {
    auto cont = [&](std::size_t i) { return i < left && (p[i] & 0xC0) == 0x80; };
    const Byte b = p[0];
    if (b < 0x80)
        return true;
    if (b == 0xC0)
        return left >= 2 && p[1] == 0x80;
    if (b >= 0xC2 && b <= 0xDF)
        return cont(1);
    if (b == 0xE0)
        return cont(1) && p[1] >= 0xA0 && cont(2);
    if (b >= 0xE1 && b <= 0xEF)
        return cont(1) && cont(2);
    if (b >= 0xF0 && b <= 0xF4 && cont(1) && cont(2) && cont(3)) {
        const std::uint32_t cp =
            ((b & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
        return cp >= 0x10000 && cp <= 0x10FFFF;
    }
    return false;
}

bool isHigh(std::uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLow(std::uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Recovers the input text from the decoded output; returns how many input bytes it accounts for.
std::size_t recoverInput(const Chars& chars, const Byte* in, std::size_t inLength) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const Char& c = chars[i];
        const std::size_t left = inLength - at;
        // A surrogate pair, from a four-byte UTF-8 sequence.
        if (isHigh(c.unit) && i + 1 < chars.size() && isLow(chars[i + 1].unit)) {
            const std::uint32_t cp =
                0x10000 + ((c.unit - 0xD800) << 10) + (chars[i + 1].unit - 0xDC00);
            const Byte four[4] = {static_cast<Byte>(0xF0 | (cp >> 18)),
                                  static_cast<Byte>(0x80 | ((cp >> 12) & 0x3F)),
                                  static_cast<Byte>(0x80 | ((cp >> 6) & 0x3F)),
                                  static_cast<Byte>(0x80 | (cp & 0x3F))};
            if (left >= 4 && std::memcmp(in + at, four, 4) == 0) {
                at += 4;
                ++i;
                continue;
            }
        }
        // The same sequence.
        if (left >= c.size && std::memcmp(in + at, c.bytes, c.size) == 0) {
            at += c.size;
            continue;
        }
        // The single byte of the character's value.
        check(c.unit >= 0x80 && c.unit <= 0xFF && left >= 1 && in[at] == c.unit,
              "an output character that no input byte accounts for");
        check(!startsSequence(in + at, left), "a valid sequence taken byte by byte");
        at += 1;
    }
    return at;
}

struct Result {
    bool unchanged = false;
    std::size_t length = 0;
    std::array<Byte, kMaxOutput> text;
    bool operator==(const Result& o) const {
        return unchanged == o.unchanged && length == o.length &&
               std::memcmp(text.data(), o.text.data(), length) == 0;
    }
};

void convertAndCheck(const Byte* field, std::size_t fieldSize, Result& result) {
    const std::size_t capacity = palmbridge::modifiedUtf8Capacity(fieldSize);
    // Exactly the stated capacity, on the heap, so that a write beyond it is reported.
    std::unique_ptr<char[]> out(new char[capacity]);
    std::memset(out.get(), kUntouched, capacity);
    const char* fieldChars = reinterpret_cast<const char*>(field);
    const palmbridge::SdkText converted =
        palmbridge::toModifiedUtf8(fieldChars, fieldSize, out.get());

    const void* nul = std::memchr(field, 0, fieldSize);
    const std::size_t textLength =
        nul != nullptr ? static_cast<std::size_t>(static_cast<const Byte*>(nul) - field)
                       : fieldSize;
    const bool unchanged = converted.text == fieldChars;
    check(unchanged || converted.text == out.get(), "output is neither the field nor the buffer");
    if (unchanged) {
        check(nul != nullptr, "an unterminated field passed unchanged");
        check(converted.length == textLength, "unchanged text with another length");
        for (std::size_t i = 0; i < capacity; ++i)
            check(static_cast<Byte>(out[i]) == kUntouched, "buffer written for an unchanged text");
    } else {
        check(converted.length < capacity, "output beyond its capacity");
        check(converted.text[converted.length] == 0, "output without its NUL");
        for (std::size_t i = converted.length + 1; i < capacity; ++i)
            check(static_cast<Byte>(out[i]) == kUntouched, "written beyond the output's NUL");
    }

    const Byte* text = reinterpret_cast<const Byte*>(converted.text);
    Chars chars;
    decodeModifiedUtf8(text, converted.length, chars);
    check(recoverInput(chars, field, textLength) == textLength, "input bytes lost");
    // A text is passed unchanged exactly when it is valid as it stands, and it is valid exactly
    // when each character is the same sequence as the input (then the input is the output).
    if (!unchanged && nul != nullptr)
        check(converted.length != textLength || std::memcmp(text, field, textLength) != 0,
              "a valid terminated text was copied");
    result.unchanged = unchanged;
    result.length = converted.length;
    std::memcpy(result.text.data(), text, converted.length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= kMaxField)
        return -1;  // longer than any field the bridge converts: not worth keeping
    // The field as the SDK left it, exactly sized.
    std::unique_ptr<Byte[]> field(new Byte[size]);
    if (size != 0)
        std::memcpy(field.get(), data, size);
    Result first;
    Result again;
    convertAndCheck(field.get(), size, first);
    convertAndCheck(field.get(), size, again);
    check(first == again, "not deterministic");

    // The same bytes with a NUL after them: the same text.
    std::unique_ptr<Byte[]> terminated(new Byte[size + 1]);
    if (size != 0)
        std::memcpy(terminated.get(), data, size);
    terminated[size] = 0;
    Result withNul;
    convertAndCheck(terminated.get(), size + 1, withNul);
    check(withNul.length == first.length &&
              std::memcmp(withNul.text.data(), first.text.data(), first.length) == 0,
          "a NUL after the field changed the text");
    return 0;
}
