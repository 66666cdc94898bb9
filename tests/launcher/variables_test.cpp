// Variable references: the program's names, environment variables and registry data.
#include "variables.h"

#include "diagnostics.h"
#include "launcher_fixture.h"

namespace qv::testing {
namespace {

using View = FakeMachine::View;
constexpr const char* kOptionsFile = "C:\\app\\QuorvexService.mvk.ini";

class VariablesTest : public LauncherFixture {
  protected:
    VariablesTest() { openLog(); }
    std::pair<std::string, Expansion::Kind> expand(std::string_view input,
                                                   std::string_view before = {}) {
        auto out = std::make_unique<FixedText<kLineSize>>();
        (void)out->assign(before);
        Expansion result = substituteVariables(ctx, *out, input, program);
        return {std::string(out->view()), result.kind};
    }
};

TEST_F(VariablesTest, SubstituteVariablesTable) {
    machine.setVariable("MEM", "");
    machine.unsetVariable("MEM");
    machine.setVariable("X", "1");
    machine.setVariable("PWD", "not the directory");
    machine.setVariable("EXEDIR", "shadowed");
    machine.setVariable("Path", "C:\\win");
    machine.setVariable(std::string(127, 'n'), "long name");
    (void)state->startupDirectory.assign("C:\\start");
    machine.cwd = "C:\\app";
    struct Case {
        const char* name;
        std::string input;
        std::string expected;
        Expansion::Kind result;
    } cases[] = {
        {"no reference", "-Xss1m -Dx=1", "-Xss1m -Dx=1", Expansion::Complete},
        {"empty", "", "", Expansion::Complete},
        {"double percent", "50%%", "50%", Expansion::Complete},
        {"unset variable", "-Xmx%MEM%m", "-Xmxm", Expansion::Complete},
        {"set variable", "-Dx=%X%", "-Dx=1", Expansion::Complete},
        {"lone percent kept with the rest", "%X% -Dratio=50% -Xss1m", "1 -Dratio=50% -Xss1m",
         Expansion::Complete},
        {"lone percent alone", "%", "%", Expansion::Complete},
        {"lone percent after a reference", "%X%%", "1%", Expansion::Complete},
        {"program directory", "%EXEDIR%\\lib", "C:\\app\\lib", Expansion::Complete},
        {"program file", "%EXEFILE%", "C:\\app\\QuorvexService.exe", Expansion::Complete},
        {"current directory, not the variable", "%PWD%", "C:\\app", Expansion::Complete},
        {"start-up directory", "%OLDPWD%", "C:\\start", Expansion::Complete},
        {"no runtime chosen yet", "[%JREHOMEDIR%]", "[]", Expansion::Complete},
        {"special names are case-sensitive", "%exedir%", "shadowed", Expansion::Complete},
        {"environment names are not", "%PATH%", "C:\\win", Expansion::Complete},
        {"name of 127 characters", "%" + std::string(127, 'n') + "%", "long name",
         Expansion::Complete},
        {"name of 128 characters", "%" + std::string(128, 'n') + "%", "", Expansion::Complete},
        {"never expanded twice", "%%X%%", "%X%", Expansion::Complete},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto [out, result] = expand(c.input);
        EXPECT_EQ(out, c.expected);
        EXPECT_EQ(result, c.result);
    }
}

TEST_F(VariablesTest, SubstituteAppendsAndTraces) {
    machine.setVariable("X", "1");
    auto [out, result] = expand("a%%b%MEM%c%X%", "kept ");
    EXPECT_EQ(out, "kept a%bc1");
    EXPECT_EQ(log(), "Substitute:\t = %\nSubstitute:\tMEM = \nSubstitute:\tX = 1\n");
}

TEST_F(VariablesTest, LonePercentIsTextAndNotTraced) {
    machine.setVariable("X", "1");
    EXPECT_EQ(expand("-Dx=%X% -Dratio=50% -Xss1m").first, "-Dx=1 -Dratio=50% -Xss1m");
    EXPECT_EQ(log(), "Substitute:\tX = 1\n");
}

TEST_F(VariablesTest, OverlongNameIsTracedWithAnEmptyExpansion) {
    const std::string name(128, 'n');
    machine.setVariable(name, "never looked up");
    EXPECT_EQ(expand("[%" + name + "%]").first, "[]");
    EXPECT_EQ(log(), "Substitute:\t" + name + " = \n");
}

TEST_F(VariablesTest, SubstituteOverflowLeavesTheOutputAtTheReference) {
    machine.setVariable("BIG", std::string(100, 'b'));
    auto out = std::make_unique<FixedText<kPathSize>>();
    (void)out->assign(std::string(200, 'a'));
    EXPECT_EQ(substituteVariables(ctx, *out, "x%BIG%", program).kind, Expansion::Overflow);
    EXPECT_EQ(out->view(), std::string(200, 'a') + "x");
    EXPECT_EQ(substituteVariables(ctx, *out, std::string(60, 'y'), program).kind,
              Expansion::Overflow);
    EXPECT_EQ(out->size(), 201u);
}

TEST_F(VariablesTest, RegistryReferences) {
    machine.windows64 = true;
    state->wow64 = true;
    machine.setRegistryString(View::Bits64, RegistryRoot::CurrentUser, "Software\\X", "Y", "64");
    machine.setRegistryString(View::Bits32, RegistryRoot::CurrentUser, "Software\\X", "Y", "32");
    machine.setRegistryString(View::Bits32, RegistryRoot::LocalMachine, "SOFTWARE\\Only32", "V",
                              "thirty-two");
    machine.addRegistryKey(View::Bits64, RegistryRoot::LocalMachine, "SOFTWARE\\Empty64");
    machine.setRegistryString(View::Bits32, RegistryRoot::LocalMachine, "SOFTWARE\\Empty64", "V",
                              "not read");
    machine.setRegistryValue(View::Bits64, RegistryRoot::LocalMachine, "SOFTWARE\\Types", "Dword",
                             kRegDword, std::string("A\0\0\0", 4));
    machine.setRegistryValue(View::Bits64, RegistryRoot::LocalMachine, "SOFTWARE\\Types", "NoNul",
                             kRegBinary, "raw");
    machine.setRegistryValue(View::Bits64, RegistryRoot::LocalMachine, "SOFTWARE\\Types", "Big",
                             kRegSz, std::string(1024, 'b') + '\0');
    machine.setRegistryValue(View::Bits64, RegistryRoot::LocalMachine, "SOFTWARE\\Types", "Fits",
                             kRegBinary, std::string(1024, 'f'));
    machine.setRegistryString(View::Bits64, RegistryRoot::LocalMachine, "", "RootValue", "root");
    machine.setRegistryString(View::Bits64, RegistryRoot::LocalMachine, "SOFTWARE\\Vendor", "",
                              "default");
    struct Case {
        const char* name;
        std::string input;
        std::string expected;
    } cases[] = {
        {"64-bit view first", "%HKEY_CURRENT_USER\\Software\\X\\Y%", "64"},
        {"32-bit view when the 64-bit key is missing", "%HKEY_LOCAL_MACHINE\\SOFTWARE\\Only32\\V%",
         "thirty-two"},
        {"key opens without the value: nothing", "%HKEY_LOCAL_MACHINE\\SOFTWARE\\Empty64\\V%", ""},
        {"DWORD data up to its first NUL", "%HKEY_LOCAL_MACHINE\\SOFTWARE\\Types\\Dword%", "A"},
        {"data without NUL terminated", "[%HKEY_LOCAL_MACHINE\\SOFTWARE\\Types\\NoNul%]", "[raw]"},
        {"1024 bytes", "%HKEY_LOCAL_MACHINE\\SOFTWARE\\Types\\Fits%", std::string(1024, 'f')},
        {"value of the root key", "%HKEY_LOCAL_MACHINE\\RootValue%", "root"},
        {"unknown root", "%HKEY_NOWHERE\\Software\\X\\Y%", ""},
        {"no backslash", "%HKEY_CURRENT_USER%", ""},
        {"no value name: the key's default value", "%HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\%",
         "default"},
        {"no value name, no default value", "%HKEY_CURRENT_USER\\Software\\X\\%", ""},
        {"never an environment variable", "%HKEYS%", ""},
    };
    machine.setVariable("HKEYS", "from the environment");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(expand(c.input).first, c.expected);
    }
}

TEST_F(VariablesTest, RegistryValueOverTheLimitStopsNamingTheReference) {
    // 1025 bytes, a string of 1024 characters with its terminator: nothing of it is placed.
    machine.setRegistryValue(View::Bits32, RegistryRoot::LocalMachine, "SOFTWARE\\Types", "Big",
                             kRegSz, std::string(1024, 'b') + '\0');
    auto out = std::make_unique<FixedText<kLineSize>>();
    const Expansion result = substituteVariables(
        ctx, *out, "-Da=1 -Dbig=%HKEY_LOCAL_MACHINE\\SOFTWARE\\Types\\Big% -Dc=2", program);
    EXPECT_EQ(result.kind, Expansion::RegistryValueTooLarge);
    EXPECT_EQ(result.reference, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Types\\Big");
    EXPECT_EQ(out->view(), "-Da=1 -Dbig=");

    Step step = expansionStep(ctx, result, [] { return std::string("not this"); });
    EXPECT_EQ(step.kind(), Step::Kind::TextTooLong);
    const std::string message =
        "The registry value %HKEY_LOCAL_MACHINE\\SOFTWARE\\Types\\Big% holds more than 1024 bytes.";
    EXPECT_EQ(step.text(), message);
    EXPECT_EQ(log(), "Error:\t\t" + message + "\n");
}

TEST_F(VariablesTest, RegistryReferenceOn32BitWindowsUsesTheOnlyView) {
    machine.setRegistryString(View::Bits32, RegistryRoot::CurrentUser, "Software\\X", "Y", "only");
    EXPECT_EQ(expand("%HKEY_CURRENT_USER\\Software\\X\\Y%").first, "only");
    EXPECT_EQ(machine.registryOpens, std::vector<std::string>{"32:HKEY_CURRENT_USER\\Software\\X"});
}

}  // namespace
}  // namespace qv::testing
