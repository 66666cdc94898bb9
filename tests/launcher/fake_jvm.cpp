#include "fake_jvm.h"

#include <algorithm>

#include <cstdarg>
#include <map>

namespace qv::testing {

namespace {

// --- JNI trampolines ----------------------------------------------------------------------------

FakeJvm* gEntryOwner = nullptr;
std::map<const void*, FakeJvm*>& jvmsByEnv() {
    static std::map<const void*, FakeJvm*> jvms;
    return jvms;
}
FakeJvm& jvmOf(const void* envOrVm) {
    return *jvmsByEnv().at(envOrVm);
}

}  // namespace

void lockedRecord(FakeJvm& jvm, std::string call) {
    std::lock_guard<std::mutex> lock(jvm.recordMutex_);
    jvm.calls.push_back(std::move(call));
}

namespace {

// Records a JNI call, described only when the JVM keeps its record.
template <typename Describe>
void record(FakeJvm& jvm, Describe describe) {
    if (jvm.recordCalls) {
        lockedRecord(jvm, describe());
    }
}
void record(FakeJvm& jvm, const char* call) {
    if (jvm.recordCalls) {
        lockedRecord(jvm, call);
    }
}

struct FakeMethod {
} gMainMethod, gExitMethod, gStopMethod, gCurrentThreadMethod, gForNameMethod, gContextLoaderMethod;

jint JNICALL fakeCreateJavaVm(JavaVM** vm, void** env, void* args) {
    return gEntryOwner->create(vm, env, args);
}

jint JNICALL fakeDestroyJavaVm(JavaVM* vm) {
    FakeJvm& jvm = jvmOf(vm);
    record(jvm, "DestroyJavaVM");
    if (jvm.onDestroy) {
        jvm.onDestroy();
    }
    if (jvm.mainLeavesThread) {
        jvm.waitForRelease();  // the non-daemon thread main left behind
    }
    if (jvm.waitForDetachedThreads() || jvm.mainLeavesThread) {
        record(jvm, "DestroyJavaVM returns");
    }
    ++jvm.destroyCount;
    return JNI_OK;
}

jthrowable throwIn(FakeJvm& jvm, const std::string& what) {
    jvm.pending = static_cast<jthrowable>(jvm.newObject({"throwable", what, {}}));
    return jvm.pending;
}

jclass JNICALL fakeFindClass(JNIEnv* env, const char* name) {
    FakeJvm& jvm = jvmOf(env);
    record(jvm, [&] { return std::string("FindClass(") + name + ")"; });
    static const std::set<std::string> kPlatformClasses = {"java/lang/String", "java/lang/System",
                                                           "java/lang/Thread", "java/lang/Class"};
    if (kPlatformClasses.count(name) == 0 && jvm.classes.count(name) == 0) {
        throwIn(jvm, std::string("java.lang.NoClassDefFoundError: ") + name);
        return nullptr;
    }
    return static_cast<jclass>(jvm.newObject({"class", name, {}}));
}

jthrowable JNICALL fakeExceptionOccurred(JNIEnv* env) {
    FakeJvm& jvm = jvmOf(env);
    record(jvm, "ExceptionOccurred");
    return jvm.pending;
}

void JNICALL fakeExceptionDescribe(JNIEnv* env) {
    FakeJvm& jvm = jvmOf(env);
    record(jvm, "ExceptionDescribe");
    jvm.pending = nullptr;
}

jmethodID JNICALL fakeGetStaticMethodID(JNIEnv* env, jclass cls, const char* name,
                                        const char* sig) {
    FakeJvm& jvm = jvmOf(env);
    const std::string& className = jvm.object(cls)->text;
    record(jvm, [&] { return "GetStaticMethodID(" + className + ", " + name + ", " + sig + ")"; });
    if (className == "java/lang/System" && std::string(name) == "exit" &&
        std::string(sig) == "(I)V") {
        return reinterpret_cast<jmethodID>(&gExitMethod);
    }
    if (className == "java/lang/Thread" && std::string(name) == "currentThread" &&
        std::string(sig) == "()Ljava/lang/Thread;") {
        return reinterpret_cast<jmethodID>(&gCurrentThreadMethod);
    }
    if (className == "java/lang/Class" && std::string(name) == "forName" &&
        std::string(sig) == "(Ljava/lang/String;ZLjava/lang/ClassLoader;)Ljava/lang/Class;") {
        return reinterpret_cast<jmethodID>(&gForNameMethod);
    }
    if (jvm.stopMethods.count(className + "." + name) &&
        std::string(sig) == "([Ljava/lang/String;)V") {
        return reinterpret_cast<jmethodID>(&gStopMethod);
    }
    if (jvm.classesWithoutMain.count(className) || std::string(name) != "main" ||
        std::string(sig) != "([Ljava/lang/String;)V") {
        throwIn(jvm, "java.lang.NoSuchMethodError: main");
        return nullptr;
    }
    return reinterpret_cast<jmethodID>(&gMainMethod);
}

jobjectArray JNICALL fakeNewObjectArray(JNIEnv* env, jsize length, jclass cls, jobject init) {
    FakeJvm& jvm = jvmOf(env);
    record(jvm, [&] {
        return "NewObjectArray(" + std::to_string(length) + ", " + jvm.object(cls)->text +
               (init ? ", init)" : ", null)");
    });
    if (jvm.failArray) {
        throwIn(jvm, "java.lang.OutOfMemoryError");
        return nullptr;
    }
    FakeJvm::Object array{"array", {}, std::vector<jobject>(static_cast<std::size_t>(length))};
    return static_cast<jobjectArray>(jvm.newObject(std::move(array)));
}

jstring JNICALL fakeNewStringUTF(JNIEnv* env, const char* utf) {
    FakeJvm& jvm = jvmOf(env);
    const int index = jvm.stringsMade++;
    record(jvm, [&] { return std::string("NewStringUTF(") + utf + ")"; });
    if (jvm.failStringAt && *jvm.failStringAt == index) {
        throwIn(jvm, "java.lang.OutOfMemoryError");
        return nullptr;
    }
    return static_cast<jstring>(jvm.newObject({"string", utf, {}}));
}

void JNICALL fakeSetObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index,
                                       jobject value) {
    FakeJvm& jvm = jvmOf(env);
    record(jvm, [&] { return "SetObjectArrayElement(" + std::to_string(index) + ")"; });
    FakeJvm::Object* target = array ? jvm.object(array) : nullptr;
    if (target == nullptr || index < 0 ||
        static_cast<std::size_t>(index) >= target->elements.size()) {
        throwIn(jvm, "java.lang.ArrayIndexOutOfBoundsException");
        return;
    }
    target->elements[static_cast<std::size_t>(index)] = value;
}

// System.exit(code): the exit hook learns the code; what follows stands for the end of the
// process (a blocked main returns).
void fakeSystemExit(FakeJvm& jvm, jint code) {
    record(jvm, [&] { return "System.exit(" + std::to_string(code) + ")"; });
    jvm.exitCodes.push_back(code);
    if (!jvm.exitEndsMain) {
        jvm.waitForRelease();  // a shutdown hook that never ends, until the process ends
        return;
    }
    if (jvm.exitHook != nullptr) {
        jvm.exitHook(code);
    }
    jvm.releaseOnDetach = true;
}

void JNICALL fakeCallStaticVoidMethodV(JNIEnv* env, jclass cls, jmethodID method, va_list args) {
    FakeJvm& jvm = jvmOf(env);
    if (method == reinterpret_cast<jmethodID>(&gExitMethod)) {
        fakeSystemExit(jvm, va_arg(args, jint));
        return;
    }
    jobject argument = va_arg(args, jobject);
    record(jvm, [&] { return "CallStaticVoidMethod(" + jvm.object(cls)->text + ")"; });
    std::vector<std::string> strings;
    if (FakeJvm::Object* array = argument ? jvm.object(argument) : nullptr) {
        for (jobject element : array->elements) {
            strings.push_back(element ? jvm.object(element)->text : std::string("<null>"));
        }
    }
    if (method == reinterpret_cast<jmethodID>(&gStopMethod)) {
        jvm.stopArguments.push_back(strings);
        jvm.releaseOnDetach = true;
        return;
    }
    jvm.mainArguments.push_back(strings);
    if (jvm.onMain) {
        jvm.onMain();
    }
    if (jvm.mainAborts && jvm.abortHook != nullptr) {
        jvm.abortHook();
        return;
    }
    if (jvm.mainExits) {
        fakeSystemExit(jvm, *jvm.mainExits);
        return;
    }
    if (jvm.mainBlocks && !jvm.mainLeavesThread) {
        jvm.waitForRelease();
    }
    if (jvm.mainThrows) {
        throwIn(jvm, "java.lang.RuntimeException: from main");
    }
}

// A throwable's class and its toString(), the text it was raised with.
FakeMethod gToStringMethod;

jclass JNICALL fakeGetObjectClass(JNIEnv* env, jobject object) {
    FakeJvm& jvm = jvmOf(env);
    record(jvm, "GetObjectClass");
    const bool throwable = jvm.object(object)->kind == "throwable";
    return static_cast<jclass>(
        jvm.newObject({"class", throwable ? "java/lang/Throwable" : "java/lang/Object", {}}));
}

jmethodID JNICALL fakeGetMethodID(JNIEnv* env, jclass cls, const char* name, const char* sig) {
    FakeJvm& jvm = jvmOf(env);
    record(jvm, [&] { return std::string("GetMethodID(") + name + ", " + sig + ")"; });
    if (jvm.object(cls)->text == "java/lang/Throwable" && std::string(name) == "toString" &&
        std::string(sig) == "()Ljava/lang/String;") {
        return reinterpret_cast<jmethodID>(&gToStringMethod);
    }
    if (jvm.object(cls)->text == "java/lang/Thread" &&
        std::string(name) == "getContextClassLoader" &&
        std::string(sig) == "()Ljava/lang/ClassLoader;") {
        return reinterpret_cast<jmethodID>(&gContextLoaderMethod);
    }
    throwIn(jvm, std::string("java.lang.NoSuchMethodError: ") + name);
    return nullptr;
}

jobject JNICALL fakeCallObjectMethodV(JNIEnv* env, jobject object, jmethodID method, va_list) {
    FakeJvm& jvm = jvmOf(env);
    if (method == reinterpret_cast<jmethodID>(&gContextLoaderMethod)) {
        record(jvm, "getContextClassLoader");
        return jvm.newObject({"loader", "context", {}});
    }
    record(jvm, "CallObjectMethod");
    return jvm.newObject({"string", jvm.object(object)->text, {}});
}

// Thread.currentThread() and Class.forName(name, initialize, loader): the context class loader
// loads the classes FindClass finds and those only it sees (contextLoaderClasses).
jobject JNICALL fakeCallStaticObjectMethodV(JNIEnv* env, jclass, jmethodID method, va_list args) {
    FakeJvm& jvm = jvmOf(env);
    if (method == reinterpret_cast<jmethodID>(&gCurrentThreadMethod)) {
        record(jvm, "Thread.currentThread");
        return jvm.newObject({"thread", "main", {}});
    }
    if (method == reinterpret_cast<jmethodID>(&gForNameMethod)) {
        jobject name = va_arg(args, jobject);
        std::string dotted = jvm.object(name)->text;
        record(jvm, [&] { return "Class.forName(" + dotted + ")"; });
        std::string slashed = dotted;
        std::replace(slashed.begin(), slashed.end(), '.', '/');
        if (jvm.classes.count(slashed) == 0 && jvm.contextLoaderClasses.count(slashed) == 0) {
            throwIn(jvm, "java.lang.ClassNotFoundException: " + dotted);
            return nullptr;
        }
        return jvm.newObject({"class", slashed, {}});
    }
    throwIn(jvm, "java.lang.NoSuchMethodError: unknown static method");
    return nullptr;
}

jobject JNICALL fakeCallStaticObjectMethod(JNIEnv* env, jclass cls, jmethodID method, ...) {
    va_list args;
    va_start(args, method);
    jobject result = fakeCallStaticObjectMethodV(env, cls, method, args);
    va_end(args);
    return result;
}

jobject JNICALL fakeNewGlobalRef(JNIEnv* env, jobject object) {
    record(jvmOf(env), "NewGlobalRef");
    return object;
}

jobject JNICALL fakeCallObjectMethod(JNIEnv* env, jobject object, jmethodID method, ...) {
    va_list args;
    va_start(args, method);
    jobject result = fakeCallObjectMethodV(env, object, method, args);
    va_end(args);
    return result;
}

jboolean JNICALL fakeExceptionCheck(JNIEnv* env) {
    return jvmOf(env).pending != nullptr ? JNI_TRUE : JNI_FALSE;
}

void JNICALL fakeExceptionClear(JNIEnv* env) {
    FakeJvm& jvm = jvmOf(env);
    record(jvm, "ExceptionClear");
    jvm.pending = nullptr;
}

const char* JNICALL fakeGetStringUTFChars(JNIEnv* env, jstring text, jboolean* isCopy) {
    if (isCopy != nullptr) {
        *isCopy = JNI_FALSE;
    }
    return jvmOf(env).object(text)->text.c_str();
}

void JNICALL fakeReleaseStringUTFChars(JNIEnv* env, jstring, const char*) {
    record(jvmOf(env), "ReleaseStringUTFChars");
}

jint JNICALL fakeAttachCurrentThread(JavaVM* vm, void** env, void*) {
    FakeJvm& jvm = jvmOf(vm);
    record(jvm, "AttachCurrentThread");
    jvm.attached();
    *env = &jvm.env;
    return JNI_OK;
}

jint JNICALL fakeDetachCurrentThread(JavaVM* vm) {
    FakeJvm& jvm = jvmOf(vm);
    record(jvm, "DetachCurrentThread");
    if (jvm.releaseOnDetach) {
        jvm.releaseMain();
    }
    jvm.detached();
    return JNI_OK;
}

// The C interface's variadic form; the C++ JNIEnv_ wrapper calls the va_list form above.
void JNICALL fakeCallStaticVoidMethod(JNIEnv* env, jclass cls, jmethodID method, ...) {
    va_list args;
    va_start(args, method);
    fakeCallStaticVoidMethodV(env, cls, method, args);
    va_end(args);
}

}  // namespace

// --- FakeJvm ------------------------------------------------------------------------------------

FakeJvm::FakeJvm() {
    functions.FindClass = fakeFindClass;
    functions.ExceptionOccurred = fakeExceptionOccurred;
    functions.ExceptionDescribe = fakeExceptionDescribe;
    functions.GetStaticMethodID = fakeGetStaticMethodID;
    functions.NewObjectArray = fakeNewObjectArray;
    functions.NewStringUTF = fakeNewStringUTF;
    functions.SetObjectArrayElement = fakeSetObjectArrayElement;
    functions.CallStaticVoidMethod = fakeCallStaticVoidMethod;
    functions.CallStaticVoidMethodV = fakeCallStaticVoidMethodV;
    functions.GetObjectClass = fakeGetObjectClass;
    functions.GetMethodID = fakeGetMethodID;
    functions.CallObjectMethod = fakeCallObjectMethod;
    functions.CallObjectMethodV = fakeCallObjectMethodV;
    functions.CallStaticObjectMethod = fakeCallStaticObjectMethod;
    functions.CallStaticObjectMethodV = fakeCallStaticObjectMethodV;
    functions.NewGlobalRef = fakeNewGlobalRef;
    functions.ExceptionCheck = fakeExceptionCheck;
    functions.ExceptionClear = fakeExceptionClear;
    functions.GetStringUTFChars = fakeGetStringUTFChars;
    functions.ReleaseStringUTFChars = fakeReleaseStringUTFChars;
    invokeFunctions.DestroyJavaVM = fakeDestroyJavaVm;
    invokeFunctions.AttachCurrentThread = fakeAttachCurrentThread;
    invokeFunctions.DetachCurrentThread = fakeDetachCurrentThread;
    env.functions = &functions;
    vm.functions = &invokeFunctions;
    jvmsByEnv()[&env] = this;
    jvmsByEnv()[&vm] = this;
}

FakeJvm::~FakeJvm() {
    jvmsByEnv().erase(&env);
    jvmsByEnv().erase(&vm);
    if (gEntryOwner == this) {
        gEntryOwner = nullptr;
    }
}

CreateJavaVmFn FakeJvm::entry() {
    gEntryOwner = this;
    return fakeCreateJavaVm;
}

jint FakeJvm::create(JavaVM** vmOut, void** envOut, void* args) {
    if (beforeCreate) {
        beforeCreate();
    }
    const auto* init = static_cast<const JavaVMInitArgs*>(args);
    Creation creation;
    creation.version = init->version;
    creation.ignoreUnrecognized = init->ignoreUnrecognized;
    exitHook = nullptr;
    abortHook = nullptr;
    for (jint i = 0; i < init->nOptions; ++i) {
        creation.options.emplace_back(init->options[i].optionString);
        creation.extraInfoNull.push_back(init->options[i].extraInfo == nullptr);
        if (creation.options.back() == "exit") {
            exitHook = reinterpret_cast<void(JNICALL*)(jint)>(init->options[i].extraInfo);
        }
        if (creation.options.back() == "abort") {
            abortHook = reinterpret_cast<void(JNICALL*)()>(init->options[i].extraInfo);
        }
    }
    std::size_t index = creations.size();
    creations.push_back(std::move(creation));
    record(*this, "JNI_CreateJavaVM");
    jint result = index < creationResults.size() ? creationResults[index] : JNI_OK;
    if (result != JNI_OK) {
        return result;
    }
    pending = nullptr;
    *vmOut = &vm;
    *envOut = &env;
    return JNI_OK;
}

void FakeJvm::releaseMain() {
    std::lock_guard<std::mutex> lock(releaseMutex_);
    mainReleased_ = true;
    released_.notify_all();
}

void FakeJvm::attached() {
    std::lock_guard<std::mutex> lock(releaseMutex_);
    ++attachedThreads_;
    threadsAttached_ = true;
}

void FakeJvm::detached() {
    std::lock_guard<std::mutex> lock(releaseMutex_);
    --attachedThreads_;
    released_.notify_all();
}

bool FakeJvm::waitForDetachedThreads() {
    std::unique_lock<std::mutex> lock(releaseMutex_);
    released_.wait(lock, [this] { return attachedThreads_ <= 0; });
    return threadsAttached_;
}

void FakeJvm::waitForRelease() {
    std::unique_lock<std::mutex> lock(releaseMutex_);
    released_.wait(lock, [this] { return mainReleased_; });
}

jobject FakeJvm::newObject(Object object) {
    std::lock_guard<std::mutex> lock(recordMutex_);
    objects_.push_back(std::move(object));
    return reinterpret_cast<jobject>(&objects_.back());
}

FakeJvm::Object* FakeJvm::object(jobject handle) {
    return reinterpret_cast<Object*>(handle);
}

}  // namespace qv::testing
