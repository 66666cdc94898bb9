// Value 12 and the options file.
#include "options_file.h"

#include "diagnostics.h"
#include "launcher_fixture.h"

namespace qv::testing {
namespace {

constexpr const char* kOptionsFile = "C:\\app\\QuorvexService.mvk.ini";

class OptionsFileTest : public LauncherFixture {
  protected:
    OptionsFileTest() { openLog(); }
};

TEST_F(OptionsFileTest, OptionsFileCompaction) {
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
        EXPECT_TRUE(readOptionsFile(fresh.ctx, *options, program).goesOn());
        EXPECT_EQ(options->view(), c.expected);
        EXPECT_EQ(fresh.machine.fileContent(kLogPath),
                  c.file ? std::string("Loading:\t") + kOptionsFile + "\n" : "");
    }
}

TEST_F(OptionsFileTest, Utf8ByteOrderMarkAtTheStartIsSkipped) {
    const std::string bom = "\xEF\xBB\xBF";
    const struct {
        const char* name;
        std::string file;
        bool debugAll;
        std::string expected;
        std::string trace;
    } cases[] = {
        {"before the first option, traced at debug-all", bom + "-Dacme.bom=1\r\n-Xss1m", true,
         "-Dv=1 -Dacme.bom=1 -Xss1m ", "Info:\t\tUTF-8 byte-order mark skipped.\n"},
        {"not traced at the debug level", bom + "-Dacme.bom=1", false, "-Dv=1 -Dacme.bom=1 ", ""},
        {"a file of the mark alone", bom, true, "-Dv=1 ",
         "Info:\t\tUTF-8 byte-order mark skipped.\n"},
        {"only at the start", "-Da" + bom, true, "-Dv=1 -Da" + bom + " ", ""},
        {"part of a mark stays", "\xEF\xBB-Da", true, "-Dv=1 \xEF\xBB-Da ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        fresh.openLog(c.debugAll);
        fresh.machine.setConfig(12, "-Dv=1");
        fresh.machine.addFile(kOptionsFile, c.file);
        auto options = std::make_unique<FixedText<kLineSize>>();
        EXPECT_TRUE(readOptionsFile(fresh.ctx, *options, program).goesOn());
        EXPECT_EQ(options->view(), c.expected);
        const std::string text = fresh.log();
        EXPECT_EQ(text.substr(text.find("Loading:")),
                  std::string("Loading:\t") + kOptionsFile + "\n" + c.trace);
    }
}

TEST_F(OptionsFileTest, OptionsFileNamedLikeTheProgram) {
    ProgramLocation other;
    (void)other.path.assign("D:\\svc\\Other.EXE");
    other.directoryLength = 6;
    machine.addFile("D:\\svc\\Other.mvk.ini", "-Dother");
    auto options = std::make_unique<FixedText<kLineSize>>();
    EXPECT_TRUE(readOptionsFile(ctx, *options, other).goesOn());
    EXPECT_EQ(options->view(), "-Dother ");
}

TEST_F(OptionsFileTest, OptionsThatDoNotFitAreNamed) {
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
        Step step = readOptionsFile(fresh.ctx, *options, program);
        EXPECT_EQ(step.goesOn(), *c.failure == '\0');
        EXPECT_EQ(step.text(), c.failure);
    }
}

TEST_F(OptionsFileTest, OptionsFileWithZeroBytesIsRefused) {
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
        EXPECT_EQ(readOptionsFile(fresh.ctx, *options, program).text(),
                  "The options file holds a zero byte: it must be a text in the ANSI code page.");
    }
}

}  // namespace
}  // namespace qv::testing
