// The version block of an executable (the RT_VERSION resource, VS_VERSIONINFO) read from its
// bytes, as the version API would read it, without loading VERSION.dll: a system DLL that a
// program loads by name is looked for beside the program first.
#ifndef QVCONFIG_VERSION_BLOCK_H
#define QVCONFIG_VERSION_BLOCK_H

#include <string>
#include <string_view>

namespace qvconfig {

// The text value `name` of the string table that the block's first translation names
// (VarFileInfo\Translation), as VerQueryValue gives "\StringFileInfo\<language><code page>\name".
// Characters outside ASCII come out as '?'. Empty when the block is malformed, has no
// translation, no such table or no such value.
std::string versionString(std::string_view block, std::string_view name);

}  // namespace qvconfig

#endif  // QVCONFIG_VERSION_BLOCK_H
