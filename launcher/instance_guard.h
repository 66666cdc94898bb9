// The single-instance guard (value 23): the console program's named mutex, and the instance
// lock, a file beside the program that every logon session sees and that only administrators,
// SYSTEM and the service's account can create or hold. The file stays when its holder ends.
#ifndef QV_LAUNCHER_INSTANCE_GUARD_H
#define QV_LAUNCHER_INSTANCE_GUARD_H

#include "state.h"
#include "step.h"

namespace qv {

// The file name of the instance lock that belongs to a mutex name: its last element (after a
// "Global\" or "Local\" prefix) followed by ".lock".
std::string lockFileName(std::string_view mutexName);

// The instance lock beside the program: goes on with `lock` empty when value 23 names no mutex.
// The install makes it (for administrators and SYSTEM, and the rights of the service's account
// added), so that an account that may not create files in the program's folder can hold it.
Step instanceLockPath(Context& ctx, const ProgramLocation& program, FixedText<kPathSize>& lock);

// Without a mutex name: goes on, nothing guarded. Console: the named mutex as before (another
// instance when it already exists), then the instance lock, which shows a service or a console
// run in another session; a lock this process may not take is no other instance. Service: the
// instance lock only (a name in the object namespace can be taken first by any user); another
// instance when another process holds it, and a stop with the system's cause when it cannot be
// created.
Step checkInstance(Context& ctx, const ProgramLocation& program);

}  // namespace qv

#endif  // QV_LAUNCHER_INSTANCE_GUARD_H
