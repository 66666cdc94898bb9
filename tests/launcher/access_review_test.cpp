// The review of who may change what the service runs, on a table of access lists as Windows
// holds them (the fake machine hands them out as GetNamedSecurityInfo would; Wine enforces no
// permissions, so this is where the rules are tested).
#include "access_review.h"

#include "launcher_fixture.h"

#include <functional>

namespace qv::testing {
namespace {

constexpr std::uint32_t kFullControl = 0x001F01FF;
constexpr std::uint32_t kModify = 0x001301BF;
constexpr std::uint32_t kReadAndExecute = 0x001200A9;
constexpr std::uint32_t kAddFile = 0x0002;       // FILE_ADD_FILE / FILE_WRITE_DATA
constexpr std::uint32_t kAddSubfolder = 0x0004;  // FILE_ADD_SUBDIRECTORY
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kWriteDac = 0x00040000;
constexpr const char* kSystem = "S-1-5-18";
constexpr const char* kAdministrators = "S-1-5-32-544";
constexpr const char* kUsers = "S-1-5-32-545";
constexpr const char* kAuthenticatedUsers = "S-1-5-11";
constexpr const char* kEveryone = "S-1-1-0";
constexpr const char* kCreatorOwner = "S-1-3-0";
constexpr const char* kTrustedInstaller =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr const char* kSomeUser = "S-1-5-21-1-2-3-1005";

// The access list of a folder that only administrators and the system may change, with more.
AccessList adminsOnlyAnd(std::vector<AccessEntry> more, const char* owner = kAdministrators) {
    AccessList list{owner,
                    true,
                    {{true, false, kFullControl, kSystem},
                     {true, false, kFullControl, kAdministrators},
                     {true, false, kReadAndExecute, kUsers}}};
    list.entries.insert(list.entries.end(), more.begin(), more.end());
    return list;
}

// An install below C:\Quorvex, with the runtime and a class path below it.
struct Install : LauncherOnMachine {
    Install() {
        machine.addDirectory("C:\\Quorvex\\svc\\bin");
        machine.addFile("C:\\Quorvex\\svc\\bin\\QuorvexService.exe", "MZ");
        machine.addFile("C:\\Quorvex\\svc\\bin\\QuorvexService.mvk.ini", "-Xss1m");
        machine.addFile("C:\\Quorvex\\jre\\bin\\client\\jvm.dll", "MZ");
        machine.addFile("C:\\Quorvex\\svc\\lib\\app.jar", "PK");
        // C:\ as Windows sets it up: users may add folders there, and change what they hold.
        machine.setAccessList("C:\\",
                              adminsOnlyAnd({{true, false, kAddSubfolder, kAuthenticatedUsers},
                                             {true, true, kModify, kAuthenticatedUsers}}));
        (void)state->search.javaHome.assign("C:\\Quorvex\\jre");
        (void)state->launcherArgs.assign("-Djava.class.path=..\\lib\\app.jar app.Main");
        (void)state->mainClass.assign("app.Main");
        machine.cwd = "C:\\Quorvex\\svc\\bin";
    }
    AccessReview review(std::string_view trusted = {}, bool asService = true) {
        return reviewAccess(machine, startPaths(ctx, kProgram), trusted, asService);
    }
    static constexpr const char* kProgram = "C:\\Quorvex\\svc\\bin\\QuorvexService.exe";
};

TEST(AccessReview, StartPathsCoverProgramOptionsRuntimeAndClassPath) {
    Install install;
    std::vector<std::string> paths;
    for (const ReviewedPath& p : startPaths(install.ctx, Install::kProgram)) {
        paths.push_back(p.path + (p.rights == kChangeRights ? "" : " (replace)"));
    }
    EXPECT_EQ(paths, (std::vector<std::string>{
                         "C:\\Quorvex\\svc\\bin",
                         "C:\\Quorvex\\svc (replace)",
                         "C:\\Quorvex (replace)",
                         "C:\\ (replace)",
                         "C:\\Quorvex\\svc\\bin\\QuorvexService.exe",
                         "C:\\Quorvex\\svc\\bin\\QuorvexService.mvk.ini",
                         "C:\\Quorvex\\jre",
                         "C:\\Quorvex\\jre\\bin",
                         "C:\\Quorvex\\jre\\bin\\client",
                         "C:\\Quorvex\\jre\\bin\\client\\jvm.dll",
                         "C:\\Quorvex\\svc\\bin\\..\\lib",
                         "C:\\Quorvex\\svc\\bin\\.. (replace)",
                         "C:\\Quorvex\\svc\\bin\\..\\lib\\app.jar",
                     }));
}

TEST(AccessReview, TableOfAccessLists) {
    struct Row {
        const char* name;
        std::string path;  // the path given the list
        AccessList list;
        std::vector<std::string> problems;  // "path | principal"
    };
    const std::string bin = "C:\\Quorvex\\svc\\bin";
    const Row rows[] = {
        {"as below Program Files", "C:\\Quorvex", adminsOnlyAnd({}), {}},
        {"unpacked below C:\\: Authenticated Users inherit Modify",
         "C:\\Quorvex\\svc\\bin",
         adminsOnlyAnd({{true, false, kModify, kAuthenticatedUsers}}),
         {bin + " | NT AUTHORITY\\Authenticated Users (S-1-5-11)"}},
        {"a folder above whose subfolders users may add to only",
         "C:\\Quorvex",
         adminsOnlyAnd({{true, false, kAddSubfolder, kUsers}}),
         {}},
        {"a folder above users may delete children of",
         "C:\\Quorvex",
         adminsOnlyAnd({{true, false, 0x0040, kUsers}}),
         {"C:\\Quorvex | BUILTIN\\Users (S-1-5-32-545)"}},
        {"users may add a file beside the program (a DLL)",
         "C:\\Quorvex\\svc\\bin",
         adminsOnlyAnd({{true, false, kAddFile, kUsers}}),
         {bin + " | BUILTIN\\Users (S-1-5-32-545)"}},
        {"everyone may write the options file",
         "C:\\Quorvex\\svc\\bin\\QuorvexService.mvk.ini",
         adminsOnlyAnd({{true, false, kGenericWrite, kEveryone}}),
         {bin + "\\QuorvexService.mvk.ini | Everyone (S-1-1-0)"}},
        {"a user may change the JVM library's access list",
         "C:\\Quorvex\\jre\\bin\\client\\jvm.dll",
         adminsOnlyAnd({{true, false, kWriteDac, kSomeUser}}),
         {"C:\\Quorvex\\jre\\bin\\client\\jvm.dll | S-1-5-21-1-2-3-1005"}},
        {"no access list at all",
         "C:\\Quorvex\\jre\\bin",
         AccessList{kAdministrators, false, {}},
         {"C:\\Quorvex\\jre\\bin | Everyone (S-1-1-0)"}},
        {"owned by a user, who may change its list",
         "C:\\Quorvex\\svc\\lib\\app.jar",
         adminsOnlyAnd({}, kSomeUser),
         {"C:\\Quorvex\\svc\\bin\\..\\lib\\app.jar | S-1-5-21-1-2-3-1005"}},
        {"for the objects inside only: they are reviewed themselves",
         bin,
         adminsOnlyAnd({{true, true, kFullControl, kUsers}}),
         {}},
        {"denied what the same entry allows",
         bin,
         adminsOnlyAnd({{false, false, kModify, kUsers}, {true, false, kModify, kUsers}}),
         {}},
        {"CREATOR OWNER and TrustedInstaller",
         bin,
         adminsOnlyAnd({{true, false, kFullControl, kCreatorOwner},
                        {true, false, kFullControl, kTrustedInstaller}}),
         {}},
        {"the service's own account",
         bin,
         adminsOnlyAnd({{true, false, kFullControl, "S-1-5-21-1-2-3-1001"}}),
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Install install;
        install.machine.administrator = false;
        install.machine.setAccessList(row.path, row.list);
        const AccessReview review = install.review();
        std::vector<std::string> found;
        for (const AccessProblem& p : review.problems) {
            found.push_back(p.path + " | " + p.principal);
        }
        EXPECT_EQ(found, row.problems);
        EXPECT_TRUE(review.unreadable.empty());
        EXPECT_TRUE(review.skipped.empty());
    }
}

// The process's own user is the service's account only in the service; in a check or an
// install it counts as an administrator only when the process is elevated.
TEST(AccessReview, OwnUserCountsForTheServiceOrAnElevatedProcess) {
    const std::pair<bool, bool> runs[] = {{true, false}, {false, true}, {false, false}};
    for (const auto& [asService, elevated] : runs) {
        Install install;
        install.machine.administrator = elevated;
        install.machine.setAccessList(
            "C:\\Quorvex\\svc\\bin",
            adminsOnlyAnd({{true, false, kFullControl, install.machine.processUserSid}}));
        const bool passes = asService || elevated;
        EXPECT_EQ(install.review({}, asService).passed(), passes) << asService << elevated;
    }
}

TEST(AccessReview, TrustedFoldersAreSkippedAndSaidSo) {
    Install install;
    install.machine.setAccessList("C:\\Quorvex\\svc\\bin",
                                  adminsOnlyAnd({{true, false, kModify, kAuthenticatedUsers}}));
    install.machine.setAccessList("C:\\Quorvex\\jre\\bin",
                                  adminsOnlyAnd({{true, false, kModify, kAuthenticatedUsers}}));
    const AccessReview review = install.review("c:\\quorvex\\SVC\\;D:\\other");
    ASSERT_EQ(review.problems.size(), 1u);
    EXPECT_EQ(review.problems[0].path, "C:\\Quorvex\\jre\\bin");
    EXPECT_EQ(describeReview(review),
              "C:\\Quorvex\\jre\\bin can be changed by NT AUTHORITY\\Authenticated Users "
              "(S-1-5-11).\n"
              "C:\\Quorvex\\svc\\bin is accepted as it is (value 46).\n"
              "C:\\Quorvex\\svc is accepted as it is (value 46).\n"
              "C:\\Quorvex\\svc\\bin\\QuorvexService.exe is accepted as it is (value 46).\n"
              "C:\\Quorvex\\svc\\bin\\QuorvexService.mvk.ini is accepted as it is (value 46).\n"
              "C:\\Quorvex\\svc\\bin\\..\\lib is accepted as it is (value 46).\n"
              "C:\\Quorvex\\svc\\bin\\.. is accepted as it is (value 46).\n"
              "C:\\Quorvex\\svc\\bin\\..\\lib\\app.jar is accepted as it is (value 46).\n");
}

TEST(AccessReview, AnUnreadableListIsAProblem) {
    Install install;
    install.machine.unreadableAccessLists.insert("c:\\quorvex\\jre");
    const AccessReview review = install.review();
    EXPECT_FALSE(review.passed());
    EXPECT_EQ(review.unreadable,
              std::vector<std::string>{"C:\\Quorvex\\jre: its access cannot be read: Access is "
                                       "denied."});
}

}  // namespace
}  // namespace qv::testing
