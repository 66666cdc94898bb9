// Benchmark of the launcher's own work before the JVM: the preparation (prepare) and the parse of
// the launcher argument line into JVM options (parseJvmOptions, once per pass), run on the
// in-memory Windows machine of the unit tests. Not a test: it prints figures (see README.md).
//
// Usage: launcher_bench [RUNS]
//   1. the shipped configuration in the shipped install layout, without and with the debug log;
//   2. the cost curve: class path entries, wildcard matches and JVM options, 0 to 4000 each.
#include "entry.h"
#include "fake_machine.h"
#include "jvm_options.h"
#include "quorvex/launch_config.h"
#include "start_plan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using qv::testing::FakeMachine;
using Clock = std::chrono::steady_clock;

constexpr int kDefaultRuns = 2001;
constexpr int kWarmupRuns = 50;
constexpr const char* kProgram = "C:\\Zarvel\\svc\\bin\\QuorvexService.exe";
constexpr const char* kProgramDirectory = "C:\\Zarvel\\svc\\bin";
constexpr const char* kLog = "C:\\Zarvel\\svc\\bin\\morvakin.log";
constexpr const char* kJavaHome = "C:\\Zarvel\\gui\\jre";
constexpr const char* kInitialPath = "C:\\Windows\\system32;C:\\Windows";
// The sizes of the cost curve. 4000 is near the most that fits: the launcher argument line holds
// 32767 characters, and an options text 31744.
constexpr int kCurveSizes[] = {0, 100, 1000, 4000};

// The install of the shipped layout: the program in C:\Zarvel\svc\bin, the local runtime
// "..\..\gui\jre" beside it, and the shipped configuration.
void installShipped(FakeMachine& machine) {
    machine.moduleName = std::string(kProgram);
    machine.commandLineText = std::string("\"") + kProgram + "\"";
    machine.addDirectory(kProgramDirectory);
    machine.addFile(std::string(kJavaHome) + "\\bin\\java.exe");
    machine.addJvm(std::string(kJavaHome) + "\\bin\\client\\jvm.dll");
    for (const quorvex::launch_config::Value& value : quorvex::launch_config::kValues) {
        if (value.shipped) {
            machine.setConfig(
                value.id,
                std::string_view(value.shippedText, static_cast<std::size_t>(value.shippedLength)));
        }
    }
}

// What a preparation changes on the machine, put back so that every run starts alike.
void resetMachine(FakeMachine& machine) {
    machine.cwd = kProgramDirectory;
    machine.setVariable("Path", kInitialPath);
    machine.mutexes->clear();
    machine.mutexesCreated.clear();
    machine.addFile(kLog, "");
    machine.lastErrorCode = 0;
}

struct Figures {
    double prepareUs = 0;  // median
    double prepareP10Us = 0;
    double prepareP90Us = 0;
    double parseUs = 0;  // median
    std::size_t lineChars = 0;
    int options = 0;
};

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const std::size_t index =
        static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[index];
}

double microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// Runs prepare `runs` times (after a warm-up), each with a fresh launcher state, as a process
// has; then parses the prepared line as the run loop's pass does. Exits when a preparation fails.
Figures measure(FakeMachine& machine, int runs, const char* what) {
    const std::string commandLine = machine.commandLine();
    const qv::CommandLine line = qv::readCommandLine(commandLine);
    std::vector<double> prepareTimes;
    std::vector<double> parseTimes;
    Figures figures;
    auto jvm = std::make_unique<qv::JvmStart>();
    for (int i = 0; i < kWarmupRuns + runs; ++i) {
        resetMachine(machine);
        auto state = std::make_unique<qv::LauncherState>();
        qv::Context ctx{machine, *state};
        const Clock::time_point start = Clock::now();
        const qv::Step result = qv::prepare(ctx, line);
        const Clock::time_point prepared = Clock::now();
        if (!result.goesOn()) {
            std::fprintf(stderr, "%s: the preparation failed (kind %d, code %u): %s\n", what,
                         static_cast<int>(result.kind()), static_cast<unsigned>(result.errorCode()),
                         result.text().c_str());
            std::exit(1);
        }
        qv::parseJvmOptions(*jvm, state->search.javaHome.view(), state->mainClass.view(),
                            state->launcherArgs.view(), state->applicationArgs.view());
        const Clock::time_point parsed = Clock::now();
        figures.lineChars = state->launcherArgs.size();
        figures.options = jvm->optionCount;
        jvm->freeOptions();
        if (i >= kWarmupRuns) {
            prepareTimes.push_back(microseconds(prepared - start));
            parseTimes.push_back(microseconds(parsed - prepared));
        }
    }
    figures.prepareUs = percentile(prepareTimes, 0.5);
    figures.prepareP10Us = percentile(prepareTimes, 0.1);
    figures.prepareP90Us = percentile(prepareTimes, 0.9);
    figures.parseUs = percentile(parseTimes, 0.5);
    return figures;
}

std::string numbered(const char* prefix, int i, const char* suffix = "") {
    char text[32];
    std::snprintf(text, sizeof text, "%s%04d%s", prefix, i, suffix);
    return text;
}

// One series of the cost curve: the shipped install with `configure(machine, n)` applied.
void curve(const char* title, const char* item, int runs,
           const std::function<void(FakeMachine&, int)>& configure) {
    std::printf("\n%s\n", title);
    std::printf("  %6s %12s %12s %9s %9s %13s %13s\n", "n", "prepare us", "parse us", "line",
                "options", "prepare us/n", "parse us/n");
    Figures base;
    for (int n : kCurveSizes) {
        FakeMachine machine;
        installShipped(machine);
        configure(machine, n);
        const Figures f = measure(machine, runs, title);
        if (n == 0) {
            base = f;
            std::printf("  %6d %12.2f %12.2f %9zu %9d %13s %13s\n", n, f.prepareUs, f.parseUs,
                        f.lineChars, f.options, "-", "-");
        } else {
            std::printf("  %6d %12.2f %12.2f %9zu %9d %13.4f %13.4f\n", n, f.prepareUs, f.parseUs,
                        f.lineChars, f.options, (f.prepareUs - base.prepareUs) / n,
                        (f.parseUs - base.parseUs) / n);
        }
    }
    std::printf("  (us/n: the added time per %s, against n = 0)\n", item);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;
    std::printf(
        "Launcher preparation on the in-memory Windows machine: median of %d runs "
        "(after %d warm-up runs), in microseconds\n",
        runs, kWarmupRuns);

    std::printf("\nShipped configuration (config/launch-values.txt, config/classpath.txt)\n");
    std::printf("  %-28s %12s %12s %12s %12s %9s %9s\n", "", "prepare us", "p10", "p90", "parse us",
                "line", "options");
    struct Row {
        const char* name;
        const char* arguments;
    } rows[] = {
        {"no debug log", ""},
        {"--mvk-debug", " --mvk-debug"},
        {"--mvk-debug-all", " --mvk-debug-all"},
    };
    for (const Row& row : rows) {
        FakeMachine machine;
        installShipped(machine);
        machine.commandLineText += row.arguments;
        const Figures f = measure(machine, runs, row.name);
        std::printf("  %-28s %12.2f %12.2f %12.2f %12.2f %9zu %9d\n", row.name, f.prepareUs,
                    f.prepareP10Us, f.prepareP90Us, f.parseUs, f.lineChars, f.options);
    }

    // The series replace the shipped class path list (value 16) by what they vary; the options
    // series has none, so that its line has room for 4000 options.
    curve("Class path entries (value 16: n entries \"j0000\" ... )", "entry", runs,
          [](FakeMachine& machine, int n) {
              std::string list;
              for (int i = 0; i < n; ++i) {
                  list += (i ? ";" : "") + numbered("j", i);
              }
              machine.setConfig(16, list);
          });
    curve("Wildcard matches (value 16: \"*\" in a directory of n files, working dir \"cp\")",
          "match", runs, [](FakeMachine& machine, int n) {
              machine.setConfig(8, "cp");
              machine.addDirectory(std::string(kProgramDirectory) + "\\cp");
              for (int i = 0; i < n; ++i) {
                  machine.addFile(std::string(kProgramDirectory) + "\\cp\\" + numbered("", i));
              }
              machine.setConfig(16, "*");
          });
    curve("JVM options (value 12: n options \"-D0000\" ...; no class path list)", "option", runs,
          [](FakeMachine& machine, int n) {
              std::string options;
              for (int i = 0; i < n; ++i) {
                  options += (i ? " " : "") + numbered("-D", i);
              }
              machine.setConfig(12, options);
              machine.removeConfig(16);
          });
    return 0;
}
