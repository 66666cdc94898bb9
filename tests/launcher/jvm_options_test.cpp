// Variable expansion, Path and value 19, heap options and the options file.
#include "jvm_options.h"

#include "diagnostics.h"
#include "launcher_fixture.h"

namespace qv::testing {
namespace {

using View = FakeMachine::View;
constexpr const char* kOptionsFile = "C:\\app\\QuorvexService.mvk.ini";

class JvmOptionsTest : public LauncherFixture {
  protected:
    JvmOptionsTest() { openLog(); }
    std::pair<std::string, Expansion> expand(std::string_view input, std::string_view before = {}) {
        auto out = std::make_unique<FixedText<kLineSize>>();
        (void)out->assign(before);
        Expansion result = substituteVariables(ctx, *out, input, program);
        return {std::string(out->view()), result};
    }
};

TEST_F(JvmOptionsTest, SubstituteVariablesTable) {
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
        Expansion result;
    } cases[] = {
        {"no reference", "-Xss1m -Dx=1", "-Xss1m -Dx=1", Expansion::Complete},
        {"empty", "", "", Expansion::Complete},
        {"double percent", "50%%", "50%", Expansion::Complete},
        {"unset variable", "-Xmx%MEM%m", "-Xmxm", Expansion::Complete},
        {"set variable", "-Dx=%X%", "-Dx=1", Expansion::Complete},
        {"lone percent drops the rest", "%X% -Dratio=50% -Xss1m", "1",
         Expansion::UnclosedReference},
        {"lone percent first", "-Dratio=50%", "", Expansion::UnclosedReference},
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

TEST_F(JvmOptionsTest, SubstituteAppendsAndTraces) {
    machine.setVariable("X", "1");
    auto [out, result] = expand("a%%b%MEM%c%X%", "kept ");
    EXPECT_EQ(out, "kept a%bc1");
    EXPECT_EQ(log(), "Substitute:\t = %\nSubstitute:\tMEM = \nSubstitute:\tX = 1\n");
}

TEST_F(JvmOptionsTest, OverlongNameIsTracedWithAnEmptyExpansion) {
    const std::string name(128, 'n');
    machine.setVariable(name, "never looked up");
    EXPECT_EQ(expand("[%" + name + "%]").first, "[]");
    EXPECT_EQ(log(), "Substitute:\t" + name + " = \n");
}

TEST_F(JvmOptionsTest, SubstituteOverflowLeavesTheOutputAtTheReference) {
    machine.setVariable("BIG", std::string(100, 'b'));
    auto out = std::make_unique<FixedText<kPathSize>>();
    (void)out->assign(std::string(200, 'a'));
    EXPECT_EQ(substituteVariables(ctx, *out, "x%BIG%", program), Expansion::Overflow);
    EXPECT_EQ(out->view(), std::string(200, 'a') + "x");
    EXPECT_EQ(substituteVariables(ctx, *out, std::string(60, 'y'), program), Expansion::Overflow);
    EXPECT_EQ(out->size(), 201u);
}

TEST_F(JvmOptionsTest, RegistryReferences) {
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
        {"more than 1024 bytes: nothing", "%HKEY_LOCAL_MACHINE\\SOFTWARE\\Types\\Big%", ""},
        {"1024 bytes", "%HKEY_LOCAL_MACHINE\\SOFTWARE\\Types\\Fits%", std::string(1024, 'f')},
        {"value of the root key", "%HKEY_LOCAL_MACHINE\\RootValue%", "root"},
        {"unknown root", "%HKEY_NOWHERE\\Software\\X\\Y%", ""},
        {"no backslash", "%HKEY_CURRENT_USER%", ""},
        {"no value name", "%HKEY_CURRENT_USER\\Software\\X\\%", ""},
        {"never an environment variable", "%HKEYS%", ""},
    };
    machine.setVariable("HKEYS", "from the environment");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(expand(c.input).first, c.expected);
    }
}

TEST_F(JvmOptionsTest, RegistryReferenceOn32BitWindowsUsesTheOnlyView) {
    machine.setRegistryString(View::Bits32, RegistryRoot::CurrentUser, "Software\\X", "Y", "only");
    EXPECT_EQ(expand("%HKEY_CURRENT_USER\\Software\\X\\Y%").first, "only");
    EXPECT_EQ(machine.registryOpens, std::vector<std::string>{"32:HKEY_CURRENT_USER\\Software\\X"});
}

TEST_F(JvmOptionsTest, PathGetsTheRuntimeBinDirectory) {
    struct Case {
        const char* name;
        std::optional<std::string> path;
        const char* launcherPath;
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
        (void)state->launcherPath.assign(c.launcherPath);
        EXPECT_TRUE(addRuntimeToPath(ctx));
        EXPECT_EQ(machine.variable("Path"), c.expected);
    }
    EXPECT_EQ(log(), "");
}

TEST_F(JvmOptionsTest, PathThatCannotBeExtended) {
    (void)state->launcherPath.assign("C:\\jre");  // "C:\jre\bin": 10 characters
    machine.setVariable("Path", std::string(32756, 'p'));
    EXPECT_TRUE(addRuntimeToPath(ctx));
    machine.setVariable("Path", std::string(32757, 'p'));
    EXPECT_FALSE(addRuntimeToPath(ctx));
    EXPECT_EQ(state->failure.view(),
              "The Path variable with the runtime's bin directory does not fit into 32766 "
              "characters.");
    EXPECT_EQ(
        log(),
        "Error:\t\tThe Path variable with the runtime's bin directory does not fit into 32766 "
        "characters.\nError:\t\tappendToPathVar failed.\n");
    state->failure.clear();
    machine.setVariable("Path", "C:\\win");
    machine.refusedVariables.insert("path");
    EXPECT_FALSE(addRuntimeToPath(ctx));
    EXPECT_FALSE(overflowed(ctx));
    EXPECT_EQ(machine.lastErrorCode, 5u);
}

TEST_F(JvmOptionsTest, EnvironmentSettings) {
    machine.setConfig(19, "\t\tA=1\tB=%A%;x\t\tNOEQUALS\tC=%EXEDIR%\t=empty name\tD=\t");
    EXPECT_TRUE(applyEnvironmentSettings(ctx, program));
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

TEST_F(JvmOptionsTest, EnvironmentValueThatDoesNotFitIsNamed) {
    machine.setVariable("BIG", std::string(20000, 'b'));
    machine.setConfig(19, "A=%BIG%%BIG%");
    EXPECT_FALSE(applyEnvironmentSettings(ctx, program));
    EXPECT_EQ(state->failure.view(),
              "The value of the variable A (value 19) does not fit into 32767 characters.");
    EXPECT_EQ(machine.variable("A"), std::nullopt);
}

TEST_F(JvmOptionsTest, HeapOptions) {
    struct Case {
        const char* name;
        std::uint64_t availableMb;
        std::map<int, std::string> values;
        bool runtime64;
        std::string line;
        std::string log;
    } cases[] = {
        {"50% of 3000 MB, 32-bit runtime",
         3000,
         {{28, "50"}},
         false,
         "-Xmx1024m ",
         "Heap limit:\tReduced 1500 MB heap size to 32-bit maximum 1024 MB\n"
         "Heap -Xmx:\tRequested 0 MB / 50%, Available: 3000 MB, Heap size: 1024 MB\n"},
        {"50% of 3000 MB, 64-bit runtime",
         3000,
         {{28, "50"}},
         true,
         "-Xmx1500m ",
         "Heap -Xmx:\tRequested 0 MB / 50%, Available: 3000 MB, Heap size: 1500 MB\n"},
        {"the larger wins",
         1000,
         {{27, "256"}, {28, "10"}},
         false,
         "-Xmx256m ",
         "Heap -Xmx:\tRequested 256 MB / 10%, Available: 1000 MB, Heap size: 256 MB\n"},
        {"no settings", 1000, {}, false, "", ""},
        {"initial and maximum",
         1000,
         {{25, "128"}, {27, "512"}},
         false,
         "-Xms128m -Xmx512m ",
         "Heap -Xms:\tRequested 128 MB / 0%, Available: 1000 MB, Heap size: 128 MB\n"
         "Heap -Xmx:\tRequested 512 MB / 0%, Available: 1000 MB, Heap size: 512 MB\n"},
        {"negative percentage counts as none", 1000, {{28, "-50"}}, false, "", ""},
        {"negative size adds nothing", 1000, {{27, "-5"}}, false, "", ""},
        {"percent rounds down",
         999,
         {{26, "1"}},
         false,
         "-Xms9m ",
         "Heap -Xms:\tRequested 0 MB / 1%, Available: 999 MB, Heap size: 9 MB\n"},
        {"huge percentage saturates",
         1 << 20,
         {{28, "2000000000"}},
         true,
         "-Xmx2147483647m ",
         "Heap -Xmx:\tRequested 0 MB / 2000000000%, Available: 1048576 MB, Heap size: "
         "2147483647 MB\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        fresh.machine.availableMemory = c.availableMb << 20;
        fresh.openLog();
        fresh.state->search.foundRuntime = c.runtime64 ? FOUND_LOCAL | FOUND_64BIT : FOUND_LOCAL;
        for (const auto& [id, text] : c.values) {
            fresh.machine.setConfig(id, text);
        }
        auto line = std::make_unique<FixedText<kLineSize>>();
        EXPECT_TRUE(addHeapOptions(fresh.ctx, *line));
        EXPECT_EQ(line->view(), c.line);
        EXPECT_EQ(fresh.machine.fileContent(kLogPath), c.log);
    }
}

TEST_F(JvmOptionsTest, HeapWithoutMemoryStatus) {
    machine.availableMemory.reset();
    machine.setConfig(28, "50");
    machine.setConfig(25, "64");
    auto line = std::make_unique<FixedText<kLineSize>>();
    EXPECT_TRUE(addHeapOptions(ctx, *line));
    EXPECT_EQ(line->view(), "-Xms64m ");
}

TEST_F(JvmOptionsTest, OptionsFileCompaction) {
    struct Case {
        const char* name;
        std::optional<std::string> value12;
        std::optional<std::string> file;
        std::string expected;
    } cases[] = {
        {"comment, empty line, options, trailing note", std::nullopt,
         "# comment\n\n-Xss1m\n-Dx=1 # note\n", "-Xss1m -Dx=1 "},
        {"CR LF lines", std::nullopt, "-Xss1m\r\n-Dx=1", "-Xss1m -Dx=1 "},
        {"comment inside an option", std::nullopt, "-Da#b\n-Dc", "-Da -Dc "},
        {"blanks and tabs copied", std::nullopt, "  -Xa  -Xb\t\n", "  -Xa  -Xb\t "},
        {"several line ends give one blank", std::nullopt, "-Xa\n\n\r\n-Xb\n\n", "-Xa -Xb "},
        {"empty file", std::nullopt, "", ""},
        {"only a comment", std::nullopt, "#only", " "},
        {"value 12 and the file", "-Xmx1g", "-Xss1m", "-Xmx1g -Xss1m "},
        {"value 12, no file", "-Xmx1g", std::nullopt, "-Xmx1g "},
        {"value 12 and a file starting with a line end", "-Xmx1g", "\n-Xss1m", "-Xmx1g -Xss1m "},
        {"nothing", std::nullopt, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        fresh.openLog();
        if (c.value12) {
            fresh.machine.setConfig(12, *c.value12);
        }
        if (c.file) {
            fresh.machine.addFile(kOptionsFile, *c.file);
        }
        auto options = std::make_unique<FixedText<kLineSize>>();
        EXPECT_TRUE(readOptionsFile(fresh.ctx, *options, program));
        EXPECT_EQ(options->view(), c.expected);
        EXPECT_EQ(fresh.machine.fileContent(kLogPath),
                  c.file ? std::string("Loading:\t") + kOptionsFile + "\n" : "");
    }
}

TEST_F(JvmOptionsTest, OptionsFileNamedLikeTheProgram) {
    ProgramLocation other;
    (void)other.path.assign("D:\\svc\\Other.EXE");
    other.directoryLength = 6;
    machine.addFile("D:\\svc\\Other.mvk.ini", "-Dother");
    auto options = std::make_unique<FixedText<kLineSize>>();
    EXPECT_TRUE(readOptionsFile(ctx, *options, other));
    EXPECT_EQ(options->view(), "-Dother ");
}

TEST_F(JvmOptionsTest, OptionsThatDoNotFitAreNamed) {
    struct Case {
        const char* name;
        std::size_t value12;
        std::size_t file;
        const char* failure;
    } cases[] = {
        {"file fills the read limit", 0, 31744, ""},
        {"file one byte over", 0, 31745,
         "The options file does not fit into the JVM options (31744 characters with value 12)."},
        {"value 12 and file fill the limit", 1000, 30743, ""},
        {"value 12 and file one over", 1000, 30744,
         "The options file does not fit into the JVM options (31744 characters with value 12)."},
        {"value 12 at its maximum", 32767, 0,
         "The JVM options (value 12) do not fit into 32767 characters."},
        {"value 12 past the read limit, empty file", 31800, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        if (c.value12) {
            fresh.machine.setConfig(12, std::string(c.value12, 'v'));
        }
        fresh.machine.addFile(kOptionsFile, std::string(c.file, 'f'));
        auto options = std::make_unique<FixedText<kLineSize>>();
        EXPECT_EQ(readOptionsFile(fresh.ctx, *options, program), *c.failure == '\0');
        EXPECT_EQ(fresh.state->failure.view(), c.failure);
    }
}

TEST_F(JvmOptionsTest, OptionsFileWithZeroBytesIsRefused) {
    const struct {
        const char* name;
        std::string file;
    } cases[] = {
        {"a zero byte between two options", std::string("-Da\0-Db\n", 8)},
        {"saved as UTF-16", std::string("\xFF\xFE-\0X\0s\0s\0"
                                        "1\0m\0",
                                        14)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        fresh.machine.addFile(kOptionsFile, c.file);
        auto options = std::make_unique<FixedText<kLineSize>>();
        EXPECT_FALSE(readOptionsFile(fresh.ctx, *options, program));
        EXPECT_EQ(fresh.state->failure.view(),
                  "The options file holds a zero byte: it must be a text in the ANSI code page.");
    }
}

}  // namespace
}  // namespace qv::testing
