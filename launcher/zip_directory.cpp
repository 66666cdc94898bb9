#include "zip_directory.h"

#include <algorithm>

namespace qv {

namespace {

// The end-of-central-directory record: its signature, its fixed size, and its fields.
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kEndDiskField = 4;
constexpr std::size_t kEndDirectoryDiskField = 6;
constexpr std::size_t kEndEntriesField = 10;
constexpr std::size_t kEndDirectorySizeField = 12;
constexpr std::size_t kEndDirectoryOffsetField = 16;
constexpr std::size_t kEndCommentLengthField = 20;
// The record's comment is at most this long, so the record starts within the file's last
// kEndSize + kMaxCommentLength bytes.
constexpr std::size_t kMaxCommentLength = 0xFFFF;
// The ZIP64 end locator, which stands right before the end record of a ZIP64 archive.
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr std::size_t kZip64LocatorSize = 20;
// A field with all bits set says that the ZIP64 record holds the value.
constexpr std::uint32_t kZip64Marker16 = 0xFFFF;
constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;

// A central directory file header: its signature, fixed size and the lengths that follow it.
constexpr std::uint32_t kHeaderSignature = 0x02014B50;
constexpr std::size_t kHeaderSize = 46;
constexpr std::size_t kHeaderNameLengthField = 28;
constexpr std::size_t kHeaderExtraLengthField = 30;
constexpr std::size_t kHeaderCommentLengthField = 32;

// Little-endian fields; the caller has checked that they lie within `bytes`.
std::uint32_t field16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t field32(std::string_view bytes, std::size_t at) {
    return field16(bytes, at) | field16(bytes, at + 2) << 16;
}

bool holds(std::string_view bytes, std::size_t at, std::size_t size) {
    return at <= bytes.size() && size <= bytes.size() - at;
}

// The position of the end record within the file's tail: the last signature whose record and
// comment lie within the tail.
bool findEndRecord(std::string_view tail, std::size_t& at) {
    if (tail.size() < kEndSize) {
        return false;
    }
    for (std::size_t pos = tail.size() - kEndSize + 1; pos-- > 0;) {
        if (field32(tail, pos) == kEndSignature &&
            holds(tail, pos + kEndSize, field16(tail, pos + kEndCommentLengthField))) {
            at = pos;
            return true;
        }
    }
    return false;
}

ZipRead walkDirectory(std::string_view directory, std::uint32_t entries,
                      const ZipEntryVisitor& visit) {
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < entries; ++i) {
        if (!holds(directory, at, kHeaderSize) || field32(directory, at) != kHeaderSignature) {
            return ZipRead::Damaged;
        }
        const std::size_t nameLength = field16(directory, at + kHeaderNameLengthField);
        const std::size_t recordSize = kHeaderSize + nameLength +
                                       field16(directory, at + kHeaderExtraLengthField) +
                                       field16(directory, at + kHeaderCommentLengthField);
        if (!holds(directory, at, recordSize)) {
            return ZipRead::Damaged;
        }
        if (!visit(directory.substr(at + kHeaderSize, nameLength))) {
            return ZipRead::Read;
        }
        at += recordSize;
    }
    return ZipRead::Read;
}

}  // namespace

const char* zipReadText(ZipRead result) {
    switch (result) {
        case ZipRead::Read:
            return "read";
        case ZipRead::Unreadable:
            return "cannot be read";
        case ZipRead::NoDirectory:
            return "not a ZIP file (no end of central directory)";
        case ZipRead::Zip64:
            return "a ZIP64 or multi-part archive, which the check does not read";
        case ZipRead::DirectoryTooLarge:
            return "a central directory too large to read";
        case ZipRead::Damaged:
            return "a damaged ZIP file (its central directory does not match its end record)";
    }
    return "cannot be read";
}

ZipRead readZipEntryNames(std::uint64_t fileSize, const ReadBytesAt& read,
                          const ZipEntryVisitor& visit) {
    const std::size_t tailSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSize + kMaxCommentLength));
    const std::uint64_t tailStart = fileSize - tailSize;
    std::string tail;
    if (!read(tailStart, tailSize, tail)) {
        return ZipRead::Unreadable;
    }
    std::size_t end = 0;
    if (!findEndRecord(tail, end)) {
        return ZipRead::NoDirectory;
    }
    const std::uint32_t entries = field16(tail, end + kEndEntriesField);
    const std::uint32_t directorySize = field32(tail, end + kEndDirectorySizeField);
    const bool zip64Locator = end >= kZip64LocatorSize &&
                              field32(tail, end - kZip64LocatorSize) == kZip64LocatorSignature;
    if (zip64Locator || field16(tail, end + kEndDiskField) != 0 ||
        field16(tail, end + kEndDirectoryDiskField) != 0 || entries == kZip64Marker16 ||
        directorySize == kZip64Marker32 ||
        field32(tail, end + kEndDirectoryOffsetField) == kZip64Marker32) {
        return ZipRead::Zip64;
    }
    const std::uint64_t endPosition = tailStart + end;
    if (directorySize > endPosition) {
        return ZipRead::Damaged;
    }
    if (directorySize > kZipDirectoryMaxBytes) {
        return ZipRead::DirectoryTooLarge;
    }
    std::string directory;
    if (!read(endPosition - directorySize, directorySize, directory)) {
        return ZipRead::Unreadable;
    }
    if (directory.size() != directorySize) {
        return ZipRead::Damaged;
    }
    return walkDirectory(directory, entries, visit);
}

}  // namespace qv
