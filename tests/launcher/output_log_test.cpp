// The service's output log on the fake machine: the file names, the rotation past the size with
// the kept files, and what happens to output that cannot be written.
#include "output_log.h"

#include "fake_machine.h"

#include <gmock/gmock.h>

#include <string>

namespace qv::testing {
namespace {

using ::testing::ElementsAre;

constexpr const char* kFolder = "C:\\app\\logs";
constexpr const char* kName = "Svc";

std::string current(const FakeMachine& m) {
    return m.fileContent("C:\\app\\logs\\Svc.log");
}
std::string rotated(const FakeMachine& m, int n) {
    return m.fileContent("C:\\app\\logs\\Svc." + std::to_string(n) + ".log");
}

TEST(OutputLog, FilesAreNamedByTheirRotation) {
    EXPECT_EQ(outputLogPath("D:\\logs", "My Service", 0), "D:\\logs\\My Service.log");
    EXPECT_EQ(outputLogPath("D:\\logs", "My Service", 1), "D:\\logs\\My Service.1.log");
    EXPECT_EQ(outputLogPath("D:\\logs", "My Service", 100), "D:\\logs\\My Service.100.log");
    EXPECT_EQ(outputStartLine("Svc", LocalTime{2026, 3, 4, 9, 5, 7}),
              "--- Svc started at 2026-03-04 09:05:07 ---\r\n");
    EXPECT_EQ(outputLostLine(81920), "--- 81920 bytes of output were lost ---\r\n");
}

// A write that would take the current file past the size moves it to NAME.1.log (the others
// one up, the oldest beyond the kept count deleted) and starts a new one.
TEST(OutputLog, RotatesPastTheSizeAndKeepsTheConfiguredNumberOfFiles) {
    FakeMachine m;
    OutputLog log(m, kFolder, kName, 100, 2);
    ASSERT_TRUE(log.open());
    for (char c : std::string("abcdefg")) {
        ASSERT_TRUE(log.write(std::string(40, c)));
    }
    // [ab] [cd] [ef] [g]: two rotated files kept, the oldest gone.
    EXPECT_THAT(m.outputFileNames(),
                ElementsAre("C:\\app\\logs\\Svc.1.log", "C:\\app\\logs\\Svc.2.log",
                            "C:\\app\\logs\\Svc.log"));
    EXPECT_EQ(current(m), std::string(40, 'g'));
    EXPECT_EQ(rotated(m, 1), std::string(40, 'e') + std::string(40, 'f'));
    EXPECT_EQ(rotated(m, 2), std::string(40, 'c') + std::string(40, 'd'));
    EXPECT_EQ(log.lost(), 0u);
}

TEST(OutputLog, ANewStartAppendsAndRotatesAFileAlreadyAtItsSize) {
    FakeMachine m;
    {
        OutputLog first(m, kFolder, kName, 1000, 5);
        ASSERT_TRUE(first.open());
        ASSERT_TRUE(first.write(std::string(90, 'x')));
    }
    OutputLog second(m, kFolder, kName, 100, 5);
    ASSERT_TRUE(second.open());
    ASSERT_TRUE(second.write("y"));
    ASSERT_TRUE(second.write(std::string(20, 'z')));
    EXPECT_EQ(rotated(m, 1), std::string(90, 'x') + "y");
    EXPECT_EQ(current(m), std::string(20, 'z'));
}

// A full disk: what cannot be written is counted, the log goes on, and the next write that
// succeeds says how much was lost first.
TEST(OutputLog, AFullDiskLosesOutputCountsItAndSaysSoOnceThereIsRoom) {
    FakeMachine m;
    OutputLog log(m, kFolder, kName, 1000, 5);
    ASSERT_TRUE(log.open());
    m.setOutputDiskFree(50);
    EXPECT_TRUE(log.write(std::string(40, 'a')));
    EXPECT_FALSE(log.write(std::string(40, 'b')));
    EXPECT_FALSE(log.write(std::string(30, 'c')));
    EXPECT_EQ(log.lost(), 70u);
    m.setOutputDiskFree(std::nullopt);
    EXPECT_TRUE(log.write("d"));
    EXPECT_EQ(current(m), std::string(40, 'a') + "--- 70 bytes of output were lost ---\r\nd");
    EXPECT_EQ(log.lost(), 0u);
    // Lost before the log (the relay's full queue): said with the next write.
    log.lose(5);
    EXPECT_TRUE(log.write(""));
    EXPECT_EQ(current(m), std::string(40, 'a') +
                              "--- 70 bytes of output were lost ---\r\nd"
                              "--- 5 bytes of output were lost ---\r\n");
}

TEST(OutputLog, AFolderThatCannotBeMadeIsTriedAgainAtEveryWrite) {
    FakeMachine m;
    m.unmakeableFolders.insert("c:\\app\\logs");
    OutputLog log(m, kFolder, kName, 1000, 5);
    EXPECT_FALSE(log.open());
    EXPECT_EQ(m.lastError(), 5u);  // ERROR_ACCESS_DENIED, for the event's text
    EXPECT_FALSE(log.write("lost"));
    m.unmakeableFolders.clear();
    EXPECT_TRUE(log.write("kept"));
    EXPECT_EQ(current(m), "--- 4 bytes of output were lost ---\r\nkept");
}

// A current file that another program holds without sharing its deletion cannot be moved: the
// log writes on in it and tries the rotation again at the next write past the size.
TEST(OutputLog, ACurrentFileThatCannotBeMovedIsWrittenOn) {
    FakeMachine m;
    OutputLog log(m, kFolder, kName, 10, 5);
    ASSERT_TRUE(log.open());
    ASSERT_TRUE(log.write("123456"));
    m.lockedOutputFiles.insert("c:\\app\\logs\\svc.log");
    EXPECT_TRUE(log.write("789012"));
    EXPECT_EQ(current(m), "123456789012");
    m.lockedOutputFiles.clear();
    EXPECT_TRUE(log.write("345"));
    EXPECT_EQ(rotated(m, 1), "123456789012");
    EXPECT_EQ(current(m), "345");
}

}  // namespace
}  // namespace qv::testing
