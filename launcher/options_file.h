// The JVM options of value 12 and of the options file beside the program ("<program>.mvk.ini").
#ifndef QV_LAUNCHER_OPTIONS_FILE_H
#define QV_LAUNCHER_OPTIONS_FILE_H

#include "state.h"

namespace qv {

// Value 12 and the options file into `options`; false when they do not fit.
bool readOptionsFile(Context& ctx, FixedText<kLineSize>& options, const ProgramLocation& program);

}  // namespace qv

#endif  // QV_LAUNCHER_OPTIONS_FILE_H
