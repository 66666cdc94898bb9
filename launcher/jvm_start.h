// One pass of the in-process JVM start: the launcher argument line parsed into JVM options, the
// client JVM of the Java home loaded and created, main run, the JVM destroyed.
#ifndef QV_LAUNCHER_JVM_START_H
#define QV_LAUNCHER_JVM_START_H

#include "state.h"

#include <jni.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr const char* kClassPathOptionPrefix = "-Djava.class.path=";
inline constexpr const char* kJvmLibrary = "\\bin\\client\\jvm.dll";

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

    void freeOptions();
};

// Words separated by blank, tab, line feed, vertical tab, form feed or carriage return.
std::size_t countWords(std::string_view text);
std::vector<std::string_view> splitWords(std::string_view text);

void parseJvmOptions(JvmStart& jvm, std::string_view javaHome, std::string_view mainClass,
                     std::string_view line, std::string_view applicationArgs);
// True when a JVM was created (exit code: the main class run), false when none was (-1).
bool executeInProcess(Context& ctx, JvmStart& jvm, int& exitCode);
JNIEnv* createJvm(Context& ctx, JvmStart& jvm);
int runMainClass(JvmStart& jvm, JNIEnv* env);
void destroyJvm(JvmStart& jvm);

// The length of the "-Djava.class.path=" option that parseJvmOptions makes of the line (0 when
// the line has no class path flag with a value).
std::size_t classPathOptionLength(std::string_view line);

}  // namespace qv

#endif  // QV_LAUNCHER_JVM_START_H
