// An owning, NUL-terminated copy of a Java String in JNI modified UTF-8, for handing a text to
// the SDK for the length of one call.
#pragma once

#include <jni.h>

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace palmbridge {

class TextCopy {
  public:
    TextCopy() = default;
    TextCopy(const TextCopy&) = delete;
    TextCopy& operator=(const TextCopy&) = delete;
    ~TextCopy() = default;

    // Copies the string's modified UTF-8 bytes and a NUL, releasing what was held before. A null
    // string leaves the copy empty and succeeds. Gives false, with an OutOfMemoryError pending,
    // when memory runs out or the JVM cannot supply the characters.
    [[nodiscard]] bool fill(JNIEnv* env, jstring text);

    // The copy, or null when empty. Modified UTF-8 has no zero byte, so the first NUL ends it.
    const char* get() const { return text_; }

    void reset() {
        text_ = nullptr;
        heap_.reset();
    }

  private:
    // Texts up to this many bytes (with the NUL) are copied without a heap allocation.
    static constexpr std::size_t kInlineCapacity = 128;

    struct FreeDeleter {
        void operator()(char* p) const { std::free(p); }
    };
    const char* text_ = nullptr;
    char inline_[kInlineCapacity];
    std::unique_ptr<char, FreeDeleter> heap_;
};

}  // namespace palmbridge
