#include "sim_core.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <variant>

#include "scenario.h"
#include "sim_clock.h"

namespace dsdk_sim {

namespace {

// The terminals of the scenario file at path (the named one, else the variable's), or the
// default ones without a path. A scenario that cannot be used is reported once on the standard
// error stream, kept in fault (without the line end), and refuses every operation.
Terminals start_terminals(const std::optional<std::string>& named, std::string& fault) {
    fault.clear();
    const char* path = named ? named->c_str() : std::getenv(kScenarioVariable);
    if (path == nullptr || *path == '\0') {
        return Terminals();
    }
    std::variant<Scenario, ScenarioFault> loaded = load_scenario(path);
    if (Scenario* scenario = std::get_if<Scenario>(&loaded)) {
        return Terminals(std::make_shared<const Scenario>(std::move(*scenario)));
    }
    fault = "devicesdk5 simulator: scenario " + std::get<ScenarioFault>(loaded).message +
            "; every operation fails with status " + std::to_string(kScenarioUnusable);
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::fflush(stderr);
    return Terminals::refusing(kScenarioUnusable);
}

struct SimState {
    std::mutex mutex;
    bool started = false;  // terminals read from the scenario (or the defaults) yet
    std::optional<std::string> scenario_path;  // sim_use_scenario's, in place of the variable
    std::string fault;                         // why the scenario read last cannot be used
    Terminals terminals;
    std::map<std::pair<int32_t, int>, int64_t> device_calls;  // by device number and op
    std::map<int32_t, int64_t> terminal_calls;                // by device number, every op
    TemplateStore templates;
    std::array<Script, SIM_OP_COUNT> scripts;
    std::array<int32_t, SIM_OP_COUNT> calls{};
    std::array<CallRecord, SIM_OP_COUNT> last;
    std::vector<ScriptedTemplate> scan_templates;
};

SimState& state() {
    static SimState instance;
    return instance;
}

// The terminals of the scenario, read on the first use after the library was loaded.
void start_once(SimState& s) {
    if (!s.started) {
        s.terminals = start_terminals(s.scenario_path, s.fault);
        s.started = true;
    }
}

bool valid(sim_op op) {
    return static_cast<int>(op) >= 0 && static_cast<int>(op) < SIM_OP_COUNT;
}

Bytes copy_bytes(const void* bytes, size_t size) {
    const auto* begin = static_cast<const uint8_t*>(bytes);
    return bytes == nullptr ? Bytes{} : Bytes(begin, begin + size);
}

// Runs edit on op's script under the lock; ignores an unknown op.
template <typename Edit>
void edit_script(sim_op op, Edit edit) {
    if (!valid(op)) {
        return;
    }
    SimState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    edit(s.scripts[static_cast<size_t>(op)]);
}

// Blob returned for a present blob of zero bytes, so that it differs from an absent one.
const uint8_t kEmptyBlob[1] = {0};

}  // namespace

Call::Call(sim_op op, std::vector<int64_t> args)
    : op_(op), lock_(state().mutex), script_(state().scripts[static_cast<size_t>(op)]) {
    SimState& s = state();
    start_once(s);
    const int64_t calls = ++s.calls[static_cast<size_t>(op)];
    if (const Scenario* scenario = s.terminals.scenario()) {
        const OperationRule* rule = &scenario->rules[static_cast<size_t>(op)];
        const OperationRule* offline = nullptr;
        int64_t call = calls;
        int64_t terminal_call = 0;
        if (names_device(op) && args.size() > 1) {
            const auto device = static_cast<int32_t>(args[1]);
            call = ++s.device_calls[{device, static_cast<int>(op)}];
            terminal_call = ++s.terminal_calls[device];
            rule = nullptr;
            for (const TerminalProfile& terminal : scenario->terminals) {
                if (terminal.device == device) {
                    rule = &terminal.rules[static_cast<size_t>(op)];
                    offline = terminal.offline ? &*terminal.offline : nullptr;
                }
            }
        }
        if (rule != nullptr) {
            scenario_status_ = rule->status_of_call(call);
            scenario_connected_ = rule->connected_of_call(call);
            scenario_delay_us_ = rule->delay_us;
        }
        // The operation's own rule for this call comes first; else the terminal is offline.
        if (offline != nullptr && !scenario_status_ && !scenario_connected_) {
            if (op == SIM_IS_CONNECTED) {
                scenario_connected_ = offline->connected_of_call(terminal_call);
            }
            if (!scenario_connected_) {
                scenario_status_ = offline->status_of_call(terminal_call);
            }
        }
    }
    record_.args = std::move(args);
}

int32_t Call::gate(int32_t status) const {
    return status == kOk && scenario_status_ ? *scenario_status_ : status;
}

int32_t Call::find(dsdk_handle handle, int32_t device, bool need_connection, Device** found) {
    int32_t status = gate(terminals().find(handle, device, false, found));
    if (status == kOk && need_connection && !(*found)->connected) {
        status = kNotConnected;
    }
    if (status != kOk) {
        *found = nullptr;
    }
    return status;
}

Terminals& Call::terminals() {
    return state().terminals;
}

TemplateStore& Call::templates() {
    return state().templates;
}

const std::vector<ScriptedTemplate>& Call::scripted_templates() const {
    return state().scan_templates;
}

void Call::blob(size_t index, const void* bytes, size_t size) {
    if (record_.blobs.size() <= index) {
        record_.blobs.resize(index + 1);
    }
    record_.blobs[index] = copy_bytes(bytes, size);
}

int32_t Call::finish(int32_t natural) {
    const int32_t status = script_.status.value_or(natural);
    const int64_t delay_us = script_.delay_us + scenario_delay_us_;
    if (delay_us > 0) {
        lock_.unlock();
        current_clock().sleep_us(delay_us);
        lock_.lock();
    }
    state().last[static_cast<size_t>(op_)] = std::move(record_);
    lock_.unlock();
    return status;
}

}  // namespace dsdk_sim

using namespace dsdk_sim;

extern "C" {

namespace {

// sim_reset's work, under the lock.
void reset_state(SimState& s) {
    s.terminals = start_terminals(s.scenario_path, s.fault);
    s.started = true;
    s.device_calls.clear();
    s.terminal_calls.clear();
    s.templates.clear();
    s.scripts.fill(Script{});
    s.calls.fill(0);
    s.last.fill(CallRecord{});
    s.scan_templates.clear();
}

}  // namespace

DSDK_API void DSDK_CALL sim_reset(void) {
    SimState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    reset_state(s);
}

DSDK_API int32_t DSDK_CALL sim_use_scenario(const char* path) {
    SimState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.scenario_path = path != nullptr ? std::optional<std::string>(path) : std::nullopt;
    reset_state(s);
    return s.fault.empty() ? kOk : kScenarioUnusable;
}

DSDK_API size_t DSDK_CALL sim_scenario_fault(char* buffer, size_t size) {
    SimState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    start_once(s);
    if (buffer != nullptr && size > 0) {
        const size_t copied = std::min(size - 1, s.fault.size());
        std::memcpy(buffer, s.fault.data(), copied);
        buffer[copied] = '\0';
    }
    return s.fault.size();
}

DSDK_API void DSDK_CALL sim_set_status(sim_op op, int32_t status) {
    edit_script(op, [status](Script& script) { script.status = status; });
}

DSDK_API void DSDK_CALL sim_set_count(sim_op op, int32_t count) {
    edit_script(op, [count](Script& script) { script.count = count; });
}

DSDK_API void DSDK_CALL sim_set_records(sim_op op, const void* bytes, size_t size) {
    Bytes copy = copy_bytes(bytes, size);
    edit_script(op, [&copy](Script& script) { script.records = std::move(copy); });
}

DSDK_API void DSDK_CALL sim_set_text(sim_op op, int index, const void* bytes, size_t size) {
    if (index < 0 || index >= kTextSlots) {
        return;
    }
    Bytes copy = copy_bytes(bytes, size);
    edit_script(op, [&copy, index](Script& script) {
        script.texts[static_cast<size_t>(index)] = std::move(copy);
    });
}

DSDK_API void DSDK_CALL sim_set_value(sim_op op, int index, int64_t value) {
    if (index < 0 || index >= kValueSlots) {
        return;
    }
    edit_script(
        op, [value, index](Script& script) { script.values[static_cast<size_t>(index)] = value; });
}

DSDK_API void DSDK_CALL sim_set_untouched(sim_op op) {
    edit_script(op, [](Script& script) { script.untouched = true; });
}

DSDK_API void DSDK_CALL sim_add_scan_template(uint32_t scan_value, const void* data,
                                              int32_t data_size) {
    ScriptedTemplate scripted;
    scripted.scan_value = scan_value;
    scripted.data_size = data_size;
    scripted.data.assign(data_size > 0 ? static_cast<size_t>(data_size) : 0, 0);
    if (data != nullptr && !scripted.data.empty()) {
        std::memcpy(scripted.data.data(), data, scripted.data.size());
    }
    SimState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.scan_templates.push_back(std::move(scripted));
}

DSDK_API void DSDK_CALL sim_set_delay_us(sim_op op, int32_t microseconds) {
    edit_script(op, [microseconds](Script& script) {
        script.delay_us = microseconds > 0 ? microseconds : 0;
    });
}

DSDK_API int32_t DSDK_CALL sim_calls(sim_op op) {
    if (!valid(op)) {
        return 0;
    }
    SimState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.calls[static_cast<size_t>(op)];
}

DSDK_API int64_t DSDK_CALL sim_last_arg(sim_op op, int index) {
    if (!valid(op) || index < 0) {
        return 0;
    }
    SimState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const std::vector<int64_t>& args = s.last[static_cast<size_t>(op)].args;
    return static_cast<size_t>(index) < args.size() ? args[static_cast<size_t>(index)] : 0;
}

DSDK_API const uint8_t* DSDK_CALL sim_last_blob(sim_op op, int index, size_t* size) {
    const uint8_t* found = nullptr;
    size_t found_size = 0;
    if (valid(op) && index >= 0) {
        SimState& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        const auto& blobs = s.last[static_cast<size_t>(op)].blobs;
        if (static_cast<size_t>(index) < blobs.size() && blobs[static_cast<size_t>(index)]) {
            const Bytes& blob = *blobs[static_cast<size_t>(index)];
            found = blob.empty() ? kEmptyBlob : blob.data();
            found_size = blob.size();
        }
    }
    if (size != nullptr) {
        *size = found_size;
    }
    return found;
}

DSDK_API int32_t DSDK_CALL sim_outstanding_templates(void) {
    SimState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return static_cast<int32_t>(s.templates.outstanding());
}

}  // extern "C"
