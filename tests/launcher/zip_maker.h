// ZIP files made in the tests: stored (uncompressed) entries with their local headers, the
// central directory and its end record, as a jar tool writes them, for the check's class search.
#ifndef QV_TESTS_LAUNCHER_ZIP_MAKER_H
#define QV_TESTS_LAUNCHER_ZIP_MAKER_H

#include <cstdint>
#include <string>
#include <vector>

namespace qv::testing {

struct ZipEntry {
    std::string name;
    std::string content;
};

namespace zip_detail {
inline void put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
inline void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}
}  // namespace zip_detail

// A ZIP file of the entries, with `comment` after its end record. The CRC fields are left 0: the
// check reads names only.
inline std::string zipFile(const std::vector<ZipEntry>& entries, const std::string& comment = {}) {
    using zip_detail::put16;
    using zip_detail::put32;
    constexpr std::uint32_t kLocalSignature = 0x04034B50;
    constexpr std::uint32_t kCentralSignature = 0x02014B50;
    constexpr std::uint32_t kEndSignature = 0x06054B50;
    constexpr std::uint32_t kVersion = 20;
    std::string out;
    std::string directory;
    for (const ZipEntry& entry : entries) {
        const auto offset = static_cast<std::uint32_t>(out.size());
        const auto size = static_cast<std::uint32_t>(entry.content.size());
        const auto nameLength = static_cast<std::uint32_t>(entry.name.size());
        put32(out, kLocalSignature);
        put16(out, kVersion);
        put16(out, 0);  // flags
        put16(out, 0);  // stored
        put32(out, 0);  // time and date
        put32(out, 0);  // CRC
        put32(out, size);
        put32(out, size);
        put16(out, nameLength);
        put16(out, 0);  // extra
        out += entry.name + entry.content;

        put32(directory, kCentralSignature);
        put16(directory, kVersion);
        put16(directory, kVersion);
        put16(directory, 0);  // flags
        put16(directory, 0);  // stored
        put32(directory, 0);  // time and date
        put32(directory, 0);  // CRC
        put32(directory, size);
        put32(directory, size);
        put16(directory, nameLength);
        put16(directory, 0);  // extra
        put16(directory, 0);  // comment
        put16(directory, 0);  // disk
        put16(directory, 0);  // internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, offset);
        directory += entry.name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(out.size());
    out += directory;
    put32(out, kEndSignature);
    put16(out, 0);  // this disk
    put16(out, 0);  // the directory's disk
    put16(out, static_cast<std::uint32_t>(entries.size()));
    put16(out, static_cast<std::uint32_t>(entries.size()));
    put32(out, static_cast<std::uint32_t>(directory.size()));
    put32(out, directoryOffset);
    put16(out, static_cast<std::uint32_t>(comment.size()));
    return out + comment;
}

// A jar that holds the class file of each class named (dotted form) and a manifest.
inline std::string jarWithClasses(const std::vector<std::string>& classes) {
    std::vector<ZipEntry> entries{{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n"}};
    for (std::string name : classes) {
        for (char& c : name) {
            c = c == '.' ? '/' : c;
        }
        entries.push_back({name + ".class", "\xCA\xFE\xBA\xBE"});
    }
    return zipFile(entries);
}

}  // namespace qv::testing

#endif  // QV_TESTS_LAUNCHER_ZIP_MAKER_H
