// The console program: the prepared start run in-process, again while value 9 asks for it.
#ifndef QV_LAUNCHER_CONSOLE_RUN_H
#define QV_LAUNCHER_CONSOLE_RUN_H

#include "command_line.h"
#include "state.h"

namespace qv {

// Prepares and runs the JVM passes; gives the process exit code (names.h): main's, or the code
// of a start that could not be prepared, of another instance, or of a JVM that was not created.
int runConsole(Context& ctx, const CommandLine& line);

}  // namespace qv

#endif  // QV_LAUNCHER_CONSOLE_RUN_H
