// Configuration values: text, boolean and integer readers, their traces and the last error.
#include "config.h"

#include "diagnostics.h"
#include "launcher_fixture.h"

#include <climits>

namespace qv::testing {
namespace {

using ConfigTest = LauncherFixture;

TEST_F(ConfigTest, BooleanIsTrueOnlyForExactlyTrue) {
    struct Case {
        const char* name;
        std::optional<std::string> text;
        bool expected;
    } cases[] = {
        {"exact", "true", true},
        {"capital", "True", false},
        {"blank after", "true ", false},
        {"blank before", " true", false},
        {"upper", "TRUE", false},
        {"one", "1", false},
        {"empty", "", false},
        {"missing", std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine.removeConfig(31);
        if (c.text) {
            machine.setConfig(31, *c.text);
        }
        EXPECT_EQ(loadBool(ctx, cfg::kRestart).value, c.expected);
    }
}

TEST_F(ConfigTest, IntegerFollowsAtoi) {
    struct Case {
        const char* name;
        std::optional<std::string> text;
        int expected;
    } cases[] = {
        {"digits", "42", 42},
        {"digits then letters", "12abc", 12},
        {"letters", "abc", 0},
        {"missing", std::nullopt, 0},
        {"leading blanks and tab", " \t7", 7},
        {"negative", "-5", -5},
        {"plus", "+9", 9},
        {"two signs", "+-9", 0},
        {"blank inside", "1 2", 1},
        {"too large saturates", "99999999999", INT_MAX},
        {"too small saturates", "-99999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine.removeConfig(18);
        if (c.text) {
            machine.setConfig(18, *c.text);
        }
        EXPECT_EQ(loadInt(ctx, cfg::kJdkPreference).value, c.expected);
    }
}

TEST_F(ConfigTest, MissingTextEmptiesBufferAndClearsLastError) {
    FixedText<kPathSize> buffer("left over");
    machine.lastErrorCode = 5;
    EXPECT_FALSE(loadString(ctx, cfg::kLocalRuntime, buffer).value);
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(machine.lastErrorCode, 0u);
}

TEST_F(ConfigTest, UnloadableValueLeavesBufferAndLastError) {
    machine.setConfig(1, "jre");
    machine.unloadableResources.insert(1);
    FixedText<kPathSize> buffer("left over");
    machine.lastErrorCode = 1812;
    EXPECT_FALSE(loadString(ctx, cfg::kLocalRuntime, buffer).value);
    EXPECT_EQ(buffer.view(), "left over");
    EXPECT_EQ(machine.lastErrorCode, 1812u);
}

TEST_F(ConfigTest, TextIsReadOnlyWithinTheResourceAndUpToItsNul) {
    FixedText<kPathSize> buffer;
    machine.setRawResource(1, std::string("abc\0def", 7));
    EXPECT_TRUE(loadString(ctx, cfg::kLocalRuntime, buffer).value);
    EXPECT_EQ(buffer.view(), "abc");
    machine.setRawResource(1, "no terminator");  // read within its size, terminated all the same
    EXPECT_TRUE(loadString(ctx, cfg::kLocalRuntime, buffer).value);
    EXPECT_EQ(buffer.view(), "no terminator");
    EXPECT_STREQ(buffer.c_str(), "no terminator");
}

TEST_F(ConfigTest, DebugAllLeavesOneTraceLinePerRead) {
    openLog(true);
    machine.setConfig(10, "Title");
    FixedText<kShortTextSize> buffer;
    (void)loadBool(ctx, cfg::kRestart);
    (void)loadString(ctx, cfg::kErrorTitle, buffer);
    machine.setConfig(12, "x");
    machine.unloadableResources.insert(12);
    (void)loadText(ctx, 12, buffer);
    EXPECT_EQ(log(), "Resource 31:\t<NULL>\nResource 10:\tTitle\nResource 12:\t<NULL>\n");
}

TEST_F(ConfigTest, DebugLevelWritesNoResourceLines) {
    openLog(false);
    machine.setConfig(10, "Title");
    FixedText<kShortTextSize> buffer;
    (void)loadString(ctx, cfg::kErrorTitle, buffer);
    EXPECT_EQ(log(), "");
}

TEST_F(ConfigTest, ValueLongerThanItsBufferIsRefusedAndNamed) {
    openLog(true);
    machine.setConfig(10, std::string(128, 'x'));
    FixedText<kShortTextSize> title("before");
    Result<bool> read = loadString(ctx, cfg::kErrorTitle, title);
    EXPECT_FALSE(read.value);
    EXPECT_TRUE(title.empty());
    EXPECT_EQ(read.step.kind(), Step::Kind::TextTooLong);
    EXPECT_EQ(read.step.text(), "Configuration value 10 does not fit into 127 characters.");
    EXPECT_EQ(log(),
              "Resource 10:\t<NULL>\nError:\t\tConfiguration value 10 does not fit into 127 "
              "characters.\n");
    // A value of exactly the capacity fits.
    machine.setConfig(10, std::string(127, 'y'));
    EXPECT_TRUE(loadString(ctx, cfg::kErrorTitle, title).value);
    EXPECT_EQ(title.size(), 127u);
}

TEST_F(ConfigTest, OverlongBooleanOrIntegerIsRefused) {
    machine.setConfig(27, std::string(19, '1'));
    Result<int> longest = loadInt(ctx, cfg::kMaxHeapMb);
    EXPECT_EQ(longest.value, INT_MAX);
    EXPECT_TRUE(longest.step.goesOn());
    machine.setConfig(27, std::string(20, '1'));
    Result<int> tooLong = loadInt(ctx, cfg::kMaxHeapMb);
    EXPECT_EQ(tooLong.value, 0);
    EXPECT_EQ(tooLong.step.text(), "Configuration value 27 does not fit into 19 characters.");
}

}  // namespace
}  // namespace qv::testing
