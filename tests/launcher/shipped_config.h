// The shipped launch configuration, read from the repository's value table (config/), for tests
// that run the launcher with exactly what a build carries.
#ifndef QV_TESTS_LAUNCHER_SHIPPED_CONFIG_H
#define QV_TESTS_LAUNCHER_SHIPPED_CONFIG_H

#include <map>
#include <string>

namespace qv::testing {

// ID -> text of every value the build carries.
std::map<int, std::string> shippedConfiguration();

}  // namespace qv::testing

#endif  // QV_TESTS_LAUNCHER_SHIPPED_CONFIG_H
