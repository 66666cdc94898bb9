// The command line read once: the argument text, the command, the debug request and the words
// that go on.
#include "command_line.h"

#include "names.h"

#include <gtest/gtest.h>

namespace qv::testing {
namespace {

TEST(SplitArgumentText, Table) {
    struct Case {
        const char* name;
        const char* commandLine;
        const char* expected;
    } cases[] = {
        {"quoted name only", "\"C:\\app\\Q.exe\"", ""},
        {"quoted name and a word", "\"C:\\app\\Q.exe\" run", "run"},
        {"quoted name, two blanks", "\"C:\\app\\Q.exe\"  run", " run"},
        {"quoted name, any one character skipped", "\"C:\\app\\Q.exe\"xrun", "run"},
        {"quoted name with blanks", "\"C:\\Program Files\\Q.exe\" a b", "a b"},
        {"unquoted name only", "Q.exe", ""},
        {"unquoted name and two words", "Q.exe a b", "a b"},
        {"unquoted name, further blanks kept", "Q.exe   a", "  a"},
        {"unquoted name, trailing blank", "Q.exe ", ""},
        {"unclosed quote", "\"C:\\app\\Q.exe --mvk-debug", ""},
        {"lone quote", "\"", ""},
        {"empty", "", ""},
        {"quotes inside arguments", "Q.exe \"a b\" c", "\"a b\" c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(splitArgumentText(c.commandLine), c.expected) << c.name;
    }
}

TEST(RemovePrivateOptions, Table) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"--mvk-debug", ""},
        {"a --mvk-debug-all b", "a b"},
        {"a --mvk-debug", "a "},
        {"x--mvk-y z", "xz"},
        {"--mvk-debug run", "run"},
        {"--mvk-a --mvk-b c", "c"},
        {"--mvk-debug ", ""},
        {"a\t--mvk-x\tb", "a\t"},
        {"plain  args", "plain  args"},
        {"\"--mvk-quoted x\" y", "\"x\" y"},
        {"--mvk---mvk-x y", "y"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(removePrivateOptions(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(CommandOf, WordsAndPrecedence) {
    struct Case {
        const char* arguments;
        Command command;
    } cases[] = {
        {"", Command::Start},
        {"run --mvk-debug", Command::Start},
        {"--mvk-check", Command::Check},
        {"a \"--mvk-check\" b", Command::Check},
        {"--mvk-checker x--mvk-check", Command::Start},
        {"--mvk-check --mvk-version", Command::Version},
        {"--mvk-version --mvk-help", Command::Help},
        {"--mvk-installer", Command::Start},
        {"--mvk-install", Command::Install},
        {"x --mvk-uninstall --mvk-install", Command::Uninstall},
        {"--mvk-service --mvk-uninstall", Command::Service},
        // A service word wins over the launcher's own commands, wherever it stands.
        {"--mvk-help --mvk-check --mvk-install", Command::Install},
        {"\"--mvk-service\"", Command::Service},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readArguments(c.arguments).command, c.command) << c.arguments;
    }
}

// The debug log's substring rule, and the whole-word rule of the word an install carries.
TEST(DebugRequestOf, SubstringAndWholeWords) {
    constexpr DebugRequest None = DebugRequest::None;
    constexpr DebugRequest Debug = DebugRequest::Debug;
    constexpr DebugRequest All = DebugRequest::DebugAll;
    struct Case {
        const char* arguments;
        DebugRequest request;
        std::string_view serviceWord;
    } cases[] = {
        {"", None, ""},
        {"--mvk-debug", Debug, kDebugWord},
        {"--mvk-debug-all", All, kDebugAllWord},
        {"--mvk-debug --mvk-debug-all", All, kDebugAllWord},
        {"--mvk-debug-all --mvk-debug", All, kDebugAllWord},
        // Inside a longer word the substring asks for the log, but the word is not carried.
        {"x--mvk-debugger", Debug, ""},
        {"--mvk-debug-allx", All, ""},
        {"\"--mvk-debug\"", Debug, kDebugWord},
        {"\"a --mvk-debug\"", Debug, ""},
        {"--MVK-DEBUG", None, ""},
        {"--mvk-debu g", None, ""},
    };
    for (const Case& c : cases) {
        const CommandLine line = readArguments(c.arguments);
        EXPECT_EQ(line.debug, c.request) << c.arguments;
        EXPECT_EQ(line.serviceDebugWord, c.serviceWord) << c.arguments;
    }
}

TEST(ReadCommandLine, KeepsTheArgumentTextWhole) {
    const CommandLine line = readCommandLine("\"C:\\app\\Q.exe\"  a \"b c\" --mvk-debug ");
    EXPECT_EQ(line.arguments, " a \"b c\" --mvk-debug ");
    EXPECT_EQ(line.command, Command::Start);
    EXPECT_EQ(line.debug, DebugRequest::Debug);
}

}  // namespace
}  // namespace qv::testing
