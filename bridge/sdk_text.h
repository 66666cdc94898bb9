// Texts that the SDK writes into fixed-size fields and buffers, made into Java strings.
#pragma once

#include <jni.h>

#include <cstddef>

namespace palmbridge {

// Largest SDK text field or buffer that the bridge converts.
constexpr std::size_t kMaxSdkTextField = 255;

// The text is read only within its field: it ends at the first NUL or at the field's end. Valid
// modified UTF-8 passes unchanged (surrogate halves encoded in three bytes and the two-byte
// U+0000 included); a well-formed four-byte UTF-8 sequence becomes its surrogate pair; every
// other byte, one that is not part of such a sequence (a legacy code page, a cut sequence, an
// overlong form, a stray continuation byte), becomes the character of the same value, U+0080 to
// U+00FF, so that no byte is lost: re-encoded as ISO-8859-1, those characters give the bytes
// back. Gives null with the JVM's error pending when the string cannot be made.
jstring newStringFromSdk(JNIEnv* env, const char* field, std::size_t fieldSize);

// The conversion itself: writes the NUL-terminated modified UTF-8 form of the field's text into
// out, which must hold modifiedUtf8Capacity(fieldSize) bytes, and gives its length. Gives the
// same length without copying (out untouched) when the text is already valid and terminated.
// No input byte grows beyond two bytes (a byte of its own value takes two, a four-byte sequence
// six), and the NUL is added.
constexpr std::size_t kMaxBytesPerSdkByte = 2;
constexpr std::size_t modifiedUtf8Capacity(std::size_t fieldSize) {
    return fieldSize * kMaxBytesPerSdkByte + 1;
}
struct SdkText {
    const char* text;    // field itself when it could be passed unchanged, else out
    std::size_t length;  // bytes, without the NUL
};
SdkText toModifiedUtf8(const char* field, std::size_t fieldSize, char* out);

}  // namespace palmbridge
