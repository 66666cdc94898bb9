// The 23 operations of devicesdk5 over the simulated terminals. Each call is recorded, then the
// terminal's natural answer is worked out, then the outputs are written (scripted outputs win),
// and the scripted status, if any, replaces the natural one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "devicesdk5.h"
#include "devicesdk5_sim.h"
#include "outputs.h"
#include "sim_clock.h"
#include "sim_core.h"
#include "sim_status.h"
#include "terminals.h"

using namespace dsdk_sim;

namespace {

constexpr uint64_t kMaxBlobBytes = INT32_MAX;  // largest argument array copied into a record
constexpr uint8_t kLastMonth = 12;
constexpr uint8_t kLastDay = 31;
constexpr uint8_t kLastHour = 23;
constexpr uint8_t kLastMinute = 59;
constexpr uint8_t kLastSecond = 59;

// What a search finds: the scenario's terminals in file order, else the three default ones.
std::vector<dsdk_device> search_results(const Terminals& terminals) {
    if (terminals.scenario() == nullptr) {
        return default_search_results();
    }
    std::vector<dsdk_device> found;
    for (const TerminalProfile& terminal : terminals.scenario()->terminals) {
        found.push_back(terminal.search);
    }
    return found;
}

// Copies count records of record_size at records as blob index, when they can be copied.
void record_array(Call& call, size_t index, const void* records, int64_t count,
                  size_t record_size) {
    if (records == nullptr || count < 0) {
        return;
    }
    const uint64_t bytes = static_cast<uint64_t>(count) * record_size;
    if (bytes <= kMaxBlobBytes) {
        call.blob(index, records, static_cast<size_t>(bytes));
    }
}

bool valid_time(const dsdk_time& time) {
    return time.month >= 1 && time.month <= kLastMonth && time.day >= 1 && time.day <= kLastDay &&
           time.hour <= kLastHour && time.minute <= kLastMinute && time.second <= kLastSecond;
}

// The template's data can be read: a size of 0, or a positive size with a data pointer.
bool readable_template(const dsdk_template& record) {
    return record.data_size >= 0 && (record.data != nullptr || record.data_size == 0);
}

// Status of a device operation that needs a connected device and the given pointers.
int32_t connected_device(Call& call, dsdk_handle h, int32_t device, bool pointers_valid,
                         Device** found) {
    const int32_t status = call.find(h, device, true, found);
    if (status != kOk) {
        return status;
    }
    if (!pointers_valid) {
        *found = nullptr;
        return kBadArgument;
    }
    return kOk;
}

// A log read of dsdk_get_logs or dsdk_get_log_cache, after its arguments are recorded.
int32_t read_logs(Call& call, dsdk_handle h, int32_t device, int32_t capacity,
                  dsdk_log_record* records, int32_t* count, bool from_cache, bool block_valid) {
    Device* found = nullptr;
    const bool pointers_valid =
        count != nullptr && capacity >= 0 && (records != nullptr || capacity == 0) && block_valid;
    const int32_t status = connected_device(call, h, device, pointers_valid, &found);
    const size_t room = room_bytes(records, capacity, sizeof(dsdk_log_record));
    int32_t filled = 0;
    const dsdk_log_record* natural = nullptr;
    std::vector<dsdk_log_record> grown;
    if (found != nullptr) {
        const auto wanted = static_cast<size_t>(capacity);
        const std::vector<dsdk_log_record>* source = from_cache ? &found->log_cache : &found->logs;
        const std::optional<LogGrowth>& growth = found->profile->growth;
        if (!from_cache && growth && source->size() < wanted) {
            // The stored records, then what the log has grown by since the device was added,
            // as far as the room reaches.
            const int64_t added = growth->grown(current_clock().now_us() - found->added_at_us);
            const size_t extra =
                std::min<size_t>(static_cast<size_t>(added), wanted - source->size());
            grown = *source;
            for (size_t k = 0; k < extra; ++k) {
                grown.push_back(growth->record(static_cast<int64_t>(k)));
            }
            source = &grown;
        }
        natural = source->data();
        filled = static_cast<int32_t>(std::min(source->size(), wanted));
    }
    put_records(call.script(), records, room, natural,
                static_cast<size_t>(filled) * sizeof(dsdk_log_record));
    put_count(call.script(), count, filled);
    return call.finish(status);
}

}  // namespace

extern "C" {

DSDK_API dsdk_handle DSDK_CALL dsdk_create(void) {
    Call call(SIM_CREATE, {});
    dsdk_handle handle = 0;
    if (call.script().status) {
        handle = static_cast<dsdk_handle>(*call.script().status);
        call.terminals().adopt(handle);
    } else {
        handle = call.terminals().create();
    }
    call.finish(kOk);
    return handle;
}

DSDK_API int32_t DSDK_CALL dsdk_release(dsdk_handle* handle) {
    Call call(SIM_RELEASE, {handle != nullptr ? arg(*handle) : 0});
    const int32_t status = handle != nullptr ? call.terminals().release(*handle) : kBadArgument;
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_add_device(dsdk_handle h, int32_t device, int32_t reserved) {
    Call call(SIM_ADD_DEVICE, {arg(h), arg(device), arg(reserved)});
    int32_t status = call.gate(call.terminals().check_instance(h));
    if (status == kOk) {
        status = call.terminals().add_device(h, device, current_clock().now_us());
    }
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_remove_device(dsdk_handle h, int32_t device) {
    Call call(SIM_REMOVE_DEVICE, {arg(h), arg(device)});
    int32_t status = call.gate(call.terminals().check_device(h, device));
    if (status == kOk) {
        status = call.terminals().remove_device(h, device);
    }
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_connect(dsdk_handle h, int32_t device, const char* text,
                                        uint16_t value1, uint16_t value2) {
    Call call(SIM_CONNECT, {arg(h), arg(device), arg(text), arg(value1), arg(value2)});
    if (text != nullptr) {
        call.blob(0, text, std::strlen(text) + 1);
    }
    Device* found = nullptr;
    const int32_t status = call.find(h, device, false, &found);
    if (status == kOk) {
        // A null or empty text connects to the terminal's default address.
        found->connected = true;
        found->address = text != nullptr ? text : "";
        found->value1 = value1;
        found->value2 = value2;
    }
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_disconnect(dsdk_handle h, int32_t device) {
    Call call(SIM_DISCONNECT, {arg(h), arg(device)});
    Device* found = nullptr;
    const int32_t status = call.find(h, device, true, &found);
    if (status == kOk) {
        found->connected = false;
        found->initialized = false;
    }
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_is_connected(dsdk_handle h, int32_t device, uint8_t* connected) {
    Call call(SIM_IS_CONNECTED, {arg(h), arg(device), arg(connected)});
    Device* found = nullptr;
    int32_t status = call.find(h, device, false, &found);
    if (status == kOk && connected == nullptr) {
        status = kBadArgument;
    }
    std::optional<uint8_t> natural;
    if (status == kOk) {
        // The scenario may answer "not connected" (or "connected") with status 0.
        const bool flag = call.scenario_connected().value_or(found->connected);
        natural = static_cast<uint8_t>(flag ? 1 : 0);
    }
    put_value(call.script(), 0, connected, natural);
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_init_device(dsdk_handle h, int32_t device) {
    Call call(SIM_INIT_DEVICE, {arg(h), arg(device)});
    Device* found = nullptr;
    const int32_t status = call.find(h, device, true, &found);
    if (status == kOk) {
        found->initialized = true;
    }
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_search_devices(dsdk_handle h, dsdk_device* records,
                                               int32_t* count) {
    const int32_t room_count = count != nullptr ? *count : 0;
    // Index 3 is not an argument: the room that the in-count gave.
    Call call(SIM_SEARCH_DEVICES, {arg(h), arg(records), arg(count), arg(room_count)});
    int32_t status = call.gate(call.terminals().check_instance(h));
    if (status == kOk &&
        (count == nullptr || room_count < 0 || (records == nullptr && room_count > 0))) {
        status = kBadArgument;
    }
    const size_t room = room_bytes(records, room_count, sizeof(dsdk_device));
    std::vector<dsdk_device> found;
    if (status == kOk) {
        found = search_results(call.terminals());
        found.resize(std::min<size_t>(found.size(), static_cast<size_t>(room_count)));
    }
    put_records(call.script(), records, room, found.data(), found.size() * sizeof(dsdk_device));
    put_count(call.script(), count, static_cast<int32_t>(found.size()));
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_get_firmware_version(dsdk_handle h, int32_t device, char* version) {
    Call call(SIM_GET_FIRMWARE_VERSION, {arg(h), arg(device), arg(version)});
    Device* found = nullptr;
    const int32_t status = connected_device(call, h, device, version != nullptr, &found);
    put_text(call.script(), 0, version, DSDK_FIRMWARE_VERSION_SIZE,
             found != nullptr ? found->profile->firmware : std::string());
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_get_serial(dsdk_handle h, int32_t device, int32_t* serial) {
    Call call(SIM_GET_SERIAL, {arg(h), arg(device), arg(serial)});
    Device* found = nullptr;
    const int32_t status = connected_device(call, h, device, serial != nullptr, &found);
    put_value(call.script(), 0, serial,
              found != nullptr ? std::optional<int32_t>(found->profile->serial) : std::nullopt);
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_get_network_config(dsdk_handle h, int32_t device, char* text1,
                                                   uint16_t* value) {
    Call call(SIM_GET_NETWORK_CONFIG, {arg(h), arg(device), arg(text1), arg(value)});
    Device* found = nullptr;
    const int32_t status =
        connected_device(call, h, device, text1 != nullptr && value != nullptr, &found);
    const NetworkConfig config = found != nullptr ? found->profile->network : NetworkConfig{};
    put_text(call.script(), 0, text1, DSDK_NETWORK_TEXT_SIZE, config.address);
    put_value(call.script(), 0, value,
              status == kOk ? std::optional<uint16_t>(config.port) : std::nullopt);
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_get_network_config_full(dsdk_handle h, int32_t device, char* text1,
                                                        uint16_t* value, char* text2, char* text3,
                                                        char* text4) {
    Call call(SIM_GET_NETWORK_CONFIG_FULL,
              {arg(h), arg(device), arg(text1), arg(value), arg(text2), arg(text3), arg(text4)});
    Device* found = nullptr;
    const bool pointers_valid = text1 != nullptr && value != nullptr && text2 != nullptr &&
                                text3 != nullptr && text4 != nullptr;
    const int32_t status = connected_device(call, h, device, pointers_valid, &found);
    const NetworkConfig config = found != nullptr ? found->profile->network : NetworkConfig{};
    put_text(call.script(), 0, text1, DSDK_NETWORK_TEXT_SIZE, config.address);
    put_text(call.script(), 1, text2, DSDK_NETWORK_TEXT_SIZE, config.mask);
    put_text(call.script(), 2, text3, DSDK_NETWORK_TEXT_SIZE, config.gateway);
    put_text(call.script(), 3, text4, DSDK_NETWORK_TEXT_SIZE, config.hardware);
    put_value(call.script(), 0, value,
              status == kOk ? std::optional<uint16_t>(config.port) : std::nullopt);
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_scan_biometric(dsdk_handle h, int32_t device,
                                               dsdk_template* records, int32_t capacity,
                                               int32_t* count) {
    Call call(SIM_SCAN_BIOMETRIC, {arg(h), arg(device), arg(records), arg(capacity), arg(count)});
    Device* found = nullptr;
    const bool pointers_valid =
        count != nullptr && capacity >= 0 && (records != nullptr || capacity == 0);
    const int32_t status = connected_device(call, h, device, pointers_valid, &found);
    const Script& script = call.script();
    const int32_t room = records != nullptr && capacity > 0 ? capacity : 0;

    // What the scan hands out: the scripted templates, else the terminal's own capture.
    std::vector<ScriptedTemplate> captured = call.scripted_templates();
    const bool scripted = !captured.empty();
    if (!scripted && found != nullptr && !script.records) {
        for (const Capture& own : found->profile->scan) {
            ScriptedTemplate capture;
            capture.scan_value = own.scan_value;
            capture.data = own.data;
            capture.data_size = static_cast<int32_t>(capture.data.size());
            captured.push_back(std::move(capture));
        }
    }
    const int32_t filled = std::min(static_cast<int32_t>(captured.size()), room);
    int32_t natural_count = scripted ? static_cast<int32_t>(captured.size()) : filled;
    if (!scripted && found != nullptr && script.records) {
        natural_count = std::min(static_cast<int32_t>(found->profile->scan.size()), capacity);
    }
    if (!script.untouched && records != nullptr) {
        put_records(script, records, room_bytes(records, room, sizeof(dsdk_template)), nullptr, 0);
        for (int32_t i = 0; i < filled; ++i) {
            const ScriptedTemplate& capture = captured[static_cast<size_t>(i)];
            dsdk_template record{};
            record.data_size = capture.data_size;
            record.data =
                call.templates().allocate(capture.data.data(), capture.data.size(), records, i);
            record.scan_value = capture.scan_value;
            records[i] = record;
        }
    }
    put_count(script, count, natural_count);
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_free_biometric(dsdk_template* records, int32_t capacity) {
    Call call(SIM_FREE_BIOMETRIC, {arg(records), arg(capacity)});
    record_array(call, 0, records, capacity, sizeof(dsdk_template));
    if (call.terminals().refusal() != kOk) {
        return call.finish(call.terminals().refusal());
    }
    if (capacity < 0) {
        return call.finish(kBadArgument);
    }
    call.templates().release_records(records, capacity);
    return call.finish(kOk);
}

DSDK_API int32_t DSDK_CALL dsdk_scan_card(dsdk_handle h, int32_t device, int32_t* card) {
    Call call(SIM_SCAN_CARD, {arg(h), arg(device), arg(card)});
    Device* found = nullptr;
    const int32_t status = connected_device(call, h, device, card != nullptr, &found);
    put_value(call.script(), 0, card,
              found != nullptr ? std::optional<int32_t>(found->profile->card) : std::nullopt);
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_add_user(dsdk_handle h, int32_t device, const dsdk_user* user,
                                         int32_t template_count, const dsdk_template* templates,
                                         int32_t reserved1, int32_t reserved2) {
    Call call(SIM_ADD_USER, {arg(h), arg(device), arg(user), arg(template_count), arg(templates),
                             arg(reserved1), arg(reserved2)});
    if (user != nullptr) {
        call.blob(0, user, sizeof(dsdk_user));
    }
    record_array(call, 1, templates, template_count, sizeof(dsdk_template));
    bool templates_valid = template_count >= 0 && (templates != nullptr || template_count == 0);
    if (templates != nullptr) {
        for (int32_t i = 0; i < template_count; ++i) {
            const dsdk_template& record = templates[i];
            if (readable_template(record)) {
                call.blob(2 + static_cast<size_t>(i), record.data,
                          static_cast<size_t>(record.data_size));
            }
            templates_valid = templates_valid && readable_template(record) &&
                              record.data_size <= kMaxTemplateBytes;
        }
    }

    Device* found = nullptr;
    int32_t status = connected_device(call, h, device, user != nullptr && templates_valid, &found);
    if (status == kOk && template_count > kMaxTemplatesPerUser) {
        status = kTableFull;
    }
    if (status == kOk && found->users.count(user->uid) == 0 &&
        found->users.size() >= found->profile->max_users) {
        status = kTableFull;
    }
    if (status == kOk) {
        StoredUser stored;
        stored.user = *user;
        for (int32_t i = 0; i < template_count; ++i) {
            const dsdk_template& record = templates[i];
            StoredTemplate kept;
            kept.finger_id = record.finger_id;
            kept.format = record.format;
            kept.id = record.id;
            kept.data.assign(record.data, record.data + record.data_size);
            stored.templates.push_back(std::move(kept));
        }
        found->users[user->uid] = std::move(stored);
    }
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_remove_user(dsdk_handle h, int32_t device, const dsdk_user* user) {
    Call call(SIM_REMOVE_USER, {arg(h), arg(device), arg(user)});
    if (user != nullptr) {
        call.blob(0, user, sizeof(dsdk_user));
    }
    Device* found = nullptr;
    int32_t status = connected_device(call, h, device, user != nullptr, &found);
    if (status == kOk && found->users.erase(user->uid) == 0) {
        status = kUnknownUser;
    }
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_set_time(dsdk_handle h, int32_t device, const dsdk_time* time) {
    Call call(SIM_SET_TIME, {arg(h), arg(device), arg(time)});
    if (time != nullptr) {
        call.blob(0, time, sizeof(dsdk_time));
    }
    Device* found = nullptr;
    const int32_t status =
        connected_device(call, h, device, time != nullptr && valid_time(*time), &found);
    if (status == kOk) {
        found->clock = *time;
        found->clock_set = true;
    }
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_get_system_parameters(dsdk_handle h, int32_t device,
                                                      dsdk_parameter* records, int32_t* count) {
    Call call(SIM_GET_SYSTEM_PARAMETERS, {arg(h), arg(device), arg(records), arg(count)});
    Device* found = nullptr;
    const int32_t status =
        connected_device(call, h, device, records != nullptr && count != nullptr, &found);
    const size_t room = room_bytes(records, DSDK_PARAMETER_READ_ROOM, sizeof(dsdk_parameter));
    std::vector<dsdk_parameter> natural;
    if (found != nullptr) {
        natural = found->parameters;  // never more than kMaxParameters
    }
    put_records(call.script(), records, room, natural.data(),
                natural.size() * sizeof(dsdk_parameter));
    put_count(call.script(), count, static_cast<int32_t>(natural.size()));
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_set_system_parameters(dsdk_handle h, int32_t device,
                                                      const dsdk_parameter* records,
                                                      int32_t count) {
    Call call(SIM_SET_SYSTEM_PARAMETERS, {arg(h), arg(device), arg(records), arg(count)});
    record_array(call, 0, records, count, sizeof(dsdk_parameter));
    Device* found = nullptr;
    int32_t status =
        connected_device(call, h, device, count >= 0 && (records != nullptr || count == 0), &found);
    if (status == kOk) {
        std::vector<dsdk_parameter> table = found->parameters;
        for (int32_t i = 0; i < count && status == kOk; ++i) {
            auto same = std::find_if(table.begin(), table.end(), [&](const dsdk_parameter& p) {
                return p.id == records[i].id;
            });
            if (same != table.end()) {
                same->value = records[i].value;
            } else if (table.size() < kMaxParameters) {
                table.push_back(records[i]);
            } else {
                status = kTableFull;  // nothing is changed
            }
        }
        if (status == kOk) {
            found->parameters = std::move(table);
        }
    }
    return call.finish(status);
}

DSDK_API int32_t DSDK_CALL dsdk_get_logs(dsdk_handle h, int32_t device, int32_t capacity,
                                         dsdk_log_record* records, int32_t* count) {
    Call call(SIM_GET_LOGS, {arg(h), arg(device), arg(capacity), arg(records), arg(count)});
    return read_logs(call, h, device, capacity, records, count, false, true);
}

DSDK_API int32_t DSDK_CALL dsdk_get_log_cache(dsdk_handle h, int32_t device, int32_t capacity,
                                              dsdk_log_record* records, int32_t* count,
                                              const dsdk_log_record* block) {
    Call call(SIM_GET_LOG_CACHE,
              {arg(h), arg(device), arg(capacity), arg(records), arg(count), arg(block)});
    if (block != nullptr) {
        call.blob(0, block, sizeof(dsdk_log_record));
    }
    return read_logs(call, h, device, capacity, records, count, true, block != nullptr);
}

}  // extern "C"
