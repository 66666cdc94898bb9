#include "fake_support.h"

#include <thread>

namespace qv::testing {

// --- Service manager, dispatcher and event log ---------------------------------------------------

namespace {

constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
constexpr std::uint32_t kErrorServiceNotActive = 1062;
constexpr std::uint32_t kErrorServiceExists = 1073;

constexpr std::uint32_t kErrorNoneMapped = 1332;
constexpr std::uint32_t kErrorHandleEof = 38;
constexpr std::string_view kVirtualAccountPrefix = "nt service\\";

// What CreateServiceA and ChangeServiceConfigA store of a definition; a null account is
// LocalSystem.
void define(FakeMachine::Service& s, const ServiceDefinition& definition) {
    s.displayName = definition.displayName;
    s.imagePath = definition.imagePath;
    s.startType = definition.startType;
    s.account = definition.account != nullptr ? definition.account : "LocalSystem";
    s.password = definition.password != nullptr ? std::optional<std::string>(definition.password)
                                                : std::nullopt;
    s.dependencies = definition.dependencies;
}

class FakeServiceHandle : public ServiceHandle {
  public:
    FakeServiceHandle(FakeMachine& machine, std::string key) : machine_(machine), key_(key) {}

    bool setDescription(const char* text) override {
        if (fails(SeamCall::ServiceConfig)) {
            return false;
        }
        service().description = text;
        return true;
    }
    bool setDelayedAutoStart(bool delayed) override {
        if (fails(SeamCall::ServiceConfig)) {
            return false;
        }
        if (machine_.refusesDelayedStart) {
            machine_.lastErrorCode = kErrorInvalidParameter;
            return false;
        }
        service().delayedAutoStart = delayed;
        return true;
    }
    bool setPreshutdownTimeout(std::uint32_t timeoutMs) override {
        if (fails(SeamCall::ServiceConfig)) {
            return false;
        }
        service().preshutdownTimeoutMs = timeoutMs;
        return true;
    }
    bool reconfigure(const ServiceDefinition& definition) override {
        if (fails(SeamCall::ServiceConfig)) {
            return false;
        }
        define(service(), definition);
        return true;
    }
    bool queryImagePath(std::string& imagePath) override {
        if (fails(SeamCall::ServiceQuery)) {
            return false;
        }
        imagePath = service().imagePath;
        return true;
    }
    bool setRecovery(const ServiceRecovery& recovery) override {
        if (fails(SeamCall::ServiceConfig)) {
            return false;
        }
        service().recovery = recovery;
        return true;
    }
    bool setRecoveryOnNonCrashFailures() override {
        if (fails(SeamCall::ServiceConfig)) {
            return false;
        }
        if (machine_.refusesNonCrashFlag) {
            machine_.lastErrorCode = kErrorInvalidParameter;
            return false;
        }
        service().recoveryOnNonCrashFailures = true;
        return true;
    }
    bool queryState(ServiceState& state) override {
        if (fails(SeamCall::ServiceQuery)) {
            return false;
        }
        state = service().state;
        return true;
    }
    bool stop() override {
        if (fails(SeamCall::ServiceStop)) {
            return false;
        }
        FakeMachine::Service& s = service();
        if (s.state == ServiceState::Stopped) {
            machine_.lastErrorCode = kErrorServiceNotActive;
            return false;
        }
        machine_.stopsSent.push_back(s.name);
        s.state = s.stops ? ServiceState::Stopped : ServiceState::StopPending;
        return true;
    }
    bool remove() override {
        if (fails(SeamCall::ServiceDelete)) {
            return false;
        }
        machine_.services.erase(key_);
        return true;
    }

  private:
    FakeMachine::Service& service() { return machine_.services.at(key_); }
    bool fails(SeamCall kind) { return failsIn(machine_, kind); }

    FakeMachine& machine_;
    std::string key_;
};

class FakeServiceManager : public ServiceManager {
  public:
    explicit FakeServiceManager(FakeMachine& machine) : machine_(machine) {}

    std::unique_ptr<ServiceHandle> createService(const char* name,
                                                 const ServiceDefinition& definition) override {
        if (failsIn(machine_, SeamCall::ServiceCreate)) {
            return nullptr;
        }
        const std::string key = foldCase(name);
        if (machine_.services.count(key)) {
            machine_.lastErrorCode = kErrorServiceExists;
            return nullptr;
        }
        FakeMachine::Service service;
        service.name = name;
        define(service, definition);
        machine_.services[key] = service;
        return std::make_unique<FakeServiceHandle>(machine_, key);
    }

    std::unique_ptr<ServiceHandle> openService(const char* name) override {
        if (failsIn(machine_, SeamCall::ServiceOpen)) {
            return nullptr;
        }
        const std::string key = foldCase(name);
        if (!machine_.services.count(key)) {
            machine_.lastErrorCode = kErrorServiceDoesNotExist;
            return nullptr;
        }
        return std::make_unique<FakeServiceHandle>(machine_, key);
    }

  private:
    FakeMachine& machine_;
};

}  // namespace

std::unique_ptr<ServiceManager> FakeMachine::openServiceManager() {
    if (failsIn(*this, SeamCall::ServiceManagerOpen)) {
        return nullptr;
    }
    if (!administrator) {
        lastErrorCode = kErrorAccessDenied;
        return nullptr;
    }
    return std::make_unique<FakeServiceManager>(*this);
}

// Like the real dispatcher: the service's main function runs on a thread of its own while this
// thread hands it the controls, and it returns as soon as the service has reported stopped (or
// the process was ended), whether or not the main function and the service's other threads are
// done. Windows documents it so for StartServiceCtrlDispatcher: it "does not return until all
// running services in the process have entered the SERVICE_STOPPED state", and the process then
// goes on (typically to its end) while the service's threads may still run. The fake machine
// keeps the main function's thread and joins it when it goes (a process would end it).
// Unlike the real dispatcher, it also returns when the main function returns without a stopped
// report (a status report or the control handler that failed), where the real dispatcher would
// wait for ever: a test must end.
bool FakeMachine::runServiceDispatcher(const char* name, ServiceProgram& program) {
    if (failsIn(*this, SeamCall::Dispatcher)) {
        return false;
    }
    if (!startedAsService) {
        lastErrorCode = kErrorNotStartedAsService;
        return false;
    }
    (void)name;
    joinServiceThread();
    serviceThread_ = std::thread([this, &program] {
        program.serviceMain();
        std::lock_guard<std::mutex> lock(serviceMutex_);
        serviceMainReturned_ = true;
        serviceChanged_.notify_all();
    });
    std::unique_lock<std::mutex> lock(serviceMutex_);
    for (;;) {
        serviceChanged_.wait(lock, [this] {
            return serviceEnded_ || serviceMainReturned_ || !pendingControls_.empty();
        });
        if (serviceEnded_ || pendingControls_.empty()) {
            break;  // no control reaches a service that has stopped
        }
        const ServiceControl control = pendingControls_.front();
        pendingControls_.pop_front();
        lock.unlock();
        const std::uint32_t result = program.control(control);
        lock.lock();
        controlResults.push_back(result);
        serviceChanged_.notify_all();
    }
    return true;
}

void FakeMachine::joinServiceThread() {
    if (serviceThread_.joinable()) {
        serviceThread_.join();
    }
}

void FakeMachine::sendControl(ServiceControl control) {
    std::lock_guard<std::mutex> lock(serviceMutex_);
    pendingControls_.push_back(control);
    serviceChanged_.notify_all();
}

void FakeMachine::waitForControls(std::size_t count) {
    std::unique_lock<std::mutex> lock(serviceMutex_);
    serviceChanged_.wait(lock, [&] { return controlResults.size() >= count; });
}

void FakeMachine::waitForProcessEnd() {
    std::unique_lock<std::mutex> lock(serviceMutex_);
    serviceChanged_.wait(lock, [&] { return !processEnds.empty(); });
}

bool FakeMachine::registerServiceControlHandler(const char* name) {
    std::lock_guard<std::mutex> lock(serviceMutex_);
    if (failsIn(*this, SeamCall::ControlHandler)) {
        return false;
    }
    controlHandlers.emplace_back(name);
    return true;
}

bool FakeMachine::setServiceStatus(const ServiceStatus& status) {
    std::lock_guard<std::mutex> lock(serviceMutex_);
    if (failsIn(*this, SeamCall::StatusReport)) {
        return false;
    }
    const bool firstOfState =
        std::none_of(statuses.begin(), statuses.end(),
                     [&](const ServiceStatus& s) { return s.state == status.state; });
    statuses.push_back(status);
    if (firstOfState) {
        for (const auto& [state, control] : controlsOnState) {
            if (state == status.state) {
                pendingControls_.push_back(control);
            }
        }
    }
    if (status.state == ServiceState::Stopped) {
        serviceEnded_ = true;
    }
    serviceChanged_.notify_all();
    return true;
}

bool FakeMachine::registerEventSource(const char* name, const char* messageFile) {
    if (failsIn(*this, SeamCall::EventSource)) {
        return false;
    }
    if (!administrator) {
        lastErrorCode = kErrorAccessDenied;
        return false;
    }
    eventSources.insert(name);
    eventMessageFiles[name] = messageFile;
    return true;
}

bool FakeMachine::deregisterEventSource(const char* name) {
    if (failsIn(*this, SeamCall::EventSource)) {
        return false;
    }
    if (!administrator) {
        lastErrorCode = kErrorAccessDenied;
        return false;
    }
    eventSources.erase(name);
    eventMessageFiles.erase(name);
    return true;
}

void FakeMachine::reportEvent(const char* source, const ServiceEvent& event, const char* text) {
    std::lock_guard<std::mutex> lock(serviceMutex_);
    events.push_back(std::string(source) + ": " + text);
    eventKinds.push_back(event);
}

// Like Windows: the place is made where it is missing, then the account's SID is looked up. A
// virtual account "NT SERVICE\<name>" exists only while a service of that name is installed
// (Windows: "Service Accounts", virtual accounts are managed by the service control manager).
bool FakeMachine::grantModifyAccess(const char* path, GrantTarget target, const char* account) {
    if (failsIn(*this, SeamCall::AccessGrant)) {
        return false;
    }
    if (!exists(path)) {
        if (target == GrantTarget::Folder) {
            addDirectory(path);
        } else {
            addFile(path);
        }
    }
    const std::string folded = foldCase(account);
    const bool virtualAccount = folded.rfind(kVirtualAccountPrefix, 0) == 0;
    if (unknownAccounts.count(folded) ||
        (virtualAccount && !services.count(folded.substr(kVirtualAccountPrefix.size())))) {
        lastErrorCode = kErrorNoneMapped;
        return false;
    }
    grants.push_back(Grant{path, target, account});
    // SetEntriesInAclA with GRANT_ACCESS adds the account's entry to the list the path has.
    const std::string key = foldCase(fullPath(path));
    AccessList list = accessListOf(key);
    list.entries.push_back(AccessEntry{true, false, kModify, sidOfAccount(account)});
    accessLists_[key] = std::move(list);
    return true;
}

// The line end the user typed is not shown: the real seam writes it.
bool FakeMachine::readSecretLine(std::string& line) {
    if (failsIn(*this, SeamCall::SecretRead)) {
        return false;
    }
    stdoutText += "\n";
    if (stdinLines.empty()) {
        lastErrorCode = kErrorHandleEof;
        return false;
    }
    line = stdinLines.front();
    stdinLines.pop_front();
    return true;
}

// The process ends: every JVM main that still blocks is let go, so that the test's threads end.
void FakeMachine::endProcess(std::uint32_t code) {
    {
        std::lock_guard<std::mutex> lock(serviceMutex_);
        processEnds.push_back(code);
        serviceEnded_ = true;
        serviceChanged_.notify_all();
    }
    for (auto& [path, jvm] : jvms_) {
        jvm->releaseMain();
    }
}

}  // namespace qv::testing
