// Whole files through the file system seam: the executable read into memory, a copy written.
#ifndef QVCONFIG_WHOLE_FILE_H
#define QVCONFIG_WHOLE_FILE_H

#include <cstddef>
#include <string>

#include "file_error.h"
#include "file_system.h"

namespace qvconfig {

// Far beyond any QuorvexService executable; a larger file is not read into memory.
inline constexpr std::size_t kMaxExecutableBytes = 256u * 1024 * 1024;

// The whole content of the file at `path`, within kMaxExecutableBytes. On failure `error` names
// "opening the file" or "reading the file" and `bytes` is untouched.
[[nodiscard]] bool readWholeFile(FileSystem& files, const std::string& path, std::string& bytes,
                                 FileError& error);

// Creates (or truncates) the file at `path` and writes `bytes` to it. On failure `error` names
// `step`.
[[nodiscard]] bool writeWholeFile(FileSystem& files, const std::string& path,
                                  const std::string& bytes, const char* step, FileError& error);

}  // namespace qvconfig

#endif  // QVCONFIG_WHOLE_FILE_H
