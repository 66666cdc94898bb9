// Baselines for palmbridge's costs: native methods of com.zarvel.quorvexservice.bench.Baseline.
//  - empty methods with the signatures of the bridge's int methods: the cost of a JNI call;
//  - for each record conversion, only the JNI calls that it needs: the same classes looked up the
//    same way, the same objects made with the same exception checks, in the same local frames
//    (palmbridge's own forEachInFrames), and the same result object, but with values that come
//    from no SDK record.
#include <jni.h>

#include <cstdint>

#include "bench_records.h"
#include "java_objects.h"
#include "jni_support.h"

using palmbridge::construct;
using palmbridge::failed;
using palmbridge::findConstructor;
namespace java = palmbridge::java;
using palmbridge::JavaClass;
using palmbridge::newArrayResult;

#define BENCH_BASELINE(name) Java_com_zarvel_quorvexservice_bench_Baseline_##name

namespace {

constexpr jint kRefsPerLogRecord = 1;
constexpr jint kRefsPerDevice = 4;
constexpr jint kRefsPerTemplate = 2;

jstring newString(JNIEnv* env, const char* text) {
    jstring result = env->NewStringUTF(text);
    return failed(env) ? nullptr : result;
}

}  // namespace

extern "C" {

JNIEXPORT void JNICALL BENCH_BASELINE(empty)(JNIEnv*, jclass) {}

JNIEXPORT jint JNICALL BENCH_BASELINE(emptyInt)(JNIEnv*, jclass, jlong, jint) {
    return 0;
}

JNIEXPORT jint JNICALL BENCH_BASELINE(emptyConnect)(JNIEnv*, jclass, jlong, jint, jstring, jshort,
                                                    jshort) {
    return 0;
}

// The least JNI work that hands a Java string's text to a C function: its modified UTF-8
// length, then its bytes into a buffer of the caller (here on the stack, for texts that fit).
JNIEXPORT jint JNICALL BENCH_BASELINE(textCopy)(JNIEnv* env, jclass, jlong, jint, jstring text,
                                                jshort, jshort) {
    constexpr jsize kRoom = 256;
    char copy[kRoom];
    const jsize bytes = env->GetStringUTFLength(text);
    if (bytes >= kRoom)
        return -1;
    env->GetStringUTFRegion(text, 0, env->GetStringLength(text), copy);
    if (failed(env))
        return -1;
    copy[bytes] = '\0';
    return copy[0] == '\0' ? -1 : 0;
}

// dsdk_get_logs without the SDK: count LogRecord objects of ten arguments each.
JNIEXPORT jobject JNICALL BENCH_BASELINE(logRecords)(JNIEnv* env, jclass, jint count) {
    JavaClass record;
    if (!findConstructor(env, java::kLogRecord, record))
        return nullptr;
    return newArrayResult(
        env, java::kLogResult, 0, record.cls, count, kRefsPerLogRecord, [&](jint i) {
            return construct(env, record, i, jint{1}, jint{2}, jint{2024}, jint{3}, jint{5},
                             jint{8}, jint{30}, jint{15}, jdouble{36.5});
        });
}

// dsdk_search_devices without the SDK: per device two strings, its type and the device.
JNIEXPORT jobject JNICALL BENCH_BASELINE(devices)(JNIEnv* env, jclass, jint count) {
    JavaClass device, types;
    if (!findConstructor(env, java::kDevice, device))
        return nullptr;
    if (!findConstructor(env, java::kTypes, types))
        return nullptr;
    return newArrayResult(env, java::kDeviceSearchResult, 0, device.cls, count, kRefsPerDevice,
                          [&](jint i) -> jobject {
                              const bridgebench::BenchDevice& d =
                                  bridgebench::kBenchDevices[static_cast<std::size_t>(i) %
                                                             bridgebench::kBenchDeviceKinds];
                              jstring text1 = newString(env, d.address);
                              if (text1 == nullptr)
                                  return nullptr;
                              jstring text2 = newString(env, d.serial);
                              if (text2 == nullptr)
                                  return nullptr;
                              jobject type = construct(env, types, jint{d.type});
                              if (type == nullptr)
                                  return nullptr;
                              return construct(env, device, type, jint{d.number}, text1, text2,
                                               jshort{d.port});
                          });
}

// dsdk_scan_biometric without the SDK: per template a byte array filled from native memory and
// the ScanTemplate.
JNIEXPORT jobject JNICALL BENCH_BASELINE(scanTemplates)(JNIEnv* env, jclass, jint count) {
    JavaClass result;
    if (!findConstructor(env, java::kScanTemplateResult, result))
        return nullptr;
    JavaClass scanTemplate;
    if (!findConstructor(env, java::kScanTemplate, scanTemplate))
        return nullptr;
    const jint size = static_cast<jint>(bridgebench::kTemplateBytes);
    const auto* data = reinterpret_cast<const jbyte*>(bridgebench::templateData());
    return newArrayResult(
        env, result, 0, scanTemplate.cls, count, kRefsPerTemplate, [&](jint) -> jobject {
            jbyteArray bytes = env->NewByteArray(size);
            if (failed(env))
                return nullptr;
            env->SetByteArrayRegion(bytes, 0, size, data);
            return construct(env, scanTemplate,
                             static_cast<jshort>(bridgebench::kTemplateScanValue), bytes);
        });
}

}  // extern "C"
