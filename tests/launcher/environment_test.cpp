// Path with the runtime's bin directory, and the variables of value 19.
#include "environment.h"

#include "diagnostics.h"
#include "launcher_fixture.h"

namespace qv::testing {
namespace {

class EnvironmentTest : public LauncherFixture {
  protected:
    EnvironmentTest() { openLog(); }
};

TEST_F(EnvironmentTest, PathGetsTheRuntimeBinDirectory) {
    struct Case {
        const char* name;
        std::optional<std::string> path;
        const char* javaHome;
        std::string expected;
    } cases[] = {
        {"Path not set", std::nullopt, "C:\\jre", ";C:\\jre\\bin"},
        {"Path set", "C:\\win", "C:\\jre", "C:\\win;C:\\jre\\bin"},
        {"home ending in a backslash", "C:\\win", "C:\\jre\\", "C:\\win;C:\\jre\\\\bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine.unsetVariable("Path");
        if (c.path) {
            machine.setVariable("Path", *c.path);
        }
        (void)state->search.javaHome.assign(c.javaHome);
        EXPECT_TRUE(addRuntimeToPath(ctx).goesOn());
        EXPECT_EQ(machine.variable("Path"), c.expected);
    }
    EXPECT_EQ(log(), "");
}

TEST_F(EnvironmentTest, PathThatCannotBeExtended) {
    (void)state->search.javaHome.assign("C:\\jre");  // "C:\jre\bin": 10 characters
    machine.setVariable("Path", std::string(32756, 'p'));
    EXPECT_TRUE(addRuntimeToPath(ctx).goesOn());
    machine.setVariable("Path", std::string(32757, 'p'));
    EXPECT_EQ(addRuntimeToPath(ctx).text(),
              "The Path variable with the runtime's bin directory does not fit into 32766 "
              "characters.");
    EXPECT_EQ(
        log(),
        "Error:\t\tThe Path variable with the runtime's bin directory does not fit into 32766 "
        "characters.\nError:\t\tappendToPathVar failed.\n");
    machine.setVariable("Path", "C:\\win");
    machine.refusedVariables.insert("path");
    Step refused = addRuntimeToPath(ctx);
    EXPECT_EQ(refused.kind(), Step::Kind::WindowsError);
    EXPECT_EQ(refused.errorCode(), 5u);
    EXPECT_EQ(machine.lastErrorCode, 5u);
}

TEST_F(EnvironmentTest, EnvironmentSettings) {
    machine.setConfig(19, "\t\tA=1\tB=%A%;x\t\tNOEQUALS\tC=%EXEDIR%\t=empty name\tD=\t");
    EXPECT_TRUE(applyEnvironmentSettings(ctx, program).goesOn());
    EXPECT_EQ(machine.variable("A"), "1");
    EXPECT_EQ(machine.variable("B"), "1;x");
    EXPECT_EQ(machine.variable("C"), "C:\\app");
    EXPECT_EQ(machine.variable("D"), "");
    EXPECT_EQ(machine.variable("NOEQUALS"), std::nullopt);
    EXPECT_EQ(log(),
              "Set var:\tA = 1\n"
              "Substitute:\tA = 1\n"
              "Set var:\tB = 1;x\n"
              "Substitute:\tEXEDIR = C:\\app\n"
              "Set var:\tC = C:\\app\n"
              "Set var:\t = empty name\n"
              "Set var:\tD = \n");
}

TEST_F(EnvironmentTest, EnvironmentValueThatDoesNotFitIsNamed) {
    machine.setVariable("BIG", std::string(20000, 'b'));
    machine.setConfig(19, "A=%BIG%%BIG%");
    EXPECT_EQ(applyEnvironmentSettings(ctx, program).text(),
              "The value of the variable A (value 19) does not fit into 32767 characters.");
    EXPECT_EQ(machine.variable("A"), std::nullopt);
}

}  // namespace
}  // namespace qv::testing
