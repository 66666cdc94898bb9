// Biometric and card scanning.
#include "bridge_test.h"

namespace bridgetest {
namespace {

using ScanningTest = BridgeTest;

constexpr const char* kTemplatesSig =
    "[Lcom/zarvel/quorvexservice/apinative/ApiNative$ScanTemplate;";

std::vector<jobject> templatesOf(jobject result) {
    return elements(objectField(result, "templates", kTemplatesSig));
}

TEST_F(ScanningTest, TemplatesArriveAndTheirDataGoesBack) {
    sim_add_scan_template(40000, "\x01\x02\x03", 3);
    sim_add_scan_template(65537, "", 0);
    sim_add_scan_template(0x7FFF, "\xFF", 1);
    jobject result = api.scanBiometric(handle(), kDevice, 5);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(intField(result, "status"), 0);
    const auto templates = templatesOf(result);
    ASSERT_EQ(templates.size(), 3u) << "count elements, not capacity";
    EXPECT_EQ(shortField(templates[0], "scanValue"), -25536);
    EXPECT_EQ(bytes(objectField(templates[0], "data", "[B")), (Bytes{1, 2, 3}));
    EXPECT_EQ(shortField(templates[1], "scanValue"), 1) << "low 16 bits of 65537";
    EXPECT_EQ(bytes(objectField(templates[1], "data", "[B")), Bytes{});
    EXPECT_EQ(shortField(templates[2], "scanValue"), 0x7FFF);
    EXPECT_EQ(bytes(objectField(templates[2], "data", "[B")), Bytes{0xFF});

    EXPECT_EQ(sim_last_arg(SIM_SCAN_BIOMETRIC, 3), 5) << "capacity";
    EXPECT_EQ(calls(SIM_FREE_BIOMETRIC), 1);
    EXPECT_EQ(sim_last_arg(SIM_FREE_BIOMETRIC, 0), sim_last_arg(SIM_SCAN_BIOMETRIC, 2))
        << "the scan's own record array";
    EXPECT_EQ(sim_last_arg(SIM_FREE_BIOMETRIC, 1), 5) << "the capacity, not the count";
}

TEST_F(ScanningTest, CapacityZeroStillScansAndFrees) {
    jobject result = api.scanBiometric(handle(), kDevice, 0);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(intField(result, "status"), 0);
    jobject array = objectField(result, "templates", kTemplatesSig);
    ASSERT_NE(array, nullptr) << "an empty array, not null";
    EXPECT_EQ(elements(array).size(), 0u);
    EXPECT_EQ(sim_last_arg(SIM_SCAN_BIOMETRIC, 3), 0);
    EXPECT_EQ(calls(SIM_FREE_BIOMETRIC), 1);
    EXPECT_EQ(sim_last_arg(SIM_FREE_BIOMETRIC, 1), 0);
}

TEST_F(ScanningTest, FailedScanGivesTheStatusAndNoTemplates) {
    sim_add_scan_template(1, "\x01", 1);
    sim_set_status(SIM_SCAN_BIOMETRIC, -12);
    sim_set_count(SIM_SCAN_BIOMETRIC, 1);
    jobject result = api.scanBiometric(handle(), kDevice, 2);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(intField(result, "status"), -12);
    EXPECT_EQ(objectField(result, "templates", kTemplatesSig), nullptr);
    EXPECT_EQ(calls(SIM_FREE_BIOMETRIC), 0);
    // The simulator's data of a failed scan is its own business: give it back here.
    resetSimulator();
}

TEST_F(ScanningTest, CountOutsideTheRoomIsLimitedToIt) {
    const struct {
        std::int32_t count;
        std::size_t expected;
    } cases[] = {{9, 2}, {-1, 0}};
    for (const auto& c : cases) {
        resetSimulator();
        sim_add_scan_template(1, "\x01", 1);
        sim_add_scan_template(2, "\x02", 1);
        sim_set_count(SIM_SCAN_BIOMETRIC, c.count);
        jobject result = api.scanBiometric(handle(), kDevice, 2);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(templatesOf(result).size(), c.expected) << "count " << c.count;
        EXPECT_EQ(sim_outstanding_templates(), 0);
    }
}

TEST_F(ScanningTest, RefusedCapacitiesMakeNoSdkCall) {
    for (const jint capacity : {-1, 89478486}) {
        EXPECT_EQ(api.scanBiometric(handle(), kDevice, capacity), nullptr);
        expectThrown("java.lang.IllegalArgumentException", "dsdk_scan_biometric: capacity " +
                                                               std::to_string(capacity) +
                                                               " is outside 0 to 89478485");
    }
    // Accepted, but its records need more memory than this process may allocate.
    EXPECT_EQ(api.scanBiometric(handle(), kDevice, 89478485), nullptr);
    expectThrown("java.lang.OutOfMemoryError",
                 "dsdk_scan_biometric: cannot allocate the template records");
    EXPECT_EQ(calls(SIM_SCAN_BIOMETRIC), 0);
}

TEST_F(ScanningTest, JavaOutOfMemoryStillGivesTheTemplateDataBack) {
    // 400 templates of 1 MiB cannot all become Java arrays in a 256 MiB heap.
    const std::vector<std::uint8_t> big(1 << 20, 0x5A);
    constexpr jint kTemplates = 400;
    for (int i = 0; i < kTemplates; ++i) {
        sim_add_scan_template(static_cast<std::uint32_t>(i), big.data(),
                              static_cast<std::int32_t>(big.size()));
    }
    EXPECT_EQ(api.scanBiometric(handle(), kDevice, kTemplates), nullptr);
    expectThrown("java.lang.OutOfMemoryError");
    EXPECT_EQ(calls(SIM_FREE_BIOMETRIC), 1);
    EXPECT_EQ(sim_outstanding_templates(), 0);
}

TEST_F(ScanningTest, CardNumberAndStatus) {
    const struct {
        const char* name;
        std::int32_t status;
        bool untouched;
        std::int64_t card;
        jint expected;
    } cases[] = {
        {"card read", 0, false, 0xDEADBEEFu, static_cast<jint>(0xDEADBEEFu)},
        {"no card", -21, true, 0, 0},
    };
    for (const auto& c : cases) {
        resetSimulator();
        sim_set_status(SIM_SCAN_CARD, c.status);
        if (c.untouched) {
            sim_set_untouched(SIM_SCAN_CARD);
        } else {
            sim_set_value(SIM_SCAN_CARD, 0, c.card);
        }
        jobject result = api.scanCard(handle(), kDevice);
        ASSERT_NE(result, nullptr) << c.name;
        EXPECT_EQ(intField(result, "status"), c.status) << c.name;
        EXPECT_EQ(intField(result, "card"), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace bridgetest
