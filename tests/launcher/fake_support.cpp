#include "fake_support.h"

#include <cctype>

namespace qv::testing {

const std::map<std::uint32_t, std::string>& systemTexts() {
    static const std::map<std::uint32_t, std::string> texts = {
        {2, "The system cannot find the file specified.\r\n"},
        {3, "The system cannot find the path specified.\r\n"},
        {5, "Access is denied.\r\n"},
        {6, "The handle is invalid.\r\n"},
        {13, "The data is invalid.\r\n"},
        {38, "Reached the end of the file.\r\n"},
        {87, "The parameter is incorrect.\r\n"},
        {122, "The data area passed to a system call is too small.\r\n"},
        {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
        {126, "The specified module could not be found.\r\n"},
        {127, "The specified procedure could not be found.\r\n"},
        {183, "Cannot create a file when that file already exists.\r\n"},
        {193, "%1 is not a valid Win32 application.\r\n"},
        {203, "The system could not find the environment option that was entered.\r\n"},
        {206, "The filename or extension is too long.\r\n"},
        {234, "More data is available.\r\n"},
        {259, "No more data is available.\r\n"},
        {1060, "The specified service does not exist as an installed service.\r\n"},
        {1062, "The service has not been started.\r\n"},
        {1063, "The service process could not connect to the service controller.\r\n"},
        {1073, "The specified service already exists.\r\n"},
        {1332, "No mapping between account names and security IDs was done.\r\n"},
    };
    return texts;
}

const char* rootName(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot:
            return "HKEY_CLASSES_ROOT";
        case RegistryRoot::CurrentUser:
            return "HKEY_CURRENT_USER";
        case RegistryRoot::LocalMachine:
            return "HKEY_LOCAL_MACHINE";
        case RegistryRoot::Users:
            return "HKEY_USERS";
        case RegistryRoot::CurrentConfig:
            return "HKEY_CURRENT_CONFIG";
    }
    return "";
}

std::string registryPath(RegistryRoot root, std::string_view path) {
    std::string full = rootName(root);
    if (!path.empty()) {
        full += '\\';
        full += path;
    }
    while (!full.empty() && full.back() == '\\') {
        full.pop_back();
    }
    return full;
}

// Windows file-name wildcards: "*" any run, "?" one character, case-insensitive; "*.*" is "*".
bool wildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") {
        pattern = "*";
    }
    std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || std::tolower(static_cast<unsigned char>(pattern[p])) ==
                                      std::tolower(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::string_view parentOf(std::string_view full) {
    std::size_t slash = full.rfind('\\');
    if (slash == std::string_view::npos) {
        return {};
    }
    if (slash == 2 && full.size() > 1 && full[1] == ':') {
        return full.substr(0, 3);  // a drive root keeps its backslash
    }
    return full.substr(0, slash);
}

std::string baseName(const std::string& full) {
    std::size_t slash = full.rfind('\\');
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

std::string foldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

bool failsIn(FakeMachine& machine, SeamCall kind) {
    if (!machine.faults.fails(kind)) {
        return false;
    }
    machine.lastErrorCode = machine.faults.failCode;
    return true;
}

// --- Failure injection --------------------------------------------------------------------------

const char* seamCallName(SeamCall kind) {
    static constexpr std::array<const char*, kSeamCallKinds> names = {
        "registry open",   "registry enumerate", "registry query",   "file open",
        "file read",       "find first",         "find next",        "environment get",
        "environment set", "current directory",  "change directory", "module file name",
        "WOW64 probe",     "library load",       "entry lookup",     "memory status",
        "mutex",           "resource load",      "file status",      "log open",
        "log write",       "file bytes",         "service manager",  "service create",
        "service open",    "service configure",  "service query",    "service stop",
        "service delete",  "event source",       "dispatcher",       "control handler",
        "status report",   "access grant",       "secret read",      "instance lock",
    };
    return names[static_cast<std::size_t>(kind)];
}

bool FaultInjector::fails(SeamCall kind) {
    int index = calls[static_cast<std::size_t>(kind)]++;
    if (failKind == kind && index == failIndex) {
        fired = true;
        return true;
    }
    return false;
}

}  // namespace qv::testing
