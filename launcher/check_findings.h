// What --mvk-check finds in a prepared start beyond the decisions of the preparation: whether the
// JVM finds the main class in the class path, which class path entries are missing (the jar of
// value 14 among them), which option words the JVM refuses or ignores, the service values as the
// install reads them, and another instance that holds the guard.
#ifndef QV_LAUNCHER_CHECK_FINDINGS_H
#define QV_LAUNCHER_CHECK_FINDINGS_H

#include "jvm_start.h"
#include "state.h"

#include <string>

namespace qv {

// Appends the findings of the start whose first JVM pass is `jvm` to `out`. Gives true when one
// of them means that the service will not start: the JVM would refuse an option or not find
// main, or the install would refuse a service value.
bool appendFindings(Context& ctx, const JvmStart& jvm, bool anotherInstance, std::string& out);

}  // namespace qv

#endif  // QV_LAUNCHER_CHECK_FINDINGS_H
