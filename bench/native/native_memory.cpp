// The malloc counter seen from the benchmark: looked up at run time, and the native methods of
// com.zarvel.quorvexservice.bench.NativeMemory.
#include "native_memory.h"

#include <dlfcn.h>
#include <jni.h>
#include <malloc.h>

namespace bridgebench {
namespace {

struct Counter {
    bench_memory_begin_fn begin = nullptr;
    bench_memory_end_fn end = nullptr;
};

const Counter& counter() {
    static const Counter found = [] {
        Counter c;
        c.begin = reinterpret_cast<bench_memory_begin_fn>(dlsym(RTLD_DEFAULT, BENCH_MEMORY_BEGIN));
        c.end = reinterpret_cast<bench_memory_end_fn>(dlsym(RTLD_DEFAULT, BENCH_MEMORY_END));
        if (c.begin == nullptr || c.end == nullptr)
            c = Counter{};
        return c;
    }();
    return found;
}

}  // namespace

bool memoryCounterPresent() {
    return counter().begin != nullptr;
}

void memoryBegin() {
    if (memoryCounterPresent())
        counter().begin();
}

bench_memory memoryEnd() {
    bench_memory counted{};
    if (memoryCounterPresent())
        counter().end(&counted);
    return counted;
}

}  // namespace bridgebench

#define BENCH_MEMORY(name) Java_com_zarvel_quorvexservice_bench_NativeMemory_##name

namespace {
// What NativeMemory.end gives Java: peak, net, allocations, largest request.
constexpr jsize kCountFields = 4;
}  // namespace

extern "C" {

JNIEXPORT jboolean JNICALL BENCH_MEMORY(available)(JNIEnv*, jclass) {
    return bridgebench::memoryCounterPresent() ? JNI_TRUE : JNI_FALSE;
}

// The bytes that malloc has handed out in the whole process and not taken back, over all its arenas
// and mapped blocks, with or without the counter.
JNIEXPORT jlong JNICALL BENCH_MEMORY(heapInUse)(JNIEnv*, jclass) {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<jlong>(info.uordblks + info.hblkhd);
}

JNIEXPORT void JNICALL BENCH_MEMORY(begin)(JNIEnv*, jclass) {
    bridgebench::memoryBegin();
}

// Stops counting first, so that the array made here is not counted.
JNIEXPORT jlongArray JNICALL BENCH_MEMORY(end)(JNIEnv* env, jclass) {
    const bench_memory counted = bridgebench::memoryEnd();
    const jlong fields[kCountFields] = {counted.peak, counted.net, counted.allocations,
                                        counted.largest};
    jlongArray result = env->NewLongArray(kCountFields);
    if (result == nullptr)
        return nullptr;
    env->SetLongArrayRegion(result, 0, kCountFields, fields);
    return result;
}

}  // extern "C"
