#include "jvm_options.h"

#include "config.h"
#include "diagnostics.h"
#include "format.h"

#include <climits>
#include <cstring>
#include <memory>
#include <string>

namespace qv {

namespace {

constexpr std::uint64_t kPercentOfMb = 104857600;  // 100 * 1048576
constexpr const char* kPathVariable = "Path";
constexpr const char* kRuntimeBinDirectory = "\\bin";
constexpr const char* kOptionsFileSuffix = "mvk.ini";
constexpr std::size_t kExecutableExtensionChars = 3;  // "exe"

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

// Appends the expansion of one reference name; false when it does not fit.
Expansion expandName(Context& ctx, TextBuffer& out, std::string_view name,
                     const ProgramLocation& program) {
    LauncherState& st = ctx.state;
    bool fits = true;
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
        fits = readRegistryText(ctx, name, out) != RegistryRead::Overflow;
    } else if (name.empty()) {
        fits = out.append('%');
    } else {
        std::string variable;
        if (ctx.os.getEnvironmentVariable(std::string(name).c_str(), variable)) {
            fits = out.append(variable);
        }
    }
    return fits ? Expansion::Complete : Expansion::Overflow;
}

// floor(bytes * percent / 104857600) without overflow, saturated to the range of int.
int percentOfMemoryMb(std::uint64_t bytes, int percent) {
    if (percent <= 0) {
        return 0;
    }
    const std::uint64_t p = static_cast<std::uint64_t>(percent);
    const std::uint64_t whole = bytes / kPercentOfMb;
    const std::uint64_t part = (bytes % kPercentOfMb) * p / kPercentOfMb;
    if (whole != 0 && whole > (static_cast<std::uint64_t>(INT_MAX) - part) / p) {
        return INT_MAX;
    }
    const std::uint64_t mb = whole * p + part;
    return mb > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(mb);
}

}  // namespace

Expansion substituteVariables(Context& ctx, TextBuffer& out, std::string_view input,
                              const ProgramLocation& program) {
    std::size_t position = 0;
    while (position < input.size()) {
        std::size_t open = input.find('%', position);
        if (open == std::string_view::npos) {
            return out.append(input.substr(position)) ? Expansion::Complete : Expansion::Overflow;
        }
        std::size_t close = input.find('%', open + 1);
        if (close == std::string_view::npos) {
            return Expansion::UnclosedReference;
        }
        if (!out.append(input.substr(position, open - position))) {
            return Expansion::Overflow;
        }
        std::string_view name = input.substr(open + 1, close - open - 1);
        const std::size_t mark = out.size();
        if (expandName(ctx, out, name, program) == Expansion::Overflow) {
            out.truncate(mark);
            return Expansion::Overflow;
        }
        std::string_view expansion = out.view().substr(mark);
        ctx.state.log.print("Substitute:\t%.*s = %.*s\n", static_cast<int>(name.size()),
                            name.data(), static_cast<int>(expansion.size()), expansion.data());
        position = close + 1;
    }
    return Expansion::Complete;
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
    // No root, or no value name: nothing to read.
    if (root == nullptr || first == std::string_view::npos || last + 1 == name.size()) {
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
    RegistryValue value;
    if (!key || !key->queryValue(valueName.c_str(), kRegistryTextLimit, value)) {
        return RegistryRead::NotRead;
    }
    // Whatever the type, only the bytes read are used, up to their first NUL.
    if (!out.append(textUpToNul(value.bytes.data(), value.bytes.size()))) {
        return RegistryRead::Overflow;
    }
    return RegistryRead::Read;
}

bool appendToPathVar(Context& ctx, std::string_view directory) {
    std::string value;
    if (!ctx.os.getEnvironmentVariable(kPathVariable, value)) {
        value.clear();
    }
    if (value.size() + directory.size() > kPathVariableMaxChars) {
        return noteOverflow(ctx,
                            "The Path variable with the runtime's bin directory does not fit "
                            "into 32766 characters.");
    }
    value += ';';
    value.append(directory);
    return ctx.os.setEnvironmentVariable(kPathVariable, value.c_str());
}

bool addRuntimeToPath(Context& ctx) {
    FixedText<kPathSize> directory;
    if (!directory.assign(ctx.state.launcherPath.view()) ||
        !directory.append(kRuntimeBinDirectory)) {
        return noteOverflow(ctx, "The runtime's bin directory does not fit into 259 characters.");
    }
    if (!appendToPathVar(ctx, directory.view())) {
        ctx.state.log.print("Error:\t\t%s\n", "appendToPathVar failed.");
        return false;
    }
    return true;
}

bool applyEnvironmentSettings(Context& ctx, const ProgramLocation& program) {
    auto settings = std::make_unique<FixedText<kEnvBufferSize>>();
    auto value = std::make_unique<FixedText<kLineSize>>();
    loadString(ctx, cfg::kEnvironment, *settings);
    std::string_view text = settings->view();
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find('\t', position);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view entry = text.substr(position, end - position);
        position = end + 1;
        std::size_t equals = entry.find('=');
        if (entry.empty() || equals == std::string_view::npos) {
            continue;  // an entry without "=" sets nothing
        }
        const std::string name(entry.substr(0, equals));
        value->clear();
        if (substituteVariables(ctx, *value, entry.substr(equals + 1), program) ==
            Expansion::Overflow) {
            return noteOverflow(ctx, formatText("The value of the variable %s (value 19) does not "
                                                "fit into 32767 characters.",
                                                name.c_str()));
        }
        ctx.state.log.print("Set var:\t%s = %s\n", name.c_str(), value->c_str());
        (void)ctx.os.setEnvironmentVariable(name.c_str(), value->c_str());
    }
    return true;
}

bool addHeapOptions(Context& ctx, TextBuffer& line) {
    std::uint64_t available = 0;
    if (!ctx.os.availablePhysicalMemory(available)) {
        available = 0;
    }
    return addHeapOption(ctx, line, cfg::kInitialHeapMb, cfg::kInitialHeapPercent, available,
                         "-Xms") &&
           addHeapOption(ctx, line, cfg::kMaxHeapMb, cfg::kMaxHeapPercent, available, "-Xmx");
}

bool addHeapOption(Context& ctx, TextBuffer& line, int mbId, int percentId,
                   std::uint64_t availableBytes, const char* option) {
    LauncherState& st = ctx.state;
    const int mb = loadInt(ctx, mbId);
    int percent = loadInt(ctx, percentId);
    if (percent < 0) {
        percent = 0;  // a negative share of memory counts as none
    }
    const int fromPercent = percentOfMemoryMb(availableBytes, percent);
    int size = mb > fromPercent ? mb : fromPercent;
    if (size <= 0) {
        return true;
    }
    if ((st.search.foundRuntime & FOUND_64BIT) == 0 && size > kHeapCap32BitMb) {
        st.log.print("Heap limit:\tReduced %d MB heap size to 32-bit maximum %d MB\n", size,
                     kHeapCap32BitMb);
        size = kHeapCap32BitMb;
    }
    const std::uint64_t availableMb = availableBytes >> 20;
    st.log.print(
        "Heap %s:\tRequested %d MB / %d%%, Available: %d MB, Heap size: %d MB\n", option, mb,
        percent,
        availableMb > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(availableMb),
        size);
    if (!line.append(formatText("%s%dm ", option, size))) {
        return noteOverflow(ctx, "The heap options do not fit into the launcher argument line.");
    }
    return true;
}

bool readOptionsFile(Context& ctx, TextBuffer& options, const ProgramLocation& program) {
    if (loadString(ctx, cfg::kJvmOptions, options) && !options.append(' ')) {
        return noteOverflow(ctx, "The JVM options (value 12) do not fit into 32767 characters.");
    }
    if (overflowed(ctx)) {
        return false;
    }
    std::string_view programPath = program.path.view();
    FixedText<kPathSize> path;
    if (programPath.size() < kExecutableExtensionChars ||
        !path.assign(programPath.substr(0, programPath.size() - kExecutableExtensionChars)) ||
        !path.append(kOptionsFileSuffix)) {
        return noteOverflow(ctx, "The options file path does not fit into 259 characters.");
    }
    std::unique_ptr<InputFile> file = ctx.os.openForReading(path.c_str());
    if (!file) {
        return true;
    }
    ctx.state.log.print("Loading:\t%s\n", path.c_str());
    const std::size_t limit =
        options.size() < kOptionsFileReadLimit ? kOptionsFileReadLimit - options.size() : 0;
    std::string bytes(limit, '\0');
    long count = limit ? file->read(bytes.data(), limit) : 0;
    if (count < 0) {
        count = 0;
    }
    char probe = 0;
    if (file->read(&probe, 1) > 0) {
        return noteOverflow(ctx,
                            "The options file does not fit into the JVM options (31744 "
                            "characters with value 12).");
    }
    // A zero byte would join two options or cut the rest away: such a file is no ANSI text
    // (a UTF-16 file, for one), and it is refused by name.
    if (std::memchr(bytes.data(), '\0', static_cast<std::size_t>(count)) != nullptr) {
        return noteOverflow(ctx,
                            "The options file holds a zero byte: it must be a text in the ANSI "
                            "code page.");
    }
    bool inComment = false;
    for (long i = 0; i < count; ++i) {
        const char c = bytes[static_cast<std::size_t>(i)];
        if (c == '#') {
            inComment = true;
        } else if (c == '\r' || c == '\n') {
            inComment = false;
            if (!options.empty() && options.back() != ' ') {
                (void)options.append(' ');
            }
        } else if (!inComment) {
            (void)options.append(c);  // stays within the read limit
        }
    }
    if (count > 0 && options.back() != ' ') {
        (void)options.append(' ');
    }
    return true;
}

}  // namespace qv
