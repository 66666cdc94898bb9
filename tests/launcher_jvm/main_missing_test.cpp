// A pass that creates the real JVM but cannot call main: the main class or its main method is
// missing (this program is built once per case of the table, named by QV_TEST_CASE). The
// pending exception is described, the JVM destroyed, and the process exit code is -1; without
// the restart flag there is one pass and no error report.
#include "real_jvm_machine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace qv::testing {
namespace {

struct Case {
    const char* name;
    const char* mainClass;
    const char* described;  // the exception the JVM describes
};
constexpr Case kCases[] = {
    {"main_class_missing", "com.zarvel.quorvexservice.testing.NoSuchMain",
     "java.lang.NoClassDefFoundError: com/zarvel/quorvexservice/testing/NoSuchMain"},
    // A class without main(String[]): the agent class of the jar mode test.
    {"main_method_missing", "com.zarvel.quorvexservice.testing.LaunchAgent",
     "java.lang.NoSuchMethodError: static "
     "Lcom/zarvel/quorvexservice/testing/LaunchAgent;.main([Ljava/lang/String;)V"},
};

const Case& thisCase() {
    for (const Case& c : kCases) {
        if (std::strcmp(c.name, QV_TEST_CASE) == 0) {
            return c;
        }
    }
    std::fprintf(stderr, "no case %s\n", QV_TEST_CASE);
    std::abort();
}

class MainMissing : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        machine = std::make_unique<RealJvmMachine>();
        reportPath = freshScratchFile("report.txt");
        installProbe(*machine, reportPath, thisCase().mainClass);
        machine->commandLineText = std::string("\"") + kInstalledProgram + "\" --mvk-debug";
        run = runLauncherOnce(*machine);
    }
    static void TearDownTestSuite() { machine.reset(); }

    static std::unique_ptr<RealJvmMachine> machine;
    static std::string reportPath;
    static LauncherRun run;
};
std::unique_ptr<RealJvmMachine> MainMissing::machine;
std::string MainMissing::reportPath;
LauncherRun MainMissing::run;

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(MainMissing, TheJvmWasCreatedOnceAndDestroyed) {
    ASSERT_EQ(RealJvmMachine::creations().size(), 1u);
    EXPECT_EQ(RealJvmMachine::creations()[0].result, JNI_OK);
    EXPECT_EQ(machine->createdJvms(), 0);
    EXPECT_FALSE(readProbeReport(reportPath).exists);  // main never ran
}

TEST_F(MainMissing, ThePendingExceptionIsDescribedOnce) {
    EXPECT_EQ(occurrences(run.stderrText, std::string("Exception in thread \"main\" ") +
                                              thisCase().described + "\n"),
              1u)
        << run.stderrText;
    EXPECT_EQ(run.stderrText.find("WARNING"), std::string::npos) << run.stderrText;
}

TEST_F(MainMissing, ExitCodeIsMinusOneWithoutAnErrorReport) {
    EXPECT_EQ(run.exitCode, -1);
    EXPECT_EQ(machine->stdoutText, "");
    EXPECT_TRUE(machine->shellOpened.empty());
    const std::string log = machine->fileContent(kInstalledLog);
    EXPECT_EQ(log.find("Error msg:"), std::string::npos);
    EXPECT_EQ(log.find("restarting"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 14), "Exit code:\t-1\n");
}

}  // namespace
}  // namespace qv::testing
