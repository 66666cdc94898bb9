#include "variables.h"

#include <memory>
#include <string>

namespace qv {

namespace {

struct RegistryRootName {
    const char* prefix;
    RegistryRoot root;
};
constexpr RegistryRootName kRegistryRoots[] = {
    {"HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot},
    {"HKEY_CURRENT_USER", RegistryRoot::CurrentUser},
    {"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine},
    {"HKEY_USERS", RegistryRoot::Users},
    {"HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig},
};

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Appends the expansion of one reference name.
Expansion::Kind expandName(Context& ctx, TextBuffer& out, std::string_view name,
                           const ProgramLocation& program) {
    LauncherState& st = ctx.state;
    bool fits = true;
    RegistryRead registry = RegistryRead::NotRead;
    if (name.size() > kVariableNameMaxChars) {
        // Longer than a reference name can be: expands to nothing.
    } else if (name == "EXEDIR") {
        fits = out.append(program.directory());
    } else if (name == "EXEFILE") {
        fits = out.append(program.path.view());
    } else if (name == "PWD") {
        std::string current;
        if (ctx.os.currentDirectory(current) && current.size() < kPathSize) {
            fits = out.append(current);
        }
    } else if (name == "OLDPWD") {
        fits = out.append(st.startupDirectory.view());
    } else if (name == "JREHOMEDIR") {
        fits = out.append(st.search.javaHome.view());
    } else if (startsWith(name, "HKEY")) {
        registry = readRegistryText(ctx, name, out);
        fits = registry != RegistryRead::Overflow;
    } else if (name.empty()) {
        fits = out.append('%');
    } else {
        std::string variable;
        if (ctx.os.getEnvironmentVariable(std::string(name).c_str(), variable)) {
            fits = out.append(variable);
        }
    }
    if (registry == RegistryRead::TooLarge) {
        return Expansion::RegistryValueTooLarge;
    }
    return fits ? Expansion::Complete : Expansion::Overflow;
}

}  // namespace

Expansion substituteVariables(Context& ctx, TextBuffer& out, std::string_view input,
                              const ProgramLocation& program) {
    std::size_t position = 0;
    while (position < input.size()) {
        std::size_t open = input.find('%', position);
        std::size_t close = open == std::string_view::npos ? open : input.find('%', open + 1);
        // No reference left: the rest is text, a lone "%" included.
        if (close == std::string_view::npos) {
            return {out.append(input.substr(position)) ? Expansion::Complete : Expansion::Overflow,
                    {}};
        }
        if (!out.append(input.substr(position, open - position))) {
            return {Expansion::Overflow, {}};
        }
        std::string_view name = input.substr(open + 1, close - open - 1);
        const std::size_t mark = out.size();
        if (Expansion::Kind kind = expandName(ctx, out, name, program);
            kind != Expansion::Complete) {
            out.truncate(mark);
            return {kind, std::string(name)};
        }
        std::string_view expansion = out.view().substr(mark);
        ctx.state.log.print("Substitute:\t%.*s = %.*s\n", static_cast<int>(name.size()),
                            name.data(), static_cast<int>(expansion.size()), expansion.data());
        position = close + 1;
    }
    return {Expansion::Complete, {}};
}

RegistryRead readRegistryText(Context& ctx, std::string_view name, TextBuffer& out) {
    const RegistryRootName* root = nullptr;
    for (const RegistryRootName& candidate : kRegistryRoots) {
        if (startsWith(name, candidate.prefix)) {
            root = &candidate;
            break;
        }
    }
    std::size_t first = name.find('\\');
    std::size_t last = name.rfind('\\');
    // No root, or no backslash before the value name: nothing to read. An empty value name
    // reads the key's default value.
    if (root == nullptr || first == std::string_view::npos) {
        return RegistryRead::NotRead;
    }
    const std::string keyPath(first == last ? std::string_view()
                                            : name.substr(first + 1, last - first - 1));
    const std::string valueName(name.substr(last + 1));
    std::unique_ptr<RegistryKey> key;
    if (ctx.state.wow64) {
        key = ctx.os.openRegistryKey(root->root, keyPath.c_str(), kKeyRead | kKeyWow64_64Key);
    }
    if (!key) {
        key = ctx.os.openRegistryKey(root->root, keyPath.c_str(), kKeyRead);
    }
    if (!key) {
        return RegistryRead::NotRead;
    }
    RegistryValue value;
    if (!key->queryValue(valueName.c_str(), kRegistryTextLimit, value)) {
        // Nothing from the registry is ever cut or dropped silently.
        std::size_t size = 0;
        return key->valueSize(valueName.c_str(), size) && size > kRegistryTextLimit
                   ? RegistryRead::TooLarge
                   : RegistryRead::NotRead;
    }
    // Whatever the type, only the bytes read are used, up to their first NUL.
    if (!out.append(textUpToNul(value.bytes.data(), value.bytes.size()))) {
        return RegistryRead::Overflow;
    }
    return RegistryRead::Read;
}

}  // namespace qv
