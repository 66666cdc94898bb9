// The launcher's own commands: --mvk-check, --mvk-version and --mvk-help on the fake machine.
#include "check.h"

#include "entry.h"
#include "jvm_option_words.h"
#include "launcher_fixture.h"
#include "zip_maker.h"

#include <functional>

namespace qv::testing {
namespace {

constexpr std::uint16_t kX86 = 0x014C;
constexpr const char* kJvmDll = "C:\\app\\jre\\bin\\client\\jvm.dll";

// A runnable install (launcher_fixture.h) whose program and JVM library are x64 PE files, and
// whose class path is a jar that holds the main class, beside the program (value 8).
FakeJvm& makeCheckable(FakeMachine& machine) {
    FakeJvm& jvm = makeRunnable(machine);
    machine.setConfig(8, ".");
    machine.addFile(kProgramPath, peFile(kX64, false));
    machine.addFile(kJvmDll, peFile(kX64, true));
    machine.setConfig(16, "lib\\app.jar");
    machine.addFile("C:\\app\\lib\\app.jar", jarWithClasses({"app.Main"}));
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
    machine.addFile("C:\\app\\lib\\a.jar", jarWithClasses({"app.Main"}));
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
              "Main class app.Main: found in lib\\a.jar\n"
              "Class path entries missing: 1 of 3\n"
              "  lib\\gone.jar\n"
              "Service values, as --mvk-install reads them:\n"
              "  name: QuorvexService\n"
              "  start type: automatic\n"
              "  stop method: System.exit(0)\n"
              "  stop timeout: 30 s\n"
              "  restart delay: 60 s\n"
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
         "Start failed.\n\nC:\\app\\jre\\bin\\client\\jvm.dll is not a valid Win32 "
         "application.\r\n\n"},
        {"JVM library that is a program",
         [](FakeMachine& m) { m.addFile(kJvmDll, peFile(kX64, false)); },
         "  present, a program for x64, not a DLL\n",
         "Start failed.\n\nC:\\app\\jre\\bin\\client\\jvm.dll is not a valid Win32 "
         "application.\r\n\n"},
        {"JVM library that is no PE file", [](FakeMachine& m) { m.addFile(kJvmDll, "MZ"); },
         "  present, but not a Windows program or library\n",
         "Start failed.\n\nC:\\app\\jre\\bin\\client\\jvm.dll is not a valid Win32 "
         "application.\r\n\n"},
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
        const std::string end = c.report + support;
        ASSERT_GE(out.size(), end.size());
        EXPECT_EQ(out.substr(out.size() - end.size()), end);
        EXPECT_TRUE(machine.shellOpened.empty());
        EXPECT_TRUE(machine.librariesLoaded.empty());
        EXPECT_TRUE(jvm.creations.empty());
    }
}

// What the check finds beyond the preparation, and whether it turns the verdict: main not found
// and a word the JVM refuses do (the start would end without main), the rest is shown.
TEST(Check, FindingsAndTheVerdict) {
    struct Case {
        const char* name;
        std::function<void(FakeMachine&)> arrange;
        std::vector<std::string> shown;
        bool starts;
    } cases[] = {
        {"main class in no jar",
         [](FakeMachine& m) {
             m.addFile("C:\\app\\lib\\app.jar", jarWithClasses({"app.Other", "Main"}));
         },
         {"Main class app.Main (app/Main.class): not found in the class path\n"},
         false},
        {"main class in a folder after a jar without it",
         [](FakeMachine& m) {
             m.setConfig(16, "lib\\app.jar;classes");
             m.addFile("C:\\app\\lib\\app.jar", jarWithClasses({"app.Other"}));
             m.addFile("C:\\app\\classes\\app\\Main.class");
         },
         {"Main class app.Main: found in classes\n"},
         true},
        {"a file that is no jar before the one that holds main",
         [](FakeMachine& m) {
             m.setConfig(16, "lib\\bad.jar;lib\\app.jar");
             m.addFile("C:\\app\\lib\\bad.jar", "not a zip");
         },
         {"Class path file lib\\bad.jar: not a ZIP file (no end of central directory); the JVM "
          "skips it\n",
          "Main class app.Main: found in lib\\app.jar\n"},
         true},
        {"the jar of value 14 missing, main elsewhere",
         [](FakeMachine& m) { m.setConfig(14, "lib\\old-1.0.jar"); },
         {"Class path entries missing: 1 of 2\n  lib\\old-1.0.jar\n",
          "Jar of value 14 (jar_path) missing: lib\\old-1.0.jar (a new jar name changes value 14 "
          "and value 16 together)\n"},
         true},
        {"the jar mode runs no main",
         [](FakeMachine& m) {
             m.removeConfig(15);
             m.setConfig(14, "lib\\app.jar");
         },
         {"Main: not run in the jar mode (value 15 unset): the Java service does not start\n"},
         false},
        {"a path with blanks cut into words",
         [](FakeMachine& m) {
             m.setConfig(12, "-XX:HeapDumpPath=C:\\Program Files (x86)\\Q\\dumps -Dx=1");
         },
         {"JVM option words:\n"
          "  Files: not a JVM option: the JVM ignores it (a part of an option cut at a blank?)\n"
          "  (x86)\\Q\\dumps: not a JVM option: the JVM ignores it (a part of an option cut at "
          "a blank?)\n"},
         true},
        {"a heap size the JVM refuses",
         [](FakeMachine& m) { m.setConfig(12, "-Xmx1.5g"); },
         {"  -Xmx1.5g: the JVM does not start: not a size the JVM takes (digits and at most one "
          "unit letter k, m, g or t)\n"},
         false},
        {"an application argument the JVM refuses (main's arguments are JVM options too)",
         [](FakeMachine& m) { m.setConfig(13, "-Xss"); },
         {"  -Xss: the JVM does not start: not a size"},
         false},
        {"a start type written as the service manager's tools show it",
         [](FakeMachine& m) { m.setConfig(36, "Manual"); },
         {"  start type: manual\n"},
         true},
        {"a start type the install refuses",
         [](FakeMachine& m) { m.setConfig(36, "sometimes"); },
         {"  start type: \"sometimes\" is not automatic, delayed or manual: the install refuses "
          "it\n"},
         false},
        {"a stop method of its form",
         [](FakeMachine& m) { m.setConfig(37, "com.acme.Service.stop"); },
         {"  stop method: com.acme.Service.stop\n"},
         true},
        {"a stop method without its class",
         [](FakeMachine& m) { m.setConfig(37, "stop"); },
         {"  stop method: \"stop\" is not of the form package.Class.method: the install refuses "
          "it\n"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine machine;
        FakeJvm& jvm = makeCheckable(machine);
        c.arrange(machine);
        EXPECT_EQ(runWith(machine, "--mvk-check"),
                  c.starts ? kExitMainReturned : kExitPreparationFailed);
        const std::string& out = machine.stdoutText;
        for (const std::string& shown : c.shown) {
            EXPECT_NE(out.find(shown), std::string::npos) << shown << "\n---\n" << out;
        }
        const std::string verdict =
            c.starts ? "\nThe service could start.\n" : "\nThe service will not start.\n";
        ASSERT_GE(out.size(), verdict.size());
        EXPECT_EQ(out.substr(out.size() - verdict.size()), verdict);
        EXPECT_TRUE(jvm.creations.empty());
        EXPECT_TRUE(machine.librariesLoaded.empty());
    }
}

// While the service runs, its instance holds the guard: the check says so and goes on to the end
// of its check, creating no JVM.
TEST(Check, AnotherInstanceIsReportedAndTheCheckGoesOn) {
    FakeMachine machine;
    FakeJvm& jvm = makeCheckable(machine);
    machine.setConfig(23, "quorvexService");
    machine.setConfig(105, "Already running.");
    machine.mutexes->insert(machine.mutexObjectName("quorvexService"));
    EXPECT_EQ(runWith(machine, "--mvk-check"), kExitMainReturned);
    const std::string& out = machine.stdoutText;
    EXPECT_NE(out.find("  Error:\t\tInstance already exists.\n"), std::string::npos);
    EXPECT_NE(out.find("  Launcher args:\t"), std::string::npos);  // the preparation went on
    EXPECT_NE(out.find("Main class app.Main: found in lib\\app.jar\n"), std::string::npos);
    EXPECT_NE(out.find("Another instance holds the guard of value 23 (mutex_name): while it runs, "
                       "a start ends with exit code 2\n"),
              std::string::npos);
    const std::string verdict = "The service could start.\n";
    ASSERT_GE(out.size(), verdict.size());
    EXPECT_EQ(out.substr(out.size() - verdict.size()), verdict);
    EXPECT_EQ(out.find("Already running.\n"), std::string::npos);
    EXPECT_TRUE(jvm.creations.empty());
}

// The option words as HotSpot (OpenJDK 17, unrecognised options ignored) takes them: what it
// refuses to start with, what it ignores as no option, what it takes.
TEST(OptionWords, RefusedIgnoredAndTaken) {
    FakeMachine machine;
    machine.addFile("C:\\start\\agent.jar");
    machine.addFile("C:\\start\\flags.txt");
    struct Case {
        std::vector<std::string> words;
        std::size_t optionWords;
        // "word: refused" or "word: ignored", in order.
        std::vector<std::string> findings;
    } cases[] = {
        {{"-Xmx1024M", "-Xms64m", "-Xmn0x100000", "-Xss1m", "-Xmx2T", "-Xss0"}, 6, {}},
        {{"-Xmx", "-Xmx1536MB", "-Xmx+1m", "-Xmx0", "-Xms1.5g", "-Xmn-1", "-Xss1 m"},
         7,
         {"-Xmx: refused", "-Xmx1536MB: refused", "-Xmx+1m: refused", "-Xmx0: refused",
          "-Xms1.5g: refused", "-Xmn-1: refused", "-Xss1 m: refused"}},
        {{"-Xms2g", "-Xmx1g"}, 2, {"-Xms2g: refused"}},
        {{"-Xms2g", "-Xmx1g", "-Xmx4g"}, 3, {}},  // the last -Xmx counts
        {{"-Xbootclasspath:x", "-Xbootclasspath/p:x", "-Xbootclasspath/a:x"},
         3,
         {"-Xbootclasspath:x: refused", "-Xbootclasspath/p:x: refused"}},
        {{"-XX:Flags=flags.txt", "-XX:VMOptionsFile=none.txt", "-XX:Flags="},
         3,
         {"-XX:VMOptionsFile=none.txt: refused", "-XX:Flags=: refused"}},
        {{"-javaagent:agent.jar=opts", "-javaagent:none.jar", "-agentpath:C:\\none.dll=x"},
         3,
         {"-javaagent:none.jar: refused", "-agentpath:C:\\none.dll=x: refused"}},
        {{"-XX:+UseSerialGC", "-XX:+UseG1GC"}, 2, {"-XX:+UseG1GC: refused"}},
        {{"-XX:+UseSerialGC", "-XX:-UseSerialGC", "-XX:+UseG1GC"}, 3, {}},
        // Unknown options, -XX flags and words after the options part are the JVM's to ignore.
        {{"-foo", "-XX:+NoSuchFlag", "-XX:Junk", "--add-opens", "app.Main", "arg"}, 4, {}},
        {{"Files", "", "-Dx", "app.Main"}, 3, {"Files: ignored", ": ignored"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> found;
        for (const OptionWordFinding& f : judgeOptionWords(machine, c.words, c.optionWords)) {
            found.push_back(f.word + (f.refused ? ": refused" : ": ignored"));
        }
        EXPECT_EQ(found, c.findings) << c.words.front();
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
