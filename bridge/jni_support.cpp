#include "jni_support.h"

#include <cstdarg>
#include <cstdio>

namespace palmbridge {
namespace {

constexpr const char* kCountFormat = "%s: %s %ld is outside 0 to %ld";

}  // namespace

void throwFormatted(JNIEnv* env, const char* className, const char* format, ...) {
    char message[kMessageSize];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    jclass type = env->FindClass(className);
    if (type == nullptr)
        return;  // the failed lookup's own error is pending instead
    env->ThrowNew(type, message);
}

void throwAllocationFailure(JNIEnv* env, const char* method, const char* what) {
    throwFormatted(env, kOutOfMemory, "%s: cannot allocate %s", method, what);
}

void formatCountMessage(char* out, std::size_t size, const char* method, const char* what,
                        jint value, jint max) {
    std::snprintf(out, size, kCountFormat, method, what, static_cast<long>(value),
                  static_cast<long>(max));
}

bool checkCount(JNIEnv* env, const char* method, const char* what, jint value, jint max) {
    if (value >= 0 && value <= max)
        return true;
    throwFormatted(env, kIllegalArgument, kCountFormat, method, what, static_cast<long>(value),
                   static_cast<long>(max));
    return false;
}

bool checkNotNull(JNIEnv* env, jobject ref, const char* method, const char* what) {
    if (ref != nullptr)
        return true;
    throwFormatted(env, kNullPointer, "%s: %s is null", method, what);
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
