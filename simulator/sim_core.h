// Shared state of the simulator (terminals, scripts, records of calls, template allocations)
// behind one lock, and the scope of one SDK call that uses it.
#ifndef DEVICESDK5_SIM_CORE_H
#define DEVICESDK5_SIM_CORE_H

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "devicesdk5_sim.h"
#include "sim_status.h"
#include "template_store.h"
#include "terminals.h"

namespace dsdk_sim {

using Bytes = std::vector<uint8_t>;

struct Script {
    std::optional<int32_t> status;
    std::optional<int32_t> count;
    std::optional<Bytes> records;
    std::array<std::optional<Bytes>, kTextSlots> texts;
    std::array<std::optional<int64_t>, kValueSlots> values;
    bool untouched = false;
    int32_t delay_us = 0;
};

struct ScriptedTemplate {
    uint32_t scan_value = 0;
    int32_t data_size = 0;  // as scripted, also when negative
    Bytes data;             // the bytes the scan hands out
};

struct CallRecord {
    std::vector<int64_t> args;
    std::vector<std::optional<Bytes>> blobs;
};

// Argument values as the records of calls keep them.
inline int64_t arg(const void* pointer) {
    return static_cast<int64_t>(reinterpret_cast<uintptr_t>(pointer));
}
inline int64_t arg(int32_t value) {
    return value;
}
inline int64_t arg(uint32_t value) {
    return value;
}
inline int64_t arg(uint16_t value) {
    return value;
}

// One SDK call: holds the lock from construction to finish(), counts the call (for a device
// operation also per device number), keeps the arguments and blobs, and at finish() applies the
// scripted status, waits the scripted and the scenario's delay outside the lock and stores the
// record as the op's last call.
class Call {
  public:
    Call(sim_op op, std::vector<int64_t> args);
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    const Script& script() const { return script_; }
    Terminals& terminals();
    TemplateStore& templates();
    const std::vector<ScriptedTemplate>& scripted_templates() const;

    // The device's status for this call: the handle and device checks, then the scenario's
    // status for this call, then (with need_connection) the connection check. found is the
    // device when the status is kOk, else null.
    int32_t find(dsdk_handle handle, int32_t device, bool need_connection, Device** found);
    // The scenario's status for this call in place of kOk, else status as it is.
    int32_t gate(int32_t status) const;
    // The connected flag that the scenario gives this call of the connected query, if any.
    std::optional<bool> scenario_connected() const { return scenario_connected_; }

    // Keeps a copy of size bytes as blob index (present also when size is 0).
    void blob(size_t index, const void* bytes, size_t size);

    // Returns the scripted status, or natural when none is scripted.
    int32_t finish(int32_t natural);

  private:
    sim_op op_;
    std::unique_lock<std::mutex> lock_;
    const Script& script_;
    CallRecord record_;
    std::optional<int32_t> scenario_status_;
    std::optional<bool> scenario_connected_;
    int64_t scenario_delay_us_ = 0;
};

}  // namespace dsdk_sim

#endif
