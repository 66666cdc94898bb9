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

// The outcome of a file operation: the Windows error code and the step that failed.
struct FileError {
    std::uint32_t code = 0;
    const char* step = "";
};

// Every resource of the executable at `path`, in the order the file holds them.
[[nodiscard]] bool readResources(const std::string& path, std::vector<Resource>& resources,
                                 FileError& error);

// Replaces all resources of the executable at `path` with `resources`. Nothing is changed when
// any step fails.
[[nodiscard]] bool writeResources(const std::string& path, const std::vector<Resource>& resources,
                                  FileError& error);

// The system's text for a Windows error code, without its line end; a generic text when the
// system has none.
std::string systemErrorText(std::uint32_t code);

}  // namespace qvconfig

#endif  // QVCONFIG_RESOURCE_FILE_H
