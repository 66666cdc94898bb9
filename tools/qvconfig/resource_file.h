// Reading and rewriting the resources of a Windows executable file.
#ifndef QVCONFIG_RESOURCE_FILE_H
#define QVCONFIG_RESOURCE_FILE_H

#include <cstdint>
#include <string>
#include <vector>

namespace qvconfig {

// A resource type or name: an integer ID or a text name.
struct ResourceKey {
    bool isInteger = true;
    std::uint16_t id = 0;
    std::string text;

    static ResourceKey integer(std::uint16_t value) { return ResourceKey{true, value, {}}; }
    bool operator==(const ResourceKey& other) const {
        return isInteger == other.isInteger && (isInteger ? id == other.id : text == other.text);
    }
};

struct Resource {
    ResourceKey type;
    ResourceKey name;
    std::uint16_t language = 0;
    std::string bytes;
};

// Why a file operation failed.
struct FileError {
    enum class Kind {
        System,             // a Windows error (`code`) at `step`; `detail` may say more
        NotQuorvexService,  // the file is sound but not a QuorvexService executable (`detail`)
    };
    Kind kind = Kind::System;
    std::uint32_t code = 0;
    const char* step = "";
    std::string detail;
};

// A QuorvexService executable as read from its file.
struct Executable {
    std::string bytes;
    // Every resource, in the order the file holds them.
    std::vector<Resource> resources;
};

// Reads the executable at `path`: a Windows program (not a DLL) whose version block names
// "QuorvexService.exe" as its original file name, so that it survives a rename. Anything else is
// refused before a value is read or written.
[[nodiscard]] bool readExecutable(const std::string& path, Executable& exe, FileError& error);

// Replaces all resources of the executable at `path`, which held `original`, with `resources`.
// The update is made on a copy in the same folder, checked (headers, sections, symbol table and
// every resource read back) and only then moved over the original: on any failure the original
// stays as it was, byte for byte.
[[nodiscard]] bool writeResources(const std::string& path, const Executable& original,
                                  const std::vector<Resource>& resources, FileError& error);

// The system's text for a Windows error code, without its line end, with `insert` for the
// text's placeholders (the file's name); a generic text when the system has none.
std::string systemErrorText(std::uint32_t code, const std::string& insert);

}  // namespace qvconfig

#endif  // QVCONFIG_RESOURCE_FILE_H
