// The version block read from its bytes: the value the version API gives for the block's first
// translation, and nothing from a block that is cut or malformed.
#include "version_block.h"

#include "memory_executable.h"

#include <gtest/gtest.h>

namespace qvconfig::testing {
namespace {

constexpr std::uint32_t kEnglishUnicode = 0x04B00409;
constexpr std::uint32_t kGermanUnicode = 0x04B00407;

TEST(VersionBlock, ValueOfTheFirstTranslationsTable) {
    const std::vector<VersionTable> twoTables = {
        {"040704b0", {{"OriginalFilename", "Deutsch.exe"}}},
        {"040904B0", {{"FileVersion", "1.0"}, {"OriginalFilename", "English.exe"}}},
    };
    struct Row {
        const char* name;
        std::string block;
        const char* expected;
    };
    const Row rows[] = {
        {"one table", versionBlock("QuorvexService.exe"), "QuorvexService.exe"},
        {"the table the first translation names, its key in capitals",
         versionInfo(twoTables, {kEnglishUnicode, kGermanUnicode}), "English.exe"},
        {"the other order", versionInfo(twoTables, {kGermanUnicode, kEnglishUnicode}),
         "Deutsch.exe"},
        {"no translation", versionInfo(twoTables, {}), ""},
        {"a translation without a table", versionInfo(twoTables, {0x04E40409}), ""},
        {"no such value", versionInfo({{"040904b0", {{"FileVersion", "1.0"}}}}, {kEnglishUnicode}),
         ""},
        {"not a version block", std::string(64, '\0'), ""},
        {"empty", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(versionString(row.block, "OriginalFilename"), row.expected);
    }
}

// Every cut of a sound block, and every length field made too large, reads nothing and nothing
// outside the bytes (the sanitizers of the host build watch the reads).
TEST(VersionBlock, CutOrOverlongBlocksGiveNothing) {
    const std::string whole = versionBlock("QuorvexService.exe");
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const std::string cut = whole.substr(0, size);
        EXPECT_EQ(versionString(cut, "OriginalFilename"), "") << "cut at " << size;
    }
    for (std::size_t at = 0; at + 1 < whole.size(); at += 2) {
        std::string bad = whole;
        bad[at] = '\xFF';
        bad[at + 1] = '\xFF';
        // Whatever a damaged length makes of it, the text comes from the block's own bytes.
        EXPECT_LE(versionString(bad, "OriginalFilename").size(), bad.size() / 2) << "at " << at;
    }
}

}  // namespace
}  // namespace qvconfig::testing
