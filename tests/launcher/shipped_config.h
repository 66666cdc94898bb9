// The shipped launch configuration, read from the repository's value table (config/), for tests
// that run the launcher with exactly what a build carries.
#ifndef QV_TESTS_LAUNCHER_SHIPPED_CONFIG_H
#define QV_TESTS_LAUNCHER_SHIPPED_CONFIG_H

#include "fake_machine.h"

#include <map>
#include <string>

namespace qv::testing {

// ID -> text of every value the build carries.
std::map<int, std::string> shippedConfiguration();

// The program of an install as shipped.
inline constexpr const char* kShippedProgram = "C:\\Zarvel\\service\\bin\\QuorvexService.exe";

// Makes the fake machine an install as shipped: the shipped values, the program in service\bin,
// the runtime in gui\jre with its JVM library (which knows the main class), started from another
// folder with a system Path. The command line is the caller's.
FakeJvm& makeShippedInstall(FakeMachine& machine);

}  // namespace qv::testing

#endif  // QV_TESTS_LAUNCHER_SHIPPED_CONFIG_H
