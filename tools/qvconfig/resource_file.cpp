#include "resource_file.h"

#include "pe_image.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace qvconfig {
namespace {

constexpr const char* kQuorvexServiceFileName = "QuorvexService.exe";
// Far beyond any QuorvexService executable; a larger file is not read into memory.
constexpr std::size_t kMaxExecutableBytes = 256u * 1024 * 1024;
constexpr std::size_t kIoChunk = 1024 * 1024;
constexpr std::size_t kSystemTextInserts = 9;

// The executable mapped as data, for its resources only; unmapped when it goes.
class ResourceImage {
  public:
    explicit ResourceImage(const std::string& path)
        : module_(LoadLibraryExA(path.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ResourceImage() {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    ResourceImage(const ResourceImage&) = delete;
    ResourceImage& operator=(const ResourceImage&) = delete;

    HMODULE get() const { return module_; }

  private:
    HMODULE module_;
};

// A pending resource update; discarded unless committed.
class ResourceUpdate {
  public:
    ResourceUpdate(const std::string& path, bool deleteExisting)
        : handle_(BeginUpdateResourceA(path.c_str(), deleteExisting ? TRUE : FALSE)) {}
    ~ResourceUpdate() {
        if (handle_ != nullptr) {
            EndUpdateResourceA(handle_, TRUE);
        }
    }
    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;

    HANDLE get() const { return handle_; }

    // Writes the changes to the file. The update is over either way.
    bool commit() {
        const BOOL ok = EndUpdateResourceA(handle_, FALSE);
        handle_ = nullptr;
        return ok != FALSE;
    }

  private:
    HANDLE handle_;
};

ResourceKey keyOf(LPCSTR value) {
    if (IS_INTRESOURCE(value)) {
        return ResourceKey::integer(static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(value)));
    }
    return ResourceKey{false, 0, value};
}

// The form the resource API takes a key in; valid while `key` lives.
LPCSTR apiForm(const ResourceKey& key) {
    return key.isInteger ? MAKEINTRESOURCEA(key.id) : key.text.c_str();
}

struct Enumeration {
    HMODULE module = nullptr;
    std::vector<Resource>* resources = nullptr;
    ResourceKey type;
    ResourceKey name;
    bool failed = false;
    FileError error;
};

BOOL CALLBACK onLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param) {
    auto* e = reinterpret_cast<Enumeration*>(param);
    HRSRC found = FindResourceExA(module, type, name, language);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
        e->failed = true;
        e->error = FileError{FileError::Kind::System, GetLastError(), "reading a resource", {}};
        return FALSE;
    }
    const DWORD size = SizeofResource(module, found);
    e->resources->push_back(
        Resource{e->type, e->name, language, std::string(static_cast<const char*>(data), size)});
    return TRUE;
}

BOOL CALLBACK onName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) {
    auto* e = reinterpret_cast<Enumeration*>(param);
    e->name = keyOf(name);
    EnumResourceLanguagesA(module, type, name, onLanguage, param);
    return e->failed ? FALSE : TRUE;
}

BOOL CALLBACK onType(HMODULE module, LPSTR type, LONG_PTR param) {
    auto* e = reinterpret_cast<Enumeration*>(param);
    e->type = keyOf(type);
    EnumResourceNamesA(module, type, onName, param);
    return e->failed ? FALSE : TRUE;
}

// Every resource of the executable at `path`, in the order the file holds them.
bool readResources(const std::string& path, std::vector<Resource>& resources, FileError& error) {
    ResourceImage image(path);
    if (image.get() == nullptr) {
        error = FileError{FileError::Kind::System, GetLastError(), "opening the file", {}};
        return false;
    }
    std::vector<Resource> found;
    Enumeration e;
    e.module = image.get();
    e.resources = &found;
    // A file without any resource is not an error: the enumeration just finds nothing.
    EnumResourceTypesA(image.get(), onType, reinterpret_cast<LONG_PTR>(&e));
    if (e.failed) {
        error = e.error;
        return false;
    }
    resources = std::move(found);
    return true;
}

// A file handle, closed when it goes.
class File {
  public:
    File(const std::string& path, DWORD access, DWORD share, DWORD disposition)
        : handle_(CreateFileA(path.c_str(), access, share, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~File() {
        if (ok()) {
            CloseHandle(handle_);
        }
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

// The whole content of a file, within kMaxExecutableBytes.
bool readWholeFile(const std::string& path, std::string& bytes, FileError& error) {
    File file(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
              OPEN_EXISTING);
    if (!file.ok()) {
        error = FileError{FileError::Kind::System, GetLastError(), "opening the file", {}};
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        error = FileError{FileError::Kind::System, GetLastError(), "reading the file", {}};
        return false;
    }
    if (size.QuadPart > static_cast<LONGLONG>(kMaxExecutableBytes)) {
        error = FileError{FileError::Kind::System, ERROR_FILE_TOO_LARGE, "reading the file", {}};
        return false;
    }
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        DWORD got = 0;
        const DWORD want =
            static_cast<DWORD>(std::min<std::size_t>(content.size() - done, kIoChunk));
        if (!ReadFile(file.get(), content.data() + done, want, &got, nullptr) || got == 0) {
            error = FileError{FileError::Kind::System,
                              got == 0 ? ERROR_HANDLE_EOF : GetLastError(),
                              "reading the file",
                              {}};
            return false;
        }
        done += got;
    }
    bytes = std::move(content);
    return true;
}

bool writeWholeFile(const std::string& path, const std::string& bytes, const char* step,
                    FileError& error) {
    File file(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    std::size_t done = 0;
    while (file.ok() && done < bytes.size()) {
        DWORD put = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kIoChunk));
        if (!WriteFile(file.get(), bytes.data() + done, want, &put, nullptr) || put == 0) {
            break;
        }
        done += put;
    }
    if (!file.ok() || done != bytes.size()) {
        error = FileError{FileError::Kind::System, GetLastError(), step, {}};
        return false;
    }
    return true;
}

// The original file name that the executable's version block gives, or empty.
std::string originalFileName(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) {
        return {};
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) {
        return {};
    }
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translations), &length) ||
        length < sizeof(Translation)) {
        return {};
    }
    char query[64];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\OriginalFilename",
                  translations->language, translations->codePage);
    char* name = nullptr;
    if (!VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&name), &length) ||
        name == nullptr) {
        return {};
    }
    return std::string(name, strnlen(name, length));
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
    bool create(const std::string& beside, FileError& error) {
        const std::size_t slash = beside.find_last_of("\\/");
        const std::string folder = slash == std::string::npos ? "." : beside.substr(0, slash + 1);
        char name[MAX_PATH + 1] = {};
        if (GetTempFileNameA(folder.c_str(), "qvc", 0, name) == 0) {
            error = FileError{
                FileError::Kind::System, GetLastError(), "creating a temporary copy beside it", {}};
            return false;
        }
        path_ = name;
        return true;
    }
    ~TemporaryFile() {
        if (!path_.empty()) {
            DeleteFileA(path_.c_str());
        }
    }
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return path_; }
    // The file now lives under another name: nothing to delete.
    void keep() { path_.clear(); }

  private:
    std::string path_;
};

bool updateResources(const std::string& path, const std::vector<Resource>& resources,
                     FileError& error) {
    // All resources are written anew: removing a single one in place is not reliable on every
    // Windows implementation (Wine answers success and keeps it).
    ResourceUpdate update(path, true);
    if (update.get() == nullptr) {
        error = FileError{FileError::Kind::System, GetLastError(), "updating a temporary copy", {}};
        return false;
    }
    for (const Resource& r : resources) {
        // UpdateResourceA takes a non-const pointer but only reads the data.
        if (!UpdateResourceA(update.get(), apiForm(r.type), apiForm(r.name), r.language,
                             const_cast<char*>(r.bytes.data()),
                             static_cast<DWORD>(r.bytes.size()))) {
            error = FileError{FileError::Kind::System, GetLastError(), "adding a resource", {}};
            return false;
        }
    }
    if (!update.commit()) {
        error = FileError{FileError::Kind::System, GetLastError(), "writing a temporary copy", {}};
        return false;
    }
    return true;
}

// Makes the updated copy whole again (the symbol table the update dropped) and checks it.
bool checkUpdatedCopy(const std::string& copy, const Executable& original,
                      const std::vector<Resource>& resources, FileError& error) {
    std::string bytes;
    if (!readWholeFile(copy, bytes, error)) {
        return false;
    }
    const std::string before = bytes;
    std::string why = carrySymbolTable(original.bytes, bytes);
    PeLayout layout;
    if (why.empty()) {
        why = readPeLayout(bytes, layout);
    }
    if (!why.empty()) {
        error = FileError{FileError::Kind::System, ERROR_INVALID_DATA, "checking the updated copy",
                          why};
        return false;
    }
    if (bytes != before && !writeWholeFile(copy, bytes, "writing a temporary copy", error)) {
        return false;
    }
    std::vector<Resource> found;
    if (!readResources(copy, found, error)) {
        error.step = "checking the updated copy";
        return false;
    }
    if (!sameResources(resources, found)) {
        error = FileError{FileError::Kind::System, ERROR_INVALID_DATA, "checking the updated copy",
                          "its resources are not the ones written"};
        return false;
    }
    return true;
}

}  // namespace

bool readExecutable(const std::string& path, Executable& exe, FileError& error) {
    Executable read;
    if (!readWholeFile(path, read.bytes, error)) {
        return false;
    }
    PeLayout layout;
    if (std::string why = readPeLayout(read.bytes, layout); !why.empty()) {
        error = FileError{FileError::Kind::System, ERROR_BAD_EXE_FORMAT, "reading the file", why};
        return false;
    }
    if (layout.isDll) {
        error = FileError{FileError::Kind::NotQuorvexService, 0, "", "it is a DLL"};
        return false;
    }
    const std::string name = originalFileName(path);
    if (lstrcmpiA(name.c_str(), kQuorvexServiceFileName) != 0) {
        error = FileError{FileError::Kind::NotQuorvexService, 0, "",
                          name.empty() ? "its version block names no original file name"
                                       : "its version block names it " + name};
        return false;
    }
    if (!readResources(path, read.resources, error)) {
        return false;
    }
    exe = std::move(read);
    return true;
}

bool writeResources(const std::string& path, const Executable& original,
                    const std::vector<Resource>& resources, FileError& error) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        error = FileError{FileError::Kind::System, ERROR_ACCESS_DENIED,
                          "opening the file for update", "the file is read-only"};
        return false;
    }
    {
        // Fails now, with the system's reason, where the final replace would fail (a program
        // that runs, a file without write access), before any work is done.
        File probe(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
        if (!probe.ok()) {
            error = FileError{
                FileError::Kind::System, GetLastError(), "opening the file for update", {}};
            return false;
        }
    }
    TemporaryFile copy;
    if (!copy.create(path, error) ||
        !writeWholeFile(copy.path(), original.bytes, "writing a temporary copy", error) ||
        !updateResources(copy.path(), resources, error) ||
        !checkUpdatedCopy(copy.path(), original, resources, error)) {
        return false;
    }
    if (!MoveFileExA(copy.path().c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = FileError{FileError::Kind::System, GetLastError(), "replacing the file", {}};
        return false;
    }
    copy.keep();
    return true;
}

std::string systemErrorText(std::uint32_t code, const std::string& insert) {
    // Every placeholder %1 to %9 of a system text stands for the file here.
    DWORD_PTR inserts[kSystemTextInserts];
    for (DWORD_PTR& i : inserts) {
        i = reinterpret_cast<DWORD_PTR>(insert.c_str());
    }
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, reinterpret_cast<va_list*>(inserts));
    std::string result;
    if (length != 0 && text != nullptr) {
        result.assign(text, length);
    }
    if (text != nullptr) {
        LocalFree(text);
    }
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.')) {
        result.pop_back();
    }
    if (result.empty()) {
        char generic[64];
        std::snprintf(generic, sizeof generic, "Windows error %lu",
                      static_cast<unsigned long>(code));
        result = generic;
    }
    return result;
}

}  // namespace qvconfig
