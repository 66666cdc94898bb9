// Every seam call of a whole launcher run fails in turn, one at a time: the launcher never
// crashes, never reports success after a failure that stops the start, and the report of a
// stopped start names its cause.
#include "entry.h"

#include "fake_machine.h"
#include "launcher_fixture.h"
#include "shipped_config.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace qv::testing {
namespace {

using View = FakeMachine::View;

constexpr std::uint32_t kInjectedCode = 5;  // ERROR_ACCESS_DENIED
constexpr const char* kInjectedText = "Access is denied.\r\n";

// The program as shipped: in service\bin, the runtime in gui\jre, the shipped values.
void shippedInstall(FakeMachine& machine) {
    (void)makeShippedInstall(machine);
    machine.commandLineText = std::string("\"") + kShippedProgram + "\" --mvk-debug";
}

// A runtime found in the registry (value 2), on 64-bit Windows with both views searched, with
// an environment value, an options file, a class path wildcard and a heap share.
void registrySearch(FakeMachine& machine) {
    (void)makeRegistrySearch(machine);
}

struct Outcome {
    int exitCode = 0;
    std::string stdoutText;
    bool fired = false;
    FaultInjector counts;
};

Outcome runWith(void (*setUp)(FakeMachine&), std::optional<SeamCall> kind, int index) {
    FakeMachine machine;
    setUp(machine);
    machine.faults.failKind = kind;
    machine.faults.failIndex = index;
    machine.faults.failCode = kInjectedCode;
    Outcome outcome;
    outcome.exitCode = runLauncher(machine);
    outcome.stdoutText = machine.stdoutText;
    outcome.fired = machine.faults.fired;
    outcome.counts = machine.faults;
    return outcome;
}

// A seam call whose failure stops the start, and what the report on standard output must hold.
struct StopPoint {
    SeamCall kind;
    int index;
    int exitCode;
    const char* message;     // the start-up error message (empty: not loaded yet)
    const char* systemText;  // the system text of the code that the report names
};

struct Scenario {
    const char* name;
    void (*setUp)(FakeMachine&);
    // Every other call that the run makes is tolerated: the run goes on to main and returns 0.
    std::vector<StopPoint> stops;
};

constexpr const char* kShippedMessage = "An error occurred while starting the application.";
constexpr const char* kModuleNotFoundText = "The specified module could not be found.\r\n";

// Tolerated by design, in both scenarios: an options file that cannot be opened or read (it is
// optional), environment reads (a variable that cannot be read is not set), the current
// directory (the start-up directory stays empty) and the change into the working directory,
// the WOW64 probe (not WOW64), the memory status (no heap share), the mutex (only an existing
// one stops), the variables of value 19 (set when possible), a find of the class path wildcard
// (no match), the registry keys that do not hold the runtime used (nothing there) and the
// enumeration's call after the last subkey (the list ends there either way).
//
// Stops: the program's own path, the Path variable with the runtime's bin directory, the JVM
// library and its entry; in the registry search, every failure that loses the 64-bit runtime
// it uses (its key, its version subkey, its JavaHome; or the WOW64 probe, which leaves only the
// 32-bit runtime whose JVM library is missing) ends with the load of a library that is not there.
const Scenario kScenarios[] = {
    {"shipped configuration",
     shippedInstall,
     {
         {SeamCall::ModuleFileName, 0, kExitPreparationFailed, "", kInjectedText},
         {SeamCall::SetVariable, 0, kExitPreparationFailed, kShippedMessage, kInjectedText},
         {SeamCall::LibraryLoad, 0, kExitNoJvm, kShippedMessage, kInjectedText},
         {SeamCall::EntryLookup, 0, kExitNoJvm, kShippedMessage, kInjectedText},
     }},
    {"registry search",
     registrySearch,
     {
         {SeamCall::ModuleFileName, 0, kExitPreparationFailed, "", kInjectedText},
         {SeamCall::Wow64Probe, 0, kExitNoJvm, "Start failed.", kModuleNotFoundText},
         {SeamCall::RegistryOpen, 6, kExitNoJvm, "Start failed.", kModuleNotFoundText},
         {SeamCall::RegistryOpen, 7, kExitNoJvm, "Start failed.", kModuleNotFoundText},
         {SeamCall::RegistryEnum, 0, kExitNoJvm, "Start failed.", kModuleNotFoundText},
         {SeamCall::RegistryQuery, 0, kExitNoJvm, "Start failed.", kModuleNotFoundText},
         {SeamCall::SetVariable, 0, kExitPreparationFailed, "Start failed.", kInjectedText},
         {SeamCall::LibraryLoad, 0, kExitNoJvm, "Start failed.", kInjectedText},
         {SeamCall::EntryLookup, 0, kExitNoJvm, "Start failed.", kInjectedText},
     }},
};

const StopPoint* stopPointOf(const Scenario& scenario, SeamCall kind, int index) {
    for (const StopPoint& stop : scenario.stops) {
        if (stop.kind == kind && stop.index == index) {
            return &stop;
        }
    }
    return nullptr;
}

TEST(FailureSweep, EveryFailingSeamCallStopsWithItsCauseOrIsTolerated) {
    for (const Scenario& scenario : kScenarios) {
        Outcome clean = runWith(scenario.setUp, std::nullopt, 0);
        ASSERT_EQ(clean.exitCode, kExitMainReturned) << scenario.name;
        ASSERT_EQ(clean.stdoutText, "") << scenario.name;
        for (const StopPoint& stop : scenario.stops) {
            EXPECT_LT(stop.index, clean.counts.count(stop.kind))
                << scenario.name << ": no " << seamCallName(stop.kind) << " call #" << stop.index;
        }
        int points = 0;
        for (std::size_t k = 0; k < kSeamCallKinds; ++k) {
            const SeamCall kind = static_cast<SeamCall>(k);
            for (int index = 0; index < clean.counts.count(kind); ++index, ++points) {
                SCOPED_TRACE(std::string(scenario.name) + ": " + seamCallName(kind) + " call #" +
                             std::to_string(index) + " fails");
                Outcome failed = runWith(scenario.setUp, kind, index);
                ASSERT_TRUE(failed.fired);
                const StopPoint* stop = stopPointOf(scenario, kind, index);
                if (stop == nullptr) {
                    EXPECT_EQ(failed.exitCode, kExitMainReturned);
                    EXPECT_EQ(failed.stdoutText, "");
                    continue;
                }
                EXPECT_EQ(failed.exitCode, stop->exitCode);
                // The report: the message, then the system text of the cause.
                const std::string message = stop->message;
                const std::size_t at = failed.stdoutText.find(message + "\n\n");
                EXPECT_NE(at, std::string::npos) << failed.stdoutText;
                EXPECT_NE(failed.stdoutText.find(stop->systemText, at), std::string::npos)
                    << failed.stdoutText;
            }
        }
        // Both runs make the calls this sweep is about; a run that makes none sweeps nothing.
        EXPECT_GT(points, static_cast<int>(scenario.stops.size())) << scenario.name;
    }
}

// An options file that cannot be read adds nothing, like one that is not there; before, what
// stayed unread was taken for a file too long for the JVM options and the start stopped.
TEST(FailureSweep, AnOptionsFileThatCannotBeReadAddsNothing) {
    for (bool readFails : {false, true}) {
        SCOPED_TRACE(readFails ? "read fails" : "read succeeds");
        FakeMachine machine;
        registrySearch(machine);
        if (readFails) {
            machine.faults.failKind = SeamCall::FileRead;
            machine.faults.failIndex = 0;
        }
        ASSERT_EQ(runLauncher(machine), kExitMainReturned);
        EXPECT_EQ(machine.stdoutText, "");
        const std::string log = machine.fileContent("C:\\app\\morvakin.log");
        EXPECT_NE(log.find("Loading:\tC:\\app\\QuorvexService.mvk.ini\n"), std::string::npos);
        // The file's one option reaches the JVM only when the file could be read.
        EXPECT_EQ(log.find("-Dhome=C:\\app") != std::string::npos, !readFails) << log;
    }
}

}  // namespace
}  // namespace qv::testing
