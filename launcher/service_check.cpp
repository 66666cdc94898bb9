#include "service_check.h"

#include "format.h"
#include "names.h"
#include "service_settings.h"

#include <memory>
#include <string_view>

namespace qv {

namespace {

// The most of the Environment value the check reads.
constexpr std::size_t kServiceEnvironmentBytes = kLineSize;

const char* accountKindOf(AccountKind kind) {
    switch (kind) {
        case AccountKind::LocalSystem:
            return "LocalSystem";
        case AccountKind::LocalService:
        case AccountKind::NetworkService:
            return "a built-in service account";
        case AccountKind::Virtual:
            return "the service's virtual account";
        case AccountKind::Named:
            return "a user account: --mvk-install asks for its password";
    }
    return "";
}

char foldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether an entry "NAME=value" sets the variable `name` (names compared without regard to case).
bool setsVariable(std::string_view entry, std::string_view name) {
    if (entry.size() <= name.size() || entry[name.size()] != '=') {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (foldAscii(entry[i]) != foldAscii(name[i])) {
            return false;
        }
    }
    return true;
}

// The debug log variable as the installed service's Environment value sets it.
std::string environmentLine(Context& ctx, const ServiceSettings& settings) {
    const std::string key = std::string(kServicesKey) + settings.name.c_str();
    std::unique_ptr<RegistryKey> service =
        ctx.os.openRegistryKey(RegistryRoot::LocalMachine, key.c_str(), kKeyRead);
    if (!service) {
        return "not installed";
    }
    RegistryValue value;
    if (!service->queryValue(kServiceEnvironmentValue, kServiceEnvironmentBytes, value) ||
        value.type != kRegMultiSz) {
        return formatText("%s not set (no %s value)", kLogVariable, kServiceEnvironmentValue);
    }
    std::string_view entries(value.bytes);
    while (!entries.empty()) {
        const std::size_t end = entries.find('\0');
        const std::string_view entry = entries.substr(0, end);
        if (setsVariable(entry, kLogVariable)) {
            return "\"" + std::string(entry) + "\"";
        }
        if (end == std::string_view::npos) {
            break;
        }
        entries.remove_prefix(end + 1);
    }
    return formatText("%s not set", kLogVariable);
}

}  // namespace

void appendServiceValues(Context& ctx, std::string& out) {
    auto settings = makeWithTexts<ServiceSettings>();
    std::string why;
    Step read = loadServiceName(ctx, *settings);
    read.keepFirst(loadServiceAccount(ctx, *settings, why));
    if (!read.goesOn()) {
        out += formatText("Service account: --mvk-install refuses it: %s\n",
                          why.empty() ? "the values could not be read." : why.c_str());
        return;
    }
    const ServiceAccount& account = settings->account;
    out +=
        formatText("Service account: %s (%s)\n",
                   account.kind == AccountKind::LocalSystem ? "LocalSystem" : account.name.c_str(),
                   accountKindOf(account.kind));
    std::string dependencies;
    for (const std::string& name : settings->dependencies) {
        dependencies += (dependencies.empty() ? "" : ", ") + name;
    }
    out += formatText("Service dependencies: %s\n",
                      dependencies.empty() ? "none" : dependencies.c_str());
    out += formatText("Environment of the installed service %s: %s\n", settings->name.c_str(),
                      environmentLine(ctx, *settings).c_str());
}

}  // namespace qv
