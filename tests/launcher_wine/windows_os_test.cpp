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
    const qv::ModuleHandle jvm = os.loadLibrary(standIn);
    ASSERT_NE(jvm, nullptr);
    EXPECT_NE(os.findCreateJavaVm(jvm), nullptr);

    EXPECT_EQ(os.loadLibrary("seam_absent\\jvm.dll"), nullptr);
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_MOD_NOT_FOUND));
    const qv::ModuleHandle kernel32 = os.loadLibrary("kernel32.dll");
    ASSERT_NE(kernel32, nullptr);
    EXPECT_EQ(os.findCreateJavaVm(kernel32), nullptr);
    EXPECT_EQ(os.lastError(), static_cast<std::uint32_t>(ERROR_PROC_NOT_FOUND));
}

}  // namespace
