// Searching for terminals.
#include <cstddef>

#include "api_native.h"
#include "devicesdk5.h"
#include "java_objects.h"
#include "jni_support.h"
#include "sdk_text.h"

using namespace palmbridge;

namespace {

constexpr const char* kMethod = "dsdk_search_devices";
// Local references that one device makes: two strings, its type and itself.
constexpr jint kRefsPerDevice = 4;
constexpr jint kPrefetchAhead = 2;

jobject newDevice(JNIEnv* env, const JavaClass& device, const JavaClass& types,
                  const dsdk_device& record) {
    jstring text1 = newStringFromSdk(env, record.text1, sizeof record.text1);
    if (text1 == nullptr)
        return nullptr;
    jstring text2 = newStringFromSdk(env, record.text2, sizeof record.text2);
    if (text2 == nullptr)
        return nullptr;
    jobject type = construct(env, types, static_cast<jint>(record.type));
    if (type == nullptr)
        return nullptr;
    return construct(env, device, type, static_cast<jint>(record.int1), text1, text2,
                     static_cast<jshort>(record.short1));
}

}  // namespace

extern "C" JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1search_1devices)(JNIEnv* env, jobject,
                                                                              jlong handle,
                                                                              jint maxCount) {
    auto records = allocateRecords<dsdk_device>(env, kMethod, "maximum count", maxCount,
                                                kMaxSearchCount, "the device records");
    if (!records)
        return nullptr;

    std::int32_t count = maxCount;
    const std::int32_t status = dsdk_search_devices(toSdkHandle(handle), records.get(), &count);
    const jint found = clampCount(count, maxCount);

    JavaClass device, types;
    if (!findConstructor(env, java::kDevice, device))
        return nullptr;
    if (!findConstructor(env, java::kTypes, types))
        return nullptr;
    return newArrayResult(
        env, java::kDeviceSearchResult, status, device.cls, found, kRefsPerDevice, [&](jint i) {
            // The record two ahead: the cache lines of its type and first text, and of its
            // second text and 16-bit value, are on their way while this one is converted.
            if (i + kPrefetchAhead < found) {
                const auto* ahead = reinterpret_cast<const char*>(
                    &records[static_cast<std::size_t>(i + kPrefetchAhead)]);
                prefetch(ahead);
                prefetch(ahead + offsetof(dsdk_device, text2));
            }
            return newDevice(env, device, types, records[static_cast<std::size_t>(i)]);
        });
}
