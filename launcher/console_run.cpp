#include "console_run.h"

#include "diagnostics.h"
#include "jvm_start.h"
#include "names.h"
#include "start_plan.h"

namespace qv {

int runConsole(Context& ctx, const CommandLine& line) {
    LauncherState& st = ctx.state;
    StartPlan plan;
    Step prepared = planStart(ctx, line, Restarts::Read, plan);
    if (prepared.kind() == Step::Kind::AnotherInstance) {
        prepared = showAnotherInstance(ctx);
        if (prepared.goesOn()) {
            return kExitAnotherInstance;
        }
    }
    if (!prepared.goesOn()) {
        reportError(ctx, prepared);
        return kExitPreparationFailed;
    }

    auto jvm = makeWithTexts<JvmStart>();
    for (;;) {
        st.exitCode = kExitMainReturned;
        planJvmPass(st, *jvm);
        if (!executeInProcess(ctx, *jvm, st.exitCode)) {
            reportError(ctx, jvmNotCreated(ctx, *jvm));
            break;
        }
        if (plan.restart && st.exitCode != kExitMainReturned) {
            st.log.print("Exit code:\t%d, restarting the application!\n", st.exitCode);
            continue;
        }
        break;
    }
    st.log.print("Exit code:\t%d\n", st.exitCode);
    closeDebugLog(ctx);
    return st.exitCode;
}

}  // namespace qv
