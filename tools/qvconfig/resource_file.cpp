#include "resource_file.h"

#include <algorithm>
#include <utility>

#include "pe_image.h"
#include "version_block.h"
#include "whole_file.h"

namespace qvconfig {
namespace {

constexpr const char* kQuorvexServiceFileName = "QuorvexService.exe";
// What a file in use tells: a program that runs (most often the installed service) cannot be
// changed.
constexpr const char* kStopItFirst =
    "the program runs: stop it first, a service with \"sc stop\" and its name";

FileError systemError(std::uint32_t code, const char* step, std::string detail = {}) {
    return FileError{FileError::Kind::System, code, step, std::move(detail)};
}

// The failure of a step that writes the file, with the advice for a file in use.
FileError writeError(std::uint32_t code, const char* step) {
    return systemError(code, step, code == kErrorSharingViolation ? kStopItFirst : "");
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// File names compare without regard to the case of their letters.
constexpr std::uint16_t kRtVersion = 16;  // RT_VERSION

// The original file name of the executable's version block (its first RT_VERSION resource), or
// empty.
std::string originalFileName(const std::vector<Resource>& resources) {
    for (const Resource& resource : resources) {
        if (resource.type == ResourceKey::integer(kRtVersion)) {
            return versionString(resource.bytes, "OriginalFilename");
        }
    }
    return {};
}

bool sameFileName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

// Every resource of the executable at `path`, in the order the file holds them.
bool readResources(FileSystem& files, const std::string& path, std::vector<Resource>& resources,
                   FileError& error) {
    std::unique_ptr<ResourceImage> image;
    if (const std::uint32_t code = files.openResourceImage(path, image); code != kErrorSuccess) {
        error = systemError(code, "opening the file");
        return false;
    }
    std::vector<Resource> found;
    if (const std::uint32_t code = image->resources(found); code != kErrorSuccess) {
        error = systemError(code, "reading a resource");
        return false;
    }
    resources = std::move(found);
    return true;
}

bool sameResource(const Resource& a, const Resource& b) {
    return a.type == b.type && a.name == b.name && a.language == b.language && a.bytes == b.bytes;
}

// True when `found` holds exactly the resources of `expected`, in any order.
bool sameResources(const std::vector<Resource>& expected, const std::vector<Resource>& found) {
    if (expected.size() != found.size()) {
        return false;
    }
    return std::all_of(expected.begin(), expected.end(), [&](const Resource& r) {
        return std::any_of(found.begin(), found.end(),
                           [&](const Resource& f) { return sameResource(r, f); });
    });
}

// A temporary file beside the one it will replace; deleted unless kept.
class TemporaryFile {
  public:
    explicit TemporaryFile(FileSystem& files) : files_(files) {}
    ~TemporaryFile() {
        if (!path_.empty()) {
            files_.deleteFile(path_);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool create(const std::string& beside, FileError& error) {
        const std::size_t slash = beside.find_last_of("\\/");
        const std::string folder = slash == std::string::npos ? "." : beside.substr(0, slash + 1);
        if (const std::uint32_t code = files_.createTemporaryFile(folder, path_);
            code != kErrorSuccess) {
            error = systemError(code, "creating a temporary copy beside it");
            return false;
        }
        return true;
    }
    const std::string& path() const { return path_; }
    // The file now lives under another name: nothing to delete.
    void keep() { path_.clear(); }

  private:
    FileSystem& files_;
    std::string path_;
};

bool updateResources(FileSystem& files, const std::string& path,
                     const std::vector<Resource>& resources, FileError& error) {
    // All resources are written anew: removing a single one in place is not reliable on every
    // Windows implementation (Wine answers success and keeps it).
    std::unique_ptr<ResourceUpdate> update;
    if (const std::uint32_t code = files.beginResourceUpdate(path, update); code != kErrorSuccess) {
        error = systemError(code, "updating a temporary copy");
        return false;
    }
    for (const Resource& r : resources) {
        if (const std::uint32_t code = update->add(r); code != kErrorSuccess) {
            error = systemError(code, "adding a resource");
            return false;
        }
    }
    if (const std::uint32_t code = update->commit(); code != kErrorSuccess) {
        error = systemError(code, "writing a temporary copy");
        return false;
    }
    return true;
}

// Makes the updated copy whole again (the symbol table the update dropped) and checks it.
bool checkUpdatedCopy(FileSystem& files, const std::string& copy, const Executable& original,
                      const std::vector<Resource>& resources, FileError& error) {
    std::string bytes;
    if (!readWholeFile(files, copy, bytes, error)) {
        return false;
    }
    const std::string before = bytes;
    std::string why = carrySymbolTable(original.bytes, bytes);
    PeLayout layout;
    if (why.empty()) {
        why = readPeLayout(bytes, layout);
    }
    if (!why.empty()) {
        error = systemError(kErrorInvalidData, "checking the updated copy", why);
        return false;
    }
    if (bytes != before && !writeWholeFile(files, copy, bytes, "writing a temporary copy", error)) {
        return false;
    }
    std::vector<Resource> found;
    if (!readResources(files, copy, found, error)) {
        error.step = "checking the updated copy";
        return false;
    }
    if (!sameResources(resources, found)) {
        error = systemError(kErrorInvalidData, "checking the updated copy",
                            "its resources are not the ones written");
        return false;
    }
    return true;
}

}  // namespace

bool readExecutable(FileSystem& files, const std::string& path, Executable& exe, FileError& error) {
    Executable read;
    if (!readWholeFile(files, path, read.bytes, error)) {
        return false;
    }
    PeLayout layout;
    if (std::string why = readPeLayout(read.bytes, layout); !why.empty()) {
        error = systemError(kErrorBadExeFormat, "reading the file", why);
        return false;
    }
    read.isSigned = layout.certificateSize != 0;
    if (layout.isDll) {
        error = FileError{FileError::Kind::NotQuorvexService, 0, "", "it is a DLL"};
        return false;
    }
    if (!readResources(files, path, read.resources, error)) {
        return false;
    }
    const std::string name = originalFileName(read.resources);
    if (!sameFileName(name, kQuorvexServiceFileName)) {
        error = FileError{FileError::Kind::NotQuorvexService, 0, "",
                          name.empty() ? "its version block names no original file name"
                                       : "its version block names it " + name};
        return false;
    }
    exe = std::move(read);
    return true;
}

bool writeResources(FileSystem& files, const std::string& path, const Executable& original,
                    const std::vector<Resource>& resources, Signature signature, FileError& error) {
    if (original.isSigned && signature == Signature::Keep) {
        error = FileError{FileError::Kind::Signed, 0, "", ""};
        return false;
    }
    if (files.isReadOnly(path)) {
        error =
            systemError(kErrorAccessDenied, "opening the file for update", "the file is read-only");
        return false;
    }
    // Fails now, with the system's reason, where the final replace would fail (a program that
    // runs, a file without write access), before any work is done.
    if (const std::uint32_t code = files.checkWriteAccess(path); code != kErrorSuccess) {
        error = writeError(code, "opening the file for update");
        return false;
    }
    // The update starts from the original without its signature, if it had one.
    Executable source = original;
    if (std::string why = removeCertificateTable(source.bytes); !why.empty()) {
        error = systemError(kErrorInvalidData, "removing the signature", why);
        return false;
    }
    TemporaryFile copy(files);
    if (!copy.create(path, error) ||
        !writeWholeFile(files, copy.path(), source.bytes, "writing a temporary copy", error) ||
        !updateResources(files, copy.path(), resources, error) ||
        !checkUpdatedCopy(files, copy.path(), source, resources, error)) {
        return false;
    }
    if (const std::uint32_t code = files.replaceFile(copy.path(), path); code != kErrorSuccess) {
        error = writeError(code, "replacing the file");
        return false;
    }
    copy.keep();
    return true;
}

}  // namespace qvconfig
