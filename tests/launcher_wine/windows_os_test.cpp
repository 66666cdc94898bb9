// The launcher's seam on the real Windows API (under Wine): each member against what Windows
// itself does, with the resources this test program carries (the shipped configuration).
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "quorvex/launch_config.h"
#include "windows_os.h"

namespace {

using ::testing::HasSubstr;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

class WindowsOsTest : public ::testing::Test {
  protected:
    qv::WindowsOs os;
};

TEST_F(WindowsOsTest, ModuleAndResourcesAreTheRunningProgramsOwn) {
    const qv::ModuleHandle module = os.programModule();
    ASSERT_NE(module, nullptr);
    std::string path;
    ASSERT_TRUE(os.moduleFileName(module, path));
    char expected[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, expected, MAX_PATH);
    EXPECT_EQ(path, expected);

    for (const auto& v : quorvex::launch_config::kValues) {
        SCOPED_TRACE(v.id);
        os.setLastError(77);
        const qv::ResourceData r = os.findRcData(module, v.id);
        if (v.shipped) {
            ASSERT_EQ(r.status, qv::ResourceStatus::Found);
            EXPECT_EQ(std::string(r.data, r.size),
                      std::string(v.shippedText) + std::string(1, '\0'));
        } else {
            EXPECT_EQ(r.status, qv::ResourceStatus::NotFound);
        }
    }
    EXPECT_EQ(os.findRcData(module, 7).status, qv::ResourceStatus::NotFound);
}

TEST_F(WindowsOsTest, CommandLineAndWow64) {
    EXPECT_EQ(os.commandLine(), GetCommandLineA());
    bool wow64 = true;
    ASSERT_TRUE(os.queryWow64(wow64));
    EXPECT_FALSE(wow64);  // a 64-bit process is never a WOW64 process
}

TEST_F(WindowsOsTest, EnvironmentValuesWholeSetEmptyOrUnsetAndTheLastError) {
    const std::string longValue(20000, 'v');
    ASSERT_TRUE(os.setEnvironmentVariable("QV_SEAM_LONG", longValue.c_str()));
    ASSERT_TRUE(os.setEnvironmentVariable("QV_SEAM_EMPTY", ""));
    ASSERT_TRUE(os.setEnvironmentVariable("QV_SEAM_UNSET", nullptr));
    std::string value = "before";
    os.setLastError(1234);
    ASSERT_TRUE(os.getEnvironmentVariable("QV_SEAM_LONG", value));
    EXPECT_EQ(value, longValue);
    EXPECT_EQ(os.lastError(), 1234u);
    ASSERT_TRUE(os.getEnvironmentVariable("QV_SEAM_EMPTY", value));
    EXPECT_EQ(value, "");
    EXPECT_EQ(os.lastError(), 1234u);
    value = "kept";
    EXPECT_FALSE(os.getEnvironmentVariable("QV_SEAM_UNSET", value));
    EXPECT_EQ(value, "kept");
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_ENVVAR_NOT_FOUND));
}

TEST_F(WindowsOsTest, SystemMessageIsWindowsOwnTextAndKeepsTheLastError) {
    os.setLastError(5);
    std::string text;
    ASSERT_TRUE(os.systemMessage(2, text));
    char* expected = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, 2, 0x0400, reinterpret_cast<LPSTR>(&expected), 0, nullptr);
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(text, expected);
    LocalFree(expected);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(os.lastError(), 5u);
    EXPECT_FALSE(os.systemMessage(0x2FFFFFFF, text));
    EXPECT_EQ(os.lastError(), 5u);
}

TEST_F(WindowsOsTest, DirectoriesAndFileStatus) {
    std::string start;
    ASSERT_TRUE(os.currentDirectory(start));
    CreateDirectoryA("seam_dir", nullptr);
    writeFile("seam_dir\\file.txt", "x");
    ASSERT_TRUE(os.changeDirectory("seam_dir"));
    std::string now;
    ASSERT_TRUE(os.currentDirectory(now));
    EXPECT_EQ(now, start + "\\seam_dir");
    EXPECT_EQ(os.fileStatus("file.txt"), qv::FileStatus::File);
    EXPECT_EQ(os.fileStatus("..\\seam_dir"), qv::FileStatus::Directory);
    EXPECT_EQ(os.fileStatus("absent.txt"), qv::FileStatus::Missing);
    EXPECT_FALSE(os.changeDirectory("absent"));
    ASSERT_TRUE(os.changeDirectory(start.c_str()));
}

TEST_F(WindowsOsTest, FindFirstSeesEveryMatchingEntry) {
    CreateDirectoryA("seam_find", nullptr);
    CreateDirectoryA("seam_find\\sub", nullptr);
    writeFile("seam_find\\a.jar", "");
    writeFile("seam_find\\b.jar", "");
    writeFile("seam_find\\c.txt", "");
    std::set<std::string> names;
    auto find = os.findFirst("seam_find\\*");
    ASSERT_NE(find, nullptr);
    do {
        names.insert(find->name());
    } while (find->next());
    EXPECT_EQ(names, (std::set<std::string>{".", "..", "a.jar", "b.jar", "c.txt", "sub"}));
    names.clear();
    find = os.findFirst("seam_find\\?.jar");
    ASSERT_NE(find, nullptr);
    do {
        names.insert(find->name());
    } while (find->next());
    EXPECT_EQ(names, (std::set<std::string>{"a.jar", "b.jar"}));
    EXPECT_EQ(os.findFirst("seam_find\\*.none"), nullptr);
}

TEST_F(WindowsOsTest, FilesReadInTextModeAndTheLogWritesCrLf) {
    writeFile("seam_options.ini", "-Xss1m\r\n-Dx=1\r\n");
    auto in = os.openForReading("seam_options.ini");
    ASSERT_NE(in, nullptr);
    char buffer[64] = {};
    const long n = in->read(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "-Xss1m\n-Dx=1\n");
    EXPECT_EQ(in->read(buffer, sizeof buffer), 0);
    EXPECT_EQ(os.openForReading("seam_absent.ini"), nullptr);

    DeleteFileA("seam.log");
    for (int run = 0; run < 2; ++run) {
        auto log = os.openLogForAppend("seam.log");
        ASSERT_NE(log, nullptr);
        log->write("Version:\t3.12\n");
    }
    EXPECT_EQ(readFile("seam.log"), "Version:\t3.12\r\nVersion:\t3.12\r\n");
    EXPECT_EQ(os.openLogForAppend("seam_absent_dir\\x.log"), nullptr);
}

TEST_F(WindowsOsTest, LogLinesReachTheFileWhenFlushed) {
    DeleteFileA("seam_flush.log");
    auto log = os.openLogForAppend("seam_flush.log");
    ASSERT_NE(log, nullptr);
    log->write("Working dir:\tC:\\app\n");
    log->flush();
    EXPECT_EQ(readFile("seam_flush.log"), "Working dir:\tC:\\app\r\n");  // while still open
}

TEST_F(WindowsOsTest, FileBytesFromAnOffsetInBinaryMode) {
    writeFile("seam_bytes.bin", std::string("MZ\r\n\0\x1A tail", 11));
    std::string bytes = "untouched";
    ASSERT_TRUE(os.readFileBytes("seam_bytes.bin", 0, 6, bytes));
    EXPECT_EQ(bytes, std::string("MZ\r\n\0\x1A", 6));  // no text-mode translation, no end at ^Z
    ASSERT_TRUE(os.readFileBytes("seam_bytes.bin", 7, 100, bytes));
    EXPECT_EQ(bytes, "tail");
    ASSERT_TRUE(os.readFileBytes("seam_bytes.bin", 1000, 4, bytes));
    EXPECT_EQ(bytes, "");
    bytes = "untouched";
    EXPECT_FALSE(os.readFileBytes("seam_absent.bin", 0, 4, bytes));
    EXPECT_EQ(bytes, "untouched");

    // The size counts every byte, CR LF and ^Z included; a folder or nothing has no size.
    std::uint64_t size = 99;
    ASSERT_TRUE(os.fileSize("seam_bytes.bin", size));
    EXPECT_EQ(size, 11u);
    CreateDirectoryA("seam_folder", nullptr);
    size = 99;
    EXPECT_FALSE(os.fileSize("seam_folder", size));
    EXPECT_FALSE(os.fileSize("seam_absent.bin", size));
    EXPECT_EQ(size, 99u);
}

TEST_F(WindowsOsTest, RegistryKeysSubkeysAndValuesOfEveryType) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\QuorvexSeamTest\\Versions", 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    HKEY sub = nullptr;
    RegCreateKeyExA(key, "1.8.0_202", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
    RegCloseKey(sub);
    RegCreateKeyExA(key, "17", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
    RegCloseKey(sub);
    const char home[] = "C:\\jdk";
    RegSetValueExA(key, "JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(home), sizeof home);
    const BYTE raw[] = {1, 2, 3, 0, 5};
    RegSetValueExA(key, "Raw", 0, REG_BINARY, raw, sizeof raw);
    const DWORD number = 0x01020304;
    RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegCloseKey(key);

    os.setLastError(42);
    auto opened = os.openRegistryKey(qv::RegistryRoot::CurrentUser,
                                     "Software\\QuorvexSeamTest\\Versions", qv::kKeyRead);
    ASSERT_NE(opened, nullptr);
    std::set<std::string> names;
    std::string name;
    for (std::uint32_t i = 0; opened->enumSubkey(i, 259, name); ++i) {
        names.insert(name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"1.8.0_202", "17"}));
    // A name longer than the buffer ends the enumeration.
    EXPECT_FALSE(opened->enumSubkey(0, 2, name));

    qv::RegistryValue value;
    ASSERT_TRUE(opened->queryValue("JavaHome", 260, value));
    EXPECT_EQ(value.type, qv::kRegSz);
    EXPECT_EQ(value.bytes, std::string(home, sizeof home));
    ASSERT_TRUE(opened->queryValue("Raw", 1024, value));
    EXPECT_EQ(value.type, qv::kRegBinary);
    EXPECT_EQ(value.bytes, std::string(reinterpret_cast<const char*>(raw), sizeof raw));
    ASSERT_TRUE(opened->queryValue("Number", 1024, value));
    EXPECT_EQ(value.type, qv::kRegDword);
    EXPECT_EQ(value.bytes, std::string("\x04\x03\x02\x01", 4));
    // Larger than the limit, or missing: not read.
    EXPECT_FALSE(opened->queryValue("JavaHome", 3, value));
    EXPECT_FALSE(opened->queryValue("Absent", 1024, value));
    // The size of a value's data, whatever the limit a read would take.
    std::size_t size = 0;
    ASSERT_TRUE(opened->valueSize("JavaHome", size));
    EXPECT_EQ(size, sizeof home);
    EXPECT_FALSE(opened->valueSize("Absent", size));
    EXPECT_EQ(size, sizeof home);
    // Registry failures leave the thread's last error as it was, as the Windows calls do.
    EXPECT_EQ(os.openRegistryKey(qv::RegistryRoot::CurrentUser, "Software\\QuorvexSeamAbsent",
                                 qv::kKeyRead),
              nullptr);
    EXPECT_EQ(os.lastError(), 42u);
    opened.reset();
    EXPECT_NE(
        os.openRegistryKey(qv::RegistryRoot::CurrentUser, "Software\\QuorvexSeamTest\\Versions",
                           qv::kKeyRead | qv::kKeyWow64_64Key),
        nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QuorvexSeamTest");
}

TEST_F(WindowsOsTest, NamedMutexSecondCreationFindsTheFirst) {
    const std::string name = "qv-seam-test-" + std::to_string(GetCurrentProcessId());
    EXPECT_TRUE(os.createNamedMutex(name.c_str()));
    EXPECT_NE(os.lastError(), static_cast<std::uint32_t>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(os.createNamedMutex(name.c_str()));
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_ALREADY_EXISTS));
}

// The handles of this process: every value GetHandleInformation accepts, with its flags.
std::map<HANDLE, DWORD> processHandles() {
    constexpr std::uintptr_t kLastHandleTried = 0x10000;
    std::map<HANDLE, DWORD> handles;
    for (std::uintptr_t value = 4; value < kLastHandleTried; value += 4) {
        DWORD flags = 0;
        HANDLE handle = reinterpret_cast<HANDLE>(value);
        if (GetHandleInformation(handle, &flags)) {
            handles.emplace(handle, flags);
        }
    }
    return handles;
}

// A child process of the Java service (Java's process launching inherits every inheritable
// handle) must not keep the guard alive once this instance has ended.
TEST_F(WindowsOsTest, GuardHandlesAreNotInherited) {
    const std::string name = "qv-seam-inherit-" + std::to_string(GetCurrentProcessId());
    char folder[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
    const std::string lock = std::string(folder) + name + ".lock";
    const std::map<HANDLE, DWORD> before = processHandles();
    ASSERT_TRUE(os.createNamedMutex(name.c_str()));
    ASSERT_TRUE(os.holdLockFile(lock.c_str()));
    const std::map<HANDLE, DWORD> after = processHandles();
    int created = 0;
    for (const auto& [handle, flags] : after) {
        if (before.count(handle) == 0) {
            ++created;
            EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u) << "handle " << handle;
        }
    }
    EXPECT_GE(created, 2);
}

// The lock is held against every other opener and hidden; the file stays when its holder ends.
TEST_F(WindowsOsTest, InstanceLockIsHeldAgainstOthers) {
    char folder[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
    const std::string lock =
        std::string(folder) + "qv-seam-lock-" + std::to_string(GetCurrentProcessId()) + ".lock";
    ASSERT_TRUE(os.holdLockFile(lock.c_str()));
    const DWORD attributes = GetFileAttributesA(lock.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_FALSE(os.holdLockFile(lock.c_str()));
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
    HANDLE reader = CreateFileA(lock.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    const std::string missing = std::string(folder) + "qv-no-such-folder\\x.lock";
    EXPECT_FALSE(os.holdLockFile(missing.c_str()));
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
}

// The debug log holds every expanded value: a new one is readable only by administrators, SYSTEM
// and the process's own user (the service's account), and appends as before.
TEST_F(WindowsOsTest, ANewDebugLogIsReadableByAdministratorsSystemAndItsUserOnly) {
    char folder[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
    const std::string log =
        std::string(folder) + "qv-seam-log-" + std::to_string(GetCurrentProcessId()) + ".log";
    DeleteFileA(log.c_str());
    for (const char* line : {"one\n", "two\n"}) {
        auto stream = os.openLogForAppend(log.c_str());
        ASSERT_TRUE(stream);
        stream->write(line);
    }
    EXPECT_EQ(readFile(log), "one\r\ntwo\r\n");
    std::string user;
    bool administrator = false;
    ASSERT_TRUE(os.processUser(user, administrator));
    qv::AccessList list;
    ASSERT_TRUE(os.readAccessList(log.c_str(), list));
    std::set<std::string> principals;
    for (const qv::AccessEntry& entry : list.entries) {
        EXPECT_TRUE(entry.allow);
        principals.insert(entry.sid);
    }
    // Wine keeps a file's access list as the Unix mode bits: it keeps the user and SYSTEM and
    // drops Administrators, but every other principal (Everyone, as a file made by fopen has)
    // is gone as on Windows.
    const std::set<std::string> allowed{"S-1-5-32-544", "S-1-5-18", user};
    EXPECT_EQ(principals.count(user), 1u);
    for (const std::string& sid : principals) {
        EXPECT_EQ(allowed.count(sid), 1u) << sid;
    }
    DeleteFileA(log.c_str());
}

// The service's temporary folder: made with its access list, and made again (owner and list set
// anew) when it is there already; a folder whose parent is missing is not made.
TEST_F(WindowsOsTest, PrivateFolderIsMadeOrGivenBack) {
    char temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string folder =
        std::string(temp) + "qv-seam-private-" + std::to_string(GetCurrentProcessId());
    RemoveDirectoryA(folder.c_str());
    ASSERT_TRUE(os.createPrivateFolder(folder.c_str())) << os.lastError();
    EXPECT_EQ(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    qv::AccessList list;
    ASSERT_TRUE(os.readAccessList(folder.c_str(), list));
    for (const qv::AccessEntry& entry : list.entries) {
        EXPECT_NE(entry.sid, "S-1-1-0");       // no Everyone
        EXPECT_NE(entry.sid, "S-1-5-32-545");  // no Users
    }
    EXPECT_TRUE(os.createPrivateFolder(folder.c_str())) << os.lastError();
    EXPECT_FALSE(os.createPrivateFolder((folder + "\\missing\\below").c_str()));
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
    RemoveDirectoryA(folder.c_str());
}

// The install's private file (the instance lock, the debug log): made with its access list, and
// given back (owner and list set anew) when it is there, also while a running instance holds it
// without sharing; a file whose folder is missing is not made.
TEST_F(WindowsOsTest, PrivateFileIsMadeOrGivenBackAlsoWhileHeld) {
    char temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string file =
        std::string(temp) + "qv-seam-private-" + std::to_string(GetCurrentProcessId()) + ".lock";
    DeleteFileA(file.c_str());
    ASSERT_TRUE(os.createPrivateFile(file.c_str())) << os.lastError();
    EXPECT_EQ(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    qv::AccessList list;
    ASSERT_TRUE(os.readAccessList(file.c_str(), list));
    for (const qv::AccessEntry& entry : list.entries) {
        EXPECT_NE(entry.sid, "S-1-1-0");       // no Everyone
        EXPECT_NE(entry.sid, "S-1-5-32-545");  // no Users
    }
    ASSERT_TRUE(os.holdLockFile(file.c_str()));
    EXPECT_TRUE(os.createPrivateFile(file.c_str())) << os.lastError();
    EXPECT_FALSE(os.createPrivateFile((std::string(temp) + "qv-no-such-folder\\x.lock").c_str()));
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
}

// The output log's files: a folder made or found, a file appended to with its size, moved over
// another and deleted; CreateDirectory makes one level only.
TEST_F(WindowsOsTest, OutputFilesAreAppendedMovedAndDeleted) {
    DeleteFileA("seam_out\\a.log");
    DeleteFileA("seam_out\\b.log");
    RemoveDirectoryA("seam_out");
    ASSERT_TRUE(os.createFolder("seam_out"));
    EXPECT_TRUE(os.createFolder("seam_out"));  // there already
    EXPECT_FALSE(os.createFolder("seam_absent\\below"));
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
    {
        auto file = os.openOutputFile("seam_out\\a.log");
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->size(), 0u);
        ASSERT_TRUE(file->write("one\r\n"));
    }
    {
        auto file = os.openOutputFile("seam_out\\a.log");
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->size(), 5u);
        ASSERT_TRUE(file->write("two\r\n"));
    }
    EXPECT_EQ(readFile("seam_out\\a.log"), "one\r\ntwo\r\n");
    writeFile("seam_out\\b.log", "old");
    ASSERT_TRUE(os.moveFile("seam_out\\a.log", "seam_out\\b.log"));
    EXPECT_EQ(readFile("seam_out\\b.log"), "one\r\ntwo\r\n");
    EXPECT_FALSE(os.moveFile("seam_out\\a.log", "seam_out\\c.log"));
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(os.deleteFile("seam_out\\b.log"));
    EXPECT_FALSE(os.deleteFile("seam_out\\b.log"));
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

// After the redirection what is written to the standard handles comes out of the pipe; once the
// write end is closed the pipe ends.
TEST_F(WindowsOsTest, StandardOutputAndErrorGoIntoThePipe) {
    const HANDLE savedOut = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE savedErr = GetStdHandle(STD_ERROR_HANDLE);
    auto pipe = os.redirectStandardOutput(4096);
    ASSERT_NE(pipe, nullptr);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "out;", 4, &written, nullptr));
    ASSERT_TRUE(WriteFile(GetStdHandle(STD_ERROR_HANDLE), "err;", 4, &written, nullptr));
    SetStdHandle(STD_OUTPUT_HANDLE, savedOut);
    SetStdHandle(STD_ERROR_HANDLE, savedErr);
    EXPECT_EQ(pipe->pending(), 8u);
    std::string got;
    char buffer[16];
    while (got.size() < 8) {
        const std::size_t n = pipe->read(buffer, sizeof buffer);
        ASSERT_GT(n, 0u);
        got.append(buffer, n);
    }
    EXPECT_EQ(got, "out;err;");
    pipe->closeWriteEnd();
    EXPECT_EQ(pipe->read(buffer, sizeof buffer), 0u);
}

TEST_F(WindowsOsTest, MemoryStatus) {
    std::uint64_t bytes = 0;
    ASSERT_TRUE(os.availablePhysicalMemory(bytes));
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatusEx(&status);
    EXPECT_GT(bytes, 0u);
    EXPECT_LE(bytes, status.ullTotalPhys);
}

TEST_F(WindowsOsTest, LocalTimeIsTheCRuntimesLocalTime) {
    // Taken between two readings of the C runtime's clock: equal to one of them to the minute
    // (both fall in the same minute unless the minute turns in between).
    auto minuteOf = [](const std::tm& t) {
        return std::to_string(t.tm_year + 1900) + "-" + std::to_string(t.tm_mon + 1) + "-" +
               std::to_string(t.tm_mday) + " " + std::to_string(t.tm_hour) + ":" +
               std::to_string(t.tm_min);
    };
    const std::time_t before = std::time(nullptr);
    const qv::LocalTime now = os.localTime();
    const std::time_t after = std::time(nullptr);
    const std::string seen = std::to_string(now.year) + "-" + std::to_string(now.month) + "-" +
                             std::to_string(now.day) + " " + std::to_string(now.hour) + ":" +
                             std::to_string(now.minute);
    const std::string first = minuteOf(*std::localtime(&before));
    const std::string second = minuteOf(*std::localtime(&after));
    EXPECT_TRUE(seen == first || seen == second) << seen << " vs " << first << " / " << second;
    EXPECT_LE(now.second, 59u);
}

TEST_F(WindowsOsTest, JvmLibraryAndItsEntry) {
    const char* standIn = std::getenv("QV_STANDIN_JVM_DLL");
    ASSERT_NE(standIn, nullptr);
    const qv::ModuleHandle jvm = os.loadLibrary(standIn, nullptr);
    ASSERT_NE(jvm, nullptr);
    EXPECT_NE(os.findCreateJavaVm(jvm), nullptr);

    EXPECT_EQ(os.loadLibrary("seam_absent\\jvm.dll", nullptr), nullptr);
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_MOD_NOT_FOUND));
    const qv::ModuleHandle kernel32 = os.loadLibrary("kernel32.dll", nullptr);
    ASSERT_NE(kernel32, nullptr);
    EXPECT_EQ(os.findCreateJavaVm(kernel32), nullptr);
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_PROC_NOT_FOUND));
}

// Wine keeps a file's DACL only as far as Unix mode bits hold it: what is checked here is that
// the place is made and the account found; the entries granted are checked on the fake machine.
TEST_F(WindowsOsTest, GrantMakesThePlaceAndFindsTheAccount) {
    RemoveDirectoryA("seam_granted");
    DeleteFileA("seam_granted.log");
    writeFile("seam_kept.log", "kept");
    ASSERT_TRUE(os.grantModifyAccess("seam_granted", qv::GrantTarget::Folder, "S-1-5-19"));
    EXPECT_EQ(os.fileStatus("seam_granted"), qv::FileStatus::Directory);
    // Granted again: the folder that is there is fine.
    EXPECT_TRUE(os.grantModifyAccess("seam_granted", qv::GrantTarget::Folder, "S-1-5-20"));
    ASSERT_TRUE(os.grantModifyAccess("seam_granted.log", qv::GrantTarget::File, "S-1-5-19"));
    EXPECT_EQ(readFile("seam_granted.log"), "");
    // A file that is there keeps what it holds.
    ASSERT_TRUE(os.grantModifyAccess("seam_kept.log", qv::GrantTarget::File, "S-1-5-20"));
    EXPECT_EQ(readFile("seam_kept.log"), "kept");
    // The account running the test, by its name.
    char user[256];
    DWORD size = sizeof user;
    ASSERT_TRUE(GetUserNameA(user, &size));
    EXPECT_TRUE(os.grantModifyAccess("seam_granted", qv::GrantTarget::Folder, user));

    os.setLastError(0);
    EXPECT_FALSE(
        os.grantModifyAccess("seam_granted", qv::GrantTarget::Folder, "seam-no-such-account"));
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_NONE_MAPPED));
    EXPECT_FALSE(os.grantModifyAccess("seam_absent\\inner", qv::GrantTarget::Folder, "S-1-5-19"));
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
}

// A pipe as standard input: one line per call, its line end (CR LF or LF) left out, then the end.
TEST_F(WindowsOsTest, SecretLinesFromStandardInput) {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    const std::string lines = "Pa55 w0rd;\"x\"\r\nsecond\nlast";
    DWORD written = 0;
    ASSERT_TRUE(
        WriteFile(write, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr));
    CloseHandle(write);
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    ASSERT_TRUE(SetStdHandle(STD_INPUT_HANDLE, read));
    std::string line;
    line.reserve(64);
    EXPECT_TRUE(os.readSecretLine(line));
    EXPECT_EQ(line, "Pa55 w0rd;\"x\"");
    EXPECT_TRUE(os.readSecretLine(line));
    EXPECT_EQ(line, "second");
    EXPECT_TRUE(os.readSecretLine(line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(os.readSecretLine(line));
    EXPECT_EQ(line, "last");  // untouched
    SetStdHandle(STD_INPUT_HANDLE, input);
    CloseHandle(read);
}

TEST_F(WindowsOsTest, EventSourceWithItsMessageFile) {
    const char* source = "QvSeamTestSource";
    const std::string key =
        std::string("SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\") + source;
    ASSERT_TRUE(os.registerEventSource(source, "C:\\app\\QuorvexService.exe"));
    std::unique_ptr<qv::RegistryKey> opened =
        os.openRegistryKey(qv::RegistryRoot::LocalMachine, key.c_str(), qv::kKeyRead);
    ASSERT_NE(opened, nullptr);
    qv::RegistryValue value;
    ASSERT_TRUE(opened->queryValue("EventMessageFile", 260, value));
    EXPECT_EQ(value.type, qv::kRegExpandSz);
    EXPECT_EQ(value.bytes, std::string("C:\\app\\QuorvexService.exe", 26));
    ASSERT_TRUE(opened->queryValue("TypesSupported", 4, value));
    EXPECT_EQ(value.type, qv::kRegDword);
    EXPECT_EQ(value.bytes, std::string("\x07\0\0\0", 4));
    opened.reset();
    // An event of each type reaches the log without changing the last error.
    os.setLastError(1234);
    os.reportEvent(source, qv::kEventStopMethodFailed, "seam test");
    os.reportEvent(source, qv::kEventStartFailed, "seam test");
    EXPECT_EQ(os.lastError(), 1234u);
    ASSERT_TRUE(os.deregisterEventSource(source));
    EXPECT_EQ(os.openRegistryKey(qv::RegistryRoot::LocalMachine, key.c_str(), qv::kKeyRead),
              nullptr);
}

}  // namespace
