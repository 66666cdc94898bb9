// A Java side that lacks classes, constructors or fields: the bridge returns null (or refuses)
// with the JVM's error pending, after the SDK call where that comes first, and leaks nothing.
#include <functional>
#include <string>

#include "bridge_test.h"
#include "java_classes.h"

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

// The bridge's table of the Java side, which programs that check a Java side read as well,
// against the reference ApiNative: every native method is declared native with its descriptor
// and exported by the library under its JNI name, every constructor and field exists.
TEST_F(ContractTest, TheTableDescribesTheReferenceJavaSide) {
    jclass apiClass = e->FindClass(palmbridge::java::kApiNative);
    ASSERT_NE(apiClass, nullptr);
    jclass methodClass = e->FindClass("java/lang/reflect/Method");
    jmethodID modifiers = e->GetMethodID(methodClass, "getModifiers", "()I");
    constexpr jint kNativeModifier = 0x100;
    for (const auto& native : palmbridge::java::kNatives) {
        jmethodID method = e->GetStaticMethodID(apiClass, native.name, native.descriptor);
        expectNoException();
        ASSERT_NE(method, nullptr) << native.name;
        jobject reflected = e->ToReflectedMethod(apiClass, method, JNI_TRUE);
        expectNoException();
        const jint flags = e->CallIntMethod(reflected, modifiers);
        expectNoException();
        EXPECT_NE(flags & kNativeModifier, 0) << native.name;
        std::string jniName = EXPORT_NAME("");
        for (const char* c = native.name; *c != '\0'; ++c)
            jniName += *c == '_' ? std::string("_1") : std::string(1, *c);
        EXPECT_NE(bridgeExport(jniName.c_str()), nullptr) << jniName;
    }
    for (const palmbridge::java::Shape* shape : palmbridge::java::kConstructed) {
        jclass cls = e->FindClass(shape->name);
        ASSERT_NE(cls, nullptr) << shape->name;
        EXPECT_NE(e->GetMethodID(cls, "<init>", shape->ctor), nullptr) << shape->name;
        expectNoException();
    }
    for (const palmbridge::java::FieldReads* reads : palmbridge::java::kReads) {
        jclass cls = e->FindClass(reads->className);
        ASSERT_NE(cls, nullptr) << reads->className;
        for (std::size_t i = 0; i < reads->count; ++i) {
            const auto& field = reads->fields[i];
            EXPECT_NE(e->GetFieldID(cls, field.name, field.descriptor), nullptr) << field.name;
            expectNoException();
        }
    }
}

}  // namespace
}  // namespace bridgetest
