#include "resource_file.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <utility>

namespace qvconfig {
namespace {

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
        e->error = FileError{GetLastError(), "reading a resource"};
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

}  // namespace

bool readResources(const std::string& path, std::vector<Resource>& resources, FileError& error) {
    ResourceImage image(path);
    if (image.get() == nullptr) {
        error = FileError{GetLastError(), "opening the file"};
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

bool writeResources(const std::string& path, const std::vector<Resource>& resources,
                    FileError& error) {
    // All resources are written anew: removing a single one in place is not reliable on every
    // Windows implementation (Wine answers success and keeps it).
    ResourceUpdate update(path, true);
    if (update.get() == nullptr) {
        error = FileError{GetLastError(), "opening the file for update"};
        return false;
    }
    for (const Resource& r : resources) {
        // UpdateResourceA takes a non-const pointer but only reads the data.
        if (!UpdateResourceA(update.get(), apiForm(r.type), apiForm(r.name), r.language,
                             const_cast<char*>(r.bytes.data()),
                             static_cast<DWORD>(r.bytes.size()))) {
            error = FileError{GetLastError(), "adding a resource"};
            return false;
        }
    }
    if (!update.commit()) {
        error = FileError{GetLastError(), "writing the file"};
        return false;
    }
    return true;
}

std::string systemErrorText(std::uint32_t code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
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
