// In-memory executables for qvconfig's tests: the bytes of a sound PE file that carries given
// resources, read back and updated the way the resource update of Windows updates a file.
//
// An in-memory executable has DOS and PE headers, one section ".rsrc" that holds the resources
// in this fixture's own format, and, unless stripped, a symbol table and its string table behind
// the section. Its version block is the resource RT_VERSION whose bytes are "OriginalFilename="
// and the name.
#ifndef QVCONFIG_TESTS_MEMORY_EXECUTABLE_H
#define QVCONFIG_TESTS_MEMORY_EXECUTABLE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resource.h"

namespace qvconfig::testing {

// Resource types the tests name.
inline constexpr std::uint16_t kRtIcon = 3;
inline constexpr std::uint16_t kRtRcData = 10;
inline constexpr std::uint16_t kRtGroupIcon = 14;
inline constexpr std::uint16_t kRtVersion = 16;

// A string table of a version block: its key ("040904b0") and its text values.
struct VersionTable {
    std::string key;
    std::vector<std::pair<std::string, std::string>> strings;
};

// The bytes of a VS_VERSIONINFO block as the resource compiler lays it out: an empty fixed part,
// the string tables and the translations (each language | code page << 16).
std::string versionInfo(const std::vector<VersionTable>& tables,
                        const std::vector<std::uint32_t>& translations);

// The bytes of a version block that names `originalName` (U.S. English, Unicode).
std::string versionBlock(std::string_view originalName);

// `resources` in the order of a resource directory: types, then names, then languages; text
// keys before integer IDs, each ascending.
void sortAsResourceDirectory(std::vector<Resource>& resources);

// The bytes of an in-memory executable carrying `resources` (in resource directory order).
std::string executableImage(std::vector<Resource> resources, bool dll = false,
                            bool withSymbols = true);

// True when `bytes` are an in-memory executable's headers and section.
bool isExecutableImage(std::string_view bytes);

// The resources an in-memory executable carries, in the order it holds them; false when `bytes`
// are not one.
bool imageResources(std::string_view bytes, std::vector<Resource>& resources);

// What the resource update makes of the executable `before` when it writes `resources`: its
// section anew, what followed the section (the symbol table) dropped, the header still giving
// the symbol table's old place and count. False when `before` is not an in-memory executable.
bool updatedImage(std::string_view before, const std::vector<Resource>& resources,
                  std::string& after);

}  // namespace qvconfig::testing

#endif  // QVCONFIG_TESTS_MEMORY_EXECUTABLE_H
