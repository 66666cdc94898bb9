// Reading and rewriting the resources of a QuorvexService executable file.
#ifndef QVCONFIG_RESOURCE_FILE_H
#define QVCONFIG_RESOURCE_FILE_H

#include <string>
#include <vector>

#include "file_error.h"
#include "file_system.h"
#include "resource.h"

namespace qvconfig {

// A QuorvexService executable as read from its file.
struct Executable {
    std::string bytes;
    // Every resource, in the order the file holds them.
    std::vector<Resource> resources;
    // The file carries a certificate table: it is signed.
    bool isSigned = false;
};

// What a change does with a signature: refuse to change a signed file, or remove the signature.
enum class Signature { Keep, Remove };

// Reads the executable at `path`: a Windows program (not a DLL) whose version block names
// "QuorvexService.exe" as its original file name, so that it survives a rename. Anything else is
// refused before a value is read or written.
[[nodiscard]] bool readExecutable(FileSystem& files, const std::string& path, Executable& exe,
                                  FileError& error);

// Replaces all resources of the executable at `path`, which held `original`, with `resources`.
// The update is made on a copy in the same folder, checked (headers, sections, symbol table and
// every resource read back) and only then moved over the original: on any failure the original
// stays as it was, byte for byte, and the copy is gone. A signed original is refused
// (FileError::Kind::Signed), since the change would leave a signature that no longer verifies,
// unless `signature` says to remove it: the new file then has no certificate table.
[[nodiscard]] bool writeResources(FileSystem& files, const std::string& path,
                                  const Executable& original,
                                  const std::vector<Resource>& resources, Signature signature,
                                  FileError& error);

}  // namespace qvconfig

#endif  // QVCONFIG_RESOURCE_FILE_H
