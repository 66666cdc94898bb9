// The JVM options of value 12 and of the options file beside the program ("<program>.mvk.ini").
#ifndef QV_LAUNCHER_OPTIONS_FILE_H
#define QV_LAUNCHER_OPTIONS_FILE_H

#include "state.h"
#include "step.h"

namespace qv {

// Value 12 and the options file into `options`; stops when they do not fit, or when the file
// holds a zero byte.
Step readOptionsFile(Context& ctx, FixedText<kLineSize>& options, const ProgramLocation& program);

}  // namespace qv

#endif  // QV_LAUNCHER_OPTIONS_FILE_H
