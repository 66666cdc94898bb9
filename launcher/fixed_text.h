// Bounded, always terminated text in a fixed buffer.
//
// The launcher keeps its texts in fixed-size buffers. Appending never writes past the capacity:
// `append` and `assign` are all-or-nothing and report overflow, `appendCut` is the one explicit
// way to cut (used only for the error message). The text never holds a NUL of its own; data with
// an embedded NUL is taken up to it.
#ifndef QV_LAUNCHER_FIXED_TEXT_H
#define QV_LAUNCHER_FIXED_TEXT_H

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace qv {

// The text of a NUL-terminated or sized byte range, up to the first NUL within it.
inline std::string_view textUpToNul(const char* data, std::size_t size) {
    if (size == 0) {
        return {};
    }
    const void* nul = std::memchr(data, '\0', size);
    return {data, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data) : size};
}

// The interface every fixed text shares; functions take TextBuffer& whatever the size.
class TextBuffer {
  public:
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Characters the text can hold (the buffer size less the terminator).
    std::size_t capacity() const { return bufferSize_ - 1; }
    std::size_t size() const { return length_; }
    bool empty() const { return length_ == 0; }
    std::size_t room() const { return capacity() - length_; }
    const char* c_str() const { return data_; }
    std::string_view view() const { return {data_, length_}; }
    char back() const { return length_ ? data_[length_ - 1] : '\0'; }

    // Makes the text empty: the first byte NUL, the rest untouched.
    void clear() { truncate(0); }
    // Shortens the text to `length` characters (no effect when it is not longer).
    void truncate(std::size_t length) {
        if (length < length_) {
            length_ = length;
            data_[length_] = '\0';
        }
    }

    // Appends the text up to its first NUL, or nothing when it does not fit.
    [[nodiscard]] bool append(std::string_view text) {
        text = textUpToNul(text.data(), text.size());
        if (text.size() > room()) {
            return false;
        }
        if (text.empty()) {
            return true;
        }
        std::memcpy(data_ + length_, text.data(), text.size());
        length_ += text.size();
        data_[length_] = '\0';
        return true;
    }
    [[nodiscard]] bool append(char c) { return append(std::string_view(&c, 1)); }
    // Replaces the text, or leaves it unchanged when the new one does not fit.
    [[nodiscard]] bool assign(std::string_view text) {
        text = textUpToNul(text.data(), text.size());
        if (text.size() > capacity()) {
            return false;
        }
        clear();
        return append(text);
    }
    // Appends as much of the text as fits.
    void appendCut(std::string_view text) {
        text = textUpToNul(text.data(), text.size());
        (void)append(text.substr(0, room()));
    }
    // Replaces every `from` by `to` in place (neither may be NUL).
    void replaceAll(char from, char to) {
        for (std::size_t i = 0; i < length_; ++i) {
            if (data_[i] == from) {
                data_[i] = to;
            }
        }
    }

  protected:
    TextBuffer(char* storage, std::size_t bufferSize) : data_(storage), bufferSize_(bufferSize) {}
    ~TextBuffer() = default;

  private:
    char* data_;
    std::size_t bufferSize_;
    std::size_t length_ = 0;
};

// A text in a buffer of N bytes (N - 1 characters and the terminator). Only the terminator is
// written when it is made: nothing reads a byte beyond it, and a start makes several texts of
// 32 KB that it would otherwise fill for nothing.
template <std::size_t N>
class FixedText : public TextBuffer {
    static_assert(N >= 2, "a fixed text holds at least one character");

  public:
    static constexpr std::size_t kBufferSize = N;

    FixedText() : TextBuffer(storage_, N) { storage_[0] = '\0'; }
    explicit FixedText(std::string_view text) : FixedText() { (void)assign(text); }

  private:
    char storage_[N];
};

// A heap object that holds fixed texts, made by default-initialisation: std::make_unique
// value-initialises, which zeroes every byte of every buffer first. Every other member of T must
// have an initialiser of its own.
template <typename T>
std::unique_ptr<T> makeWithTexts() {
    return std::unique_ptr<T>(new T);
}

}  // namespace qv

#endif  // QV_LAUNCHER_FIXED_TEXT_H
