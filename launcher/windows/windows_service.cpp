// The seam's service members on the service control manager, the service dispatcher and the
// event log of Windows.
#include "windows_os.h"

#include "windows_handles.h"

#include <atomic>
#include <string>
#include <vector>

namespace qv {
namespace {

constexpr char kEventLogKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";
constexpr char kTypesSupportedValue[] = "TypesSupported";
constexpr char kEventMessageFileValue[] = "EventMessageFile";
constexpr DWORD kTypesSupported =
    EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
constexpr DWORD kAcceptedControls =
    SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PRESHUTDOWN;

// The account of an own-process service that CreateServiceA gives one without an account.
constexpr char kLocalSystem[] = "LocalSystem";

DWORD startTypeOf(ServiceStartType startType) {
    return startType == ServiceStartType::Manual ? SERVICE_DEMAND_START : SERVICE_AUTO_START;
}

// The dependencies as the service manager takes them: each name with its NUL, and one NUL more
// at the end (so an empty list is the two NULs that clear it).
std::string dependencyListOf(const std::vector<std::string>& dependencies) {
    std::string list;
    for (const std::string& name : dependencies) {
        list.append(name).push_back('\0');
    }
    list.push_back('\0');
    list.push_back('\0');
    return list;
}

// The one service of this process: what the dispatcher runs and where its status goes. The
// dispatcher calls plain functions without a context of their own, so both live here.
std::atomic<ServiceProgram*> gProgram{nullptr};
std::atomic<SERVICE_STATUS_HANDLE> gStatusHandle{nullptr};

void WINAPI serviceMainEntry(DWORD, LPSTR*) {
    if (ServiceProgram* program = gProgram.load()) {
        program->serviceMain();
    }
}

DWORD WINAPI controlHandler(DWORD control, DWORD, LPVOID, LPVOID) {
    ServiceProgram* program = gProgram.load();
    if (program == nullptr) {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    switch (control) {
        case SERVICE_CONTROL_STOP:
            return program->control(ServiceControl::Stop);
        case SERVICE_CONTROL_SHUTDOWN:
            return program->control(ServiceControl::Shutdown);
        case SERVICE_CONTROL_PRESHUTDOWN:
            return program->control(ServiceControl::Preshutdown);
        case SERVICE_CONTROL_INTERROGATE:
            return program->control(ServiceControl::Interrogate);
        default:
            return program->control(ServiceControl::Other);
    }
}

// Closes a service control manager handle; a failed close leaves the last error of the call
// that mattered.
BOOL closeKeepingLastError(SC_HANDLE handle) {
    const DWORD kept = GetLastError();
    const BOOL closed = CloseServiceHandle(handle);
    SetLastError(kept);
    return closed;
}
using ScHandle =
    windows::UniqueHandle<SC_HANDLE, decltype(&closeKeepingLastError), &closeKeepingLastError>;
using EventSourceOwner =
    windows::UniqueHandle<HANDLE, decltype(&DeregisterEventSource), &DeregisterEventSource>;

class WindowsService final : public ServiceHandle {
  public:
    explicit WindowsService(SC_HANDLE handle) : handle_(handle) {}

    bool setDescription(const char* text) override {
        SERVICE_DESCRIPTIONA description{};
        std::string copy(text);
        description.lpDescription = copy.data();
        return ChangeServiceConfig2A(handle_.get(), SERVICE_CONFIG_DESCRIPTION, &description) !=
               FALSE;
    }

    bool setDelayedAutoStart(bool delayed) override {
        SERVICE_DELAYED_AUTO_START_INFO info{};
        info.fDelayedAutostart = delayed ? TRUE : FALSE;
        return ChangeServiceConfig2A(handle_.get(), SERVICE_CONFIG_DELAYED_AUTO_START_INFO,
                                     &info) != FALSE;
    }

    bool setRecovery(const ServiceRecovery& recovery) override {
        std::vector<SC_ACTION> actions(recovery.restartCount);
        for (SC_ACTION& action : actions) {
            action.Type = SC_ACTION_RESTART;
            action.Delay = recovery.restartDelayMs;
        }
        SERVICE_FAILURE_ACTIONSA failure{};
        failure.dwResetPeriod = recovery.resetPeriodSeconds;
        failure.cActions = static_cast<DWORD>(actions.size());
        failure.lpsaActions = actions.empty() ? nullptr : actions.data();
        return ChangeServiceConfig2A(handle_.get(), SERVICE_CONFIG_FAILURE_ACTIONS, &failure) !=
               FALSE;
    }

    bool setRecoveryOnNonCrashFailures() override {
        SERVICE_FAILURE_ACTIONS_FLAG flag{};
        flag.fFailureActionsOnNonCrashFailures = TRUE;
        return ChangeServiceConfig2A(handle_.get(), SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag) !=
               FALSE;
    }

    bool setPreshutdownTimeout(std::uint32_t timeoutMs) override {
        SERVICE_PRESHUTDOWN_INFO info{};
        info.dwPreshutdownTimeout = timeoutMs;
        return ChangeServiceConfig2A(handle_.get(), SERVICE_CONFIG_PRESHUTDOWN_INFO, &info) !=
               FALSE;
    }

    bool reconfigure(const ServiceDefinition& definition) override {
        // An empty list (its two NULs) clears the dependencies; an empty group leaves none.
        const std::string dependencies = dependencyListOf(definition.dependencies);
        // LocalSystem is named, since a null account leaves the account as it is; its password
        // is the empty text.
        const bool localSystem = definition.account == nullptr;
        return ChangeServiceConfigA(
                   handle_.get(), SERVICE_WIN32_OWN_PROCESS, startTypeOf(definition.startType),
                   SERVICE_ERROR_NORMAL, definition.imagePath, "", nullptr, dependencies.data(),
                   localSystem ? kLocalSystem : definition.account,
                   localSystem ? "" : definition.password, definition.displayName) != FALSE;
    }

    bool queryImagePath(std::string& imagePath) override {
        DWORD needed = 0;
        if (!QueryServiceConfigA(handle_.get(), nullptr, 0, &needed) &&
            GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return false;
        }
        // QUERY_SERVICE_CONFIGA and the texts it points to, in one buffer aligned for it.
        std::vector<QUERY_SERVICE_CONFIGA> buffer(needed / sizeof(QUERY_SERVICE_CONFIGA) + 1);
        const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(QUERY_SERVICE_CONFIGA));
        if (!QueryServiceConfigA(handle_.get(), buffer.data(), size, &needed)) {
            return false;
        }
        imagePath = buffer[0].lpBinaryPathName != nullptr ? buffer[0].lpBinaryPathName : "";
        return true;
    }

    bool queryState(ServiceState& state) override {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(handle_.get(), &status)) {
            return false;
        }
        state = static_cast<ServiceState>(status.dwCurrentState);
        return true;
    }

    bool stop() override {
        SERVICE_STATUS status{};
        return ControlService(handle_.get(), SERVICE_CONTROL_STOP, &status) != FALSE;
    }

    bool remove() override { return DeleteService(handle_.get()) != FALSE; }

  private:
    ScHandle handle_;
};

class WindowsServiceManager final : public ServiceManager {
  public:
    explicit WindowsServiceManager(SC_HANDLE handle) : handle_(handle) {}

    std::unique_ptr<ServiceHandle> createService(const char* name,
                                                 const ServiceDefinition& definition) override {
        const std::string dependencies = dependencyListOf(definition.dependencies);
        SC_HANDLE service =
            CreateServiceA(handle_.get(), name, definition.displayName, SERVICE_ALL_ACCESS,
                           SERVICE_WIN32_OWN_PROCESS, startTypeOf(definition.startType),
                           SERVICE_ERROR_NORMAL, definition.imagePath, nullptr, nullptr,
                           definition.dependencies.empty() ? nullptr : dependencies.data(),
                           definition.account, definition.password);
        if (service == nullptr) {
            return nullptr;
        }
        return std::make_unique<WindowsService>(service);
    }

    std::unique_ptr<ServiceHandle> openService(const char* name) override {
        SC_HANDLE service = OpenServiceA(handle_.get(), name, SERVICE_ALL_ACCESS);
        if (service == nullptr) {
            return nullptr;
        }
        return std::make_unique<WindowsService>(service);
    }

  private:
    ScHandle handle_;
};

}  // namespace

std::unique_ptr<ServiceManager> WindowsOs::openServiceManager() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) {
        return nullptr;
    }
    return std::make_unique<WindowsServiceManager>(manager);
}

bool WindowsOs::runServiceDispatcher(const char* name, ServiceProgram& program) {
    std::string serviceName(name);
    SERVICE_TABLE_ENTRYA table[] = {{serviceName.data(), serviceMainEntry}, {nullptr, nullptr}};
    gProgram.store(&program);
    const BOOL ran = StartServiceCtrlDispatcherA(table);
    const DWORD error = GetLastError();
    gProgram.store(nullptr);
    SetLastError(error);
    return ran != FALSE;
}

bool WindowsOs::registerServiceControlHandler(const char* name) {
    SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerExA(name, controlHandler, nullptr);
    gStatusHandle.store(handle);
    return handle != nullptr;
}

bool WindowsOs::setServiceStatus(const ServiceStatus& status) {
    SERVICE_STATUS report{};
    report.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    report.dwCurrentState = static_cast<DWORD>(status.state);
    report.dwControlsAccepted = status.acceptsStop ? kAcceptedControls : 0;
    report.dwWin32ExitCode = status.win32ExitCode;
    report.dwServiceSpecificExitCode = status.serviceExitCode;
    report.dwCheckPoint = status.checkPoint;
    report.dwWaitHint = status.waitHintMs;
    return SetServiceStatus(gStatusHandle.load(), &report) != FALSE;
}

bool WindowsOs::registerEventSource(const char* name, const char* messageFile) {
    const std::string path = std::string(kEventLogKey) + name;
    windows::RegistryKeyOwner key;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, key.receiver(), nullptr);
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    const DWORD types = kTypesSupported;
    rc = RegSetValueExA(key.get(), kTypesSupportedValue, 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&types), sizeof(types));
    if (rc == ERROR_SUCCESS) {
        const std::string file(messageFile);
        rc = RegSetValueExA(key.get(), kEventMessageFileValue, 0, REG_EXPAND_SZ,
                            reinterpret_cast<const BYTE*>(file.c_str()),
                            static_cast<DWORD>(file.size() + 1));
    }
    key.reset();
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    return true;
}

bool WindowsOs::deregisterEventSource(const char* name) {
    const std::string path = std::string(kEventLogKey) + name;
    const LONG rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    return true;
}

void WindowsOs::reportEvent(const char* source, const ServiceEvent& event, const char* text) {
    const DWORD kept = GetLastError();
    if (EventSourceOwner log{RegisterEventSourceA(nullptr, source)}) {
        LPCSTR strings[] = {text};
        const WORD type =
            event.type == EventType::Warning ? EVENTLOG_WARNING_TYPE : EVENTLOG_ERROR_TYPE;
        ReportEventA(log.get(), type, 0, event.id, nullptr, 1, 0, strings, nullptr);
    }
    SetLastError(kept);
}

void WindowsOs::endProcess(std::uint32_t code) {
    ExitProcess(code);
}

}  // namespace qv
