#include "windows_file_system.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <utility>
#include <vector>

#include "windows/unique_handle.h"

namespace qvconfig {
namespace {

constexpr std::size_t kSystemTextInserts = 9;
constexpr std::size_t kTextChunk = 4096;
// "\StringFileInfo\llllcccc\OriginalFilename" and its NUL.
constexpr const char* kTemporaryPrefix = "qvc";

void closeFile(HANDLE handle) {
    CloseHandle(handle);
}
void unmapImage(HMODULE module) {
    FreeLibrary(module);
}
void discardUpdate(HANDLE update) {
    EndUpdateResourceA(update, TRUE);
}
void freeLocal(HLOCAL memory) {
    LocalFree(memory);
}

using FileHandle = qv::windows::UniqueHandle<HANDLE, decltype(&closeFile), &closeFile>;
using ImageHandle = qv::windows::UniqueHandle<HMODULE, decltype(&unmapImage), &unmapImage>;
using UpdateHandle = qv::windows::UniqueHandle<HANDLE, decltype(&discardUpdate), &discardUpdate>;
using LocalMemory = qv::windows::UniqueHandle<HLOCAL, decltype(&freeLocal), &freeLocal>;

// CreateFileA gives INVALID_HANDLE_VALUE for none; the owner holds null for none.
FileHandle ownedFile(HANDLE handle) {
    return FileHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// One call of ReadFile or WriteFile moves at most this many bytes.
DWORD ioSize(std::size_t bytes) {
    return static_cast<DWORD>(std::min<std::size_t>(bytes, std::numeric_limits<DWORD>::max()));
}

class WindowsInputFile final : public InputFile {
  public:
    explicit WindowsInputFile(FileHandle file) : file_(std::move(file)) {}

    std::uint32_t size(std::uint64_t& bytes) override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file_.get(), &size)) {
            return GetLastError();
        }
        bytes = static_cast<std::uint64_t>(size.QuadPart);
        return kErrorSuccess;
    }
    std::uint32_t read(char* buffer, std::size_t maxBytes, std::size_t& got) override {
        DWORD read = 0;
        if (!ReadFile(file_.get(), buffer, ioSize(maxBytes), &read, nullptr)) {
            return GetLastError();
        }
        got = read;
        return kErrorSuccess;
    }

  private:
    FileHandle file_;
};

class WindowsOutputFile final : public OutputFile {
  public:
    explicit WindowsOutputFile(FileHandle file) : file_(std::move(file)) {}

    std::uint32_t write(const char* data, std::size_t size, std::size_t& put) override {
        DWORD written = 0;
        if (!WriteFile(file_.get(), data, ioSize(size), &written, nullptr) || written == 0) {
            return GetLastError();
        }
        put = written;
        return kErrorSuccess;
    }

  private:
    FileHandle file_;
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
    std::vector<Resource>* resources = nullptr;
    ResourceKey type;
    ResourceKey name;
    std::uint32_t failure = kErrorSuccess;
    bool failed = false;
};

BOOL CALLBACK onLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param) {
    auto* e = reinterpret_cast<Enumeration*>(param);
    HRSRC found = FindResourceExA(module, type, name, language);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
        e->failed = true;
        e->failure = GetLastError();
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

class WindowsResourceImage final : public ResourceImage {
  public:
    explicit WindowsResourceImage(ImageHandle image) : image_(std::move(image)) {}

    std::uint32_t resources(std::vector<Resource>& found) override {
        std::vector<Resource> all;
        Enumeration e;
        e.resources = &all;
        // A file without any resource is not an error: the enumeration just finds nothing.
        EnumResourceTypesA(image_.get(), onType, reinterpret_cast<LONG_PTR>(&e));
        if (e.failed) {
            return e.failure;
        }
        found = std::move(all);
        return kErrorSuccess;
    }

  private:
    ImageHandle image_;
};

class WindowsResourceUpdate final : public ResourceUpdate {
  public:
    explicit WindowsResourceUpdate(UpdateHandle update) : update_(std::move(update)) {}

    std::uint32_t add(const Resource& r) override {
        // UpdateResourceA takes a non-const pointer but only reads the data.
        if (!UpdateResourceA(update_.get(), apiForm(r.type), apiForm(r.name), r.language,
                             const_cast<char*>(r.bytes.data()),
                             static_cast<DWORD>(r.bytes.size()))) {
            return GetLastError();
        }
        return kErrorSuccess;
    }
    std::uint32_t commit() override {
        if (!EndUpdateResourceA(update_.release(), FALSE)) {
            return GetLastError();
        }
        return kErrorSuccess;
    }

  private:
    UpdateHandle update_;
};

}  // namespace

std::uint32_t WindowsFileSystem::openForReading(const std::string& path,
                                                std::unique_ptr<InputFile>& file) {
    FileHandle opened = ownedFile(CreateFileA(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!opened) {
        return GetLastError();
    }
    file = std::make_unique<WindowsInputFile>(std::move(opened));
    return kErrorSuccess;
}

std::uint32_t WindowsFileSystem::createForWriting(const std::string& path,
                                                  std::unique_ptr<OutputFile>& file) {
    FileHandle created = ownedFile(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!created) {
        return GetLastError();
    }
    file = std::make_unique<WindowsOutputFile>(std::move(created));
    return kErrorSuccess;
}

bool WindowsFileSystem::isReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::uint32_t WindowsFileSystem::checkWriteAccess(const std::string& path) {
    const FileHandle probe =
        ownedFile(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    return probe ? kErrorSuccess : GetLastError();
}

std::uint32_t WindowsFileSystem::createTemporaryFile(const std::string& folder, std::string& path) {
    char name[MAX_PATH + 1] = {};
    if (GetTempFileNameA(folder.c_str(), kTemporaryPrefix, 0, name) == 0) {
        return GetLastError();
    }
    path = name;
    return kErrorSuccess;
}

void WindowsFileSystem::deleteFile(const std::string& path) {
    DeleteFileA(path.c_str());
}

std::uint32_t WindowsFileSystem::replaceFile(const std::string& from, const std::string& to) {
    if (!MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return GetLastError();
    }
    return kErrorSuccess;
}

std::uint32_t WindowsFileSystem::openResourceImage(const std::string& path,
                                                   std::unique_ptr<ResourceImage>& image) {
    ImageHandle mapped(LoadLibraryExA(path.c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!mapped) {
        return GetLastError();
    }
    image = std::make_unique<WindowsResourceImage>(std::move(mapped));
    return kErrorSuccess;
}

std::uint32_t WindowsFileSystem::beginResourceUpdate(const std::string& path,
                                                     std::unique_ptr<ResourceUpdate>& update) {
    UpdateHandle begun(BeginUpdateResourceA(path.c_str(), TRUE));
    if (!begun) {
        return GetLastError();
    }
    update = std::make_unique<WindowsResourceUpdate>(std::move(begun));
    return kErrorSuccess;
}

bool WindowsFileSystem::systemText(std::uint32_t code, const std::string& insert,
                                   std::string& text) {
    // Every placeholder %1 to %9 of a system text stands for the same insert.
    DWORD_PTR inserts[kSystemTextInserts];
    for (DWORD_PTR& i : inserts) {
        i = reinterpret_cast<DWORD_PTR>(insert.c_str());
    }
    LocalMemory buffer;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, 0, reinterpret_cast<LPSTR>(buffer.receiver()), 0,
        reinterpret_cast<va_list*>(inserts));
    if (length == 0 || !buffer) {
        return false;
    }
    text.assign(static_cast<const char*>(buffer.get()), length);
    return true;
}

bool WindowsFileSystem::readTextFile(const std::string& path, std::size_t limit,
                                     std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string content;
    char chunk[kTextChunk];
    while (content.size() <= limit && in.read(chunk, sizeof chunk).gcount() > 0) {
        content.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        return false;
    }
    text = std::move(content);
    return true;
}

bool WindowsFileSystem::writeTextFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return static_cast<bool>(file);
}

}  // namespace qvconfig
