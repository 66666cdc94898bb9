// Texts that the SDK writes into fixed-size fields and buffers, made into Java strings.
#pragma once

#include <jni.h>

#include <cstddef>

namespace palmbridge {

// Largest SDK text field or buffer that the bridge converts.
constexpr std::size_t kMaxSdkTextField = 255;

// The text is read only within its field: it ends at the first NUL or at the field's end. Valid
// modified UTF-8 passes unchanged; a well-formed four-byte UTF-8 sequence becomes its surrogate
// pair; every other byte that does not fit modified UTF-8 (a legacy code page, a cut sequence)
// becomes U+FFFD. Gives null with the JVM's error pending when the string cannot be made.
jstring newStringFromSdk(JNIEnv* env, const char* field, std::size_t fieldSize);

// The conversion itself: writes the NUL-terminated modified UTF-8 form of the field's text into
// out, which must hold modifiedUtf8Capacity(fieldSize) bytes, and gives its length. Gives the
// same length without copying (out untouched) when the text is already valid and terminated.
constexpr std::size_t modifiedUtf8Capacity(std::size_t fieldSize) {
    return fieldSize * 3 + 1;
}
struct SdkText {
    const char* text;    // field itself when it could be passed unchanged, else out
    std::size_t length;  // bytes, without the NUL
};
SdkText toModifiedUtf8(const char* field, std::size_t fieldSize, char* out);

}  // namespace palmbridge
