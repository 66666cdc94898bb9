// main leaves by an exception on the real JVM: the pass counts as main returned (exit code 0),
// so even with the restart flag set there is one pass; the launcher does not describe the
// exception.
#include "real_jvm_machine.h"

#include <gtest/gtest.h>

#include <memory>

namespace qv::testing {
namespace {

class MainThrows : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        machine = std::make_unique<RealJvmMachine>();
        reportPath = freshScratchFile("report.txt");
        installProbe(*machine, reportPath, kProbeClass);
        machine->setConfig(31, "true");
        machine->commandLineText = std::string("\"") + kInstalledProgram + "\" --mvk-debug throw";
        run = runLauncherOnce(*machine);
        report = readProbeReport(reportPath);
    }
    static void TearDownTestSuite() { machine.reset(); }

    static std::unique_ptr<RealJvmMachine> machine;
    static std::string reportPath;
    static LauncherRun run;
    static ProbeReport report;
};
std::unique_ptr<RealJvmMachine> MainThrows::machine;
std::string MainThrows::reportPath;
LauncherRun MainThrows::run;
ProbeReport MainThrows::report;

TEST_F(MainThrows, MainRanAndTheJvmWasDestroyed) {
    ASSERT_TRUE(report.exists);
    EXPECT_EQ(report.events, (std::vector<std::string>{"main", "shutdown"}));
    EXPECT_EQ(report.arguments, std::vector<std::string>{"throw"});
    EXPECT_EQ(machine->createdJvms(), 0);
}

TEST_F(MainThrows, OnePassWithExitCodeZero) {
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(RealJvmMachine::creations().size(), 1u);
    EXPECT_EQ(machine->stdoutText, "");
    const std::string log = machine->fileContent(kInstalledLog);
    EXPECT_EQ(log.find("restarting"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 13), "Exit code:\t0\n");
}

TEST_F(MainThrows, TheExceptionIsNotDescribed) {
    EXPECT_EQ(run.stderrText.find("main leaves by an exception"), std::string::npos)
        << run.stderrText;
}

}  // namespace
}  // namespace qv::testing
