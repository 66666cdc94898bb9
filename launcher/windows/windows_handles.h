// Owners of the Windows and C runtime resources that the seam hands out: each closes its one
// resource when it goes. Only the Windows implementation of the seam includes this file.
#ifndef QV_LAUNCHER_WINDOWS_HANDLES_H
#define QV_LAUNCHER_WINDOWS_HANDLES_H

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <io.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "os.h"

namespace qv::windows {

// An open registry key; RegCloseKey.
class RegistryKeyHandle final : public RegistryKey {
  public:
    explicit RegistryKeyHandle(HKEY key) : key_(key) {}
    ~RegistryKeyHandle() override { RegCloseKey(key_); }

    bool enumSubkey(std::uint32_t index, std::size_t maxChars, std::string& name) override;
    bool queryValue(const char* valueName, std::size_t byteLimit, RegistryValue& value) override;
    bool valueSize(const char* valueName, std::size_t& bytes) override;

  private:
    HKEY key_;
};

// A running file enumeration; _findclose.
class FileFindHandle final : public FileFind {
  public:
    FileFindHandle(intptr_t handle, const _finddata_t& first) : handle_(handle), data_(first) {
        name_ = data_.name;
    }
    ~FileFindHandle() override { _findclose(handle_); }

    const std::string& name() const override { return name_; }
    bool next() override;

  private:
    intptr_t handle_;
    _finddata_t data_;
    std::string name_;
};

// A file descriptor open for reading; _close.
class InputFileHandle final : public InputFile {
  public:
    explicit InputFileHandle(int fd) : fd_(fd) {}
    ~InputFileHandle() override { _close(fd_); }

    long read(char* buffer, std::size_t maxBytes) override;

  private:
    int fd_;
};

// A stdio stream of the debug log; fclose.
class LogStreamHandle final : public LogStream {
  public:
    explicit LogStreamHandle(std::FILE* file) : file_(file) {}
    ~LogStreamHandle() override { std::fclose(file_); }

    void write(std::string_view text) override;
    void flush() override;

  private:
    std::FILE* file_;
};

// A text the system allocated with LocalAlloc (FormatMessageA); LocalFree.
class LocalText {
  public:
    LocalText() = default;
    ~LocalText() {
        if (text_ != nullptr) {
            LocalFree(text_);
        }
    }
    LocalText(const LocalText&) = delete;
    LocalText& operator=(const LocalText&) = delete;

    // Where FormatMessageA with FORMAT_MESSAGE_ALLOCATE_BUFFER stores the text's address.
    LPSTR* receiver() { return &text_; }
    const char* get() const { return text_; }

  private:
    LPSTR text_ = nullptr;
};

}  // namespace qv::windows

#endif  // QV_LAUNCHER_WINDOWS_HANDLES_H
