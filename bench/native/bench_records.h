// What the benchmark has the simulated SDK report, shared by the scripts that feed the simulator
// and by the baselines, so that both make Java objects from the same values and texts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bridgebench {

// Terminals that a search reports, in turn: texts of the lengths a real search gives.
struct BenchDevice {
    std::int32_t type;
    std::int32_t number;
    const char* address;
    const char* serial;
    std::int16_t port;
};
constexpr BenchDevice kBenchDevices[] = {
    {1, 1, "192.0.2.21", "QVT5A00000021", 4370},
    {2, 2, "192.0.2.22", "QVT5B00000022", 4370},
    {3, 3, "192.0.2.23", "QVP1C00000023", 4370},
};
constexpr std::size_t kBenchDeviceKinds = sizeof kBenchDevices / sizeof kBenchDevices[0];

// Bytes of every template a scan reports, and its scan value.
constexpr std::size_t kTemplateBytes = 64;
constexpr std::uint32_t kTemplateScanValue = 90;

// The template data itself: one block that lives as long as the library.
const std::uint8_t* templateData();

}  // namespace bridgebench
