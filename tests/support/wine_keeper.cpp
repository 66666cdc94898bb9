// Test helper: keeps a Wine prefix up for a tier of tests.
//   wine_keeper READY   creates the file READY once it runs, then does nothing for at most half an
//                       hour; the prefix's cleanup ends it together with the prefix's server
//
// Wine shuts a prefix down shortly after its last ordinary process has ended. While this one
// runs, that never happens between two test programs.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>

namespace {

constexpr DWORD kKeepMs = 30 * 60 * 1000;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wine_keeper READY\n");
        return 2;
    }
    HANDLE ready = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "wine_keeper: cannot create %s (error %lu)\n", argv[1],
                     GetLastError());
        return 1;
    }
    CloseHandle(ready);
    Sleep(kKeepMs);
    return 0;
}
