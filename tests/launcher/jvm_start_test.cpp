// One pass of the in-process JVM start against the fake JVM library.
#include "jvm_start.h"

#include "jvm_options.h"
#include "launcher_fixture.h"

#include <functional>

namespace qv::testing {
namespace {

class JvmStartTest : public LauncherFixture {
  protected:
    JvmStartTest() : jvm(machine.addJvm("C:\\jre\\bin\\client\\jvm.dll")) {
        jvm.classes.insert("app/Main");
    }
    bool pass(const char* line = "-Xmx1m", const char* mainClass = "app.Main",
              const char* arguments = "") {
        parseJvmOptions(*start, "C:\\jre", mainClass, line, arguments);
        return executeInProcess(ctx, *start, exitCode);
    }
    FakeJvm& jvm;
    std::unique_ptr<JvmStart> start = std::make_unique<JvmStart>();
    int exitCode = 42;
};

TEST_F(JvmStartTest, CreationArgumentsReachTheJvm) {
    EXPECT_TRUE(pass("-Xmx1m -classpath \"a.jar\" app.Main run"));
    ASSERT_EQ(jvm.creations.size(), 1u);
    const FakeJvm::Creation& creation = jvm.creations[0];
    EXPECT_EQ(creation.version, 0x10002);
    EXPECT_EQ(creation.ignoreUnrecognized, JNI_TRUE);
    EXPECT_EQ(creation.options,
              (std::vector<std::string>{"-Xmx1m", "-Djava.class.path=a.jar", "app.Main", "run"}));
    EXPECT_EQ(machine.librariesLoaded, std::vector<std::string>{"C:\\jre\\bin\\client\\jvm.dll"});
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(jvm.destroyCount, 1);
    EXPECT_EQ(start->optionCount, 0);  // freed after the pass
    EXPECT_TRUE(start->options.empty());
}

TEST_F(JvmStartTest, EmptyLineCreatesWithNoOptions) {
    EXPECT_TRUE(pass(""));
    ASSERT_EQ(jvm.creations.size(), 1u);
    EXPECT_TRUE(jvm.creations[0].options.empty());
}

TEST_F(JvmStartTest, NoJvmCreated) {
    struct Case {
        const char* name;
        const char* javaHome;
        bool exportsEntry;
        jint result;
        std::uint32_t lastError;
        std::string logged;  // the debug log's lines of the pass
    } cases[] = {
        {"library missing", "C:\\none", true, JNI_OK, 126,
         "Error:\t\tThe JVM library C:\\none\\bin\\client\\jvm.dll cannot be loaded.\n"},
        {"entry missing", "C:\\jre", false, JNI_OK, 127,
         "Error:\t\tThe JVM library C:\\jre\\bin\\client\\jvm.dll has no entry "
         "JNI_CreateJavaVM.\n"},
        {"creation fails", "C:\\jre", true, JNI_ERR, 0, ""},
        {"library path too long", nullptr, true, JNI_OK, 206, ""},
    };
    openLog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t logged = log().size();
        jvm.exportsCreateJavaVm = c.exportsEntry;
        jvm.creationResults.assign(8, c.result);
        machine.lastErrorCode = 0;
        const std::string home = c.javaHome ? c.javaHome : "C:\\" + std::string(240, 'h');
        parseJvmOptions(*start, home, "app.Main", "-Xmx1m", "");
        exitCode = 42;
        EXPECT_FALSE(executeInProcess(ctx, *start, exitCode));
        EXPECT_EQ(exitCode, -1);
        EXPECT_EQ(machine.lastErrorCode, c.lastError);
        EXPECT_EQ(log().substr(logged), c.logged);
        EXPECT_EQ(jvm.destroyCount, 0);
        EXPECT_EQ(start->optionCount, 0);
    }
}

TEST_F(JvmStartTest, MainClassRunScripts) {
    using Calls = std::vector<std::string>;
    const std::string find = "FindClass(app/Main)";
    const std::string method = "GetStaticMethodID(app/Main, main, ([Ljava/lang/String;)V)";
    struct Case {
        const char* name;
        const char* mainClass;
        std::function<void(FakeJvm&)> script;
        int exitCode;
        Calls calls;
    } cases[] = {
        {"main returns",
         "app.Main",
         [](FakeJvm&) {},
         0,
         {"JNI_CreateJavaVM", find, "ExceptionOccurred", method, "ExceptionOccurred",
          "FindClass(java/lang/String)", "ExceptionOccurred",
          "NewObjectArray(0, java/lang/String, null)", "ExceptionOccurred",
          "CallStaticVoidMethod(app/Main)", "DestroyJavaVM"}},
        {"jar mode: no main class", "", [](FakeJvm&) {}, -1, {"JNI_CreateJavaVM", "DestroyJavaVM"}},
        {"class missing",
         "app.Main",
         [](FakeJvm& j) { j.classes.clear(); },
         -1,
         {"JNI_CreateJavaVM", find, "ExceptionOccurred", "ExceptionDescribe", "DestroyJavaVM"}},
        {"main missing",
         "app.Main",
         [](FakeJvm& j) { j.classesWithoutMain.insert("app/Main"); },
         -1,
         {"JNI_CreateJavaVM", find, "ExceptionOccurred", method, "ExceptionOccurred",
          "ExceptionDescribe", "DestroyJavaVM"}},
        {"array fails",
         "app.Main",
         [](FakeJvm& j) { j.failArray = true; },
         -1,
         {"JNI_CreateJavaVM", find, "ExceptionOccurred", method, "ExceptionOccurred",
          "FindClass(java/lang/String)", "ExceptionOccurred",
          "NewObjectArray(0, java/lang/String, null)", "ExceptionOccurred", "ExceptionDescribe",
          "DestroyJavaVM"}},
        {"main throws: not described",
         "app.Main",
         [](FakeJvm& j) { j.mainThrows = true; },
         0,
         {"JNI_CreateJavaVM", find, "ExceptionOccurred", method, "ExceptionOccurred",
          "FindClass(java/lang/String)", "ExceptionOccurred",
          "NewObjectArray(0, java/lang/String, null)", "ExceptionOccurred",
          "CallStaticVoidMethod(app/Main)", "DestroyJavaVM"}},
        {"slashes kept",
         "app/Main",
         [](FakeJvm&) {},
         0,
         {"JNI_CreateJavaVM", find, "ExceptionOccurred", method, "ExceptionOccurred",
          "FindClass(java/lang/String)", "ExceptionOccurred",
          "NewObjectArray(0, java/lang/String, null)", "ExceptionOccurred",
          "CallStaticVoidMethod(app/Main)", "DestroyJavaVM"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        FakeJvm& library = fresh.machine.addJvm("C:\\jre\\bin\\client\\jvm.dll");
        library.classes.insert("app/Main");
        c.script(library);
        auto jvmStart = std::make_unique<JvmStart>();
        parseJvmOptions(*jvmStart, "C:\\jre", c.mainClass, "", "");
        int code = 42;
        EXPECT_TRUE(executeInProcess(fresh.ctx, *jvmStart, code));
        EXPECT_EQ(code, c.exitCode);
        EXPECT_EQ(library.calls, c.calls);
    }
}

TEST_F(JvmStartTest, DottedNameIsLookedUpWithSlashes) {
    jvm.classes.insert("org/springframework/boot/loader/JarLauncher");
    EXPECT_TRUE(pass("", "org.springframework.boot.loader.JarLauncher"));
    EXPECT_EQ(jvm.calls[1], "FindClass(org/springframework/boot/loader/JarLauncher)");
    EXPECT_EQ(exitCode, 0);
}

TEST_F(JvmStartTest, MainReceivesOneStringPerWord) {
    EXPECT_TRUE(pass("", "app.Main", "start  --port=1\trun"));
    ASSERT_EQ(jvm.mainArguments.size(), 1u);
    EXPECT_EQ(jvm.mainArguments[0], (std::vector<std::string>{"start", "--port=1", "run"}));
}

TEST_F(JvmStartTest, FailedStringElementEndsWithMinusOne) {
    jvm.failStringAt = 1;
    EXPECT_TRUE(pass("", "app.Main", "a b c"));
    EXPECT_EQ(exitCode, -1);
    EXPECT_TRUE(jvm.mainArguments.empty());
    EXPECT_EQ(jvm.calls[jvm.calls.size() - 3], "ExceptionOccurred");
    EXPECT_EQ(jvm.calls[jvm.calls.size() - 2], "ExceptionDescribe");
    EXPECT_EQ(jvm.destroyCount, 1);
}

TEST_F(JvmStartTest, EveryPassLoadsAndCreatesAgain) {
    EXPECT_TRUE(pass());
    EXPECT_TRUE(pass());
    EXPECT_EQ(machine.librariesLoaded.size(), 2u);
    EXPECT_EQ(jvm.creations.size(), 2u);
    EXPECT_EQ(jvm.creations[0].options, jvm.creations[1].options);
}

}  // namespace
}  // namespace qv::testing
