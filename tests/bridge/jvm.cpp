#include "jvm.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

namespace bridgetest {
namespace {

#define API "com/zarvel/quorvexservice/apinative/ApiNative$"

JavaVM* gVm = nullptr;
JNIEnv* gEnv = nullptr;

// Marks a call's possible exception as looked at (-Xcheck:jni wants that before the next call);
// the exception itself stays pending for the test to take.
template <typename T>
T checked(T result) {
    gEnv->ExceptionCheck();
    return result;
}
std::mutex gOutputMutex;
std::string gOutput;

// Everything the JVM prints passes here: kept for the warning checks, and shown.
jint JNICALL captureOutput(FILE* stream, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char line[4096];
    const int n = std::vsnprintf(line, sizeof line, format, copy);
    va_end(copy);
    {
        std::lock_guard<std::mutex> lock(gOutputMutex);
        gOutput.append(line);
    }
    std::fputs(line, stream == nullptr ? stderr : stream);
    return n;
}

void createJvm() {
    std::string classPath = std::string("-Djava.class.path=") + QV_TEST_CLASSPATH;
    std::string libraryPath = std::string("-Djava.library.path=") + QV_TEST_LIBRARY_DIR;
    JavaVMOption options[] = {
        {const_cast<char*>(classPath.c_str()), nullptr},
        {const_cast<char*>(libraryPath.c_str()), nullptr},
        {const_cast<char*>("-Xcheck:jni"), nullptr},
        // Small enough that the out-of-memory cases are reached quickly.
        {const_cast<char*>("-Xmx256m"), nullptr},
        {const_cast<char*>("-XX:-UseCompressedOops"), nullptr},
        {const_cast<char*>("-Xshare:off"), nullptr},
        {const_cast<char*>("vfprintf"), reinterpret_cast<void*>(&captureOutput)},
    };
    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_8;
    args.nOptions = sizeof options / sizeof options[0];
    args.options = options;
    args.ignoreUnrecognized = JNI_FALSE;
    void* envp = nullptr;
    if (JNI_CreateJavaVM(&gVm, &envp, &args) != JNI_OK) {
        std::fprintf(stderr, "cannot create the Java VM\n");
        std::exit(2);
    }
    gEnv = static_cast<JNIEnv*>(envp);
}

std::string javaString(jstring s) {
    if (s == nullptr)
        return {};
    const char* chars = gEnv->GetStringUTFChars(s, nullptr);
    std::string result(chars);
    gEnv->ReleaseStringUTFChars(s, chars);
    return result;
}

jfieldID field(jobject object, const char* name, const char* signature) {
    jclass cls = gEnv->GetObjectClass(object);
    jfieldID id = gEnv->GetFieldID(cls, name, signature);
    if (id == nullptr) {
        gEnv->ExceptionClear();
        ADD_FAILURE() << "no field " << name << " " << signature;
    }
    return id;
}

// Fails the running test when the JVM has printed a warning since the last check.
class JniWarningCheck : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override {
        std::string output;
        {
            std::lock_guard<std::mutex> lock(gOutputMutex);
            output.swap(gOutput);
        }
        if (output.find("WARNING") != std::string::npos) {
            ADD_FAILURE() << "the JVM printed a warning:\n" << output;
        }
        if (gEnv->ExceptionCheck()) {
            gEnv->ExceptionDescribe();
            ADD_FAILURE() << "a Java exception was left pending";
            gEnv->ExceptionClear();
        }
        gEnv->PopLocalFrame(nullptr);
    }
    // Each test gets a local frame of its own, so that local references do not pile up.
    void OnTestStart(const testing::TestInfo&) override { gEnv->PushLocalFrame(4096); }
};

}  // namespace

JNIEnv* env() {
    return gEnv;
}

std::string jvmOutput() {
    std::lock_guard<std::mutex> lock(gOutputMutex);
    return gOutput;
}

JavaError takeException() {
    JavaError error;
    jthrowable thrown = gEnv->ExceptionOccurred();
    if (thrown == nullptr)
        return error;
    gEnv->ExceptionClear();
    jclass classClass = gEnv->FindClass("java/lang/Class");
    jmethodID getName = gEnv->GetMethodID(classClass, "getName", "()Ljava/lang/String;");
    jclass throwable = gEnv->FindClass("java/lang/Throwable");
    jmethodID getMessage = gEnv->GetMethodID(throwable, "getMessage", "()Ljava/lang/String;");
    error.type = javaString(static_cast<jstring>(
        checked(gEnv->CallObjectMethod(gEnv->GetObjectClass(thrown), getName))));
    error.message =
        javaString(static_cast<jstring>(checked(gEnv->CallObjectMethod(thrown, getMessage))));
    return error;
}

jint intField(jobject o, const char* name) {
    return gEnv->GetIntField(o, field(o, name, "I"));
}
jshort shortField(jobject o, const char* name) {
    return gEnv->GetShortField(o, field(o, name, "S"));
}
jboolean booleanField(jobject o, const char* name) {
    return gEnv->GetBooleanField(o, field(o, name, "Z"));
}
jdouble doubleField(jobject o, const char* name) {
    return gEnv->GetDoubleField(o, field(o, name, "D"));
}
jobject objectField(jobject o, const char* name, const char* signature) {
    return gEnv->GetObjectField(o, field(o, name, signature));
}
std::string utfField(jobject o, const char* name) {
    return utf(static_cast<jstring>(objectField(o, name, "Ljava/lang/String;")));
}
std::string utf(jstring text) {
    if (text == nullptr)
        return "<null>";
    const jsize length = gEnv->GetStringUTFLength(text);
    const char* chars = gEnv->GetStringUTFChars(text, nullptr);
    std::string result(chars, static_cast<std::size_t>(length));
    gEnv->ReleaseStringUTFChars(text, chars);
    return result;
}

std::vector<jobject> elements(jobject array) {
    std::vector<jobject> result;
    if (array == nullptr)
        return result;
    auto objects = static_cast<jobjectArray>(array);
    const jsize n = gEnv->GetArrayLength(objects);
    for (jsize i = 0; i < n; ++i)
        result.push_back(gEnv->GetObjectArrayElement(objects, i));
    return result;
}

std::vector<std::uint8_t> bytes(jobject array) {
    auto data = static_cast<jbyteArray>(array);
    std::vector<std::uint8_t> result(static_cast<std::size_t>(gEnv->GetArrayLength(data)));
    gEnv->GetByteArrayRegion(data, 0, static_cast<jsize>(result.size()),
                             reinterpret_cast<jbyte*>(result.data()));
    return result;
}

jbyteArray newBytes(const std::vector<std::uint8_t>& data) {
    jbyteArray array = gEnv->NewByteArray(static_cast<jsize>(data.size()));
    gEnv->SetByteArrayRegion(array, 0, static_cast<jsize>(data.size()),
                             reinterpret_cast<const jbyte*>(data.data()));
    return array;
}

jstring newString(const std::u16string& text) {
    return gEnv->NewString(reinterpret_cast<const jchar*>(text.data()),
                           static_cast<jsize>(text.size()));
}

void* bridgeExport(const char* name) {
    const std::string path = std::string(QV_TEST_LIBRARY_DIR) + "/libpalmbridge.so";
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    void* symbol = library == nullptr ? nullptr : dlsym(library, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "no export %s in %s\n", name, path.c_str());
        std::abort();
    }
    return symbol;
}

jobject localDateTime(jint year, jint month, jint day, jint hour, jint minute, jint second,
                      jint nanos) {
    jclass cls = gEnv->FindClass("java/time/LocalDateTime");
    jmethodID of = gEnv->GetStaticMethodID(cls, "of", "(IIIIIII)Ljava/time/LocalDateTime;");
    return checked(
        gEnv->CallStaticObjectMethod(cls, of, year, month, day, hour, minute, second, nanos));
}

Api& Api::reference() {
    static Api api(static_cast<jclass>(
        gEnv->NewGlobalRef(gEnv->FindClass("com/zarvel/quorvexservice/apinative/ApiNative"))));
    return api;
}

Api& Api::variant(const char* name) {
    static std::map<std::string, Api> loaded;
    auto found = loaded.find(name);
    if (found != loaded.end())
        return found->second;
    jclass loader = gEnv->FindClass("com/zarvel/quorvexservice/testing/VariantLoader");
    jmethodID load = gEnv->GetStaticMethodID(
        loader, "load", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/Class;");
    std::string dir = std::string(QV_TEST_VARIANTS_DIR) + "/" + name;
    std::string library = std::string(QV_TEST_LIBRARY_DIR) + "/libpalmbridge-" + name + ".so";
    jobject cls = gEnv->CallStaticObjectMethod(loader, load, gEnv->NewStringUTF(dir.c_str()),
                                               gEnv->NewStringUTF(library.c_str()));
    if (gEnv->ExceptionCheck()) {
        gEnv->ExceptionDescribe();
        std::abort();
    }
    return loaded.emplace(name, Api(static_cast<jclass>(gEnv->NewGlobalRef(cls)))).first->second;
}

jclass Api::nested(const char* name) const {
    jclass loaderClass = gEnv->FindClass("java/lang/Class");
    jmethodID getLoader =
        gEnv->GetMethodID(loaderClass, "getClassLoader", "()Ljava/lang/ClassLoader;");
    jobject loader = checked(gEnv->CallObjectMethod(cls_, getLoader));
    jclass forName = gEnv->FindClass("java/lang/Class");
    jmethodID forNameId = gEnv->GetStaticMethodID(
        forName, "forName", "(Ljava/lang/String;ZLjava/lang/ClassLoader;)Ljava/lang/Class;");
    std::string binary = std::string("com.zarvel.quorvexservice.apinative.ApiNative$") + name;
    auto result = static_cast<jclass>(gEnv->CallStaticObjectMethod(
        forName, forNameId, gEnv->NewStringUTF(binary.c_str()), JNI_TRUE, loader));
    if (gEnv->ExceptionCheck()) {
        gEnv->ExceptionDescribe();
        gEnv->ExceptionClear();
        ADD_FAILURE() << "no nested class " << name;
        return nullptr;
    }
    return result;
}

jobject Api::make(const char* nestedName, const char* ctor, ...) const {
    jclass cls = nested(nestedName);
    jmethodID init = gEnv->GetMethodID(cls, "<init>", ctor);
    va_list args;
    va_start(args, ctor);
    jobject object = checked(gEnv->NewObjectV(cls, init, args));
    va_end(args);
    if (gEnv->ExceptionCheck()) {
        gEnv->ExceptionDescribe();
        gEnv->ExceptionClear();
        ADD_FAILURE() << "cannot make " << nestedName;
    }
    return object;
}

jmethodID Api::method(const char* name, const char* signature) const {
    jmethodID id = gEnv->GetStaticMethodID(cls_, name, signature);
    if (id == nullptr) {
        gEnv->ExceptionDescribe();
        std::abort();
    }
    return id;
}

jlong Api::create() const {
    return checked(gEnv->CallStaticLongMethod(cls_, method("dsdk_create", "()J")));
}
void Api::release(jlong h) const {
    gEnv->CallStaticVoidMethod(cls_, method("dsdk_release", "(J)V"), h);
    gEnv->ExceptionCheck();
}
jint Api::addDevice(jlong h, jint d) const {
    return checked(gEnv->CallStaticIntMethod(cls_, method("dsdk_add_device", "(JI)I"), h, d));
}
jint Api::removeDevice(jlong h, jint d) const {
    return checked(gEnv->CallStaticIntMethod(cls_, method("dsdk_remove_device", "(JI)I"), h, d));
}
jint Api::connect(jlong h, jint d, jstring text, jshort a, jshort b) const {
    return checked(gEnv->CallStaticIntMethod(
        cls_, method("dsdk_connect", "(JILjava/lang/String;SS)I"), h, d, text, a, b));
}
jint Api::disconnect(jlong h, jint d) const {
    return checked(gEnv->CallStaticIntMethod(cls_, method("dsdk_disconnect", "(JI)I"), h, d));
}
jobject Api::deviceConnected(jlong h, jint d) const {
    return checked(gEnv->CallStaticObjectMethod(
        cls_, method("dsdk_device_connected", "(JI)L" API "DSDKDeviceConnectedResult;"), h, d));
}
jint Api::initDevice(jlong h, jint d) const {
    return checked(gEnv->CallStaticIntMethod(cls_, method("dsdk_init_device", "(JI)I"), h, d));
}
jobject Api::searchDevices(jlong h, jint maxCount) const {
    return checked(gEnv->CallStaticObjectMethod(
        cls_, method("dsdk_search_devices", "(JI)L" API "DSDKDeviceSearchResult;"), h, maxCount));
}
jobject Api::firmwareVersion(jlong h, jint d) const {
    return checked(gEnv->CallStaticObjectMethod(
        cls_, method("dsdk_get_firmware_version", "(JI)L" API "DSDKFwVer;"), h, d));
}
jobject Api::serial(jlong h, jint d) const {
    return checked(gEnv->CallStaticObjectMethod(
        cls_, method("dsdk_get_serial", "(JI)L" API "DSDKSerial;"), h, d));
}
jobject Api::networkConfig(jlong h, jint d) const {
    return checked(gEnv->CallStaticObjectMethod(
        cls_, method("dsdk_get_network_config", "(JI)L" API "DSDKNetworkConfig;"), h, d));
}
jobject Api::networkConfigFull(jlong h, jint d) const {
    return checked(gEnv->CallStaticObjectMethod(
        cls_, method("dsdk_get_network_config_full", "(JI)L" API "DSDKNetworkConfig;"), h, d));
}
jobject Api::scanBiometric(jlong h, jint d, jint capacity) const {
    return checked(gEnv->CallStaticObjectMethod(
        cls_, method("dsdk_scan_biometric", "(JII)L" API "DSDKScanTemplateResult;"), h, d,
        capacity));
}
jobject Api::scanCard(jlong h, jint d) const {
    return checked(gEnv->CallStaticObjectMethod(
        cls_, method("dsdk_scan_card", "(JI)L" API "DSDKScanCard;"), h, d));
}
jint Api::addUser(jlong h, jint d, jobject user, jobject templates) const {
    return checked(gEnv->CallStaticIntMethod(
        cls_, method("dsdk_add_user", "(JIL" API "DSDKUserData;[L" API "DSDKBioTemplate;)I"), h, d,
        user, templates));
}
jint Api::removeUser(jlong h, jint d, jobject user) const {
    return checked(gEnv->CallStaticIntMethod(
        cls_, method("dsdk_remove_user", "(JIL" API "DSDKUserData;)I"), h, d, user));
}
jint Api::setTime(jlong h, jint d, jobject time) const {
    return checked(gEnv->CallStaticIntMethod(
        cls_, method("dsdk_set_time", "(JILjava/time/LocalDateTime;)I"), h, d, time));
}
jobject Api::systemParameters(jlong h, jint d) const {
    return checked(gEnv->CallStaticObjectMethod(
        cls_, method("dsdk_get_system_parameters", "(JI)L" API "DSDKSystemParametersResult;"), h,
        d));
}
jint Api::setSystemParameters(jlong h, jint d, jobject parameters) const {
    return checked(gEnv->CallStaticIntMethod(
        cls_, method("dsdk_set_system_parameters", "(JI[L" API "DSDKSystemParameter;)I"), h, d,
        parameters));
}
jobject Api::logs(jlong h, jint d, jint capacity) const {
    return checked(gEnv->CallStaticObjectMethod(
        cls_, method("dsdk_get_logs", "(JII)L" API "DSDKLogResult;"), h, d, capacity));
}
jobject Api::logCache(jlong h, jint d, jint capacity) const {
    return checked(gEnv->CallStaticObjectMethod(
        cls_, method("dsdk_get_log_cache", "(JII)L" API "DSDKLogResult;"), h, d, capacity));
}

}  // namespace bridgetest

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    bridgetest::createJvm();
    testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
    listeners.Append(new bridgetest::JniWarningCheck);
    const int result = RUN_ALL_TESTS();
    // The process ends with the JVM still up: HotSpot cannot be created again, and tearing it
    // down adds nothing to the checks.
    std::fflush(stdout);
    std::_Exit(result);
}
