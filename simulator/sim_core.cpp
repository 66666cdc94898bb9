#include "sim_core.h"

#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

namespace dsdk_sim {

namespace {

struct SimState {
    std::mutex mutex;
    Terminals terminals;
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
    ++state().calls[static_cast<size_t>(op)];
    record_.args = std::move(args);
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
    const int32_t delay_us = script_.delay_us;
    if (delay_us > 0) {
        lock_.unlock();
        std::this_thread::sleep_for(std::chrono::microseconds(delay_us));
        lock_.lock();
    }
    state().last[static_cast<size_t>(op_)] = std::move(record_);
    lock_.unlock();
    return status;
}

}  // namespace dsdk_sim

using namespace dsdk_sim;

extern "C" {

DSDK_API void DSDK_CALL sim_reset(void) {
    SimState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.terminals = Terminals();
    s.templates.clear();
    s.scripts.fill(Script{});
    s.calls.fill(0);
    s.last.fill(CallRecord{});
    s.scan_templates.clear();
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
