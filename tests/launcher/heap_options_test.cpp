// The heap options from sizes and shares of the available memory.
#include "heap_options.h"

#include "diagnostics.h"
#include "launcher_fixture.h"

namespace qv::testing {
namespace {

class HeapOptionsTest : public LauncherFixture {
  protected:
    HeapOptionsTest() { openLog(); }
};

TEST_F(HeapOptionsTest, HeapOptions) {
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
        EXPECT_TRUE(addHeapOptions(fresh.ctx, *line).goesOn());
        EXPECT_EQ(line->view(), c.line);
        EXPECT_EQ(fresh.machine.fileContent(kLogPath), c.log);
    }
}

TEST_F(HeapOptionsTest, HeapWithoutMemoryStatus) {
    machine.availableMemory.reset();
    machine.setConfig(28, "50");
    machine.setConfig(25, "64");
    auto line = std::make_unique<FixedText<kLineSize>>();
    EXPECT_TRUE(addHeapOptions(ctx, *line).goesOn());
    EXPECT_EQ(line->view(), "-Xms64m ");
}

}  // namespace
}  // namespace qv::testing
