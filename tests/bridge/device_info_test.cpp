// Firmware version, serial number and network settings.
#include <algorithm>

#include "bridge_test.h"

namespace bridgetest {
namespace {

using DeviceInfoTest = BridgeTest;

TEST_F(DeviceInfoTest, FirmwareVersionTexts) {
    const std::string full(254, 'v');
    const struct {
        const char* name;
        std::string written;  // bytes the SDK writes, as they are
        bool untouched;
        std::string expected;
    } cases[] = {
        {"plain", std::string("5.2.1\0", 6), false, "5.2.1"},
        {"254 bytes fill the buffer with the NUL", full + '\0', false, full},
        {"unterminated: read within the buffer", std::string(255, 'w'), false,
         std::string(255, 'w')},
        {"unwritten buffer is empty, not stale", "", true, ""},
    };
    for (const auto& c : cases) {
        resetSimulator();
        sim_set_status(SIM_GET_FIRMWARE_VERSION, c.untouched ? -4 : 0);
        if (c.untouched) {
            sim_set_untouched(SIM_GET_FIRMWARE_VERSION);
        } else {
            sim_set_text(SIM_GET_FIRMWARE_VERSION, 0, c.written.data(), c.written.size());
        }
        jobject result = api.firmwareVersion(handle(), kDevice);
        ASSERT_NE(result, nullptr) << c.name;
        EXPECT_EQ(intField(result, "status"), c.untouched ? -4 : 0) << c.name;
        EXPECT_EQ(utfField(result, "version"), c.expected) << c.name;
    }
}

TEST_F(DeviceInfoTest, SerialNumberBitsAndStatus) {
    const struct {
        const char* name;
        std::int32_t status;
        bool untouched;
        std::int64_t serial;
        jint expected;
    } cases[] = {
        {"top bit set", 0, false, 0x80000001u, static_cast<jint>(0x80000001u)},
        {"failure without a serial", -9, true, 0, 0},
        {"failure with a serial", -9, false, 77, 77},
    };
    for (const auto& c : cases) {
        resetSimulator();
        sim_set_status(SIM_GET_SERIAL, c.status);
        if (c.untouched) {
            sim_set_untouched(SIM_GET_SERIAL);
        } else {
            sim_set_value(SIM_GET_SERIAL, 0, c.serial);
        }
        jobject result = api.serial(handle(), kDevice);
        ASSERT_NE(result, nullptr) << c.name;
        EXPECT_EQ(intField(result, "status"), c.status) << c.name;
        EXPECT_EQ(intField(result, "serial"), c.expected) << c.name;
    }
}

TEST_F(DeviceInfoTest, ShortNetworkFormHasOneEmptyStringForTheMissingTexts) {
    sim_set_text(SIM_GET_NETWORK_CONFIG, 0, "192.0.2.10", 11);
    sim_set_value(SIM_GET_NETWORK_CONFIG, 0, 65535);
    sim_set_status(SIM_GET_NETWORK_CONFIG, 3);
    jobject result = api.networkConfig(handle(), kDevice);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(intField(result, "status"), 3);
    EXPECT_EQ(utfField(result, "text1"), "192.0.2.10");
    EXPECT_EQ(shortField(result, "value"), -1);
    jobject t2 = objectField(result, "text2", "Ljava/lang/String;");
    jobject t3 = objectField(result, "text3", "Ljava/lang/String;");
    jobject t4 = objectField(result, "text4", "Ljava/lang/String;");
    EXPECT_EQ(utf(static_cast<jstring>(t2)), "");
    EXPECT_TRUE(e->IsSameObject(t2, t3) && e->IsSameObject(t3, t4));
}

TEST_F(DeviceInfoTest, FullNetworkFormKeepsTheSdkOrder) {
    const char* texts[] = {"192.0.2.10", "255.255.255.0", "192.0.2.1", "00-1B-44-11-3A-B7"};
    for (int i = 0; i < 4; ++i) {
        char buffer[16] = {};
        // The last one fills all 16 bytes, without a NUL.
        std::memcpy(buffer, texts[i], std::min(std::strlen(texts[i]), sizeof buffer));
        sim_set_text(SIM_GET_NETWORK_CONFIG_FULL, i, buffer, sizeof buffer);
    }
    sim_set_value(SIM_GET_NETWORK_CONFIG_FULL, 0, 4370);
    jobject result = api.networkConfigFull(handle(), kDevice);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(intField(result, "status"), 0);
    EXPECT_EQ(utfField(result, "text1"), "192.0.2.10");
    EXPECT_EQ(shortField(result, "value"), 4370);
    EXPECT_EQ(utfField(result, "text2"), "255.255.255.0");
    EXPECT_EQ(utfField(result, "text3"), "192.0.2.1");
    // Sixteen bytes without a NUL: the text ends with its buffer.
    EXPECT_EQ(utfField(result, "text4"), "00-1B-44-11-3A-B");
}

TEST_F(DeviceInfoTest, NetworkBuffersThatTheSdkLeavesAloneAreEmpty) {
    sim_set_untouched(SIM_GET_NETWORK_CONFIG_FULL);
    sim_set_status(SIM_GET_NETWORK_CONFIG_FULL, -2);
    jobject result = api.networkConfigFull(handle(), kDevice);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(intField(result, "status"), -2);
    for (const char* f : {"text1", "text2", "text3", "text4"})
        EXPECT_EQ(utfField(result, f), "");
    EXPECT_EQ(shortField(result, "value"), 0);
}

}  // namespace
}  // namespace bridgetest
