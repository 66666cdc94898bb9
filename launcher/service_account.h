// The account the service runs as (value 44), as the service manager takes it, and what the
// install grants that account.
#ifndef QV_LAUNCHER_SERVICE_ACCOUNT_H
#define QV_LAUNCHER_SERVICE_ACCOUNT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

// The prefix of a service's virtual account, "NT SERVICE\<service name>".
inline constexpr std::string_view kVirtualAccountPrefix = "NT SERVICE\\";
// Service names hold at most 256 characters (the service manager's limit); an account text holds
// a virtual account's name.
inline constexpr std::size_t kServiceNameSize = 257;
inline constexpr std::size_t kServiceAccountSize = kVirtualAccountPrefix.size() + kServiceNameSize;

enum class AccountKind {
    LocalSystem,     // unset: the service manager's own account, as before there was a choice
    LocalService,    // NT AUTHORITY\LocalService: the computer's least rights, anonymous on the net
    NetworkService,  // NT AUTHORITY\NetworkService: the same, the computer's identity on the net
    Virtual,         // NT SERVICE\<service name>: an account of this service alone
    Named,           // a user account, with a password the install reads
};

struct ServiceAccount {
    AccountKind kind = AccountKind::LocalSystem;
    // The name the service manager is given (lpServiceStartName); empty for LocalSystem.
    std::string name;
    // Whom the install grants rights: a built-in account by its SID (its name depends on the
    // language of Windows), another one by its name as LookupAccountNameA takes it.
    std::string grantee;
};

// The account of the text of value 44 for the service `serviceName`. The words are compared
// without regard to case: empty or "LocalSystem"; "LocalService" or "NT AUTHORITY\LocalService";
// "NetworkService" or "NT AUTHORITY\NetworkService"; "NT SERVICE\<service name>"; anything else
// names a user account (".\name" for a local one). A virtual account of another service is
// refused: false, with the reason in `why` and `account` untouched.
[[nodiscard]] bool parseServiceAccount(std::string_view text, std::string_view serviceName,
                                       ServiceAccount& account, std::string& why);

// Whether the install asks for the account's password.
inline bool needsPassword(const ServiceAccount& account) {
    return account.kind == AccountKind::Named;
}

}  // namespace qv

#endif  // QV_LAUNCHER_SERVICE_ACCOUNT_H
