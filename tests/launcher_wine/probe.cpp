// Test helper: what Windows itself says, for comparing with what the launcher shows.
//   probe sysmsg CODE   the system's text for an error code, byte for byte
//   probe env NAME      the value of an environment variable (exit code 1 when it is not set)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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
    std::fprintf(stderr, "usage: probe sysmsg CODE | probe env NAME\n");
    return 2;
}
