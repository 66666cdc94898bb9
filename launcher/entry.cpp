#include "entry.h"

#include "check.h"
#include "command_line.h"
#include "console_run.h"
#include "service_install.h"
#include "service_run.h"

namespace qv {

int runLauncher(Os& os) {
    const CommandLine line = readCommandLine(os.commandLine());
    if (line.command == Command::Service) {
        return runService(os, line);
    }
    auto state = makeWithTexts<LauncherState>();
    Context ctx{os, *state};
    switch (line.command) {
        case Command::Install:
            return installService(ctx, line);
        case Command::Uninstall:
            return uninstallService(ctx);
        case Command::Help:
        case Command::Version:
        case Command::Check:
            return runOwnCommand(ctx, line);
        case Command::Start:
        case Command::Service:
            break;
    }
    return runConsole(ctx, line);
}

}  // namespace qv
