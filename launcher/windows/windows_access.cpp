// The seam's grant of rights to a service account, on the security API of Windows.
#include "windows_os.h"

#include "windows_handles.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace qv {
namespace {

// "Modify" as the Explorer's security page grants it: read, write, execute and delete.
constexpr DWORD kModifyRights =
    FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
constexpr char kSidPrefix[] = "S-";

using LocalMemory = windows::UniqueHandle<HLOCAL, decltype(&LocalFree), &LocalFree>;

// The account's SID, in `sid`: a SID text converted, a name looked up. False with the last
// error set.
bool sidOf(const char* account, std::vector<BYTE>& sid) {
    if (std::string(account).rfind(kSidPrefix, 0) == 0) {
        LocalMemory converted;
        if (!ConvertStringSidToSidA(account, reinterpret_cast<PSID*>(converted.receiver()))) {
            return false;
        }
        const DWORD length = GetLengthSid(converted.get());
        const auto* bytes = static_cast<const BYTE*>(converted.get());
        sid.assign(bytes, bytes + length);
        return true;
    }
    DWORD sidSize = 0;
    DWORD domainSize = 0;
    SID_NAME_USE use{};
    (void)LookupAccountNameA(nullptr, account, nullptr, &sidSize, nullptr, &domainSize, &use);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return false;
    }
    std::vector<BYTE> found(sidSize);
    std::string domain(domainSize, '\0');
    if (!LookupAccountNameA(nullptr, account, found.data(), &sidSize, domain.data(), &domainSize,
                            &use)) {
        return false;
    }
    sid = std::move(found);
    return true;
}

// The place made where it is missing: a folder, or an empty file.
bool madeIfMissing(const char* path, GrantTarget target) {
    if (target == GrantTarget::Folder) {
        return CreateDirectoryA(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    }
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

}  // namespace

bool WindowsOs::grantModifyAccess(const char* path, GrantTarget target, const char* account) {
    std::vector<BYTE> sid;
    if (!madeIfMissing(path, target) || !sidOf(account, sid)) {
        return false;
    }
    // The security functions return their code instead of setting the last error.
    auto failed = [](DWORD rc) {
        SetLastError(rc);
        return false;
    };
    PACL dacl = nullptr;
    LocalMemory descriptor;
    std::string name(path);
    DWORD rc = GetNamedSecurityInfoA(
        name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
        reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.receiver()));
    if (rc != ERROR_SUCCESS) {
        return failed(rc);
    }
    EXPLICIT_ACCESSA access{};
    access.grfAccessPermissions = kModifyRights;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance =
        target == GrantTarget::Folder ? SUB_CONTAINERS_AND_OBJECTS_INHERIT : NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
    access.Trustee.ptstrName = reinterpret_cast<LPSTR>(sid.data());
    LocalMemory granted;
    rc = SetEntriesInAclA(1, &access, dacl, reinterpret_cast<PACL*>(granted.receiver()));
    if (rc != ERROR_SUCCESS) {
        return failed(rc);
    }
    rc = SetNamedSecurityInfoA(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                               nullptr, static_cast<PACL>(granted.get()), nullptr);
    if (rc != ERROR_SUCCESS) {
        return failed(rc);
    }
    return true;
}

}  // namespace qv
