// The launcher's own commands, each asked for by a word of the command line, which answer on
// standard output instead of starting the service:
//   --mvk-check    the whole preparation without loading the JVM, shown for a person
//   --mvk-version  the product version
//   --mvk-help     the launcher's own words
#ifndef QV_LAUNCHER_CHECK_H
#define QV_LAUNCHER_CHECK_H

#include "command_line.h"
#include "state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Runs the command of the line (help, version or check) and gives the process exit code: 0, or
// for the check 1 when the service could not start.
int runOwnCommand(Context& ctx, const CommandLine& line);

// What the headers of a PE file say: the machine it is built for and whether it is a DLL.
struct PeHeader {
    std::uint16_t machine = 0;
    bool dll = false;
};
// Reads the headers of the file at `path`; nothing when it cannot be read or is no PE file.
std::optional<PeHeader> readPeHeader(Os& os, const char* path);
// A name for a PE machine field ("x86", "x64", ...; otherwise the number in hex).
std::string machineName(std::uint16_t machine);

}  // namespace qv

#endif  // QV_LAUNCHER_CHECK_H
