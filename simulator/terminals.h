// The simulated terminals: SDK instances, the devices added to them and what each device stores.
// Not thread-safe by itself; the simulator calls it under its one lock.
#ifndef DEVICESDK5_SIM_TERMINALS_H
#define DEVICESDK5_SIM_TERMINALS_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "devicesdk5.h"
#include "profile.h"
#include "sim_status.h"

namespace dsdk_sim {

struct Device {
    std::shared_ptr<const TerminalProfile> profile;
    int64_t added_at_us = 0;  // on the simulator's clock
    bool connected = false;
    bool initialized = false;
    std::string address;
    uint16_t value1 = 0;  // port
    uint16_t value2 = 0;  // timeout
    bool clock_set = false;
    dsdk_time clock{};
    std::map<int32_t, StoredUser> users;
    std::vector<dsdk_parameter> parameters;
    std::vector<dsdk_log_record> logs;
    std::vector<dsdk_log_record> log_cache;
};

class Terminals {
  public:
    // The default terminals: any device number can be added.
    Terminals() = default;
    // The terminals of a scenario: only its device numbers can be added.
    explicit Terminals(std::shared_ptr<const Scenario> scenario);
    // Terminals of a scenario that could not be used: every operation fails with refusal.
    static Terminals refusing(int32_t refusal);

    // kOk, or the status with which every operation fails.
    int32_t refusal() const { return refusal_; }
    // The scenario's terminals, or null for the default terminals.
    const Scenario* scenario() const { return scenario_.get(); }

    // A new instance under the next free handle, or 0 when the instance table is full.
    dsdk_handle create();
    // Makes a scripted handle value a live instance (nothing happens for 0 or a live handle).
    void adopt(dsdk_handle handle);
    int32_t release(dsdk_handle handle);

    // Adds the device with the clock's time now_us.
    int32_t add_device(dsdk_handle handle, int32_t device, int64_t now_us);
    int32_t remove_device(dsdk_handle handle, int32_t device);
    // kOk for a live handle, else kUnknownHandle (or the refusal).
    int32_t check_instance(dsdk_handle handle) const;
    // kOk when the device number is added to a live handle.
    int32_t check_device(dsdk_handle handle, int32_t device) const;

    // Finds a device; with need_connection a device that is not connected gives kNotConnected.
    int32_t find(dsdk_handle handle, int32_t device, bool need_connection, Device** found);

  private:
    // The profile of a device that can be added, null when the scenario has no such terminal.
    std::shared_ptr<const TerminalProfile> profile_of(int32_t device) const;

    std::shared_ptr<const Scenario> scenario_;
    int32_t refusal_ = kOk;
    std::map<dsdk_handle, std::map<int32_t, Device>> instances_;
    uint32_t next_handle_ = kFirstHandle;
};

// Default answers of a simulated terminal, derived from its device number.
TerminalProfile default_profile(int32_t device);
std::vector<dsdk_device> default_search_results();
std::string firmware_version(int32_t device);
int32_t serial_number(int32_t device);
int32_t card_number(int32_t device);
NetworkConfig network_config(int32_t device);
std::vector<dsdk_parameter> default_parameters(int32_t device);
std::vector<dsdk_log_record> default_logs(int32_t device);
std::vector<dsdk_log_record> default_log_cache(int32_t device);

}  // namespace dsdk_sim

#endif
