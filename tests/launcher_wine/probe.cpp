// Test helper: what Windows itself says, for comparing with what the launcher shows.
//   probe sysmsg CODE   the system's text for an error code, byte for byte
//   probe env NAME      the value of an environment variable (exit code 1 when it is not set)
//   probe service NAME  what the service manager holds for a service, one "key: value" line each
//                       (QueryServiceConfigA with the dependencies, QueryServiceConfig2A with the
//                       preshutdown timeout, QueryServiceStatus); exit
//                       code 1 when it cannot be opened
//   probe access PATH   the allowing entries of a file's DACL (GetNamedSecurityInfoA), one a
//                       line: "allow SID MASK FLAGS" (mask and ACE flags in hex); exit code 1 when
//                       it cannot be read
//   probe cycle NAME SETTLE_MS  one start/stop cycle of a service: StartService, RUNNING awaited,
//                       SETTLE_MS more, then ControlService(STOP) and STOPPED awaited, polling
//                       every millisecond or so; prints "stop_ms=N win32=N service=N" (the time
//                       from the stop request to the STOPPED status); exit code 1 when a state
//                       is not reached within a minute or a call fails (the line says which)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kConfigBufferBytes = 8192;

// A buffer for the variable-length configuration structures.
struct ConfigBuffer {
    alignas(8) BYTE bytes[kConfigBufferBytes];
};

int describeService(const char* name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service =
        manager ? OpenServiceA(manager, name, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS)
                : nullptr;
    if (service == nullptr) {
        std::printf("error: %lu\n", GetLastError());
        if (manager) {
            CloseServiceHandle(manager);
        }
        return 1;
    }
    static ConfigBuffer buffer;
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.bytes);
    if (QueryServiceConfigA(service, config, sizeof buffer.bytes, &needed)) {
        std::printf("type: %lu\nstart: %lu\npath: %s\ndisplay: %s\naccount: %s\n",
                    config->dwServiceType, config->dwStartType, config->lpBinaryPathName,
                    config->lpDisplayName,
                    config->lpServiceStartName ? config->lpServiceStartName : "");
        // The dependencies: a list of texts, each ending with its NUL, ended by an empty one.
        std::printf("dependencies:");
        for (const char* d = config->lpDependencies; d != nullptr && *d != '\0';
             d += std::strlen(d) + 1) {
            std::printf(" %s", d);
        }
        std::printf("\n");
    }
    auto* preshutdown = reinterpret_cast<SERVICE_PRESHUTDOWN_INFO*>(buffer.bytes);
    if (QueryServiceConfig2A(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, buffer.bytes,
                             sizeof buffer.bytes, &needed)) {
        std::printf("preshutdown: %lu\n", preshutdown->dwPreshutdownTimeout);
    } else {
        std::printf("preshutdown: error %lu\n", GetLastError());
    }
    auto* description = reinterpret_cast<SERVICE_DESCRIPTIONA*>(buffer.bytes);
    if (QueryServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, buffer.bytes, sizeof buffer.bytes,
                             &needed)) {
        std::printf("description: %s\n",
                    description->lpDescription ? description->lpDescription : "");
    }
    auto* delayed = reinterpret_cast<SERVICE_DELAYED_AUTO_START_INFO*>(buffer.bytes);
    if (QueryServiceConfig2A(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, buffer.bytes,
                             sizeof buffer.bytes, &needed)) {
        std::printf("delayed: %d\n", delayed->fDelayedAutostart ? 1 : 0);
    }
    auto* failure = reinterpret_cast<SERVICE_FAILURE_ACTIONSA*>(buffer.bytes);
    if (QueryServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS, buffer.bytes,
                             sizeof buffer.bytes, &needed)) {
        std::printf("reset: %lu\n", failure->dwResetPeriod);
        for (DWORD i = 0; i < failure->cActions; ++i) {
            std::printf("action: %d %lu\n", static_cast<int>(failure->lpsaActions[i].Type),
                        failure->lpsaActions[i].Delay);
        }
    } else {
        std::printf("failure actions: error %lu\n", GetLastError());
    }
    auto* flag = reinterpret_cast<SERVICE_FAILURE_ACTIONS_FLAG*>(buffer.bytes);
    if (QueryServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, buffer.bytes,
                             sizeof buffer.bytes, &needed)) {
        std::printf("non-crash failures: %d\n", flag->fFailureActionsOnNonCrashFailures ? 1 : 0);
    } else {
        std::printf("non-crash failures: error %lu\n", GetLastError());
    }
    SERVICE_STATUS status{};
    if (QueryServiceStatus(service, &status)) {
        std::printf("state: %lu\nwin32 exit: %lu\nservice exit: %lu\n", status.dwCurrentState,
                    status.dwWin32ExitCode, status.dwServiceSpecificExitCode);
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return 0;
}

int describeAccess(char* path) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc = GetNamedSecurityInfoA(path, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                           nullptr, &dacl, nullptr, &descriptor);
    if (rc != ERROR_SUCCESS) {
        std::printf("error: %lu\n", rc);
        return 1;
    }
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace) ||
            static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            continue;
        }
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        char* sid = nullptr;
        if (ConvertSidToStringSidA(&allowed->SidStart, &sid)) {
            std::printf("allow %s %lx %x\n", sid, allowed->Mask,
                        static_cast<unsigned>(allowed->Header.AceFlags));
            LocalFree(sid);
        }
    }
    LocalFree(descriptor);
    return 0;
}

constexpr ULONGLONG kCycleWaitMs = 60000;

// Polls the service's status until it is `state` or the wait has passed; false then.
bool awaitState(SC_HANDLE service, DWORD state, SERVICE_STATUS& status) {
    const ULONGLONG until = GetTickCount64() + kCycleWaitMs;
    while (GetTickCount64() < until) {
        if (QueryServiceStatus(service, &status) && status.dwCurrentState == state) {
            return true;
        }
        Sleep(1);
    }
    return false;
}

int cycleService(const char* name, DWORD settleMs) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service =
        manager ? OpenServiceA(manager, name, SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS)
                : nullptr;
    int result = 1;
    SERVICE_STATUS status{};
    if (service == nullptr) {
        std::printf("error: open %lu\n", GetLastError());
    } else if (!StartServiceA(service, 0, nullptr)) {
        std::printf("error: start %lu\n", GetLastError());
    } else if (!awaitState(service, SERVICE_RUNNING, status)) {
        std::printf("error: not running, state %lu\n", status.dwCurrentState);
    } else {
        Sleep(settleMs);
        LARGE_INTEGER frequency{};
        LARGE_INTEGER begin{};
        LARGE_INTEGER end{};
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&begin);
        if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
            std::printf("error: stop %lu\n", GetLastError());
        } else if (!awaitState(service, SERVICE_STOPPED, status)) {
            std::printf("error: not stopped, state %lu\n", status.dwCurrentState);
        } else {
            QueryPerformanceCounter(&end);
            const double ms = static_cast<double>(end.QuadPart - begin.QuadPart) * 1000.0 /
                              static_cast<double>(frequency.QuadPart);
            std::printf("stop_ms=%.1f win32=%lu service=%lu\n", ms, status.dwWin32ExitCode,
                        status.dwServiceSpecificExitCode);
            result = 0;
        }
    }
    if (service) {
        CloseServiceHandle(service);
    }
    if (manager) {
        CloseServiceHandle(manager);
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc == 3 && std::strcmp(argv[1], "sysmsg") == 0) {
        char* text = nullptr;
        const DWORD n =
            FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                               FORMAT_MESSAGE_ALLOCATE_BUFFER,
                           nullptr, static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)), 0x0400,
                           reinterpret_cast<LPSTR>(&text), 0, nullptr);
        if (n == 0) {
            return 1;
        }
        std::fwrite(text, 1, n, stdout);
        LocalFree(text);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "env") == 0) {
        constexpr DWORD kCapacity = 32768;
        std::vector<char> value(kCapacity, '\0');
        const DWORD n = GetEnvironmentVariableA(argv[2], value.data(), kCapacity);
        if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
            return 1;
        }
        std::fwrite(value.data(), 1, n, stdout);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "service") == 0) {
        return describeService(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "access") == 0) {
        return describeAccess(argv[2]);
    }
    if (argc == 4 && std::strcmp(argv[1], "cycle") == 0) {
        return cycleService(argv[2], static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
    }
    std::fprintf(stderr,
                 "usage: probe sysmsg CODE | probe env NAME | probe service NAME | probe access "
                 "PATH | probe cycle NAME SETTLE_MS\n");
    return 2;
}
