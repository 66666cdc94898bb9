#include "check.h"

#include "access_review.h"
#include "check_findings.h"
#include "class_path.h"
#include "config.h"
#include "diagnostics.h"
#include "format.h"
#include "jvm_options.h"
#include "jvm_start.h"
#include "names.h"
#include "service_check.h"
#include "start_plan.h"
#include "words.h"

#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#ifndef QV_PRODUCT_VERSION
#error "QV_PRODUCT_VERSION must name the product version"
#endif

namespace qv {

namespace {

struct OwnWord {
    std::string_view word;
    const char* meaning;
};
// The launcher's own words, in the order of the help text.
constexpr OwnWord kOwnWords[] = {
    {kHelpWord, "print this list of the launcher's own words"},
    {kVersionWord, "print the product version"},
    {kCheckWord,
     "check the start without starting the service: configuration, runtime, JVM library,\n"
     "                  JVM options, main's arguments, class path and main class, service\n"
     "                  values; exit code 0 when the service could start, 1 otherwise"},
    {kDebugWord, nullptr},  // the debug log's file name: debugMeaning()
    {kDebugAllWord, "the debug log with every configuration read and runtime search step"},
    {kInstallWord,
     "install the program as a Windows service (values 33 to 39, 44 and 45;\n"
     "                  administrator rights)"},
    {kUninstallWord, "stop and remove the installed service"},
    {kServiceWord, "run as the service: the word the service manager starts the program with"},
};

// Windows error codes of a failed LoadLibraryA, for the report of a library the start could not
// load.
constexpr std::uint32_t kErrorModNotFound = 126;   // ERROR_MOD_NOT_FOUND
constexpr std::uint32_t kErrorBadExeFormat = 193;  // ERROR_BAD_EXE_FORMAT

// The PE file layout: the DOS header's "MZ" and the offset of the PE signature, the signature,
// and the file header fields after it.
constexpr std::string_view kDosSignature = "MZ";
constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kPeOffsetField = 0x3C;
constexpr std::string_view kPeSignature{"PE\0\0", 4};
constexpr std::size_t kMachineField = 4;           // after the signature's start
constexpr std::size_t kCharacteristicsField = 22;  // after the signature's start
constexpr std::size_t kPeHeaderBytes = 24;
constexpr std::uint16_t kImageFileDll = 0x2000;  // IMAGE_FILE_DLL

struct MachineName {
    std::uint16_t machine;
    const char* name;
};
constexpr MachineName kMachineNames[] = {
    {0x014C, "x86"},
    {0x8664, "x64"},
    {0x01C4, "ARM"},
    {0xAA64, "ARM64"},
};

std::uint16_t little16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t little32(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(little16(bytes, at)) |
           static_cast<std::uint32_t>(little16(bytes, at + 2)) << 16;
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Every configuration value the program holds, and how it compares with the shipped one.
void appendConfiguration(Context& ctx, std::string& out) {
    out += "Configuration values (resources of the program):\n";
    auto text = std::make_unique<FixedText<kLineSize>>();
    for (const cfg::Value& value : cfg::kValues) {
        Result<bool> read = loadText(ctx, value.id, *text);
        const std::string_view shipped(value.shippedText,
                                       static_cast<std::size_t>(value.shippedLength));
        out += formatText("  %d %s: ", value.id, value.name);
        if (!read.step.goesOn()) {
            out += formatText("does not fit into %u characters\n", charsIn(kLineSize));
        } else if (!read.value) {
            out += value.shipped ? "not set (removed from the shipped configuration)\n"
                                 : "not set (as shipped)\n";
        } else {
            out.append(text->view());
            out += !value.shipped            ? " (set in this program)\n"
                   : text->view() == shipped ? " (as shipped)\n"
                                             : " (changed from the shipped text)\n";
        }
    }
    std::string variable;
    out += formatText("Environment variable %s: %s\n", kLogVariable,
                      ctx.os.getEnvironmentVariable(kLogVariable, variable)
                          ? ("\"" + variable + "\"").c_str()
                          : "not set");
}

// The start's decisions, as the preparation recorded them.
void appendDecisions(std::string_view decisions, std::string& out) {
    out += "Decisions of the start:\n";
    for (std::string_view line : lines(decisions)) {
        if (line.empty()) {
            continue;
        }
        out += "  ";
        out += line;
        out += '\n';
    }
}

// The JVM library of the runtime found: present, a PE file, a DLL, of the program's own
// machine. Stops as the start would when it could not load it.
Step appendJvmLibrary(Context& ctx, const std::string& programPath, std::string& out) {
    const RuntimeSearchState& search = ctx.state.search;
    out += formatText("Runtime: %s\n", search.javaHome.c_str());
    FixedText<kPathSize> path;
    (void)jvmLibraryPath(search.javaHome.view(), path);  // checked by the preparation
    out += formatText("JVM library: %s\n", path.c_str());
    const std::string subject(path.view());
    if (ctx.os.fileStatus(path.c_str()) != FileStatus::File) {
        out += "  missing\n";
        return Step::windowsError(kErrorModNotFound).about(subject);
    }
    const std::optional<PeHeader> library = readPeHeader(ctx.os, path.c_str());
    const std::optional<PeHeader> program = readPeHeader(ctx.os, programPath.c_str());
    if (!library) {
        out += "  present, but not a Windows program or library\n";
        return Step::windowsError(kErrorBadExeFormat).about(subject);
    }
    const std::string machine = machineName(library->machine);
    if (!library->dll) {
        out += formatText("  present, a program for %s, not a DLL\n", machine.c_str());
        return Step::windowsError(kErrorBadExeFormat).about(subject);
    }
    if (program && program->machine != library->machine) {
        out += formatText("  present, a DLL for %s, but this program is built for %s\n",
                          machine.c_str(), machineName(program->machine).c_str());
        return Step::windowsError(kErrorBadExeFormat).about(subject);
    }
    out += formatText("  present, a DLL for %s, the program's own architecture\n", machine.c_str());
    return Step::goOn();
}

// The options, main class, main's arguments and class path of the first pass.
void appendJvmStart(Context& ctx, const JvmStart& jvm, std::string& out) {
    const LauncherState& st = ctx.state;
    out += formatText("JVM options (%d):\n", static_cast<int>(jvm.optionCount));
    std::string_view classPath;
    bool hasClassPath = false;
    for (jint i = 0; i < jvm.optionCount; ++i) {
        const std::string& option = jvm.texts[static_cast<std::size_t>(i)];
        out += "  " + option + "\n";
        if (!hasClassPath && startsWith(option, kClassPathOptionPrefix)) {
            hasClassPath = true;
            classPath = std::string_view(option).substr(
                std::char_traits<char>::length(kClassPathOptionPrefix));
        }
    }
    out += st.mainClass.empty() ? std::string("Main class: none (jar mode: main is not run)\n")
                                : formatText("Main class: %s\n", st.mainClass.c_str());
    const std::vector<std::string> arguments = splitWords(st.applicationArgs.view());
    out += formatText("Main's arguments (%d):\n", static_cast<int>(arguments.size()));
    for (const std::string& argument : arguments) {
        out += "  " + argument + "\n";
    }

    out += !hasClassPath       ? "Class path: none\n"
           : classPath.empty() ? "Class path: empty\n"
                               : "Class path:\n";
    std::size_t start = 0;
    while (hasClassPath && start <= classPath.size()) {
        std::size_t end = classPath.find(';', start);
        if (end == std::string_view::npos) {
            end = classPath.size();
        }
        const std::string entry(classPath.substr(start, end - start));
        start = end + 1;
        if (entry.empty()) {
            continue;
        }
        out +=
            ctx.os.fileStatus(entry.c_str()) == FileStatus::Missing ? "  missing  " : "  present  ";
        out += entry + "\n";
    }

    // The pattern entries of value 16 and what each matched.
    if (!st.classPathPatterns.empty()) {
        out += "Class path patterns and their matches:\n";
    }
    for (const ClassPathPattern& pattern : st.classPathPatterns) {
        out += "  " + pattern.entry + "\n";
        for (const std::string& match : pattern.matches) {
            out += "    " + match + "\n";
        }
        if (pattern.matches.empty()) {
            out += "    matches nothing\n";
        }
    }
}

std::string helpText() {
    std::string text = formatText(
        "%s: the launcher's own words (every other word of the command "
        "line is handed to the service):\n",
        kProductName);
    const std::string debugMeaning =
        formatText("write the debug log %s beside the program", kLogFileName);
    for (const OwnWord& word : kOwnWords) {
        text += formatText("  %-15s %s\n", std::string(word.word).c_str(),
                           word.meaning != nullptr ? word.meaning : debugMeaning.c_str());
    }
    text += formatText(
        "A word that contains \"%s\" never reaches the service: it is removed from there up to "
        "the next blank.\n",
        std::string(kPrivateOptionMarker).c_str());
    return text;
}

int runCheck(Context& ctx, const CommandLine& line) {
    LauncherState& st = ctx.state;
    std::string decisions;
    st.log.recordInto(&decisions);
    bool anotherInstance = false;
    Step prepared = prepareBesideAnotherInstance(ctx, line, anotherInstance);
    if (prepared.goesOn()) {
        prepared = loadBool(ctx, cfg::kRestart).step;  // value 9, as the start reads it
    }
    st.log.recordInto(nullptr);

    std::string programPath;
    if (st.module == nullptr || !ctx.os.moduleFileName(st.module, programPath)) {
        programPath.clear();
    }
    std::string out =
        formatText("Check of the start of %s (%s %s, launcher %s)\n", programPath.c_str(),
                   kProductName, QV_PRODUCT_VERSION, kLauncherVersion);
    appendConfiguration(ctx, out);
    appendServiceValues(ctx, out);
    appendDecisions(decisions, out);
    bool willNotStart = false;
    if (prepared.goesOn()) {
        prepared = appendJvmLibrary(ctx, programPath, out);
        auto jvm = makeWithTexts<JvmStart>();
        planJvmPass(st, *jvm);
        appendJvmStart(ctx, *jvm, out);
        willNotStart = prepared.goesOn() && appendFindings(ctx, *jvm, anotherInstance, out);
        out += accessReviewSection(ctx, programPath);
    }
    ctx.os.writeStdout(out);

    if (!prepared.goesOn()) {
        // The report the start would give; the check names the support page instead of opening
        // it.
        const std::string url(st.errorUrl.view());
        st.errorUrl.clear();
        reportError(ctx, prepared);
        if (!url.empty()) {
            ctx.os.writeStdout(formatText("Support page: %s\n", url.c_str()));
        }
        return kExitPreparationFailed;
    }
    closeDebugLog(ctx);
    if (willNotStart) {
        ctx.os.writeStdout("The service will not start.\n");
        return kExitPreparationFailed;
    }
    ctx.os.writeStdout("The service could start.\n");
    return kExitMainReturned;
}

}  // namespace

int runOwnCommand(Context& ctx, const CommandLine& line) {
    switch (line.command) {
        case Command::Help:
            ctx.os.writeStdout(helpText());
            return kExitMainReturned;
        case Command::Version:
            ctx.os.writeStdout(formatText("%s %s (launcher %s)\n", kProductName, QV_PRODUCT_VERSION,
                                          kLauncherVersion));
            return kExitMainReturned;
        case Command::Check:
            return runCheck(ctx, line);
        case Command::Start:
        case Command::Install:
        case Command::Uninstall:
        case Command::Service:
            break;
    }
    return kExitMainReturned;
}

std::optional<PeHeader> readPeHeader(Os& os, const char* path) {
    std::string dos;
    if (!os.readFileBytes(path, 0, kDosHeaderSize, dos) || dos.size() < kDosHeaderSize ||
        !startsWith(dos, kDosSignature)) {
        return std::nullopt;
    }
    std::string pe;
    if (!os.readFileBytes(path, little32(dos, kPeOffsetField), kPeHeaderBytes, pe) ||
        pe.size() < kPeHeaderBytes || !startsWith(pe, kPeSignature)) {
        return std::nullopt;
    }
    return PeHeader{little16(pe, kMachineField),
                    (little16(pe, kCharacteristicsField) & kImageFileDll) != 0};
}

std::string machineName(std::uint16_t machine) {
    for (const MachineName& known : kMachineNames) {
        if (known.machine == machine) {
            return known.name;
        }
    }
    return formatText("machine 0x%04X", static_cast<unsigned>(machine));
}

}  // namespace qv
