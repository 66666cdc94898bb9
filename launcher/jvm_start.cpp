#include "jvm_start.h"

#include "diagnostics.h"
#include "format.h"
#include "paths.h"
#include "words.h"

namespace qv {

namespace {

constexpr std::uint32_t kErrorFilenameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
// The runtime's folder of the DLLs that its JVM library imports.
constexpr const char* kRuntimeBinFolder = "bin";
constexpr const char* kMainMethod = "main";
constexpr const char* kMainSignature = "([Ljava/lang/String;)V";
constexpr const char* kStringClass = "java/lang/String";
constexpr const char* kExitHookOption = "exit";
constexpr const char* kAbortHookOption = "abort";

// An option after those of the line: in the next free slot, or a new one.
void addOption(JvmStart& jvm, const char* text, void* extraInfo) {
    const JavaVMOption option{const_cast<char*>(text), extraInfo};
    if (jvm.options.size() > static_cast<std::size_t>(jvm.optionCount)) {
        jvm.options[static_cast<std::size_t>(jvm.optionCount)] = option;
    } else {
        jvm.options.push_back(option);
    }
    ++jvm.optionCount;
}

bool hasOption(const JvmStart& jvm, std::string_view text) {
    for (jint k = 0; k < jvm.optionCount; ++k) {
        if (jvm.options[static_cast<std::size_t>(k)].optionString == text) {
            return true;
        }
    }
    return false;
}

// An "Error:" line in the debug log; the last error stays for the report that follows.
void logKeepingLastError(Context& ctx, const std::string& text) {
    if (!ctx.state.log.isOpen()) {
        return;
    }
    const std::uint32_t code = ctx.os.lastError();
    ctx.state.log.print("Error:\t\t%s\n", text.c_str());
    ctx.os.setLastError(code);
}

}  // namespace

bool describePendingException(JNIEnv* env) {
    if (env->ExceptionOccurred() != nullptr) {
        env->ExceptionDescribe();
        return true;
    }
    return false;
}

void JvmStart::freeOptions() {
    options.clear();
    texts.clear();
    optionCount = 0;
}

bool jvmLibraryPath(std::string_view javaHome, FixedText<kPathSize>& path) {
    return path.assign(javaHome) && path.append(kJvmLibrary);
}

Step checkJvmLibraryPath(Context& ctx) {
    FixedText<kPathSize> path;
    if (!jvmLibraryPath(ctx.state.search.javaHome.view(), path)) {
        return stopTooLong(ctx, formatText("The JVM library path does not fit into %u characters.",
                                           charsIn(kPathSize)));
    }
    return Step::goOn();
}

Step jvmNotCreated(Context& ctx, const JvmStart& jvm) {
    FixedText<kPathSize> path;
    (void)jvmLibraryPath(jvm.javaHome.view(), path);  // the path createJvm loaded, or its start
    return stopWithLastError(ctx).about(std::string(path.view()));
}

JNIEnv* createJvm(Context& ctx, JvmStart& jvm) {
    FixedText<kPathSize> path;
    // The preparation has checked the path of the runtime it found (checkJvmLibraryPath).
    if (!jvmLibraryPath(jvm.javaHome.view(), path)) {
        ctx.os.setLastError(kErrorFilenameTooLong);
        return nullptr;
    }
    // The JVM library's own imports (the runtime's C runtime DLLs) come from the runtime's bin,
    // never from a Path folder before it.
    FixedText<kPathSize> bin;
    const bool binFits = bin.assign(jvm.javaHome.view()) && joinPath(bin, kRuntimeBinFolder);
    jvm.library = ctx.os.loadLibrary(path.c_str(), binFits ? bin.c_str() : nullptr);
    if (jvm.library == nullptr) {
        logKeepingLastError(ctx, formatText("The JVM library %s cannot be loaded.", path.c_str()));
        return nullptr;
    }
    CreateJavaVmFn createJavaVm = ctx.os.findCreateJavaVm(jvm.library);
    if (createJavaVm == nullptr) {
        logKeepingLastError(
            ctx, formatText("The JVM library %s has no entry JNI_CreateJavaVM.", path.c_str()));
        return nullptr;
    }
    if (jvm.reduceSignals && !hasOption(jvm, kReduceSignalsOption)) {
        addOption(jvm, kReduceSignalsOption, nullptr);
    }
    if (jvm.abortHook != nullptr) {
        addOption(jvm, kAbortHookOption, reinterpret_cast<void*>(jvm.abortHook));
    }
    if (jvm.exitHook != nullptr) {
        addOption(jvm, kExitHookOption, reinterpret_cast<void*>(jvm.exitHook));
    }
    jvm.initArgs.version = JNI_VERSION_1_2;
    jvm.initArgs.nOptions = jvm.optionCount;
    jvm.initArgs.options = jvm.options.empty() ? nullptr : jvm.options.data();
    jvm.initArgs.ignoreUnrecognized = JNI_TRUE;
    void* env = nullptr;
    if (createJavaVm(&jvm.vm, &env, &jvm.initArgs) != JNI_OK) {
        return nullptr;
    }
    jvm.env = static_cast<JNIEnv*>(env);
    return jvm.env;
}

int runMainClass(JvmStart& jvm, JNIEnv* env) {
    if (env == nullptr || jvm.mainClass.empty()) {
        return -1;
    }
    jvm.mainClass.replaceAll('.', '/');
    jclass mainClass = env->FindClass(jvm.mainClass.c_str());
    if (describePendingException(env) || mainClass == nullptr) {
        return -1;
    }
    jmethodID main = env->GetStaticMethodID(mainClass, kMainMethod, kMainSignature);
    describePendingException(env);
    if (main == nullptr) {
        return -1;
    }
    const std::size_t count = countWords(jvm.applicationArgs.view());
    jclass stringClass = env->FindClass(kStringClass);
    if (describePendingException(env) || stringClass == nullptr) {
        return -1;
    }
    jobjectArray arguments = env->NewObjectArray(static_cast<jsize>(count), stringClass, nullptr);
    if (describePendingException(env) || arguments == nullptr) {
        return -1;
    }
    WordReader reader(jvm.applicationArgs.view());
    std::string word;
    for (jsize k = 0; reader.next(word); ++k) {
        // Each call that can throw is checked before the next JNI call is made.
        jstring element = env->NewStringUTF(word.c_str());
        if (describePendingException(env) || element == nullptr) {
            return -1;
        }
        env->SetObjectArrayElement(arguments, k, element);
        if (describePendingException(env)) {
            return -1;
        }
    }
    env->CallStaticVoidMethod(mainClass, main, arguments);
    return 0;
}

void destroyJvm(JvmStart& jvm) {
    if (jvm.vm != nullptr) {
        (void)jvm.vm->DestroyJavaVM();
    }
}

bool executeInProcess(Context& ctx, JvmStart& jvm, int& exitCode) {
    exitCode = -1;
    JNIEnv* env = createJvm(ctx, jvm);
    const bool created = env != nullptr;
    if (created) {
        exitCode = runMainClass(jvm, env);
        destroyJvm(jvm);
    }
    jvm.freeOptions();
    return created;
}

}  // namespace qv
