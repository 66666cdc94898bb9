// An in-memory Windows machine for the launcher's unit tests.
//
// FakeMachine implements the launcher's OS seam the way a 32-bit program sees Windows: backslash
// paths and case-insensitive file names, files and directories, a registry with a 32-bit and a
// 64-bit view (one shared view on 32-bit Windows), an environment with case-insensitive names, a
// current directory, the thread's last error and the system's texts for it, the program's RCDATA
// resources, a mutex namespace (shareable between two machines that stand for two processes), a
// captured standard output, and scriptable JVM libraries (FakeJvm) standing in for jvm.dll.
//
// It is a test fixture: it records what the launcher asked and answers what a test told it. Its
// members are defined by capability: fake_files.cpp (files, searches, the debug log, standard
// output), fake_registry.cpp, fake_process.cpp (command line, module, resources, last error,
// environment, current directory, mutexes, memory, shell), fake_jvm_library.cpp (loading a JVM
// library; fake_jvm.cpp is the JVM itself), fake_services.cpp (service manager, dispatcher, event
// log); fake_support.cpp holds what they share and the failure injection (fault_injector.h).
#ifndef QV_TESTS_LAUNCHER_FAKE_MACHINE_H
#define QV_TESTS_LAUNCHER_FAKE_MACHINE_H

#include "fake_jvm.h"
#include "fault_injector.h"
#include "os.h"

#include <array>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace qv::testing {

// Lower-cased copy, for the case-insensitive names of Windows.
std::string foldCase(std::string_view text);

class FakeMachine : public Os {
  public:
    enum class View { Bits32, Bits64 };

    FakeMachine();
    ~FakeMachine() override;

    // --- Settings ------------------------------------------------------------------------------
    std::string commandLineText = "\"C:\\app\\QuorvexService.exe\"";
    bool hasModule = true;
    std::optional<std::string> moduleName = std::string("C:\\app\\QuorvexService.exe");
    // The program's path, as Windows holds it (UTF-16), has a character that the ANSI code page
    // cannot hold: moduleFileName fails with ERROR_NO_UNICODE_TRANSLATION.
    bool moduleNameOutsideCodePage = false;
    // 64-bit Windows: the registry has two views and the 32-bit launcher runs under WOW64.
    bool windows64 = false;
    bool hasIsWow64Process = true;
    std::optional<std::uint64_t> availableMemory = 4096ull << 20;
    // What GetLocalTime answers.
    LocalTime clock{2026, 3, 14, 9, 5, 7};
    // Names for which SetEnvironmentVariableA fails (folded case).
    std::set<std::string> refusedVariables;
    // Resource IDs that are found but cannot be loaded.
    std::set<int> unloadableResources;
    // Error codes that have no system text (FormatMessageA fails).
    std::set<std::uint32_t> codesWithoutText;
    // Seam call counts and the one call to fail.
    FaultInjector faults;

    // --- Configuration (RCDATA resources) -----------------------------------------------------
    // Stores the text with its NUL, as the build does.
    void setConfig(int id, std::string_view text);
    // Stores the bytes exactly as given (no NUL added).
    void setRawResource(int id, std::string bytes);
    void removeConfig(int id);

    // --- Files ---------------------------------------------------------------------------------
    void addFile(std::string_view path, std::string_view content = {});
    void addDirectory(std::string_view path);
    void removeFile(std::string_view path);
    // A file that exists but cannot be written (the log cannot be opened on it).
    void setReadOnly(std::string_view path);
    // The short (8.3) name a volume with short names made for a file. A search pattern matches
    // a file by its long name or by its short name, as FindFirstFile does, and hands out the
    // long name: on such a volume "*.jar" also finds "app.jarx" (short name "APP~1.JAR").
    void setShortName(std::string_view path, std::string_view shortName);
    bool exists(std::string_view path) const;
    // Content of a file; empty when it does not exist.
    std::string fileContent(std::string_view path) const;
    // Full, canonical form of a path against the current directory ("." and ".." resolved).
    std::string fullPath(std::string_view path) const;

    // --- Registry ------------------------------------------------------------------------------
    void addRegistryKey(View view, RegistryRoot root, std::string_view path);
    void setRegistryValue(View view, RegistryRoot root, std::string_view path,
                          std::string_view name, std::uint32_t type, std::string bytes);
    void setRegistryString(View view, RegistryRoot root, std::string_view path,
                           std::string_view name, std::string_view text);
    // Every key path opened, with "64:" or "32:" for the view reached, in order.
    std::vector<std::string> registryOpens;

    // --- Environment and current directory -----------------------------------------------------
    void setVariable(std::string_view name, std::string_view value);
    void unsetVariable(std::string_view name);
    std::optional<std::string> variable(std::string_view name) const;
    std::string cwd = "C:\\start";

    // --- Sessions, mutexes and the instance lock -----------------------------------------------
    // The logon session the process runs in: 0 for services, 1 and up for the users' sessions.
    std::uint32_t session = 1;
    // The object names of the named mutexes (see mutexObjectName); two machines may share the
    // table, standing for two processes on one computer.
    std::shared_ptr<std::set<std::string>> mutexes = std::make_shared<std::set<std::string>>();
    // Every name createNamedMutex was given, as given.
    std::vector<std::string> mutexesCreated;
    // Where Windows puts a mutex name ("Kernel object namespaces" in the Windows documentation):
    // "Global\x" in the global namespace "\BaseNamedObjects\x"; an unprefixed or "Local\"
    // name in the session's own namespace "\Sessions\<n>\BaseNamedObjects\x", except in
    // session 0, whose session namespace is the global one. So a console in session 1 and a
    // service in session 0 that create the same unprefixed name create two mutexes.
    std::string mutexObjectName(std::string_view name) const;
    // The instance lock files held open, by folded full path, with the process (machine) that
    // holds each: files are the same in every session. Shared like the mutexes. A machine stands
    // for one process at a time, its runs one after the other, so a lock it took itself is free
    // again for its next run.
    std::shared_ptr<std::map<std::string, int>> heldLocks =
        std::make_shared<std::map<std::string, int>>();
    // The lock files this process took, as given.
    std::vector<std::string> locksTaken;
    // --- Access lists ----------------------------------------------------------------------------
    // The access list of a path (GetNamedSecurityInfoA). A path without one of its own has the
    // list of a folder below Program Files: owner Administrators; SYSTEM, Administrators and
    // TrustedInstaller full control; Users read and execute.
    void setAccessList(std::string_view path, AccessList list);
    // The process's token: its user, and (the `administrator` setting) whether it is elevated.
    std::string processUserSid = "S-1-5-21-1-2-3-1001";
    // Account names by SID text; the well-known ones are there from the start.
    std::map<std::string, std::string> accountNames;
    // The folders createPrivateFolder made or gave back to administrators, in order.
    std::vector<std::string> privateFolders;
    // The files createPrivateFile made or gave back to administrators, in order.
    std::vector<std::string> privateFiles;
    // The SIDs of accounts by folded name, as LookupAccountNameA finds them; an account named
    // by neither a SID text nor an entry here stands for its own SID.
    std::map<std::string, std::string> accountSids;
    // The SID of an account as grantModifyAccess takes it (a SID text or a name).
    std::string sidOfAccount(std::string_view account) const;
    // Paths whose access list cannot be read (ERROR_ACCESS_DENIED).
    std::set<std::string> unreadableAccessLists;

    // Folders in which only administrators may create files (a folder below Program Files, whose
    // access list gives Users read and execute only).
    void protectFolder(std::string_view path);

    // --- Output, shell and last error -------------------------------------------------------
    std::string stdoutText;

    // --- The service's output log (fake_output.cpp) --------------------------------------------
    // What a C runtime that started after redirectStandardOutput (the JVM library's) writes to
    // its standard output or standard error: into the pipe, blocking while the pipe's buffer is
    // full as WriteFile on a pipe does; before a redirection (or after its write end was
    // closed) the service has no console and the text goes nowhere. False when it went nowhere.
    bool printToStandardHandles(std::string_view text);
    // CreatePipe fails (ERROR_NOT_ENOUGH_MEMORY).
    bool pipeFails = false;
    // The space left on the disk of the output log, in bytes: a write that does not fit fails
    // whole (ERROR_DISK_FULL). Nothing (the start): room for everything. Any thread.
    void setOutputDiskFree(std::optional<std::uint64_t> bytes);
    // Folders that createFolder may not make (ERROR_ACCESS_DENIED), folded full paths.
    std::set<std::string> unmakeableFolders;
    // Output log files held open by another program without FILE_SHARE_DELETE: moving or
    // deleting them fails (ERROR_SHARING_VIOLATION), folded full paths.
    std::set<std::string> lockedOutputFiles;
    // Every path (as given) that createFolder, openOutputFile, moveFile or deleteFile was called
    // with, in order, with the call: "folder C:\x", "open C:\x", "move C:\a > C:\b",
    // "delete C:\x". CreateDirectory makes one level only; the fake makes any.
    std::vector<std::string> outputCalls() const;
    // The output log files there are now, full paths as made, in name order.
    std::vector<std::string> outputFileNames() const;

    // The pipe and the files (fake_output.cpp).
    struct OutputStore;

    std::unique_ptr<OutputPipe> redirectStandardOutput(std::size_t bufferBytes) override;
    bool createFolder(const char* path) override;
    std::unique_ptr<OutputFile> openOutputFile(const char* path) override;
    bool moveFile(const char* from, const char* to) override;
    bool deleteFile(const char* path) override;
    std::vector<std::string> shellOpened;
    std::uint32_t lastErrorCode = 0;

    // --- JVM libraries -------------------------------------------------------------------------
    // Makes `path` a loadable JVM library.
    FakeJvm& addJvm(std::string_view path);
    std::vector<std::string> librariesLoaded;
    // The import folder given with each load, in order ("" for none).
    std::vector<std::string> importFolders;

    // --- Service manager, dispatcher and event log --------------------------------------------
    struct Service {
        std::string name;
        std::string displayName;
        std::string imagePath;
        ServiceStartType startType = ServiceStartType::Manual;
        bool delayedAutoStart = false;
        std::optional<std::string> description;
        std::optional<ServiceRecovery> recovery;
        std::optional<std::uint32_t> preshutdownTimeoutMs;
        std::string account = "LocalSystem";
        // The password the service manager was given with the account, if any.
        std::optional<std::string> password;
        std::vector<std::string> dependencies;
        ServiceState state = ServiceState::Stopped;
        bool recoveryOnNonCrashFailures = false;
        // A stop control makes the service report stopped at once (a well-behaved service).
        bool stops = true;
    };
    // Installed services by folded name.
    std::map<std::string, Service> services;
    // Without administrator rights the service manager cannot be opened (access denied) and the
    // event log key cannot be created.
    bool administrator = true;
    // The service manager knows no "non-crash failures" flag (ERROR_INVALID_PARAMETER).
    bool refusesNonCrashFlag = false;
    // The service manager knows no delayed start (ERROR_INVALID_PARAMETER), as Wine's.
    bool refusesDelayedStart = false;
    // Event sources of the Application log, by name as registered.
    std::set<std::string> eventSources;
    // Their EventMessageFile, by name as registered.
    std::map<std::string, std::string> eventMessageFiles;
    // Every event reported: "source: text", and its ID and kind.
    std::vector<std::string> events;
    std::vector<ServiceEvent> eventKinds;
    // The rights granted to accounts (grantModifyAccess), in order.
    struct Grant {
        std::string path;
        GrantTarget target;
        std::string account;
    };
    std::vector<Grant> grants;
    // Accounts the system does not know (their lookup fails with ERROR_NONE_MAPPED), by folded
    // name.
    std::set<std::string> unknownAccounts;
    // The lines standard input gives, one per readSecretLine; none left is its end.
    std::deque<std::string> stdinLines;
    // Stop controls sent to installed services, by name.
    std::vector<std::string> stopsSent;
    // The process was started by the service manager (else the dispatcher fails with 1063).
    bool startedAsService = true;
    // Controls the dispatcher sends once the service first reports the given state.
    std::vector<std::pair<ServiceState, ServiceControl>> controlsOnState;
    // The status reports of the running service, in order, and the control handler's name.
    std::vector<ServiceStatus> statuses;
    std::vector<std::string> controlHandlers;
    std::vector<std::uint32_t> controlResults;
    // endProcess: the codes it was called with (the fake machine goes on).
    std::vector<std::uint32_t> processEnds;
    // Queues a control for the dispatcher to hand to the running service.
    void sendControl(ServiceControl control);
    // Blocks until the dispatcher has handed the service `count` controls.
    void waitForControls(std::size_t count);
    // Blocks until endProcess has been called.
    void waitForProcessEnd();

    // --- Os ------------------------------------------------------------------------------------
    std::string commandLine() override;
    ModuleHandle programModule() override;
    bool moduleFileName(ModuleHandle module, std::string& path) override;
    bool queryWow64(bool& isWow64) override;
    ResourceData findRcData(ModuleHandle module, int id) override;
    std::uint32_t lastError() override;
    void setLastError(std::uint32_t code) override;
    bool systemMessage(std::uint32_t code, std::string& text) override;
    bool getEnvironmentVariable(const char* name, std::string& value) override;
    bool setEnvironmentVariable(const char* name, const char* value) override;
    bool currentDirectory(std::string& path) override;
    bool changeDirectory(const char* path) override;
    std::unique_ptr<RegistryKey> openRegistryKey(RegistryRoot root, const char* path,
                                                 std::uint32_t access) override;
    bool createNamedMutex(const char* name) override;
    bool holdLockFile(const char* path) override;
    bool readAccessList(const char* path, AccessList& list) override;
    bool processUser(std::string& sid, bool& administrator) override;
    bool accountName(const char* sid, std::string& name) override;
    bool createPrivateFolder(const char* path) override;
    bool createPrivateFile(const char* path) override;
    LocalTime localTime() override;
    bool availablePhysicalMemory(std::uint64_t& bytes) override;
    void shellOpen(const char* target) override;
    FileStatus fileStatus(const char* path) override;
    std::unique_ptr<FileFind> findFirst(const char* pattern) override;
    std::unique_ptr<InputFile> openForReading(const char* path) override;
    std::unique_ptr<LogStream> openLogForAppend(const char* path) override;
    void writeStdout(std::string_view text) override;
    ModuleHandle loadLibrary(const char* path, const char* importFolder) override;
    CreateJavaVmFn findCreateJavaVm(ModuleHandle library) override;
    bool readFileBytes(const char* path, std::uint64_t offset, std::size_t count,
                       std::string& bytes) override;
    bool fileSize(const char* path, std::uint64_t& bytes) override;
    std::unique_ptr<ServiceManager> openServiceManager() override;
    bool runServiceDispatcher(const char* name, ServiceProgram& program) override;
    bool registerServiceControlHandler(const char* name) override;
    bool setServiceStatus(const ServiceStatus& status) override;
    bool registerEventSource(const char* name, const char* messageFile) override;
    bool deregisterEventSource(const char* name) override;
    void reportEvent(const char* source, const ServiceEvent& event, const char* text) override;
    bool grantModifyAccess(const char* path, GrantTarget target, const char* account) override;
    bool readSecretLine(std::string& line) override;
    void endProcess(std::uint32_t code) override;

    struct FileEntry {
        std::string path;  // as created
        bool directory = false;
        bool readOnly = false;
        std::string content;
        std::string shortName;  // the 8.3 name, where the volume made one
    };
    struct RegKeyData {
        std::map<std::string, std::string> subkeys;   // folded name -> name as created
        std::map<std::string, RegistryValue> values;  // folded name -> value
    };

  private:
    using Hive = std::map<std::string, RegKeyData>;  // folded "ROOT\path" -> key
    Hive& hive(View view) { return view == View::Bits64 && windows64 ? hive64_ : hive32_; }
    RegKeyData& makeKey(View view, RegistryRoot root, std::string_view path);
    FileEntry* entry(std::string_view path);
    const FileEntry* entry(std::string_view path) const;
    // The file at `path`; null with ERROR_FILE_NOT_FOUND for a folder or nothing there.
    const FileEntry* regularFile(std::string_view path);

    std::map<int, std::string> resources_;
    std::set<std::string> protectedFolders_;  // folded full paths
    // Whether this process may open the file at `path` for writing, by its access list, or
    // create it there when it is missing (ERROR_ACCESS_DENIED otherwise).
    bool mayWrite(std::string_view path) const;
    // The access list of a folded full path: its own, or that of a folder below Program Files.
    AccessList accessListOf(const std::string& foldedPath) const;
    std::map<std::string, AccessList> accessLists_;  // folded full paths
    int processId_;                                  // unique among the machines of a test program
    // Byte order, as std::string's, compared without memcmp: the fuzz targets' sanitizers
    // intercept every memcmp call, and the file table compares paths on every lookup.
    struct PathOrder {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const {
            const std::size_t n = a.size() < b.size() ? a.size() : b.size();
            for (std::size_t i = 0; i < n; ++i) {
                if (a[i] != b[i]) {
                    return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
                }
            }
            return a.size() < b.size();
        }
    };
    std::map<std::string, FileEntry, PathOrder> files_;  // folded full path -> entry
    std::map<std::string, std::pair<std::string, std::string>>
        environment_;  // folded -> (name, value)
    Hive hive32_;
    Hive hive64_;
    std::map<std::string, std::unique_ptr<FakeJvm>> jvms_;  // folded full path -> library
    int moduleTag_ = 0;
    std::mutex serviceMutex_;
    std::condition_variable serviceChanged_;
    std::deque<ServiceControl> pendingControls_;
    bool serviceEnded_ = false;
    bool serviceMainReturned_ = false;
    // The thread of the service's main function, which may outlive the dispatcher's return.
    std::thread serviceThread_;
    // The output log's folders and files are kept apart from the other files, under a lock of
    // their own: the relay's thread writes and rotates them while the service thread uses the
    // rest of the machine. fileContent and exists see them too.
    static std::shared_ptr<OutputStore> makeOutputStore();
    std::shared_ptr<OutputStore> output_ = makeOutputStore();
    // A copy of an output log file's content; nothing when there is no such file.
    std::optional<std::string> outputContent(std::string_view path) const;
    void joinServiceThread();
};

}  // namespace qv::testing

#endif  // QV_TESTS_LAUNCHER_FAKE_MACHINE_H
