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
#include "windows/unique_handle.h"

namespace qv::windows {

using RegistryKeyOwner = UniqueHandle<HKEY, decltype(&RegCloseKey), &RegCloseKey>;
using FindOwner = UniqueHandle<intptr_t, decltype(&_findclose), &_findclose, intptr_t{-1}>;
using DescriptorOwner = UniqueHandle<int, decltype(&_close), &_close, -1>;
using StreamOwner = UniqueHandle<std::FILE*, decltype(&std::fclose), &std::fclose>;
// A text the system allocated with LocalAlloc (FormatMessageA with
// FORMAT_MESSAGE_ALLOCATE_BUFFER, which stores its address in receiver()).
using LocalText = UniqueHandle<LPSTR, decltype(&LocalFree), &LocalFree>;
// A kernel handle (an access token).
using KernelHandle = UniqueHandle<HANDLE, decltype(&CloseHandle), &CloseHandle>;
// A security descriptor the system allocated with LocalAlloc
// (ConvertStringSecurityDescriptorToSecurityDescriptorA).
using LocalDescriptor = UniqueHandle<PSECURITY_DESCRIPTOR, decltype(&LocalFree), &LocalFree>;
// A SID the system allocated with LocalAlloc (ConvertStringSidToSidA).
using LocalSid = UniqueHandle<PSID, decltype(&LocalFree), &LocalFree>;

// An open registry key.
class RegistryKeyHandle final : public RegistryKey {
  public:
    explicit RegistryKeyHandle(HKEY key) : key_(key) {}

    bool enumSubkey(std::uint32_t index, std::size_t maxChars, std::string& name) override;
    bool queryValue(const char* valueName, std::size_t byteLimit, RegistryValue& value) override;
    bool valueSize(const char* valueName, std::size_t& bytes) override;

  private:
    RegistryKeyOwner key_;
};

// A running file enumeration.
class FileFindHandle final : public FileFind {
  public:
    FileFindHandle(intptr_t handle, const _finddata_t& first) : handle_(handle), data_(first) {
        name_ = data_.name;
    }

    const std::string& name() const override { return name_; }
    bool next() override;

  private:
    FindOwner handle_;
    _finddata_t data_;
    std::string name_;
};

// A file descriptor open for reading.
class InputFileHandle final : public InputFile {
  public:
    explicit InputFileHandle(int fd) : fd_(fd) {}

    long read(char* buffer, std::size_t maxBytes) override;

  private:
    DescriptorOwner fd_;
};

// A stdio stream of the debug log.
class LogStreamHandle final : public LogStream {
  public:
    explicit LogStreamHandle(std::FILE* file) : file_(file) {}

    void write(std::string_view text) override;
    void flush() override;

  private:
    StreamOwner file_;
};

}  // namespace qv::windows

#endif  // QV_LAUNCHER_WINDOWS_HANDLES_H
