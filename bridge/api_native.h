// The 22 native methods of com.zarvel.quorvexservice.apinative.ApiNative, under their JNI names.
// The second parameter is the class or the instance of the Java call; the bridge never reads it,
// so Java may declare the methods static or not.
#pragma once

#include <jni.h>

#define PALMBRIDGE_EXPORT(name) Java_com_zarvel_quorvexservice_apinative_ApiNative_##name

extern "C" {

JNIEXPORT jlong JNICALL PALMBRIDGE_EXPORT(dsdk_1create)(JNIEnv*, jobject);
JNIEXPORT void JNICALL PALMBRIDGE_EXPORT(dsdk_1release)(JNIEnv*, jobject, jlong handle);
JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1add_1device)(JNIEnv*, jobject, jlong handle,
                                                            jint device);
JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1remove_1device)(JNIEnv*, jobject, jlong handle,
                                                               jint device);
JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1connect)(JNIEnv*, jobject, jlong handle, jint device,
                                                        jstring text, jshort value1, jshort value2);
JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1disconnect)(JNIEnv*, jobject, jlong handle,
                                                           jint device);
JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1device_1connected)(JNIEnv*, jobject, jlong handle,
                                                                     jint device);
JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1init_1device)(JNIEnv*, jobject, jlong handle,
                                                             jint device);

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1search_1devices)(JNIEnv*, jobject, jlong handle,
                                                                   jint maxCount);

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1firmware_1version)(JNIEnv*, jobject,
                                                                          jlong handle,
                                                                          jint device);
JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1serial)(JNIEnv*, jobject, jlong handle,
                                                               jint device);
JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1network_1config)(JNIEnv*, jobject,
                                                                        jlong handle, jint device);
JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1network_1config_1full)(JNIEnv*, jobject,
                                                                              jlong handle,
                                                                              jint device);

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1scan_1biometric)(JNIEnv*, jobject, jlong handle,
                                                                   jint device, jint capacity);
JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1scan_1card)(JNIEnv*, jobject, jlong handle,
                                                              jint device);

JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1add_1user)(JNIEnv*, jobject, jlong handle,
                                                          jint device, jobject user,
                                                          jobjectArray templates);
JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1remove_1user)(JNIEnv*, jobject, jlong handle,
                                                             jint device, jobject user);

JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1set_1time)(JNIEnv*, jobject, jlong handle,
                                                          jint device, jobject time);
JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1system_1parameters)(JNIEnv*, jobject,
                                                                           jlong handle,
                                                                           jint device);
JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1set_1system_1parameters)(JNIEnv*, jobject,
                                                                        jlong handle, jint device,
                                                                        jobjectArray parameters);

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1logs)(JNIEnv*, jobject, jlong handle,
                                                             jint device, jint capacity);
JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1log_1cache)(JNIEnv*, jobject, jlong handle,
                                                                   jint device, jint capacity);

}  // extern "C"
