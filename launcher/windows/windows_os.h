// The launcher's seam (os.h) on the real Windows API and the C runtime.
#ifndef QV_LAUNCHER_WINDOWS_OS_H
#define QV_LAUNCHER_WINDOWS_OS_H

#include "os.h"

namespace qv {

class WindowsOs final : public Os {
  public:
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

    // The service's output log (windows_output.cpp).
    std::unique_ptr<OutputPipe> redirectStandardOutput(std::size_t bufferBytes) override;
    bool createFolder(const char* path) override;
    std::unique_ptr<OutputFile> openOutputFile(const char* path) override;
    bool moveFile(const char* from, const char* to) override;
    bool deleteFile(const char* path) override;

    void writeStdout(std::string_view text) override;
    bool readSecretLine(std::string& line) override;

    // Rights of service accounts (windows_access.cpp).
    bool grantModifyAccess(const char* path, GrantTarget target, const char* account) override;

    ModuleHandle loadLibrary(const char* path, const char* importFolder) override;
    CreateJavaVmFn findCreateJavaVm(ModuleHandle library) override;

    bool readFileBytes(const char* path, std::uint64_t offset, std::size_t count,
                       std::string& bytes) override;
    bool fileSize(const char* path, std::uint64_t& bytes) override;

    // Windows service (windows_service.cpp).
    std::unique_ptr<ServiceManager> openServiceManager() override;
    bool runServiceDispatcher(const char* name, ServiceProgram& program) override;
    bool registerServiceControlHandler(const char* name) override;
    bool setServiceStatus(const ServiceStatus& status) override;
    bool registerEventSource(const char* name, const char* messageFile) override;
    bool deregisterEventSource(const char* name) override;
    void reportEvent(const char* source, const ServiceEvent& event, const char* text) override;
    void endProcess(std::uint32_t code) override;

    // Takes the current directory out of the order in which this process finds the DLLs it loads
    // by name, the other places (program directory, system directories, Path) staying as they
    // are: the JVM library is loaded by its full path, and the DLLs it imports are found through
    // Path, which the launcher extends with the runtime's bin. Called once, before anything is
    // loaded; leaves the last error as it was. False when the order could not be changed.
    bool removeCurrentDirectoryFromDllSearch();
};

}  // namespace qv

#endif  // QV_LAUNCHER_WINDOWS_OS_H
