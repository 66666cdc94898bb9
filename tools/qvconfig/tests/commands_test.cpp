// qvconfig's whole commands on the host, on the in-memory file system: the exact output of each
// command and the exact bytes of every file it leaves, also when a call of the file system fails
// half-way through a change.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "memory_file_system.h"
#include "quorvex/launch_config.h"
#include "resource_file.h"

namespace {

using quorvex::launch_config::kValues;
using quorvex::launch_config::Value;
using qvconfig::Resource;
using qvconfig::ResourceKey;
using qvconfig::testing::MemoryFileSystem;
using qvconfig::testing::SeamCall;

constexpr std::uint16_t kValueLanguage = 0x0400;
constexpr std::uint16_t kVersionLanguage = 0x0409;
const std::string kExe = "C:\\work\\QuorvexService.exe";

Resource resource(std::uint16_t type, std::uint16_t id, std::uint16_t language, std::string bytes) {
    return Resource{ResourceKey::integer(type), ResourceKey::integer(id), language,
                    std::move(bytes)};
}

Resource value(int id, const std::string& text) {
    return resource(qvconfig::testing::kRtRcData, static_cast<std::uint16_t>(id), kValueLanguage,
                    text + std::string(1, '\0'));
}

// What a build carries: every shipped value with its NUL, the icon, the icon group and the
// version block.
std::vector<Resource> shippedResources(const std::string& originalName = "QuorvexService.exe") {
    std::vector<Resource> resources;
    for (const Value& v : kValues) {
        if (v.shipped) {
            resources.push_back(
                value(v.id, std::string(v.shippedText, static_cast<std::size_t>(v.shippedLength))));
        }
    }
    resources.push_back(resource(qvconfig::testing::kRtIcon, 1, kValueLanguage, "icon image"));
    resources.push_back(resource(qvconfig::testing::kRtGroupIcon, 1, kValueLanguage, "group"));
    resources.push_back(resource(qvconfig::testing::kRtVersion, 1, kVersionLanguage,
                                 qvconfig::testing::versionBlock(originalName)));
    return resources;
}

// `resources` with value `id` set to `text` (or removed, without a text).
std::vector<Resource> with(std::vector<Resource> resources, int id,
                           const std::optional<std::string>& text) {
    for (auto r = resources.begin(); r != resources.end(); ++r) {
        if (r->type == ResourceKey::integer(qvconfig::testing::kRtRcData) && r->name.id == id &&
            r->language == kValueLanguage) {
            resources.erase(r);
            break;
        }
    }
    if (text) {
        resources.push_back(value(id, *text));
    }
    return resources;
}

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

class CommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        shipped_ = qvconfig::testing::executableImage(shippedResources());
        files_.addFile(kExe, shipped_);
    }

    Outcome run(const std::vector<std::string>& args) {
        Outcome r{};
        r.code = qvconfig::runCommand(files_, args, r.out, r.err);
        return r;
    }

    MemoryFileSystem files_;
    std::string shipped_;
};

struct ChangeCase {
    const char* name;
    std::vector<std::string> args;  // after "EXE" is put in as the second word
    std::string out;
    std::string err;
    int id;
    std::optional<std::string> text;
};

class ChangeTest : public CommandsTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangeTest, RewritesTheFileWithThatValueOnlyAndLeavesNoOtherFile) {
    const ChangeCase& c = GetParam();
    std::vector<std::string> args = c.args;
    args.insert(args.begin() + 1, kExe);
    const Outcome r = run(args);
    EXPECT_EQ(r.code, qvconfig::kExitOk);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    // The whole file: every other resource as it was, the symbol table carried behind the
    // rewritten section.
    EXPECT_EQ(files_.fileContent(kExe),
              qvconfig::testing::executableImage(with(shippedResources(), c.id, c.text)));
    EXPECT_EQ(files_.filePaths(), std::vector<std::string>{kExe});
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ChangeTest,
    ::testing::Values(
        ChangeCase{"set_by_name",
                   {"set", "error_title", "Access Gate"},
                   "value 10 (error_title) set: 11 characters\n",
                   "",
                   10,
                   "Access Gate"},
        ChangeCase{"set_a_value_not_carried_with_a_note",
                   {"set", "31", "True"},
                   "value 31 (restart) set: 4 characters\n",
                   "qvconfig: note: value 31 (restart): the launcher reads this boolean as false: "
                   "only the exact text \"true\" is true\n",
                   31,
                   "True"},
        ChangeCase{"set_the_max",
                   {"set", "16", std::string(32767, 'c')},
                   "value 16 (class_path) set: 32767 characters\n",
                   "",
                   16,
                   std::string(32767, 'c')},
        ChangeCase{"set_empty",
                   {"set", "23", ""},
                   "value 23 (mutex_name) set: 0 characters\n",
                   "",
                   23,
                   ""},
        ChangeCase{"remove",
                   {"remove", "support_url"},
                   "value 22 (support_url) removed\n",
                   "",
                   22,
                   std::nullopt}),
    [](const ::testing::TestParamInfo<ChangeCase>& c) { return std::string(c.param.name); });

TEST_F(CommandsTest, RemovingAValueThatIsNotSetWritesNothing) {
    const Outcome r = run({"remove", kExe, "restart"});
    EXPECT_EQ(r.code, qvconfig::kExitOk);
    EXPECT_EQ(r.out, "value 31 (restart) was not set; nothing changed\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(files_.fileContent(kExe), shipped_);
    EXPECT_EQ(files_.faults.count(SeamCall::CreateTemporary), 0);
}

TEST_F(CommandsTest, ApplyAndSetFileTakeTheirTextFilesByteForByte) {
    files_.addFile("C:\\work\\site.txt",
                   "# re-branding\r\n"
                   "set error_title Access Gate\r\n"
                   "\n"
                   "set-escaped 19 A=1\\tB=2\\nC\n"
                   "remove 22\n"
                   "set 30 12abc\n");
    Outcome r = run({"apply", kExe, "site.txt"});
    EXPECT_EQ(r.code, qvconfig::kExitOk);
    EXPECT_EQ(r.out, "4 change(s) applied\n");
    EXPECT_EQ(r.err,
              "qvconfig: note: value 30 (runtime_bits): the launcher reads this integer up to the "
              "first character that is not a digit (0 when it starts with none)\n");
    std::vector<Resource> expected = with(shippedResources(), 10, "Access Gate");
    expected = with(expected, 19, "A=1\tB=2\nC");
    expected = with(expected, 22, std::nullopt);
    expected = with(expected, 30, "12abc");
    EXPECT_EQ(files_.fileContent(kExe), qvconfig::testing::executableImage(expected));

    files_.addFile("C:\\work\\path.txt", "lib\\a.jar;lib\\b.jar\r\n\r\n");
    r = run({"set-file", kExe, "class_path", "C:\\WORK\\PATH.TXT"});
    EXPECT_EQ(r.code, qvconfig::kExitOk);
    EXPECT_EQ(r.out, "value 16 (class_path) set: 19 characters\n");
    expected = with(expected, 16, "lib\\a.jar;lib\\b.jar");
    EXPECT_EQ(files_.fileContent(kExe), qvconfig::testing::executableImage(expected));
    EXPECT_EQ(files_.filePaths(),
              (std::vector<std::string>{"C:\\work\\path.txt", kExe, "C:\\work\\site.txt"}));

    // A bad line, a missing file, a file too large: nothing written.
    const std::string before = files_.fileContent(kExe);
    files_.addFile("C:\\work\\bad.txt", "set 10 ok\nset 7 x\n");
    r = run({"apply", kExe, "bad.txt"});
    EXPECT_EQ(r.code, qvconfig::kExitRefused);
    EXPECT_EQ(r.err,
              "qvconfig: bad.txt:2: '7' is not a configuration value of QuorvexService; nothing "
              "changed\n");
    r = run({"apply", kExe, "absent.txt"});
    EXPECT_EQ(r.code, qvconfig::kExitFile);
    EXPECT_EQ(r.err, "qvconfig: absent.txt: cannot be read\n");
    files_.addFile("C:\\work\\large.txt", std::string(1024 * 1024 + 1, 'x'));
    r = run({"set-file", kExe, "16", "large.txt"});
    EXPECT_EQ(r.code, qvconfig::kExitRefused);
    EXPECT_EQ(r.err,
              "qvconfig: large.txt is larger than any value may be (1048576 bytes); nothing "
              "changed\n");
    EXPECT_EQ(files_.fileContent(kExe), before);
    EXPECT_EQ(files_.faults.count(SeamCall::CreateTemporary), 2);
}

TEST_F(CommandsTest, ExportWritesTheApplyFileThatDiffAndApplyReadBack) {
    ASSERT_EQ(run({"set", kExe, "10", "Caf\xE9\n2"}).code, qvconfig::kExitOk);
    ASSERT_EQ(run({"remove", kExe, "22"}).code, qvconfig::kExitOk);
    const std::string comment =
        "# qvconfig export: the configuration values that differ from this release's shipped "
        "ones, of " +
        kExe + "\r\n";
    const std::string changes =
        "set-escaped error_title Caf\xE9\\n2\r\n"
        "remove support_url\r\n";
    Outcome r = run({"export", kExe});
    EXPECT_EQ(r.code, qvconfig::kExitOk);
    EXPECT_EQ(r.out, comment + changes);
    EXPECT_EQ(r.err, "");

    r = run({"export", kExe, "C:\\work\\out\\site.txt"});
    EXPECT_EQ(r.code, qvconfig::kExitFile);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "qvconfig: C:\\work\\out\\site.txt: cannot be written\n");
    files_.addFolder("C:\\work\\out");
    r = run({"export", kExe, "C:\\work\\out\\site.txt"});
    EXPECT_EQ(r.code, qvconfig::kExitOk);
    EXPECT_EQ(r.out, "2 change(s) written to C:\\work\\out\\site.txt\n");
    EXPECT_EQ(files_.fileContent("C:\\work\\out\\site.txt"), comment + changes);

    const std::string fresh = "C:\\work\\new\\QuorvexService.exe";
    files_.addFile(fresh, shipped_);
    r = run({"diff", kExe, fresh});
    EXPECT_EQ(r.code, qvconfig::kExitDiffer);
    EXPECT_EQ(r.out,
              "10    error_title           \"Caf\xE9\\x0A2\" -> \"Zarvel-Quorvex integration "
              "service\"\n"
              "22    support_url           (not set) -> "
              "\"https://support.zarvel.example/quorvex-service\"\n");
    EXPECT_EQ(r.err, "");
    r = run({"apply", fresh, "C:\\work\\out\\site.txt"});
    EXPECT_EQ(r.code, qvconfig::kExitOk);
    EXPECT_EQ(r.out, "2 change(s) applied\n");
    EXPECT_EQ(files_.fileContent(fresh), files_.fileContent(kExe));
    r = run({"diff", kExe, fresh});
    EXPECT_EQ(r.code, qvconfig::kExitOk);
    EXPECT_EQ(r.out, "");
}

TEST_F(CommandsTest, ListAndGetReadTheFileAndNameWhatTheLauncherDoesNotRead) {
    std::vector<Resource> resources = shippedResources();
    resources.push_back(resource(qvconfig::testing::kRtRcData, 24, kValueLanguage, "old"));
    resources.push_back(
        resource(qvconfig::testing::kRtRcData, 10, kVersionLanguage, std::string("English\0", 8)));
    files_.addFile(kExe, qvconfig::testing::executableImage(resources));
    Outcome r = run({"get", kExe, "mutex_name"});
    EXPECT_EQ(r.code, qvconfig::kExitOk);
    EXPECT_EQ(r.out, "quorvexService\n");
    r = run({"get", kExe, "31"});
    EXPECT_EQ(r.code, qvconfig::kExitNotSet);
    EXPECT_EQ(r.err, "qvconfig: " + kExe + ": value 31 (restart) is not set\n");
    r = run({"list", kExe});
    EXPECT_EQ(r.code, qvconfig::kExitOk);
    EXPECT_THAT(r.out,
                ::testing::HasSubstr(
                    "\n10    error_title                34  Zarvel-Quorvex integration service\n"
                    "10    error_title                 7  English  [language 0x0409: the "
                    "launcher reads only 0x0400]\n12    jvm_options"));
    EXPECT_THAT(r.out,
                ::testing::HasSubstr("\n23    mutex_name                 14  quorvexService\n"
                                     "24    (not read)                  3  old  [stored "
                                     "without its NUL]\n30    runtime_bits"));
    r = run({"export", kExe});
    EXPECT_EQ(r.err, "qvconfig: note: " + kExe +
                         ": the resource RCDATA 10 (language 0x0409) is not a configuration value "
                         "the launcher reads\n"
                         "qvconfig: note: " +
                         kExe +
                         ": the resource RCDATA 24 (language 0x0400) is not a configuration value "
                         "the launcher reads\n");
    EXPECT_EQ(files_.fileContent(kExe), qvconfig::testing::executableImage(resources));
}

TEST_F(CommandsTest, FilesThatAreNotAQuorvexServiceExecutableAreRefusedAsTheyAre) {
    struct Case {
        const char* name;
        std::string bytes;
        int code;
        std::string err;
    };
    const std::string path = "C:\\work\\other.exe";
    const Case cases[] = {
        {"a DLL", qvconfig::testing::executableImage(shippedResources(), true),
         qvconfig::kExitRefused,
         "qvconfig: " + path +
             ": not a QuorvexService executable (it is a DLL); nothing changed\n"},
        {"another program", qvconfig::testing::executableImage(shippedResources("qvconfig.exe")),
         qvconfig::kExitRefused,
         "qvconfig: " + path +
             ": not a QuorvexService executable (its version block names it qvconfig.exe); "
             "nothing changed\n"},
        {"a renamed copy in other case",
         qvconfig::testing::executableImage(shippedResources("QUORVEXSERVICE.EXE")),
         qvconfig::kExitOk, ""},
        {"no version block", qvconfig::testing::executableImage({value(10, "x")}),
         qvconfig::kExitRefused,
         "qvconfig: " + path +
             ": not a QuorvexService executable (its version block names no original file "
             "name); nothing changed\n"},
        {"a text", "just text\n", qvconfig::kExitFile,
         "qvconfig: " + path + ": failed reading the file: " + path +
             " is not a valid Win32 application (no DOS header)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files_.addFile(path, c.bytes);
        const Outcome r = run({"set", path, "10", "x"});
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err, c.err);
        if (c.code != qvconfig::kExitOk) {
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(files_.fileContent(path), c.bytes);
        }
    }
    const Outcome missing = run({"list", "C:\\work\\absent.exe"});
    EXPECT_EQ(missing.code, qvconfig::kExitFile);
    EXPECT_EQ(missing.err,
              "qvconfig: C:\\work\\absent.exe: failed opening the file: The system cannot find "
              "the file specified\n");
}

TEST_F(CommandsTest, AFileInUseOrReadOnlyIsRefusedWithTheSystemTextBeforeAnyWork) {
    files_.setInUse(kExe, true);
    Outcome r = run({"set", kExe, "10", "changed"});
    EXPECT_EQ(r.code, qvconfig::kExitFile);
    EXPECT_EQ(r.err, "qvconfig: " + kExe +
                         ": failed opening the file for update: The process cannot access the file "
                         "because it is being used by another process (the program runs: stop it "
                         "first, a service with \"sc stop\" and its name)\n");
    files_.setInUse(kExe, false);
    files_.setReadOnly(kExe, true);
    r = run({"remove", kExe, "22"});
    EXPECT_EQ(r.code, qvconfig::kExitFile);
    EXPECT_EQ(r.err, "qvconfig: " + kExe +
                         ": failed opening the file for update: Access is denied (the file is "
                         "read-only)\n");
    EXPECT_EQ(files_.fileContent(kExe), shipped_);
    EXPECT_EQ(files_.faults.count(SeamCall::CreateTemporary), 0);
    EXPECT_EQ(files_.filePaths(), std::vector<std::string>{kExe});
}

// One failing call of the file system half-way through a change: the message names the step and
// the system's text, the executable stays byte for byte as it was and no copy is left.
struct FailureCase {
    SeamCall kind;
    int index;
    std::uint32_t code;
    const char* message;
};

class FailureTest : public CommandsTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, LeavesTheExecutableAsItWas) {
    const FailureCase& c = GetParam();
    files_.faults.failKind = c.kind;
    files_.faults.failIndex = c.index;
    files_.faults.failCode = c.code;
    files_.addFile("C:\\work\\site.txt", "set 10 Gate\nremove 22\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"set", kExe, "10", "Gate"},
          std::vector<std::string>{"apply", kExe, "site.txt"}}) {
        SCOPED_TRACE(args[0]);
        files_.faults.calls = {};
        files_.faults.fired = false;
        const Outcome r = run(args);
        ASSERT_TRUE(files_.faults.fired);
        EXPECT_EQ(r.code, qvconfig::kExitFile);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "qvconfig: " + kExe + ": " + c.message + "\n");
        EXPECT_EQ(files_.fileContent(kExe), shipped_);
        EXPECT_EQ(files_.filePaths(), (std::vector<std::string>{kExe, "C:\\work\\site.txt"}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FailureTest,
    ::testing::Values(
        FailureCase{SeamCall::OpenForReading, 0, 5, "failed opening the file: Access is denied"},
        FailureCase{SeamCall::FileSize, 0, 5, "failed reading the file: Access is denied"},
        // A read that fails names its own cause, not the end of the file.
        FailureCase{SeamCall::FileRead, 0, 5, "failed reading the file: Access is denied"},
        FailureCase{SeamCall::OpenImage, 0, 2,
                    "failed opening the file: The system cannot find the file specified"},
        FailureCase{SeamCall::ReadResources, 0, 1812,
                    "failed reading a resource: The specified image file did not contain a "
                    "resource section"},
        FailureCase{SeamCall::WriteAccess, 0, 32,
                    "failed opening the file for update: The process cannot access the file "
                    "because it is being used by another process (the program runs: stop it first, "
                    "a service with \"sc stop\" and its name)"},
        FailureCase{SeamCall::CreateTemporary, 0, 5,
                    "failed creating a temporary copy beside it: Access is denied"},
        FailureCase{SeamCall::CreateForWriting, 0, 5,
                    "failed writing a temporary copy: Access is denied"},
        FailureCase{SeamCall::FileWrite, 0, 112,
                    "failed writing a temporary copy: There is not enough space on the disk"},
        FailureCase{SeamCall::BeginUpdate, 0, 5,
                    "failed updating a temporary copy: Access is denied"},
        FailureCase{SeamCall::AddResource, 3, 112,
                    "failed adding a resource: There is not enough space on the disk"},
        FailureCase{SeamCall::CommitUpdate, 0, 112,
                    "failed writing a temporary copy: There is not enough space on the disk"},
        // The copy read back after the update.
        FailureCase{SeamCall::OpenForReading, 1, 5, "failed opening the file: Access is denied"},
        FailureCase{SeamCall::FileRead, 1, 5, "failed reading the file: Access is denied"},
        // The copy written again with the symbol table carried over.
        FailureCase{SeamCall::CreateForWriting, 1, 32,
                    "failed writing a temporary copy: The process cannot access the file because "
                    "it is being used by another process"},
        FailureCase{SeamCall::FileWrite, 1, 112,
                    "failed writing a temporary copy: There is not enough space on the disk"},
        FailureCase{SeamCall::OpenImage, 1, 193,
                    "failed checking the updated copy: C:\\work\\QuorvexService.exe is not a "
                    "valid Win32 application"},
        FailureCase{SeamCall::ReadResources, 1, 13,
                    "failed checking the updated copy: The data is invalid"},
        FailureCase{SeamCall::Replace, 0, 5, "failed replacing the file: Access is denied"},
        // The program was started after the check: it runs now.
        FailureCase{SeamCall::Replace, 0, 32,
                    "failed replacing the file: The process cannot access the file because it is "
                    "being used by another process (the program runs: stop it first, a service "
                    "with \"sc stop\" and its name)"},
        // A code the system has no text for.
        FailureCase{SeamCall::Replace, 0, 1359, "failed replacing the file: Windows error 1359"}));

// Every call a change makes, failing in turn: each either fails the command with the file as it
// was, or (none today) is one the command can do without.
TEST_F(CommandsTest, EveryFailingCallOfAChangeLeavesTheFileAsItWas) {
    const std::vector<std::string> args = {"set", kExe, "19", "A=1"};
    ASSERT_EQ(run(args).code, qvconfig::kExitOk);
    const auto calls = files_.faults.calls;
    int points = 0;
    for (std::size_t kind = 0; kind < qvconfig::testing::kSeamCallKinds; ++kind) {
        for (int index = 0; index < calls[kind]; ++index) {
            SCOPED_TRACE(std::string(qvconfig::testing::seamCallName(static_cast<SeamCall>(kind))) +
                         " #" + std::to_string(index));
            files_.addFile(kExe, shipped_);
            files_.faults = {};
            files_.faults.failKind = static_cast<SeamCall>(kind);
            files_.faults.failIndex = index;
            files_.faults.failCode = qvconfig::testing::kErrorDiskFull;
            const Outcome r = run(args);
            EXPECT_TRUE(files_.faults.fired);
            EXPECT_EQ(r.code, qvconfig::kExitFile);
            EXPECT_THAT(r.err, ::testing::EndsWith(": There is not enough space on the disk\n"));
            EXPECT_EQ(files_.fileContent(kExe), shipped_);
            EXPECT_EQ(files_.filePaths(), std::vector<std::string>{kExe});
            ++points;
        }
    }
    // Read, probe, copy, update (each resource added), read back, write back, check, replace.
    const auto count = [&](SeamCall kind) { return calls[static_cast<std::size_t>(kind)]; };
    EXPECT_EQ(count(SeamCall::OpenForReading), 2);
    EXPECT_EQ(count(SeamCall::CreateForWriting), 2);
    EXPECT_EQ(count(SeamCall::OpenImage), 2);
    EXPECT_EQ(count(SeamCall::AddResource), static_cast<int>(shippedResources().size()) + 1);
    EXPECT_EQ(count(SeamCall::CommitUpdate), 1);
    EXPECT_EQ(count(SeamCall::Replace), 1);
    EXPECT_EQ(points, std::accumulate(calls.begin(), calls.end(), 0));
}

}  // namespace
