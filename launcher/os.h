// The launcher's one window on the operating system.
//
// The launcher logic is plain C++ and never includes windows.h: everything it asks of Windows
// goes through `Os`. There are two implementations: the real one (launcher/windows/, on top of
// kernel32, advapi32, shell32 and the C runtime) and an in-memory fake Windows machine for the
// unit tests (tests/launcher/fake_machine.h).
//
// Conventions of the seam:
// - Text is 8-bit ANSI text, passed in as NUL-terminated `const char*` and handed out as
//   std::string. The seam never cuts a result to a buffer size: it hands out the whole text, and
//   the logic decides whether it fits its fixed capacities (launcher/capacities.h). Where the
//   Windows call takes a caller's buffer, the real implementation uses one large enough for the
//   whole result (or asks again with the size the system reports).
// - The cause of a failure is the thread's Windows last-error code, as in the launcher's own
//   design: a member that can fail leaves the system's code in `lastError()`, exactly as the
//   Windows call it wraps leaves it. The logic reads and clears it only through `lastError()` and
//   `setLastError()`. Members documented as "no last error" do not touch it.
// - Resources that must be closed are move-only RAII objects handed out as std::unique_ptr; their
//   destructor makes the closing call. What the launcher keeps for the life of the process (the
//   named mutex, the instance lock, the loaded JVM library) is never closed and has no owner
//   object.
// - Out-parameters are left untouched when a member fails.
#ifndef QV_LAUNCHER_OS_H
#define QV_LAUNCHER_OS_H

#include "service_events.h"

#include <jni.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Windows error codes that the logic names.
inline constexpr std::uint32_t kErrorSuccess = 0;                  // ERROR_SUCCESS
inline constexpr std::uint32_t kErrorFileNotFound = 2;             // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kErrorSharingViolation = 32;        // ERROR_SHARING_VIOLATION
inline constexpr std::uint32_t kErrorAlreadyExists = 183;          // ERROR_ALREADY_EXISTS
inline constexpr std::uint32_t kErrorNoUnicodeTranslation = 1113;  // ERROR_NO_UNICODE_TRANSLATION

// Registry access masks, as the Windows API defines them.
inline constexpr std::uint32_t kKeyRead = 0x20019;        // KEY_READ
inline constexpr std::uint32_t kKeyWow64_64Key = 0x0100;  // KEY_WOW64_64KEY

// Registry value types that the fake machine and the tests name (REG_SZ, REG_EXPAND_SZ,
// REG_BINARY, REG_DWORD, REG_MULTI_SZ); the logic places the data of every type alike.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// An opaque module handle (HMODULE). Null means none.
using ModuleHandle = const void*;

// The entry JNI_CreateJavaVM of a JVM library, with the JNI invocation signature.
using CreateJavaVmFn = jint(JNICALL*)(JavaVM** vm, void** env, void* args);

// The predefined registry roots that the launcher can name.
enum class RegistryRoot {
    ClassesRoot,    // HKEY_CLASSES_ROOT
    CurrentUser,    // HKEY_CURRENT_USER
    LocalMachine,   // HKEY_LOCAL_MACHINE
    Users,          // HKEY_USERS
    CurrentConfig,  // HKEY_CURRENT_CONFIG
};

// The data of a registry value as RegQueryValueExA gives it: the type and the raw bytes, exactly
// as many as the system reports (a string value brings its own terminator, if it was stored with
// one; nothing is added).
struct RegistryValue {
    std::uint32_t type = 0;
    std::string bytes;
};

// An open registry key (HKEY). The destructor calls RegCloseKey.
class RegistryKey {
  public:
    virtual ~RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // RegEnumKeyExA(key, index, name, &size, ...) with a buffer of `maxChars` characters plus the
    // terminator (the size reset before every call). False for no more subkeys, a name that does
    // not fit, or any other error. Like every registry member, it leaves the last error alone:
    // the registry functions return their code and do not set the thread's last error.
    [[nodiscard]] virtual bool enumSubkey(std::uint32_t index, std::size_t maxChars,
                                          std::string& name) = 0;

    // RegQueryValueExA(key, valueName, nullptr, &type, data, &size) with size = `byteLimit`.
    // False when the value is missing, larger than `byteLimit` (ERROR_MORE_DATA) or unreadable.
    // The last error is left alone.
    [[nodiscard]] virtual bool queryValue(const char* valueName, std::size_t byteLimit,
                                          RegistryValue& value) = 0;

    // RegQueryValueExA(key, valueName, nullptr, nullptr, nullptr, &size): the size of the value's
    // data in bytes, whatever it is. False when the value is missing or unreadable. The last
    // error is left alone.
    [[nodiscard]] virtual bool valueSize(const char* valueName, std::size_t& bytes) = 0;

  protected:
    RegistryKey() = default;
};

// A file enumeration (_findfirst handle). The destructor calls _findclose.
class FileFind {
  public:
    virtual ~FileFind() = default;
    FileFind(const FileFind&) = delete;
    FileFind& operator=(const FileFind&) = delete;

    // The name (no directory part) of the current match, as _finddata_t.name holds it.
    [[nodiscard]] virtual const std::string& name() const = 0;
    // _findnext: moves to the next match; false when there is none.
    [[nodiscard]] virtual bool next() = 0;

  protected:
    FileFind() = default;
};

// A file open for reading (_open descriptor). The destructor calls _close.
class InputFile {
  public:
    virtual ~InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // One _read(fd, buffer, maxBytes): the file is open in text mode, so a CR LF pair arrives as a
    // single LF. Gives the number of bytes placed in `buffer` (0 at the end, -1 on an error).
    [[nodiscard]] virtual long read(char* buffer, std::size_t maxBytes) = 0;

  protected:
    InputFile() = default;
};

// The debug log stream (a FILE* in append mode). The destructor calls fclose.
class LogStream {
  public:
    virtual ~LogStream() = default;
    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

    // fwrite of the text. The logic ends its lines with "\n"; the real stream is open in text
    // mode, so the C runtime writes each "\n" as CR LF. A failing write is ignored.
    virtual void write(std::string_view text) = 0;
    // fflush: what was written so far reaches the file. A failing flush is ignored.
    virtual void flush() = 0;

  protected:
    LogStream() = default;
};

// The pipe that the process's standard output and standard error write into in service mode
// (CreatePipe): the standard handles hold its write end. The destructor closes the read end.
class OutputPipe {
  public:
    virtual ~OutputPipe() = default;
    OutputPipe(const OutputPipe&) = delete;
    OutputPipe& operator=(const OutputPipe&) = delete;

    // ReadFile of the read end: blocks until bytes are there and gives how many were placed in
    // `buffer` (at most `maxBytes`); 0 once the write end is closed and everything was read (or
    // on an error).
    [[nodiscard]] virtual std::size_t read(char* buffer, std::size_t maxBytes) = 0;
    // PeekNamedPipe: the bytes written and not yet read (0 when the call fails).
    [[nodiscard]] virtual std::size_t pending() = 0;
    // CloseHandle of the write end: a read gives 0 once what was written is read. Only when the
    // process is about to end; nothing writes through the standard handles after.
    virtual void closeWriteEnd() = 0;

  protected:
    OutputPipe() = default;
};

// A file of the service's output log, open for appending (binary). The destructor calls
// CloseHandle.
class OutputFile {
  public:
    virtual ~OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // WriteFile of all the bytes. False when not all were written (ERROR_DISK_FULL; last error
    // set).
    [[nodiscard]] virtual bool write(std::string_view bytes) = 0;
    // GetFileSizeEx: the file's size in bytes (0 when the call fails).
    [[nodiscard]] virtual std::uint64_t size() = 0;

  protected:
    OutputFile() = default;
};

// The local date and time as GetLocalTime gives it (SYSTEMTIME without the day of the week and the
// milliseconds).
struct LocalTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
};

// What a file-status query (_stat64) found at a path.
enum class FileStatus { Missing, File, Directory };

// One entry of a file's or folder's access list (DACL), as the system holds it: an allowed or a
// denied right set for one principal.
struct AccessEntry {
    bool allow = true;         // ACCESS_ALLOWED_ACE_TYPE; false: ACCESS_DENIED_ACE_TYPE
    bool inheritOnly = false;  // INHERIT_ONLY_ACE: for the objects created inside only
    std::uint32_t mask = 0;    // the access mask, generic rights as stored
    std::string sid;           // the principal, "S-1-5-32-545"
};

// Who owns a path and its access list.
struct AccessList {
    std::string ownerSid;
    bool hasDacl = true;  // false: a NULL DACL, which gives every principal every right
    std::vector<AccessEntry> entries;
};

// What FindResourceExA / LoadResource / LockResource gave for an RT_RCDATA resource.
enum class ResourceStatus {
    Found,      // data and size are valid for the life of the process
    NotFound,   // FindResourceExA found nothing (last error as the system left it)
    NotLoaded,  // found, but LoadResource or LockResource gave nothing (last error untouched)
};

struct ResourceData {
    ResourceStatus status = ResourceStatus::NotFound;
    const char* data = nullptr;  // the resource bytes, not terminated by the seam
    std::size_t size = 0;        // SizeofResource
};

// --- Windows service: what the service manager, the dispatcher and the event log take ---------

// How the service manager starts a service (SERVICE_AUTO_START, the same with the delayed flag,
// SERVICE_DEMAND_START).
enum class ServiceStartType { Automatic, DelayedAutomatic, Manual };

// The states a service reports (SERVICE_STOPPED, SERVICE_START_PENDING, SERVICE_STOP_PENDING,
// SERVICE_RUNNING, with their Windows values).
enum class ServiceState : std::uint32_t {
    Stopped = 1,
    StartPending = 2,
    StopPending = 3,
    Running = 4,
};

// The controls the service manager sends that the launcher tells apart.
enum class ServiceControl {
    Stop,         // SERVICE_CONTROL_STOP
    Shutdown,     // SERVICE_CONTROL_SHUTDOWN
    Preshutdown,  // SERVICE_CONTROL_PRESHUTDOWN
    Interrogate,  // SERVICE_CONTROL_INTERROGATE
    Other,        // anything else (not accepted)
};

// Win32 exit code of a service that ends with a code of its own (ERROR_SERVICE_SPECIFIC_ERROR).
inline constexpr std::uint32_t kErrorServiceSpecific = 1066;
// The process was not started by the service manager (ERROR_FAILED_SERVICE_CONTROLLER_CONNECT).
inline constexpr std::uint32_t kErrorNotStartedAsService = 1063;
// A control the service does not handle (ERROR_CALL_NOT_IMPLEMENTED).
inline constexpr std::uint32_t kErrorCallNotImplemented = 120;

// One status report of an own-process service (SERVICE_STATUS). `acceptsStop` stands for
// SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PRESHUTDOWN.
struct ServiceStatus {
    ServiceState state = ServiceState::Stopped;
    bool acceptsStop = false;
    std::uint32_t win32ExitCode = 0;
    std::uint32_t serviceExitCode = 0;
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHintMs = 0;
};

// The restart actions a service gets for its failures (SERVICE_FAILURE_ACTIONS): `restartCount`
// times SC_ACTION_RESTART after `restartDelayMs`, the failure count reset after
// `resetPeriodSeconds` without a failure.
struct ServiceRecovery {
    std::uint32_t restartDelayMs = 0;
    std::uint32_t restartCount = 0;
    std::uint32_t resetPeriodSeconds = 0;
};

// What the install makes the service manager hold of a service (CreateServiceA,
// ChangeServiceConfigA): always an own-process service with SERVICE_ERROR_NORMAL and no load
// order group; these are the parts the settings choose.
struct ServiceDefinition {
    const char* displayName = "";
    // The command line the service manager starts the service with.
    const char* imagePath = "";
    // Delayed: SERVICE_AUTO_START; the delay is a setting of its own.
    ServiceStartType startType = ServiceStartType::Automatic;
    // lpServiceStartName: the account the service runs as; null for LocalSystem.
    const char* account = nullptr;
    // lpPassword: null for an account without one (a virtual account); the empty text for the
    // built-in accounts.
    const char* password = nullptr;
    // lpDependencies: the services (a group with SC_GROUP_IDENTIFIER '+' before its name) that
    // must run before this one starts; empty for none.
    std::vector<std::string> dependencies;
};

// What the install lets a service account change (grantModifyAccess).
enum class GrantTarget { Folder, File };

// An open service (SC_HANDLE, SERVICE_ALL_ACCESS). The destructor calls CloseServiceHandle.
// Every member that fails leaves the system's code in the last error.
class ServiceHandle {
  public:
    virtual ~ServiceHandle() = default;
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;

    // ChangeServiceConfig2A with SERVICE_CONFIG_DESCRIPTION.
    [[nodiscard]] virtual bool setDescription(const char* text) = 0;
    // ChangeServiceConfig2A with SERVICE_CONFIG_DELAYED_AUTO_START_INFO (`delayed`).
    [[nodiscard]] virtual bool setDelayedAutoStart(bool delayed) = 0;
    // ChangeServiceConfig2A with SERVICE_CONFIG_FAILURE_ACTIONS (no reboot message, no command).
    [[nodiscard]] virtual bool setRecovery(const ServiceRecovery& recovery) = 0;
    // ChangeServiceConfig2A with SERVICE_CONFIG_FAILURE_ACTIONS_FLAG (TRUE): a stop with a
    // non-zero exit code counts as a failure, not only a crash. A system without this setting
    // refuses it (ERROR_INVALID_PARAMETER).
    [[nodiscard]] virtual bool setRecoveryOnNonCrashFailures() = 0;
    // ChangeServiceConfig2A with SERVICE_CONFIG_PRESHUTDOWN_INFO: how long the service manager
    // waits for the service to stop after a preshutdown control.
    [[nodiscard]] virtual bool setPreshutdownTimeout(std::uint32_t timeoutMs) = 0;
    // ChangeServiceConfigA: the service made again as createService makes one with this
    // definition. Every part is set, also those that go back to their default: a null account is
    // LocalSystem (with the empty password), and no dependencies clears the list.
    [[nodiscard]] virtual bool reconfigure(const ServiceDefinition& definition) = 0;
    // QueryServiceConfigA: the command line the service manager starts the service with.
    [[nodiscard]] virtual bool queryImagePath(std::string& imagePath) = 0;
    // QueryServiceStatus: the current state.
    [[nodiscard]] virtual bool queryState(ServiceState& state) = 0;
    // ControlService(SERVICE_CONTROL_STOP).
    [[nodiscard]] virtual bool stop() = 0;
    // DeleteService: the service goes once every handle to it is closed.
    [[nodiscard]] virtual bool remove() = 0;

  protected:
    ServiceHandle() = default;
};

// The service manager of this computer (OpenSCManagerA, SC_MANAGER_ALL_ACCESS). The destructor
// calls CloseServiceHandle. Failing members leave the system's code in the last error.
class ServiceManager {
  public:
    virtual ~ServiceManager() = default;
    ServiceManager(const ServiceManager&) = delete;
    ServiceManager& operator=(const ServiceManager&) = delete;

    // CreateServiceA(manager, name, displayName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
    // start type, SERVICE_ERROR_NORMAL, image path, no group, no tag, the dependencies, account,
    // password). Null on failure (ERROR_SERVICE_EXISTS for a name taken).
    virtual std::unique_ptr<ServiceHandle> createService(const char* name,
                                                         const ServiceDefinition& definition) = 0;
    // OpenServiceA(name, SERVICE_ALL_ACCESS). Null on failure
    // (ERROR_SERVICE_DOES_NOT_EXIST for an unknown name).
    virtual std::unique_ptr<ServiceHandle> openService(const char* name) = 0;

  protected:
    ServiceManager() = default;
};

// What the service dispatcher runs in this process: one own-process service.
class ServiceProgram {
  public:
    virtual ~ServiceProgram() = default;
    // The service's main function, on the thread the dispatcher starts for it. The service has
    // ended for the manager once it reported ServiceState::Stopped.
    virtual void serviceMain() = 0;
    // A control from the service manager, on the dispatcher's thread; must return at once.
    // Gives NO_ERROR (0) or kErrorCallNotImplemented.
    virtual std::uint32_t control(ServiceControl control) = 0;
};

class Os {
  public:
    virtual ~Os() = default;

    // --- Process and module -------------------------------------------------------------------

    // GetCommandLineA: the raw command line of the process. No last error.
    virtual std::string commandLine() = 0;

    // GetModuleHandleA(nullptr): the running program's module, or null.
    virtual ModuleHandle programModule() = 0;

    // GetModuleFileNameW(module, ...), converted to the ANSI code page (WideCharToMultiByte with
    // WC_NO_BEST_FIT_CHARS): the module's full path, whole. False when the system gives no name
    // (last error set), or when a character of the path has no exact form in the ANSI code page
    // (last error kErrorNoUnicodeTranslation): a best-fit look-alike letter or a "?" would name
    // another folder.
    [[nodiscard]] virtual bool moduleFileName(ModuleHandle module, std::string& path) = 0;

    // GetModuleHandleA("kernel32") and GetProcAddress(kernel32, "IsWow64Process"): false when the
    // entry does not exist. Otherwise IsWow64Process(GetCurrentProcess(), &answer) is called and
    // `isWow64` receives the answer (false when the call fails).
    [[nodiscard]] virtual bool queryWow64(bool& isWow64) = 0;

    // --- Resources ----------------------------------------------------------------------------

    // FindResourceExA(module, RT_RCDATA, MAKEINTRESOURCEA(id), 0x0400), then SizeofResource,
    // LoadResource and LockResource. The data belong to the module for the life of the process.
    virtual ResourceData findRcData(ModuleHandle module, int id) = 0;

    // --- Last error and its text --------------------------------------------------------------

    // GetLastError.
    virtual std::uint32_t lastError() = 0;
    // SetLastError.
    virtual void setLastError(std::uint32_t code) = 0;
    // FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
    // FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, 0x0400, ...), copied out and the system's
    // buffer released with LocalFree. The text is as the system gives it, with its own line end.
    // False when the system has no text for the code. Does not change the last error.
    [[nodiscard]] virtual bool systemMessage(std::uint32_t code, std::string& text) = 0;

    // --- Environment and current directory ----------------------------------------------------

    // GetEnvironmentVariableA(name, ...): false when the variable is not set (last error set);
    // otherwise `value` receives the whole value (possibly empty).
    [[nodiscard]] virtual bool getEnvironmentVariable(const char* name, std::string& value) = 0;
    // SetEnvironmentVariableA(name, value): its result (last error set on failure).
    [[nodiscard]] virtual bool setEnvironmentVariable(const char* name, const char* value) = 0;
    // GetCurrentDirectoryA: the whole current directory, without a trailing backslash (except for
    // a drive root). False on failure (last error set).
    [[nodiscard]] virtual bool currentDirectory(std::string& path) = 0;
    // The C runtime's _chdir(path): true on success.
    [[nodiscard]] virtual bool changeDirectory(const char* path) = 0;

    // --- Registry -----------------------------------------------------------------------------

    // RegOpenKeyExA(root, path, 0, access, &key). `access` is KEY_READ, possibly with
    // KEY_WOW64_64KEY. Null when the key cannot be opened. The last error is left alone (the
    // code RegOpenKeyExA returns is not put into it), so a failed registry search adds no system
    // text to the error report.
    virtual std::unique_ptr<RegistryKey> openRegistryKey(RegistryRoot root, const char* path,
                                                         std::uint32_t access) = 0;

    // --- Single-instance guard ----------------------------------------------------------------

    // CreateMutexA with SECURITY_ATTRIBUTES{sizeof, nullptr, FALSE} (no descriptor, a handle that
    // child processes do not inherit), not initially owned, and the name. The handle is never
    // closed: the mutex lives as long as the process. Gives whether a handle was created; the
    // last error is as the call left it (ERROR_ALREADY_EXISTS when the mutex already existed, a
    // handle is created all the same).
    virtual bool createNamedMutex(const char* name) = 0;

    // CreateFileA(path, GENERIC_READ | GENERIC_WRITE, no sharing, SECURITY_ATTRIBUTES{sizeof,
    // descriptor "D:P(A;;FA;;;BA)(A;;FA;;;SY)", FALSE}, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN): the
    // instance lock. A file, unlike a name in the object namespace, is the same for every logon
    // session, and only a process that may create files in the folder, or open this one, can
    // hold it. The handle is never closed and is not inherited: the lock is free again when the
    // process ends. The file stays (an account that may open the install's lock but not create
    // files in the program's folder needs it there). False when no handle was created (last
    // error set; ERROR_SHARING_VIOLATION while another process holds the lock,
    // ERROR_ACCESS_DENIED for a process that may not open or create it).
    virtual bool holdLockFile(const char* path) = 0;

    // --- Security of the installation ---------------------------------------------------------

    // GetNamedSecurityInfoA(path, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION |
    // DACL_SECURITY_INFORMATION): the owner and the allowed and denied entries of the access list
    // (other entry types are left out), each SID as ConvertSidToStringSidA gives it. False when
    // the path cannot be read (last error set).
    [[nodiscard]] virtual bool readAccessList(const char* path, AccessList& list) = 0;
    // The process token's user as a SID text, and whether the token holds the Administrators
    // group enabled (CheckTokenMembership): elevated. False when the token cannot be read (last
    // error set).
    [[nodiscard]] virtual bool processUser(std::string& sid, bool& administrator) = 0;
    // CreateDirectoryA(path) with the access list "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)": only
    // Administrators and SYSTEM (the service's account) may use it, nothing inherited from
    // above. A folder that is there already is given the same list and Administrators as its
    // owner (SetNamedSecurityInfoA), so that a folder a user made first is the user's no longer.
    // False on failure (last error set).
    [[nodiscard]] virtual bool createPrivateFolder(const char* path) = 0;
    // CreateFileA(path, no access, sharing everything, OPEN_ALWAYS) with the access list
    // "D:P(A;;FA;;;BA)(A;;FA;;;SY)", closed at once: a file only Administrators and SYSTEM may
    // use, nothing inherited from its folder. A file that is there already (also one another
    // process holds open) is given the same list and Administrators as its owner
    // (SetNamedSecurityInfoA). The install's instance lock and debug log, before it grants the
    // service's account its rights on them. False on failure (last error set).
    [[nodiscard]] virtual bool createPrivateFile(const char* path) = 0;
    // LookupAccountSidA: "DOMAIN\name" of a SID text. False when the SID has no name here. The
    // last error is left alone.
    [[nodiscard]] virtual bool accountName(const char* sid, std::string& name) = 0;

    // --- Memory -------------------------------------------------------------------------------

    // GetLocalTime. No last error.
    virtual LocalTime localTime() = 0;

    // GlobalMemoryStatusEx with dwLength 64: ullAvailPhys. False when the call fails.
    [[nodiscard]] virtual bool availablePhysicalMemory(std::uint64_t& bytes) = 0;

    // --- Shell --------------------------------------------------------------------------------

    // ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL); result ignored.
    virtual void shellOpen(const char* target) = 0;

    // --- Files --------------------------------------------------------------------------------

    // _stat64(path): what is there. A failed query may change the last error.
    virtual FileStatus fileStatus(const char* path) = 0;

    // _findfirst(pattern, &data): null when nothing matches. Every directory entry that matches
    // counts, directories (also "." and "..") included, in the file system's order.
    virtual std::unique_ptr<FileFind> findFirst(const char* pattern) = 0;

    // _open(path, _O_RDONLY | _O_TEXT): null when the file cannot be opened.
    virtual std::unique_ptr<InputFile> openForReading(const char* path) = 0;

    // The debug log, opened for appending in text mode as fopen(path, "a") opens it; a log that
    // is not there yet is created (CreateFileA, OPEN_ALWAYS) with an access list that lets only
    // Administrators, SYSTEM and the process's own user (the service's account) read or write
    // it: it holds every expanded value. Null when it cannot be opened (last error as the system
    // left it).
    virtual std::unique_ptr<LogStream> openLogForAppend(const char* path) = 0;

    // --- The service's output log -------------------------------------------------------------

    // CreatePipe(&read, &write, SECURITY_ATTRIBUTES without inheritance, `bufferBytes`), then
    // SetStdHandle(STD_OUTPUT_HANDLE) and SetStdHandle(STD_ERROR_HANDLE) with the write end: a C
    // runtime that starts after this (the JVM library's) writes its stdout and stderr into the
    // pipe. Null when the pipe cannot be made (last error set; the standard handles unchanged).
    virtual std::unique_ptr<OutputPipe> redirectStandardOutput(std::size_t bufferBytes) = 0;
    // CreateDirectoryA(path, nullptr): true when it made the folder or a folder is there already
    // (last error set otherwise).
    [[nodiscard]] virtual bool createFolder(const char* path) = 0;
    // CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
    // OPEN_ALWAYS): the file at its end, made when it is not there. Null on failure (last error
    // set).
    virtual std::unique_ptr<OutputFile> openOutputFile(const char* path) = 0;
    // MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING). False on failure (last error set).
    [[nodiscard]] virtual bool moveFile(const char* from, const char* to) = 0;
    // DeleteFileA(path). False on failure (last error set; ERROR_FILE_NOT_FOUND when none).
    [[nodiscard]] virtual bool deleteFile(const char* path) = 0;

    // --- Standard output ----------------------------------------------------------------------

    // fputs(text, stdout) followed by fflush(stdout): console messages. Text mode, as for the log.
    virtual void writeStdout(std::string_view text) = 0;

    // --- JVM library --------------------------------------------------------------------------

    // LoadLibraryExA(path, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR |
    // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS), the path made full first, after
    // AddDllDirectory(importFolder) when one is given (not null): the library's own imports come
    // from its folder, the program's folder, `importFolder` and the system folders, never from a
    // Path folder or the current directory. A bare name (no backslash) is looked for in the
    // program's folder, `importFolder` and the system folders. The module, or null (last error
    // set). Never unloaded; the folder stays added.
    virtual ModuleHandle loadLibrary(const char* path, const char* importFolder) = 0;

    // GetProcAddress(library, "JNI_CreateJavaVM"): the entry, or null (last error set).
    virtual CreateJavaVmFn findCreateJavaVm(ModuleHandle library) = 0;

    // --- The launcher's own commands (check.h) ------------------------------------------------

    // Up to `count` bytes of the file at `path`, from byte `offset` on, read in binary mode
    // (_open with _O_RDONLY | _O_BINARY, _lseeki64, _read): fewer at the end of the file. False
    // when the file cannot be opened or read; `bytes` is then untouched.
    [[nodiscard]] virtual bool readFileBytes(const char* path, std::uint64_t offset,
                                             std::size_t count, std::string& bytes) = 0;
    // _stat64(path).st_size: the size in bytes of the file at `path`. False when there is no file
    // there (a directory included); `bytes` is then untouched. A failed query may change the last
    // error.
    [[nodiscard]] virtual bool fileSize(const char* path, std::uint64_t& bytes) = 0;

    // --- Windows service ----------------------------------------------------------------------
    // Used only by the service commands (--mvk-install, --mvk-uninstall, --mvk-service).

    // OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS): null on failure (last error set;
    // ERROR_ACCESS_DENIED without administrator rights).
    virtual std::unique_ptr<ServiceManager> openServiceManager() = 0;

    // StartServiceCtrlDispatcherA with one entry, `name`, whose main function runs
    // `program.serviceMain()`. Returns once the service has stopped; false at once when the
    // process was not started by the service manager (last error kErrorNotStartedAsService).
    [[nodiscard]] virtual bool runServiceDispatcher(const char* name, ServiceProgram& program) = 0;
    // RegisterServiceCtrlHandlerExA(name, ...), the handler handing each control to the program
    // the dispatcher runs. Called from serviceMain, before the first status report; false on
    // failure (last error set).
    [[nodiscard]] virtual bool registerServiceControlHandler(const char* name) = 0;
    // SetServiceStatus of an own-process service with the handle registered above. False on
    // failure (last error set).
    virtual bool setServiceStatus(const ServiceStatus& status) = 0;

    // The event source `name` of the Application log: the key
    // SYSTEM\CurrentControlSet\Services\EventLog\Application\<name> below HKEY_LOCAL_MACHINE
    // (RegCreateKeyExA) with TypesSupported (REG_DWORD, error, warning and information) and
    // EventMessageFile (REG_EXPAND_SZ, `messageFile`: the file whose message table holds the texts
    // of its events). Unlike the registry reads, a failure puts the registry's code into the last
    // error.
    [[nodiscard]] virtual bool registerEventSource(const char* name, const char* messageFile) = 0;
    // RegDeleteKeyA of that key. True when it is gone, also when it was not there; otherwise
    // false with the registry's code in the last error.
    [[nodiscard]] virtual bool deregisterEventSource(const char* name) = 0;
    // RegisterEventSourceA(nullptr, source), ReportEventA(the event's type, category 0, the
    // event's ID, the one text as its insert %1), DeregisterEventSource. The outcome is ignored;
    // the last error is left as it was.
    virtual void reportEvent(const char* source, const ServiceEvent& event, const char* text) = 0;
    // An error event of the general kind, whose message is the text alone.
    void reportErrorEvent(const char* source, const char* text) {
        reportEvent(source, kEventServiceError, text);
    }

    // What the install lets a service account change: `path` is a folder (CreateDirectoryA when
    // it is not there) or a file (CreateFileA with OPEN_ALWAYS, so an empty one when it is not
    // there); then an ACE that allows `account` to modify it (read, write, execute, delete) is
    // added to its DACL (SetEntriesInAclA with GRANT_ACCESS, SetNamedSecurityInfoA), for a folder
    // inherited by everything below it. `account` is a name as LookupAccountNameA takes it, or a
    // SID in its text form ("S-1-5-19"). False on failure (last error set; ERROR_NONE_MAPPED for
    // an account the system does not know).
    [[nodiscard]] virtual bool grantModifyAccess(const char* path, GrantTarget target,
                                                 const char* account) = 0;

    // One line from standard input, without its line end: from a console with its echo turned
    // off while the line is typed (GetConsoleMode, SetConsoleMode without ENABLE_ECHO_INPUT, the
    // mode restored after; the line end is then written to standard output, since the console
    // did not show it), else from the file or pipe that standard input is. No copy of the line
    // stays behind in the seam's buffers. False when standard input gives no line (its end, or an
    // error; last error set).
    [[nodiscard]] virtual bool readSecretLine(std::string& line) = 0;

    // ExitProcess(code): ends the process at once, whatever its other threads are doing.
    virtual void endProcess(std::uint32_t code) = 0;
};

}  // namespace qv

#endif  // QV_LAUNCHER_OS_H
