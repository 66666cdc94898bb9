// A terminal's clock and its system parameters.
#include "api_native.h"
#include "devicesdk5.h"
#include "java_objects.h"
#include "jni_support.h"

using namespace palmbridge;

namespace {

constexpr const char* kSetTimeMethod = "dsdk_set_time";
constexpr const char* kSetParametersMethod = "dsdk_set_system_parameters";
constexpr const char* kGetParametersMethod = "dsdk_get_system_parameters";
// Local references that one parameter makes: itself.
constexpr jint kRefsPerParameter = 1;

// The getters of java.time.LocalDateTime, in the order in which they are called.
constexpr const char* kTimeGetters[] = {"getYear", "getMonthValue", "getDayOfMonth",
                                        "getHour", "getMinute",     "getSecond"};
constexpr int kTimeFieldCount = 6;

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1set_1time)(JNIEnv* env, jobject, jlong handle,
                                                          jint device, jobject time) {
    if (!checkNotNull(env, time, kSetTimeMethod, "time"))
        return kBridgeRefused;
    jclass cls = env->FindClass("java/time/LocalDateTime");
    if (cls == nullptr)
        return 0;
    jmethodID getters[kTimeFieldCount];
    for (int i = 0; i < kTimeFieldCount; ++i) {
        getters[i] = env->GetMethodID(cls, kTimeGetters[i], "()I");
        if (getters[i] == nullptr)
            return 0;
    }
    jint values[kTimeFieldCount];
    for (int i = 0; i < kTimeFieldCount; ++i) {
        values[i] = env->CallIntMethod(time, getters[i]);
        if (failed(env))
            return kBridgeRefused;
    }

    // Only the low bits travel; no time zone, no conversion, nanoseconds dropped.
    dsdk_time record{};
    record.year = static_cast<std::uint16_t>(values[0]);
    record.month = static_cast<std::uint8_t>(values[1]);
    record.day = static_cast<std::uint8_t>(values[2]);
    record.hour = static_cast<std::uint8_t>(values[3]);
    record.minute = static_cast<std::uint8_t>(values[4]);
    record.second = static_cast<std::uint8_t>(values[5]);
    return dsdk_set_time(toSdkHandle(handle), device, &record);
}

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1system_1parameters)(JNIEnv* env, jobject,
                                                                           jlong handle,
                                                                           jint device) {
    constexpr jint kRoom = DSDK_PARAMETER_READ_ROOM;
    auto records = HeapArray<dsdk_parameter>::allocate(kRoom);
    if (!checkAllocated(env, records, kGetParametersMethod, "the parameter records"))
        return nullptr;
    std::int32_t count = 0;
    const std::int32_t status =
        dsdk_get_system_parameters(toSdkHandle(handle), device, records.get(), &count);
    const jint read = clampCount(count, kRoom);

    JavaClass parameter;
    if (!findConstructor(env, java::kSystemParameter, parameter))
        return nullptr;
    return newArrayResult(env, java::kSystemParametersResult, status, parameter.cls, read,
                          kRefsPerParameter, [&](jint i) {
                              const dsdk_parameter& r = records[static_cast<std::size_t>(i)];
                              return construct(env, parameter, static_cast<jint>(r.id),
                                               static_cast<jint>(r.value));
                          });
}

JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1set_1system_1parameters)(JNIEnv* env, jobject,
                                                                        jlong handle, jint device,
                                                                        jobjectArray parameters) {
    if (!checkNotNull(env, parameters, kSetParametersMethod, "parameters"))
        return kBridgeRefused;
    const jint count = env->GetArrayLength(parameters);
    auto records =
        allocateRecords<dsdk_parameter>(env, kSetParametersMethod, "parameter count", count,
                                        kMaxParameterCount, "the parameter records");
    if (!records)
        return kBridgeRefused;

    FieldIds fields;
    if (!fields.find(env, java::kParameterToSet))
        return kBridgeRefused;
    const bool read =
        readElements(env, parameters, count, kRefsPerParameter, [&](jint i, jobject element) {
            if (element == nullptr) {
                throwFormatted(env, kNullPointer, "%s: parameter %ld is null", kSetParametersMethod,
                               static_cast<long>(i));
                return false;
            }
            records[static_cast<std::size_t>(i)] = {
                env->GetIntField(element, fields[java::ParameterField::kId]),
                env->GetIntField(element, fields[java::ParameterField::kValue])};
            return true;
        });
    if (!read)
        return kBridgeRefused;
    return dsdk_set_system_parameters(toSdkHandle(handle), device, records.get(), count);
}

}  // extern "C"
