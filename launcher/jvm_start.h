// One pass of the in-process JVM start: the client JVM of the Java home loaded and created with
// the parsed options (jvm_options.h), main run, the JVM destroyed.
#ifndef QV_LAUNCHER_JVM_START_H
#define QV_LAUNCHER_JVM_START_H

#include "state.h"
#include "step.h"

#include <jni.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr const char* kJvmLibrary = "\\bin\\client\\jvm.dll";
inline constexpr const char* kReduceSignalsOption = "-Xrs";

// The state of the JVM start, kept by the run loop across its passes.
struct JvmStart {
    FixedText<kPathSize> javaHome;
    FixedText<kPathSize> mainClass;
    FixedText<kLineSize> applicationArgs;
    // One slot per word of the line; the first `optionCount` hold an option. `texts` owns the
    // option strings that `options` points to.
    std::vector<std::string> texts;
    std::vector<JavaVMOption> options;
    jint optionCount = 0;
    JavaVMInitArgs initArgs{};
    ModuleHandle library = nullptr;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    // The JVM's "exit" hook, given as a creation option when set (the service run sets it; the
    // console run never does).
    void(JNICALL* exitHook)(jint code) = nullptr;
    // The JVM's "abort" hook, given as a creation option when set (the service run only).
    void(JNICALL* abortHook)() = nullptr;
    // "-Xrs" is added to the options unless they hold it already: the JVM then installs no
    // console control handler of its own, so no logoff or shutdown event ends it (the service
    // run sets it; the console run never does).
    bool reduceSignals = false;

    void freeOptions();
};

// A pass takes over the run's texts whole: each of its buffers holds what the run's does.
static_assert(decltype(JvmStart::javaHome)::kBufferSize >=
              decltype(RuntimeSearchState::javaHome)::kBufferSize);
static_assert(decltype(JvmStart::mainClass)::kBufferSize >=
              decltype(LauncherState::mainClass)::kBufferSize);
static_assert(decltype(JvmStart::applicationArgs)::kBufferSize >=
              decltype(LauncherState::applicationArgs)::kBufferSize);

// The JVM library of a Java home; false when it does not fit a path.
bool jvmLibraryPath(std::string_view javaHome, FixedText<kPathSize>& path);
// The JVM library of the runtime found must fit a path; stops, naming it, when it does not.
Step checkJvmLibraryPath(Context& ctx);

// The stop of a pass that created no JVM: the thread's last error, concerning the JVM library of
// the pass (which the system text names where it has an insert).
Step jvmNotCreated(Context& ctx, const JvmStart& jvm);

// True when an exception is pending in `env`: it is described (and so cleared).
bool describePendingException(JNIEnv* env);

// True when a JVM was created (exit code: the main class run), false when none was (-1).
bool executeInProcess(Context& ctx, JvmStart& jvm, int& exitCode);
JNIEnv* createJvm(Context& ctx, JvmStart& jvm);
int runMainClass(JvmStart& jvm, JNIEnv* env);
void destroyJvm(JvmStart& jvm);

}  // namespace qv

#endif  // QV_LAUNCHER_JVM_START_H
