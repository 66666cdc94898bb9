// The program entry, the preparation sequence and the run loop.
#ifndef QV_LAUNCHER_ENTRY_H
#define QV_LAUNCHER_ENTRY_H

#include "state.h"
#include "step.h"

#include <string_view>

namespace qv {

// Process exit codes.
inline constexpr int kExitMainReturned = 0;
inline constexpr int kExitPreparationFailed = 1;
inline constexpr int kExitAnotherInstance = 2;
inline constexpr int kExitNoJvm = -1;

// The whole launcher: reads the command line, prepares, runs the JVM passes; gives the exit code.
// main() constructs the Windows Os and returns runLauncher(os).
int runLauncher(Os& os);

// The argument text: the raw command line without the program name.
std::string_view splitArgumentText(std::string_view commandLine);

// The preparation: every step in its fixed order, up to the first that stops.
Step prepare(Context& ctx, std::string_view argumentText);

// Shows the message for another instance that holds the mutex (value 105) and closes the debug
// log: goes on when it was shown; a message that does not fit stops like any other text.
Step showAnotherInstance(Context& ctx);

// The steps of the preparation that belong to the entry itself.
Step initGlobals(Context& ctx);
// The program path and the index of its last backslash.
Step findProgram(Context& ctx, ProgramLocation& program);
// Whether the process runs under WOW64; always goes on.
Step setWow64Flag(Context& ctx);
// The error title, the error URL and the start-up error message (value 101, required).
Step loadErrorReport(Context& ctx);
Step checkInstance(Context& ctx);
Step setWorkingDirectory(Context& ctx, const ProgramLocation& program);
// Value 12 and the options file, expanded, at the head of the launcher argument line.
Step addJvmOptions(Context& ctx, const ProgramLocation& program);
// The class path option that the line makes must fit an option text.
Step checkClassPathOption(Context& ctx);

}  // namespace qv

#endif  // QV_LAUNCHER_ENTRY_H
