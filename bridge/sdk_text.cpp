#include "sdk_text.h"

#include <cstdint>
#include <cstring>

namespace palmbridge {
namespace {

using Byte = unsigned char;

bool isContinuation(Byte b) {
    return (b & 0xC0) == 0x80;
}

// Length of the valid modified UTF-8 sequence at p (end is one past the text), 0 if invalid.
std::size_t modifiedSequence(const Byte* p, const Byte* end) {
    const Byte b = p[0];
    if (b < 0x80)
        return 1;
    const std::size_t left = static_cast<std::size_t>(end - p);
    if (b == 0xC0)
        return left >= 2 && p[1] == 0x80 ? 2 : 0;  // U+0000
    if (b >= 0xC2 && b <= 0xDF)
        return left >= 2 && isContinuation(p[1]) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        if (left < 3 || !isContinuation(p[1]) || !isContinuation(p[2]))
            return 0;
        return b == 0xE0 && p[1] < 0xA0 ? 0 : 3;  // no overlong forms; surrogates are allowed
    }
    return 0;
}

// Code point of a well-formed four-byte UTF-8 sequence at p, or 0 if there is none.
std::uint32_t fourByteSequence(const Byte* p, const Byte* end) {
    const Byte b = p[0];
    if (b < 0xF0 || b > 0xF4 || end - p < 4)
        return 0;
    if (!isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
        return 0;
    const std::uint32_t cp = (std::uint32_t{b & 0x07u} << 18) |
                             (std::uint32_t{p[1] & 0x3Fu} << 12) |
                             (std::uint32_t{p[2] & 0x3Fu} << 6) | std::uint32_t{p[3] & 0x3Fu};
    return cp >= 0x10000 && cp <= 0x10FFFF ? cp : 0;
}

// A byte that is not part of a valid sequence (0x80 to 0xFF): the character of the same value,
// in two bytes.
Byte* putByteValue(Byte* out, Byte b) {
    *out++ = static_cast<Byte>(0xC0 | (b >> 6));
    *out++ = static_cast<Byte>(0x80 | (b & 0x3F));
    return out;
}

Byte* putThreeByte(Byte* out, std::uint32_t unit) {
    *out++ = static_cast<Byte>(0xE0 | (unit >> 12));
    *out++ = static_cast<Byte>(0x80 | ((unit >> 6) & 0x3F));
    *out++ = static_cast<Byte>(0x80 | (unit & 0x3F));
    return out;
}

}  // namespace

SdkText toModifiedUtf8(const char* field, std::size_t fieldSize, char* out) {
    const Byte* begin = reinterpret_cast<const Byte*>(field);
    const Byte* limit = begin + fieldSize;

    // Most texts are plain ASCII: one pass finds their end and checks them at once.
    const Byte* p = begin;
    while (p < limit && static_cast<Byte>(*p - 1) < 0x7F)
        ++p;  // 0x01 to 0x7F
    if (p < limit && *p == 0)
        return {field, static_cast<std::size_t>(p - begin)};

    const void* nul = std::memchr(p, '\0', static_cast<std::size_t>(limit - p));
    const Byte* end = nul != nullptr ? static_cast<const Byte*>(nul) : limit;
    while (p < end) {
        const std::size_t n = modifiedSequence(p, end);
        if (n == 0)
            break;
        p += n;
    }
    if (p == end && nul != nullptr)
        return {field, static_cast<std::size_t>(end - begin)};

    // Copy what was valid, then convert the rest.
    Byte* o = reinterpret_cast<Byte*>(out);
    const std::size_t valid = static_cast<std::size_t>(p - begin);
    std::memcpy(o, begin, valid);
    o += valid;
    while (p < end) {
        if (const std::size_t n = modifiedSequence(p, end); n != 0) {
            std::memcpy(o, p, n);
            o += n;
            p += n;
        } else if (const std::uint32_t cp = fourByteSequence(p, end); cp != 0) {
            const std::uint32_t v = cp - 0x10000;
            o = putThreeByte(o, 0xD800 | (v >> 10));
            o = putThreeByte(o, 0xDC00 | (v & 0x3FF));
            p += 4;
        } else {
            o = putByteValue(o, *p);
            ++p;
        }
    }
    *o = 0;
    return {out, static_cast<std::size_t>(o - reinterpret_cast<Byte*>(out))};
}

jstring newStringFromSdk(JNIEnv* env, const char* field, std::size_t fieldSize) {
    if (fieldSize > kMaxSdkTextField)
        fieldSize = kMaxSdkTextField;
    char converted[modifiedUtf8Capacity(kMaxSdkTextField)];
    const SdkText text = toModifiedUtf8(field, fieldSize, converted);
    jstring result = env->NewStringUTF(text.text);
    return env->ExceptionCheck() ? nullptr : result;
}

}  // namespace palmbridge
