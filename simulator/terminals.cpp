#include "terminals.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace dsdk_sim {

namespace {

constexpr int32_t kSearchPort = 4370;
constexpr uint16_t kTerminalPort = 4370;
constexpr uint32_t kSerialBase = 5100000u;
constexpr uint32_t kCardBase = 0x00A10000u;
constexpr int32_t kScanTemplateBytes = 64;
constexpr uint32_t kBestQuality = 90;
constexpr uint32_t kQualityStep = 5;
constexpr uint32_t kFirstHostNumber = 10;
constexpr uint32_t kHostNumbers = 240;  // addresses 192.0.2.10 to 192.0.2.249
constexpr int32_t kLogRecords = 5;
constexpr int32_t kLogCacheRecords = 3;
constexpr int32_t kFirstLogUser = 1000;
constexpr int32_t kFirstCacheUser = 2000;
constexpr int32_t kScanTemplates = 2;  // templates a default scan captures

struct FoundTerminal {
    int32_t type;
    int32_t number;
    const char* address;
    const char* serial;
};

constexpr FoundTerminal kFoundTerminals[] = {
    {1, 1, "192.0.2.21", "QVT5A00000021"},
    {2, 2, "192.0.2.22", "QVT5B00000022"},
    {3, 3, "192.0.2.23", "QVP1C00000023"},
};

// Copies text into a fixed field, always leaving a NUL inside it.
template <size_t N>
void set_field(char (&field)[N], const char* text) {
    std::snprintf(field, N, "%s", text);
}

dsdk_log_record log_record(int32_t uid, int32_t event, uint16_t door, uint8_t day, int32_t index,
                           double reading) {
    dsdk_log_record record{};
    record.int1 = uid;
    record.int2 = event;
    record.short1 = door;
    record.short2 = 2024;  // bytes 10 to 16: year, month, day, hour, minute, second
    record.byte1 = 3;
    record.byte2 = day;
    record.byte3 = static_cast<uint8_t>(8 + index);
    record.byte4 = static_cast<uint8_t>((index * 7) % 60);
    record.byte5 = static_cast<uint8_t>((index * 11) % 60);
    record.double1 = reading;
    return record;
}

std::vector<uint8_t> scan_template_data(int32_t device, int32_t index) {
    std::vector<uint8_t> data(kScanTemplateBytes);
    const uint32_t seed = static_cast<uint32_t>(device) * 13u + static_cast<uint32_t>(index) * 101u;
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(seed + i);
    }
    return data;
}

uint32_t scan_quality(int32_t index) {
    return kBestQuality - kQualityStep * static_cast<uint32_t>(index);
}

}  // namespace

Terminals::Terminals(std::shared_ptr<const Scenario> scenario) : scenario_(std::move(scenario)) {}

Terminals Terminals::refusing(int32_t refusal) {
    Terminals terminals;
    terminals.refusal_ = refusal;
    return terminals;
}

std::shared_ptr<const TerminalProfile> Terminals::profile_of(int32_t device) const {
    if (!scenario_) {
        return std::make_shared<const TerminalProfile>(default_profile(device));
    }
    for (const TerminalProfile& terminal : scenario_->terminals) {
        if (terminal.device == device) {
            // Shares the scenario's lifetime: the profile lives as long as the scenario.
            return std::shared_ptr<const TerminalProfile>(scenario_, &terminal);
        }
    }
    return nullptr;
}

dsdk_handle Terminals::create() {
    if (refusal_ != kOk || instances_.size() >= kMaxInstances) {
        return 0;
    }
    while (next_handle_ == 0 || instances_.count(next_handle_) != 0) {
        ++next_handle_;
    }
    const dsdk_handle handle = next_handle_++;
    instances_[handle];
    return handle;
}

void Terminals::adopt(dsdk_handle handle) {
    if (handle != 0 && instances_.size() < kMaxInstances) {
        instances_[handle];
    }
}

int32_t Terminals::release(dsdk_handle handle) {
    if (refusal_ != kOk) {
        return refusal_;
    }
    return instances_.erase(handle) != 0 ? kOk : kUnknownHandle;
}

int32_t Terminals::check_instance(dsdk_handle handle) const {
    if (refusal_ != kOk) {
        return refusal_;
    }
    return instances_.count(handle) != 0 ? kOk : kUnknownHandle;
}

int32_t Terminals::check_device(dsdk_handle handle, int32_t device) const {
    const int32_t status = check_instance(handle);
    if (status != kOk) {
        return status;
    }
    return instances_.at(handle).count(device) != 0 ? kOk : kUnknownDevice;
}

int32_t Terminals::add_device(dsdk_handle handle, int32_t device, int64_t now_us) {
    const int32_t status = check_instance(handle);
    if (status != kOk) {
        return status;
    }
    std::map<int32_t, Device>& devices = instances_[handle];
    if (devices.count(device) != 0) {
        return kDeviceExists;
    }
    if (devices.size() >= kMaxDevicesPerInstance) {
        return kTableFull;
    }
    std::shared_ptr<const TerminalProfile> profile = profile_of(device);
    if (!profile) {
        return kUnknownDevice;  // the scenario has no terminal with this number
    }
    Device& added = devices[device];
    added.parameters = profile->parameters;
    added.users = profile->users;
    added.logs = profile->logs;
    added.log_cache = profile->log_cache;
    added.added_at_us = now_us;
    added.profile = std::move(profile);
    return kOk;
}

int32_t Terminals::remove_device(dsdk_handle handle, int32_t device) {
    const int32_t status = check_device(handle, device);
    if (status != kOk) {
        return status;
    }
    instances_[handle].erase(device);
    return kOk;
}

int32_t Terminals::find(dsdk_handle handle, int32_t device, bool need_connection, Device** found) {
    *found = nullptr;
    if (refusal_ != kOk) {
        return refusal_;
    }
    auto instance = instances_.find(handle);
    if (instance == instances_.end()) {
        return kUnknownHandle;
    }
    auto entry = instance->second.find(device);
    if (entry == instance->second.end()) {
        return kUnknownDevice;
    }
    if (need_connection && !entry->second.connected) {
        return kNotConnected;
    }
    *found = &entry->second;
    return kOk;
}

TerminalProfile default_profile(int32_t device) {
    TerminalProfile profile;
    profile.device = device;
    profile.serial = serial_number(device);
    profile.card = card_number(device);
    profile.firmware = firmware_version(device);
    profile.network = network_config(device);
    profile.parameters = default_parameters(device);
    profile.max_users = kMaxUsersPerDevice;
    for (int32_t i = 0; i < kScanTemplates; ++i) {
        profile.scan.push_back(Capture{scan_quality(i), scan_template_data(device, i)});
    }
    profile.logs = default_logs(device);
    profile.log_cache = default_log_cache(device);
    return profile;
}

std::vector<dsdk_device> default_search_results() {
    std::vector<dsdk_device> found;
    for (const FoundTerminal& terminal : kFoundTerminals) {
        dsdk_device record{};
        record.type = terminal.type;
        record.int1 = terminal.number;
        set_field(record.text1, terminal.address);
        set_field(record.text2, terminal.serial);
        record.short1 = kSearchPort;
        found.push_back(record);
    }
    return found;
}

std::string firmware_version(int32_t device) {
    return "QVT5 firmware 5.4.2 (device " + std::to_string(device) + ")";
}

int32_t serial_number(int32_t device) {
    return static_cast<int32_t>(kSerialBase + static_cast<uint32_t>(device));
}

int32_t card_number(int32_t device) {
    return static_cast<int32_t>(kCardBase + static_cast<uint32_t>(device));
}

NetworkConfig network_config(int32_t device) {
    const uint32_t number = static_cast<uint32_t>(device);
    NetworkConfig config;
    config.address = "192.0.2." + std::to_string(kFirstHostNumber + number % kHostNumbers);
    config.port = kTerminalPort;
    config.mask = "255.255.255.0";
    config.gateway = "192.0.2.1";
    char hardware[DSDK_NETWORK_TEXT_SIZE];
    std::snprintf(hardware, sizeof hardware, "00-1B-5A-%02X-%02X", (number >> 8) & 0xFFu,
                  number & 0xFFu);
    config.hardware = hardware;
    return config;
}

std::vector<dsdk_parameter> default_parameters(int32_t device) {
    return {
        {1, 3},     // door unlock seconds
        {2, 10},    // alarm delay seconds
        {3, 0},     // anti-passback off
        {4, 1},     // verification mode
        {5, 80},    // match threshold
        {6, 4370},  // service port
        {7, 1},     // buzzer on
        {8, device},
    };
}

std::vector<dsdk_log_record> default_logs(int32_t device) {
    std::vector<dsdk_log_record> logs;
    for (int32_t i = 0; i < kLogRecords; ++i) {
        logs.push_back(log_record(kFirstLogUser + i, i % 3, static_cast<uint16_t>(device), 5, i,
                                  36.5 + 0.25 * i));
    }
    return logs;
}

std::vector<dsdk_log_record> default_log_cache(int32_t device) {
    std::vector<dsdk_log_record> logs;
    for (int32_t i = 0; i < kLogCacheRecords; ++i) {
        logs.push_back(
            log_record(kFirstCacheUser + i, 4, static_cast<uint16_t>(device), 6, i, 0.5 * i));
    }
    return logs;
}

}  // namespace dsdk_sim
