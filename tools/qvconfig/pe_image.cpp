#include "pe_image.h"

#include <algorithm>

namespace qvconfig {
namespace {

constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kPeOffsetField = 0x3C;
constexpr std::size_t kFileHeaderSize = 20;  // after the 4-byte "PE\0\0" signature
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSymbolSize = 18;
// In the file header, the symbol count follows the symbol table's offset.
constexpr std::size_t kSymbolCountAfterOffset = 4;
constexpr std::size_t kStringTableSizeField = 4;
constexpr std::uint16_t kFileDll = 0x2000;  // IMAGE_FILE_DLL
// The optional header's magic, and where its count of data directories and the directories
// start, for 32-bit (PE32) and 64-bit (PE32+) images.
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kPe32DirectoryCount = 92;
constexpr std::size_t kPe32PlusDirectoryCount = 108;
constexpr std::size_t kDirectorySize = 8;
constexpr std::uint32_t kCertificateDirectory = 4;  // IMAGE_DIRECTORY_ENTRY_SECURITY

std::uint16_t read16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t read32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(read16(b, at)) | static_cast<std::uint32_t>(read16(b, at + 2))
                                                           << 16;
}

void write32(std::string& b, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// True when [offset, offset + length) lies inside a file of `size` bytes.
bool inside(std::uint64_t offset, std::uint64_t length, std::size_t size) {
    return offset <= size && length <= size - offset;
}

// The layout; the symbol table is checked only when `withSymbols` is set.
std::string readLayout(std::string_view bytes, bool withSymbols, PeLayout& layout) {
    const std::size_t size = bytes.size();
    if (size < kDosHeaderSize || bytes[0] != 'M' || bytes[1] != 'Z') {
        return "no DOS header";
    }
    // A PE header inside the DOS header is refused: its fields would overlap the PE offset, and
    // writing the symbol table's place would overwrite it.
    const std::uint32_t pe = read32(bytes, kPeOffsetField);
    if (pe < kDosHeaderSize || !inside(pe, 4 + kFileHeaderSize, size) ||
        bytes.substr(pe, 4) != std::string_view("PE\0\0", 4)) {
        return "no PE header";
    }
    const std::size_t fileHeader = pe + 4;
    const std::uint16_t sectionCount = read16(bytes, fileHeader + 2);
    PeLayout found;
    found.symbolTableField = fileHeader + 8;
    found.symbolTableOffset = read32(bytes, found.symbolTableField);
    found.symbolCount = read32(bytes, found.symbolTableField + kSymbolCountAfterOffset);
    const std::uint16_t optionalSize = read16(bytes, fileHeader + 16);
    found.isDll = (read16(bytes, fileHeader + 18) & kFileDll) != 0;

    const std::size_t optionalHeader = fileHeader + kFileHeaderSize;
    if (optionalSize >= 2 && inside(optionalHeader, optionalSize, size)) {
        const std::uint16_t magic = read16(bytes, optionalHeader);
        const std::size_t countField = magic == kPe32Magic       ? kPe32DirectoryCount
                                       : magic == kPe32PlusMagic ? kPe32PlusDirectoryCount
                                                                 : 0;
        const std::size_t entry = countField + 4 + kCertificateDirectory * kDirectorySize;
        if (countField != 0 && entry + kDirectorySize <= optionalSize &&
            read32(bytes, optionalHeader + countField) > kCertificateDirectory) {
            found.certificateField = optionalHeader + entry;
            // Unlike the other directories, this one holds a file offset, not an address.
            found.certificateOffset = read32(bytes, found.certificateField);
            found.certificateSize = read32(bytes, found.certificateField + 4);
            if (found.certificateSize != 0 &&
                !inside(found.certificateOffset, found.certificateSize, size)) {
                return "the certificate table lies beyond the end of the file";
            }
        }
    }
    const std::uint64_t sectionTable = optionalHeader + optionalSize;
    if (!inside(sectionTable, std::uint64_t{sectionCount} * kSectionHeaderSize, size)) {
        return "the section table lies beyond the end of the file";
    }
    found.imageEnd = sectionTable + std::uint64_t{sectionCount} * kSectionHeaderSize;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::size_t header = static_cast<std::size_t>(sectionTable) + i * kSectionHeaderSize;
        const std::uint32_t rawSize = read32(bytes, header + 16);
        const std::uint32_t rawOffset = read32(bytes, header + 20);
        if (rawSize == 0) {
            continue;
        }
        if (!inside(rawOffset, rawSize, size)) {
            return "a section's data lies beyond the end of the file";
        }
        found.imageEnd =
            std::max<std::uint64_t>(found.imageEnd, std::uint64_t{rawOffset} + rawSize);
    }
    if (withSymbols && found.symbolTableOffset != 0) {
        const std::uint64_t strings =
            std::uint64_t{found.symbolTableOffset} + std::uint64_t{found.symbolCount} * kSymbolSize;
        if (!inside(found.symbolTableOffset,
                    strings - found.symbolTableOffset + kStringTableSizeField, size)) {
            return "the symbol table lies beyond the end of the file";
        }
        const std::uint32_t stringsSize = read32(bytes, static_cast<std::size_t>(strings));
        if (stringsSize < kStringTableSizeField || !inside(strings, stringsSize, size)) {
            return "the symbol table's string table is damaged";
        }
    }
    layout = found;
    return {};
}

}  // namespace

std::string readPeLayout(std::string_view bytes, PeLayout& layout) {
    return readLayout(bytes, true, layout);
}

std::string removeCertificateTable(std::string& bytes) {
    PeLayout layout;
    if (std::string why = readPeLayout(bytes, layout); !why.empty()) {
        return why;
    }
    if (layout.certificateSize == 0) {
        return {};
    }
    const std::uint64_t end = std::uint64_t{layout.certificateOffset} + layout.certificateSize;
    if (layout.certificateOffset < layout.imageEnd || end != bytes.size()) {
        return "the certificate table is not the last part of the file";
    }
    bytes.resize(layout.certificateOffset);
    write32(bytes, layout.certificateField, 0);
    write32(bytes, layout.certificateField + 4, 0);
    return {};
}

std::string carrySymbolTable(std::string_view original, std::string& updated) {
    PeLayout before;
    if (std::string why = readPeLayout(original, before); !why.empty()) {
        return why;
    }
    // Only a symbol table behind the sections is data the update does not know about.
    if (before.symbolTableOffset == 0 || before.symbolTableOffset < before.imageEnd) {
        return {};
    }
    // The updated header may still point at the old place: only its sections count here.
    PeLayout after;
    if (std::string why = readLayout(updated, false, after); !why.empty()) {
        return why;
    }
    const std::string_view overlay = original.substr(static_cast<std::size_t>(before.imageEnd));
    const auto symbolsInOverlay = before.symbolTableOffset - before.imageEnd;
    const auto newOffset = after.imageEnd + symbolsInOverlay;
    if (newOffset > UINT32_MAX - overlay.size()) {
        return "the file would grow beyond 4 GB";
    }
    updated.resize(static_cast<std::size_t>(after.imageEnd));
    updated.append(overlay);
    // The carried table comes with its own count, whatever the update left in the header.
    write32(updated, after.symbolTableField, static_cast<std::uint32_t>(newOffset));
    write32(updated, after.symbolTableField + kSymbolCountAfterOffset, before.symbolCount);
    return {};
}

}  // namespace qvconfig
