// qvconfig's reading of an executable's layout from its bytes (pe_image), and the carrying of a
// symbol table from a file before its resource update to the file after it.
//
// The fuzz input gives the file before the update and the file after it: either bytes of their
// own, or the file before cut at the end of its sections (as the update drops what follows them)
// with bytes of the input behind. Each call must hold:
//  - a layout found sound lies inside the file: the sections' data end within it, and a symbol
//    table with its string table (its size field at least 4) lies within it;
//  - a failed carry leaves the file alone, and so does one with nothing to carry;
//  - carrying gives the updated file's headers and sections unchanged, followed by everything
//    of the original after its sections, with the header pointing at the symbol table in its new
//    place and giving its count; the result reads as a sound layout whose symbol and string
//    tables are the original's bytes;
//  - the same bytes give the same answers twice.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pe_image.h"

namespace {

constexpr std::size_t kSymbolSize = 18;
constexpr std::size_t kPeOffsetField = 0x3C;
constexpr std::size_t kSignatureSize = 4;   // "PE\0\0"
constexpr std::size_t kSymbolOffsetAt = 8;  // in the file header; the count follows it
constexpr std::size_t kFieldSize = 4;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "qvconfig_pe_fuzz: %s\n", what);
        std::abort();
    }
}

std::uint32_t read32(std::string_view b, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
    return value;
}

bool same(const qvconfig::PeLayout& a, const qvconfig::PeLayout& b) {
    return a.isDll == b.isDll && a.imageEnd == b.imageEnd &&
           a.symbolTableOffset == b.symbolTableOffset && a.symbolCount == b.symbolCount &&
           a.symbolTableField == b.symbolTableField;
}

// The symbol table and its string table of a sound layout, as bytes.
std::string_view symbolsOf(std::string_view bytes, const qvconfig::PeLayout& layout) {
    const std::size_t strings = layout.symbolTableOffset + layout.symbolCount * kSymbolSize;
    return bytes.substr(layout.symbolTableOffset,
                        strings - layout.symbolTableOffset + read32(bytes, strings));
}

// Reads the layout twice and checks what a sound one promises; true when it is sound.
bool readChecked(std::string_view bytes, qvconfig::PeLayout& layout) {
    const std::string why = qvconfig::readPeLayout(bytes, layout);
    qvconfig::PeLayout again;
    check(qvconfig::readPeLayout(bytes, again) == why, "layout not deterministic");
    if (!why.empty())
        return false;
    check(same(layout, again), "layout not deterministic");
    check(layout.imageEnd <= bytes.size(), "sections beyond the file");
    check(layout.symbolTableField + 2 * kFieldSize <= layout.imageEnd,
          "the symbol table field is not in the headers");
    if (layout.symbolTableOffset != 0) {
        const std::uint64_t strings = std::uint64_t{layout.symbolTableOffset} +
                                      std::uint64_t{layout.symbolCount} * kSymbolSize;
        check(strings + 4 <= bytes.size(), "symbol table beyond the file");
        const std::uint32_t stringsSize = read32(bytes, static_cast<std::size_t>(strings));
        check(stringsSize >= 4 && strings + stringsSize <= bytes.size(),
              "string table damaged or beyond the file");
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool cutOriginal = input.ConsumeBool();
    const std::string original = input.ConsumeRandomLengthString();
    qvconfig::PeLayout before;
    const bool sound = readChecked(original, before);

    std::string updated;
    if (cutOriginal && sound) {
        updated = original.substr(0, static_cast<std::size_t>(before.imageEnd));
    }
    updated += input.ConsumeRemainingBytesAsString();
    qvconfig::PeLayout updatedLayout;
    (void)readChecked(updated, updatedLayout);

    std::string carried = updated;
    const std::string why = qvconfig::carrySymbolTable(original, carried);
    std::string again = updated;
    check(qvconfig::carrySymbolTable(original, again) == why && again == carried,
          "carrying not deterministic");
    if (!why.empty()) {
        check(carried == updated, "a failed carry changed the file");
        return 0;
    }
    check(sound, "carried from a file whose layout is not sound");
    if (before.symbolTableOffset == 0 || before.symbolTableOffset < before.imageEnd) {
        check(carried == updated, "nothing to carry, but the file changed");
        return 0;
    }
    // The updated file's sections, then the original's overlay, then the header fixed up.
    const std::string_view overlay =
        std::string_view(original).substr(static_cast<std::size_t>(before.imageEnd));
    check(carried.size() >= overlay.size() &&
              carried.compare(carried.size() - overlay.size(), overlay.size(), overlay) == 0,
          "the original's overlay is not at the end");
    const std::size_t sectionsEnd = carried.size() - overlay.size();
    check(sectionsEnd <= updated.size(), "the updated sections grew");
    // Where the updated file's header keeps the symbol table's offset and count.
    const std::size_t field = read32(updated, kPeOffsetField) + kSignatureSize + kSymbolOffsetAt;
    check(field + 2 * kFieldSize <= sectionsEnd, "the header is not in the updated sections");
    for (std::size_t i = 0; i < sectionsEnd; ++i) {
        if (i < field || i >= field + 2 * kFieldSize)
            check(carried[i] == updated[i], "the updated headers or sections changed");
    }
    const std::uint64_t newOffset = sectionsEnd + (before.symbolTableOffset - before.imageEnd);
    check(read32(carried, field) == newOffset, "the header does not point at the symbol table");
    check(read32(carried, field + kFieldSize) == before.symbolCount,
          "the header does not give the carried table's count");
    qvconfig::PeLayout after;
    check(qvconfig::readPeLayout(carried, after).empty(), "the carried file is not sound");
    check(symbolsOf(carried, after) == symbolsOf(original, before),
          "the carried symbol table is not the original's");
    return 0;
}
