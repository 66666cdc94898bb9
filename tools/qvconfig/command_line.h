// qvconfig's command line: the words after the program name, read into the command they ask for.
#ifndef QVCONFIG_COMMAND_LINE_H
#define QVCONFIG_COMMAND_LINE_H

#include <string>
#include <vector>

#include "value_table.h"

namespace qvconfig {

// What the tool prints for 'qvconfig help' and after a command line it does not understand.
extern const char kUsage[];

enum class Verb { help, table, list, get, set, setFile, remove, apply, exportValues, diff };

// A command as the command line gives it, before any file is touched.
struct Command {
    Verb verb = Verb::help;
    std::string exe;               // every verb but help and table: the executable
    const Value* value = nullptr;  // get, set, set-file, remove: a configuration value
    std::string argument;          // set: the text; set-file: its file; apply: the apply file;
                                   // export: the file written (when toFile); diff: executable B
    bool all = false;              // export --all: every value, not only the differences
    bool toFile = false;           // export: written to the file `argument`, not to stdout
    bool removeSignature = false;  // set, set-file, remove, apply: a signed EXE loses its
                                   // signature instead of being refused
};

// Reads the words `args` into `command`. kExitOk; kExitUsage after a message and the usage when
// the words are not a command; kExitRefused after a message when VALUE names no configuration
// value. `command` is set only on kExitOk.
[[nodiscard]] int parseCommandLine(const std::vector<std::string>& words, Command& command,
                                   std::string& err);

}  // namespace qvconfig

#endif  // QVCONFIG_COMMAND_LINE_H
