// qvconfig against real executables: this test program carries the shipped launch configuration
// itself, and every case works on a copy of it. What the copy carries is read back the way the
// launcher reads it (FindResourceExA by ID, language 0x0400) and through the version API.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ansi_text.h"
#include "commands.h"
#include "pe_image.h"
#include "quorvex/launch_config.h"
#include "resource_file.h"
#include "system_text.h"
#include "windows/unique_handle.h"
#include "windows_file_system.h"

namespace {

using quorvex::launch_config::kValues;
using quorvex::launch_config::Value;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr WORD kValueLanguage = 0x0400;
constexpr WORD kVersionLanguage = 0x0409;

std::string selfPath() {
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void unmapImage(HMODULE module) {
    FreeLibrary(module);
}

// The executable mapped as data, for reading its resources.
class Image {
  public:
    explicit Image(const std::string& path)
        : module_(LoadLibraryExA(path.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}

    bool ok() const { return module_.valid(); }

    std::optional<std::string> resource(LPCSTR type, WORD id, WORD language) const {
        HRSRC found = FindResourceExA(module_.get(), type, MAKEINTRESOURCEA(id), language);
        if (found == nullptr) {
            return std::nullopt;
        }
        HGLOBAL loaded = LoadResource(module_.get(), found);
        const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (data == nullptr) {
            return std::nullopt;
        }
        return std::string(static_cast<const char*>(data), SizeofResource(module_.get(), found));
    }

  private:
    qv::windows::UniqueHandle<HMODULE, decltype(&unmapImage), &unmapImage> module_;
};

// Everything of interest an executable carries: the configuration values by ID (IDs 1 to 200),
// the icon, the icon group and the version block.
struct Carried {
    std::map<int, std::string> values;
    std::optional<std::string> icon;
    std::optional<std::string> iconGroup;
    std::optional<std::string> version;
};

Carried carriedBy(const std::string& path) {
    constexpr WORD kHighestId = 200;
    Carried c;
    Image image(path);
    EXPECT_TRUE(image.ok()) << path;
    if (!image.ok()) {
        return c;
    }
    for (WORD id = 1; id <= kHighestId; ++id) {
        if (auto bytes = image.resource(RT_RCDATA, id, kValueLanguage)) {
            c.values[id] = *bytes;
        }
    }
    c.icon = image.resource(RT_ICON, 1, kValueLanguage);
    c.iconGroup = image.resource(RT_GROUP_ICON, 1, kValueLanguage);
    c.version = image.resource(RT_VERSION, 1, kVersionLanguage);
    return c;
}

// A value's resource data: the text and its NUL.
std::string withNul(const std::string& text) {
    return text + std::string(1, '\0');
}

std::map<int, std::string> shippedValues() {
    std::map<int, std::string> values;
    for (const Value& v : kValues) {
        if (v.shipped) {
            values[v.id] =
                withNul(std::string(v.shippedText, static_cast<std::size_t>(v.shippedLength)));
        }
    }
    return values;
}

std::string versionString(const std::string& path, const char* name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) {
        return "<no version block>";
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) {
        return "<unreadable version block>";
    }
    const std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
    char* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length)) {
        return "<missing>";
    }
    return length == 0 ? std::string() : std::string(text);
}

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

// The real file system: the Windows API under test.
qvconfig::WindowsFileSystem windowsFiles;

Outcome qvconfig(std::vector<std::string> args) {
    Outcome r{};
    r.code = qvconfig::runCommand(windowsFiles, args, r.out, r.err);
    return r;
}

class QvconfigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name) {
            if (c == '/') {
                c = '_';
            }
        }
        CreateDirectoryA("qvconfig_work", nullptr);
        exe_ = "qvconfig_work\\" + name + ".exe";
        ASSERT_TRUE(CopyFileA(selfPath().c_str(), exe_.c_str(), FALSE)) << GetLastError();
    }
    void TearDown() override { DeleteFileA(exe_.c_str()); }

    std::string exe_;
};

TEST_F(QvconfigTest, TheBuildCarriesEveryShippedValueWithItsNulAndNothingElse) {
    const Carried c = carriedBy(exe_);
    EXPECT_EQ(c.values, shippedValues());
    // Value 16 exactly: 186 entries, 6253 characters, the NUL counted in the data.
    ASSERT_EQ(c.values.count(16), 1u);
    EXPECT_EQ(c.values.at(16).size(), 6254u);
    EXPECT_EQ(c.values.at(16).back(), '\0');
}

TEST_F(QvconfigTest, TheBuildCarriesTheIconAndTheVersionBlock) {
    const Carried c = carriedBy(exe_);
    ASSERT_TRUE(c.icon.has_value());
    ASSERT_TRUE(c.iconGroup.has_value());
    ASSERT_TRUE(c.version.has_value());
    // The icon image is the bitmap of config/quorvex.ico (after its 22-byte directory).
    const char* icoPath = std::getenv("QV_ICON_FILE");
    ASSERT_NE(icoPath, nullptr);
    const std::string ico = readFile(icoPath);
    ASSERT_GT(ico.size(), 22u);
    EXPECT_EQ(*c.icon, ico.substr(22));

    const std::pair<const char*, const char*> strings[] = {
        {"CompanyName", "Zarvel"},
        {"FileDescription", "quorvexservice"},
        {"InternalName", "quorvexservice"},
        {"FileVersion", "1.0.0"},
        {"ProductVersion", "1.0.0"},
        {"OriginalFilename", "QuorvexService.exe"},
        {"ProductName", "Zarvel-Quorvex integration service"},
        {"LegalTrademarks", ""},
    };
    for (const auto& [name, expected] : strings) {
        EXPECT_EQ(versionString(exe_, name), expected) << name;
    }

    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(exe_.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(
        GetFileVersionInfoA(exe_.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 0x04E4);
}

struct SetCase {
    const char* key;
    int id;
    std::string text;
};

class SetTest : public QvconfigTest, public ::testing::WithParamInterface<SetCase> {};

TEST_P(SetTest, ChangesThatValueOnlyAndKeepsEveryOtherResource) {
    const SetCase& p = GetParam();
    const Carried before = carriedBy(exe_);
    const Outcome r = qvconfig({"set", exe_, p.key, p.text});
    ASSERT_EQ(r.code, qvconfig::kExitOk) << r.err;
    EXPECT_THAT(r.out, HasSubstr("set: " + std::to_string(p.text.size()) + " characters"));

    const Carried after = carriedBy(exe_);
    std::map<int, std::string> expected = before.values;
    expected[p.id] = withNul(p.text);
    EXPECT_EQ(after.values, expected);
    EXPECT_EQ(after.icon, before.icon);
    EXPECT_EQ(after.iconGroup, before.iconGroup);
    EXPECT_EQ(after.version, before.version);

    const Outcome get = qvconfig({"get", exe_, std::to_string(p.id)});
    EXPECT_EQ(get.code, qvconfig::kExitOk);
    EXPECT_EQ(get.out, p.text + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Values, SetTest,
    ::testing::Values(SetCase{"10", 10, "Access control"},
                      SetCase{"error_title", 10, "Title with \"quotes\" and \\backslashes\\"},
                      SetCase{"23", 23, ""},                       // carried, but empty
                      SetCase{"31", 31, "true"},                   // not carried before
                      SetCase{"environment", 19, "A=1\tB=%A%;x"},  // tabs stay
                      SetCase{"010", 10, std::string(127, 't')},   // exactly its max
                      SetCase{"16", 16, std::string(32767, 'c')},  // exactly its max
                      SetCase{"19", 19, std::string(32766, 'e')},  // exactly its max
                      SetCase{"30", 30, std::string(19, '9')},     // exactly its max
                      SetCase{"21", 21, "https://www.example.org/java"}));

struct TooLongCase {
    const char* key;
    std::size_t length;
};

class TooLongTest : public QvconfigTest, public ::testing::WithParamInterface<TooLongCase> {};

TEST_P(TooLongTest, IsRefusedAndTheFileStaysAsItWas) {
    const TooLongCase& p = GetParam();
    const std::string bytesBefore = readFile(exe_);
    const Outcome r = qvconfig({"set", exe_, p.key, std::string(p.length, 'x')});
    EXPECT_EQ(r.code, qvconfig::kExitRefused);
    EXPECT_THAT(r.err, HasSubstr("the text has " + std::to_string(p.length)));
    EXPECT_THAT(r.err, HasSubstr("nothing changed"));
    EXPECT_EQ(readFile(exe_), bytesBefore);
}

INSTANTIATE_TEST_SUITE_P(Values, TooLongTest,
                         ::testing::Values(TooLongCase{"10", 128}, TooLongCase{"2", 128},
                                           TooLongCase{"1", 260}, TooLongCase{"22", 256},
                                           TooLongCase{"16", 32768}, TooLongCase{"19", 32767},
                                           TooLongCase{"101", 1024}, TooLongCase{"31", 20}));

TEST_F(QvconfigTest, RemoveTakesOutOneValueAndKeepsEverythingElse) {
    for (int id : {22, 16, 101, 8}) {
        SCOPED_TRACE(id);
        const Carried before = carriedBy(exe_);
        ASSERT_EQ(before.values.count(id), 1u);
        const Outcome r = qvconfig({"remove", exe_, std::to_string(id)});
        ASSERT_EQ(r.code, qvconfig::kExitOk) << r.err;
        EXPECT_THAT(r.out, HasSubstr("removed"));
        const Carried after = carriedBy(exe_);
        std::map<int, std::string> expected = before.values;
        expected.erase(id);
        EXPECT_EQ(after.values, expected);
        EXPECT_EQ(after.icon, before.icon);
        EXPECT_EQ(after.iconGroup, before.iconGroup);
        EXPECT_EQ(after.version, before.version);
        EXPECT_EQ(qvconfig({"get", exe_, std::to_string(id)}).code, qvconfig::kExitNotSet);
    }
    EXPECT_EQ(versionString(exe_, "ProductName"), "Zarvel-Quorvex integration service");
}

TEST_F(QvconfigTest, RemovingAValueThatIsNotSetChangesNothing) {
    const std::string bytesBefore = readFile(exe_);
    const Outcome r = qvconfig({"remove", exe_, "restart"});
    EXPECT_EQ(r.code, qvconfig::kExitOk);
    EXPECT_EQ(r.out, "value 31 (restart) was not set; nothing changed\n");
    EXPECT_EQ(readFile(exe_), bytesBefore);
}

TEST_F(QvconfigTest, ChangesOneAfterAnotherAccumulate) {
    ASSERT_EQ(qvconfig({"set", exe_, "2", "1.8"}).code, 0);
    ASSERT_EQ(qvconfig({"remove", exe_, "1"}).code, 0);
    ASSERT_EQ(qvconfig({"set", exe_, "2", "11"}).code, 0);
    ASSERT_EQ(qvconfig({"set", exe_, "13", "run --fast"}).code, 0);
    std::map<int, std::string> expected = shippedValues();
    expected.erase(1);
    expected[2] = withNul("11");
    expected[13] = withNul("run --fast");
    const Carried c = carriedBy(exe_);
    EXPECT_EQ(c.values, expected);
    EXPECT_TRUE(c.icon.has_value());
    EXPECT_TRUE(c.version.has_value());
}

TEST_F(QvconfigTest, GetGivesTheExactTextOrSaysItIsNotSet) {
    EXPECT_EQ(qvconfig({"get", exe_, "1"}).out, "..\\..\\gui\\jre\n");
    EXPECT_EQ(qvconfig({"get", exe_, "mutex_name"}).out, "quorvexService\n");
    const Outcome missing = qvconfig({"get", exe_, "29"});
    EXPECT_EQ(missing.code, qvconfig::kExitNotSet);
    EXPECT_EQ(missing.out, "");
    EXPECT_THAT(missing.err, HasSubstr("value 29 (local_runtime_64bit) is not set"));
}

TEST_F(QvconfigTest, ValuesTheLauncherDoesNotReadAreRefused) {
    const std::string bytesBefore = readFile(exe_);
    // A long key is quoted whole, not cut with the rest of its message.
    const std::string longKey(600, 'k');
    for (const std::string& key :
         {std::string("7"), std::string("0"), std::string("48"), std::string("99"),
          std::string("106"), std::string("65536"), std::string("nosuch"), std::string(),
          std::string("-1"), std::string("1x"), longKey}) {
        SCOPED_TRACE(key);
        for (const char* command : {"get", "set", "remove"}) {
            std::vector<std::string> args = {command, exe_, key};
            if (std::string(command) == "set") {
                args.push_back("x");
            }
            const Outcome r = qvconfig(args);
            EXPECT_EQ(r.code, qvconfig::kExitRefused) << command;
            EXPECT_EQ(r.err, "qvconfig: '" + key +
                                 "' is not a configuration value of QuorvexService (see "
                                 "'qvconfig table')\n");
        }
    }
    EXPECT_EQ(readFile(exe_), bytesBefore);
}

TEST_F(QvconfigTest, CommandLinesThatAreNotUnderstoodGiveTheUsage) {
    const std::vector<std::vector<std::string>> lines = {
        {},
        {"frobnicate", exe_},
        {"list"},
        {"list", exe_, "10"},
        {"get", exe_},
        {"set", exe_, "10"},
        {"set", exe_, "10", "a", "b"},
        {"set-file", exe_, "10"},
        {"remove", exe_},
        {"apply", exe_},
        {"table", "x"},
    };
    for (const auto& line : lines) {
        const Outcome r = qvconfig(line);
        EXPECT_EQ(r.code, qvconfig::kExitUsage) << ::testing::PrintToString(line);
        EXPECT_THAT(r.err, HasSubstr("Usage: qvconfig"));
    }
    // The problem is named whole, however long the word it quotes.
    const std::string word(600, 'w');
    const Outcome unknown = qvconfig({word, exe_});
    EXPECT_EQ(unknown.code, qvconfig::kExitUsage);
    EXPECT_EQ(unknown.err.rfind("qvconfig: unknown command '" + word + "'\n\nUsage: qvconfig", 0),
              0u);
    const Outcome help = qvconfig({"help"});
    EXPECT_EQ(help.code, qvconfig::kExitOk);
    EXPECT_THAT(help.out, HasSubstr("Exit codes:"));
}

TEST_F(QvconfigTest, FilesThatCannotBeUsedAreReportedWithTheSystemText) {
    const Outcome missing = qvconfig({"get", exe_ + ".absent", "10"});
    EXPECT_EQ(missing.code, qvconfig::kExitFile);
    EXPECT_THAT(missing.err, HasSubstr(exe_ + ".absent: failed opening the file: "));
    EXPECT_THAT(missing.err, HasSubstr("not"));  // the system's own text of the error

    // The system's text names the file itself, never a placeholder.
    const std::string notAnExe = exe_ + ".txt";
    writeFile(notAnExe, "just text\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"list", notAnExe},
          std::vector<std::string>{"set", notAnExe, "10", "x"}}) {
        const Outcome r = qvconfig(args);
        EXPECT_EQ(r.code, qvconfig::kExitFile);
        EXPECT_THAT(r.err, HasSubstr(notAnExe + ": failed reading the file: "));
        EXPECT_THAT(r.err, HasSubstr(notAnExe + " (no DOS header)\n"));
        EXPECT_THAT(r.err, Not(HasSubstr("%1")));
    }
    EXPECT_EQ(readFile(notAnExe), "just text\n");
    DeleteFileA(notAnExe.c_str());
}

// The folder of the test's copies holds nothing but the copies: no temporary file is left.
std::vector<std::string> workFolderFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("qvconfig_work\\*", &found);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

TEST_F(QvconfigTest, OtherProgramsAndLibrariesAreRefusedAndStayAsTheyWere) {
    struct Other {
        const char* variable;
        const char* detail;
    };
    // A library, and a program with a version block of its own (qvconfig itself).
    for (const Other& other : {Other{"QV_DLL_FILE", "(it is a DLL)"},
                               Other{"QV_OTHER_EXE_FILE", "(its version block names "}}) {
        SCOPED_TRACE(other.variable);
        const char* source = std::getenv(other.variable);
        ASSERT_NE(source, nullptr);
        const std::string copy = exe_ + ".other";
        ASSERT_TRUE(CopyFileA(source, copy.c_str(), FALSE)) << GetLastError();
        const std::string before = readFile(copy);
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"set", copy, "10", "x"},
              std::vector<std::string>{"remove", copy, "1"},
              std::vector<std::string>{"list", copy}}) {
            const Outcome r = qvconfig(args);
            EXPECT_EQ(r.code, qvconfig::kExitRefused) << r.err;
            EXPECT_THAT(r.err,
                        HasSubstr(copy + ": not a QuorvexService executable " + other.detail));
            EXPECT_THAT(r.err, HasSubstr("nothing changed"));
            EXPECT_EQ(r.out, "");
        }
        EXPECT_EQ(readFile(copy), before);
        DeleteFileA(copy.c_str());
    }
}

TEST_F(QvconfigTest, AFileInUseOrReadOnlyGetsTheSystemTextAndStaysAsItWas) {
    const std::string before = readFile(exe_);

    // A program that runs: its image is mapped and cannot be opened for writing.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION running{};
    std::string commandLine = "\"" + exe_ + "\" --gtest_list_tests";
    ASSERT_TRUE(CreateProcessA(exe_.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                               CREATE_SUSPENDED, nullptr, nullptr, &startup, &running))
        << GetLastError();
    const Outcome inUse = qvconfig({"set", exe_, "10", "changed"});
    TerminateProcess(running.hProcess, 1);
    WaitForSingleObject(running.hProcess, INFINITE);
    CloseHandle(running.hThread);
    CloseHandle(running.hProcess);
    EXPECT_EQ(inUse.code, qvconfig::kExitFile);
    EXPECT_THAT(inUse.err,
                HasSubstr(exe_ + ": failed opening the file for update: " +
                          qvconfig::systemErrorText(windowsFiles, ERROR_SHARING_VIOLATION, exe_)));
    EXPECT_EQ(readFile(exe_), before);

    ASSERT_TRUE(SetFileAttributesA(exe_.c_str(), FILE_ATTRIBUTE_READONLY));
    const Outcome readOnly = qvconfig({"remove", exe_, "22"});
    SetFileAttributesA(exe_.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(readOnly.code, qvconfig::kExitFile);
    EXPECT_THAT(readOnly.err,
                HasSubstr(exe_ + ": failed opening the file for update: " +
                          qvconfig::systemErrorText(windowsFiles, ERROR_ACCESS_DENIED, exe_) +
                          " (the file is read-only)"));
    EXPECT_EQ(readFile(exe_), before);
    EXPECT_EQ(workFolderFiles().size(), 1u);
}

TEST_F(QvconfigTest, AChangeKeepsTheSymbolTableAndLeavesNoTemporaryFile) {
    const std::string before = readFile(exe_);
    qvconfig::PeLayout was;
    ASSERT_EQ(qvconfig::readPeLayout(before, was), "");
    ASSERT_NE(was.symbolTableOffset, 0u) << "the test program is expected to be unstripped";
    const std::string symbols = before.substr(was.symbolTableOffset);

    // A long value makes the resource section grow, which moves every section behind it.
    const Outcome r = qvconfig({"set", exe_, "13", std::string(20000, 'a')});
    ASSERT_EQ(r.code, qvconfig::kExitOk) << r.err;
    const std::string after = readFile(exe_);
    qvconfig::PeLayout is;
    ASSERT_EQ(qvconfig::readPeLayout(after, is), "");
    EXPECT_GT(after.size(), before.size());
    ASSERT_NE(is.symbolTableOffset, 0u);
    EXPECT_EQ(after.substr(is.symbolTableOffset), symbols);
    EXPECT_EQ(workFolderFiles(), std::vector<std::string>{exe_.substr(exe_.find('\\') + 1)});
}

// 22 bytes of made-up certificate, made at run time so that the test program's own bytes (which
// the tests change copies of) do not hold them.
std::string certificateBytes() {
    std::string bytes;
    for (int i = 0; i < 22; ++i) {
        bytes += static_cast<char>('A' + (i * 7) % 26);
    }
    return bytes;
}

// Signs the executable's bytes the way a signing tool lays the signature out: the file padded to
// 8 bytes, a certificate table (one WIN_CERTIFICATE with a PKCS#7 type and made-up content)
// appended, and data directory 4 pointing at it. No real certificate: the table is what counts.
std::string withCertificateTable(std::string bytes) {
    qvconfig::PeLayout layout;
    if (qvconfig::readPeLayout(bytes, layout) != "" || layout.certificateField == 0) {
        return {};
    }
    bytes.resize((bytes.size() + 7) / 8 * 8, '\0');
    const std::uint32_t offset = static_cast<std::uint32_t>(bytes.size());
    constexpr std::uint32_t kTableSize = 32;             // 30 bytes of certificate, padded to 8
    std::string table("\x1E\0\0\0\x00\x02\x02\x00", 8);  // dwLength 30, revision 2.0, PKCS#7
    table += certificateBytes();
    table.resize(kTableSize, '\0');
    bytes += table;
    for (int i = 0; i < 4; ++i) {
        bytes[layout.certificateField + i] = static_cast<char>((offset >> (8 * i)) & 0xFF);
        bytes[layout.certificateField + 4 + i] = static_cast<char>((kTableSize >> (8 * i)) & 0xFF);
    }
    return bytes;
}

TEST_F(QvconfigTest, ASignedFileIsRefusedUnlessItsSignatureMayBeRemoved) {
    const std::string unsigned_ = readFile(exe_);
    const std::string signed_ = withCertificateTable(unsigned_);
    ASSERT_FALSE(signed_.empty()) << "the test program has no certificate directory";
    writeFile(exe_, signed_);

    // Reading is harmless; every change is refused and the file stays as it was.
    EXPECT_EQ(qvconfig({"get", exe_, "10"}).code, qvconfig::kExitOk);
    for (const std::vector<std::string>& change :
         {std::vector<std::string>{"set", exe_, "13", "x"},
          std::vector<std::string>{"remove", exe_, "10"}}) {
        const Outcome r = qvconfig(change);
        EXPECT_EQ(r.code, qvconfig::kExitRefused);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "qvconfig: " + exe_ +
                             ": the file is signed, and a change would leave a signature that "
                             "no longer verifies; nothing changed. To change it, give "
                             "--remove-signature before the command (the signature is removed) "
                             "and sign the file again.\n");
        EXPECT_EQ(readFile(exe_), signed_);
    }
    EXPECT_EQ(qvconfig({"--remove-signature", "get", exe_, "10"}).code, qvconfig::kExitUsage);

    const Outcome r = qvconfig({"--remove-signature", "set", exe_, "13", "x"});
    ASSERT_EQ(r.code, qvconfig::kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "value 13 (app_args) set: 1 characters\n"
              "signature removed: sign the file again\n");
    const std::string after = readFile(exe_);
    qvconfig::PeLayout is;
    ASSERT_EQ(qvconfig::readPeLayout(after, is), "");
    EXPECT_EQ(is.certificateOffset, 0u);
    EXPECT_EQ(is.certificateSize, 0u);
    EXPECT_EQ(after.find(certificateBytes()), std::string::npos);
    EXPECT_EQ(qvconfig({"get", exe_, "13"}).out, "x\n");
    // The file is unsigned now: the next change needs no word.
    EXPECT_EQ(qvconfig({"set", exe_, "13", "y"}).code, qvconfig::kExitOk);
}

// A small executable image in memory: headers, one section and a symbol table behind it.
std::string smallImage(std::uint32_t sectionSize, bool withSymbols) {
    constexpr std::uint32_t kPe = 0x40;
    constexpr std::uint32_t kSectionTable = kPe + 4 + 20;  // no optional header
    constexpr std::uint32_t kData = 0x200;
    std::string b(kData + sectionSize, '\0');
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        b[at] = static_cast<char>(v & 0xFF);
        b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    b[0] = 'M';
    b[1] = 'Z';
    put32(0x3C, kPe);
    b.replace(kPe, 4, std::string("PE\0\0", 4));
    put16(kPe + 6, 1);  // one section
    put32(kSectionTable + 16, sectionSize);
    put32(kSectionTable + 20, kData);
    if (withSymbols) {
        put32(kPe + 4 + 8, static_cast<std::uint32_t>(b.size()));
        put32(kPe + 4 + 12, 1);
        b += std::string(18, 's');               // one symbol
        b += std::string("\x09\0\0\0abcde", 9);  // the string table: its size, then text
    }
    return b;
}

TEST(PeImageTest, ASymbolTableDroppedOrLeftBehindByTheUpdateIsCarriedOver) {
    const std::string original = smallImage(0x200, true);
    const std::string symbols = original.substr(0x400);
    for (bool updateKeptTheOverlay : {false, true}) {
        SCOPED_TRACE(updateKeptTheOverlay);
        // The update made the section larger; the header still points at the old place, with
        // a count that no longer fits the table.
        std::string updated = smallImage(0x400, false);
        updated.replace(0x40 + 4 + 8, 8,
                        original.substr(0x40 + 4 + 8, 4) + std::string("\x05\0\0\0", 4));
        if (updateKeptTheOverlay) {
            updated += symbols;
        }
        ASSERT_EQ(qvconfig::carrySymbolTable(original, updated), "");
        qvconfig::PeLayout layout;
        ASSERT_EQ(qvconfig::readPeLayout(updated, layout), "");
        EXPECT_EQ(layout.symbolTableOffset, 0x600u);
        EXPECT_EQ(layout.symbolCount, 1u);
        EXPECT_EQ(updated.substr(0x600), symbols);
        EXPECT_EQ(updated.size(), 0x600u + symbols.size());
    }
    // Nothing to carry from a stripped image.
    std::string stripped = smallImage(0x400, false);
    const std::string unchanged = stripped;
    ASSERT_EQ(qvconfig::carrySymbolTable(smallImage(0x200, false), stripped), "");
    EXPECT_EQ(stripped, unchanged);
}

TEST(PeImageTest, APeHeaderInsideTheDosHeaderIsRefusedAndNothingIsCarried) {
    // PE headers at 0x16 (no sections: the overlay would start before the PE offset field at
    // 0x3C) and at 0x2A (the symbol count field would lie on the PE offset field): carrying the
    // symbol table into either would overwrite where the PE header is.
    const std::string original = smallImage(0x200, true);
    for (char pe : {'\x16', '\x2A'}) {
        SCOPED_TRACE(static_cast<int>(pe));
        std::string updated(0x80, '\0');
        updated[0] = 'M';
        updated[1] = 'Z';
        updated[0x3C] = pe;
        updated.replace(static_cast<std::size_t>(pe), 4, std::string("PE\0\0", 4));
        const std::string unchanged = updated;
        qvconfig::PeLayout layout;
        EXPECT_EQ(qvconfig::readPeLayout(updated, layout), "no PE header");
        EXPECT_EQ(qvconfig::carrySymbolTable(original, updated), "no PE header");
        EXPECT_EQ(updated, unchanged);
    }
}

TEST(PeImageTest, DamagedLayoutsAreNamed) {
    struct Case {
        const char* name;
        std::size_t at;
        std::string bytes;
        std::size_t keep;
        const char* problem;
    };
    const std::string sound = smallImage(0x200, true);
    const Case cases[] = {
        {"not MZ", 0, "XX", sound.size(), "no DOS header"},
        {"too short for a DOS header", 0, "", 63, "no DOS header"},
        {"PE offset past the end", 0x3C, std::string("\xF0\xFF\x00\x00", 4), sound.size(),
         "no PE header"},
        {"no PE signature", 0x40, "NE", sound.size(), "no PE header"},
        {"sections past the end", 0x46, std::string("\xFF\x00", 2), sound.size(),
         "the section table lies beyond the end of the file"},
        {"section data past the end", 0x40 + 24 + 16, std::string("\x00\x10\x00\x00", 4),
         sound.size(), "a section's data lies beyond the end of the file"},
        {"string table cut", 0, "", sound.size() - 3, "the symbol table's string table is damaged"},
        {"symbol table past the end", 0x40 + 4 + 12, std::string("\xFF\xFF\x00\x00", 4),
         sound.size(), "the symbol table lies beyond the end of the file"},
    };
    for (const Case& c : cases) {
        std::string bytes = sound.substr(0, c.keep);
        bytes.replace(c.at, c.bytes.size(), c.bytes);
        qvconfig::PeLayout layout;
        EXPECT_EQ(qvconfig::readPeLayout(bytes, layout), c.problem) << c.name;
    }
    qvconfig::PeLayout layout;
    EXPECT_EQ(qvconfig::readPeLayout(sound, layout), "");
}

TEST(AnsiTextTest, OnlyTextsTheCodePageHoldsExactlyAreTaken) {
    ASSERT_EQ(GetACP(), 1252u) << "the cases are written for Windows-1252";
    std::string text = "untouched";
    EXPECT_TRUE(qvconfig::toAnsi(L"Caf\u00e9 \u20ac", text));
    EXPECT_EQ(text, "Caf\xE9 \x80");
    EXPECT_TRUE(qvconfig::toAnsi(L"", text));
    EXPECT_EQ(text, "");
    text = "untouched";
    for (const wchar_t* word : {L"\u0414\u0432\u0435\u0440\u044c",  // Cyrillic
                                L"\u0142",                          // best fit would give "l"
                                L"a\U0001F600"}) {                  // outside the BMP
        EXPECT_FALSE(qvconfig::toAnsi(word, text));
        EXPECT_EQ(text, "untouched");
    }
}

TEST_F(QvconfigTest, SetFileTakesTheContentWithoutItsFinalLineEnds) {
    const std::string textFile = exe_ + ".value";
    writeFile(textFile, "JAVA_TOOL_OPTIONS=-Xss1m\tLOG_DIR=%EXEDIR%\\logs\r\n\r\n");
    const Outcome r = qvconfig({"set-file", exe_, "19", textFile});
    ASSERT_EQ(r.code, qvconfig::kExitOk) << r.err;
    EXPECT_EQ(carriedBy(exe_).values.at(19),
              withNul("JAVA_TOOL_OPTIONS=-Xss1m\tLOG_DIR=%EXEDIR%\\logs"));

    // A long class path from a file: exactly the max fits, one more does not.
    writeFile(textFile, std::string(32767, 'p') + "\n");
    EXPECT_EQ(qvconfig({"set-file", exe_, "16", textFile}).code, qvconfig::kExitOk);
    writeFile(textFile, std::string(32768, 'p') + "\n");
    EXPECT_EQ(qvconfig({"set-file", exe_, "16", textFile}).code, qvconfig::kExitRefused);
    // Line ends inside the text count: many of them do not hide a character after them.
    writeFile(textFile, std::string(32767, 'p') + std::string(20000, '\n') + "q");
    EXPECT_EQ(qvconfig({"set-file", exe_, "16", textFile}).code, qvconfig::kExitRefused);
    EXPECT_EQ(carriedBy(exe_).values.at(16).size(), 32768u);

    const Outcome missing = qvconfig({"set-file", exe_, "19", textFile + ".absent"});
    EXPECT_EQ(missing.code, qvconfig::kExitFile);
    EXPECT_THAT(missing.err, HasSubstr("cannot be read"));
    DeleteFileA(textFile.c_str());
}

TEST_F(QvconfigTest, TextsTheLauncherReadsDifferentlyAreStoredWithANote) {
    struct Case {
        const char* key;
        const char* text;
        bool note;
    };
    const Case cases[] = {
        {"31", "true", false}, {"31", "false", false}, {"31", "True", true},
        {"31", "true ", true}, {"30", "4", false},     {"30", "-2", false},
        {"30", "12abc", true}, {"30", "", true},       {"10", "True", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        const Outcome r = qvconfig({"set", exe_, c.key, c.text});
        EXPECT_EQ(r.code, qvconfig::kExitOk);
        EXPECT_EQ(r.err.find("note:") != std::string::npos, c.note) << r.err;
    }
}

TEST_F(QvconfigTest, ApplyMakesEveryListedChangeInOneGo) {
    const std::string changes = exe_ + ".changes";
    writeFile(changes,
              "# an integrator's re-branding\r\n"
              "set error_title Access Gate\r\n"
              "\n"
              "set 19 A=1\tB=two words\n"
              "remove 22\n"
              "set 23 \n"
              "set 31 True\n"
              "remove 29\n");
    const Outcome r = qvconfig({"apply", exe_, changes});
    ASSERT_EQ(r.code, qvconfig::kExitOk) << r.err;
    EXPECT_EQ(r.out, "6 change(s) applied\n");
    EXPECT_THAT(r.err, HasSubstr("note: value 31 (restart)"));
    std::map<int, std::string> expected = shippedValues();
    expected[10] = withNul("Access Gate");
    expected[19] = withNul("A=1\tB=two words");
    expected.erase(22);
    expected[23] = withNul("");
    expected[31] = withNul("True");
    const Carried c = carriedBy(exe_);
    EXPECT_EQ(c.values, expected);
    EXPECT_TRUE(c.icon.has_value());
    EXPECT_TRUE(c.version.has_value());
    DeleteFileA(changes.c_str());
}

TEST_F(QvconfigTest, ApplyWithOneBadLineChangesNothing) {
    const std::string changes = exe_ + ".changes";
    const std::pair<std::string, std::string> cases[] = {
        {"set 10 ok\nset 10 " + std::string(128, 'x') + "\n",
         ":2: value 10 (error_title) may hold"},
        {"remove 22\nset 7 x\n", ":2: '7' is not a configuration value"},
        {"set 10 ok\nclear 10\n", ":2: expected 'set VALUE TEXT' or 'remove VALUE'"},
        {"remove 22 now\n", ":1: expected"},
        {"set\n", ":1: expected"},
        // A key is quoted whole, its control bytes shown: a NUL does not end it early (which
        // made it name a value that exists) and a CR does not hide the start of the message.
        {std::string("remove 1\0x\r\r\n", 13),
         ":1: '1\\x00x\\x0D' is not a configuration value of QuorvexService; nothing changed\n"},
        {"remove " + std::string(600, 'k') + "\n",
         ":1: '" + std::string(600, 'k') +
             "' is not a configuration value of QuorvexService; nothing changed\n"},
    };
    const std::string bytesBefore = readFile(exe_);
    for (const auto& [content, message] : cases) {
        SCOPED_TRACE(content);
        writeFile(changes, content);
        const Outcome r = qvconfig({"apply", exe_, changes});
        EXPECT_EQ(r.code, qvconfig::kExitRefused);
        EXPECT_THAT(r.err, HasSubstr(changes + message));
        EXPECT_THAT(r.err, HasSubstr("nothing changed"));
        EXPECT_EQ(readFile(exe_), bytesBefore);
    }
    DeleteFileA(changes.c_str());
}

TEST_F(QvconfigTest, ListShowsEveryCarriedValueInIdOrder) {
    ASSERT_EQ(qvconfig({"set", exe_, "19", "A=1\tB=2"}).code, 0);
    const Outcome r = qvconfig({"list", exe_});
    ASSERT_EQ(r.code, qvconfig::kExitOk) << r.err;
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = r.out.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(r.out.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), 1 + shippedValues().size() + 1);
    EXPECT_EQ(lines[1], "1     local_runtime              13  ..\\..\\gui\\jre");
    EXPECT_THAT(r.out,
                HasSubstr("16    class_path               6253  lib\\quorvexservice-1.0.0.jar;"
                          "lib\\spring-boot-2.7.18.jar;lib\\...\n"));
    EXPECT_THAT(r.out, HasSubstr("19    environment                 7  A=1\\tB=2\n"));
    EXPECT_THAT(r.out, HasSubstr("20    reserved_20                 2  32\n"));
    EXPECT_EQ(lines.back().rfind("105   msg_instance_running", 0), 0u);
}

// --- export and diff ---------------------------------------------------------------------------

Outcome exportTo(const std::string& exe, const std::string& file, bool all = false) {
    std::vector<std::string> args = {"export"};
    if (all) {
        args.push_back("--all");
    }
    args.push_back(exe);
    args.push_back(file);
    return qvconfig(args);
}

// A second copy of the test program, fresh: the build as shipped.
class ExportTest : public QvconfigTest {
  protected:
    void SetUp() override {
        QvconfigTest::SetUp();
        fresh_ = exe_ + ".fresh.exe";
        ASSERT_TRUE(CopyFileA(selfPath().c_str(), fresh_.c_str(), FALSE)) << GetLastError();
        file_ = exe_ + ".export";
    }
    void TearDown() override {
        DeleteFileA(fresh_.c_str());
        DeleteFileA(file_.c_str());
        QvconfigTest::TearDown();
    }

    std::string fresh_;
    std::string file_;
};

struct TextCase {
    const char* name;
    const char* key;
    int id;
    std::string text;
    const char* form;  // the start of the exported line
};

class ExportTextTest : public ExportTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(ExportTextTest, SurvivesExportAndApplyByteForByte) {
    const TextCase& p = GetParam();
    ASSERT_EQ(qvconfig({"set", exe_, p.key, p.text}).code, qvconfig::kExitOk);
    const Outcome exported = exportTo(exe_, file_);
    ASSERT_EQ(exported.code, qvconfig::kExitOk) << exported.err;
    EXPECT_EQ(exported.out, "1 change(s) written to " + file_ + "\n");
    const std::string file = readFile(file_);
    EXPECT_THAT(file, HasSubstr(std::string("\r\n") + p.form));
    // One comment line and one change, whatever the text holds.
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 2);

    const Outcome applied = qvconfig({"apply", fresh_, file_});
    ASSERT_EQ(applied.code, qvconfig::kExitOk) << applied.err;
    EXPECT_EQ(applied.out, "1 change(s) applied\n");
    EXPECT_EQ(carriedBy(fresh_).values, carriedBy(exe_).values);
    EXPECT_EQ(carriedBy(fresh_).values.at(p.id), withNul(p.text));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ExportTextTest,
    ::testing::Values(
        TextCase{"line_ends", "19", 19, "A=1\nB=2\r\nC=3\r", "set-escaped environment A=1\\nB=2"},
        TextCase{"tab", "19", 19, "A=1\tB=2", "set environment A=1\tB=2\r\n"},
        TextCase{"ansi_bytes", "10", 10, "Caf\xE9 \x80\xFF",
                 "set error_title Caf\xE9 \x80\xFF\r\n"},
        TextCase{"ansi_bytes_with_a_line_end", "10", 10, "\xE9\n\xFF",
                 "set-escaped error_title \xE9\\n\xFF\r\n"},
        TextCase{"empty", "23", 23, "", "set mutex_name \r\n"},
        TextCase{"backslashes_as_they_stand", "1", 1, "C:\\new\\tools\\x41",
                 "set local_runtime C:\\new\\tools\\x41\r\n"},
        TextCase{"backslashes_beside_a_line_end", "12", 12, "-Da=C:\\new\n-Db=\\\\srv",
                 "set-escaped jvm_options -Da=C:\\\\new\\n-Db=\\\\\\\\srv\r\n"},
        TextCase{"other_control_bytes", "13", 13, std::string("a\x01\x1F\x7F b", 6),
                 "set-escaped app_args a\\x01\\x1F\\x7F b\r\n"},
        TextCase{"blanks_and_hash", "13", 13, "  #not a comment  ",
                 "set app_args   #not a comment  \r\n"},
        TextCase{"the_max", "16", 16, std::string(32767, 'c'), "set class_path ccc"},
        TextCase{"the_max_of_line_ends", "16", 16, std::string(32767, '\n'),
                 "set-escaped class_path \\n\\n"},
        TextCase{"the_max_of_bytes_above_0x7F", "19", 19, std::string(32766, '\xA0'),
                 "set environment \xA0\xA0"}),
    [](const ::testing::TestParamInfo<TextCase>& c) { return std::string(c.param.name); });

TEST_F(ExportTest, WritesWhatDiffersFromTheShippedValuesAndNothingElse) {
    // As shipped: nothing but the comment line.
    Outcome r = qvconfig({"export", exe_});
    ASSERT_EQ(r.code, qvconfig::kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "# qvconfig export: the configuration values that differ from this release's "
              "shipped ones, of " +
                  exe_ + "\r\n");
    EXPECT_EQ(r.err, "");

    // Changed, added, removed, and a value set to its shipped text again.
    writeFile(file_,
              "set error_title Access Gate\n"
              "set 31 true\n"
              "remove 22\n"
              "set 8 .\n");
    ASSERT_EQ(qvconfig({"apply", exe_, file_}).code, qvconfig::kExitOk);
    r = qvconfig({"export", exe_});
    ASSERT_EQ(r.code, qvconfig::kExitOk) << r.err;
    EXPECT_EQ(r.out.substr(r.out.find("\r\n") + 2),
              "set error_title Access Gate\r\n"
              "remove support_url\r\n"
              "set restart true\r\n");
}

TEST_F(ExportTest, AllWritesEveryValueAndGivesTheSameConfigurationOnAnyBuild) {
    writeFile(file_,
              "set 10 Gate\n"
              "remove 1\n"
              "set 37 app.Service.stop\n");
    ASSERT_EQ(qvconfig({"apply", exe_, file_}).code, qvconfig::kExitOk);
    const Outcome r = exportTo(exe_, file_, true);
    ASSERT_EQ(r.code, qvconfig::kExitOk) << r.err;
    EXPECT_EQ(r.out, std::to_string(std::size(kValues)) + " change(s) written to " + file_ + "\n");
    const std::string file = readFile(file_);
    EXPECT_THAT(file, HasSubstr("\r\nremove local_runtime\r\n"));
    EXPECT_THAT(file, HasSubstr("\r\nset error_title Gate\r\n"));
    EXPECT_THAT(file, HasSubstr("\r\nset mutex_name quorvexService\r\n"));
    EXPECT_THAT(file, HasSubstr("\r\nremove java_min_version\r\n"));

    // The other build carries changes of its own: they all give way.
    ASSERT_EQ(qvconfig({"set", fresh_, "2", "1.8"}).code, qvconfig::kExitOk);
    ASSERT_EQ(qvconfig({"set", fresh_, "1", "jre"}).code, qvconfig::kExitOk);
    ASSERT_EQ(qvconfig({"apply", fresh_, file_}).code, qvconfig::kExitOk);
    EXPECT_EQ(carriedBy(fresh_).values, carriedBy(exe_).values);
    EXPECT_EQ(qvconfig({"diff", exe_, fresh_}).code, qvconfig::kExitOk);
}

TEST_F(ExportTest, AFileOfAnotherReleaseIsExportedAgainstThisReleasesShippedValues) {
    // An older build: another jar, a value this release no longer reads (ID 24) and one it reads
    // in another language.
    qvconfig::Executable exe;
    qvconfig::FileError e;
    ASSERT_TRUE(qvconfig::readExecutable(windowsFiles, exe_, exe, e)) << e.detail;
    std::vector<qvconfig::Resource> resources = exe.resources;
    for (qvconfig::Resource& r : resources) {
        if (r.type == qvconfig::ResourceKey::integer(10) && r.name.id == 14) {
            r.bytes = withNul(".\\lib\\quorvexservice-0.9.0.jar");
        }
    }
    resources.push_back({qvconfig::ResourceKey::integer(10), qvconfig::ResourceKey::integer(24),
                         kValueLanguage, withNul("old")});
    resources.push_back({qvconfig::ResourceKey::integer(10), qvconfig::ResourceKey::integer(10),
                         0x0409, withNul("English title")});
    ASSERT_TRUE(
        qvconfig::writeResources(windowsFiles, exe_, exe, resources, qvconfig::Signature::Keep, e))
        << e.detail;

    const Outcome r = qvconfig({"export", exe_});
    ASSERT_EQ(r.code, qvconfig::kExitOk) << r.err;
    EXPECT_EQ(r.out.substr(r.out.find("\r\n") + 2),
              "set jar_path .\\lib\\quorvexservice-0.9.0.jar\r\n");
    EXPECT_THAT(r.err, HasSubstr("qvconfig: note: " + exe_ +
                                 ": the resource RCDATA 24 (language 0x0400) is not a "
                                 "configuration value the launcher reads\n"));
    EXPECT_THAT(r.err, HasSubstr("RCDATA 10 (language 0x0409) is not a configuration value"));
}

TEST_F(ExportTest, ATextLongerThanThisReleaseAllowsIsNotExported) {
    qvconfig::Executable exe;
    qvconfig::FileError e;
    ASSERT_TRUE(qvconfig::readExecutable(windowsFiles, exe_, exe, e)) << e.detail;
    std::vector<qvconfig::Resource> resources = exe.resources;
    resources.push_back({qvconfig::ResourceKey::integer(10), qvconfig::ResourceKey::integer(2),
                         kValueLanguage, withNul(std::string(128, '1'))});
    ASSERT_TRUE(
        qvconfig::writeResources(windowsFiles, exe_, exe, resources, qvconfig::Signature::Keep, e))
        << e.detail;
    const Outcome r = exportTo(exe_, file_);
    EXPECT_EQ(r.code, qvconfig::kExitRefused);
    EXPECT_EQ(r.err, "qvconfig: " + exe_ +
                         ": value 2 (java_min_version) may hold at most 127 characters; the text "
                         "has 128, so no apply file can carry it; nothing exported\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(GetFileAttributesA(file_.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ExportTest, ProblemsAreReportedWithTheirExitCodes) {
    const Outcome unwritable = exportTo(exe_, exe_ + ".absent\\folder\\x.txt");
    EXPECT_EQ(unwritable.code, qvconfig::kExitFile);
    EXPECT_EQ(unwritable.err, "qvconfig: " + exe_ + ".absent\\folder\\x.txt: cannot be written\n");
    const Outcome missing = qvconfig({"export", exe_ + ".absent"});
    EXPECT_EQ(missing.code, qvconfig::kExitFile);
    EXPECT_THAT(missing.err, HasSubstr(exe_ + ".absent: failed opening the file: "));
    const char* dll = std::getenv("QV_DLL_FILE");
    ASSERT_NE(dll, nullptr);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"export", dll}, std::vector<std::string>{"diff", exe_, dll},
          std::vector<std::string>{"diff", dll, exe_}}) {
        const Outcome r = qvconfig(args);
        EXPECT_EQ(r.code, qvconfig::kExitRefused);
        EXPECT_THAT(r.err, HasSubstr("not a QuorvexService executable (it is a DLL)"));
        EXPECT_EQ(r.out, "");
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"export"}, std::vector<std::string>{"export", "--all"},
          std::vector<std::string>{"export", exe_, "a", "b"},
          std::vector<std::string>{"export", "--all", exe_, "a", "b"},
          std::vector<std::string>{"diff", exe_},
          std::vector<std::string>{"diff", exe_, "a", "b"}}) {
        const Outcome r = qvconfig(args);
        EXPECT_EQ(r.code, qvconfig::kExitUsage) << ::testing::PrintToString(args);
        EXPECT_THAT(r.err, HasSubstr("Usage: qvconfig"));
    }
}

TEST_F(ExportTest, OldApplyFilesReadTheSameAndEscapesAreChecked) {
    // A plain "set" keeps its backslashes and its text as it stands, as it always did.
    writeFile(file_, "set 1 C:\\new\\x41\\t\r\nset 13 a\\nb  \n");
    ASSERT_EQ(qvconfig({"apply", exe_, file_}).code, qvconfig::kExitOk);
    EXPECT_EQ(carriedBy(exe_).values.at(1), withNul("C:\\new\\x41\\t"));
    EXPECT_EQ(carriedBy(exe_).values.at(13), withNul("a\\nb  "));

    const std::string before = readFile(exe_);
    const std::pair<std::string, std::string> bad[] = {
        {"set-escaped 10 a\\qb\n",
         ":1: a backslash in a set-escaped text must start \\\\, \\t, \\n, \\r or \\xHH; nothing "
         "changed\n"},
        {"set 10 ok\nset-escaped 10 a\\x4\n", ":2: a backslash in a set-escaped text must start"},
        {"set-escaped 10 a\\\n", ":1: a backslash in a set-escaped text must start"},
        {"set-escaped 10 a\\x00b\n",
         ":1: the text holds a NUL byte, which would end value 10 (error_title) early"},
        {"set-escaped 10 " + std::string(128, 'x') + "\n", ":1: value 10 (error_title) may hold"},
        {"set-escaped\n", ":1: expected 'set VALUE TEXT' or 'remove VALUE'"},
    };
    for (const auto& [content, message] : bad) {
        SCOPED_TRACE(content);
        writeFile(file_, content);
        const Outcome r = qvconfig({"apply", exe_, file_});
        EXPECT_EQ(r.code, qvconfig::kExitRefused);
        EXPECT_THAT(r.err, HasSubstr(file_ + message));
        EXPECT_EQ(readFile(exe_), before);
    }
    // 127 characters written with escapes fit a value of 127.
    writeFile(file_, "set-escaped 10 " + std::string(126, 'x') + "\\x41\n");
    ASSERT_EQ(qvconfig({"apply", exe_, file_}).code, qvconfig::kExitOk);
    EXPECT_EQ(carriedBy(exe_).values.at(10), withNul(std::string(126, 'x') + "A"));
}

TEST_F(ExportTest, DiffListsOneLineAValueAndExitsOneWhenTheyDiffer) {
    Outcome r = qvconfig({"diff", exe_, fresh_});
    EXPECT_EQ(r.code, qvconfig::kExitOk);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");

    writeFile(file_,
              "set error_title Access Gate\n"
              "remove 22\n"
              "set-escaped 19 A=1\\tB=2\\nC\n"
              "set 31 true\n");
    ASSERT_EQ(qvconfig({"apply", fresh_, file_}).code, qvconfig::kExitOk);
    // A long class path that differs near its end is shown around the difference.
    const std::string classPath = carriedBy(exe_).values.at(16);
    ASSERT_EQ(qvconfig({"set", fresh_, "16", classPath.substr(0, 6240) + "X.jar"}).code,
              qvconfig::kExitOk);
    r = qvconfig({"diff", exe_, fresh_});
    EXPECT_EQ(r.code, qvconfig::kExitDiffer);
    EXPECT_EQ(r.out,
              "10    error_title           \"Zarvel-Quorvex integration service\" -> \"Access "
              "Gate\"\n"
              "16    class_path            \"..." +
                  classPath.substr(6220, 33) + "\" -> \"..." + classPath.substr(6220, 20) +
                  "X.jar\"\n"
                  "19    environment           (not set) -> \"A=1\\tB=2\\x0AC\"\n"
                  "22    support_url           \"https://support.zarvel.example/quorvex-service\" "
                  "-> (not set)\n"
                  "31    restart               (not set) -> \"true\"\n");
    r = qvconfig({"diff", fresh_, exe_});
    EXPECT_EQ(r.code, qvconfig::kExitDiffer);
    EXPECT_THAT(r.out, HasSubstr("31    restart               \"true\" -> (not set)\n"));
}

}  // namespace
