// palmbridge.dll on the real Windows loader (wine64).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "devicesdk5_sim.h"

namespace {

// The export names, as the module definition lists them.
std::vector<std::string> exportNames() {
    std::ifstream def(QV_PALMBRIDGE_DEF);
    std::vector<std::string> names;
    std::string line;
    while (std::getline(def, line)) {
        if (line.rfind("Java_", 0) == 0)
            names.push_back(line);
    }
    return names;
}

class BridgeDll : public testing::Test {
  protected:
    void SetUp() override {
        bridge_ = LoadLibraryA("palmbridge.dll");
        ASSERT_NE(bridge_, nullptr) << "LoadLibrary failed with " << GetLastError();
    }
    void TearDown() override {
        if (bridge_ != nullptr)
            FreeLibrary(bridge_);
    }
    HMODULE bridge_ = nullptr;
};

TEST_F(BridgeDll, EveryNativeMethodResolves) {
    const auto names = exportNames();
    ASSERT_EQ(names.size(), 22u);
    for (const auto& name : names) {
        EXPECT_NE(GetProcAddress(bridge_, name.c_str()), nullptr) << name;
    }
}

TEST_F(BridgeDll, CallsReachTheSdkBoundByTheImportTable) {
    // The SDK the bridge imports is the very module this test links: one simulator state.
    EXPECT_EQ(GetModuleHandleA("devicesdk5.dll"), GetModuleHandleA("devicesdk5"));
    sim_reset();
    sim_set_status(SIM_CREATE, static_cast<std::int32_t>(0x80000000u));
    // These two methods never touch their JNI arguments.
    using Create = std::int64_t(__stdcall*)(void*, void*);
    using AddDevice = std::int32_t(__stdcall*)(void*, void*, std::int64_t, std::int32_t);
    auto create = reinterpret_cast<Create>(reinterpret_cast<void*>(GetProcAddress(
        bridge_, "Java_com_zarvel_quorvexservice_apinative_ApiNative_dsdk_1create")));
    auto addDevice = reinterpret_cast<AddDevice>(reinterpret_cast<void*>(GetProcAddress(
        bridge_, "Java_com_zarvel_quorvexservice_apinative_ApiNative_dsdk_1add_1device")));
    ASSERT_NE(create, nullptr);
    ASSERT_NE(addDevice, nullptr);
    EXPECT_EQ(create(nullptr, nullptr), 2147483648LL);
    sim_set_status(SIM_ADD_DEVICE, -17);
    EXPECT_EQ(addDevice(nullptr, nullptr, static_cast<std::int64_t>(0x700000009ULL), 4), -17);
    EXPECT_EQ(sim_calls(SIM_ADD_DEVICE), 1);
    EXPECT_EQ(sim_last_arg(SIM_ADD_DEVICE, 0), 9);
    EXPECT_EQ(sim_last_arg(SIM_ADD_DEVICE, 1), 4);
    EXPECT_EQ(sim_last_arg(SIM_ADD_DEVICE, 2), 0);
}

}  // namespace
