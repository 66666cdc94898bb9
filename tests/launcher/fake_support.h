// What the files of the fake machine share: the Windows error codes it gives, the system's texts
// for them, registry paths, file-name wildcards and path parts, and the injected failure of a
// seam call.
#ifndef QV_TESTS_LAUNCHER_FAKE_SUPPORT_H
#define QV_TESTS_LAUNCHER_FAKE_SUPPORT_H

#include "fake_machine.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace qv::testing {

inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorInvalidName = 123;
inline constexpr std::uint32_t kErrorModNotFound = 126;
inline constexpr std::uint32_t kErrorProcNotFound = 127;
inline constexpr std::uint32_t kErrorBadExeFormat = 193;
inline constexpr std::uint32_t kErrorEnvvarNotFound = 203;
inline constexpr std::size_t kMaxVariableValueChars = 32767;
// Access masks of the fake's access lists: full control, read and execute, modify (read, write,
// execute, delete), and the rights that let a principal write a file (write data, generic all,
// generic write).
inline constexpr std::uint32_t kFullControl = 0x001F01FF;
inline constexpr std::uint32_t kReadAndExecute = 0x001200A9;
inline constexpr std::uint32_t kModify = 0x001301BF;
inline constexpr std::uint32_t kWriteRights = 0x0002 | 0x10000000 | 0x40000000;
inline constexpr const char* kSystemSid = "S-1-5-18";
inline constexpr const char* kAdministratorsSid = "S-1-5-32-544";

// What the launcher makes private (the install's files and folders, a new debug log): owned by
// Administrators, full control for Administrators and SYSTEM only.
inline AccessList privateAccessList() {
    return AccessList{
        kAdministratorsSid,
        true,
        {{true, false, kFullControl, kAdministratorsSid}, {true, false, kFullControl, kSystemSid}}};
}

// The system's texts of the codes the fake gives, with their line ends.
const std::map<std::uint32_t, std::string>& systemTexts();
// A registry root by name ("HKEY_LOCAL_MACHINE"), and a key as "HKEY_LOCAL_MACHINE\path" without
// a trailing backslash.
const char* rootName(RegistryRoot root);
std::string registryPath(RegistryRoot root, std::string_view path);
// Windows file-name wildcards: "*" any run, "?" one character, case-insensitive; "*.*" is "*".
bool wildcardMatch(std::string_view pattern, std::string_view name);
// The folder of a full path (a drive root keeps its backslash), and the last part of one.
std::string_view parentOf(std::string_view full);
std::string baseName(const std::string& full);

// The injected failure of a seam call: the call fails as the system's would, with the injected
// code as the last error.
bool failsIn(FakeMachine& machine, SeamCall kind);

}  // namespace qv::testing

#endif  // QV_TESTS_LAUNCHER_FAKE_SUPPORT_H
