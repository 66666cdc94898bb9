// A Java side that lacks classes, constructors or fields: the bridge returns null (or refuses)
// with the JVM's error pending, after the SDK call where that comes first, and leaks nothing.
#include <functional>

#include "bridge_test.h"

namespace bridgetest {
namespace {

struct Case {
    const char* name;
    sim_op op;
    std::function<bool(const Api&, jlong)> call;  // true when the result was null or refused
    bool sdkCalled;
    const char* error;
};

class ContractTest : public BridgeTest {
  protected:
    // Each case leaves the named error pending, after one SDK call or none.
    void runCases(const Api& variant, const std::vector<Case>& cases) {
        for (const auto& c : cases) {
            const int before = calls(c.op);
            EXPECT_TRUE(c.call(variant, handle())) << c.name;
            const JavaError error = takeException();
            EXPECT_EQ(error.type, c.error) << c.name;
            EXPECT_EQ(calls(c.op) - before, c.sdkCalled ? 1 : 0) << c.name;
        }
    }
};

constexpr const char* kNoClass = "java.lang.NoClassDefFoundError";
constexpr const char* kNoMethod = "java.lang.NoSuchMethodError";
constexpr const char* kNoField = "java.lang.NoSuchFieldError";

TEST_F(ContractTest, MissingResultClasses) {
    const Api& variant = Api::variant("noresults");
    sim_add_scan_template(5, "\x05\x06", 2);
    const std::vector<Case> cases = {
        {"device_connected", SIM_IS_CONNECTED,
         [](const Api& a, jlong h) { return a.deviceConnected(h, 7) == nullptr; }, true, kNoClass},
        {"search_devices (after every device is built)", SIM_SEARCH_DEVICES,
         [](const Api& a, jlong h) { return a.searchDevices(h, 8) == nullptr; }, true, kNoClass},
        {"firmware", SIM_GET_FIRMWARE_VERSION,
         [](const Api& a, jlong h) { return a.firmwareVersion(h, 7) == nullptr; }, true, kNoClass},
        {"serial", SIM_GET_SERIAL, [](const Api& a, jlong h) { return a.serial(h, 7) == nullptr; },
         true, kNoClass},
        {"network", SIM_GET_NETWORK_CONFIG,
         [](const Api& a, jlong h) { return a.networkConfig(h, 7) == nullptr; }, true, kNoClass},
        {"network_full", SIM_GET_NETWORK_CONFIG_FULL,
         [](const Api& a, jlong h) { return a.networkConfigFull(h, 7) == nullptr; }, true,
         kNoClass},
        {"scan_biometric", SIM_SCAN_BIOMETRIC,
         [](const Api& a, jlong h) { return a.scanBiometric(h, 7, 4) == nullptr; }, true, kNoClass},
        {"scan_card", SIM_SCAN_CARD,
         [](const Api& a, jlong h) { return a.scanCard(h, 7) == nullptr; }, true, kNoClass},
        {"get_parameters", SIM_GET_SYSTEM_PARAMETERS,
         [](const Api& a, jlong h) { return a.systemParameters(h, 7) == nullptr; }, true, kNoClass},
        {"get_logs", SIM_GET_LOGS, [](const Api& a, jlong h) { return a.logs(h, 7, 8) == nullptr; },
         true, kNoClass},
        {"get_log_cache", SIM_GET_LOG_CACHE,
         [](const Api& a, jlong h) { return a.logCache(h, 7, 8) == nullptr; }, true, kNoClass},
    };
    runCases(variant, cases);
    // The scan had succeeded: its template data went back although no result was built.
    EXPECT_EQ(calls(SIM_FREE_BIOMETRIC), 1);
}

TEST_F(ContractTest, MissingUserClassRefusesEnrolment) {
    const Api& variant = Api::variant("noresults");
    jobject user = Api::reference().make("DSDKUserData", "()V");  // any object will do
    EXPECT_EQ(variant.addUser(handle(), kDevice, user, nullptr), 0);
    expectThrown(kNoClass);
    EXPECT_EQ(variant.removeUser(handle(), kDevice, user), 0);
    expectThrown(kNoClass);
    EXPECT_EQ(calls(SIM_ADD_USER) + calls(SIM_REMOVE_USER), 0);
}

TEST_F(ContractTest, MissingElementClasses) {
    const Api& variant = Api::variant("noelements");
    sim_add_scan_template(5, "\x05\x06", 2);
    const std::vector<Case> cases = {
        {"search_devices", SIM_SEARCH_DEVICES,
         [](const Api& a, jlong h) { return a.searchDevices(h, 8) == nullptr; }, true, kNoClass},
        {"scan_biometric", SIM_SCAN_BIOMETRIC,
         [](const Api& a, jlong h) { return a.scanBiometric(h, 7, 4) == nullptr; }, true, kNoClass},
        {"get_parameters", SIM_GET_SYSTEM_PARAMETERS,
         [](const Api& a, jlong h) { return a.systemParameters(h, 7) == nullptr; }, true, kNoClass},
        {"get_logs", SIM_GET_LOGS, [](const Api& a, jlong h) { return a.logs(h, 7, 8) == nullptr; },
         true, kNoClass},
    };
    runCases(variant, cases);
    EXPECT_EQ(calls(SIM_FREE_BIOMETRIC), 1);

    // Writing needs the element classes before the SDK is called.
    jclass userClass = variant.nested("DSDKUserData");
    jobject user = e->AllocObject(userClass);
    EXPECT_EQ(variant.addUser(handle(), kDevice, user, nullptr), 0);
    expectThrown(kNoClass);
    jobjectArray none = e->NewObjectArray(0, e->FindClass("java/lang/Object"), nullptr);
    EXPECT_EQ(variant.setSystemParameters(handle(), kDevice, none), 0);
    expectThrown(kNoClass);
    EXPECT_EQ(calls(SIM_ADD_USER) + calls(SIM_SET_SYSTEM_PARAMETERS), 0);
}

TEST_F(ContractTest, MissingConstructorsAndFields) {
    const Api& variant = Api::variant("mismatch");
    EXPECT_EQ(variant.serial(handle(), kDevice), nullptr);
    expectThrown(kNoMethod);
    EXPECT_EQ(calls(SIM_GET_SERIAL), 1);

    jobject user = variant.make("DSDKUserData", "(I)V", 5);
    EXPECT_EQ(variant.addUser(handle(), kDevice, user, nullptr), 0);
    expectThrown(kNoField);
    EXPECT_EQ(calls(SIM_ADD_USER), 0);
    // Removal reads only "uid", which is there.
    sim_set_status(SIM_REMOVE_USER, 0);
    EXPECT_EQ(variant.removeUser(handle(), kDevice, user), 0);
    EXPECT_EQ(calls(SIM_REMOVE_USER), 1);

    jclass parameterClass = variant.nested("DSDKSystemParameter");
    jobjectArray params =
        e->NewObjectArray(1, parameterClass, variant.make("DSDKSystemParameter", "(II)V", 1, 2));
    EXPECT_EQ(variant.setSystemParameters(handle(), kDevice, params), 0);
    expectThrown(kNoField);
    EXPECT_EQ(calls(SIM_SET_SYSTEM_PARAMETERS), 0);
}

}  // namespace
}  // namespace bridgetest
