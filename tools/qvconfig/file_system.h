// qvconfig's one window on the files it reads and writes: the executable, its resources, the
// temporary copy beside it, and the text files named on the command line.
//
// The commands are plain C++ and never call the Windows API: every file and resource operation
// goes through `FileSystem`. Two implementations exist: the real one on top of kernel32
// (windows/windows_file_system.h), and an in-memory file system for the tests
// (tests/memory_file_system.h).
//
// Conventions of the seam:
// - A member that can fail gives the Windows error code it failed with (GetLastError), or
//   kErrorSuccess; the code travels as that value, never through a global.
// - Out-parameters are left untouched when a member fails.
// - What must be closed is a move-only object handed out as std::unique_ptr; its destructor makes
//   the closing call (a pending resource update is discarded).
#ifndef QVCONFIG_FILE_SYSTEM_H
#define QVCONFIG_FILE_SYSTEM_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "resource.h"

namespace qvconfig {

// Windows error codes that qvconfig names.
inline constexpr std::uint32_t kErrorSuccess = 0;            // ERROR_SUCCESS
inline constexpr std::uint32_t kErrorAccessDenied = 5;       // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kErrorInvalidData = 13;       // ERROR_INVALID_DATA
inline constexpr std::uint32_t kErrorSharingViolation = 32;  // ERROR_SHARING_VIOLATION
inline constexpr std::uint32_t kErrorHandleEof = 38;         // ERROR_HANDLE_EOF
inline constexpr std::uint32_t kErrorBadExeFormat = 193;     // ERROR_BAD_EXE_FORMAT
inline constexpr std::uint32_t kErrorFileTooLarge = 223;     // ERROR_FILE_TOO_LARGE

// A file open for reading (CreateFileA, shared for reading, writing and deleting); closed when
// it goes.
class InputFile {
  public:
    virtual ~InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // GetFileSizeEx.
    [[nodiscard]] virtual std::uint32_t size(std::uint64_t& bytes) = 0;
    // One ReadFile of at most `maxBytes` into `buffer`; `got` is 0 at the end of the file.
    [[nodiscard]] virtual std::uint32_t read(char* buffer, std::size_t maxBytes,
                                             std::size_t& got) = 0;

  protected:
    InputFile() = default;
};

// A file created anew for writing (CreateFileA, CREATE_ALWAYS, not shared); closed when it goes.
class OutputFile {
  public:
    virtual ~OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // One WriteFile of `size` bytes; `put` is what it wrote. A write that puts nothing fails,
    // with the code the system left.
    [[nodiscard]] virtual std::uint32_t write(const char* data, std::size_t size,
                                              std::size_t& put) = 0;

  protected:
    OutputFile() = default;
};

// An executable mapped as data for its resources (LoadLibraryExA as a data file and image
// resource); unmapped when it goes.
class ResourceImage {
  public:
    virtual ~ResourceImage() = default;
    ResourceImage(const ResourceImage&) = delete;
    ResourceImage& operator=(const ResourceImage&) = delete;

    // Every resource (EnumResourceTypesA, EnumResourceNamesA, EnumResourceLanguagesA, each one
    // loaded), in the order the file holds them. A file without resources gives none.
    [[nodiscard]] virtual std::uint32_t resources(std::vector<Resource>& found) = 0;

  protected:
    ResourceImage() = default;
};

// A pending resource update of a file (BeginUpdateResourceA with every existing resource
// deleted); discarded unless committed.
class ResourceUpdate {
  public:
    virtual ~ResourceUpdate() = default;
    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;

    // UpdateResourceA with the resource's bytes.
    [[nodiscard]] virtual std::uint32_t add(const Resource& resource) = 0;
    // EndUpdateResourceA: writes the resources to the file. The update is over either way.
    [[nodiscard]] virtual std::uint32_t commit() = 0;

  protected:
    ResourceUpdate() = default;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;

    // --- Whole files -----------------------------------------------------------------------
    [[nodiscard]] virtual std::uint32_t openForReading(const std::string& path,
                                                       std::unique_ptr<InputFile>& file) = 0;
    [[nodiscard]] virtual std::uint32_t createForWriting(const std::string& path,
                                                         std::unique_ptr<OutputFile>& file) = 0;
    // GetFileAttributesA: the file exists and is read-only. No error.
    virtual bool isReadOnly(const std::string& path) = 0;
    // Opens the existing file for writing (shared for reading) and closes it again: fails where
    // replacing the file would (a program that runs, no write access).
    [[nodiscard]] virtual std::uint32_t checkWriteAccess(const std::string& path) = 0;
    // GetTempFileNameA(folder, "qvc", 0): creates an empty file of a new name in `folder`.
    [[nodiscard]] virtual std::uint32_t createTemporaryFile(const std::string& folder,
                                                            std::string& path) = 0;
    // DeleteFileA; a failure is not reported.
    virtual void deleteFile(const std::string& path) = 0;
    // MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH).
    [[nodiscard]] virtual std::uint32_t replaceFile(const std::string& from,
                                                    const std::string& to) = 0;

    // --- Resources -------------------------------------------------------------------------
    [[nodiscard]] virtual std::uint32_t openResourceImage(
        const std::string& path, std::unique_ptr<ResourceImage>& image) = 0;
    [[nodiscard]] virtual std::uint32_t beginResourceUpdate(
        const std::string& path, std::unique_ptr<ResourceUpdate>& update) = 0;

    // --- Texts -----------------------------------------------------------------------------
    // FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM) for `code`, with `insert` for every placeholder
    // %1 to %9, as the system gives it (its line end included). False when the system has none.
    virtual bool systemText(std::uint32_t code, const std::string& insert, std::string& text) = 0;
    // The content of a text file byte for byte, read until it holds more than `limit` bytes (so
    // that a larger file shows as one). False when it cannot be opened or read.
    virtual bool readTextFile(const std::string& path, std::size_t limit, std::string& text) = 0;
    // Writes `bytes` as the whole content of the file, created or truncated. False when it
    // cannot be written.
    virtual bool writeTextFile(const std::string& path, const std::string& bytes) = 0;

  protected:
    FileSystem() = default;
};

}  // namespace qvconfig

#endif  // QVCONFIG_FILE_SYSTEM_H
