// The layout of a Windows executable file read from its bytes: what qvconfig checks before it
// trusts a file and after it has rewritten one. Plain C++ over the file's bytes, no Windows API.
#ifndef QVCONFIG_PE_IMAGE_H
#define QVCONFIG_PE_IMAGE_H

#include <cstdint>
#include <string>
#include <string_view>

namespace qvconfig {

struct PeLayout {
    bool isDll = false;
    // The end of the headers and of the last section's raw data: where an overlay would start.
    std::uint64_t imageEnd = 0;
    // The COFF symbol table (unstripped executables carry one after their sections, followed by
    // its string table, which long section names refer to); offset 0 when there is none.
    std::uint32_t symbolTableOffset = 0;
    std::uint32_t symbolCount = 0;
    // Where the file header keeps the symbol table's offset.
    std::size_t symbolTableField = 0;
    // The certificate table (the signature: data directory 4, a file offset and a size); size 0
    // when the file is not signed. Its directory entry is at `certificateField` (0: the optional
    // header has no such entry).
    std::uint32_t certificateOffset = 0;
    std::uint32_t certificateSize = 0;
    std::size_t certificateField = 0;
};

// Reads and checks the layout of `bytes`: the DOS and PE headers, the section table and every
// section's raw data inside the file, and the symbol table with its string table inside the
// file. Empty when the layout is sound, otherwise what is wrong with it.
[[nodiscard]] std::string readPeLayout(std::string_view bytes, PeLayout& layout);

// Removes the certificate table from a signed executable: the table, which a signature puts at
// the end of the file, is cut off and its directory entry cleared. Empty on success (also when
// there is none), otherwise why it cannot be removed.
[[nodiscard]] std::string removeCertificateTable(std::string& bytes);

// The resource update of Windows rewrites the sections but keeps no symbol table: it drops the
// data after the last section or moves it without pointing the file header at its new place.
// Given the file before (`original`) and after (`updated`) such an update, puts the original's
// symbol table and string table back behind the updated sections and points the header at
// them. Empty on success (also when there is nothing to carry), otherwise what is wrong.
[[nodiscard]] std::string carrySymbolTable(std::string_view original, std::string& updated);

}  // namespace qvconfig

#endif  // QVCONFIG_PE_IMAGE_H
