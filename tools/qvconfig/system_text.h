// The system's text for a Windows error code, as qvconfig's messages quote it.
#ifndef QVCONFIG_SYSTEM_TEXT_H
#define QVCONFIG_SYSTEM_TEXT_H

#include <cstdint>
#include <string>

#include "file_system.h"

namespace qvconfig {

// The system's text for `code`, without its line end and final full stop, with `insert` for the
// text's placeholders (the file's name); "Windows error N" when the system has none.
std::string systemErrorText(FileSystem& files, std::uint32_t code, const std::string& insert);

}  // namespace qvconfig

#endif  // QVCONFIG_SYSTEM_TEXT_H
