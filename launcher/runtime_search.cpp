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

// Reads and normalises a configured version bound. The result is false when the normalised
// version does not fit; the step stops when the value or its normalised form does not fit.
template <int Id, int MaxLength>
Result<bool> normalizeBound(Context& ctx, cfg::ValueConstant<Id, MaxLength> value,
                            VersionText& text, VersionText& normalised) {
    Result<bool> read = loadString(ctx, value, text);
    if (!normalizeVersion(normalised, text.view())) {
        read.step.keepFirst(stopTooLong(
            ctx, formatText("The Java version of value %d does not fit into %u characters when "
                            "normalised.",
                            Id, charsIn(kShortTextSize))));
        return {false, std::move(read.step)};
    }
    return {true, std::move(read.step)};
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

Step jreSearch(Context& ctx, const ProgramLocation& program) {
    RuntimeSearchState& search = ctx.state.search;
    DebugLog& log = ctx.state.log;
    log.printAll("jreSearch()\n");
    Result<bool> installedFirst = loadBool(ctx, cfg::kInstalledFirst);
    search.installedFirst = installedFirst.value;
    Step stop = std::move(installedFirst.step);
    Result<bool> bound =
        normalizeBound(ctx, cfg::kJavaMinVersion, search.minVersionText, search.minVersion);
    stop.keepFirst(std::move(bound.step));
    if (!bound.value) {
        return stop;
    }
    log.print("Java min ver:\t%s\n", search.minVersion.c_str());
    bound = normalizeBound(ctx, cfg::kJavaMaxVersion, search.maxVersionText, search.maxVersion);
    stop.keepFirst(std::move(bound.step));
    if (!bound.value) {
        return stop;
    }
    log.print("Java max ver:\t%s\n", search.maxVersion.c_str());
    // The second place is searched only when the first found nothing and nothing overflowed.
    Result<bool> found =
        search.installedFirst ? installedJreSearch(ctx) : bundledJreSearch(ctx, program);
    stop.keepFirst(std::move(found.step));
    if (!found.value && stop.goesOn()) {
        found = search.installedFirst ? bundledJreSearch(ctx, program) : installedJreSearch(ctx);
        stop.keepFirst(std::move(found.step));
    }
    if (found.value) {
        return stop;
    }
    stop.keepFirst(composeRuntimeError(ctx));
    return stop.goesOn() ? stopWithLastError(ctx) : stop;
}

Result<bool> bundledJreSearch(Context& ctx, const ProgramLocation& program) {
    LauncherState& st = ctx.state;
    st.log.printAll("bundledJreSearch()\n");
    Result<bool> is64Bit = loadBool(ctx, cfg::kLocalRuntime64bit);
    if (is64Bit.value && !st.wow64) {
        st.log.print("Bundled JRE:\tCannot use 64-bit runtime on 32-bit OS.\n");
        return {false, Step::goOn()};
    }
    Step stop = std::move(is64Bit.step);
    FixedText<kPathSize> value;
    Result<bool> read = loadString(ctx, cfg::kLocalRuntime, value);
    stop.keepFirst(std::move(read.step));
    if (!read.value) {
        return {false, std::move(stop)};
    }
    auto expanded = std::make_unique<FixedText<kLineSize>>();
    Step expansion =
        expansionStep(ctx, substituteVariables(ctx, *expanded, value.view(), program), [] {
            return formatText("The local runtime path (value 1) does not fit into %u characters.",
                              charsIn(kLineSize));
        });
    if (!expansion.goesOn()) {
        stop.keepFirst(std::move(expansion));
        return {false, std::move(stop)};
    }
    st.log.print("Bundled JRE:\t%s\n", expanded->c_str());
    std::string_view path = expanded->view();
    FixedText<kPathSize> home;
    bool fits = isAbsolutePath(path) ? home.assign(path)
                                     : home.assign(program.directory()) && joinPath(home, path);
    if (!fits) {
        stop.keepFirst(stopTooLong(ctx, formatText("The local runtime path (value 1) does not fit "
                                                   "into %u characters.",
                                                   charsIn(kPathSize))));
        return {false, std::move(stop)};
    }
    if (!launcherExists(ctx, home.view())) {
        return {false, std::move(stop)};
    }
    st.search.foundRuntime = is64Bit.value ? (FOUND_LOCAL | FOUND_64BIT) : FOUND_LOCAL;
    (void)st.search.javaHome.assign(home.view());
    return {true, std::move(stop)};
}

Result<bool> installedJreSearch(Context& ctx) {
    LauncherState& st = ctx.state;
    st.log.printAll("installedJreSearch()\n");
    if (st.search.minVersion.empty()) {
        return {false, Step::goOn()};
    }
    Result<int> jdkPreference = loadInt(ctx, cfg::kJdkPreference);
    Result<bool> found = findJavaHome(ctx, jdkPreference.value);
    jdkPreference.step.keepFirst(std::move(found.step));
    return {found.value, std::move(jdkPreference.step)};
}

Result<bool> findJavaHome(Context& ctx, int jdkPreference) {
    RuntimeSearchState& search = ctx.state.search;
    ctx.state.log.printAll("findJavaHome()\n");
    Step stop = Step::goOn();
    for (const RuntimeKeyPair& pair : kJavaSoftPairs) {
        stop.keepFirst(scanRuntimePair(ctx, pair.jreKey, pair.jdkKey, jdkPreference));
    }
    for (const RuntimeKeyPair& pair : kIbmPairs) {
        if (search.foundRuntime == 0) {
            stop.keepFirst(scanRuntimePair(ctx, pair.jreKey, pair.jdkKey, jdkPreference));
        }
    }
    if (search.foundRuntime == 0) {
        return {false, std::move(stop)};
    }
    ctx.state.log.print("Runtime used:\t%s (%s-bit)\n", search.bestVersion.c_str(),
                        (search.foundRuntime & FOUND_64BIT) ? "64" : "32");
    return {true, std::move(stop)};
}

Step scanRuntimePair(Context& ctx, const char* jreKey, const char* jdkKey, int jdkPreference) {
    Step stop = Step::goOn();
    switch (jdkPreference) {
        case 0:
            stop.keepFirst(scanRuntimeViews(ctx, jreKey, FOUND_JRE_KEY));
            break;
        case 2:
            stop.keepFirst(scanRuntimeViews(ctx, jdkKey, FOUND_JDK_KEY));
            stop.keepFirst(scanRuntimeViews(ctx, jreKey, FOUND_JRE_KEY));
            break;
        case 3:
            stop.keepFirst(scanRuntimeViews(ctx, jdkKey, FOUND_JDK_KEY));
            break;
        default:
            stop.keepFirst(scanRuntimeViews(ctx, jreKey, FOUND_JRE_KEY));
            stop.keepFirst(scanRuntimeViews(ctx, jdkKey, FOUND_JDK_KEY));
            break;
    }
    return stop;
}

Step scanRuntimeViews(Context& ctx, const char* key, std::uint32_t flags) {
    LauncherState& st = ctx.state;
    RuntimeSearchState& search = st.search;
    Step stop = Step::goOn();
    if (search.bitsMode == kBitsModeUnread) {
        Result<int> bits = loadInt(ctx, cfg::kRuntimeBits);
        search.bitsMode = bits.value;
        stop = std::move(bits.step);
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
    return stop;
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
        // Nothing to test: the last error stays as it is.
    } else if (path.assign(home) && joinPath(path, kJavaLauncherFile)) {
        exists = ctx.os.fileStatus(path.c_str()) != FileStatus::Missing;
        if (!exists) {
            ctx.os.setLastError(kErrorSuccess);  // the failed query leaves no stale code
        }
    } else {
        // A launcher path that does not fit a path is not a runtime of ours.
        std::string whole(home);
        whole += whole.back() == '\\' ? "" : "\\";
        whole += kJavaLauncherFile;
        ctx.state.log.print("Check launcher:\t%s %s\n", whole.c_str(), "(not found)");
        ctx.os.setLastError(kErrorSuccess);
        return false;
    }
    ctx.state.log.print("Check launcher:\t%s %s\n", path.c_str(), exists ? "(OK)" : "(not found)");
    return exists;
}

Step addLauncherFile(Context& ctx, FixedText<kPathSize>& path) {
    (void)path.assign(ctx.state.search.javaHome.view());
    if (!joinPath(path, kJavaLauncherFile)) {
        return stopTooLong(ctx, formatText("The launcher path does not fit into %u characters.",
                                           charsIn(kPathSize)));
    }
    return Step::goOn();
}

Step composeRuntimeError(Context& ctx) {
    LauncherState& st = ctx.state;
    RuntimeSearchState& search = st.search;
    ErrorMessage& message = st.errorMessage;
    if (search.minVersion.empty()) {
        return loadString(ctx, cfg::kMsgLocalRuntime, message).step;
    }
    Step stop = loadString(ctx, cfg::kMsgRuntimeRequired, message).step;
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
        Result<bool> read = loadString(ctx, cfg::kMsgStaleRegistry, stale);
        stop.keepFirst(std::move(read.step));
        if (read.value) {
            message.appendCut("\n");
            message.appendCut(stale.view());
        }
    }
    stop.keepFirst(loadString(ctx, cfg::kRuntimeDownloadUrl, st.errorUrl).step);
    return stop;
}

}  // namespace qv
