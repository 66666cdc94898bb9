#include "text_copy.h"

#include <cstring>

#include "jni_support.h"

namespace palmbridge {

bool TextCopy::fill(JNIEnv* env, jstring text) {
    reset();
    if (text == nullptr)
        return true;

    const std::size_t length = static_cast<std::size_t>(env->GetStringUTFLength(text));
    char* copy = inline_;
    if (length + 1 > kInlineCapacity) {
        heap_.reset(static_cast<char*>(std::malloc(length + 1)));
        if (!heap_) {
            throwFormatted(env, kOutOfMemory, "cannot allocate the copy of a string");
            return false;
        }
        copy = heap_.get();
    }
    const char* chars = env->GetStringUTFChars(text, nullptr);
    if (chars == nullptr) {  // the JVM's OutOfMemoryError is pending
        heap_.reset();
        return false;
    }
    std::memcpy(copy, chars, length);
    env->ReleaseStringUTFChars(text, chars);
    copy[length] = '\0';
    text_ = copy;
    return true;
}

}  // namespace palmbridge
