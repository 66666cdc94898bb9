// Reading a terminal's event log and its log cache.
#include "api_native.h"
#include "devicesdk5.h"
#include "java_objects.h"
#include "jni_support.h"

using namespace palmbridge;

namespace {

// Local references that one record makes: itself.
constexpr jint kRefsPerRecord = 1;

// Reads up to capacity records with read(records, &count) and builds the DSDKLogResult; null
// when the SDK failed (the status does not reach Java) or a Java object could not be made.
template <typename Read>
jobject readLog(JNIEnv* env, const char* method, jint capacity, Read read) {
    auto records = allocateRecords<dsdk_log_record>(env, method, "capacity", capacity, kMaxLogCount,
                                                    "the log records");
    if (!records)
        return nullptr;

    std::int32_t count = 0;
    const std::int32_t status = read(records.get(), &count);
    if (status != 0)
        return nullptr;
    const jint received = clampCount(count, capacity);

    JavaClass record;
    if (!findConstructor(env, java::kLogRecord, record))
        return nullptr;
    return newArrayResult(
        env, java::kLogResult, status, record.cls, received, kRefsPerRecord, [&](jint i) {
            // The 16-bit and 8-bit fields widen without sign.
            const dsdk_log_record& r = records[static_cast<std::size_t>(i)];
            return construct(env, record, jint{r.int1}, jint{r.int2}, jint{r.short1},
                             jint{r.short2}, jint{r.byte1}, jint{r.byte2}, jint{r.byte3},
                             jint{r.byte4}, jint{r.byte5}, jdouble{r.double1});
        });
}

}  // namespace

extern "C" {

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1logs)(JNIEnv* env, jobject, jlong handle,
                                                             jint device, jint capacity) {
    return readLog(env, "dsdk_get_logs", capacity,
                   [&](dsdk_log_record* records, std::int32_t* count) {
                       return dsdk_get_logs(toSdkHandle(handle), device, capacity, records, count);
                   });
}

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1get_1log_1cache)(JNIEnv* env, jobject,
                                                                   jlong handle, jint device,
                                                                   jint capacity) {
    return readLog(env, "dsdk_get_log_cache", capacity,
                   [&](dsdk_log_record* records, std::int32_t* count) {
                       const dsdk_log_record block{};  // 32 zero bytes, on every call
                       return dsdk_get_log_cache(toSdkHandle(handle), device, capacity, records,
                                                 count, &block);
                   });
}

}  // extern "C"
