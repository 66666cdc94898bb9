// Status codes and limits of the simulated terminals.
#ifndef DEVICESDK5_SIM_STATUS_H
#define DEVICESDK5_SIM_STATUS_H

#include <cstddef>
#include <cstdint>

#include "devicesdk5.h"

namespace dsdk_sim {

enum Status : int32_t {
    kOk = 0,
    kUnknownHandle = -1,     // no live instance has this handle
    kUnknownDevice = -2,     // the device number was not added to the instance
    kNotConnected = -3,      // the operation needs a connected device
    kBadArgument = -4,       // null pointer, negative count or capacity, invalid record
    kUnknownUser = -5,       // dsdk_remove_user: no user with that uid
    kDeviceExists = -6,      // dsdk_add_device: the number is already added
    kTableFull = -7,         // a per-instance or per-device table has no room left
    kScenarioUnusable = -8,  // the scenario file could not be read or used: every call fails
};

inline constexpr uint32_t kFirstHandle = 0x00001000u;
inline constexpr size_t kMaxInstances = 4096;
inline constexpr size_t kMaxDevicesPerInstance = 256;
inline constexpr size_t kMaxUsersPerDevice = 10000;
inline constexpr int32_t kMaxTemplatesPerUser = 100;
inline constexpr int32_t kMaxTemplateBytes = 1 << 20;
inline constexpr size_t kMaxParameters = DSDK_PARAMETER_READ_ROOM;
inline constexpr int kTextSlots = 4;   // out-texts an operation may have
inline constexpr int kValueSlots = 2;  // scalar out-values an operation may have

}  // namespace dsdk_sim

#endif
