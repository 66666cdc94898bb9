// The launcher's own commands: --mvk-check, --mvk-version and --mvk-help on the fake machine.
#include "check.h"

#include "entry.h"
#include "launcher_fixture.h"

#include <functional>

namespace qv::testing {
namespace {

constexpr std::uint16_t kX86 = 0x014C;
constexpr const char* kJvmDll = "C:\\app\\jre\\bin\\client\\jvm.dll";

// A runnable install (launcher_fixture.h) whose program and JVM library are x64 PE files.
FakeJvm& makeCheckable(FakeMachine& machine) {
    FakeJvm& jvm = makeRunnable(machine);
    machine.addFile(kProgramPath, peFile(kX64, false));
    machine.addFile(kJvmDll, peFile(kX64, true));
    return jvm;
}

int runWith(FakeMachine& machine, const std::string& arguments) {
    machine.commandLineText = std::string("\"") + kProgramPath + "\" " + arguments;
    return runLauncher(machine);
}

TEST(OwnCommand, VersionAndHelpAnswerWithoutStarting) {
    FakeMachine machine;
    FakeJvm& jvm = makeCheckable(machine);
    EXPECT_EQ(runWith(machine, "--mvk-version --mvk-debug"), kExitMainReturned);
    EXPECT_EQ(machine.stdoutText,
              std::string("QuorvexService ") + QV_PRODUCT_VERSION + " (launcher 3.12)\n");
    machine.stdoutText.clear();
    EXPECT_EQ(runWith(machine, "--mvk-help"), kExitMainReturned);
    for (const char* word :
         {"--mvk-help ", "--mvk-version ", "--mvk-check ", "--mvk-debug ", "--mvk-debug-all ",
          "--mvk-install ", "--mvk-uninstall ", "--mvk-service "}) {
        EXPECT_NE(machine.stdoutText.find(std::string("\n  ") + word), std::string::npos) << word;
    }
    EXPECT_TRUE(jvm.creations.empty());
    EXPECT_TRUE(machine.librariesLoaded.empty());
    EXPECT_TRUE(machine.mutexesCreated.empty());
    EXPECT_FALSE(machine.exists(kLogPath));
}

TEST(Check, ShowsTheStartWithoutLoadingTheJvm) {
    FakeMachine machine;
    FakeJvm& jvm = makeCheckable(machine);
    machine.setConfig(8, ".");
    machine.setConfig(12, "\"-Dsite=My Site\" -Xss1m");
    machine.setConfig(13, "start");
    machine.setConfig(16, "lib\\a.jar;lib\\gone.jar;lib\\ext\\*.jar;none\\*.jar");
    machine.setConfig(23, "quorvexService");
    machine.addFile("C:\\app\\lib\\a.jar");
    machine.addFile("C:\\app\\lib\\ext\\x.jar");
    machine.setVariable("Morvakin", "quiet");

    EXPECT_EQ(runWith(machine, "--mvk-check \"two words\""), kExitMainReturned);
    EXPECT_TRUE(jvm.creations.empty());
    EXPECT_TRUE(machine.librariesLoaded.empty());
    EXPECT_TRUE(machine.shellOpened.empty());
    EXPECT_FALSE(machine.exists(kLogPath));  // the check writes no log unless asked

    const std::string& out = machine.stdoutText;
    for (const char* line : {
             "  1 local_runtime: jre (changed from the shipped text)\n",
             "  2 java_min_version: not set (as shipped)\n",
             "  10 error_title: not set (removed from the shipped configuration)\n",
             "  13 app_args: start (set in this program)\n",
             "  23 mutex_name: quorvexService (as shipped)\n",
             "Environment variable Morvakin: \"quiet\"\n",
             "  Working dir:\tC:\\app\\.\n",
             "  Check launcher:\tC:\\app\\jre\\bin\\java.exe (OK)\n",
         }) {
        EXPECT_NE(out.find(line), std::string::npos) << line;
    }
    const std::size_t runtime = out.find("Runtime: ");
    ASSERT_NE(runtime, std::string::npos);
    EXPECT_EQ(out.substr(runtime),
              "Runtime: C:\\app\\jre\n"
              "JVM library: C:\\app\\jre\\bin\\client\\jvm.dll\n"
              "  present, a DLL for x64, the program's own architecture\n"
              "JVM options (6):\n"
              "  -Dsite=My Site\n"
              "  -Xss1m\n"
              "  -Djava.class.path=lib\\a.jar;lib\\gone.jar;lib\\ext\\x.jar\n"
              "  app.Main\n"
              "  start\n"
              "  two words\n"
              "Main class: app.Main\n"
              "Main's arguments (2):\n"
              "  start\n"
              "  two words\n"
              "Class path:\n"
              "  present  lib\\a.jar\n"
              "  missing  lib\\gone.jar\n"
              "  present  lib\\ext\\x.jar\n"
              "Class path patterns and their matches:\n"
              "  lib\\ext\\*.jar\n"
              "    lib\\ext\\x.jar\n"
              "  none\\*.jar\n"
              "    matches nothing\n"
              "Access review: only administrators, SYSTEM and the service can change what the "
              "service runs.\n"
              "The service could start.\n");
}

// A folder users can change is a warning of the check (the install and the service start
// refuse it), with value 46's folders named as skipped.
TEST(Check, WarnsOfWhatUsersCanChange) {
    FakeMachine machine;
    makeCheckable(machine);
    machine.setAccessList("C:\\app", AccessList{"S-1-5-32-544",
                                                true,
                                                {{true, false, 0x001F01FF, "S-1-5-18"},
                                                 {true, false, 0x001301BF, "S-1-5-11"}}});
    machine.setConfig(46, "C:\\app\\jre");
    EXPECT_EQ(runWith(machine, "--mvk-check"), kExitMainReturned);
    const std::string& out = machine.stdoutText;
    const std::size_t review = out.find("Access review:");
    ASSERT_NE(review, std::string::npos) << out;
    EXPECT_EQ(out.substr(review),
              "Access review: warning: users other than administrators can change what the "
              "service runs; the install and the service start refuse this:\n"
              "  C:\\app can be changed by NT AUTHORITY\\Authenticated Users (S-1-5-11).\n"
              "  C:\\app\\jre is accepted as it is (value 46).\n"
              "  C:\\app\\jre\\bin is accepted as it is (value 46).\n"
              "  C:\\app\\jre\\bin\\client is accepted as it is (value 46).\n"
              "  C:\\app\\jre\\bin\\client\\jvm.dll is accepted as it is (value 46).\n"
              "The service could start.\n");
}

TEST(Check, WithTheDebugWordTheLogIsWrittenToo) {
    FakeMachine machine;
    makeCheckable(machine);
    EXPECT_EQ(runWith(machine, "--mvk-check --mvk-debug"), kExitMainReturned);
    const std::string log = machine.fileContent(kLogPath);
    EXPECT_NE(log.find("Launcher args:\t"), std::string::npos);
    EXPECT_EQ(log.find("Resource "), std::string::npos);   // the debug level, as asked
    EXPECT_EQ(log.find("Exit code:"), std::string::npos);  // no pass was run
}

TEST(Check, AServiceThatCouldNotStartEndsWithItsReport) {
    struct Case {
        const char* name;
        std::function<void(FakeMachine&)> arrange;
        std::string shown;   // what the check shows of the cause
        std::string report;  // the error report the start would give, at the end
    } cases[] = {
        {"JVM library missing", [](FakeMachine& m) { m.removeFile(kJvmDll); },
         "JVM library: C:\\app\\jre\\bin\\client\\jvm.dll\n  missing\n",
         "Start failed.\n\nThe specified module could not be found.\r\n\n"},
        {"JVM library of another architecture",
         [](FakeMachine& m) { m.addFile(kJvmDll, peFile(kX86, true)); },
         "  present, a DLL for x86, but this program is built for x64\n",
         "Start failed.\n\n%1 is not a valid Win32 application.\r\n\n"},
        {"JVM library that is a program",
         [](FakeMachine& m) { m.addFile(kJvmDll, peFile(kX64, false)); },
         "  present, a program for x64, not a DLL\n",
         "Start failed.\n\n%1 is not a valid Win32 application.\r\n\n"},
        {"JVM library that is no PE file", [](FakeMachine& m) { m.addFile(kJvmDll, "MZ"); },
         "  present, but not a Windows program or library\n",
         "Start failed.\n\n%1 is not a valid Win32 application.\r\n\n"},
        {"no runtime",
         [](FakeMachine& m) {
             m.removeFile("C:\\app\\jre\\bin\\java.exe");
             m.setConfig(102, "The bundled runtime is missing.");
         },
         "  Check launcher:\tC:\\app\\jre\\bin\\java.exe (not found)\n",
         "The bundled runtime is missing.\n"},
        {"a value that does not fit",
         [](FakeMachine& m) { m.setConfig(13, std::string(32767, 'a')); },
         "  Error:\t\tThe application arguments do not fit into the launcher argument line.\n",
         "Start failed.\n\nThe application arguments do not fit into the launcher argument "
         "line.\n"},
        {"another instance",
         [](FakeMachine& m) {
             m.setConfig(23, "quorvexService");
             m.setConfig(105, "Already running.");
             m.mutexes->insert(m.mutexObjectName("quorvexService"));
         },
         "  Error:\t\tInstance already exists.\n", "Already running.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine machine;
        FakeJvm& jvm = makeCheckable(machine);
        machine.setConfig(22, "https://support.example/");
        c.arrange(machine);
        EXPECT_EQ(runWith(machine, "--mvk-check"), kExitPreparationFailed);
        const std::string& out = machine.stdoutText;
        EXPECT_NE(out.find(c.shown), std::string::npos) << out;
        const std::string support = "Support page: https://support.example/\n";
        const std::string end = c.report + (c.report == "Already running.\n" ? "" : support);
        ASSERT_GE(out.size(), end.size());
        EXPECT_EQ(out.substr(out.size() - end.size()), end);
        EXPECT_TRUE(machine.shellOpened.empty());
        EXPECT_TRUE(machine.librariesLoaded.empty());
        EXPECT_TRUE(jvm.creations.empty());
    }
}

TEST(PeHeader, FieldsAndFilesThatAreNone) {
    FakeMachine machine;
    machine.addFile("C:\\x\\dll32.dll", peFile(kX86, true));
    machine.addFile("C:\\x\\exe64.exe", peFile(kX64, false));
    machine.addFile("C:\\x\\short.dll", peFile(kX64, true).substr(0, 0x90));
    machine.addFile("C:\\x\\text.dll", std::string(200, 'M'));
    std::optional<PeHeader> header = readPeHeader(machine, "C:\\x\\dll32.dll");
    ASSERT_TRUE(header);
    EXPECT_EQ(header->machine, kX86);
    EXPECT_TRUE(header->dll);
    header = readPeHeader(machine, "C:\\x\\exe64.exe");
    ASSERT_TRUE(header);
    EXPECT_EQ(machineName(header->machine), "x64");
    EXPECT_FALSE(header->dll);
    EXPECT_FALSE(readPeHeader(machine, "C:\\x\\short.dll"));
    EXPECT_FALSE(readPeHeader(machine, "C:\\x\\text.dll"));
    EXPECT_FALSE(readPeHeader(machine, "C:\\x\\absent.dll"));
    EXPECT_EQ(machineName(0x1234), "machine 0x1234");
}

}  // namespace
}  // namespace qv::testing
