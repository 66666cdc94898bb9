// An in-memory file system for qvconfig's tests and fuzz target.
//
// MemoryFileSystem implements qvconfig's file system seam the way Windows behaves for it:
// backslash paths and case-insensitive names, folders that must exist, read-only files and files
// in use (a program that runs), temporary names "qvcNNNN.tmp", the system's texts of the error
// codes it gives, and in-memory executables whose resources can be read and updated. An update
// deletes every resource, writes the ones added in the order of a resource directory, and drops
// what follows the sections (the symbol table) while the header still points at its old place,
// as the resource update of Windows does. Every call that can fail can be made to fail
// (FaultInjector).
//
// Its executables are in-memory ones (memory_executable.h).
#ifndef QVCONFIG_TESTS_MEMORY_FILE_SYSTEM_H
#define QVCONFIG_TESTS_MEMORY_FILE_SYSTEM_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "file_system.h"
#include "memory_executable.h"

namespace qvconfig::testing {

// Windows error codes the in-memory file system gives.
inline constexpr std::uint32_t kErrorFileNotFound = 2;             // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kErrorPathNotFound = 3;             // ERROR_PATH_NOT_FOUND
inline constexpr std::uint32_t kErrorDiskFull = 112;               // ERROR_DISK_FULL
inline constexpr std::uint32_t kErrorDirectory = 267;              // ERROR_DIRECTORY
inline constexpr std::uint32_t kErrorResourceDataNotFound = 1812;  // ERROR_RESOURCE_DATA_NOT_FOUND

// The seam calls that can fail, by kind.
enum class SeamCall {
    OpenForReading,    // openForReading
    FileSize,          // InputFile::size
    FileRead,          // InputFile::read
    CreateForWriting,  // createForWriting
    FileWrite,         // OutputFile::write
    WriteAccess,       // checkWriteAccess
    CreateTemporary,   // createTemporaryFile
    Replace,           // replaceFile
    OpenImage,         // openResourceImage
    ReadResources,     // ResourceImage::resources
    BeginUpdate,       // beginResourceUpdate
    AddResource,       // ResourceUpdate::add
    CommitUpdate,      // ResourceUpdate::commit (the file is left as it was)
    ReadText,          // readTextFile
    WriteText,         // writeTextFile (nothing is written)
};
inline constexpr std::size_t kSeamCallKinds = static_cast<std::size_t>(SeamCall::WriteText) + 1;
const char* seamCallName(SeamCall kind);

// Counts the seam calls of each kind and, when told to, makes exactly one of them fail: the call
// of kind `failKind` whose 0-based index is `failIndex` fails with `failCode`. Off by default.
struct FaultInjector {
    std::array<int, kSeamCallKinds> calls{};
    std::optional<SeamCall> failKind;
    int failIndex = 0;
    std::uint32_t failCode = 5;  // ERROR_ACCESS_DENIED
    bool fired = false;

    // Counts a call of `kind`; true when this is the one to fail.
    bool fails(SeamCall kind);
    int count(SeamCall kind) const { return calls[static_cast<std::size_t>(kind)]; }
};

class MemoryFileSystem final : public FileSystem {
  public:
    MemoryFileSystem();

    // --- Settings ------------------------------------------------------------------------------
    // The current folder: relative paths are taken against it. It exists from the start.
    std::string currentFolder = "C:\\work";
    // Error codes that have no system text.
    std::set<std::uint32_t> codesWithoutText;
    FaultInjector faults;

    // --- Files and folders ---------------------------------------------------------------------
    void addFolder(std::string_view path);
    void addFile(std::string_view path, std::string bytes);
    void setReadOnly(std::string_view path, bool readOnly);
    // A program that runs from the file: it cannot be opened for writing, replaced or deleted.
    void setInUse(std::string_view path, bool inUse);
    bool exists(std::string_view path) const;
    // The content of a file; empty when it does not exist.
    std::string fileContent(std::string_view path) const;
    // Every file, by its path as created, in the order of their folded paths.
    std::vector<std::string> filePaths() const;

    // --- FileSystem ----------------------------------------------------------------------------
    std::uint32_t openForReading(const std::string& path,
                                 std::unique_ptr<InputFile>& file) override;
    std::uint32_t createForWriting(const std::string& path,
                                   std::unique_ptr<OutputFile>& file) override;
    bool isReadOnly(const std::string& path) override;
    std::uint32_t checkWriteAccess(const std::string& path) override;
    std::uint32_t createTemporaryFile(const std::string& folder, std::string& path) override;
    void deleteFile(const std::string& path) override;
    std::uint32_t replaceFile(const std::string& from, const std::string& to) override;
    std::uint32_t openResourceImage(const std::string& path,
                                    std::unique_ptr<ResourceImage>& image) override;
    std::uint32_t beginResourceUpdate(const std::string& path,
                                      std::unique_ptr<ResourceUpdate>& update) override;
    bool systemText(std::uint32_t code, const std::string& insert, std::string& text) override;
    bool readTextFile(const std::string& path, std::size_t limit, std::string& text) override;
    bool writeTextFile(const std::string& path, const std::string& bytes) override;

    struct File {
        std::string path;  // as created
        std::string bytes;
        bool readOnly = false;
        bool inUse = false;
    };
    // The file at the folded full path `key`, or null (for the open files of the fixture).
    File* fileAt(const std::string& key);
    // The folded full path of `path`.
    std::string key(std::string_view path) const;

  private:
    // Why a file cannot be created at `path`: its folder is missing; kErrorSuccess when it can.
    std::uint32_t folderOf(const std::string& path) const;

    std::map<std::string, File> files_;  // folded full path -> file
    std::set<std::string> folders_;      // folded full paths
    unsigned temporaryCounter_ = 0;
};

}  // namespace qvconfig::testing

#endif  // QVCONFIG_TESTS_MEMORY_FILE_SYSTEM_H
