// Text files named on the command line: the file of a set-file text and the apply file.
#ifndef QVCONFIG_TEXT_FILE_H
#define QVCONFIG_TEXT_FILE_H

#include <cstddef>
#include <string>

#include "file_system.h"

namespace qvconfig {

// A text file for set-file larger than this cannot hold any value, whatever its line ends.
inline constexpr std::size_t kMaxTextFileBytes = 1024 * 1024;

// The whole content of the file at `path`, byte for byte, into `text`. kExitOk; kExitFile when
// it cannot be read, kExitRefused when it is larger than kMaxTextFileBytes, after a message.
[[nodiscard]] int readTextFile(FileSystem& files, const std::string& path, std::string& text,
                               std::string& err);

// The text that set-file stores from a file's content: the content without the line ends (LF
// and CR, any number) at its end; tabs and inner line ends are kept.
std::string valueTextOfFile(std::string content);

}  // namespace qvconfig

#endif  // QVCONFIG_TEXT_FILE_H
