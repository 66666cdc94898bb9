// Fixture of the bridge tests: a fresh simulator with one connected device, the reference
// ApiNative, and helpers to look at what the SDK received.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devicesdk5_sim.h"
#include "jvm.h"

#define EXPORT_NAME(method) "Java_com_zarvel_quorvexservice_apinative_ApiNative_" method

namespace bridgetest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes blob(sim_op op, int index) {
    std::size_t size = 0;
    const std::uint8_t* data = sim_last_blob(op, index, &size);
    return data == nullptr ? Bytes{} : Bytes(data, data + size);
}
inline bool hasBlob(sim_op op, int index) {
    std::size_t size = 0;
    return sim_last_blob(op, index, &size) != nullptr;
}

template <typename Record>
void scriptRecords(sim_op op, const std::vector<Record>& records) {
    sim_set_records(op, records.data(), records.size() * sizeof(Record));
    sim_set_count(op, static_cast<std::int32_t>(records.size()));
}

inline std::string bytesOf(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

class BridgeTest : public testing::Test {
  protected:
    static constexpr jint kDevice = 7;

    void SetUp() override {
        sim_reset();
        sdkHandle = dsdk_create();
        resetSimulator();
    }
    void TearDown() override { EXPECT_EQ(sim_outstanding_templates(), 0); }

    // A fresh simulator, with the handle and the connected device of the fixture again.
    void resetSimulator() {
        sim_reset();
        dsdk_handle again = dsdk_create();
        EXPECT_EQ(again, sdkHandle) << "the simulator hands out the same first handle";
        dsdk_add_device(sdkHandle, kDevice, 0);
        dsdk_connect(sdkHandle, kDevice, "192.0.2.10", 4370, 5);
        for (int op = 0; op < SIM_OP_COUNT; ++op)
            base_[op] = sim_calls(static_cast<sim_op>(op));
    }

    // Calls of op made by the test itself.
    int calls(sim_op op) const { return sim_calls(op) - base_[op]; }
    jlong handle() const { return static_cast<jlong>(sdkHandle); }

    // Expects the Java exception that the last call left, and clears it.
    void expectThrown(const char* type, const std::string& message = "") {
        const JavaError error = takeException();
        EXPECT_EQ(error.type, type);
        if (!message.empty()) {
            EXPECT_EQ(error.message, message);
        }
    }
    void expectNoException() {
        const JavaError error = takeException();
        EXPECT_FALSE(error) << error.type << ": " << error.message;
    }

    JNIEnv* e = env();
    const Api& api = Api::reference();
    dsdk_handle sdkHandle = 0;

  private:
    int base_[SIM_OP_COUNT] = {};
};

}  // namespace bridgetest
