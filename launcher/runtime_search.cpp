#include "runtime_search.h"

#include "config.h"
#include "diagnostics.h"
#include "format.h"
#include "paths.h"
#include "variables.h"

#include <memory>
#include <string>

namespace qv {

namespace {

// Components of a normalised version are at least this many characters.
constexpr std::size_t kVersionComponentWidth = 3;

struct RuntimeKeyPair {
    const char* jreKey;
    const char* jdkKey;
};
constexpr RuntimeKeyPair kJavaSoftPairs[] = {
    {"SOFTWARE\\JavaSoft\\Java Runtime Environment", "SOFTWARE\\JavaSoft\\Java Development Kit"},
    {"SOFTWARE\\JavaSoft\\JRE", "SOFTWARE\\JavaSoft\\JDK"},
};
constexpr RuntimeKeyPair kIbmPairs[] = {
    {"SOFTWARE\\IBM\\Java Runtime Environment", "SOFTWARE\\IBM\\Java Development Kit"},
    {"SOFTWARE\\IBM\\Java2 Runtime Environment", "SOFTWARE\\IBM\\Java Development Kit"},
};

// The registry access of a scan: KEY_READ plus the view bit of the flag word.
std::uint32_t accessFor(std::uint32_t flags) {
    return kKeyRead | (flags & kKeyWow64_64Key);
}

bool appendComponent(TextBuffer& out, char separator, std::string_view component) {
    if (!out.append(separator)) {
        return false;
    }
    for (std::size_t i = component.size(); i < kVersionComponentWidth; ++i) {
        if (!out.append('0')) {
            return false;
        }
    }
    return out.append(component);
}

// Normalises a configured version bound; false (with the run's failure set) when it does not fit.
template <int Id, int MaxLength>
bool normalizeBound(Context& ctx, cfg::ValueSpec<Id, MaxLength> value, VersionText& text,
                    VersionText& normalised) {
    loadString(ctx, value, text);
    if (!normalizeVersion(normalised, text.view())) {
        return noteOverflow(ctx, formatText("The Java version of value %d does not fit into %u "
                                            "characters when normalised.",
                                            Id, charsIn(kShortTextSize)));
    }
    return true;
}

}  // namespace

bool normalizeVersion(TextBuffer& out, std::string_view text) {
    out.clear();
    int slot = 0;
    std::size_t position = 0;
    bool fits = true;
    while (fits && !text.empty() && position <= text.size() && slot < 4) {
        std::size_t end = text.find_first_of("._", position);
        std::string_view component = text.substr(
            position, end == std::string_view::npos ? std::string_view::npos : end - position);
        if (component.empty()) {
            break;
        }
        if (slot == 0) {
            fits = out.append('1');
            if (component == "1") {
                slot = 1;
            } else {
                fits = fits && appendComponent(out, '.', component);
                slot = 2;
            }
        } else if (slot == 1 || slot == 2) {
            fits = appendComponent(out, '.', component);
            ++slot;
        } else {
            fits = appendComponent(out, '_', component);
            slot = 4;
        }
        if (end == std::string_view::npos) {
            break;
        }
        position = end + 1;
    }
    if (!text.empty()) {
        for (; fits && slot <= 2; ++slot) {
            fits = out.append(".000");
        }
    }
    if (!fits) {
        out.clear();
    }
    return fits;
}

bool jreSearch(Context& ctx, const ProgramLocation& program) {
    RuntimeSearchState& search = ctx.state.search;
    DebugLog& log = ctx.state.log;
    log.printAll("jreSearch()\n");
    search.installedFirst = loadBool(ctx, cfg::kInstalledFirst);
    if (!normalizeBound(ctx, cfg::kJavaMinVersion, search.minVersionText, search.minVersion)) {
        return false;
    }
    log.print("Java min ver:\t%s\n", search.minVersion.c_str());
    if (!normalizeBound(ctx, cfg::kJavaMaxVersion, search.maxVersionText, search.maxVersion)) {
        return false;
    }
    log.print("Java max ver:\t%s\n", search.maxVersion.c_str());
    bool found;
    if (search.installedFirst) {
        found = installedJreSearch(ctx) || (!overflowed(ctx) && bundledJreSearch(ctx, program));
    } else {
        found = bundledJreSearch(ctx, program) || (!overflowed(ctx) && installedJreSearch(ctx));
    }
    if (!found) {
        composeRuntimeError(ctx);
    }
    return found;
}

bool bundledJreSearch(Context& ctx, const ProgramLocation& program) {
    LauncherState& st = ctx.state;
    st.log.printAll("bundledJreSearch()\n");
    bool is64Bit = loadBool(ctx, cfg::kLocalRuntime64bit);
    if (is64Bit && !st.wow64) {
        st.log.print("Bundled JRE:\tCannot use 64-bit runtime on 32-bit OS.\n");
        return false;
    }
    FixedText<kPathSize> value;
    if (!loadString(ctx, cfg::kLocalRuntime, value)) {
        return false;
    }
    auto expanded = std::make_unique<FixedText<kLineSize>>();
    if (substituteVariables(ctx, *expanded, value.view(), program) == Expansion::Overflow) {
        return noteOverflow(ctx, formatText("The local runtime path (value 1) does not fit into %u "
                                            "characters.",
                                            charsIn(kLineSize)));
    }
    st.log.print("Bundled JRE:\t%s\n", expanded->c_str());
    std::string_view path = expanded->view();
    bool fits = isAbsolutePath(path) ? st.launcherPath.assign(path)
                                     : st.launcherPath.assign(program.directory()) &&
                                           joinPath(st.launcherPath, path);
    if (!fits) {
        st.launcherPath.clear();
        return noteOverflow(ctx, formatText("The local runtime path (value 1) does not fit into %u "
                                            "characters.",
                                            charsIn(kPathSize)));
    }
    if (!launcherExists(ctx, st.launcherPath.view())) {
        return false;
    }
    st.search.foundRuntime = is64Bit ? (FOUND_LOCAL | FOUND_64BIT) : FOUND_LOCAL;
    (void)st.search.javaHome.assign(st.launcherPath.view());
    return true;
}

bool installedJreSearch(Context& ctx) {
    LauncherState& st = ctx.state;
    st.log.printAll("installedJreSearch()\n");
    if (st.search.minVersion.empty()) {
        return false;
    }
    return findJavaHome(ctx, st.launcherPath, loadInt(ctx, cfg::kJdkPreference));
}

bool findJavaHome(Context& ctx, TextBuffer& out, int jdkPreference) {
    RuntimeSearchState& search = ctx.state.search;
    ctx.state.log.printAll("findJavaHome()\n");
    for (const RuntimeKeyPair& pair : kJavaSoftPairs) {
        scanRuntimePair(ctx, pair.jreKey, pair.jdkKey, jdkPreference);
    }
    for (const RuntimeKeyPair& pair : kIbmPairs) {
        if (search.foundRuntime == 0) {
            scanRuntimePair(ctx, pair.jreKey, pair.jdkKey, jdkPreference);
        }
    }
    if (search.foundRuntime == 0) {
        return false;
    }
    (void)out.assign(search.javaHome.view());
    ctx.state.log.print("Runtime used:\t%s (%s-bit)\n", search.bestVersion.c_str(),
                        (search.foundRuntime & FOUND_64BIT) ? "64" : "32");
    return true;
}

void scanRuntimePair(Context& ctx, const char* jreKey, const char* jdkKey, int jdkPreference) {
    switch (jdkPreference) {
        case 0:
            scanRuntimeViews(ctx, jreKey, FOUND_JRE_KEY);
            break;
        case 2:
            scanRuntimeViews(ctx, jdkKey, FOUND_JDK_KEY);
            scanRuntimeViews(ctx, jreKey, FOUND_JRE_KEY);
            break;
        case 3:
            scanRuntimeViews(ctx, jdkKey, FOUND_JDK_KEY);
            break;
        default:
            scanRuntimeViews(ctx, jreKey, FOUND_JRE_KEY);
            scanRuntimeViews(ctx, jdkKey, FOUND_JDK_KEY);
            break;
    }
}

void scanRuntimeViews(Context& ctx, const char* key, std::uint32_t flags) {
    LauncherState& st = ctx.state;
    RuntimeSearchState& search = st.search;
    if (search.bitsMode == kBitsModeUnread) {
        search.bitsMode = loadInt(ctx, cfg::kRuntimeBits);
    }
    const bool windows64 = st.wow64;
    switch (search.bitsMode) {
        case 1:
            if (windows64) {
                scanRuntimeKey(ctx, key, flags | FOUND_64BIT);
            }
            break;
        case 2:
            if (windows64) {
                scanRuntimeKey(ctx, key, flags | FOUND_64BIT);
                if ((search.foundRuntime & FOUND_64BIT) == 0) {
                    scanRuntimeKey(ctx, key, flags);
                }
            } else {
                scanRuntimeKey(ctx, key, flags);
            }
            break;
        case 3:
            scanRuntimeKey(ctx, key, flags);
            if (windows64 &&
                (search.foundRuntime == 0 || (search.foundRuntime & FOUND_64BIT) != 0)) {
                scanRuntimeKey(ctx, key, flags | FOUND_64BIT);
            }
            break;
        case 4:
            scanRuntimeKey(ctx, key, flags);
            break;
        default:
            st.log.print("Runtime bits:\tFailed to load.\n");
            break;
    }
}

void scanRuntimeKey(Context& ctx, const char* key, std::uint32_t flags) {
    LauncherState& st = ctx.state;
    RuntimeSearchState& search = st.search;
    st.log.print("%s-bit search:\t%s...\n", (flags & FOUND_64BIT) ? "64" : "32", key);
    std::unique_ptr<RegistryKey> runtimes =
        ctx.os.openRegistryKey(RegistryRoot::LocalMachine, key, accessFor(flags));
    if (!runtimes) {
        return;
    }
    std::string name;
    for (std::uint32_t index = 0; runtimes->enumSubkey(index, kSubkeyNameMaxChars, name); ++index) {
        FixedText<kPathSize> candidate;
        bool candidateFits = candidate.assign(key) && joinPath(candidate, name);
        if (candidateFits) {
            st.log.print("Check:\t\t%s\n", candidate.c_str());
        } else {
            st.log.print("Check:\t\t%s\\%s\n", key, name.c_str());
        }
        FixedText<kShortTextSize> version;
        bool versionFits = normalizeVersion(version, name);
        bool match =
            candidateFits && versionFits && version.view().compare(search.minVersion.view()) >= 0 &&
            (search.maxVersion.empty() || version.view().compare(search.maxVersion.view()) <= 0) &&
            version.view().compare(search.bestVersion.view()) > 0 &&
            acceptJavaHome(ctx, candidate.c_str(), flags);
        if (match) {
            (void)search.bestVersion.assign(version.view());
            search.foundRuntime = flags;
            st.log.print("Match:\t\t%s\n", version.c_str());
        } else {
            // A version too long to normalise is shown as the subkey names it.
            st.log.print("Ignore:\t\t%s\n", versionFits ? version.c_str() : name.c_str());
        }
    }
}

bool acceptJavaHome(Context& ctx, const char* candidate, std::uint32_t flags) {
    RuntimeSearchState& search = ctx.state.search;
    FixedText<kPathSize> home;
    bool exists = false;
    if (std::unique_ptr<RegistryKey> key =
            ctx.os.openRegistryKey(RegistryRoot::LocalMachine, candidate, accessFor(flags))) {
        RegistryValue value;
        // At most 260 bytes are read; a home that needs more is not usable.
        if (key->queryValue("JavaHome", kPathSize, value) &&
            home.assign(textUpToNul(value.bytes.data(), value.bytes.size()))) {
            exists = launcherExists(ctx, home.view());
        }
    }
    if (exists) {
        (void)search.javaHome.assign(home.view());
        return true;
    }
    search.staleRegistry = true;
    return false;
}

bool launcherExists(Context& ctx, std::string_view home) {
    FixedText<kPathSize> path;
    bool exists = false;
    if (home.empty()) {
        // Nothing to test.
    } else if (path.assign(home) && joinPath(path, kJavaLauncherFile)) {
        exists = ctx.os.fileStatus(path.c_str()) != FileStatus::Missing;
    } else {
        // A launcher path that does not fit a path is not a runtime of ours.
        std::string whole(home);
        whole += whole.back() == '\\' ? "" : "\\";
        whole += kJavaLauncherFile;
        ctx.state.log.print("Check launcher:\t%s %s\n", whole.c_str(), "(not found)");
        ctx.os.setLastError(kErrorSuccess);
        return false;
    }
    if (!exists) {
        ctx.os.setLastError(kErrorSuccess);
    }
    ctx.state.log.print("Check launcher:\t%s %s\n", path.c_str(), exists ? "(OK)" : "(not found)");
    return exists;
}

bool addLauncherFile(Context& ctx, TextBuffer& path) {
    if (!joinPath(path, kJavaLauncherFile)) {
        return noteOverflow(ctx, formatText("The launcher path does not fit into %u characters.",
                                            charsIn(kPathSize)));
    }
    return true;
}

void composeRuntimeError(Context& ctx) {
    LauncherState& st = ctx.state;
    RuntimeSearchState& search = st.search;
    ErrorMessage& message = st.errorMessage;
    if (search.minVersion.empty()) {
        loadString(ctx, cfg::kMsgLocalRuntime, message);
        return;
    }
    loadString(ctx, cfg::kMsgRuntimeRequired, message);
    message.appendCut(" ");
    message.appendCut(search.minVersionText.view());
    if (!search.maxVersionText.empty()) {
        message.appendCut(" - ");
        message.appendCut(search.maxVersionText.view());
    }
    if (search.bitsMode == 1 || search.bitsMode == 4) {
        message.appendCut(" (");
        message.appendCut(search.bitsMode == 1 ? "64" : "32");
        message.appendCut("-bit)");
    }
    if (search.staleRegistry) {
        ErrorMessage stale;
        if (loadString(ctx, cfg::kMsgStaleRegistry, stale)) {
            message.appendCut("\n");
            message.appendCut(stale.view());
        }
    }
    loadString(ctx, cfg::kRuntimeDownloadUrl, st.errorUrl);
}

}  // namespace qv
