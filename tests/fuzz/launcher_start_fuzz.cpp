// The launcher's whole start on the in-memory Windows machine, every input taken from the fuzz
// data: the command line, the configuration values (as the build stores them or as raw bytes
// without a terminator), the options file's bytes, environment variables, registry keys and
// values of every type and size under the runtime keys, files and folders for the runtime search
// and the class path wildcards, the current directory, 64-bit Windows and the memory size. The
// machine starts from the shipped configuration or from a small runnable one.
//
// Each input must hold:
//  - the preparation ends with a step that says why: a text that did not fit (or the options file
//    refused for a zero byte) is named in a sentence, and the error report that the start shows
//    holds that sentence whenever the report has room for it;
//  - the start ends with one of the launcher's exit codes, with 1 when the preparation stopped
//    (also for "--mvk-check", which prepares and stops there); run as a service
//    ("--mvk-service"), a stopped preparation ends either so, before the service runs, or with
//    the service reported stopped with a non-zero exit code of its own (the process then ends
//    with 0, as a service process does); "--mvk-help" and "--mvk-version" give 0 and create no
//    JVM, "--mvk-check" runs no main; main is run only after a JVM was created, and without a
//    "--mvk-" word (the launcher's own commands) a start gives 0 only when main ran;
//  - every JVM option and every argument of main is a text within the line's capacity;
//  - the same machine started twice gives the same exit code, output, debug log, JVM options
//    and arguments of main.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capacities.h"
#include "check.h"
#include "entry.h"
#include "fake_machine.h"
#include "quorvex/launch_config.h"
#include "service_settings.h"
#include "start_plan.h"
#include "state.h"

namespace {

namespace cfg = quorvex::launch_config;
using qv::RegistryRoot;
using qv::testing::FakeJvm;
using qv::testing::FakeMachine;

constexpr const char* kLogPath = "C:\\app\\morvakin.log";
constexpr const char* kOptionsFile = "C:\\app\\QuorvexService.mvk.ini";
// Changes to the machine one input makes at most.
constexpr int kMaxChanges = 48;

constexpr const char* kFolders[] = {
    "C:\\app\\",           "C:\\app\\jre\\",
    "C:\\app\\jre\\bin\\", "C:\\app\\lib\\",
    "C:\\gui\\jre\\bin\\", "C:\\Program Files\\Java\\",
    "C:\\start\\",         "",
};
constexpr const char* kRuntimeKeys[] = {
    "SOFTWARE\\JavaSoft\\Java Runtime Environment",
    "SOFTWARE\\JavaSoft\\Java Development Kit",
    "SOFTWARE\\JavaSoft\\JRE",
    "SOFTWARE\\JavaSoft\\JDK",
    "SOFTWARE\\Zarvel",
};
constexpr const char* kValueNames[] = {"JavaHome", "CurrentVersion", "RuntimeLib", "", "Home"};
constexpr const char* kVariableNames[] = {"Path", "JAVA_HOME", "Morvakin", "APPDATA", "X"};
constexpr std::uint32_t kRegistryTypes[] = {qv::kRegSz, qv::kRegExpandSz, qv::kRegBinary,
                                            qv::kRegDword, 7 /* REG_MULTI_SZ */};
constexpr RegistryRoot kRoots[] = {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser,
                                   RegistryRoot::ClassesRoot, RegistryRoot::Users,
                                   RegistryRoot::CurrentConfig};
constexpr std::string_view kMainClasses[] = {"app/Main",
                                             "org/springframework/boot/loader/JarLauncher"};

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "launcher_start_fuzz: %s\n", what);
        std::abort();
    }
}

template <typename T, std::size_t N>
const T& pick(FuzzedDataProvider& input, const T (&choices)[N]) {
    return choices[input.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

std::string pathFrom(FuzzedDataProvider& input) {
    return std::string(pick(input, kFolders)) + input.ConsumeRandomLengthString(64);
}

// The JVM libraries of a machine by their folded full path (a library added again replaces the
// one before).
using Jvms = std::map<std::string, FakeJvm*>;

void addJvm(FakeMachine& machine, Jvms& jvms, const std::string& home) {
    const std::string path = home + "\\bin\\client\\jvm.dll";
    FakeJvm& jvm = machine.addJvm(path);
    jvm.recordCalls = false;
    for (std::string_view name : kMainClasses) {
        jvm.classes.insert(std::string(name));
    }
    jvms[qv::testing::foldCase(machine.fullPath(path))] = &jvm;
}

// Builds the machine that the fuzz data describes; the same data builds the same machine.
void build(FakeMachine& machine, Jvms& jvms, const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) {
        for (const cfg::Value& v : cfg::kValues) {
            if (v.shipped) {
                machine.setConfig(v.id, v.shippedText);
            }
        }
        machine.addFile("C:\\gui\\jre\\bin\\java.exe");
        addJvm(machine, jvms, "C:\\gui\\jre");
    } else {
        machine.setConfig(101, "Start failed.");
        machine.setConfig(1, "jre");
        machine.setConfig(15, "app.Main");
        machine.addFile("C:\\app\\jre\\bin\\java.exe");
        addJvm(machine, jvms, "C:\\app\\jre");
    }
    // The command line as the system gives it, a text without a NUL.
    const std::string commandLine = input.ConsumeBool() ? "\"C:\\app\\QuorvexService.exe\" " +
                                                              input.ConsumeRandomLengthString(256)
                                                        : input.ConsumeRandomLengthString(256);
    machine.commandLineText = std::string(qv::textUpToNul(commandLine.data(), commandLine.size()));

    for (int change = 0; change < kMaxChanges && input.remaining_bytes() > 0; ++change) {
        switch (input.ConsumeIntegralInRange(0, 11)) {
            case 0:
                machine.setConfig(pick(input, cfg::kValues).id, input.ConsumeRandomLengthString());
                break;
            case 1:  // the bytes as stored, with or without a terminator
                machine.setRawResource(pick(input, cfg::kValues).id,
                                       input.ConsumeRandomLengthString());
                break;
            case 2:
                machine.removeConfig(pick(input, cfg::kValues).id);
                break;
            case 3:
                machine.setVariable(input.ConsumeBool() ? std::string(pick(input, kVariableNames))
                                                        : input.ConsumeRandomLengthString(16),
                                    input.ConsumeRandomLengthString());
                break;
            case 4:
                machine.addFile(pathFrom(input), input.ConsumeRandomLengthString(16));
                break;
            case 5:
                machine.addDirectory(pathFrom(input));
                break;
            case 6:
                machine.addFile(kOptionsFile, input.ConsumeRandomLengthString());
                break;
            case 7: {
                const auto view =
                    input.ConsumeBool() ? FakeMachine::View::Bits64 : FakeMachine::View::Bits32;
                const RegistryRoot root =
                    input.ConsumeBool() ? RegistryRoot::LocalMachine : pick(input, kRoots);
                std::string key = pick(input, kRuntimeKeys);
                if (input.ConsumeBool()) {
                    key += "\\" + input.ConsumeRandomLengthString(16);
                }
                const std::string name = input.ConsumeBool() ? std::string(pick(input, kValueNames))
                                                             : input.ConsumeRandomLengthString(16);
                const std::uint32_t type = input.ConsumeBool()
                                               ? pick(input, kRegistryTypes)
                                               : input.ConsumeIntegral<std::uint32_t>();
                machine.setRegistryValue(view, root, key, name, type,
                                         input.ConsumeRandomLengthString());
                break;
            }
            case 8:
                machine.addRegistryKey(FakeMachine::View::Bits32, RegistryRoot::LocalMachine,
                                       std::string(pick(input, kRuntimeKeys)) + "\\" +
                                           input.ConsumeRandomLengthString(16));
                break;
            case 9:
                machine.cwd = input.ConsumeRandomLengthString(32);
                break;
            case 10:
                machine.windows64 = input.ConsumeBool();
                break;
            case 11: {
                const std::string home = pathFrom(input);
                machine.addFile(home + "\\bin\\java.exe");
                addJvm(machine, jvms, home);
                break;
            }
        }
    }
    if (input.ConsumeBool()) {
        machine.availableMemory = input.ConsumeIntegral<std::uint64_t>();
    }
}

struct Outcome {
    int exitCode = 0;
    std::string output;
    std::string log;
    std::vector<std::vector<std::string>> options;
    std::vector<std::vector<std::string>> mainArguments;
    // The last status a service run reported (not compared: the service's watcher reports its
    // progress at times of its own).
    std::optional<qv::ServiceStatus> lastStatus;
    bool operator==(const Outcome& o) const {
        return exitCode == o.exitCode && output == o.output && log == o.log &&
               options == o.options && mainArguments == o.mainArguments;
    }
};

Outcome start(const std::uint8_t* data, std::size_t size) {
    FakeMachine machine;
    Jvms jvms;
    build(machine, jvms, data, size);
    Outcome outcome;
    outcome.exitCode = qv::runLauncher(machine);
    outcome.output = machine.stdoutText;
    outcome.log = machine.fileContent(kLogPath);
    if (!machine.statuses.empty()) {
        outcome.lastStatus = machine.statuses.back();
    }
    for (const auto& [path, jvm] : jvms) {
        check(jvm->mainArguments.size() <= jvm->creations.size(), "main run without a JVM");
        for (const FakeJvm::Creation& creation : jvm->creations) {
            outcome.options.push_back(creation.options);
        }
        for (const std::vector<std::string>& arguments : jvm->mainArguments) {
            outcome.mainArguments.push_back(arguments);
        }
    }
    // The launcher's own commands ("--mvk-" words) answer with 0 without starting the service.
    if (outcome.exitCode == qv::kExitMainReturned &&
        machine.commandLineText.find("--mvk-") == std::string::npos) {
        check(!outcome.mainArguments.empty(), "a start that ran no main returned 0");
    }
    return outcome;
}

// A sentence that says which text did not fit, or the options file refused for a zero byte.
bool namesWhatWasRefused(const std::string& text) {
    return !text.empty() && text.back() == '.' &&
           (text.find(" not fit ") != std::string::npos ||
            text.find("options file holds a zero byte") != std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The preparation alone, for the step it ends with.
    FakeMachine prepared;
    Jvms preparedJvms;
    build(prepared, preparedJvms, data, size);
    auto state = qv::makeWithTexts<qv::LauncherState>();
    qv::Context ctx{prepared, *state};
    const std::string commandLine = prepared.commandLine();
    const qv::CommandLine line = qv::readCommandLine(commandLine);
    const qv::Step step = qv::prepare(ctx, line);
    const std::size_t messageBefore = state->errorMessage.size();
    if (step.kind() == qv::Step::Kind::TextTooLong) {
        check(namesWhatWasRefused(step.text()), "a refused text that does not name itself");
    } else {
        check(step.text().empty(), "a step with a text that is not about a text too long");
    }
    check(step.kind() != qv::Step::Kind::AnotherInstance, "another instance on a machine alone");

    // The whole start, twice.
    const Outcome first = start(data, size);
    check(first == start(data, size), "not deterministic");
    switch (first.exitCode) {
        case qv::kExitMainReturned:
        case qv::kExitPreparationFailed:
        case qv::kExitNoJvm:
            break;
        default:
            check(false, "an exit code that the launcher does not give");
    }
    const bool serviceCommand = line.command == qv::Command::Install ||
                                line.command == qv::Command::Uninstall ||
                                line.command == qv::Command::Service;
    if (line.command == qv::Command::Help || line.command == qv::Command::Version) {
        check(first.exitCode == qv::kExitMainReturned && first.options.empty(),
              "the launcher's help or version did more than answer");
    } else if (line.command == qv::Command::Check) {
        check(first.mainArguments.empty(), "the check ran main");
        check(step.goesOn() || first.exitCode == qv::kExitPreparationFailed,
              "a check of a stopped start did not fail");
    } else if (!step.goesOn() && line.command == qv::Command::Service &&
               first.exitCode != qv::kExitPreparationFailed) {
        check(first.exitCode == qv::kExitMainReturned && first.lastStatus &&
                  first.lastStatus->state == qv::ServiceState::Stopped &&
                  first.lastStatus->serviceExitCode != 0,
              "a stopped service start that was not reported as a failure");
    } else if (!step.goesOn() && !serviceCommand) {
        check(first.exitCode == qv::kExitPreparationFailed, "a stopped start did not fail");
        // The report is the error message, two line ends and the text, cut at its capacity.
        if (step.kind() == qv::Step::Kind::TextTooLong &&
            messageBefore + 2 + step.text().size() <= state->errorMessage.capacity()) {
            check(first.output.find(step.text()) != std::string::npos,
                  "the report does not show what did not fit");
        }
    }
    for (const auto& options : first.options) {
        for (const std::string& option : options) {
            check(option.size() <= qv::kLineSize - 1, "a JVM option beyond its capacity");
        }
    }
    for (const auto& arguments : first.mainArguments) {
        for (const std::string& argument : arguments) {
            check(argument.size() <= qv::kLineSize - 1, "an argument of main beyond its capacity");
        }
    }
    return 0;
}
