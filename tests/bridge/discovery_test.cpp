// Searching for terminals.
#include "bridge_test.h"

namespace bridgetest {
namespace {

using DiscoveryTest = BridgeTest;

dsdk_device device(std::int32_t type, std::int32_t int1, const char* text1, const char* text2,
                   std::uint16_t short1) {
    dsdk_device d;
    std::memset(&d, 0xAB, sizeof d);  // bytes after the texts' NULs must not matter
    d.type = type;
    d.int1 = int1;
    std::memcpy(d.text1, text1, std::strlen(text1) + 1);
    std::memcpy(d.text2, text2, std::strlen(text2) + 1);
    d.short1 = static_cast<std::int16_t>(short1);
    return d;
}

TEST_F(DiscoveryTest, RecordsBecomeDevices) {
    scriptRecords(SIM_SEARCH_DEVICES, std::vector<dsdk_device>{
                                          device(1, 10, "PB-500 192.0.2.10", "SN0001", 4370),
                                          device(-2, -1, "", "", 65535),
                                      });
    jobject result = api.searchDevices(handle(), 8);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(intField(result, "status"), 0);
    const auto devices = elements(objectField(
        result, "devices", "[Lcom/zarvel/quorvexservice/apinative/ApiNative$DSDKDevice;"));
    ASSERT_EQ(devices.size(), 2u);
    const char* typeSig = "Lcom/zarvel/quorvexservice/apinative/ApiNative$DSDKTypes;";
    EXPECT_EQ(intField(objectField(devices[0], "type", typeSig), "code"), 1);
    EXPECT_EQ(intField(devices[0], "value"), 10);
    EXPECT_EQ(utfField(devices[0], "text1"), "PB-500 192.0.2.10");
    EXPECT_EQ(utfField(devices[0], "text2"), "SN0001");
    EXPECT_EQ(shortField(devices[0], "shortValue"), 4370);
    EXPECT_EQ(intField(objectField(devices[1], "type", typeSig), "code"), -2);
    EXPECT_EQ(intField(devices[1], "value"), -1);
    EXPECT_EQ(utfField(devices[1], "text1"), "");
    EXPECT_EQ(utfField(devices[1], "text2"), "");
    EXPECT_EQ(shortField(devices[1], "shortValue"), -1) << "16 bits sign-extended";
}

TEST_F(DiscoveryTest, CountComesFromTheSdkWhateverTheStatus) {
    const struct {
        const char* name;
        jint maxCount;
        std::int32_t status, count;
        std::size_t expected;
    } cases[] = {
        {"room for none", 0, 0, 0, 0},
        {"failure with records", 4, -3, 2, 2},
        {"count above the room", 3, 0, 50, 3},
        {"negative count", 3, 0, -4, 0},
    };
    for (const auto& c : cases) {
        resetSimulator();
        sim_set_status(SIM_SEARCH_DEVICES, c.status);
        sim_set_count(SIM_SEARCH_DEVICES, c.count);
        jobject result = api.searchDevices(handle(), c.maxCount);
        ASSERT_NE(result, nullptr) << c.name;
        EXPECT_EQ(intField(result, "status"), c.status) << c.name;
        jobject devices = objectField(
            result, "devices", "[Lcom/zarvel/quorvexservice/apinative/ApiNative$DSDKDevice;");
        ASSERT_NE(devices, nullptr) << c.name << ": an empty array, not null";
        EXPECT_EQ(elements(devices).size(), c.expected) << c.name;
        EXPECT_EQ(sim_calls(SIM_SEARCH_DEVICES), 1) << c.name;
    }
}

// Texts are read only within their fields, and bytes that are not modified UTF-8 (a legacy code
// page) arrive as the characters of the same value.
TEST_F(DiscoveryTest, TextsStayWithinTheirFields) {
    dsdk_device d = device(1, 0, "", "", 0);
    std::memset(d.text1, 'a', sizeof d.text1);  // no NUL in the field
    std::memset(d.text2, 'b', sizeof d.text2);  // nor here
    dsdk_device legacy = device(1, 0, "Caf\xE9", "\xC3\xA9t\xE9", 0);
    scriptRecords(SIM_SEARCH_DEVICES, std::vector<dsdk_device>{d, legacy});
    jobject result = api.searchDevices(handle(), 2);
    ASSERT_NE(result, nullptr);
    const auto devices = elements(objectField(
        result, "devices", "[Lcom/zarvel/quorvexservice/apinative/ApiNative$DSDKDevice;"));
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(utfField(devices[0], "text1"), std::string(255, 'a'));
    EXPECT_EQ(utfField(devices[0], "text2"), std::string(17, 'b'));
    EXPECT_EQ(utfField(devices[1], "text1"), "Caf\xC3\xA9");
    EXPECT_EQ(utfField(devices[1], "text2"), "\xC3\xA9t\xC3\xA9");
}

TEST_F(DiscoveryTest, RefusedCountsMakeNoSdkCall) {
    for (const jint maxCount : {-1, INT32_MIN, 7561563, INT32_MAX}) {
        EXPECT_EQ(api.searchDevices(handle(), maxCount), nullptr);
        expectThrown("java.lang.IllegalArgumentException", "dsdk_search_devices: maximum count " +
                                                               std::to_string(maxCount) +
                                                               " is outside 0 to 7561562");
    }
    EXPECT_EQ(calls(SIM_SEARCH_DEVICES), 0);
}

TEST_F(DiscoveryTest, RecordsThatCannotBeAllocatedMakeNoSdkCall) {
    // The largest accepted count needs about 2 GiB: more than this test process may allocate.
    EXPECT_EQ(api.searchDevices(handle(), 7561562), nullptr);
    expectThrown("java.lang.OutOfMemoryError",
                 "dsdk_search_devices: cannot allocate the device records");
    EXPECT_EQ(calls(SIM_SEARCH_DEVICES), 0);
}

}  // namespace
}  // namespace bridgetest
