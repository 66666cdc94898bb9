// The simulator as the benchmark drives it: native methods of
// com.zarvel.quorvexservice.bench.SimulatorControl. They script what the simulated SDK reports,
// and call the SDK's C functions directly, in native loops, to show what the simulator costs by
// itself: time per call, and native memory per call.
#include <jni.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "bench_records.h"
#include "devicesdk5.h"
#include "devicesdk5_sim.h"
#include "native_memory.h"

#define BENCH_SIM(name) Java_com_zarvel_quorvexservice_bench_SimulatorControl_##name

namespace bridgebench {

const std::uint8_t* templateData() {
    static const auto data = [] {
        std::vector<std::uint8_t> bytes(kTemplateBytes);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(i);
        return bytes;
    }();
    return data.data();
}

}  // namespace bridgebench

using namespace bridgebench;

namespace {

// The text and values with which the benchmark connects a terminal.
constexpr const char* kConnectText = "192.0.2.10";
constexpr std::uint16_t kConnectPort = 4370;
constexpr std::uint16_t kConnectTimeout = 5000;

// The SDK operations the benchmark measures, by the name of the bridge's method.
enum class Target {
    AddDevice,
    RemoveDevice,
    Connect,
    Disconnect,
    InitDevice,
    GetLogs,
    SearchDevices,
    ScanBiometric,
    Unknown
};

struct TargetName {
    const char* method;
    Target target;
    sim_op op;
};
constexpr TargetName kTargets[] = {
    {"dsdk_add_device", Target::AddDevice, SIM_ADD_DEVICE},
    {"dsdk_remove_device", Target::RemoveDevice, SIM_REMOVE_DEVICE},
    {"dsdk_connect", Target::Connect, SIM_CONNECT},
    {"dsdk_disconnect", Target::Disconnect, SIM_DISCONNECT},
    {"dsdk_init_device", Target::InitDevice, SIM_INIT_DEVICE},
    {"dsdk_get_logs", Target::GetLogs, SIM_GET_LOGS},
    {"dsdk_search_devices", Target::SearchDevices, SIM_SEARCH_DEVICES},
    {"dsdk_scan_biometric", Target::ScanBiometric, SIM_SCAN_BIOMETRIC},
};

void throwState(JNIEnv* env, const char* message) {
    jclass type = env->FindClass("java/lang/IllegalStateException");
    if (type != nullptr)
        env->ThrowNew(type, message);
}

// The target named by a Java string; Unknown (an exception pending) for any other name.
const TargetName* findTarget(JNIEnv* env, jstring method) {
    const char* name = method != nullptr ? env->GetStringUTFChars(method, nullptr) : nullptr;
    if (name == nullptr) {
        throwState(env, "no method name");
        return nullptr;
    }
    const TargetName* found = nullptr;
    for (const TargetName& t : kTargets) {
        if (std::strcmp(t.method, name) == 0)
            found = &t;
    }
    env->ReleaseStringUTFChars(method, name);
    if (found == nullptr)
        throwState(env, "not a method that the benchmark drives");
    return found;
}

// Record buffers for a direct call, made before the call is timed or counted.
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Buffer = std::unique_ptr<T[], FreeDeleter>;

template <typename T>
Buffer<T> allocateRecords(jint capacity) {
    const std::size_t count = capacity > 0 ? static_cast<std::size_t>(capacity) : 1;
    return Buffer<T>(static_cast<T*>(std::calloc(count, sizeof(T))));
}

struct Records {
    Buffer<dsdk_log_record> logs;
    Buffer<dsdk_device> devices;
    Buffer<dsdk_template> templates;
};

Records allocateFor(Target target, jint capacity) {
    Records r;
    if (target == Target::GetLogs)
        r.logs = allocateRecords<dsdk_log_record>(capacity);
    if (target == Target::SearchDevices)
        r.devices = allocateRecords<dsdk_device>(capacity);
    if (target == Target::ScanBiometric)
        r.templates = allocateRecords<dsdk_template>(capacity);
    return r;
}

bool allocated(Target target, const Records& r) {
    switch (target) {
        case Target::GetLogs:
            return r.logs != nullptr;
        case Target::SearchDevices:
            return r.devices != nullptr;
        case Target::ScanBiometric:
            return r.templates != nullptr;
        default:
            return true;
    }
}

// Runs call() iterations times; the sum of the statuses keeps the calls from being dropped.
template <typename Call>
jlong repeat(jint iterations, Call call) {
    jlong statuses = 0;
    for (jint i = 0; i < iterations; ++i)
        statuses += call();
    return statuses;
}

// The SDK call that the bridge's method makes (for the scan, also the return of template data
// that the bridge makes after it), iterations times.
jlong callSdk(Target target, dsdk_handle h, std::int32_t device, jint capacity, Records& r,
              jint iterations) {
    switch (target) {
        case Target::AddDevice:
            return repeat(iterations, [&] { return dsdk_add_device(h, device, 0); });
        case Target::RemoveDevice:
            return repeat(iterations, [&] { return dsdk_remove_device(h, device); });
        case Target::Connect:
            return repeat(iterations, [&] {
                return dsdk_connect(h, device, kConnectText, kConnectPort, kConnectTimeout);
            });
        case Target::Disconnect:
            return repeat(iterations, [&] { return dsdk_disconnect(h, device); });
        case Target::InitDevice:
            return repeat(iterations, [&] { return dsdk_init_device(h, device); });
        case Target::GetLogs:
            return repeat(iterations, [&] {
                std::int32_t count = 0;
                return dsdk_get_logs(h, device, capacity, r.logs.get(), &count);
            });
        case Target::SearchDevices:
            return repeat(iterations, [&] {
                std::int32_t count = capacity;
                return dsdk_search_devices(h, r.devices.get(), &count);
            });
        case Target::ScanBiometric:
            return repeat(iterations, [&] {
                std::int32_t count = 0;
                const std::int32_t status =
                    dsdk_scan_biometric(h, device, r.templates.get(), capacity, &count);
                if (status == 0)
                    (void)dsdk_free_biometric(r.templates.get(), capacity);
                return status;
            });
        case Target::Unknown:
            break;
    }
    return 0;
}

dsdk_handle toHandle(jlong handle) {
    return static_cast<dsdk_handle>(static_cast<std::uint64_t>(handle) & 0xFFFFFFFFu);
}

}  // namespace

extern "C" {

JNIEXPORT void JNICALL BENCH_SIM(reset)(JNIEnv*, jclass) {
    sim_reset();
}

JNIEXPORT jstring JNICALL BENCH_SIM(connectText)(JNIEnv* env, jclass) {
    return env->NewStringUTF(kConnectText);
}

// A new SDK instance with the device added and connected; 0 with an exception pending on failure.
JNIEXPORT jlong JNICALL BENCH_SIM(openTerminal)(JNIEnv* env, jclass, jint device) {
    const dsdk_handle h = dsdk_create();
    if (h == 0 || dsdk_add_device(h, device, 0) != 0 ||
        dsdk_connect(h, device, kConnectText, kConnectPort, kConnectTimeout) != 0) {
        throwState(env, "the simulated terminal cannot be opened");
        return 0;
    }
    return static_cast<jlong>(h);
}

JNIEXPORT void JNICALL BENCH_SIM(scriptCount)(JNIEnv* env, jclass, jstring method, jint count) {
    const TargetName* t = findTarget(env, method);
    if (t != nullptr)
        sim_set_count(t->op, count);
}

// Every search reports count terminals, the kinds of kBenchDevices in turn.
JNIEXPORT void JNICALL BENCH_SIM(scriptDevices)(JNIEnv*, jclass, jint count) {
    std::vector<dsdk_device> records(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < records.size(); ++i) {
        const BenchDevice& d = kBenchDevices[i % kBenchDeviceKinds];
        dsdk_device& r = records[i];
        r.type = d.type;
        r.int1 = d.number;
        std::strncpy(r.text1, d.address, sizeof r.text1 - 1);
        std::strncpy(r.text2, d.serial, sizeof r.text2 - 1);
        r.short1 = d.port;
    }
    sim_set_records(SIM_SEARCH_DEVICES, records.data(), records.size() * sizeof(dsdk_device));
    sim_set_count(SIM_SEARCH_DEVICES, count);
}

// Every scan reports count templates whose data is the benchmark's own block: the simulator
// copies the records only and allocates nothing, and gives nothing back on dsdk_free_biometric.
JNIEXPORT void JNICALL BENCH_SIM(scriptTemplateRecords)(JNIEnv*, jclass, jint count) {
    std::vector<dsdk_template> records(static_cast<std::size_t>(count));
    for (dsdk_template& r : records) {
        r.data_size = static_cast<std::int32_t>(kTemplateBytes);
        r.data = const_cast<std::uint8_t*>(templateData());
        r.scan_value = kTemplateScanValue;
    }
    sim_set_records(SIM_SCAN_BIOMETRIC, records.data(), records.size() * sizeof(dsdk_template));
    sim_set_count(SIM_SCAN_BIOMETRIC, count);
}

// Every scan reports count templates that the simulator allocates and copies itself, and gives
// back on dsdk_free_biometric, as the vendor's SDK would.
JNIEXPORT void JNICALL BENCH_SIM(scriptSimulatorTemplates)(JNIEnv*, jclass, jint count) {
    for (jint i = 0; i < count; ++i) {
        sim_add_scan_template(kTemplateScanValue, templateData(),
                              static_cast<std::int32_t>(kTemplateBytes));
    }
}

JNIEXPORT jint JNICALL BENCH_SIM(outstandingTemplates)(JNIEnv*, jclass) {
    return sim_outstanding_templates();
}

// Bytes of one record of the buffer the bridge allocates for the method (0 for none).
JNIEXPORT jint JNICALL BENCH_SIM(recordSize)(JNIEnv* env, jclass, jstring method) {
    const TargetName* t = findTarget(env, method);
    if (t == nullptr)
        return 0;
    switch (t->target) {
        case Target::GetLogs:
            return static_cast<jint>(sizeof(dsdk_log_record));
        case Target::SearchDevices:
            return static_cast<jint>(sizeof(dsdk_device));
        case Target::ScanBiometric:
            return static_cast<jint>(sizeof(dsdk_template));
        default:
            return 0;
    }
}

// The SDK call of the method, iterations times in a native loop, with record room for capacity;
// gives the sum of the statuses.
JNIEXPORT jlong JNICALL BENCH_SIM(directLoop)(JNIEnv* env, jclass, jstring method, jlong handle,
                                              jint device, jint capacity, jint iterations) {
    const TargetName* t = findTarget(env, method);
    if (t == nullptr)
        return 0;
    Records records = allocateFor(t->target, capacity);
    if (!allocated(t->target, records)) {
        throwState(env, "no memory for the records");
        return 0;
    }
    return callSdk(t->target, toHandle(handle), device, capacity, records, iterations);
}

// Peak native memory of one SDK call of the method (its record room made before counting);
// -1 without the malloc counter.
JNIEXPORT jlong JNICALL BENCH_SIM(directPeak)(JNIEnv* env, jclass, jstring method, jlong handle,
                                              jint device, jint capacity) {
    if (!memoryCounterPresent())
        return -1;
    const TargetName* t = findTarget(env, method);
    if (t == nullptr)
        return 0;
    Records records = allocateFor(t->target, capacity);
    if (!allocated(t->target, records)) {
        throwState(env, "no memory for the records");
        return 0;
    }
    memoryBegin();
    (void)callSdk(t->target, toHandle(handle), device, capacity, records, 1);
    return memoryEnd().peak;
}

}  // extern "C"
