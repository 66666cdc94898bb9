// The service's temporary folder (value 47): a folder only administrators and the service can
// write, in place of the system's, where any user may create files that libraries on the class
// path would then load as SYSTEM.
#ifndef QV_LAUNCHER_SERVICE_TEMP_H
#define QV_LAUNCHER_SERVICE_TEMP_H

#include "state.h"
#include "step.h"

#include <string_view>

namespace qv {

// Value 47, or "%ProgramData%\NAME\Temp" (NAME: the service name); made, with the service's
// folder above it when it is the default, for administrators and SYSTEM only. The install's call
// (which then grants the service's account modify rights on it) and that of a service start as
// an administrator (LocalSystem). Goes on with `folder` set; stops with Windows' cause.
Step prepareServiceTempFolder(Context& ctx, std::string_view serviceName,
                              FixedText<kPathSize>& folder);

// The service start: as an administrator the folder made as above; as another account (which may
// neither make it nor set its owner) the folder the install made, which must be there and
// changeable by administrators, SYSTEM and this account alone. Then TEMP and TMP set to it, and
// -Djava.io.tmpdir at the head of the launcher argument line unless a word of it already sets
// java.io.tmpdir.
Step useServiceTempFolder(Context& ctx, std::string_view serviceName);

}  // namespace qv

#endif  // QV_LAUNCHER_SERVICE_TEMP_H
