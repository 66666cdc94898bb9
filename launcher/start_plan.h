// The preparation of a start, which the console program, --mvk-check and the service run share:
// every step in its fixed order, then what the runner needs to start the JVM.
#ifndef QV_LAUNCHER_START_PLAN_H
#define QV_LAUNCHER_START_PLAN_H

#include "command_line.h"
#include "jvm_start.h"
#include "state.h"
#include "step.h"

namespace qv {

// Whether a runner starts the JVM again after main ended with another code than 0, which reads
// value 9 once the preparation has gone through.
enum class Restarts { Read, Never };

// What a prepared start needs beyond the state the preparation filled: whether to start again.
struct StartPlan {
    bool restart = false;
};

// The preparation, then value 9 where the runner restarts. Goes on with the plan; or another
// instance holds the mutex of value 23; or a stop.
Step planStart(Context& ctx, const CommandLine& line, Restarts restarts, StartPlan& plan);

// One JVM pass of the prepared start: the JVM options parsed from the launcher argument line,
// with the main class and main's arguments.
void planJvmPass(const LauncherState& st, JvmStart& jvm);

// The preparation: every step in its fixed order, up to the first that stops.
Step prepare(Context& ctx, const CommandLine& line);
// The same for a run that starts nothing (the check): another instance that holds the mutex of
// value 23 sets `anotherInstance` and the preparation goes on.
Step prepareBesideAnotherInstance(Context& ctx, const CommandLine& line, bool& anotherInstance);

// Shows the message for another instance that holds the mutex (value 105) and closes the debug
// log: goes on when it was shown; a message that does not fit stops like any other text.
Step showAnotherInstance(Context& ctx);

// The steps of the preparation before the runtime search.
Step initGlobals(Context& ctx);
// The program path and the index of its last backslash.
Step findProgram(Context& ctx, ProgramLocation& program);
// Whether the process runs under WOW64; always goes on.
Step setWow64Flag(Context& ctx);
// The error title, the error URL and the start-up error message (value 101, required).
Step loadErrorReport(Context& ctx);
Step setWorkingDirectory(Context& ctx, const ProgramLocation& program);
// Value 12 and the options file, expanded, at the head of the launcher argument line.
Step addJvmOptions(Context& ctx, const ProgramLocation& program);
// The class path option that the line makes must fit an option text.
Step checkClassPathOption(Context& ctx);

}  // namespace qv

#endif  // QV_LAUNCHER_START_PLAN_H
