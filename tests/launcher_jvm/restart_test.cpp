// The restart flag (value 31 "true") on the real JVM, with a main class that the JVM cannot find.
// The first pass creates the JVM and gives -1, so the loop restarts; HotSpot cannot create a
// second JVM in a process that destroyed one, so the second pass's JNI_CreateJavaVM fails: the run
// ends with the error report and exit code -1.
#include "real_jvm_machine.h"

#include <gtest/gtest.h>

#include <memory>

namespace qv::testing {
namespace {

constexpr const char* kMissingClass = "com.zarvel.quorvexservice.testing.NoSuchMain";

class Restart : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        machine = std::make_unique<RealJvmMachine>();
        installProbe(*machine, freshScratchFile("report.txt"), kMissingClass);
        machine->setConfig(31, "true");
        machine->commandLineText = std::string("\"") + kInstalledProgram + "\" --mvk-debug";
        run = runLauncherOnce(*machine);
        log = machine->fileContent(kInstalledLog);
    }
    static void TearDownTestSuite() { machine.reset(); }

    static std::unique_ptr<RealJvmMachine> machine;
    static LauncherRun run;
    static std::string log;
};
std::unique_ptr<RealJvmMachine> Restart::machine;
LauncherRun Restart::run;
std::string Restart::log;

TEST_F(Restart, TheSecondCreationFailsWithMinusOne) {
    ASSERT_EQ(RealJvmMachine::creations().size(), 2u);
    EXPECT_EQ(RealJvmMachine::creations()[0].result, JNI_OK);
    EXPECT_EQ(RealJvmMachine::creations()[1].result, JNI_ERR);
    // The same library, loaded again by the same path, and the same options parsed again.
    ASSERT_EQ(machine->librariesLoaded.size(), 2u);
    EXPECT_EQ(machine->librariesLoaded[0], machine->librariesLoaded[1]);
    EXPECT_EQ(RealJvmMachine::creations()[0].options, RealJvmMachine::creations()[1].options);
    EXPECT_EQ(machine->createdJvms(), 0);
}

TEST_F(Restart, OnlyTheFirstPassRanTheMainClass) {
    const std::string described =
        "Exception in thread \"main\" java.lang.NoClassDefFoundError: "
        "com/zarvel/quorvexservice/testing/NoSuchMain\n";
    const std::size_t first = run.stderrText.find(described);
    ASSERT_NE(first, std::string::npos) << run.stderrText;
    EXPECT_EQ(run.stderrText.find(described, first + 1), std::string::npos) << run.stderrText;
}

TEST_F(Restart, TheRunEndsWithTheErrorReportAndMinusOne) {
    EXPECT_EQ(run.exitCode, -1);
    EXPECT_EQ(machine->stdoutText,
              "Zarvel-Quorvex integration service: An error occurred while starting the "
              "application.\n");
    EXPECT_EQ(machine->shellOpened,
              std::vector<std::string>{"https://support.zarvel.example/quorvex-service"});
}

TEST_F(Restart, TheLogShowsOneRestartThenTheReportAndNoExitCodeLine) {
    const std::string restart = "Exit code:\t-1, restarting the application!\n";
    const std::size_t at = log.find(restart);
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_EQ(log.substr(at + restart.size()),
              "Error msg:\tAn error occurred while starting the application.\n"
              "Open URL:\thttps://support.zarvel.example/quorvex-service\n");
}

}  // namespace
}  // namespace qv::testing
