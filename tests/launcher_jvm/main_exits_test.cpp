// The service ends the process itself with System.exit on the real JVM: the process ends inside
// main with the service's code, so the run loop never sees the pass end, and the restart flag
// has no say. Runs in a child process (a death test): the JVM ends the process it lives in.
#include "real_jvm_machine.h"

#include "entry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qv::testing {
namespace {

constexpr int kServiceExitCode = 3;

TEST(MainExits, TheProcessEndsWithTheServiceCodeDespiteTheRestartFlag) {
    GTEST_FLAG_SET(death_test_style, "fast");  // fork: the child makes the only JVM
    const std::string reportPath = freshScratchFile("report.txt");
    EXPECT_EXIT(
        {
            RealJvmMachine machine;
            installProbe(machine, reportPath, kProbeClass);
            machine.setConfig(31, "true");
            machine.commandLineText = std::string("\"") + kInstalledProgram +
                                      "\" exit=" + std::to_string(kServiceExitCode);
            (void)runLauncher(machine);
            std::fprintf(stderr, "the run loop ended\n");
            std::exit(0);
        },
        ::testing::ExitedWithCode(kServiceExitCode), "");
    const ProbeReport report = readProbeReport(reportPath);
    ASSERT_TRUE(report.exists);
    // One pass: main ran once, and the shutdown hooks ran as the process ended.
    EXPECT_EQ(report.events, (std::vector<std::string>{"main", "shutdown"}));
    EXPECT_EQ(report.arguments, std::vector<std::string>{"exit=3"});
}

}  // namespace
}  // namespace qv::testing
