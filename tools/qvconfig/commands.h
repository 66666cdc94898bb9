// The commands of qvconfig, the configuration tool for a built QuorvexService executable.
#ifndef QVCONFIG_COMMANDS_H
#define QVCONFIG_COMMANDS_H

#include <string>
#include <vector>

#include "file_system.h"

namespace qvconfig {

// Exit codes of the tool.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,    // the command line is not understood
    kExitFile = 2,     // the executable (or a text file) cannot be read or written
    kExitRefused = 3,  // not a configuration value, or a text it cannot hold: nothing changed
    kExitNotSet = 4,   // get: the executable does not carry the value
    kExitDiffer = 1,   // diff: the two executables carry different configurations
};

// Runs one command on the files of `files`. `args` are the words after the program name; what
// the tool prints goes to `out` (results) and `err` (messages), byte for byte.
int runCommand(FileSystem& files, const std::vector<std::string>& args, std::string& out,
               std::string& err);

}  // namespace qvconfig

#endif  // QVCONFIG_COMMANDS_H
