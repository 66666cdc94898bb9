// SDK instance handle, plain device methods and the connection.
#include <functional>

#include "bridge_test.h"

namespace bridgetest {
namespace {

using ConnectionTest = BridgeTest;

TEST_F(ConnectionTest, CreateZeroExtendsTheHandle) {
    const struct {
        std::uint32_t sdk;
        jlong java;
    } cases[] = {{0x80000000u, 2147483648LL}, {0xFFFFFFFFu, 4294967295LL}, {5, 5}, {0, 0}};
    for (const auto& c : cases) {
        sim_set_status(SIM_CREATE, static_cast<std::int32_t>(c.sdk));
        EXPECT_EQ(api.create(), c.java) << "SDK handle " << c.sdk;
    }
}

// Every method that takes a handle hands the SDK only its low 32 bits, and the device number
// unchanged.
TEST_F(ConnectionTest, HandleLowBitsAndDeviceNumberReachTheSdk) {
    const jlong wide = static_cast<jlong>(0xFFFFFFFF00000005ULL);
    const jint device = -3;
    jstring text = e->NewStringUTF("x");
    jobject user = api.make("DSDKUserData", "()V");
    jobject params = e->NewObjectArray(0, api.nested("DSDKSystemParameter"), nullptr);
    jobject time = localDateTime(2024, 1, 2, 3, 4, 5, 0);
    const struct {
        const char* name;
        sim_op op;
        std::function<void()> call;
        bool hasDevice;
    } cases[] = {
        {"add_device", SIM_ADD_DEVICE, [&] { api.addDevice(wide, device); }, true},
        {"remove_device", SIM_REMOVE_DEVICE, [&] { api.removeDevice(wide, device); }, true},
        {"connect", SIM_CONNECT, [&] { api.connect(wide, device, text, 1, 2); }, true},
        {"disconnect", SIM_DISCONNECT, [&] { api.disconnect(wide, device); }, true},
        {"device_connected", SIM_IS_CONNECTED, [&] { api.deviceConnected(wide, device); }, true},
        {"init_device", SIM_INIT_DEVICE, [&] { api.initDevice(wide, device); }, true},
        {"search_devices", SIM_SEARCH_DEVICES, [&] { api.searchDevices(wide, 4); }, false},
        {"firmware", SIM_GET_FIRMWARE_VERSION, [&] { api.firmwareVersion(wide, device); }, true},
        {"serial", SIM_GET_SERIAL, [&] { api.serial(wide, device); }, true},
        {"network", SIM_GET_NETWORK_CONFIG, [&] { api.networkConfig(wide, device); }, true},
        {"network_full", SIM_GET_NETWORK_CONFIG_FULL, [&] { api.networkConfigFull(wide, device); },
         true},
        {"scan_biometric", SIM_SCAN_BIOMETRIC, [&] { api.scanBiometric(wide, device, 2); }, true},
        {"scan_card", SIM_SCAN_CARD, [&] { api.scanCard(wide, device); }, true},
        {"add_user", SIM_ADD_USER, [&] { api.addUser(wide, device, user, nullptr); }, true},
        {"remove_user", SIM_REMOVE_USER, [&] { api.removeUser(wide, device, user); }, true},
        {"set_time", SIM_SET_TIME, [&] { api.setTime(wide, device, time); }, true},
        {"get_parameters", SIM_GET_SYSTEM_PARAMETERS, [&] { api.systemParameters(wide, device); },
         true},
        {"set_parameters", SIM_SET_SYSTEM_PARAMETERS,
         [&] { api.setSystemParameters(wide, device, params); }, true},
        {"get_logs", SIM_GET_LOGS, [&] { api.logs(wide, device, 3); }, true},
        {"get_log_cache", SIM_GET_LOG_CACHE, [&] { api.logCache(wide, device, 3); }, true},
        {"release", SIM_RELEASE, [&] { api.release(wide); }, false},
    };
    for (const auto& c : cases) {
        c.call();
        expectNoException();
        EXPECT_EQ(calls(c.op), 1) << c.name;
        EXPECT_EQ(sim_last_arg(c.op, 0), 5) << c.name;
        if (c.hasDevice) {
            EXPECT_EQ(sim_last_arg(c.op, 1), device) << c.name;
        }
    }
}

TEST_F(ConnectionTest, IntMethodsReturnTheSdkStatusUnchanged) {
    const struct {
        const char* name;
        sim_op op;
        std::function<jint()> call;
    } methods[] = {
        {"add_device", SIM_ADD_DEVICE, [&] { return api.addDevice(handle(), kDevice); }},
        {"remove_device", SIM_REMOVE_DEVICE, [&] { return api.removeDevice(handle(), kDevice); }},
        {"connect", SIM_CONNECT, [&] { return api.connect(handle(), kDevice, nullptr, 0, 0); }},
        {"disconnect", SIM_DISCONNECT, [&] { return api.disconnect(handle(), kDevice); }},
        {"init_device", SIM_INIT_DEVICE, [&] { return api.initDevice(handle(), kDevice); }},
    };
    for (const auto& m : methods) {
        for (const std::int32_t status : {0, -7, 123456, INT32_MIN + 1}) {
            sim_set_status(m.op, status);
            EXPECT_EQ(m.call(), status) << m.name;
        }
    }
    EXPECT_EQ(sim_last_arg(SIM_ADD_DEVICE, 2), 0) << "the third argument is always 0";
}

TEST_F(ConnectionTest, ConnectHandsTheSdkModifiedUtf8) {
    const struct {
        const char* name;
        bool isNull;
        std::u16string text;
        Bytes expected;  // with the NUL
    } cases[] = {
        {"null", true, u"", {}},
        {"empty", false, u"", {0x00}},
        {"ascii", false, u"192.0.2.10", {'1', '9', '2', '.', '0', '.', '2', '.', '1', '0', 0}},
        {"e acute", false, u"\u00E9", {0xC3, 0xA9, 0x00}},
        {"U+0000", false, std::u16string(1, u'\0'), {0xC0, 0x80, 0x00}},
        {"U+1F600", false, u"\U0001F600", {0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80, 0x00}},
        {"longer than the inline room", false, std::u16string(300, u'q'),
         [] {
             Bytes b(300, 'q');
             b.push_back(0);
             return b;
         }()},
    };
    for (const auto& c : cases) {
        jstring text = c.isNull ? nullptr : newString(c.text);
        sim_set_status(SIM_CONNECT, 0);  // the simulator refuses an empty text itself
        EXPECT_EQ(api.connect(handle(), kDevice, text, 0, 0), 0) << c.name;
        if (c.isNull) {
            EXPECT_EQ(sim_last_arg(SIM_CONNECT, 2), 0) << c.name;
            EXPECT_FALSE(hasBlob(SIM_CONNECT, 0)) << c.name;
        } else {
            EXPECT_NE(sim_last_arg(SIM_CONNECT, 2), 0) << c.name;
            EXPECT_EQ(blob(SIM_CONNECT, 0), c.expected) << c.name;
        }
    }
}

TEST_F(ConnectionTest, ConnectHandsSixteenBitValuesUnsigned) {
    const struct {
        jshort first, second;
        std::int64_t sdkFirst, sdkSecond;
    } cases[] = {{-1, 0, 65535, 0}, {4370, -32768, 4370, 32768}, {32767, 1, 32767, 1}};
    for (const auto& c : cases) {
        api.connect(handle(), kDevice, nullptr, c.first, c.second);
        EXPECT_EQ(sim_last_arg(SIM_CONNECT, 3), c.sdkFirst);
        EXPECT_EQ(sim_last_arg(SIM_CONNECT, 4), c.sdkSecond);
    }
}

TEST_F(ConnectionTest, DeviceConnectedCarriesStatusAndFlag) {
    const struct {
        const char* name;
        std::int32_t status;
        bool untouched;
        std::int64_t flag;
        bool expected;
    } cases[] = {
        {"connected", 0, false, 1, true},
        {"not connected", 0, false, 0, false},
        {"any non-zero byte", 0, false, 2, true},
        {"failure leaves the flag alone", -5, true, 0, false},
        {"failure that writes the flag", -6, false, 1, true},
    };
    for (const auto& c : cases) {
        resetSimulator();
        sim_set_status(SIM_IS_CONNECTED, c.status);
        if (c.untouched) {
            sim_set_untouched(SIM_IS_CONNECTED);
        } else {
            sim_set_value(SIM_IS_CONNECTED, 0, c.flag);
        }
        jobject result = api.deviceConnected(handle(), kDevice);
        ASSERT_NE(result, nullptr) << c.name;
        EXPECT_EQ(intField(result, "status"), c.status) << c.name;
        EXPECT_EQ(booleanField(result, "connected"), c.expected ? JNI_TRUE : JNI_FALSE) << c.name;
    }
}

TEST_F(ConnectionTest, ReleaseHandsTheSdkACopyAndJavaKeepsTheValue) {
    const jlong h = static_cast<jlong>(0x1234567800000042ULL);
    api.release(h);
    expectNoException();
    EXPECT_EQ(calls(SIM_RELEASE), 1);
    EXPECT_EQ(sim_last_arg(SIM_RELEASE, 0), 0x42);
    // A later call with the same long hands the SDK the released value unchanged.
    api.serial(h, kDevice);
    EXPECT_EQ(sim_last_arg(SIM_GET_SERIAL, 0), 0x42);
}

}  // namespace
}  // namespace bridgetest
