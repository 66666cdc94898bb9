#include "windows_os.h"

// windows.h first: the other platform headers need its declarations.
#include "windows_handles.h"

#include <aclapi.h>
#include <sddl.h>

#include <direct.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
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
// The instance lock's access: Administrators and SYSTEM, nothing inherited from the folder. The
// process that creates the file has its handle whatever the list says. The same for the files
// the install makes private.
constexpr char kLockFileDescriptor[] = "D:P(A;;FA;;;BA)(A;;FA;;;SY)";
// The service's temporary folder and the service's folder above it: Administrators and SYSTEM,
// for the folder and everything made in it, nothing inherited from above.
constexpr char kPrivateFolderDescriptor[] = "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
// The debug log's access: Administrators, SYSTEM and (appended) the process's own user.
constexpr char kLogFileDescriptor[] = "D:P(A;;FA;;;BA)(A;;FA;;;SY)";

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

// A SID as text ("S-1-5-32-544"); empty when it cannot be converted.
std::string sidText(PSID sid) {
    windows::LocalText text;
    if (sid == nullptr || !ConvertSidToStringSidA(sid, text.receiver())) {
        return {};
    }
    return std::string(text.get());
}

// The full form of an ANSI path in UTF-16, as AddDllDirectory takes it; empty on failure.
std::wstring fullWidePath(const char* path) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), length) != length) {
        return {};
    }
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return {};
    }
    std::wstring full(needed, L'\0');
    const DWORD n = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (n == 0 || n >= needed) {
        return {};
    }
    full.resize(n);
    return full;
}

// The UTF-16 text in the ANSI code page, only when every character has its own exact form there:
// no best-fit look-alike, no default character, and the text converts back to itself.
bool exactAnsiText(const std::wstring& wide, std::string& ansi) {
    if (wide.empty()) {
        ansi.clear();
        return true;
    }
    const int wideLength = static_cast<int>(wide.size());
    // UTF-8 as the ANSI code page holds every character and takes neither the flag nor the
    // default-character question.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* askDefault = utf8 ? nullptr : &usedDefault;
    const int bytes = WideCharToMultiByte(CP_ACP, flags, wide.data(), wideLength, nullptr, 0,
                                          nullptr, askDefault);
    if (bytes <= 0 || usedDefault) {
        return false;
    }
    std::string text(static_cast<std::size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_ACP, flags, wide.data(), wideLength, text.data(), bytes, nullptr,
                            askDefault) != bytes ||
        usedDefault) {
        return false;
    }
    const int back =
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), bytes, nullptr, 0);
    if (back != wideLength) {
        return false;
    }
    std::wstring again(static_cast<std::size_t>(back), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), bytes, again.data(), back) !=
            back ||
        again != wide) {
        return false;
    }
    ansi = std::move(text);
    return true;
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
    // Read as UTF-16, which holds every path: a path of MAX_PATH or more characters arrives cut
    // in a buffer that is too small, so ask again with a larger one until the whole path fits.
    std::wstring wide;
    for (DWORD capacity = kFirstTextBuffer;;
         capacity = std::min(capacity * 2, kLongestWindowsText + 1)) {
        std::vector<wchar_t> buffer(capacity, L'\0');
        const DWORD n = GetModuleFileNameW(moduleOf(module), buffer.data(), capacity);
        if (n == 0) {
            return false;
        }
        if (n < capacity) {
            wide.assign(buffer.data(), n);
            break;
        }
        if (capacity > kLongestWindowsText) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return false;
        }
    }
    std::string ansi;
    if (!exactAnsiText(wide, ansi)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    path = std::move(ansi);
    return true;
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
    // Not inherited: a child process of the Java service must not keep the name alive after this
    // instance has ended.
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    // Kept open for the life of the process: the mutex must exist as long as this instance runs.
    HANDLE mutex = CreateMutexA(&attributes, FALSE, name);
    return mutex != nullptr;
}

bool WindowsOs::holdLockFile(const char* path) {
    windows::LocalDescriptor descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kLockFileDescriptor, SDDL_REVISION_1,
                                                              descriptor.receiver(), nullptr)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor.get(), FALSE};
    // Kept open for the life of the process; the system closes it when the process ends in
    // whatever way.
    HANDLE lock = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, &attributes, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_HIDDEN, nullptr);
    return lock != INVALID_HANDLE_VALUE;
}

bool WindowsOs::readAccessList(const char* path, AccessList& list) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    windows::LocalDescriptor descriptor;
    const DWORD rc = GetNamedSecurityInfoA(const_cast<char*>(path), SE_FILE_OBJECT,
                                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                           &owner, nullptr, &dacl, nullptr, descriptor.receiver());
    if (rc != ERROR_SUCCESS) {
        SetLastError(rc);
        return false;
    }
    AccessList read;
    read.ownerSid = sidText(owner);
    read.hasDacl = dacl != nullptr;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) {
            continue;
        }
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        // Allowed and denied entries share their layout: header, mask, SID.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE &&
            header->AceType != ACCESS_DENIED_ACE_TYPE) {
            continue;
        }
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        AccessEntry entry;
        entry.allow = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
        entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
        entry.mask = allowed->Mask;
        entry.sid = sidText(&allowed->SidStart);
        read.entries.push_back(std::move(entry));
    }
    list = std::move(read);
    return true;
}

bool WindowsOs::processUser(std::string& sid, bool& administrator) {
    windows::KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receiver())) {
        return false;
    }
    DWORD needed = 0;
    (void)GetTokenInformation(token.get(), TokenUser, nullptr, 0, &needed);
    std::vector<char> buffer(needed);
    if (needed == 0 ||
        !GetTokenInformation(token.get(), TokenUser, buffer.data(), needed, &needed)) {
        return false;
    }
    const std::string user = sidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
    BYTE admins[SECURITY_MAX_SID_SIZE] = {};
    DWORD adminsSize = sizeof admins;
    BOOL member = FALSE;
    if (user.empty() ||
        !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize) ||
        !CheckTokenMembership(nullptr, admins, &member)) {
        return false;
    }
    sid = user;
    administrator = member != FALSE;
    return true;
}

namespace {

// A path that is there already given the descriptor's access list (protected: nothing inherited)
// and Administrators as its owner. False with the last error set.
bool givenToAdministrators(const char* path, PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) {
        return false;
    }
    BYTE admins[SECURITY_MAX_SID_SIZE] = {};
    DWORD adminsSize = sizeof admins;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize)) {
        return false;
    }
    const DWORD rc = SetNamedSecurityInfoA(const_cast<char*>(path), SE_FILE_OBJECT,
                                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                               PROTECTED_DACL_SECURITY_INFORMATION,
                                           admins, nullptr, dacl, nullptr);
    if (rc != ERROR_SUCCESS) {
        SetLastError(rc);
        return false;
    }
    return true;
}

}  // namespace

bool WindowsOs::createPrivateFolder(const char* path) {
    windows::LocalDescriptor descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            kPrivateFolderDescriptor, SDDL_REVISION_1, descriptor.receiver(), nullptr)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor.get(), FALSE};
    if (CreateDirectoryA(path, &attributes)) {
        return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        return false;
    }
    // There already: Administrators become its owner and its access list is set anew.
    return givenToAdministrators(path, descriptor.get());
}

bool WindowsOs::createPrivateFile(const char* path) {
    windows::LocalDescriptor descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kLockFileDescriptor, SDDL_REVISION_1,
                                                              descriptor.receiver(), nullptr)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor.get(), FALSE};
    // No access asked for: a lock that a running instance holds without sharing opens all the
    // same, and its owner and list can still be set.
    windows::KernelHandle file(
        CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &attributes,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return false;
    }
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    file.reset();
    // There already: Administrators become its owner and its access list is set anew.
    return !existed || givenToAdministrators(path, descriptor.get());
}

bool WindowsOs::accountName(const char* sid, std::string& name) {
    const DWORD saved = GetLastError();
    windows::LocalSid binary;
    bool found = false;
    if (ConvertStringSidToSidA(sid, binary.receiver())) {
        char account[kFirstTextBuffer] = {};
        char domain[kFirstTextBuffer] = {};
        DWORD accountSize = sizeof account;
        DWORD domainSize = sizeof domain;
        SID_NAME_USE use{};
        if (LookupAccountSidA(nullptr, binary.get(), account, &accountSize, domain, &domainSize,
                              &use)) {
            name = domain[0] != '\0' ? std::string(domain) + "\\" + account : std::string(account);
            found = true;
        }
    }
    SetLastError(saved);
    return found;
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

bool WindowsOs::fileSize(const char* path, std::uint64_t& bytes) {
    struct _stat64 status {};
    if (_stat64(path, &status) != 0 || (status.st_mode & _S_IFDIR) != 0 || status.st_size < 0) {
        return false;
    }
    bytes = static_cast<std::uint64_t>(status.st_size);
    return true;
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
    std::string user;
    bool administrator = false;
    if (!processUser(user, administrator)) {
        return nullptr;
    }
    const std::string access = std::string(kLogFileDescriptor) + "(A;;FA;;;" + user + ")";
    windows::LocalDescriptor descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(access.c_str(), SDDL_REVISION_1,
                                                              descriptor.receiver(), nullptr)) {
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor.get(), FALSE};
    // The descriptor is given to a file that is created; one that is there keeps its own.
    windows::KernelHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           &attributes, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                           nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return nullptr;
    }
    const int fd =
        _open_osfhandle(reinterpret_cast<intptr_t>(file.get()), _O_APPEND | _O_TEXT | _O_WRONLY);
    if (fd == -1) {
        return nullptr;
    }
    file.release();  // the descriptor owns the handle now
    windows::DescriptorOwner descriptorOwner(fd);
    std::FILE* stream = _fdopen(fd, "a");
    if (stream == nullptr) {
        return nullptr;
    }
    descriptorOwner.release();  // the stream owns the descriptor now
    return std::make_unique<windows::LogStreamHandle>(stream);
}

void WindowsOs::writeStdout(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

namespace {

// The characters a read of the console or of standard input takes at a time.
constexpr DWORD kSecretReadChars = 64;

// Turns the console's echo off while it lives, and gives the console its mode back when it goes.
class EchoOff {
  public:
    EchoOff(HANDLE console, DWORD mode) : console_(console), mode_(mode) {
        on_ = SetConsoleMode(console_, mode_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != FALSE;
    }
    ~EchoOff() {
        if (on_) {
            (void)SetConsoleMode(console_, mode_);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    HANDLE console_;
    DWORD mode_;
    bool on_ = false;
};

// A buffer of the characters read, cleared when it goes.
struct ReadBuffer {
    char chars[kSecretReadChars];
    ~ReadBuffer() { SecureZeroMemory(chars, sizeof chars); }
};

// Appends characters up to the line end (which is left out); true once the line end came.
bool appendUpToLineEnd(const char* chars, DWORD count, std::string& line) {
    for (DWORD i = 0; i < count; ++i) {
        if (chars[i] == '\n') {
            return true;
        }
        line.push_back(chars[i]);
    }
    return false;
}

}  // namespace

bool WindowsOs::readSecretLine(std::string& line) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    const bool console = GetConsoleMode(input, &mode) != FALSE;
    std::string read;
    read.reserve(line.capacity());
    ReadBuffer buffer;
    bool complete = false;
    bool gotSome = false;
    {
        // The console reads the line whole; a pipe or a file gives one character at a time, so
        // that nothing after the line is taken from it.
        std::optional<EchoOff> echo;
        if (console) {
            echo.emplace(input, mode);
        }
        const DWORD chunk = console ? kSecretReadChars : 1;
        while (!complete) {
            DWORD count = 0;
            const BOOL ok = console ? ReadConsoleA(input, buffer.chars, chunk, &count, nullptr)
                                    : ReadFile(input, buffer.chars, chunk, &count, nullptr);
            if (!ok || count == 0) {
                break;
            }
            gotSome = true;
            complete = appendUpToLineEnd(buffer.chars, count, read);
        }
    }
    // The line end was not shown: the next output starts on a line of its own.
    writeStdout("\n");
    if (!gotSome) {
        if (GetLastError() == ERROR_SUCCESS) {
            SetLastError(ERROR_HANDLE_EOF);
        }
        return false;
    }
    if (!read.empty() && read.back() == '\r') {
        read.pop_back();
    }
    line.assign(read);
    SecureZeroMemory(read.data(), read.size());
    return true;
}

ModuleHandle WindowsOs::loadLibrary(const char* path, const char* importFolder) {
    // Found at run time: a Windows 7 without update KB2533623 has neither the entry nor the
    // search flags, and loads the way it always did.
    using AddDllDirectoryFn = DLL_DIRECTORY_COOKIE(WINAPI*)(PCWSTR);
    HMODULE kernel32 = GetModuleHandleA("kernel32");
    const auto addDllDirectory =
        kernel32 != nullptr
            ? entryAs<AddDllDirectoryFn>(GetProcAddress(kernel32, "AddDllDirectory"))
            : nullptr;
    if (addDllDirectory == nullptr) {
        return LoadLibraryA(path);
    }
    if (importFolder != nullptr) {
        // Added for the life of the process; a folder that cannot be added leaves the imports to
        // the other folders searched, and the load names what is missing.
        const std::wstring folder = fullWidePath(importFolder);
        if (!folder.empty()) {
            (void)addDllDirectory(folder.c_str());
        }
    }
    if (std::strchr(path, '\\') == nullptr) {
        return LoadLibraryExA(path, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    }
    // The library's own folder is searched for its imports only when its path is a full one.
    std::string full(kFirstTextBuffer, '\0');
    DWORD n = GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n >= full.size()) {
        full.assign(n, '\0');
        n = GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (n == 0 || n >= full.size()) {
        return nullptr;
    }
    full.resize(n);
    return LoadLibraryExA(full.c_str(), nullptr,
                          LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
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
