// The jar mode on the real JVM (value 15 missing): the jar path of value 14 reaches the JVM as its
// class path, through "-jar" folded into "-Djava.class.path=". The launcher calls no main in this
// mode: the pass gives -1 without anything described. main never runs, so a Java agent
// (LaunchAgent, given by the options file) writes down what the JVM received while it is created.
#include "real_jvm_machine.h"

#include "jvm_options.h"

#include <gtest/gtest.h>

#include <memory>

namespace qv::testing {
namespace {

constexpr const char* kJarOption =
    "-Djava.class.path=C:\\Zarvel\\svc\\bin\\.\\lib\\quorvexservice-1.0.0.jar";

class JarMode : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        machine = std::make_unique<RealJvmMachine>();
        reportPath = freshScratchFile("report.txt");
        installProbe(*machine, reportPath, nullptr,
                     std::string("-javaagent:") + QV_TEST_AGENT_JAR + "=" + reportPath + "\n");
        machine->setConfig(14, ".\\lib\\quorvexservice-1.0.0.jar");  // as shipped
        machine->commandLineText = std::string("\"") + kInstalledProgram + "\" --mvk-debug";
        run = runLauncherOnce(*machine);
        report = readProbeReport(reportPath);
    }
    static void TearDownTestSuite() { machine.reset(); }

    static std::unique_ptr<RealJvmMachine> machine;
    static std::string reportPath;
    static LauncherRun run;
    static ProbeReport report;
};
std::unique_ptr<RealJvmMachine> JarMode::machine;
std::string JarMode::reportPath;
LauncherRun JarMode::run;
ProbeReport JarMode::report;

TEST_F(JarMode, TheJarIsTheLastCreationOption) {
    ASSERT_EQ(RealJvmMachine::creations().size(), 1u);
    EXPECT_EQ(RealJvmMachine::creations()[0].result, JNI_OK);
    const std::vector<std::string>& options = RealJvmMachine::creations()[0].options;
    ASSERT_FALSE(options.empty());
    EXPECT_EQ(options.back(), kJarOption);
}

TEST_F(JarMode, TheJvmWasGivenTheJarAsItsClassPath) {
    ASSERT_TRUE(report.exists) << reportPath;
    EXPECT_EQ(report.events, (std::vector<std::string>{"premain", "shutdown"}));
    EXPECT_EQ(
        report.properties["java.class.path"],
        std::string(kJarOption).substr(std::char_traits<char>::length(kClassPathOptionPrefix)));
}

TEST_F(JarMode, NoMainIsCalledAndNothingIsDescribed) {
    EXPECT_EQ(run.exitCode, -1);
    EXPECT_EQ(machine->createdJvms(), 0);
    EXPECT_EQ(run.stderrText.find("Exception"), std::string::npos) << run.stderrText;
    EXPECT_EQ(machine->stdoutText, "");
    const std::string log = machine->fileContent(kInstalledLog);
    EXPECT_EQ(log.substr(log.size() - 14), "Exit code:\t-1\n");
}

}  // namespace
}  // namespace qv::testing
