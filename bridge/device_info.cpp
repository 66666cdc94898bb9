// Firmware version, serial number and network settings of one terminal.
#include <array>

#include "api_native.h"
#include "devicesdk5.h"
#include "java_objects.h"
#include "jni_support.h"
#include "sdk_text.h"

using namespace palmbridge;

namespace {

// Out-text buffers are cleared before the call, so that a failing SDK never shows stale memory.
using NetworkText = std::array<char, DSDK_NETWORK_TEXT_SIZE>;

jstring toJava(JNIEnv* env, const NetworkText& text) {
    return newStringFromSdk(env, text.data(), text.size());
}

}  // namespace

extern "C" {

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1firmware_1version)(JNIEnv* env, jobject,
                                                                          jlong handle,
                                                                          jint device) {
    std::array<char, DSDK_FIRMWARE_VERSION_SIZE> version{};
    const std::int32_t status =
        dsdk_get_firmware_version(toSdkHandle(handle), device, version.data());

    JavaClass result;
    if (!findConstructor(env, java::kFwVer, result))
        return nullptr;
    jstring text = newStringFromSdk(env, version.data(), version.size());
    if (text == nullptr)
        return nullptr;
    return newResult(env, result, status, text);
}

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1serial)(JNIEnv* env, jobject, jlong handle,
                                                               jint device) {
    std::int32_t serial = 0;
    const std::int32_t status = dsdk_get_serial(toSdkHandle(handle), device, &serial);

    return newResult(env, java::kSerial, status, static_cast<jint>(serial));
}

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1network_1config)(JNIEnv* env, jobject,
                                                                        jlong handle, jint device) {
    NetworkText text1{};
    std::uint16_t value = 0;
    const std::int32_t status =
        dsdk_get_network_config(toSdkHandle(handle), device, text1.data(), &value);

    JavaClass result;
    if (!findConstructor(env, java::kNetworkConfig, result))
        return nullptr;
    jstring first = toJava(env, text1);
    if (first == nullptr)
        return nullptr;
    jstring empty = env->NewStringUTF("");
    if (failed(env))
        return nullptr;
    // The short form has no further texts: one empty string stands for all three.
    return newResult(env, result, status, first, static_cast<jshort>(value), empty, empty, empty);
}

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1network_1config_1full)(JNIEnv* env, jobject,
                                                                              jlong handle,
                                                                              jint device) {
    NetworkText text1{}, text2{}, text3{}, text4{};
    std::uint16_t value = 0;
    const std::int32_t status =
        dsdk_get_network_config_full(toSdkHandle(handle), device, text1.data(), &value,
                                     text2.data(), text3.data(), text4.data());

    JavaClass result;
    if (!findConstructor(env, java::kNetworkConfig, result))
        return nullptr;
    jstring strings[4] = {};
    const NetworkText* texts[4] = {&text1, &text2, &text3, &text4};
    for (int i = 0; i < 4; ++i) {
        strings[i] = toJava(env, *texts[i]);
        if (strings[i] == nullptr)
            return nullptr;
    }
    return newResult(env, result, status, strings[0], static_cast<jshort>(value), strings[1],
                     strings[2], strings[3]);
}

}  // extern "C"
