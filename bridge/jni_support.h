// Conventions that every native method of ApiNative shares: the SDK handle in a Java long, class
// and constructor lookups, per-call buffers, bounds on counts, and the Java exceptions with which
// the bridge refuses a request.
#pragma once

#include <jni.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "devicesdk5.h"

namespace palmbridge {

// What an int method returns when the bridge itself refused the request; a Java exception that
// says why is then pending, so Java sees the exception rather than this value.
constexpr jint kBridgeRefused = INT32_MIN;

// Record sizes of the vendor's 32-bit layout: the bounds on counts derive from them, so they are
// the same on every target.
constexpr std::size_t kDeviceRecordSize = 284;
constexpr std::size_t kTemplateRecordSize = 24;
constexpr std::size_t kParameterRecordSize = 8;
constexpr std::size_t kLogRecordSize = 32;

// The largest count whose records stay within 2147483647 bytes.
constexpr jint maxRecordCount(std::size_t recordSize) {
    return static_cast<jint>(INT32_MAX / recordSize);
}
constexpr jint kMaxSearchCount = maxRecordCount(kDeviceRecordSize);
constexpr jint kMaxTemplateCount = maxRecordCount(kTemplateRecordSize);
constexpr jint kMaxParameterCount = maxRecordCount(kParameterRecordSize);
constexpr jint kMaxLogCount = maxRecordCount(kLogRecordSize);
static_assert(kMaxSearchCount == 7561562 && kMaxTemplateCount == 89478485 &&
              kMaxParameterCount == 268435455 && kMaxLogCount == 67108863);

// The SDK handle travels in a Java long: zero-extended on the way out, low 32 bits on the way in.
inline dsdk_handle toSdkHandle(jlong handle) {
    return static_cast<dsdk_handle>(static_cast<std::uint64_t>(handle) & 0xFFFFFFFFu);
}
inline jlong toJavaHandle(dsdk_handle handle) {
    return static_cast<jlong>(static_cast<std::uint64_t>(handle));
}

// Asks the processor to fetch the memory at p ahead of its use; a hint, nothing more.
inline void prefetch(const void* p) {
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// A count the SDK wrote back, limited to the room it was given.
inline jint clampCount(std::int32_t reported, jint room) {
    return reported < 0 ? 0 : (reported > room ? room : reported);
}

// An uninitialised (or zeroed) heap array for one call; empty when memory ran out. Never throws.
template <typename T>
class HeapArray {
  public:
    HeapArray() = default;
    HeapArray(const HeapArray&) = delete;
    HeapArray& operator=(const HeapArray&) = delete;
    HeapArray(HeapArray&& other) noexcept : data_(std::exchange(other.data_, nullptr)) {}
    HeapArray& operator=(HeapArray&& other) noexcept {
        std::swap(data_, other.data_);
        return *this;
    }
    ~HeapArray() { std::free(data_); }

    // Room for count elements; a count of 0 still gives a valid, distinct pointer.
    [[nodiscard]] static HeapArray allocate(std::size_t count) { return HeapArray(count, false); }
    [[nodiscard]] static HeapArray allocateZeroed(std::size_t count) {
        return HeapArray(count, true);
    }

    T* get() const { return data_; }
    T& operator[](std::size_t i) const { return data_[i]; }
    explicit operator bool() const { return data_ != nullptr; }

  private:
    HeapArray(std::size_t count, bool zeroed) {
        if (count > SIZE_MAX / sizeof(T))
            return;
        const std::size_t bytes = count == 0 ? 1 : count * sizeof(T);
        data_ = static_cast<T*>(zeroed ? std::calloc(1, bytes) : std::malloc(bytes));
    }
    T* data_ = nullptr;
};

// Java exceptions with which the bridge refuses a request.
inline constexpr const char* kIllegalArgument = "java/lang/IllegalArgumentException";
inline constexpr const char* kNullPointer = "java/lang/NullPointerException";
inline constexpr const char* kOutOfMemory = "java/lang/OutOfMemoryError";

// Room for the message of a refusal, with its NUL; a longer message is cut.
constexpr std::size_t kMessageSize = 256;

// Throws a new exception of the class with a message formatted like printf, and leaves it
// pending; when the class cannot be found, the failed lookup's own error is pending instead.
#if defined(__GNUC__)
__attribute__((format(printf, 3, 4)))
#endif
void throwFormatted(JNIEnv* env, const char* className, const char* format, ...);

// Accepts value when it lies in 0 to max; otherwise throws IllegalArgumentException naming the
// method, the value and the bound.
[[nodiscard]] bool checkCount(JNIEnv* env, const char* method, const char* what, jint value,
                              jint max);
// Formats the message of checkCount (exposed for tests of the wording).
void formatCountMessage(char* out, std::size_t size, const char* method, const char* what,
                        jint value, jint max);

// Accepts a non-null reference; otherwise throws NullPointerException "<method>: <what> is null".
[[nodiscard]] bool checkNotNull(JNIEnv* env, jobject ref, const char* method, const char* what);

// Throws OutOfMemoryError "<method>: cannot allocate <what>" and gives false when array is empty.
void throwAllocationFailure(JNIEnv* env, const char* method, const char* what);
template <typename T>
[[nodiscard]] bool checkAllocated(JNIEnv* env, const HeapArray<T>& array, const char* method,
                                  const char* what) {
    if (array)
        return true;
    throwAllocationFailure(env, method, what);
    return false;
}

// Room for the count records of one SDK call. Refuses a count outside 0 to max as checkCount does
// and memory that ran out as checkAllocated does ("<method>: cannot allocate <recordsName>"); the
// array is empty then, with the exception pending.
enum class Fill { kUninitialised, kZeroed };
template <typename T>
[[nodiscard]] HeapArray<T> allocateRecords(JNIEnv* env, const char* method, const char* countName,
                                           jint count, jint max, const char* recordsName,
                                           Fill fill = Fill::kUninitialised) {
    if (!checkCount(env, method, countName, count, max))
        return {};
    const auto n = static_cast<std::size_t>(count);
    auto records =
        fill == Fill::kZeroed ? HeapArray<T>::allocateZeroed(n) : HeapArray<T>::allocate(n);
    if (!checkAllocated(env, records, method, recordsName))
        return {};
    return records;
}

// A class of the Java service and one of its constructors, looked up for one call.
struct JavaClass {
    jclass cls = nullptr;
    jmethodID ctor = nullptr;
};
// Finds the class and its "<init>" with the descriptor; false with the JVM's error pending.
[[nodiscard]] bool findConstructor(JNIEnv* env, const char* className, const char* descriptor,
                                   JavaClass& out);

// True when a JNI call has left an exception pending. Every object-making call is followed by
// this test, so the bridge never calls on with an exception pending or a null result.
inline bool failed(JNIEnv* env) {
    return env->ExceptionCheck() == JNI_TRUE;
}

// Constructs an object; null with the exception pending when construction failed.
template <typename... Args>
jobject construct(JNIEnv* env, const JavaClass& type, Args... args) {
    jobject object = env->NewObject(type.cls, type.ctor, args...);
    return failed(env) ? nullptr : object;
}

// An array of count elements of the class, all null; null with the exception pending on failure.
jobjectArray newElementArray(JNIEnv* env, jint count, jclass elementClass);

// Runs step(i) for i from 0 to count - 1 in order, inside local frames of at most kFrameElements
// elements each, so that the local references the steps make (refsPerElement each at most) are
// given back frame by frame and never exceed what the JVM reserved for them. Stops at the first
// step that gives false; false also when a frame cannot be had (an OutOfMemoryError pending).
constexpr jint kFrameElements = 256;
template <typename Step>
[[nodiscard]] bool forEachInFrames(JNIEnv* env, jint count, jint refsPerElement, Step step) {
    for (jint start = 0; start < count; start += kFrameElements) {
        const jint end = count - start > kFrameElements ? start + kFrameElements : count;
        if (env->PushLocalFrame((end - start) * refsPerElement) != 0)
            return false;
        for (jint i = start; i < end; ++i) {
            if (!step(i)) {
                env->PopLocalFrame(nullptr);
                return false;
            }
        }
        env->PopLocalFrame(nullptr);
    }
    return true;
}

// Stores element at index; false with the exception pending when the store failed.
[[nodiscard]] inline bool store(JNIEnv* env, jobjectArray array, jint index, jobject element) {
    env->SetObjectArrayElement(array, index, element);
    return !failed(env);
}

}  // namespace palmbridge
