// The debug log decision, its file and levels, messages and the error report.
#include "diagnostics.h"

#include "launcher_fixture.h"

namespace qv::testing {
namespace {

using DiagnosticsTest = LauncherFixture;

TEST_F(DiagnosticsTest, LogDecisionAndLevel) {
    enum Level { Off, Debug, All };
    struct Case {
        const char* name;
        const char* arguments;
        std::optional<std::string> variable;
        Level expected;
    } cases[] = {
        {"nothing", "run", std::nullopt, Off},
        {"word", "--mvk-debug", std::nullopt, Debug},
        {"word inside a longer word", "x--mvk-debugger", std::nullopt, Debug},
        {"all word", "a --mvk-debug-all b", std::nullopt, All},
        {"variable debug", "", "debug", Debug},
        {"variable containing debug", "", "nodebugging", Debug},
        {"variable debug-all", "", "debug-all", All},
        {"variable case differs", "", "DEBUG", Off},
        {"word case differs", "--MVK-DEBUG", std::nullopt, Off},
        {"word debug, variable all", "--mvk-debug", "debug-all", All},
        {"variable set but empty", "", "", Off},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        if (c.variable) {
            fresh.machine.setVariable("Morvakin", *c.variable);
        }
        EXPECT_TRUE(openDebugLog(fresh.ctx, readArguments(c.arguments), program).goesOn());
        EXPECT_EQ(fresh.state->log.isOpen(), c.expected != Off);
        EXPECT_EQ(fresh.state->log.debugAll(), c.expected == All);
        EXPECT_EQ(fresh.machine.exists(kLogPath), c.expected != Off);
    }
}

TEST_F(DiagnosticsTest, LogStartsEachRunWithTwoEmptyLinesAndAppends) {
    for (int run = 0; run < 2; ++run) {
        auto st = std::make_unique<LauncherState>();
        Context context{machine, *st};
        ASSERT_TRUE(openDebugLog(context, readArguments("--mvk-debug x"), program).goesOn());
        closeDebugLog(context);
        closeDebugLog(context);  // a second close does nothing
        st->log.print("not written\n");
    }
    const std::string block =
        "\n\nVersion:\t3.12\nCmdLine:\tC:\\app\\QuorvexService.exe --mvk-debug x\n";
    EXPECT_EQ(log(), block + block);
}

TEST_F(DiagnosticsTest, EveryFinishedLineReachesTheFileWhileTheLogIsOpen) {
    // The fake stream keeps what is written until it is flushed or closed, as a C runtime stream.
    ASSERT_TRUE(openDebugLog(ctx, readArguments("--mvk-debug"), program).goesOn());
    const std::string opening =
        "\n\nVersion:\t3.12\nCmdLine:\tC:\\app\\QuorvexService.exe --mvk-debug\n";
    EXPECT_EQ(log(), opening);
    state->log.print("Resource %d:\t", 10);
    state->log.print("Title\n");
    EXPECT_EQ(log(), opening + "Resource 10:\tTitle\n");
    state->log.print("Working dir:\t%s\n", "C:\\app");
    EXPECT_EQ(log(), opening + "Resource 10:\tTitle\nWorking dir:\tC:\\app\n");
    EXPECT_TRUE(state->log.isOpen());
}

TEST_F(DiagnosticsTest, EmptyArgumentTextStillEndsTheCommandLineWithABlank) {
    // The command-line split hands out an empty text without any characters behind it.
    machine.setVariable("Morvakin", "debug");
    ASSERT_TRUE(openDebugLog(ctx, readArguments(std::string_view()), program).goesOn());
    EXPECT_EQ(log(), "\n\nVersion:\t3.12\nCmdLine:\tC:\\app\\QuorvexService.exe \n");
}

TEST_F(DiagnosticsTest, LogThatCannotBeOpenedFailsTheDecision) {
    machine.addFile(kLogPath);
    machine.setReadOnly(kLogPath);
    Step step = openDebugLog(ctx, readArguments("--mvk-debug"), program);
    EXPECT_EQ(step.kind(), Step::Kind::WindowsError);
    EXPECT_EQ(step.errorCode(), 5u);
    EXPECT_FALSE(state->log.isOpen());
    EXPECT_EQ(machine.lastErrorCode, 5u);
}

TEST_F(DiagnosticsTest, LogPathThatDoesNotFitIsNamed) {
    // A program directory of 246 characters and "\morvakin.log" make 259: the most that fits.
    for (std::size_t length : {246u, 247u}) {
        SCOPED_TRACE(length);
        LauncherOnMachine fresh;
        const std::string directory = "C:\\" + std::string(length - 3, 'd');
        fresh.machine.addDirectory(directory);
        ProgramLocation deep;
        (void)deep.path.assign(directory + "\\Q.exe");
        deep.directoryLength = directory.size();
        Step step = openDebugLog(fresh.ctx, readArguments("--mvk-debug"), deep);
        EXPECT_EQ(step.goesOn(), length == 246);
        EXPECT_EQ(step.text(),
                  length == 246 ? "" : "The debug log path does not fit into 259 characters.");
    }
}

TEST_F(DiagnosticsTest, ShowMessageWithAndWithoutTitle) {
    (void)state->errorTitle.assign("Title");
    showMessage(ctx, "text");
    state->errorTitle.clear();
    showMessage(ctx, "bare");
    EXPECT_EQ(machine.stdoutText, "Title: text\nbare\n");
}

TEST_F(DiagnosticsTest, ReportWithSystemTextAndUrl) {
    openLog();
    (void)state->errorTitle.assign("T");
    (void)state->errorMessage.assign("Start failed.");
    (void)state->errorUrl.assign("https://support.example/");
    machine.lastErrorCode = 0;
    reportError(ctx, Step::windowsError(126));
    EXPECT_EQ(machine.lastErrorCode, 126u);  // the report sets the thread's last error
    EXPECT_EQ(machine.stdoutText,
              "T: Start failed.\n\nThe specified module could not be found.\r\n\n");
    EXPECT_EQ(log(),
              "Error msg:\tStart failed.\n"
              "Error:\t\tThe specified module could not be found.\r\n\n"
              "Open URL:\thttps://support.example/\n");
    EXPECT_EQ(machine.shellOpened, std::vector<std::string>{"https://support.example/"});
    EXPECT_FALSE(state->log.isOpen());
}

TEST_F(DiagnosticsTest, ReportWithoutLastErrorOrUrl) {
    openLog();
    (void)state->errorMessage.assign("Start failed.");
    reportError(ctx, Step::windowsError(0));
    EXPECT_EQ(machine.stdoutText, "Start failed.\n");
    EXPECT_EQ(log(), "Error msg:\tStart failed.\n");
    EXPECT_TRUE(machine.shellOpened.empty());
}

TEST(FillInserts, TheFirstInsertNamesTheSubject) {
    struct Case {
        const char* text;
        const char* subject;
        const char* filled;
    } cases[] = {
        {"%1 is not a valid Win32 application.\r\n", "C:\\j\\jvm.dll",
         "C:\\j\\jvm.dll is not a valid Win32 application.\r\n"},
        {"Bad EXE format for %1.\r\n", "C:\\j\\jvm.dll", "Bad EXE format for C:\\j\\jvm.dll.\r\n"},
        {"%1!s! and %1 again", "f", "f and f again"},
        {"%1!s without its end", "f", "f!s without its end"},
        {"100%% sure, %%1 stays, %2 and %10 too, %", "f",
         "100%% sure, %%1 stays, %2 and %10 too, %"},
        {"no insert", "f", "no insert"},
        {"%1 without a subject", "", "%1 without a subject"},
        {"a subject that holds %1: %1", "%1", "a subject that holds %1: %1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fillInserts(c.text, c.subject), c.filled) << c.text;
    }
    // The filled text is bounded, whatever the subject.
    const std::string many = fillInserts("%1%1%1%1", std::string(600, 's'));
    EXPECT_EQ(many, std::string(kFilledTextMaxChars, 's'));
}

TEST_F(DiagnosticsTest, ReportNamesTheSubjectOfTheError) {
    (void)state->errorMessage.assign("Start failed.");
    reportError(ctx, Step::windowsError(193).about("C:\\jre\\bin\\client\\jvm.dll"));
    EXPECT_EQ(
        machine.stdoutText,
        "Start failed.\n\nC:\\jre\\bin\\client\\jvm.dll is not a valid Win32 application.\r\n\n");
}

TEST_F(DiagnosticsTest, ReportForACodeWithoutSystemText) {
    (void)state->errorMessage.assign("M");
    reportError(ctx, Step::windowsError(99999));
    EXPECT_EQ(machine.stdoutText, "M\n\nWindows error 99999 (no description available).\n");
}

TEST_F(DiagnosticsTest, ReportCutsTheSystemTextToTheMessageCapacity) {
    (void)state->errorMessage.assign(std::string(1020, 'm'));
    reportError(ctx, Step::windowsError(2));
    EXPECT_EQ(state->errorMessage.size(), 1023u);
    EXPECT_EQ(machine.stdoutText, std::string(1020, 'm') + "\n\nT\n");
}

TEST_F(DiagnosticsTest, OverflowKeepsTheFirstTextAndLogsEach) {
    openLog();
    Step stop = stopTooLong(ctx, "first");
    stop.keepFirst(stopTooLong(ctx, "second"));
    EXPECT_EQ(stop.kind(), Step::Kind::TextTooLong);
    EXPECT_EQ(stop.text(), "first");
    EXPECT_EQ(log(), "Error:\t\tfirst\nError:\t\tsecond\n");
}

TEST_F(DiagnosticsTest, ReportOfATextThatDidNotFitShowsNoSystemText) {
    (void)state->errorMessage.assign("Start failed.");
    machine.lastErrorCode = 5;
    reportError(ctx, Step::textTooLong("The X does not fit."));
    EXPECT_EQ(machine.stdoutText, "Start failed.\n\nThe X does not fit.\n");
    EXPECT_EQ(machine.lastErrorCode, 0u);
}

}  // namespace
}  // namespace qv::testing
