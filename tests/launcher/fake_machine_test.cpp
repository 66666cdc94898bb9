// The fake machine answers like Windows where the launcher depends on it.
#include "fake_machine.h"

#include <gtest/gtest.h>

namespace qv::testing {
namespace {

TEST(FakeMachine, PathsAreCaseInsensitiveAndResolveDots) {
    FakeMachine machine;
    machine.addFile("C:\\App\\Lib\\A.jar");
    EXPECT_TRUE(machine.exists("c:\\app\\lib\\a.JAR"));
    EXPECT_EQ(machine.fullPath("C:\\app\\bin\\..\\lib\\.\\a.jar"), "C:\\app\\lib\\a.jar");
    EXPECT_EQ(machine.fullPath("lib"), "C:\\start\\lib");
    EXPECT_EQ(machine.fileStatus("C:\\APP\\lib"), FileStatus::Directory);
    EXPECT_EQ(machine.fileStatus("C:\\app\\lib\\b.jar"), FileStatus::Missing);
    EXPECT_EQ(machine.lastError(), kErrorFileNotFound);
}

// A current directory shorter than a drive (as a test or a fuzz input may set it) is all drive.
TEST(FakeMachine, ShortCurrentDirectoryResolvesWithoutThrowing) {
    struct Row {
        const char* cwd;
        const char* path;
        const char* full;
    };
    const Row rows[] = {
        {"", "lib", "\\lib"},      {"C", "lib", "C\\lib"},     {"C", "\\lib", "C\\lib"},
        {"C", "C:lib", "C:\\lib"}, {"C:", "D:lib", "D:\\lib"}, {"C:", "c:lib", "c:\\lib"},
    };
    for (const Row& row : rows) {
        FakeMachine machine;
        machine.cwd = row.cwd;
        EXPECT_EQ(machine.fullPath(row.path), row.full) << row.cwd << " + " << row.path;
    }
}

TEST(FakeMachine, RegistryViewsAreSeparateOnlyOn64BitWindows) {
    for (bool windows64 : {false, true}) {
        SCOPED_TRACE(windows64 ? "64-bit Windows" : "32-bit Windows");
        FakeMachine machine;
        machine.windows64 = windows64;
        machine.setRegistryString(FakeMachine::View::Bits64, RegistryRoot::LocalMachine,
                                  "SOFTWARE\\X", "V", "sixty-four");
        auto view32 = machine.openRegistryKey(RegistryRoot::LocalMachine, "software\\x", kKeyRead);
        auto view64 = machine.openRegistryKey(RegistryRoot::LocalMachine, "SOFTWARE\\X",
                                              kKeyRead | kKeyWow64_64Key);
        ASSERT_TRUE(view64);
        EXPECT_EQ(view32 != nullptr, !windows64);
        RegistryValue value;
        ASSERT_TRUE(view64->queryValue("v", 1024, value));
        EXPECT_EQ(value.bytes, std::string("sixty-four", 11));
        EXPECT_FALSE(view64->queryValue("v", 5, value));
    }
}

TEST(FakeMachine, WildcardsListDotEntriesAndDirectories) {
    FakeMachine machine;
    machine.addFile("C:\\start\\lib\\b.jar");
    machine.addFile("C:\\start\\lib\\a.JAR");
    machine.addDirectory("C:\\start\\lib\\sub");
    auto find = machine.findFirst("lib\\*");
    ASSERT_TRUE(find);
    std::vector<std::string> names{find->name()};
    while (find->next()) {
        names.push_back(find->name());
    }
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a.JAR", "b.jar", "sub"}));
    EXPECT_FALSE(machine.findFirst("lib\\*.zip"));
}

TEST(FakeMachine, MutexNamespaceIsSharedBetweenMachines) {
    FakeMachine first;
    FakeMachine second;
    second.mutexes = first.mutexes;
    EXPECT_TRUE(first.createNamedMutex("quorvexService"));
    EXPECT_EQ(first.lastError(), kErrorSuccess);
    EXPECT_TRUE(second.createNamedMutex("quorvexService"));
    EXPECT_EQ(second.lastError(), kErrorAlreadyExists);
    EXPECT_FALSE(second.createNamedMutex("a\\b"));
}

}  // namespace
}  // namespace qv::testing
