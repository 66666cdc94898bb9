// What --mvk-check shows of the Windows service: the values only the service commands read, as
// the install reads them, and the debug request in the installed service's own environment.
#ifndef QV_LAUNCHER_SERVICE_CHECK_H
#define QV_LAUNCHER_SERVICE_CHECK_H

#include "state.h"

#include <string>

namespace qv {

// The registry key of an installed service below HKEY_LOCAL_MACHINE (the name follows it).
inline constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";
// Its value with the variables the service manager adds to the service's environment
// (REG_MULTI_SZ, "NAME=value" each).
inline constexpr const char* kServiceEnvironmentValue = "Environment";

// Appends the account (value 44) and the dependencies (value 45) the install gives the service
// manager, and the debug log variable of the installed service's Environment value.
void appendServiceValues(Context& ctx, std::string& out);

}  // namespace qv

#endif  // QV_LAUNCHER_SERVICE_CHECK_H
