#include "fake_support.h"

#include <algorithm>

namespace qv::testing {

// --- FakeMachine --------------------------------------------------------------------------------

FakeMachine::FakeMachine() {
    addDirectory("C:\\app");
    addDirectory(cwd);
    addFile("C:\\app\\QuorvexService.exe", "MZ");
}

FakeMachine::~FakeMachine() {
    joinServiceThread();
}

void FakeMachine::setConfig(int id, std::string_view text) {
    resources_[id] = std::string(text) + '\0';
}
void FakeMachine::setRawResource(int id, std::string bytes) {
    resources_[id] = std::move(bytes);
}
void FakeMachine::removeConfig(int id) {
    resources_.erase(id);
}

void FakeMachine::setVariable(std::string_view name, std::string_view value) {
    environment_[foldCase(name)] = {std::string(name), std::string(value)};
}
void FakeMachine::unsetVariable(std::string_view name) {
    environment_.erase(foldCase(name));
}
std::optional<std::string> FakeMachine::variable(std::string_view name) const {
    auto it = environment_.find(foldCase(name));
    if (it == environment_.end()) {
        return std::nullopt;
    }
    return it->second.second;
}

// --- Os -----------------------------------------------------------------------------------------

std::string FakeMachine::commandLine() {
    return commandLineText;
}

ModuleHandle FakeMachine::programModule() {
    return hasModule ? &moduleTag_ : nullptr;
}

bool FakeMachine::moduleFileName(ModuleHandle module, std::string& path) {
    if (failsIn(*this, SeamCall::ModuleFileName)) {
        return false;
    }
    if (module != &moduleTag_ || !moduleName) {
        lastErrorCode = kErrorInvalidHandle;
        return false;
    }
    path = *moduleName;
    return true;
}

bool FakeMachine::queryWow64(bool& isWow64) {
    if (failsIn(*this, SeamCall::Wow64Probe)) {
        return false;
    }
    if (!hasIsWow64Process) {
        lastErrorCode = kErrorProcNotFound;
        return false;
    }
    isWow64 = windows64;
    return true;
}

ResourceData FakeMachine::findRcData(ModuleHandle module, int id) {
    auto it = resources_.find(id);
    if (module != &moduleTag_ || it == resources_.end()) {
        lastErrorCode = 1814;  // ERROR_RESOURCE_NAME_NOT_FOUND
        return {ResourceStatus::NotFound, nullptr, 0};
    }
    if (unloadableResources.count(id)) {
        return {ResourceStatus::NotLoaded, nullptr, 0};
    }
    if (failsIn(*this, SeamCall::ResourceLoad)) {  // LoadResource sets the last error
        return {ResourceStatus::NotLoaded, nullptr, 0};
    }
    return {ResourceStatus::Found, it->second.data(), it->second.size()};
}

std::uint32_t FakeMachine::lastError() {
    return lastErrorCode;
}
void FakeMachine::setLastError(std::uint32_t code) {
    lastErrorCode = code;
}

bool FakeMachine::systemMessage(std::uint32_t code, std::string& text) {
    auto it = systemTexts().find(code);
    if (it == systemTexts().end() || codesWithoutText.count(code)) {
        return false;
    }
    text = it->second;
    return true;
}

bool FakeMachine::getEnvironmentVariable(const char* name, std::string& value) {
    if (failsIn(*this, SeamCall::GetVariable)) {
        return false;
    }
    std::optional<std::string> found = variable(name);
    if (!found) {
        lastErrorCode = kErrorEnvvarNotFound;
        return false;
    }
    value = *found;
    return true;
}

bool FakeMachine::setEnvironmentVariable(const char* name, const char* value) {
    if (failsIn(*this, SeamCall::SetVariable)) {
        return false;
    }
    std::string_view n(name);
    if (n.empty() || n.find('=') != std::string_view::npos) {
        lastErrorCode = kErrorInvalidName;
        return false;
    }
    if (refusedVariables.count(foldCase(n))) {
        lastErrorCode = kErrorAccessDenied;
        return false;
    }
    if (std::string_view(value).size() > kMaxVariableValueChars) {
        lastErrorCode = kErrorInvalidParameter;
        return false;
    }
    auto it = environment_.find(foldCase(n));
    environment_[foldCase(n)] = {it == environment_.end() ? std::string(n) : it->second.first,
                                 value};
    return true;
}

bool FakeMachine::currentDirectory(std::string& path) {
    if (failsIn(*this, SeamCall::CurrentDirectory)) {
        return false;
    }
    path = cwd;
    return true;
}

bool FakeMachine::changeDirectory(const char* path) {
    if (failsIn(*this, SeamCall::ChangeDirectory)) {
        return false;
    }
    FileEntry* dir = entry(path);
    if (dir == nullptr || !dir->directory) {
        lastErrorCode = kErrorFileNotFound;
        return false;
    }
    cwd = dir->path;
    return true;
}

bool FakeMachine::createNamedMutex(const char* name) {
    if (failsIn(*this, SeamCall::Mutex)) {
        return false;
    }
    std::string n(name);
    std::string local = n;
    for (const char* prefix : {"Global\\", "Local\\"}) {
        if (local.rfind(prefix, 0) == 0) {
            local = local.substr(std::string(prefix).size());
        }
    }
    if (local.find('\\') != std::string::npos) {
        lastErrorCode = kErrorPathNotFound;
        return false;
    }
    mutexesCreated.push_back(n);
    lastErrorCode = mutexes->insert(n).second ? kErrorSuccess : kErrorAlreadyExists;
    return true;
}

LocalTime FakeMachine::localTime() {
    return clock;
}

bool FakeMachine::availablePhysicalMemory(std::uint64_t& bytes) {
    if (faults.fails(SeamCall::MemoryStatus) || !availableMemory) {
        return false;
    }
    bytes = *availableMemory;
    return true;
}

void FakeMachine::shellOpen(const char* target) {
    shellOpened.emplace_back(target);
}

}  // namespace qv::testing
