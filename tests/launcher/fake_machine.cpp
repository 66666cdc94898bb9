#include "fake_machine.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <thread>

namespace qv::testing {

namespace {

constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorInvalidName = 123;
constexpr std::uint32_t kErrorModNotFound = 126;
constexpr std::uint32_t kErrorProcNotFound = 127;
constexpr std::uint32_t kErrorBadExeFormat = 193;
constexpr std::uint32_t kErrorEnvvarNotFound = 203;
constexpr std::size_t kMaxVariableValueChars = 32767;

const std::map<std::uint32_t, std::string>& systemTexts() {
    static const std::map<std::uint32_t, std::string> texts = {
        {2, "The system cannot find the file specified.\r\n"},
        {3, "The system cannot find the path specified.\r\n"},
        {5, "Access is denied.\r\n"},
        {6, "The handle is invalid.\r\n"},
        {13, "The data is invalid.\r\n"},
        {87, "The parameter is incorrect.\r\n"},
        {122, "The data area passed to a system call is too small.\r\n"},
        {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
        {126, "The specified module could not be found.\r\n"},
        {127, "The specified procedure could not be found.\r\n"},
        {183, "Cannot create a file when that file already exists.\r\n"},
        {193, "%1 is not a valid Win32 application.\r\n"},
        {203, "The system could not find the environment option that was entered.\r\n"},
        {206, "The filename or extension is too long.\r\n"},
        {234, "More data is available.\r\n"},
        {259, "No more data is available.\r\n"},
        {1060, "The specified service does not exist as an installed service.\r\n"},
        {1062, "The service has not been started.\r\n"},
        {1063, "The service process could not connect to the service controller.\r\n"},
        {1073, "The specified service already exists.\r\n"},
    };
    return texts;
}

const char* rootName(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot:
            return "HKEY_CLASSES_ROOT";
        case RegistryRoot::CurrentUser:
            return "HKEY_CURRENT_USER";
        case RegistryRoot::LocalMachine:
            return "HKEY_LOCAL_MACHINE";
        case RegistryRoot::Users:
            return "HKEY_USERS";
        case RegistryRoot::CurrentConfig:
            return "HKEY_CURRENT_CONFIG";
    }
    return "";
}

std::string registryPath(RegistryRoot root, std::string_view path) {
    std::string full = rootName(root);
    if (!path.empty()) {
        full += '\\';
        full += path;
    }
    while (!full.empty() && full.back() == '\\') {
        full.pop_back();
    }
    return full;
}

// Windows file-name wildcards: "*" any run, "?" one character, case-insensitive; "*.*" is "*".
bool wildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") {
        pattern = "*";
    }
    std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || std::tolower(static_cast<unsigned char>(pattern[p])) ==
                                      std::tolower(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::string_view parentOf(std::string_view full) {
    std::size_t slash = full.rfind('\\');
    if (slash == std::string_view::npos) {
        return {};
    }
    if (slash == 2 && full.size() > 1 && full[1] == ':') {
        return full.substr(0, 3);  // a drive root keeps its backslash
    }
    return full.substr(0, slash);
}

std::string baseName(const std::string& full) {
    std::size_t slash = full.rfind('\\');
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

class FakeRegistryKey : public RegistryKey {
  public:
    FakeRegistryKey(const FakeMachine::RegKeyData& key, FaultInjector& faults)
        : key_(key), faults_(faults) {}

    bool enumSubkey(std::uint32_t index, std::size_t maxChars, std::string& name) override {
        // Registry functions return their code; the thread's last error stays as it was.
        if (faults_.fails(SeamCall::RegistryEnum) || index >= key_.subkeys.size()) {
            return false;
        }
        auto it = key_.subkeys.begin();
        std::advance(it, index);
        if (it->second.size() > maxChars) {
            return false;
        }
        name = it->second;
        return true;
    }

    bool queryValue(const char* valueName, std::size_t byteLimit, RegistryValue& value) override {
        auto it = key_.values.find(foldCase(valueName));
        if (faults_.fails(SeamCall::RegistryQuery) || it == key_.values.end() ||
            it->second.bytes.size() > byteLimit) {
            return false;
        }
        value = it->second;
        return true;
    }
    bool valueSize(const char* valueName, std::size_t& bytes) override {
        auto it = key_.values.find(foldCase(valueName));
        if (faults_.fails(SeamCall::RegistryQuery) || it == key_.values.end()) {
            return false;
        }
        bytes = it->second.bytes.size();
        return true;
    }

  private:
    const FakeMachine::RegKeyData& key_;
    FaultInjector& faults_;
};

class FakeFileFind : public FileFind {
  public:
    FakeFileFind(std::vector<std::string> names, FaultInjector& faults)
        : names_(std::move(names)), faults_(faults) {}
    const std::string& name() const override { return names_[index_]; }
    bool next() override {
        if (faults_.fails(SeamCall::FindNext) || index_ + 1 >= names_.size()) {
            return false;
        }
        ++index_;
        return true;
    }

  private:
    std::vector<std::string> names_;
    std::size_t index_ = 0;
    FaultInjector& faults_;
};

// Text mode: CR LF arrives as LF, and Ctrl-Z ends the file.
class FakeInputFile : public InputFile {
  public:
    FakeInputFile(const std::string& raw, FaultInjector& faults, std::uint32_t& lastError)
        : faults_(faults), lastError_(lastError) {
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\x1a') {
                break;
            }
            if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
                continue;
            }
            text_ += raw[i];
        }
    }
    long read(char* buffer, std::size_t maxBytes) override {
        if (faults_.fails(SeamCall::FileRead)) {
            lastError_ = faults_.failCode;
            return -1;
        }
        std::size_t count = std::min(maxBytes, text_.size() - position_);
        std::copy_n(text_.data() + position_, count, buffer);
        position_ += count;
        return static_cast<long>(count);
    }

  private:
    std::string text_;
    std::size_t position_ = 0;
    FaultInjector& faults_;
    std::uint32_t& lastError_;
};

// Buffered like a C runtime stream: what is written reaches the file on a flush or when the
// stream is closed.
class FakeLogStream : public LogStream {
  public:
    FakeLogStream(std::string& content, FaultInjector& faults)
        : content_(content), faults_(faults) {}
    ~FakeLogStream() override { flush(); }
    void write(std::string_view text) override {
        if (!faults_.fails(SeamCall::LogWrite)) {
            pending_.append(text);
        }
    }
    void flush() override {
        content_.append(pending_);
        pending_.clear();
    }

  private:
    std::string& content_;
    FaultInjector& faults_;
    std::string pending_;
};

// --- JNI trampolines ----------------------------------------------------------------------------

FakeJvm* gEntryOwner = nullptr;
std::map<const void*, FakeJvm*>& jvmsByEnv() {
    static std::map<const void*, FakeJvm*> jvms;
    return jvms;
}
FakeJvm& jvmOf(const void* envOrVm) {
    return *jvmsByEnv().at(envOrVm);
}

// Records a JNI call, described only when the JVM keeps its record.
template <typename Describe>
void record(FakeJvm& jvm, Describe describe) {
    if (jvm.recordCalls) {
        jvm.calls.push_back(describe());
    }
}
void record(FakeJvm& jvm, const char* call) {
    if (jvm.recordCalls) {
        jvm.calls.emplace_back(call);
    }
}

struct FakeMethod {
} gMainMethod, gExitMethod, gStopMethod;

jint JNICALL fakeCreateJavaVm(JavaVM** vm, void** env, void* args) {
    return gEntryOwner->create(vm, env, args);
}

jint JNICALL fakeDestroyJavaVm(JavaVM* vm) {
    FakeJvm& jvm = jvmOf(vm);
    record(jvm, "DestroyJavaVM");
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
    if (std::string(name) != "java/lang/String" && std::string(name) != "java/lang/System" &&
        jvm.classes.count(name) == 0) {
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
    if (jvm.exitHook != nullptr) {
        jvm.exitHook(code);
    }
    if (jvm.exitEndsMain) {
        jvm.releaseOnDetach = true;
    }
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
    if (jvm.mainExits) {
        fakeSystemExit(jvm, *jvm.mainExits);
        return;
    }
    if (jvm.mainBlocks) {
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
    throwIn(jvm, std::string("java.lang.NoSuchMethodError: ") + name);
    return nullptr;
}

jobject JNICALL fakeCallObjectMethodV(JNIEnv* env, jobject object, jmethodID, va_list) {
    FakeJvm& jvm = jvmOf(env);
    record(jvm, "CallObjectMethod");
    return jvm.newObject({"string", jvm.object(object)->text, {}});
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
    *env = &jvm.env;
    return JNI_OK;
}

jint JNICALL fakeDetachCurrentThread(JavaVM* vm) {
    FakeJvm& jvm = jvmOf(vm);
    record(jvm, "DetachCurrentThread");
    if (jvm.releaseOnDetach) {
        jvm.releaseMain();
    }
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

std::string foldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

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
    for (jint i = 0; i < init->nOptions; ++i) {
        creation.options.emplace_back(init->options[i].optionString);
        creation.extraInfoNull.push_back(init->options[i].extraInfo == nullptr);
        if (creation.options.back() == "exit") {
            exitHook = reinterpret_cast<void(JNICALL*)(jint)>(init->options[i].extraInfo);
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

void FakeJvm::waitForRelease() {
    std::unique_lock<std::mutex> lock(releaseMutex_);
    released_.wait(lock, [this] { return mainReleased_; });
}

jobject FakeJvm::newObject(Object object) {
    objects_.push_back(std::move(object));
    return reinterpret_cast<jobject>(&objects_.back());
}

FakeJvm::Object* FakeJvm::object(jobject handle) {
    return reinterpret_cast<Object*>(handle);
}

namespace {

// The injected failure of a seam call: the call fails as the system's would, with the injected
// code as the last error.
bool failsIn(FakeMachine& machine, SeamCall kind) {
    if (!machine.faults.fails(kind)) {
        return false;
    }
    machine.lastErrorCode = machine.faults.failCode;
    return true;
}

}  // namespace

// --- FakeMachine --------------------------------------------------------------------------------

FakeMachine::FakeMachine() {
    addDirectory("C:\\app");
    addDirectory(cwd);
    addFile("C:\\app\\QuorvexService.exe", "MZ");
}

FakeMachine::~FakeMachine() = default;

void FakeMachine::setConfig(int id, std::string_view text) {
    resources_[id] = std::string(text) + '\0';
}
void FakeMachine::setRawResource(int id, std::string bytes) {
    resources_[id] = std::move(bytes);
}
void FakeMachine::removeConfig(int id) {
    resources_.erase(id);
}

std::string FakeMachine::fullPath(std::string_view input) const {
    std::string path(input);
    std::replace(path.begin(), path.end(), '/', '\\');
    const std::string_view text(path);
    // The drive of the current directory ("C:") and what follows it; a current directory shorter
    // than a drive is all drive.
    const std::string_view cwdDrive = std::string_view(cwd).substr(0, 2);
    const std::string_view cwdRest = std::string_view(cwd).substr(cwdDrive.size());
    std::string_view root;
    std::string_view before;  // parts that come before those of the path (the current directory)
    std::string_view rest;
    if (text.rfind("\\\\", 0) == 0) {
        root = "\\\\";
        rest = text.substr(2);
    } else if (text.size() >= 2 && text[1] == ':') {
        root = text.substr(0, 2);
        rest = text.substr(2);
        if (rest.empty() || rest[0] != '\\') {  // drive-relative
            const bool sameDrive = cwdDrive.size() == 2 &&
                                   std::tolower(static_cast<unsigned char>(cwdDrive[0])) ==
                                       std::tolower(static_cast<unsigned char>(root[0])) &&
                                   cwdDrive[1] == root[1];
            before = sameDrive ? cwdRest : std::string_view();
        }
    } else if (!text.empty() && text[0] == '\\') {
        root = cwdDrive;
        rest = text;
    } else {
        root = cwdDrive;
        before = cwdRest;
        rest = text;
    }
    std::string full(root);
    if (root != "\\\\") {
        full += '\\';
    }
    // Appends the parts of a text separated by backslashes: ".." takes the last part away, empty
    // parts and "." add nothing.
    const std::size_t base = full.size();
    auto addParts = [&full, base](std::string_view parts) {
        std::size_t start = 0;
        while (start <= parts.size()) {
            std::size_t end = parts.find('\\', start);
            if (end == std::string_view::npos) {
                end = parts.size();
            }
            const std::string_view part = parts.substr(start, end - start);
            if (part == "..") {
                const std::size_t cut = full.rfind('\\');
                full.resize(cut == std::string::npos || cut < base ? base : cut);
            } else if (!part.empty() && part != ".") {
                if (full.size() > base) {
                    full += '\\';
                }
                full += part;
            }
            start = end + 1;
        }
    };
    addParts(before);
    addParts(rest);
    return full;
}

FakeMachine::FileEntry* FakeMachine::entry(std::string_view path) {
    auto it = files_.find(foldCase(fullPath(path)));
    return it == files_.end() ? nullptr : &it->second;
}
const FakeMachine::FileEntry* FakeMachine::entry(std::string_view path) const {
    auto it = files_.find(foldCase(fullPath(path)));
    return it == files_.end() ? nullptr : &it->second;
}

void FakeMachine::addDirectory(std::string_view path) {
    const std::string full = fullPath(path);
    const std::string folded = foldCase(full);
    auto add = [this, &full, &folded](std::size_t length) {
        const std::string_view key = std::string_view(folded).substr(0, length);
        if (files_.find(key) == files_.end()) {
            files_.emplace(std::string(key), FileEntry{full.substr(0, length), true, false, {}});
        }
    };
    // The folder and every folder above it.
    for (std::size_t length = full.size(); length > 0;) {
        const std::size_t parent = parentOf(std::string_view(full).substr(0, length)).size();
        if (parent == length) {
            break;
        }
        add(length);
        length = parent;
    }
    // A drive root.
    add(std::min<std::size_t>(full.size(), 3));
}

void FakeMachine::addFile(std::string_view path, std::string_view content) {
    std::string full = fullPath(path);
    addDirectory(parentOf(full));
    files_[foldCase(full)] = FileEntry{full, false, false, std::string(content)};
}

void FakeMachine::removeFile(std::string_view path) {
    files_.erase(foldCase(fullPath(path)));
}

void FakeMachine::setReadOnly(std::string_view path) {
    if (FileEntry* file = entry(path)) {
        file->readOnly = true;
    }
}

bool FakeMachine::exists(std::string_view path) const {
    return entry(path) != nullptr;
}

std::string FakeMachine::fileContent(std::string_view path) const {
    const FileEntry* file = entry(path);
    return file ? file->content : std::string();
}

FakeMachine::RegKeyData& FakeMachine::makeKey(View view, RegistryRoot root, std::string_view path) {
    Hive& keys = hive(view);
    std::string full = registryPath(root, path);
    std::string at = rootName(root);
    RegKeyData* key = &keys[foldCase(at)];
    std::size_t start = at.size() + 1;
    while (start < full.size() + 1) {
        std::size_t end = full.find('\\', start);
        if (end == std::string::npos) {
            end = full.size();
        }
        std::string name = full.substr(start, end - start);
        key->subkeys.emplace(foldCase(name), name);
        at = full.substr(0, end);
        key = &keys[foldCase(at)];
        start = end + 1;
    }
    return *key;
}

void FakeMachine::addRegistryKey(View view, RegistryRoot root, std::string_view path) {
    makeKey(view, root, path);
}

void FakeMachine::setRegistryValue(View view, RegistryRoot root, std::string_view path,
                                   std::string_view name, std::uint32_t type, std::string bytes) {
    makeKey(view, root, path).values[foldCase(name)] = RegistryValue{type, std::move(bytes)};
}

void FakeMachine::setRegistryString(View view, RegistryRoot root, std::string_view path,
                                    std::string_view name, std::string_view text) {
    setRegistryValue(view, root, path, name, kRegSz, std::string(text) + '\0');
}

void FakeMachine::setVariable(std::string_view name, std::string_view value) {
    environment_[foldCase(name)] = {std::string(name), std::string(value)};
}
void FakeMachine::unsetVariable(std::string_view name) {
    environment_.erase(foldCase(name));
}
std::optional<std::string> FakeMachine::variable(std::string_view name) const {
    auto it = environment_.find(foldCase(name));
    if (it == environment_.end()) {
        return std::nullopt;
    }
    return it->second.second;
}

FakeJvm& FakeMachine::addJvm(std::string_view path) {
    addFile(path, "MZ");
    auto& jvm = jvms_[foldCase(fullPath(path))];
    jvm = std::make_unique<FakeJvm>();
    return *jvm;
}

// --- Failure injection --------------------------------------------------------------------------

const char* seamCallName(SeamCall kind) {
    static constexpr std::array<const char*, kSeamCallKinds> names = {
        "registry open",   "registry enumerate", "registry query",   "file open",
        "file read",       "find first",         "find next",        "environment get",
        "environment set", "current directory",  "change directory", "module file name",
        "WOW64 probe",     "library load",       "entry lookup",     "memory status",
        "mutex",           "resource load",      "file status",      "log open",
        "log write",       "file bytes",         "service manager",  "service create",
        "service open",    "service configure",  "service query",    "service stop",
        "service delete",  "event source",       "dispatcher",       "control handler",
        "status report",
    };
    return names[static_cast<std::size_t>(kind)];
}

bool FaultInjector::fails(SeamCall kind) {
    int index = calls[static_cast<std::size_t>(kind)]++;
    if (failKind == kind && index == failIndex) {
        fired = true;
        return true;
    }
    return false;
}

// --- Os -----------------------------------------------------------------------------------------

std::string FakeMachine::commandLine() {
    return commandLineText;
}

ModuleHandle FakeMachine::programModule() {
    return hasModule ? &moduleTag_ : nullptr;
}

bool FakeMachine::moduleFileName(ModuleHandle module, std::string& path) {
    if (failsIn(*this, SeamCall::ModuleFileName)) {
        return false;
    }
    if (module != &moduleTag_ || !moduleName) {
        lastErrorCode = kErrorInvalidHandle;
        return false;
    }
    path = *moduleName;
    return true;
}

bool FakeMachine::queryWow64(bool& isWow64) {
    if (failsIn(*this, SeamCall::Wow64Probe)) {
        return false;
    }
    if (!hasIsWow64Process) {
        lastErrorCode = kErrorProcNotFound;
        return false;
    }
    isWow64 = windows64;
    return true;
}

ResourceData FakeMachine::findRcData(ModuleHandle module, int id) {
    auto it = resources_.find(id);
    if (module != &moduleTag_ || it == resources_.end()) {
        lastErrorCode = 1814;  // ERROR_RESOURCE_NAME_NOT_FOUND
        return {ResourceStatus::NotFound, nullptr, 0};
    }
    if (unloadableResources.count(id)) {
        return {ResourceStatus::NotLoaded, nullptr, 0};
    }
    if (failsIn(*this, SeamCall::ResourceLoad)) {  // LoadResource sets the last error
        return {ResourceStatus::NotLoaded, nullptr, 0};
    }
    return {ResourceStatus::Found, it->second.data(), it->second.size()};
}

std::uint32_t FakeMachine::lastError() {
    return lastErrorCode;
}
void FakeMachine::setLastError(std::uint32_t code) {
    lastErrorCode = code;
}

bool FakeMachine::systemMessage(std::uint32_t code, std::string& text) {
    auto it = systemTexts().find(code);
    if (it == systemTexts().end() || codesWithoutText.count(code)) {
        return false;
    }
    text = it->second;
    return true;
}

bool FakeMachine::getEnvironmentVariable(const char* name, std::string& value) {
    if (failsIn(*this, SeamCall::GetVariable)) {
        return false;
    }
    std::optional<std::string> found = variable(name);
    if (!found) {
        lastErrorCode = kErrorEnvvarNotFound;
        return false;
    }
    value = *found;
    return true;
}

bool FakeMachine::setEnvironmentVariable(const char* name, const char* value) {
    if (failsIn(*this, SeamCall::SetVariable)) {
        return false;
    }
    std::string_view n(name);
    if (n.empty() || n.find('=') != std::string_view::npos) {
        lastErrorCode = kErrorInvalidName;
        return false;
    }
    if (refusedVariables.count(foldCase(n))) {
        lastErrorCode = kErrorAccessDenied;
        return false;
    }
    if (std::string_view(value).size() > kMaxVariableValueChars) {
        lastErrorCode = kErrorInvalidParameter;
        return false;
    }
    auto it = environment_.find(foldCase(n));
    environment_[foldCase(n)] = {it == environment_.end() ? std::string(n) : it->second.first,
                                 value};
    return true;
}

bool FakeMachine::currentDirectory(std::string& path) {
    if (failsIn(*this, SeamCall::CurrentDirectory)) {
        return false;
    }
    path = cwd;
    return true;
}

bool FakeMachine::changeDirectory(const char* path) {
    if (failsIn(*this, SeamCall::ChangeDirectory)) {
        return false;
    }
    FileEntry* dir = entry(path);
    if (dir == nullptr || !dir->directory) {
        lastErrorCode = kErrorFileNotFound;
        return false;
    }
    cwd = dir->path;
    return true;
}

std::unique_ptr<RegistryKey> FakeMachine::openRegistryKey(RegistryRoot root, const char* path,
                                                          std::uint32_t access) {
    bool view64 = windows64 && (access & kKeyWow64_64Key);
    std::string full = registryPath(root, path);
    registryOpens.push_back(std::string(view64 ? "64:" : "32:") + full);
    if (faults.fails(SeamCall::RegistryOpen)) {
        return nullptr;  // the registry's code is returned, not put into the last error
    }
    Hive& keys = view64 ? hive64_ : hive32_;
    auto it = keys.find(foldCase(full));
    if (it == keys.end()) {
        if (full != rootName(root)) {
            return nullptr;  // RegOpenKeyExA returns ERROR_FILE_NOT_FOUND; last error untouched
        }
        it = keys.emplace(foldCase(full), RegKeyData{}).first;
    }
    return std::make_unique<FakeRegistryKey>(it->second, faults);
}

bool FakeMachine::createNamedMutex(const char* name) {
    if (failsIn(*this, SeamCall::Mutex)) {
        return false;
    }
    std::string n(name);
    std::string local = n;
    for (const char* prefix : {"Global\\", "Local\\"}) {
        if (local.rfind(prefix, 0) == 0) {
            local = local.substr(std::string(prefix).size());
        }
    }
    if (local.find('\\') != std::string::npos) {
        lastErrorCode = kErrorPathNotFound;
        return false;
    }
    mutexesCreated.push_back(n);
    lastErrorCode = mutexes->insert(n).second ? kErrorSuccess : kErrorAlreadyExists;
    return true;
}

bool FakeMachine::availablePhysicalMemory(std::uint64_t& bytes) {
    if (faults.fails(SeamCall::MemoryStatus) || !availableMemory) {
        return false;
    }
    bytes = *availableMemory;
    return true;
}

void FakeMachine::shellOpen(const char* target) {
    shellOpened.emplace_back(target);
}

FileStatus FakeMachine::fileStatus(const char* path) {
    if (failsIn(*this, SeamCall::FileQuery)) {
        return FileStatus::Missing;
    }
    const FileEntry* file = *path ? entry(path) : nullptr;
    if (file == nullptr) {
        lastErrorCode = exists(parentOf(fullPath(path))) ? kErrorFileNotFound : kErrorPathNotFound;
        return FileStatus::Missing;
    }
    return file->directory ? FileStatus::Directory : FileStatus::File;
}

std::unique_ptr<FileFind> FakeMachine::findFirst(const char* pattern) {
    if (failsIn(*this, SeamCall::FindFirst)) {
        return nullptr;
    }
    std::string p(pattern);
    std::replace(p.begin(), p.end(), '/', '\\');
    std::size_t slash = p.rfind('\\');
    std::string dirPart = slash == std::string::npos ? std::string(".") : p.substr(0, slash + 1);
    std::string namePattern = slash == std::string::npos ? p : p.substr(slash + 1);
    const FileEntry* dir = entry(dirPart);
    if (dir == nullptr || !dir->directory) {
        lastErrorCode = kErrorPathNotFound;
        return nullptr;
    }
    std::string folded = foldCase(fullPath(dirPart));
    std::vector<std::string> names;
    if (parentOf(folded) != folded && folded.size() > 3) {
        for (const char* dot : {".", ".."}) {
            if (wildcardMatch(namePattern, dot)) {
                names.emplace_back(dot);
            }
        }
    }
    for (const auto& [key, file] : files_) {
        if (key != folded && parentOf(key) == folded &&
            wildcardMatch(namePattern, baseName(file.path))) {
            names.push_back(baseName(file.path));
        }
    }
    if (names.empty()) {
        lastErrorCode = kErrorFileNotFound;
        return nullptr;
    }
    return std::make_unique<FakeFileFind>(std::move(names), faults);
}

std::unique_ptr<InputFile> FakeMachine::openForReading(const char* path) {
    if (failsIn(*this, SeamCall::FileOpen)) {
        return nullptr;
    }
    const FileEntry* file = entry(path);
    if (file == nullptr || file->directory) {
        lastErrorCode = kErrorFileNotFound;
        return nullptr;
    }
    return std::make_unique<FakeInputFile>(file->content, faults, lastErrorCode);
}

bool FakeMachine::readFileBytes(const char* path, std::uint64_t offset, std::size_t count,
                                std::string& bytes) {
    if (failsIn(*this, SeamCall::FileBytes)) {
        return false;
    }
    const FileEntry* file = entry(path);
    if (file == nullptr || file->directory) {
        lastErrorCode = kErrorFileNotFound;
        return false;
    }
    bytes = offset < file->content.size()
                ? file->content.substr(static_cast<std::size_t>(offset), count)
                : std::string();
    return true;
}

std::unique_ptr<LogStream> FakeMachine::openLogForAppend(const char* path) {
    if (failsIn(*this, SeamCall::LogOpen)) {
        return nullptr;
    }
    std::string full = fullPath(path);
    const FileEntry* dir = entry(parentOf(full));
    if (dir == nullptr || !dir->directory) {
        lastErrorCode = kErrorPathNotFound;
        return nullptr;
    }
    FileEntry* file = entry(full);
    if (file && (file->directory || file->readOnly)) {
        lastErrorCode = kErrorAccessDenied;
        return nullptr;
    }
    if (file == nullptr) {
        addFile(full);
        file = entry(full);
    }
    return std::make_unique<FakeLogStream>(file->content, faults);
}

void FakeMachine::writeStdout(std::string_view text) {
    stdoutText.append(text);
}

ModuleHandle FakeMachine::loadLibrary(const char* path) {
    librariesLoaded.emplace_back(path);
    if (failsIn(*this, SeamCall::LibraryLoad)) {
        return nullptr;
    }
    auto it = jvms_.find(foldCase(fullPath(path)));
    if (it == jvms_.end()) {
        lastErrorCode = exists(path) ? kErrorBadExeFormat : kErrorModNotFound;
        return nullptr;
    }
    return it->second.get();
}

CreateJavaVmFn FakeMachine::findCreateJavaVm(ModuleHandle library) {
    if (failsIn(*this, SeamCall::EntryLookup)) {
        return nullptr;
    }
    for (auto& [path, jvm] : jvms_) {
        if (jvm.get() == library) {
            if (!jvm->exportsCreateJavaVm) {
                lastErrorCode = kErrorProcNotFound;
                return nullptr;
            }
            return jvm->entry();
        }
    }
    lastErrorCode = kErrorInvalidHandle;
    return nullptr;
}

// --- Service manager, dispatcher and event log ---------------------------------------------------

namespace {

constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
constexpr std::uint32_t kErrorServiceNotActive = 1062;
constexpr std::uint32_t kErrorServiceExists = 1073;

class FakeServiceHandle : public ServiceHandle {
  public:
    FakeServiceHandle(FakeMachine& machine, std::string key) : machine_(machine), key_(key) {}

    bool setDescription(const char* text) override {
        if (fails(SeamCall::ServiceConfig)) {
            return false;
        }
        service().description = text;
        return true;
    }
    bool setDelayedAutoStart(bool delayed) override {
        if (fails(SeamCall::ServiceConfig)) {
            return false;
        }
        if (machine_.refusesDelayedStart) {
            machine_.lastErrorCode = kErrorInvalidParameter;
            return false;
        }
        service().delayedAutoStart = delayed;
        return true;
    }
    bool setPreshutdownTimeout(std::uint32_t timeoutMs) override {
        if (fails(SeamCall::ServiceConfig)) {
            return false;
        }
        service().preshutdownTimeoutMs = timeoutMs;
        return true;
    }
    bool reconfigure(const char* displayName, const char* imagePath,
                     ServiceStartType startType) override {
        if (fails(SeamCall::ServiceConfig)) {
            return false;
        }
        FakeMachine::Service& s = service();
        s.displayName = displayName;
        s.imagePath = imagePath;
        s.startType = startType;
        s.account = "LocalSystem";
        s.dependencies.clear();
        return true;
    }
    bool queryImagePath(std::string& imagePath) override {
        if (fails(SeamCall::ServiceQuery)) {
            return false;
        }
        imagePath = service().imagePath;
        return true;
    }
    bool setRecovery(const ServiceRecovery& recovery) override {
        if (fails(SeamCall::ServiceConfig)) {
            return false;
        }
        service().recovery = recovery;
        return true;
    }
    bool setRecoveryOnNonCrashFailures() override {
        if (fails(SeamCall::ServiceConfig)) {
            return false;
        }
        if (machine_.refusesNonCrashFlag) {
            machine_.lastErrorCode = kErrorInvalidParameter;
            return false;
        }
        service().recoveryOnNonCrashFailures = true;
        return true;
    }
    bool queryState(ServiceState& state) override {
        if (fails(SeamCall::ServiceQuery)) {
            return false;
        }
        state = service().state;
        return true;
    }
    bool stop() override {
        if (fails(SeamCall::ServiceStop)) {
            return false;
        }
        FakeMachine::Service& s = service();
        if (s.state == ServiceState::Stopped) {
            machine_.lastErrorCode = kErrorServiceNotActive;
            return false;
        }
        machine_.stopsSent.push_back(s.name);
        s.state = s.stops ? ServiceState::Stopped : ServiceState::StopPending;
        return true;
    }
    bool remove() override {
        if (fails(SeamCall::ServiceDelete)) {
            return false;
        }
        machine_.services.erase(key_);
        return true;
    }

  private:
    FakeMachine::Service& service() { return machine_.services.at(key_); }
    bool fails(SeamCall kind) { return failsIn(machine_, kind); }

    FakeMachine& machine_;
    std::string key_;
};

class FakeServiceManager : public ServiceManager {
  public:
    explicit FakeServiceManager(FakeMachine& machine) : machine_(machine) {}

    std::unique_ptr<ServiceHandle> createService(const char* name, const char* displayName,
                                                 const char* imagePath,
                                                 ServiceStartType startType) override {
        if (failsIn(machine_, SeamCall::ServiceCreate)) {
            return nullptr;
        }
        const std::string key = foldCase(name);
        if (machine_.services.count(key)) {
            machine_.lastErrorCode = kErrorServiceExists;
            return nullptr;
        }
        FakeMachine::Service service;
        service.name = name;
        service.displayName = displayName;
        service.imagePath = imagePath;
        service.startType = startType;
        machine_.services[key] = service;
        return std::make_unique<FakeServiceHandle>(machine_, key);
    }

    std::unique_ptr<ServiceHandle> openService(const char* name) override {
        if (failsIn(machine_, SeamCall::ServiceOpen)) {
            return nullptr;
        }
        const std::string key = foldCase(name);
        if (!machine_.services.count(key)) {
            machine_.lastErrorCode = kErrorServiceDoesNotExist;
            return nullptr;
        }
        return std::make_unique<FakeServiceHandle>(machine_, key);
    }

  private:
    FakeMachine& machine_;
};

}  // namespace

std::unique_ptr<ServiceManager> FakeMachine::openServiceManager() {
    if (failsIn(*this, SeamCall::ServiceManagerOpen)) {
        return nullptr;
    }
    if (!administrator) {
        lastErrorCode = kErrorAccessDenied;
        return nullptr;
    }
    return std::make_unique<FakeServiceManager>(*this);
}

// Like the real dispatcher: the service's main function runs on a thread of its own while this
// thread hands it the controls; it returns once the service reported stopped and its thread is
// done (or the process was ended). Unlike the real one, it also returns when the main function
// returns without a stopped report (a status report or the control handler that failed), where
// the real dispatcher would wait for ever: a test must end.
bool FakeMachine::runServiceDispatcher(const char* name, ServiceProgram& program) {
    if (failsIn(*this, SeamCall::Dispatcher)) {
        return false;
    }
    if (!startedAsService) {
        lastErrorCode = kErrorNotStartedAsService;
        return false;
    }
    (void)name;
    std::thread serviceThread([this, &program] {
        program.serviceMain();
        std::lock_guard<std::mutex> lock(serviceMutex_);
        serviceMainReturned_ = true;
        serviceChanged_.notify_all();
    });
    std::unique_lock<std::mutex> lock(serviceMutex_);
    for (;;) {
        serviceChanged_.wait(lock, [this] {
            return serviceEnded_ || serviceMainReturned_ || !pendingControls_.empty();
        });
        if (pendingControls_.empty()) {
            break;
        }
        const ServiceControl control = pendingControls_.front();
        pendingControls_.pop_front();
        lock.unlock();
        const std::uint32_t result = program.control(control);
        lock.lock();
        controlResults.push_back(result);
        serviceChanged_.notify_all();
    }
    lock.unlock();
    serviceThread.join();
    return true;
}

void FakeMachine::sendControl(ServiceControl control) {
    std::lock_guard<std::mutex> lock(serviceMutex_);
    pendingControls_.push_back(control);
    serviceChanged_.notify_all();
}

void FakeMachine::waitForControls(std::size_t count) {
    std::unique_lock<std::mutex> lock(serviceMutex_);
    serviceChanged_.wait(lock, [&] { return controlResults.size() >= count; });
}

bool FakeMachine::registerServiceControlHandler(const char* name) {
    std::lock_guard<std::mutex> lock(serviceMutex_);
    if (failsIn(*this, SeamCall::ControlHandler)) {
        return false;
    }
    controlHandlers.emplace_back(name);
    return true;
}

bool FakeMachine::setServiceStatus(const ServiceStatus& status) {
    std::lock_guard<std::mutex> lock(serviceMutex_);
    if (failsIn(*this, SeamCall::StatusReport)) {
        return false;
    }
    const bool firstOfState =
        std::none_of(statuses.begin(), statuses.end(),
                     [&](const ServiceStatus& s) { return s.state == status.state; });
    statuses.push_back(status);
    if (firstOfState) {
        for (const auto& [state, control] : controlsOnState) {
            if (state == status.state) {
                pendingControls_.push_back(control);
            }
        }
    }
    if (status.state == ServiceState::Stopped) {
        serviceEnded_ = true;
    }
    serviceChanged_.notify_all();
    return true;
}

bool FakeMachine::registerEventSource(const char* name) {
    if (failsIn(*this, SeamCall::EventSource)) {
        return false;
    }
    if (!administrator) {
        lastErrorCode = kErrorAccessDenied;
        return false;
    }
    eventSources.insert(name);
    return true;
}

bool FakeMachine::deregisterEventSource(const char* name) {
    if (failsIn(*this, SeamCall::EventSource)) {
        return false;
    }
    if (!administrator) {
        lastErrorCode = kErrorAccessDenied;
        return false;
    }
    eventSources.erase(name);
    return true;
}

void FakeMachine::reportErrorEvent(const char* source, const char* text) {
    std::lock_guard<std::mutex> lock(serviceMutex_);
    events.push_back(std::string(source) + ": " + text);
}

// The process ends: every JVM main that still blocks is let go, so that the test's threads end.
void FakeMachine::endProcess(std::uint32_t code) {
    {
        std::lock_guard<std::mutex> lock(serviceMutex_);
        processEnds.push_back(code);
        serviceEnded_ = true;
        serviceChanged_.notify_all();
    }
    for (auto& [path, jvm] : jvms_) {
        jvm->releaseMain();
    }
}

}  // namespace qv::testing
