// The names of the entries of a ZIP file (a jar), read from its central directory alone: the
// end-of-central-directory record at the end of the file, then the directory it points to. No
// entry is read or inflated.
#ifndef QV_LAUNCHER_ZIP_DIRECTORY_H
#define QV_LAUNCHER_ZIP_DIRECTORY_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qv {

// The central directory is read in one piece; a larger one is refused.
inline constexpr std::size_t kZipDirectoryMaxBytes = 64u << 20;

// Up to `count` bytes of the file from `offset` on into `bytes` (fewer at the end of the file);
// false when they cannot be read.
using ReadBytesAt =
    std::function<bool(std::uint64_t offset, std::size_t count, std::string& bytes)>;
// Called with each entry name in the directory's order; gives false to stop the walk.
using ZipEntryVisitor = std::function<bool(std::string_view name)>;

enum class ZipRead {
    Read,               // every entry was visited, or the visitor stopped the walk
    Unreadable,         // the file's bytes could not be read
    NoDirectory,        // no end-of-central-directory record: not a ZIP file
    Zip64,              // a ZIP64 or multi-disk archive, which this reader does not read
    DirectoryTooLarge,  // more than kZipDirectoryMaxBytes of directory
    Damaged,            // the directory does not hold what its end record promises
};

// A sentence for a result other than Read ("not a ZIP file (no end of central directory)").
const char* zipReadText(ZipRead result);

// Reads the directory of a file of `fileSize` bytes through `read`. Every field is checked
// against the bytes actually read. The directory is taken to end where its end record begins, as
// the Java runtime's ZIP reader takes it, so a file with bytes before the archive (an executable
// with a jar appended) is read too.
ZipRead readZipEntryNames(std::uint64_t fileSize, const ReadBytesAt& read,
                          const ZipEntryVisitor& visit);

}  // namespace qv

#endif  // QV_LAUNCHER_ZIP_DIRECTORY_H
