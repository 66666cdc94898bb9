#include "text_copy.h"

#include <cstring>

#include "jni_support.h"

namespace palmbridge {

bool TextCopy::fill(JNIEnv* env, jstring text) {
    buffer_.reset();
    if (text == nullptr)
        return true;

    const jsize length = env->GetStringUTFLength(text);
    std::unique_ptr<char, FreeDeleter> copy(
        static_cast<char*>(std::malloc(static_cast<std::size_t>(length) + 1)));
    if (!copy) {
        throwOutOfMemory(env, "cannot allocate the copy of a string");
        return false;
    }
    const char* chars = env->GetStringUTFChars(text, nullptr);
    if (chars == nullptr)
        return false;  // the JVM's OutOfMemoryError is pending
    std::memcpy(copy.get(), chars, static_cast<std::size_t>(length));
    env->ReleaseStringUTFChars(text, chars);
    copy.get()[length] = '\0';
    buffer_ = std::move(copy);
    return true;
}

}  // namespace palmbridge
