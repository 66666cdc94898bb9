// The program entry: reads the command line once and hands the run to the runner of its command.
#ifndef QV_LAUNCHER_ENTRY_H
#define QV_LAUNCHER_ENTRY_H

#include "names.h"
#include "os.h"

namespace qv {

// The whole launcher; gives the process exit code (names.h). main() constructs the Windows Os
// and returns runLauncher(os).
int runLauncher(Os& os);

}  // namespace qv

#endif  // QV_LAUNCHER_ENTRY_H
