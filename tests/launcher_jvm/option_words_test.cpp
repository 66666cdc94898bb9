// The check's judgement of option words against the real JVM (OpenJDK 17 HotSpot), created as the
// launcher creates it (JNI 1.2, unrecognised options ignored): for every word of the table, a JVM
// is created with that word alone (or the words of the row) in a child process of its own, since
// HotSpot creates one JVM per process. A row the check calls refused must keep the JVM from
// starting, and a row it does not must start it.
#include "jvm_option_words.h"

#include "fake_machine.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <jni.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace qv::testing {
namespace {

using CreateFn = jint(JNICALL*)(JavaVM**, void**, void*);

constexpr int kChildStarted = 0;
constexpr int kChildRefused = 1;
constexpr int kChildNoJvm = 2;

// In the child: creates the JVM with the words and ends with whether it started. The JVM ends
// the process itself on some words (an agent it cannot load), with a code other than 0.
[[noreturn]] void createInChild(const std::vector<std::string>& words) {
    void* library = dlopen(QV_TEST_LIBJVM, RTLD_NOW);
    auto create = library != nullptr
                      ? reinterpret_cast<CreateFn>(dlsym(library, "JNI_CreateJavaVM"))
                      : nullptr;
    if (create == nullptr) {
        _exit(kChildNoJvm);
    }
    std::vector<std::string> texts = words;
    std::vector<JavaVMOption> options;
    for (std::string& text : texts) {
        options.push_back(JavaVMOption{text.data(), nullptr});
    }
    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_2;
    args.nOptions = static_cast<jint>(options.size());
    args.options = options.data();
    args.ignoreUnrecognized = JNI_TRUE;
    JavaVM* vm = nullptr;
    void* env = nullptr;
    _exit(create(&vm, &env, &args) == JNI_OK ? kChildStarted : kChildRefused);
}

// Whether the real JVM starts with the words.
bool jvmStarts(const std::vector<std::string>& words) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        createInChild(words);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "the JVM's child process ended by a signal";
    EXPECT_NE(WEXITSTATUS(status), kChildNoJvm) << "no JVM library at " << QV_TEST_LIBJVM;
    return WIFEXITED(status) && WEXITSTATUS(status) == kChildStarted;
}

TEST(OptionWordsOnTheRealJvm, RefusedExactlyWhereTheJvmDoesNotStart) {
    const std::vector<std::vector<std::string>> rows = {
        // Taken.
        {"-Xmx256m"},
        {"-Xms16M", "-Xmx64m"},
        {"-Xss1m"},
        {"-Xss0"},
        {"-Xmn8m"},
        {"-Xmx0x10000000"},
        {"-XX:+UseSerialGC"},
        {"-XX:+UseSerialGC", "-XX:-UseSerialGC", "-XX:+UseParallelGC"},
        {"-Xbootclasspath/a:/nonexistent"},
        // Ignored: no option, unknown options and flags.
        {"Files"},
        {"(x86)\\Q\\dumps"},
        {""},
        {"app.Main"},
        {"-foo"},
        {"-XX:+NoSuchFlag"},
        {"-XX:Junk"},
        {"--add-opens"},
        // Refused.
        {"-Xmx"},
        {"-Xmx1536MB"},
        {"-Xmx1.5g"},
        {"-Xmx+100m"},
        {"-Xmx0"},
        {"-Xss"},
        {"-Xmn"},
        {"-Xms64m", "-Xmx32m"},
        {"-Xbootclasspath:/nonexistent"},
        {"-Xbootclasspath/p:/x"},
        {"-XX:Flags=/nonexistent/flags"},
        {"-XX:VMOptionsFile=/nonexistent/options"},
        {"-agentpath:/nonexistent/agent.so"},
        {"-javaagent:/nonexistent/agent.jar"},
        {"-XX:+UseSerialGC", "-XX:+UseParallelGC"},
    };
    FakeMachine machine;  // no file there: the rows' files are missing on both sides
    for (const std::vector<std::string>& row : rows) {
        SCOPED_TRACE(row.back());
        bool refused = false;
        for (const OptionWordFinding& finding : judgeOptionWords(machine, row, 0)) {
            refused = refused || finding.refused;
        }
        EXPECT_EQ(jvmStarts(row), !refused);
    }
}

}  // namespace
}  // namespace qv::testing
