#include "fake_support.h"

#include <algorithm>
#include <atomic>

namespace qv::testing {

// --- FakeMachine --------------------------------------------------------------------------------

namespace {
std::atomic<int> machinesMade{0};
}  // namespace

FakeMachine::FakeMachine() : processId_(++machinesMade) {
    accountNames = {
        {"S-1-1-0", "Everyone"},
        {"S-1-5-11", "NT AUTHORITY\\Authenticated Users"},
        {"S-1-5-18", "NT AUTHORITY\\SYSTEM"},
        {"S-1-5-32-544", "BUILTIN\\Administrators"},
        {"S-1-5-32-545", "BUILTIN\\Users"},
        {"S-1-3-0", "CREATOR OWNER"},
    };
    addDirectory("C:\\app");
    addDirectory(cwd);
    // As on every Windows since Vista: the program data folder and its variable.
    addDirectory("C:\\ProgramData");
    setVariable("ProgramData", "C:\\ProgramData");
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
    if (moduleNameOutsideCodePage) {
        lastErrorCode = kErrorNoUnicodeTranslation;
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
    lastErrorCode =
        mutexes->insert(mutexObjectName(n)).second ? kErrorSuccess : kErrorAlreadyExists;
    return true;
}

std::string FakeMachine::mutexObjectName(std::string_view name) const {
    constexpr std::string_view kGlobal = "Global\\";
    constexpr std::string_view kLocal = "Local\\";
    bool global = session == 0;
    if (name.substr(0, kGlobal.size()) == kGlobal) {
        name.remove_prefix(kGlobal.size());
        global = true;
    } else if (name.substr(0, kLocal.size()) == kLocal) {
        name.remove_prefix(kLocal.size());
    }
    if (global) {
        return "\\BaseNamedObjects\\" + std::string(name);
    }
    return "\\Sessions\\" + std::to_string(session) + "\\BaseNamedObjects\\" + std::string(name);
}

void FakeMachine::protectFolder(std::string_view path) {
    protectedFolders_.insert(foldCase(fullPath(path)));
}

void FakeMachine::setAccessList(std::string_view path, AccessList list) {
    accessLists_[foldCase(fullPath(path))] = std::move(list);
}

bool FakeMachine::readAccessList(const char* path, AccessList& list) {
    const std::string key = foldCase(fullPath(path));
    if (!exists(path)) {
        lastErrorCode = kErrorFileNotFound;
        return false;
    }
    if (unreadableAccessLists.count(key) != 0) {
        lastErrorCode = kErrorAccessDenied;
        return false;
    }
    list = accessListOf(key);
    return true;
}

AccessList FakeMachine::accessListOf(const std::string& foldedPath) const {
    const auto own = accessLists_.find(foldedPath);
    if (own != accessLists_.end()) {
        return own->second;
    }
    return AccessList{"S-1-5-32-544",
                      true,
                      {{true, false, kFullControl, "S-1-5-18"},
                       {true, false, kFullControl, "S-1-5-32-544"},
                       {true, false, kFullControl,
                        "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"},
                       {true, false, kReadAndExecute, "S-1-5-32-545"}}};
}

// Windows grants an administrator every right the lists below give Administrators; any other
// process opens a file for writing only when the file's list allows its user to write, and
// creates one only in a folder that lets it add files ("File Security and Access Rights" in the
// Windows documentation). A file without a list of its own has its folder's: below Program Files
// (a protected folder) only read and execute for Users.
bool FakeMachine::mayWrite(std::string_view path) const {
    if (administrator) {
        return true;
    }
    const std::string full = fullPath(path);
    const std::string folded = foldCase(full);
    if (entry(full) == nullptr || accessLists_.count(folded) == 0) {
        return protectedFolders_.count(std::string(parentOf(folded))) == 0;
    }
    const AccessList list = accessListOf(folded);
    return std::any_of(list.entries.begin(), list.entries.end(), [this](const AccessEntry& e) {
        return e.allow && !e.inheritOnly && e.sid == processUserSid && (e.mask & kWriteRights) != 0;
    });
}

std::string FakeMachine::sidOfAccount(std::string_view account) const {
    if (account.rfind("S-", 0) == 0) {
        return std::string(account);
    }
    const auto found = accountSids.find(foldCase(account));
    return found == accountSids.end() ? std::string(account) : found->second;
}

bool FakeMachine::processUser(std::string& sid, bool& isAdministrator) {
    sid = processUserSid;
    isAdministrator = administrator;
    return true;
}

bool FakeMachine::createPrivateFolder(const char* path) {
    const std::string full = fullPath(path);
    const std::size_t slash = full.rfind('\\');
    const FileEntry* parent = entry(full.substr(0, slash == std::string::npos ? 0 : slash));
    if (parent == nullptr || !parent->directory) {
        lastErrorCode = kErrorPathNotFound;
        return false;
    }
    if (!administrator) {
        lastErrorCode = kErrorAccessDenied;
        return false;
    }
    const FileEntry* there = entry(full);
    if (there != nullptr && !there->directory) {
        lastErrorCode = kErrorAlreadyExists;
        return false;
    }
    if (there == nullptr) {
        addDirectory(full);
    }
    setAccessList(full, privateAccessList());
    privateFolders.push_back(path);
    return true;
}

bool FakeMachine::createPrivateFile(const char* path) {
    const std::string full = fullPath(path);
    const FileEntry* parent = entry(parentOf(full));
    if (parent == nullptr || !parent->directory) {
        lastErrorCode = kErrorPathNotFound;
        return false;
    }
    // Only an administrator may make Administrators the owner of a file that is there.
    const FileEntry* there = entry(full);
    if (!administrator || (there != nullptr && there->directory)) {
        lastErrorCode = kErrorAccessDenied;
        return false;
    }
    if (there == nullptr) {
        addFile(full);
    }
    setAccessList(full, privateAccessList());
    privateFiles.push_back(path);
    return true;
}

bool FakeMachine::accountName(const char* sid, std::string& name) {
    const auto found = accountNames.find(sid);
    if (found == accountNames.end()) {
        return false;
    }
    name = found->second;
    return true;
}

bool FakeMachine::holdLockFile(const char* path) {
    if (failsIn(*this, SeamCall::InstanceLock)) {
        return false;
    }
    const std::string full = fullPath(path);
    const std::size_t slash = full.rfind('\\');
    const std::string folder = foldCase(full.substr(0, slash == std::string::npos ? 0 : slash));
    const FileEntry* parent = entry(folder);
    if (parent == nullptr || !parent->directory) {
        lastErrorCode = kErrorPathNotFound;
        return false;
    }
    // CreateFile checks the access list before the sharing: a process that the lock's list
    // (Administrators, SYSTEM, and the account the install added) does not let write is refused
    // whether or not the file is held. A held lock is there, with the list of its creator.
    const std::string key = foldCase(full);
    const auto held = heldLocks->find(key);
    const bool there = entry(full) != nullptr || held != heldLocks->end();
    const bool allowed =
        entry(full) != nullptr ? mayWrite(full) : administrator || (!there && mayWrite(full));
    if (!allowed) {
        lastErrorCode = kErrorAccessDenied;
        return false;
    }
    if (held != heldLocks->end() && held->second != processId_) {
        lastErrorCode = kErrorSharingViolation;
        return false;
    }
    (*heldLocks)[key] = processId_;
    locksTaken.push_back(path);
    lastErrorCode = kErrorSuccess;
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
