#include "windows_os.h"

// windows.h first: the other platform headers need its declarations.
#include "windows_handles.h"

#include <direct.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace qv {
namespace {

// The longest module path and environment value Windows can give, in characters.
constexpr DWORD kLongestWindowsText = 32767;
// The first buffer tried for texts whose length is not known in advance.
constexpr DWORD kFirstTextBuffer = MAX_PATH + 1;
// MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT): the language of the configuration values and of
// system message texts (the user's default language).
constexpr WORD kNeutralLanguage = 0x0400;
// The shell's library, loaded from the system directory only when an address is to be opened, so
// that a start that goes well never maps it; and its URL-opening entry.
constexpr char kShellLibrary[] = "\\shell32.dll";
constexpr char kShellOpenEntry[] = "ShellExecuteA";
// What GlobalMemoryStatusEx is told the structure holds.
constexpr DWORD kMemoryStatusLength = 64;
static_assert(sizeof(MEMORYSTATUSEX) == kMemoryStatusLength);

HKEY rootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegistryRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryRoot::Users:
            return HKEY_USERS;
        case RegistryRoot::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
    }
    return HKEY_LOCAL_MACHINE;
}

HMODULE moduleOf(ModuleHandle handle) {
    return static_cast<HMODULE>(const_cast<void*>(handle));
}

// An entry found with GetProcAddress as the function type it has.
template <typename Function>
Function entryAs(FARPROC entry) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(entry));
}

}  // namespace

// The registry functions give their error as their result and, like the Windows functions they
// wrap, leave the thread's last error alone: a key that is merely absent must not put its
// "file not found" into a later error report.
namespace windows {

bool RegistryKeyHandle::enumSubkey(std::uint32_t index, std::size_t maxChars, std::string& name) {
    std::vector<char> buffer(maxChars + 1, '\0');
    DWORD size = static_cast<DWORD>(buffer.size());
    const LONG rc =
        RegEnumKeyExA(key_.get(), index, buffer.data(), &size, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) {
        return false;
    }
    name.assign(buffer.data(), std::min<std::size_t>(size, maxChars));
    return true;
}

bool RegistryKeyHandle::queryValue(const char* valueName, std::size_t byteLimit,
                                   RegistryValue& value) {
    // One byte more than asked for, never handed to the system: the call sees `byteLimit`.
    std::vector<BYTE> data(byteLimit + 1, 0);
    DWORD size = static_cast<DWORD>(byteLimit);
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(key_.get(), valueName, nullptr, &type, data.data(), &size);
    if (rc != ERROR_SUCCESS) {
        return false;
    }
    value.type = type;
    value.bytes.assign(reinterpret_cast<const char*>(data.data()),
                       std::min<std::size_t>(size, byteLimit));
    return true;
}

bool RegistryKeyHandle::valueSize(const char* valueName, std::size_t& bytes) {
    DWORD size = 0;
    if (RegQueryValueExA(key_.get(), valueName, nullptr, nullptr, nullptr, &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    bytes = size;
    return true;
}

bool FileFindHandle::next() {
    if (_findnext(handle_.get(), &data_) != 0) {
        return false;
    }
    name_ = data_.name;
    return true;
}

long InputFileHandle::read(char* buffer, std::size_t maxBytes) {
    const auto count = static_cast<unsigned>(std::min<std::size_t>(maxBytes, INT_MAX));
    return _read(fd_.get(), buffer, count);
}

void LogStreamHandle::write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), file_.get());
}

void LogStreamHandle::flush() {
    std::fflush(file_.get());
}

}  // namespace windows

std::string WindowsOs::commandLine() {
    const char* line = GetCommandLineA();
    return line != nullptr ? std::string(line) : std::string();
}

ModuleHandle WindowsOs::programModule() {
    return GetModuleHandleA(nullptr);
}

bool WindowsOs::moduleFileName(ModuleHandle module, std::string& path) {
    // A path of MAX_PATH or more characters arrives cut and unterminated in a buffer that is too
    // small: ask again with a larger one until the whole path fits.
    for (DWORD capacity = kFirstTextBuffer;;
         capacity = std::min(capacity * 2, kLongestWindowsText + 1)) {
        std::vector<char> buffer(capacity, '\0');
        const DWORD n = GetModuleFileNameA(moduleOf(module), buffer.data(), capacity);
        if (n == 0) {
            return false;
        }
        if (n < capacity) {
            path.assign(buffer.data(), n);
            return true;
        }
        if (capacity > kLongestWindowsText) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return false;
        }
    }
}

bool WindowsOs::queryWow64(bool& isWow64) {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel32 = GetModuleHandleA("kernel32");
    const auto isWow64Process =
        kernel32 != nullptr ? entryAs<IsWow64ProcessFn>(GetProcAddress(kernel32, "IsWow64Process"))
                            : nullptr;
    if (isWow64Process == nullptr) {
        return false;
    }
    BOOL answer = FALSE;
    isWow64 = isWow64Process(GetCurrentProcess(), &answer) != FALSE && answer != FALSE;
    return true;
}

ResourceData WindowsOs::findRcData(ModuleHandle module, int id) {
    ResourceData result;
    HRSRC found = FindResourceExA(moduleOf(module), MAKEINTRESOURCEA(10),  // RT_RCDATA
                                  MAKEINTRESOURCEA(id), kNeutralLanguage);
    if (found == nullptr) {
        result.status = ResourceStatus::NotFound;
        return result;
    }
    const DWORD size = SizeofResource(moduleOf(module), found);
    HGLOBAL loaded = LoadResource(moduleOf(module), found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
        result.status = ResourceStatus::NotLoaded;
        return result;
    }
    result.status = ResourceStatus::Found;
    result.data = static_cast<const char*>(data);
    result.size = size;
    return result;
}

std::uint32_t WindowsOs::lastError() {
    return GetLastError();
}

void WindowsOs::setLastError(std::uint32_t code) {
    SetLastError(code);
}

bool WindowsOs::systemMessage(std::uint32_t code, std::string& text) {
    const DWORD saved = GetLastError();
    windows::LocalText message;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, kNeutralLanguage, reinterpret_cast<LPSTR>(message.receiver()), 0, nullptr);
    SetLastError(saved);
    if (length == 0 || message.get() == nullptr) {
        return false;
    }
    text.assign(message.get(), length);
    return true;
}

bool WindowsOs::getEnvironmentVariable(const char* name, std::string& value) {
    const DWORD saved = GetLastError();
    std::vector<char> buffer(kFirstTextBuffer, '\0');
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetEnvironmentVariableA(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
            return false;  // the last error is the one the lookup left
        }
        // Set, and empty.
        SetLastError(saved);
        value.clear();
        return true;
    }
    if (n >= buffer.size()) {
        // Too small: n is the size needed, the terminator included.
        buffer.assign(n, '\0');
        n = GetEnvironmentVariableA(name, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0 || n >= buffer.size()) {
            return false;
        }
    }
    SetLastError(saved);
    value.assign(buffer.data(), n);
    return true;
}

bool WindowsOs::setEnvironmentVariable(const char* name, const char* value) {
    return SetEnvironmentVariableA(name, value) != FALSE;
}

bool WindowsOs::currentDirectory(std::string& path) {
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) {
        return false;
    }
    std::vector<char> buffer(needed, '\0');
    const DWORD n = GetCurrentDirectoryA(needed, buffer.data());
    if (n == 0 || n >= needed) {
        return false;
    }
    path.assign(buffer.data(), n);
    return true;
}

bool WindowsOs::changeDirectory(const char* path) {
    return _chdir(path) == 0;
}

std::unique_ptr<RegistryKey> WindowsOs::openRegistryKey(RegistryRoot root, const char* path,
                                                        std::uint32_t access) {
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExA(rootKey(root), path, 0, access, &key);
    if (rc != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<windows::RegistryKeyHandle>(key);
}

bool WindowsOs::createNamedMutex(const char* name) {
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    // Kept open for the life of the process: the mutex must exist as long as this instance runs.
    HANDLE mutex = CreateMutexA(&attributes, FALSE, name);
    return mutex != nullptr;
}

LocalTime WindowsOs::localTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

bool WindowsOs::availablePhysicalMemory(std::uint64_t& bytes) {
    MEMORYSTATUSEX status{};
    status.dwLength = kMemoryStatusLength;
    if (!GlobalMemoryStatusEx(&status)) {
        return false;
    }
    bytes = status.ullAvailPhys;
    return true;
}

void WindowsOs::shellOpen(const char* target) {
    // By its full path in the system directory, never through the search order. The library stays
    // loaded: the shell may leave threads of its own running after the call.
    using ShellExecuteAFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    char systemDirectory[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(systemDirectory, sizeof systemDirectory);
    if (length == 0 || length >= sizeof systemDirectory) {
        return;
    }
    const std::string libraryPath = std::string(systemDirectory, length) + kShellLibrary;
    HMODULE shell = LoadLibraryA(libraryPath.c_str());
    const auto shellExecute = shell != nullptr
                                  ? entryAs<ShellExecuteAFn>(GetProcAddress(shell, kShellOpenEntry))
                                  : nullptr;
    if (shellExecute != nullptr) {
        shellExecute(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
    }
}

FileStatus WindowsOs::fileStatus(const char* path) {
    struct _stat64 status {};
    if (_stat64(path, &status) != 0) {
        return FileStatus::Missing;
    }
    return (status.st_mode & _S_IFDIR) != 0 ? FileStatus::Directory : FileStatus::File;
}

std::unique_ptr<FileFind> WindowsOs::findFirst(const char* pattern) {
    _finddata_t data{};
    const intptr_t handle = _findfirst(pattern, &data);
    if (handle == -1) {
        return nullptr;
    }
    return std::make_unique<windows::FileFindHandle>(handle, data);
}

std::unique_ptr<InputFile> WindowsOs::openForReading(const char* path) {
    const int fd = _open(path, _O_RDONLY | _O_TEXT);
    if (fd == -1) {
        return nullptr;
    }
    return std::make_unique<windows::InputFileHandle>(fd);
}

std::unique_ptr<LogStream> WindowsOs::openLogForAppend(const char* path) {
    std::FILE* file = std::fopen(path, "a");
    if (file == nullptr) {
        return nullptr;
    }
    return std::make_unique<windows::LogStreamHandle>(file);
}

void WindowsOs::writeStdout(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

ModuleHandle WindowsOs::loadLibrary(const char* path) {
    return LoadLibraryA(path);
}

bool WindowsOs::removeCurrentDirectoryFromDllSearch() {
    // The program's own directory, which the loader searches first anyway, takes the place that
    // the current directory has in the search order. (An empty text would do the same on Windows,
    // but Wine takes it as "no DLL directory" and keeps searching the current directory.)
    const DWORD saved = GetLastError();
    std::string directory;
    bool removed = false;
    if (moduleFileName(programModule(), directory)) {
        const std::size_t lastBackslash = directory.find_last_of('\\');
        if (lastBackslash != std::string::npos) {
            directory.resize(lastBackslash + 1);  // with its backslash: "C:\\" stays a root
            removed = SetDllDirectoryA(directory.c_str()) != FALSE;
        }
    }
    SetLastError(saved);
    return removed;
}

CreateJavaVmFn WindowsOs::findCreateJavaVm(ModuleHandle library) {
    return entryAs<CreateJavaVmFn>(GetProcAddress(moduleOf(library), "JNI_CreateJavaVM"));
}

bool WindowsOs::readFileBytes(const char* path, std::uint64_t offset, std::size_t count,
                              std::string& bytes) {
    const int fd = _open(path, _O_RDONLY | _O_BINARY);
    if (fd == -1) {
        return false;
    }
    const windows::InputFileHandle file(fd);  // closes the descriptor
    if (_lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) == -1) {
        return false;
    }
    std::string data(std::min<std::size_t>(count, INT_MAX), '\0');
    const int n = _read(fd, data.data(), static_cast<unsigned>(data.size()));
    if (n < 0) {
        return false;
    }
    data.resize(static_cast<std::size_t>(n));
    bytes = std::move(data);
    return true;
}

}  // namespace qv
