// The preparation sequence, its small steps and the run loop.
#include "entry.h"
#include "start_plan.h"

#include "diagnostics.h"
#include "launcher_fixture.h"

#include <functional>

namespace qv::testing {
namespace {

class EntryTest : public LauncherFixture {
  protected:
    int run(const std::string& arguments = "--mvk-debug") {
        machine.commandLineText = std::string("\"") + kProgramPath + "\" " + arguments;
        return runLauncher(machine);
    }
};

TEST_F(EntryTest, NoModuleFailsWithAnEmptyTitle) {
    machine.hasModule = false;
    EXPECT_EQ(run(), kExitPreparationFailed);
    EXPECT_EQ(machine.stdoutText, "\n");
    EXPECT_FALSE(machine.exists(kLogPath));
}

TEST_F(EntryTest, NoModuleFileNameFailsWithTheSystemText) {
    machine.moduleName.reset();
    EXPECT_EQ(run(), kExitPreparationFailed);
    EXPECT_EQ(machine.stdoutText, "Morvakin: \n\nThe handle is invalid.\r\n\n");
}

TEST_F(EntryTest, ProgramPathThatDoesNotFitIsNamed) {
    machine.moduleName = "C:\\" + std::string(251, 'p') + "\\Q.exe";
    EXPECT_EQ(run(), kExitPreparationFailed);
    EXPECT_EQ(machine.stdoutText, "Morvakin: The program path does not fit into 259 characters.\n");
}

// Not the best-fit look-alike of the path, which may name a folder that a user created.
TEST_F(EntryTest, ProgramPathOutsideTheCodePageStopsBeforeAnythingIsRead) {
    makeRunnable(machine);
    machine.moduleNameOutsideCodePage = true;
    EXPECT_EQ(run(), kExitPreparationFailed);
    EXPECT_EQ(machine.stdoutText,
              "Morvakin: The program path holds a character that the ANSI code page of this "
              "computer cannot hold, so the program's folder cannot be named exactly. Install the "
              "program in a folder whose path holds none.\n");
    EXPECT_FALSE(machine.exists(kLogPath));
    EXPECT_TRUE(machine.librariesLoaded.empty());
}

TEST_F(EntryTest, MissingStartupMessageStopsBeforeTheMutex) {
    makeRunnable(machine);
    machine.removeConfig(101);
    machine.setConfig(10, "Title");
    machine.setConfig(23, "quorvexService");
    machine.lastErrorCode = 2;
    EXPECT_EQ(run(), kExitPreparationFailed);
    EXPECT_EQ(machine.stdoutText, "Title: \n");
    EXPECT_TRUE(machine.mutexesCreated.empty());
    EXPECT_EQ(log(),
              "\n\nVersion:\t3.12\n"
              "CmdLine:\tC:\\app\\QuorvexService.exe --mvk-debug\n"
              "WOW64:\t\tno\n"
              "Error:\t\tStartup error message not defined.\n"
              "Error msg:\t\n");
}

TEST_F(EntryTest, RequestedLogThatCannotBeOpenedFailsUnderTheDefaultTitle) {
    makeRunnable(machine);
    machine.addDirectory(kLogPath);  // a directory where the log file should be
    EXPECT_EQ(run(), kExitPreparationFailed);
    EXPECT_EQ(machine.stdoutText, "Morvakin: \n\nAccess is denied.\r\n\n");
}

TEST_F(EntryTest, Wow64Probe) {
    struct Case {
        const char* name;
        bool hasEntry;
        bool windows64;
        const char* line;
    } cases[] = {
        {"32-bit Windows", true, false, "WOW64:\t\tno\n"},
        {"64-bit Windows", true, true, "WOW64:\t\tyes\n"},
        {"no IsWow64Process", false, true, "WOW64:\t\tno\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        fresh.machine.hasIsWow64Process = c.hasEntry;
        fresh.machine.windows64 = c.windows64;
        fresh.openLog();
        EXPECT_TRUE(setWow64Flag(fresh.ctx).goesOn());
        EXPECT_EQ(fresh.state->wow64, std::string(c.line).find("yes") != std::string::npos);
        EXPECT_EQ(fresh.machine.fileContent(kLogPath), c.line);
    }
}

TEST_F(EntryTest, WithoutMutexNameInstancesRunSideBySide) {
    makeRunnable(machine);
    machine.mutexes->insert(machine.mutexObjectName("quorvexService"));
    EXPECT_EQ(run(), kExitMainReturned);
    EXPECT_EQ(run(), kExitMainReturned);
    EXPECT_TRUE(machine.mutexesCreated.empty());
    EXPECT_EQ(log().find("Create mutex:"), std::string::npos);
}

TEST_F(EntryTest, SecondInstanceEndsWithCodeTwo) {
    FakeJvm& jvm = makeRunnable(machine);
    machine.setConfig(10, "Title");
    machine.setConfig(22, "https://support.example/");
    machine.setConfig(23, "quorvexService");
    machine.setConfig(105, "Already running.");
    FakeMachine other;
    other.mutexes = machine.mutexes;
    other.setConfig(23, "quorvexService");
    ASSERT_TRUE(other.createNamedMutex("quorvexService"));

    EXPECT_EQ(run(), kExitAnotherInstance);
    EXPECT_EQ(machine.stdoutText, "Title: Already running.\n");
    EXPECT_TRUE(machine.shellOpened.empty());
    EXPECT_TRUE(jvm.creations.empty());
    EXPECT_EQ(log(),
              "\n\nVersion:\t3.12\n"
              "CmdLine:\tC:\\app\\QuorvexService.exe --mvk-debug\n"
              "WOW64:\t\tno\n"
              "Create mutex:\tquorvexService\n"
              "Error:\t\tInstance already exists.\n");
}

TEST_F(EntryTest, MutexThatCannotBeCreatedIsNoOtherInstance) {
    makeRunnable(machine);
    machine.setConfig(23, "bad\\name");
    EXPECT_EQ(run(), kExitMainReturned);
    EXPECT_TRUE(machine.mutexesCreated.empty());
}

TEST_F(EntryTest, WorkingDirectoryIsJoinedToTheProgramDirectory) {
    openLog();
    machine.setConfig(8, ".");
    EXPECT_TRUE(setWorkingDirectory(ctx, program).goesOn());
    EXPECT_EQ(state->startupDirectory.view(), "C:\\start");
    EXPECT_EQ(machine.cwd, "C:\\app");
    EXPECT_EQ(log(), "Working dir:\tC:\\app\\.\n");
}

TEST_F(EntryTest, WorkingDirectoryMissingOrUnreachable) {
    openLog();
    EXPECT_TRUE(setWorkingDirectory(ctx, program).goesOn());
    EXPECT_EQ(machine.cwd, "C:\\start");
    EXPECT_EQ(state->startupDirectory.view(), "C:\\start");
    machine.setConfig(8, "C:\\elsewhere");  // joined all the same, and the change fails
    EXPECT_TRUE(setWorkingDirectory(ctx, program).goesOn());
    EXPECT_EQ(machine.cwd, "C:\\start");
    EXPECT_EQ(log(), "Working dir:\tC:\\app\\C:\\elsewhere\n");
}

TEST_F(EntryTest, WorkingDirectoryThatDoesNotFitIsNamed) {
    machine.setConfig(8, std::string(253, 'w'));
    EXPECT_EQ(setWorkingDirectory(ctx, program).text(),
              "The working directory (value 8) does not fit into 259 characters.");
    machine.setConfig(8, std::string(252, 'w'));  // C:\app\ and 252 characters: 259
    EXPECT_TRUE(setWorkingDirectory(ctx, program).goesOn());
}

TEST_F(EntryTest, MainReturnsGivesZero) {
    FakeJvm& jvm = makeRunnable(machine);
    EXPECT_EQ(run(), kExitMainReturned);
    EXPECT_EQ(jvm.creations.size(), 1u);
    EXPECT_EQ(jvm.destroyCount, 1);
    EXPECT_NE(log().find("Args length:"), std::string::npos);
    EXPECT_EQ(log().substr(log().size() - 13), "Exit code:\t0\n");
    EXPECT_EQ(machine.stdoutText, "");
}

TEST_F(EntryTest, WithoutRestartFlagOnePassRuns) {
    FakeJvm& jvm = makeRunnable(machine);
    jvm.classes.clear();  // the main class cannot be found
    EXPECT_EQ(run(), kExitNoJvm);
    EXPECT_EQ(jvm.creations.size(), 1u);
    EXPECT_EQ(log().substr(log().size() - 14), "Exit code:\t-1\n");
}

TEST_F(EntryTest, RestartRepeatsUntilACreationFails) {
    FakeJvm& jvm = makeRunnable(machine);
    machine.setConfig(31, "true");
    machine.setConfig(22, "https://support.example/");
    jvm.classes.clear();
    jvm.creationResults = {JNI_OK, JNI_OK, JNI_ERR};
    EXPECT_EQ(run(), kExitNoJvm);
    EXPECT_EQ(jvm.creations.size(), 3u);
    EXPECT_EQ(jvm.destroyCount, 2);
    // Every pass is parsed again from the same line.
    EXPECT_EQ(jvm.creations[0].options, jvm.creations[2].options);
    const std::string text = log();
    const std::string restart = "Exit code:\t-1, restarting the application!\n";
    std::size_t first = text.find(restart);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find(restart, first + 1), std::string::npos);
    EXPECT_EQ(text.substr(text.find(restart, first + 1) + restart.size()),
              "Error msg:\tStart failed.\nOpen URL:\thttps://support.example/\n");
    EXPECT_EQ(machine.stdoutText, "Start failed.\n");  // value 10 missing: no title
}

TEST_F(EntryTest, RestartAfterAPassThatReturnedIsNotNeeded) {
    FakeJvm& jvm = makeRunnable(machine);
    machine.setConfig(31, "true");
    EXPECT_EQ(run(), kExitMainReturned);
    EXPECT_EQ(jvm.creations.size(), 1u);
}

TEST_F(EntryTest, MissingJvmLibraryReportsTheLoadError) {
    makeRunnable(machine);
    machine.setConfig(22, "https://support.example/");
    machine.setConfig(1, "other");
    machine.addFile("C:\\app\\other\\bin\\java.exe");
    EXPECT_EQ(run(), kExitNoJvm);
    EXPECT_EQ(machine.stdoutText,
              "Start failed.\n\nThe specified module could not be found.\r\n\n");
    EXPECT_EQ(machine.shellOpened, std::vector<std::string>{"https://support.example/"});
    const std::string text = log();
    EXPECT_EQ(text.find("Exit code:"), std::string::npos);
    EXPECT_EQ(text.substr(text.find("Args length:")),
              "Args length:\t22/32768 chars\n"
              "Error:\t\tThe JVM library C:\\app\\other\\bin\\client\\jvm.dll cannot be loaded.\n"
              "Error msg:\tStart failed.\n"
              "Error:\t\tThe specified module could not be found.\r\n\n"
              "Open URL:\thttps://support.example/\n");
    EXPECT_EQ(machine.librariesLoaded,
              std::vector<std::string>{"C:\\app\\other\\bin\\client\\jvm.dll"});
    // Its imports come from the runtime's bin, not through Path.
    EXPECT_EQ(machine.importFolders, std::vector<std::string>{"C:\\app\\other\\bin"});
}

// Windows' text for a library of another architecture has an insert for the file ("%1 is not a
// valid Win32 application."; Wine's: "Bad EXE format for %1."): the report names the library.
TEST_F(EntryTest, JvmLibraryOfAnotherArchitectureIsNamedInTheReport) {
    makeRunnable(machine);
    machine.setConfig(1, "other");
    machine.addFile("C:\\app\\other\\bin\\java.exe");
    machine.addFile("C:\\app\\other\\bin\\client\\jvm.dll", "MZ");  // no JVM of this machine
    EXPECT_EQ(run(), kExitNoJvm);
    EXPECT_EQ(machine.stdoutText,
              "Start failed.\n\nC:\\app\\other\\bin\\client\\jvm.dll is not a valid Win32 "
              "application.\r\n\n");
    EXPECT_NE(log().find("Error:\t\tC:\\app\\other\\bin\\client\\jvm.dll is not a valid Win32 "
                         "application.\r\n\n"),
              std::string::npos);
}

TEST_F(EntryTest, TextThatDoesNotFitStopsThePreparationWithItsName) {
    FakeJvm& jvm = makeRunnable(machine);
    machine.setConfig(10, "Title");
    machine.setConfig(13, std::string(32760, 'a'));
    machine.lastErrorCode = 5;
    EXPECT_EQ(run(), kExitPreparationFailed);
    EXPECT_TRUE(jvm.creations.empty());
    EXPECT_EQ(machine.stdoutText,
              "Title: Start failed.\n\nThe application arguments do not fit into the launcher "
              "argument line.\n");
    const std::string text = log();
    EXPECT_EQ(text.substr(text.find("Error:")),
              "Error:\t\tThe application arguments do not fit into the launcher argument line.\n"
              "Error msg:\tStart failed.\n\nThe application arguments do not fit into the "
              "launcher argument line.\n");
}

TEST_F(EntryTest, EveryTextThatDoesNotFitEndsWithTheErrorReport) {
    const std::string deepHome = "C:\\" + std::string(243, 'h');  // java.exe fits, jvm.dll not
    struct Case {
        const char* name;
        std::function<void(FakeMachine&)> arrange;
        std::string named;
    } cases[] = {
        {"start-up directory", [](FakeMachine& m) { m.cwd = "C:\\" + std::string(257, 's'); },
         "The start-up directory does not fit into 259 characters."},
        {"restart flag (value 31)", [](FakeMachine& m) { m.setConfig(31, std::string(20, 't')); },
         "Configuration value 31 does not fit into 19 characters."},
        {"instance message (value 105) when another instance runs",
         [](FakeMachine& m) {
             m.setConfig(23, "quorvexService");
             m.mutexes->insert(m.mutexObjectName("quorvexService"));
             m.setConfig(105, std::string(1024, 'i'));
         },
         "Configuration value 105 does not fit into 1023 characters."},
        {"JVM library of the runtime found",
         [&deepHome](FakeMachine& m) {
             m.setConfig(1, deepHome);
             m.addFile(deepHome + "\\bin\\java.exe");
             m.addJvm(deepHome + "\\bin\\client\\jvm.dll");
         },
         "The JVM library path does not fit into 259 characters."},
        {"registry value of 1025 bytes in the JVM options (value 12)",
         [](FakeMachine& m) {
             m.setRegistryValue(FakeMachine::View::Bits32, RegistryRoot::CurrentUser, "Software\\Q",
                                "Opts", kRegBinary, std::string(1025, 'o'));
             m.setConfig(12, "-Xss1m %HKEY_CURRENT_USER\\Software\\Q\\Opts%");
         },
         "The registry value %HKEY_CURRENT_USER\\Software\\Q\\Opts% holds more than 1024 bytes."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        FakeJvm& jvm = makeRunnable(fresh.machine);
        fresh.machine.setConfig(22, "https://support.example/");
        fresh.machine.lastErrorCode = 5;
        c.arrange(fresh.machine);
        fresh.machine.commandLineText = std::string("\"") + kProgramPath + "\" --mvk-debug";
        EXPECT_EQ(runLauncher(fresh.machine), kExitPreparationFailed);
        EXPECT_EQ(fresh.machine.stdoutText, "Start failed.\n\n" + c.named + "\n");
        EXPECT_EQ(fresh.machine.shellOpened, std::vector<std::string>{"https://support.example/"});
        EXPECT_TRUE(jvm.creations.empty());
        const std::string text = fresh.log();
        EXPECT_NE(text.find("Error:\t\t" + c.named + "\n"), std::string::npos);
        EXPECT_EQ(text.find("Exit code:"), std::string::npos);
    }
}

}  // namespace
}  // namespace qv::testing
