#include "jni_support.h"

#include <cstdio>

namespace palmbridge {
namespace {

// Room for a message naming a method, a value and a bound.
constexpr std::size_t kMessageSize = 256;

void throwNew(JNIEnv* env, const char* className, const char* message) {
    jclass type = env->FindClass(className);
    if (type == nullptr)
        return;  // the failed lookup's own error is pending instead
    env->ThrowNew(type, message);
}

}  // namespace

void throwIllegalArgument(JNIEnv* env, const char* message) {
    throwNew(env, "java/lang/IllegalArgumentException", message);
}

void throwNullPointer(JNIEnv* env, const char* message) {
    throwNew(env, "java/lang/NullPointerException", message);
}

void throwOutOfMemory(JNIEnv* env, const char* message) {
    throwNew(env, "java/lang/OutOfMemoryError", message);
}

void throwAllocationFailure(JNIEnv* env, const char* method, const char* what) {
    char message[kMessageSize];
    std::snprintf(message, sizeof message, "%s: cannot allocate %s", method, what);
    throwOutOfMemory(env, message);
}

void formatCountMessage(char* out, std::size_t size, const char* method, const char* what,
                        jint value, jint max) {
    std::snprintf(out, size, "%s: %s %ld is outside 0 to %ld", method, what,
                  static_cast<long>(value), static_cast<long>(max));
}

bool checkCount(JNIEnv* env, const char* method, const char* what, jint value, jint max) {
    if (value >= 0 && value <= max)
        return true;
    char message[kMessageSize];
    formatCountMessage(message, sizeof message, method, what, value, max);
    throwIllegalArgument(env, message);
    return false;
}

bool checkNotNull(JNIEnv* env, jobject ref, const char* method, const char* what) {
    if (ref != nullptr)
        return true;
    char message[kMessageSize];
    std::snprintf(message, sizeof message, "%s: %s is null", method, what);
    throwNullPointer(env, message);
    return false;
}

bool findConstructor(JNIEnv* env, const char* className, const char* descriptor, JavaClass& out) {
    out.cls = env->FindClass(className);
    if (out.cls == nullptr)
        return false;
    out.ctor = env->GetMethodID(out.cls, "<init>", descriptor);
    return out.ctor != nullptr;
}

jobjectArray newElementArray(JNIEnv* env, jint count, jclass elementClass) {
    jobjectArray array = env->NewObjectArray(count, elementClass, nullptr);
    return failed(env) ? nullptr : array;
}

}  // namespace palmbridge
