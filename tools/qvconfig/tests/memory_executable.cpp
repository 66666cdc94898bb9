#include "memory_executable.h"

#include <algorithm>
#include <utility>

namespace qvconfig::testing {
namespace {

constexpr std::size_t kPeOffsetField = 0x3C;
constexpr std::uint32_t kPeOffset = 0x40;
constexpr std::size_t kFileHeader = kPeOffset + 4;
constexpr std::size_t kSymbolTableField = kFileHeader + 8;
constexpr std::size_t kSymbolCountField = kFileHeader + 12;
constexpr std::size_t kCharacteristicsField = kFileHeader + 18;
constexpr std::size_t kSectionTable = kFileHeader + 20;  // no optional header
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kDataOffset = 0x200;
constexpr std::size_t kFileAlignment = 0x200;
constexpr std::uint16_t kMachineI386 = 0x14C;
constexpr std::uint16_t kExecutableImage = 0x0002;  // IMAGE_FILE_EXECUTABLE_IMAGE
constexpr std::uint16_t kDllImage = 0x2000;         // IMAGE_FILE_DLL
constexpr std::string_view kSectionName(".rsrc\0\0\0", 8);
constexpr std::string_view kResourceMagic = "QVRS";
constexpr std::uint32_t kSymbolCount = 2;
constexpr std::size_t kSymbolSize = 18;
constexpr std::string_view kStringTableText("long_section_name\0", 18);
// Version block nodes: a text or a binary value, the fixed part's size (VS_FIXEDFILEINFO).
constexpr std::uint16_t kTextNode = 1;
constexpr std::uint16_t kBinaryNode = 0;
constexpr std::uint16_t kFixedFileInfoSize = 52;
constexpr std::size_t kVersionAlignment = 4;

void put16(std::string& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}
void append16(std::string& b, std::uint32_t v) {
    b.append(2, '\0');
    put16(b, b.size() - 2, v);
}
void append32(std::string& b, std::uint32_t v) {
    b.append(4, '\0');
    put32(b, b.size() - 4, v);
}

// ASCII text as UTF-16LE bytes.
std::string utf16(const std::string& text) {
    std::string bytes;
    for (char c : text) {
        append16(bytes, static_cast<unsigned char>(c));
    }
    return bytes;
}

void padVersionNode(std::string& b) {
    b.append((kVersionAlignment - b.size() % kVersionAlignment) % kVersionAlignment, '\0');
}

// One node of a version block: length, value length, type, key, value, children, each part on a
// 32-bit boundary; the length counts no padding after the last child.
std::string versionNode(const std::string& key, std::uint16_t type, const std::string& value,
                        std::uint16_t valueLength, const std::vector<std::string>& children) {
    std::string b(6, '\0');
    b += utf16(key + '\0');
    padVersionNode(b);
    b += value;
    for (const std::string& c : children) {
        padVersionNode(b);
        b += c;
    }
    put16(b, 0, static_cast<std::uint32_t>(b.size()));
    put16(b, 2, valueLength);
    put16(b, 4, type);
    return b;
}

// Reads little-endian numbers and bytes from a range, remembering whether it ran out.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    std::uint32_t u16() { return static_cast<std::uint32_t>(number(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(number(4)); }
    std::string_view take(std::size_t n) {
        if (!ok_ || n > bytes_.size() - at_) {
            ok_ = false;
            return {};
        }
        const std::string_view part = bytes_.substr(at_, n);
        at_ += n;
        return part;
    }

  private:
    std::uint64_t number(std::size_t size) {
        const std::string_view part = take(size);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < part.size(); ++i) {
            value |= std::uint64_t{static_cast<unsigned char>(part[i])} << (8 * i);
        }
        return value;
    }
    std::string_view bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

std::uint32_t read32(std::string_view b, std::size_t at) {
    Reader r(b.substr(at));
    return r.u32();
}

void appendKey(std::string& b, const ResourceKey& key) {
    b += key.isInteger ? '\1' : '\0';
    if (key.isInteger) {
        append16(b, key.id);
    } else {
        append32(b, static_cast<std::uint32_t>(key.text.size()));
        b += key.text;
    }
}

bool readKey(Reader& r, ResourceKey& key) {
    const std::string_view kind = r.take(1);
    if (!r.ok()) {
        return false;
    }
    if (kind[0] == '\1') {
        key = ResourceKey::integer(static_cast<std::uint16_t>(r.u16()));
    } else {
        const std::uint32_t length = r.u32();
        key = ResourceKey{false, 0, std::string(r.take(length))};
    }
    return r.ok();
}

// Text keys before integer IDs, each ascending: the order of a resource directory.
bool keyBefore(const ResourceKey& a, const ResourceKey& b) {
    if (a.isInteger != b.isInteger) {
        return !a.isInteger;
    }
    return a.isInteger ? a.id < b.id : a.text < b.text;
}

// Where the section data of an in-memory executable lies; false when `bytes` are not one.
bool sectionOf(std::string_view bytes, std::string_view& data, bool& dll) {
    if (bytes.size() < kDataOffset || bytes.substr(0, 2) != "MZ" ||
        read32(bytes, kPeOffsetField) != kPeOffset ||
        bytes.substr(kPeOffset, 4) != std::string_view("PE\0\0", 4) ||
        bytes.substr(kSectionTable, kSectionName.size()) != kSectionName) {
        return false;
    }
    const std::uint32_t size = read32(bytes, kSectionTable + 16);
    const std::uint32_t offset = read32(bytes, kSectionTable + 20);
    if (offset > bytes.size() || size > bytes.size() - offset) {
        return false;
    }
    Reader flags(bytes.substr(kCharacteristicsField));
    dll = (flags.u16() & kDllImage) != 0;
    data = bytes.substr(offset, size);
    return true;
}

}  // namespace

std::string versionInfo(const std::vector<VersionTable>& tables,
                        const std::vector<std::uint32_t>& translations) {
    std::vector<std::string> stringTables;
    for (const VersionTable& table : tables) {
        std::vector<std::string> strings;
        for (const auto& [name, text] : table.strings) {
            strings.push_back(versionNode(name, kTextNode, utf16(text + '\0'),
                                          static_cast<std::uint16_t>(text.size() + 1), {}));
        }
        stringTables.push_back(versionNode(table.key, kTextNode, {}, 0, strings));
    }
    std::string translationBytes;
    for (std::uint32_t t : translations) {
        append32(translationBytes, t);
    }
    const std::string var = versionNode("Translation", kBinaryNode, translationBytes,
                                        static_cast<std::uint16_t>(translationBytes.size()), {});
    const std::string fixed(kFixedFileInfoSize, '\0');
    return versionNode("VS_VERSION_INFO", kBinaryNode, fixed, kFixedFileInfoSize,
                       {versionNode("StringFileInfo", kTextNode, {}, 0, stringTables),
                        versionNode("VarFileInfo", kTextNode, {}, 0, {var})});
}

std::string versionBlock(std::string_view originalName) {
    constexpr std::uint32_t kEnglishUnicode = 0x04B00409;
    return versionInfo(
        {{"040904b0",
          {{"CompanyName", "Zarvel"}, {"OriginalFilename", std::string(originalName)}}}},
        {kEnglishUnicode});
}

void sortAsResourceDirectory(std::vector<Resource>& resources) {
    std::stable_sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
        if (!(a.type == b.type)) {
            return keyBefore(a.type, b.type);
        }
        if (!(a.name == b.name)) {
            return keyBefore(a.name, b.name);
        }
        return a.language < b.language;
    });
}

std::string executableImage(std::vector<Resource> resources, bool dll, bool withSymbols) {
    sortAsResourceDirectory(resources);
    std::string data(kResourceMagic);
    append32(data, static_cast<std::uint32_t>(resources.size()));
    for (const Resource& r : resources) {
        appendKey(data, r.type);
        appendKey(data, r.name);
        append16(data, r.language);
        append32(data, static_cast<std::uint32_t>(r.bytes.size()));
        data += r.bytes;
    }
    data.resize((data.size() + kFileAlignment - 1) / kFileAlignment * kFileAlignment, '\0');

    std::string b(kDataOffset, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, kPeOffsetField, kPeOffset);
    b.replace(kPeOffset, 4, std::string("PE\0\0", 4));
    put16(b, kFileHeader, kMachineI386);
    put16(b, kFileHeader + 2, 1);  // one section
    put16(b, kCharacteristicsField, kExecutableImage | (dll ? kDllImage : 0));
    b.replace(kSectionTable, kSectionName.size(), kSectionName);
    put32(b, kSectionTable + 8, static_cast<std::uint32_t>(data.size()));  // virtual size
    put32(b, kSectionTable + 16, static_cast<std::uint32_t>(data.size()));
    put32(b, kSectionTable + 20, static_cast<std::uint32_t>(kDataOffset));
    b += data;
    if (withSymbols) {
        put32(b, kSymbolTableField, static_cast<std::uint32_t>(b.size()));
        put32(b, kSymbolCountField, kSymbolCount);
        for (std::size_t i = 0; i < kSymbolCount * kSymbolSize; ++i) {
            b += static_cast<char>('a' + i % 26);
        }
        append32(b, static_cast<std::uint32_t>(4 + kStringTableText.size()));
        b += kStringTableText;
    }
    return b;
}

bool imageResources(std::string_view bytes, std::vector<Resource>& resources) {
    std::string_view data;
    bool dll = false;
    if (!sectionOf(bytes, data, dll)) {
        return false;
    }
    Reader r(data);
    if (r.take(kResourceMagic.size()) != kResourceMagic) {
        return false;
    }
    const std::uint32_t count = r.u32();
    std::vector<Resource> found;
    for (std::uint32_t i = 0; i < count && r.ok(); ++i) {
        Resource resource;
        if (!readKey(r, resource.type) || !readKey(r, resource.name)) {
            return false;
        }
        resource.language = static_cast<std::uint16_t>(r.u16());
        const std::uint32_t size = r.u32();
        resource.bytes = std::string(r.take(size));
        found.push_back(std::move(resource));
    }
    if (!r.ok()) {
        return false;
    }
    resources = std::move(found);
    return true;
}

bool isExecutableImage(std::string_view bytes) {
    std::string_view data;
    bool dll = false;
    return sectionOf(bytes, data, dll);
}

bool updatedImage(std::string_view before, const std::vector<Resource>& resources,
                  std::string& after) {
    std::string_view data;
    bool dll = false;
    if (!sectionOf(before, data, dll)) {
        return false;
    }
    // The sections are written anew and what followed them is gone; the header keeps the symbol
    // table's old place and count.
    std::string updated = executableImage(resources, dll, false);
    put32(updated, kSymbolTableField, read32(before, kSymbolTableField));
    put32(updated, kSymbolCountField, read32(before, kSymbolCountField));
    after = std::move(updated);
    return true;
}

}  // namespace qvconfig::testing
