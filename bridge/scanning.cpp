// Capturing biometric templates and card numbers.
#include "api_native.h"
#include "devicesdk5.h"
#include "java_objects.h"
#include "jni_support.h"

using namespace palmbridge;

namespace {

constexpr const char* kMethod = "dsdk_scan_biometric";
// Local references that one template makes: its bytes and itself.
constexpr jint kRefsPerTemplate = 2;

// Gives the template data of a successful scan back to the SDK when the call ends, whichever way
// it ends. The record array stays the bridge's and is released after this.
class TemplateDataReturn {
  public:
    TemplateDataReturn(dsdk_template* records, jint capacity)
        : records_(records), capacity_(capacity) {}
    TemplateDataReturn(const TemplateDataReturn&) = delete;
    TemplateDataReturn& operator=(const TemplateDataReturn&) = delete;
    ~TemplateDataReturn() {
        if (armed_)
            (void)dsdk_free_biometric(records_, capacity_);
    }
    void arm() { armed_ = true; }

  private:
    dsdk_template* records_;
    jint capacity_;
    bool armed_ = false;
};

jobject newScanTemplate(JNIEnv* env, const JavaClass& type, const dsdk_template& record) {
    // A negative size or missing data from the SDK yields an empty template, never a read.
    const jint size = record.data != nullptr && record.data_size > 0 ? record.data_size : 0;
    jbyteArray bytes = env->NewByteArray(size);
    if (failed(env))
        return nullptr;
    env->SetByteArrayRegion(bytes, 0, size, reinterpret_cast<const jbyte*>(record.data));
    return construct(env, type, static_cast<jshort>(static_cast<std::uint16_t>(record.scan_value)),
                     bytes);
}

}  // namespace

extern "C" {

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1scan_1biometric)(JNIEnv* env, jobject,
                                                                   jlong handle, jint device,
                                                                   jint capacity) {
    // Zeroed, so that records the scan leaves alone reach dsdk_free_biometric without pointers.
    auto records =
        allocateRecords<dsdk_template>(env, kMethod, "capacity", capacity, kMaxTemplateCount,
                                       "the template records", Fill::kZeroed);
    if (!records)
        return nullptr;
    TemplateDataReturn dataReturn(records.get(), capacity);

    std::int32_t count = 0;
    const std::int32_t status =
        dsdk_scan_biometric(toSdkHandle(handle), device, records.get(), capacity, &count);
    if (status == 0)
        dataReturn.arm();

    JavaClass result;
    if (!findConstructor(env, java::kScanTemplateResult, result))
        return nullptr;
    if (status != 0)
        return newResult(env, result, status, jobject{nullptr});

    JavaClass scanTemplate;
    if (!findConstructor(env, java::kScanTemplate, scanTemplate))
        return nullptr;
    return newArrayResult(env, result, status, scanTemplate.cls, clampCount(count, capacity),
                          kRefsPerTemplate, [&](jint i) {
                              return newScanTemplate(env, scanTemplate,
                                                     records[static_cast<std::size_t>(i)]);
                          });
}

JNIEXPORT jobject JNICALL PALMBRIDGE_EXPORT(dsdk_1scan_1card)(JNIEnv* env, jobject, jlong handle,
                                                              jint device) {
    std::int32_t card = 0;
    const std::int32_t status = dsdk_scan_card(toSdkHandle(handle), device, &card);

    return newResult(env, java::kScanCard, status, static_cast<jint>(card));
}

}  // extern "C"
