// A normal run on the real JVM: the shipped configuration, with the test's main class and class
// path, application arguments (value 13 and the command line) and an options file. main returns.
#include "real_jvm_machine.h"

#include "jvm_options.h"
#include "words.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace qv::testing {
namespace {

// Words that HotSpot does not know: the JVM is created all the same.
constexpr const char* kUnrecognised =
    "-Xquorvex-unknown -XX:+QuorvexNoSuchFlag --quorvex-unknown plainword";

class MainReturns : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        machine = std::make_unique<RealJvmMachine>();
        reportPath = freshScratchFile("report.txt");
        installProbe(*machine, reportPath, kProbeClass,
                     "-Dquorvex.test.properties=java.class.path,log4j.configurationFile,"
                     "ext.localDB.spring.config,quorvex.test.fromOptions,quorvex.test.fromArgs\r\n"
                     "-Dquorvex.test.fromOptions=options\\file\r\n" +
                         std::string(kUnrecognised) + "\r\n");
        machine->setConfig(13, "alpha -Dquorvex.test.fromArgs=yes");
        machine->commandLineText = std::string("\"") + kInstalledProgram + "\" --mvk-debug gamma";
        run = runLauncherOnce(*machine);
        report = readProbeReport(reportPath);
    }
    static void TearDownTestSuite() { machine.reset(); }

    static std::unique_ptr<RealJvmMachine> machine;
    static std::string reportPath;
    static LauncherRun run;
    static ProbeReport report;
};
std::unique_ptr<RealJvmMachine> MainReturns::machine;
std::string MainReturns::reportPath;
LauncherRun MainReturns::run;
ProbeReport MainReturns::report;

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    for (std::string_view word : splitWords(text)) {
        out.emplace_back(word);
    }
    return out;
}

TEST_F(MainReturns, ExitCodeIsZeroAndNothingIsReported) {
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(machine->stdoutText, "");
    EXPECT_TRUE(machine->shellOpened.empty());
    const std::string log = machine->fileContent(kInstalledLog);
    EXPECT_EQ(log.substr(log.size() - 13), "Exit code:\t0\n");
    EXPECT_EQ(log.find("restarting"), std::string::npos);
}

TEST_F(MainReturns, TheJavaHomeClientLibraryIsLoadedOnce) {
    EXPECT_EQ(
        machine->librariesLoaded,
        std::vector<std::string>{"C:\\Zarvel\\svc\\bin\\..\\..\\gui\\jre\\bin\\client\\jvm.dll"});
    ASSERT_EQ(RealJvmMachine::creations().size(), 1u);
    EXPECT_EQ(RealJvmMachine::creations()[0].result, JNI_OK);
}

TEST_F(MainReturns, TheParsedOptionsAreTheCreationOptions) {
    ASSERT_EQ(RealJvmMachine::creations().size(), 1u);
    std::vector<std::string> expected = {
        // value 12 as shipped
        "-Xmx1024M", "-Dlog4j.configurationFile=./config/log4j2.yaml",
        "-Dext.localDB.spring.config=./config/quorvexservice.cfg",
        // the options file, comment dropped
        "-XX:-UseCompressedOops", "-Xshare:off", "-Xcheck:jni",
        "-Dquorvex.test.report=" + reportPath,
        "-Dquorvex.test.properties=java.class.path,log4j.configurationFile,"
        "ext.localDB.spring.config,quorvex.test.fromOptions,quorvex.test.fromArgs",
        "-Dquorvex.test.fromOptions=options\\file"};
    for (const std::string& word : words(kUnrecognised)) {
        expected.push_back(word);
    }
    // "-classpath" and its value folded into one option; then the main class name, value 13 and
    // the command line without "--mvk-debug": all of them words of the line, so JVM options too.
    expected.insert(expected.end(), {std::string("-Djava.class.path=") + QV_TEST_CLASSES,
                                     kProbeClass, "alpha", "-Dquorvex.test.fromArgs=yes", "gamma"});
    EXPECT_EQ(RealJvmMachine::creations()[0].options, expected);
}

TEST_F(MainReturns, MainRanWithTheApplicationArguments) {
    ASSERT_TRUE(report.exists) << reportPath;
    ASSERT_FALSE(report.events.empty());
    EXPECT_EQ(report.events.front(), "main");
    EXPECT_EQ(report.arguments,
              (std::vector<std::string>{"alpha", "-Dquorvex.test.fromArgs=yes", "gamma"}));
}

TEST_F(MainReturns, TheJvmSawTheOptions) {
    const std::map<std::string, std::string> expected = {
        {"java.class.path", QV_TEST_CLASSES},
        {"log4j.configurationFile", "./config/log4j2.yaml"},
        {"ext.localDB.spring.config", "./config/quorvexservice.cfg"},
        {"quorvex.test.fromOptions", "options\\file"},
        // An application argument of the form -Dname=value is a system property as well.
        {"quorvex.test.fromArgs", "yes"},
    };
    EXPECT_EQ(report.properties, expected);
    // The JVM's own record of its input arguments: every creation option, in the launcher's
    // order, unrecognised words included (they were ignored); only the class path option is kept
    // apart by the JVM, as the property above.
    ASSERT_EQ(RealJvmMachine::creations().size(), 1u);
    std::vector<std::string> options = RealJvmMachine::creations()[0].options;
    options.erase(std::remove_if(options.begin(), options.end(),
                                 [](const std::string& option) {
                                     return option.rfind(kClassPathOptionPrefix, 0) == 0;
                                 }),
                  options.end());
    EXPECT_EQ(report.inputArguments, options);
}

TEST_F(MainReturns, TheJvmIsDestroyedAfterMainReturned) {
    ASSERT_FALSE(report.events.empty());
    EXPECT_EQ(report.events.back(), "shutdown");  // the shutdown hooks ran in DestroyJavaVM
    EXPECT_EQ(machine->createdJvms(), 0);
}

TEST_F(MainReturns, TheJvmPrintedNoWarningOrError) {
    EXPECT_EQ(run.stderrText.find("WARNING"), std::string::npos) << run.stderrText;
    EXPECT_EQ(run.stderrText.find("Exception"), std::string::npos) << run.stderrText;
    EXPECT_EQ(run.stderrText.find("Unrecognized"), std::string::npos) << run.stderrText;
}

}  // namespace
}  // namespace qv::testing
