// The fake machine's failure injection: every seam call that can fail, counted by kind, and the
// one call to fail.
#ifndef QV_TESTS_LAUNCHER_FAULT_INJECTOR_H
#define QV_TESTS_LAUNCHER_FAULT_INJECTOR_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace qv::testing {

// The seam calls that can fail, by kind, for the failure injection of FaultInjector.
enum class SeamCall {
    RegistryOpen,        // openRegistryKey
    RegistryEnum,        // RegistryKey::enumSubkey
    RegistryQuery,       // RegistryKey::queryValue and valueSize
    FileOpen,            // openForReading
    FileRead,            // InputFile::read
    FindFirst,           // findFirst
    FindNext,            // FileFind::next
    GetVariable,         // getEnvironmentVariable
    SetVariable,         // setEnvironmentVariable
    CurrentDirectory,    // currentDirectory
    ChangeDirectory,     // changeDirectory
    ModuleFileName,      // moduleFileName
    Wow64Probe,          // queryWow64
    LibraryLoad,         // loadLibrary
    EntryLookup,         // findCreateJavaVm
    MemoryStatus,        // availablePhysicalMemory
    Mutex,               // createNamedMutex
    ResourceLoad,        // findRcData: found, but LoadResource fails
    FileQuery,           // fileStatus
    LogOpen,             // openLogForAppend
    LogWrite,            // LogStream::write (the text is lost)
    FileBytes,           // readFileBytes and fileSize
    ServiceManagerOpen,  // openServiceManager
    ServiceCreate,       // ServiceManager::createService
    ServiceOpen,         // ServiceManager::openService
    ServiceConfig,       // the ServiceHandle::set... members and reconfigure
                         // (ChangeServiceConfig2A, ChangeServiceConfigA)
    ServiceQuery,        // ServiceHandle::queryState and queryImagePath
    ServiceStop,         // ServiceHandle::stop
    ServiceDelete,       // ServiceHandle::remove
    EventSource,         // registerEventSource and deregisterEventSource
    Dispatcher,          // runServiceDispatcher
    ControlHandler,      // registerServiceControlHandler
    StatusReport,        // setServiceStatus
    AccessGrant,         // grantModifyAccess
    SecretRead,          // readSecretLine
    InstanceLock,        // holdLockFile
};
inline constexpr std::size_t kSeamCallKinds = static_cast<std::size_t>(SeamCall::InstanceLock) + 1;
const char* seamCallName(SeamCall kind);

// Counts the seam calls of each kind and, when told to, makes exactly one of them fail: the call
// of kind `failKind` whose 0-based index is `failIndex` fails as the system would, with
// `failCode` as the last error where the call sets one. Off by default: nothing fails.
struct FaultInjector {
    std::array<int, kSeamCallKinds> calls{};
    std::optional<SeamCall> failKind;
    int failIndex = 0;
    std::uint32_t failCode = 5;  // ERROR_ACCESS_DENIED
    bool fired = false;

    // Counts a call of `kind`; true when this is the one to fail.
    bool fails(SeamCall kind);
    int count(SeamCall kind) const { return calls[static_cast<std::size_t>(kind)]; }
};

}  // namespace qv::testing

#endif  // QV_TESTS_LAUNCHER_FAULT_INJECTOR_H
