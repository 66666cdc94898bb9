// The program entry, the preparation sequence and the run loop.
#ifndef QV_LAUNCHER_ENTRY_H
#define QV_LAUNCHER_ENTRY_H

#include "state.h"

#include <string_view>

namespace qv {

// Results of the preparation.
inline constexpr int kPrepareFailed = 0;
inline constexpr int kPrepareReady = 1;
inline constexpr int kPrepareAnotherInstance = 183;  // ERROR_ALREADY_EXISTS

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

// The preparation sequence: kPrepareReady, kPrepareFailed or kPrepareAnotherInstance.
int prepare(Context& ctx, std::string_view argumentText);

bool initGlobals(Context& ctx);
// Fills the program path; gives the program directory length, or -1 without a module file name
// (or with one that does not fit the path's capacity).
long getExePath(Context& ctx, ProgramLocation& program);
void setWow64Flag(Context& ctx);
bool checkInstance(Context& ctx);
// False only when the joined working directory does not fit.
bool setWorkingDirectory(Context& ctx, const ProgramLocation& program);

}  // namespace qv

#endif  // QV_LAUNCHER_ENTRY_H
