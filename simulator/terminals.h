// The simulated terminals: SDK instances, the devices added to them and what each device stores.
// Not thread-safe by itself; the simulator calls it under its one lock.
#ifndef DEVICESDK5_SIM_TERMINALS_H
#define DEVICESDK5_SIM_TERMINALS_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "devicesdk5.h"
#include "sim_status.h"

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

struct Device {
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

// What dsdk_get_network_config_full reports for a device.
struct NetworkConfig {
    std::string address;
    uint16_t port = 0;
    std::string mask;
    std::string gateway;
    std::string hardware;
};

class Terminals {
  public:
    Terminals() = default;

    // A new instance under the next free handle, or 0 when the instance table is full.
    dsdk_handle create();
    // Makes a scripted handle value a live instance (nothing happens for 0 or a live handle).
    void adopt(dsdk_handle handle);
    int32_t release(dsdk_handle handle);

    int32_t add_device(dsdk_handle handle, int32_t device);
    int32_t remove_device(dsdk_handle handle, int32_t device);
    bool has_instance(dsdk_handle handle) const;

    // Finds a device; with need_connection a device that is not connected gives kNotConnected.
    int32_t find(dsdk_handle handle, int32_t device, bool need_connection, Device** found);

  private:
    std::map<dsdk_handle, std::map<int32_t, Device>> instances_;
    uint32_t next_handle_ = kFirstHandle;
};

// Default answers of a simulated terminal, derived from its device number.
std::vector<dsdk_device> search_results();
std::string firmware_version(int32_t device);
int32_t serial_number(int32_t device);
int32_t card_number(int32_t device);
NetworkConfig network_config(int32_t device);
std::vector<uint8_t> scan_template_data(int32_t device, int32_t index);
uint32_t scan_quality(int32_t index);
std::vector<dsdk_parameter> default_parameters(int32_t device);
std::vector<dsdk_log_record> default_logs(int32_t device);
std::vector<dsdk_log_record> default_log_cache(int32_t device);

inline constexpr int32_t kScanTemplates = 2;  // templates a default scan captures

}  // namespace dsdk_sim

#endif
