// The one Java VM of the bridge test program (HotSpot hosts one per process), created with
// -Xcheck:jni before the tests run, and small helpers for reading Java objects from C++.
#pragma once

#include <jni.h>

#include <cstdint>
#include <string>
#include <vector>

namespace bridgetest {

// The JVM's environment on the test thread.
JNIEnv* env();

// Everything the JVM has printed so far (its warnings from -Xcheck:jni among it).
std::string jvmOutput();

// A pending Java exception, taken and cleared; empty class when there was none.
struct JavaError {
    std::string type;     // e.g. "java.lang.IllegalArgumentException"
    std::string message;  // getMessage(), empty when null
    explicit operator bool() const { return !type.empty(); }
};
JavaError takeException();

// Reading fields of Java objects.
jint intField(jobject object, const char* name);
jshort shortField(jobject object, const char* name);
jboolean booleanField(jobject object, const char* name);
jdouble doubleField(jobject object, const char* name);
jobject objectField(jobject object, const char* name, const char* signature);
// The modified UTF-8 bytes of a String field.
std::string utfField(jobject object, const char* name);
std::string utf(jstring text);
std::vector<jobject> elements(jobject array);  // null array: empty
std::vector<std::uint8_t> bytes(jobject byteArray);
jbyteArray newBytes(const std::vector<std::uint8_t>& data);
jstring newString(const std::u16string& text);  // any UTF-16, also U+0000

// One loaded ApiNative class: the reference one or one of the test variants below.
class Api {
  public:
    explicit Api(jclass cls) : cls_(cls) {}
    static Api& reference();
    // ApiNative loaded in a class loader of its own from the named variant folder, with its own
    // copy of the bridge library.
    static Api& variant(const char* name);

    jclass cls() const { return cls_; }
    // Nested class of this ApiNative's class loader, e.g. "DSDKUserData".
    jclass nested(const char* name) const;
    // Constructs a nested class with the given constructor descriptor.
    jobject make(const char* nestedName, const char* ctor, ...) const;

    jlong create() const;
    void release(jlong h) const;
    jint addDevice(jlong h, jint d) const;
    jint removeDevice(jlong h, jint d) const;
    jint connect(jlong h, jint d, jstring text, jshort a, jshort b) const;
    jint disconnect(jlong h, jint d) const;
    jobject deviceConnected(jlong h, jint d) const;
    jint initDevice(jlong h, jint d) const;
    jobject searchDevices(jlong h, jint maxCount) const;
    jobject firmwareVersion(jlong h, jint d) const;
    jobject serial(jlong h, jint d) const;
    jobject networkConfig(jlong h, jint d) const;
    jobject networkConfigFull(jlong h, jint d) const;
    jobject scanBiometric(jlong h, jint d, jint capacity) const;
    jobject scanCard(jlong h, jint d) const;
    jint addUser(jlong h, jint d, jobject user, jobject templates) const;
    jint removeUser(jlong h, jint d, jobject user) const;
    jint setTime(jlong h, jint d, jobject time) const;
    jobject systemParameters(jlong h, jint d) const;
    jint setSystemParameters(jlong h, jint d, jobject parameters) const;
    jobject logs(jlong h, jint d, jint capacity) const;
    jobject logCache(jlong h, jint d, jint capacity) const;

  private:
    jmethodID method(const char* name, const char* signature) const;
    jclass cls_;
};

// An export of the bridge library that the JVM loaded, to call a native method directly and see
// what it returns itself (through a JVM call, an int method with an exception pending gives 0).
void* bridgeExport(const char* name);
template <typename... Args>
jint callIntExport(const char* name, Args... args) {
    using Fn = jint(JNICALL*)(JNIEnv*, jobject, Args...);
    return reinterpret_cast<Fn>(bridgeExport(name))(env(), nullptr, args...);
}

// java.time.LocalDateTime.of(y, mo, d, h, mi, s, nanos).
jobject localDateTime(jint year, jint month, jint day, jint hour, jint minute, jint second,
                      jint nanos);

}  // namespace bridgetest
