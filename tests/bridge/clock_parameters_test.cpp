// The terminal clock and its system parameters.
#include "bridge_test.h"

namespace bridgetest {
namespace {

class ClockParametersTest : public BridgeTest {
  protected:
    jobjectArray parameters(const std::vector<std::pair<jint, jint>>& pairs) {
        jobjectArray array = e->NewObjectArray(static_cast<jsize>(pairs.size()),
                                               api.nested("DSDKSystemParameter"), nullptr);
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            e->SetObjectArrayElement(
                array, static_cast<jsize>(i),
                api.make("DSDKSystemParameter", "(II)V", pairs[i].first, pairs[i].second));
        }
        return array;
    }
};

constexpr const char* kParametersSig =
    "[Lcom/zarvel/quorvexservice/apinative/ApiNative$DSDKSystemParameter;";

TEST_F(ClockParametersTest, TimeFieldsTakeTheirLowBits) {
    const struct {
        const char* name;
        jint y, mo, d, h, mi, s, nanos;
        Bytes record;  // the first seven bytes
    } cases[] = {
        {"fraction dropped", 2024, 3, 5, 7, 8, 9, 999000000, {0xE8, 0x07, 3, 5, 7, 8, 9}},
        {"year 70000 as 4464", 70000, 12, 31, 23, 59, 59, 0, {0x70, 0x11, 12, 31, 23, 59, 59}},
    };
    for (const auto& c : cases) {
        sim_set_status(SIM_SET_TIME, 11);
        EXPECT_EQ(
            api.setTime(handle(), kDevice, localDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s, c.nanos)),
            11)
            << c.name;
        const Bytes sent = blob(SIM_SET_TIME, 0);
        ASSERT_EQ(sent.size(), 8u) << c.name;
        EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 7), c.record) << c.name;
    }
}

TEST_F(ClockParametersTest, NullTimeIsRefused) {
    EXPECT_EQ(callIntExport(EXPORT_NAME("dsdk_1set_1time"), handle(), kDevice, jobject{}),
              INT32_MIN);
    expectThrown("java.lang.NullPointerException", "dsdk_set_time: time is null");
    EXPECT_EQ(calls(SIM_SET_TIME), 0);
}

TEST_F(ClockParametersTest, ReadParametersWhateverTheStatus) {
    std::vector<dsdk_parameter> many(2000);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i] = {static_cast<std::int32_t>(i), -static_cast<std::int32_t>(i)};
    const struct {
        const char* name;
        std::int32_t status, count;
        std::size_t expected;
    } cases[] = {
        {"three", 0, 3, 3},
        {"none: empty, not null", 0, 0, 0},
        {"failure with records", -8, 2, 2},
        {"above the room", 0, 2000, 1024},
        {"negative", 0, -1, 0},
    };
    for (const auto& c : cases) {
        resetSimulator();
        sim_set_records(SIM_GET_SYSTEM_PARAMETERS, many.data(), many.size() * sizeof many[0]);
        sim_set_count(SIM_GET_SYSTEM_PARAMETERS, c.count);
        sim_set_status(SIM_GET_SYSTEM_PARAMETERS, c.status);
        jobject result = api.systemParameters(handle(), kDevice);
        ASSERT_NE(result, nullptr) << c.name;
        EXPECT_EQ(intField(result, "status"), c.status) << c.name;
        jobject array = objectField(result, "parameters", kParametersSig);
        ASSERT_NE(array, nullptr) << c.name;
        const auto items = elements(array);
        ASSERT_EQ(items.size(), c.expected) << c.name;
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(intField(items[i], "id"), static_cast<jint>(i));
            EXPECT_EQ(intField(items[i], "value"), -static_cast<jint>(i));
        }
    }
}

TEST_F(ClockParametersTest, WriteParametersInTheirOrder) {
    EXPECT_EQ(api.setSystemParameters(handle(), kDevice, parameters({{5, 50}, {1, -1}, {5, 51}})),
              0);
    EXPECT_EQ(sim_last_arg(SIM_SET_SYSTEM_PARAMETERS, 3), 3);
    const Bytes sent = blob(SIM_SET_SYSTEM_PARAMETERS, 0);
    const dsdk_parameter expected[] = {{5, 50}, {1, -1}, {5, 51}};
    ASSERT_EQ(sent.size(), sizeof expected);
    EXPECT_EQ(std::memcmp(sent.data(), expected, sizeof expected), 0) << "duplicates as they come";

    sim_set_status(SIM_SET_SYSTEM_PARAMETERS, -30);
    EXPECT_EQ(api.setSystemParameters(handle(), kDevice, parameters({})), -30);
    EXPECT_EQ(sim_last_arg(SIM_SET_SYSTEM_PARAMETERS, 3), 0);
    EXPECT_NE(sim_last_arg(SIM_SET_SYSTEM_PARAMETERS, 2), 0) << "an empty buffer, not null";
}

TEST_F(ClockParametersTest, BrokenParameterArraysAreRefused) {
    jobjectArray withNull = parameters({{1, 1}, {2, 2}});
    e->SetObjectArrayElement(withNull, 1, nullptr);
    const char* setParameters = EXPORT_NAME("dsdk_1set_1system_1parameters");
    EXPECT_EQ(callIntExport(setParameters, handle(), kDevice, jobject{}), INT32_MIN);
    expectThrown("java.lang.NullPointerException",
                 "dsdk_set_system_parameters: parameters is null");
    EXPECT_EQ(callIntExport(setParameters, handle(), kDevice, jobject{withNull}), INT32_MIN);
    expectThrown("java.lang.NullPointerException",
                 "dsdk_set_system_parameters: parameter 1 is null");
    EXPECT_EQ(calls(SIM_SET_SYSTEM_PARAMETERS), 0);
}

}  // namespace
}  // namespace bridgetest
