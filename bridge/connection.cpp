// The SDK instance and the connection of its devices.
#include "api_native.h"
#include "devicesdk5.h"
#include "java_objects.h"
#include "jni_support.h"
#include "text_copy.h"

using namespace palmbridge;

extern "C" {

JNIEXPORT jlong JNICALL PALMBRIDGE_EXPORT(dsdk_1create)(JNIEnv*, jobject) {
    return toJavaHandle(dsdk_create());
}

JNIEXPORT void JNICALL PALMBRIDGE_EXPORT(dsdk_1release)(JNIEnv*, jobject, jlong handle) {
    // The SDK sees only this copy: the Java long keeps the old value.
    dsdk_handle local = toSdkHandle(handle);
    (void)dsdk_release(&local);
}

JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1add_1device)(JNIEnv*, jobject, jlong handle,
                                                            jint device) {
    return dsdk_add_device(toSdkHandle(handle), device, 0);
}

JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1remove_1device)(JNIEnv*, jobject, jlong handle,
                                                               jint device) {
    return dsdk_remove_device(toSdkHandle(handle), device);
}

JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1connect)(JNIEnv* env, jobject, jlong handle,
                                                        jint device, jstring text, jshort value1,
                                                        jshort value2) {
    TextCopy connection;
    if (!connection.fill(env, text))
        return kBridgeRefused;
    return dsdk_connect(toSdkHandle(handle), device, connection.get(),
                        static_cast<std::uint16_t>(value1), static_cast<std::uint16_t>(value2));
}

JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1disconnect)(JNIEnv*, jobject, jlong handle,
                                                           jint device) {
    return dsdk_disconnect(toSdkHandle(handle), device);
}

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1device_1connected)(JNIEnv* env, jobject,
                                                                     jlong handle, jint device) {
    std::uint8_t connected = 0;
    const std::int32_t status = dsdk_is_connected(toSdkHandle(handle), device, &connected);

    return newResult(env, java::kDeviceConnectedResult, status,
                     static_cast<jboolean>(connected != 0 ? JNI_TRUE : JNI_FALSE));
}

JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1init_1device)(JNIEnv*, jobject, jlong handle,
                                                             jint device) {
    return dsdk_init_device(toSdkHandle(handle), device);
}

}  // extern "C"
