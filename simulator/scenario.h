// Scenario files: the simulated terminals described in JSON (the format is in simulator.md).
#ifndef DEVICESDK5_SIM_SCENARIO_H
#define DEVICESDK5_SIM_SCENARIO_H

#include <string>
#include <variant>

#include "profile.h"

namespace dsdk_sim {

// The environment variable that names the scenario file.
inline constexpr const char* kScenarioVariable = "DEVICESDK5_SIM_SCENARIO";

// Why a scenario cannot be used: "file:line:column: path: what was expected", or for a file that
// cannot be read "file: the reason".
struct ScenarioFault {
    std::string message;
};

// Reads and checks the scenario file at path; a scenario is used whole or not at all.
std::variant<Scenario, ScenarioFault> load_scenario(const std::string& path);

// The same for the text of a file, named file in the messages.
std::variant<Scenario, ScenarioFault> parse_scenario(const std::string& file,
                                                     const std::string& text);

}  // namespace dsdk_sim

#endif
