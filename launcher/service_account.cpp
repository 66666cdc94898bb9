#include "service_account.h"

#include <algorithm>
#include <string>
#include <utility>

namespace qv {

namespace {

constexpr std::string_view kLocalSystemWord = "LocalSystem";
constexpr std::string_view kLocalServiceWord = "LocalService";
constexpr std::string_view kNetworkServiceWord = "NetworkService";
constexpr std::string_view kBuiltInPrefix = "NT AUTHORITY\\";
// The local computer in an account name, which the service manager takes and the account lookup
// does not.
constexpr std::string_view kLocalComputerPrefix = ".\\";
// The well-known SIDs of the built-in service accounts.
constexpr std::string_view kLocalServiceSid = "S-1-5-19";
constexpr std::string_view kNetworkServiceSid = "S-1-5-20";

char foldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return foldAscii(x) == foldAscii(y);
           });
}

bool startsIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && sameIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// The word alone or with "NT AUTHORITY\" before it.
bool isBuiltIn(std::string_view text, std::string_view word) {
    return sameIgnoringCase(text, word) ||
           (startsIgnoringCase(text, kBuiltInPrefix) &&
            sameIgnoringCase(text.substr(kBuiltInPrefix.size()), word));
}

ServiceAccount accountOf(AccountKind kind, std::string name, std::string grantee) {
    return ServiceAccount{kind, std::move(name), std::move(grantee)};
}

}  // namespace

bool parseServiceAccount(std::string_view text, std::string_view serviceName,
                         ServiceAccount& account, std::string& why) {
    if (text.empty() || sameIgnoringCase(text, kLocalSystemWord)) {
        account = ServiceAccount{};
    } else if (isBuiltIn(text, kLocalServiceWord)) {
        account = accountOf(AccountKind::LocalService,
                            std::string(kBuiltInPrefix).append(kLocalServiceWord),
                            std::string(kLocalServiceSid));
    } else if (isBuiltIn(text, kNetworkServiceWord)) {
        account = accountOf(AccountKind::NetworkService,
                            std::string(kBuiltInPrefix).append(kNetworkServiceWord),
                            std::string(kNetworkServiceSid));
    } else if (startsIgnoringCase(text, kVirtualAccountPrefix)) {
        if (!sameIgnoringCase(text.substr(kVirtualAccountPrefix.size()), serviceName)) {
            why =
                "Value 44 (service_account) names the virtual account of another service; this "
                "service's is " +
                std::string(kVirtualAccountPrefix).append(serviceName) + ".";
            return false;
        }
        const std::string name = std::string(kVirtualAccountPrefix).append(serviceName);
        account = accountOf(AccountKind::Virtual, name, name);
    } else {
        const std::string_view grantee = startsIgnoringCase(text, kLocalComputerPrefix)
                                             ? text.substr(kLocalComputerPrefix.size())
                                             : text;
        account = accountOf(AccountKind::Named, std::string(text), std::string(grantee));
    }
    return true;
}

}  // namespace qv
