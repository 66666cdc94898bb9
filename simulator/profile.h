// Everything a simulated terminal knows about itself and how it behaves: what the terminal
// answers, what it stores when it is added, and the status rules and delays of its operations.
// A profile comes from the defaults (derived from the device number) or from a scenario file.
#ifndef DEVICESDK5_SIM_PROFILE_H
#define DEVICESDK5_SIM_PROFILE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "devicesdk5.h"
#include "devicesdk5_sim.h"

namespace dsdk_sim {

struct StoredTemplate {
    int32_t finger_id = 0;
    int32_t format = 0;
    int32_t id = 0;
    std::vector<uint8_t> data;
};

struct StoredUser {
    dsdk_user user{};
    std::vector<StoredTemplate> templates;
};

// What dsdk_get_network_config(_full) reports for a device.
struct NetworkConfig {
    std::string address;
    uint16_t port = 0;
    std::string mask;
    std::string gateway;
    std::string hardware;
};

// One template that a scan captures.
struct Capture {
    uint32_t scan_value = 0;
    std::vector<uint8_t> data;
};

// The operations a scenario gives rules to, by their SDK names; the per-terminal ones name a
// device in their second argument, the others belong to the scenario as a whole. An operation
// whose Java method has another name can be named either way (dsdk_is_connected is what the Java
// method dsdk_device_connected calls).
struct OperationName {
    const char* name;
    sim_op op;
    bool per_terminal;
};
inline constexpr OperationName kOperationNames[] = {
    {"dsdk_add_device", SIM_ADD_DEVICE, true},
    {"dsdk_remove_device", SIM_REMOVE_DEVICE, true},
    {"dsdk_connect", SIM_CONNECT, true},
    {"dsdk_disconnect", SIM_DISCONNECT, true},
    {"dsdk_is_connected", SIM_IS_CONNECTED, true},
    {"dsdk_device_connected", SIM_IS_CONNECTED, true},
    {"dsdk_init_device", SIM_INIT_DEVICE, true},
    {"dsdk_get_firmware_version", SIM_GET_FIRMWARE_VERSION, true},
    {"dsdk_get_serial", SIM_GET_SERIAL, true},
    {"dsdk_get_network_config", SIM_GET_NETWORK_CONFIG, true},
    {"dsdk_get_network_config_full", SIM_GET_NETWORK_CONFIG_FULL, true},
    {"dsdk_scan_biometric", SIM_SCAN_BIOMETRIC, true},
    {"dsdk_scan_card", SIM_SCAN_CARD, true},
    {"dsdk_add_user", SIM_ADD_USER, true},
    {"dsdk_remove_user", SIM_REMOVE_USER, true},
    {"dsdk_set_time", SIM_SET_TIME, true},
    {"dsdk_get_system_parameters", SIM_GET_SYSTEM_PARAMETERS, true},
    {"dsdk_set_system_parameters", SIM_SET_SYSTEM_PARAMETERS, true},
    {"dsdk_get_logs", SIM_GET_LOGS, true},
    {"dsdk_get_log_cache", SIM_GET_LOG_CACHE, true},
    {"dsdk_search_devices", SIM_SEARCH_DEVICES, false},
};

// Whether op names a device in its second argument.
inline bool names_device(sim_op op) {
    for (const OperationName& name : kOperationNames) {
        if (name.op == op) {
            return name.per_terminal;
        }
    }
    return false;
}

// The status one operation returns on calls from_call to to_call (counted from 1), and the delay
// of each of its calls. For the connected query, a rule may instead give the flag it answers
// with status 0 on those calls.
struct OperationRule {
    std::optional<int32_t> status;
    std::optional<bool> connected;
    int64_t from_call = 1;
    std::optional<int64_t> to_call;  // none: every later call
    int64_t delay_us = 0;

    bool covers(int64_t call) const { return call >= from_call && (!to_call || call <= *to_call); }
    std::optional<int32_t> status_of_call(int64_t call) const {
        return status && covers(call) ? status : std::nullopt;
    }
    std::optional<bool> connected_of_call(int64_t call) const {
        return connected && covers(call) ? connected : std::nullopt;
    }
};

// The integer fields of an event log record, in record order; double1 is apart.
struct LogField {
    const char* name;
    size_t offset;
    size_t width;  // bytes
    bool is_signed;
};
inline constexpr LogField kLogFields[] = {
    {"int1", offsetof(dsdk_log_record, int1), 4, true},
    {"int2", offsetof(dsdk_log_record, int2), 4, true},
    {"short1", offsetof(dsdk_log_record, short1), 2, false},
    {"short2", offsetof(dsdk_log_record, short2), 2, false},
    {"byte1", offsetof(dsdk_log_record, byte1), 1, false},
    {"byte2", offsetof(dsdk_log_record, byte2), 1, false},
    {"byte3", offsetof(dsdk_log_record, byte3), 1, false},
    {"byte4", offsetof(dsdk_log_record, byte4), 1, false},
    {"byte5", offsetof(dsdk_log_record, byte5), 1, false},
};
inline constexpr size_t kLogFieldCount = sizeof kLogFields / sizeof kLogFields[0];
inline constexpr const char* kLogReadingField = "double1";

// An event log that grows: record k (from 0) appears period_us x (k + 1) after the device was
// added, with each field of first plus k times its step (cut to the field's width).
struct LogGrowth {
    int64_t period_us = 0;
    dsdk_log_record first{};
    std::array<int64_t, kLogFieldCount> steps{};
    double reading_step = 0;
    std::optional<int64_t> limit;  // records it grows by at most

    // Record k of the growth.
    dsdk_log_record record(int64_t k) const;
    // Records grown after elapsed_us.
    int64_t grown(int64_t elapsed_us) const;
};

struct TerminalProfile {
    int32_t device = 0;
    dsdk_device search{};  // int1 is the device number
    int32_t serial = 0;
    int32_t card = 0;
    std::string firmware;
    NetworkConfig network;
    std::vector<dsdk_parameter> parameters;
    std::map<int32_t, StoredUser> users;
    size_t max_users = 0;
    std::vector<Capture> scan;
    std::vector<dsdk_log_record> logs;
    std::vector<dsdk_log_record> log_cache;
    std::optional<LogGrowth> growth;
    std::array<OperationRule, SIM_OP_COUNT> rules;
    // The terminal offline: its status for every operation that names it, on the terminal's
    // calls from_call to to_call counted over all those operations together.
    std::optional<OperationRule> offline;
};

// The terminals of a scenario file, in file order, and the rules of the operations that name no
// device.
struct Scenario {
    std::vector<TerminalProfile> terminals;
    std::array<OperationRule, SIM_OP_COUNT> rules;
};

}  // namespace dsdk_sim

#endif
