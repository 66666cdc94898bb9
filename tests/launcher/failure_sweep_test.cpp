// Every seam call of a whole launcher run fails in turn, one at a time: the start, the --mvk-
// commands and the service run never crash, never report success after a failure that stops
// them, and the report of a stopped run names its cause.
#include "entry.h"
#include "service_install.h"
#include "service_run.h"

#include "fake_machine.h"
#include "launcher_fixture.h"
#include "shipped_config.h"
#include "zip_maker.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace qv::testing {
namespace {

constexpr std::uint32_t kInjectedCode = 5;  // ERROR_ACCESS_DENIED
constexpr const char* kInjectedText = "Access is denied.\r\n";
constexpr const char* kInjectedLine = "Access is denied.";

constexpr const char* kShippedJvm = "C:\\Zarvel\\gui\\jre\\bin\\client\\jvm.dll";
// The application jar of value 14, with the main class of value 15, beside the program.
constexpr const char* kShippedJar = "C:\\Zarvel\\service\\bin\\lib\\quorvexservice-1.0.0.jar";
constexpr const char* kShippedMainClass = "org.springframework.boot.loader.JarLauncher";

// The program as shipped: in service\bin, the runtime in gui\jre, the shipped values.
void shippedInstall(FakeMachine& machine) {
    (void)makeShippedInstall(machine);
    machine.commandLineText = std::string("\"") + kShippedProgram + "\" --mvk-debug";
}

// A runtime found in the registry (value 2), on 64-bit Windows with both views searched, with
// an environment value, an options file, a class path wildcard and a heap share; with the
// messages for a runtime that is not found.
void registrySearch(FakeMachine& machine) {
    (void)makeRegistrySearch(machine);
    machine.setConfig(102, "No bundled runtime.");
    machine.setConfig(103, "A runtime is required:");
}

// The check of the shipped install, whose program and JVM library are PE files of one machine.
void shippedCheck(FakeMachine& machine) {
    shippedInstall(machine);
    machine.addFile(kShippedProgram, peFile(kX64, false));
    machine.addFile(kShippedJvm, peFile(kX64, true));
    machine.addFile(kShippedJar, jarWithClasses({kShippedMainClass}));
    machine.commandLineText += " --mvk-check";
}

// The check of the registry search, whose program and JVM library are PE files of one machine.
void registrySearchCheck(FakeMachine& machine) {
    registrySearch(machine);
    machine.addFile(kProgramPath, peFile(kX64, false));
    machine.addFile("C:\\jdk17\\bin\\client\\jvm.dll", peFile(kX64, true));
    machine.addFile("C:\\app\\work\\lib\\a.jar", jarWithClasses({"app.Main"}));
    machine.commandLineText += " --mvk-check";
}

// The install of the shipped program as a delayed service with a description.
void shippedServiceInstall(FakeMachine& machine) {
    shippedInstall(machine);
    machine.setConfig(35, "Connects the terminals.");
    machine.setConfig(36, "delayed");
    machine.commandLineText += " --mvk-install";
}

// The shipped program's service, running.
void installedService(FakeMachine& machine) {
    FakeMachine::Service service;
    service.name = "QuorvexService";
    service.imagePath = "\"" + machine.moduleName.value_or("") + "\" --mvk-service";
    service.state = ServiceState::Running;
    machine.services["quorvexservice"] = service;
    machine.eventSources.insert("QuorvexService");
}

// The uninstall of the shipped program's service while it runs.
void shippedServiceUninstall(FakeMachine& machine) {
    shippedInstall(machine);
    installedService(machine);
    machine.commandLineText += " --mvk-uninstall";
}

// The install of the shipped program over its running service: an update.
void shippedServiceUpdate(FakeMachine& machine) {
    shippedServiceInstall(machine);
    installedService(machine);
}

// The shipped program started by the service manager.
void shippedServiceRun(FakeMachine& machine) {
    shippedInstall(machine);
    machine.commandLineText += " --mvk-service";
}

// What a run left: its exit code, what it told the world (standard output, then the error
// events, one a line) and the service manager's view.
struct Outcome {
    int exitCode = 0;
    std::string report;
    std::vector<ServiceStatus> statuses;
    bool installed = false;
    bool fired = false;
    FaultInjector counts;
};

Outcome runWith(void (*setUp)(FakeMachine&), std::optional<SeamCall> kind, int index,
                std::uint32_t code = kInjectedCode) {
    FakeMachine machine;
    setUp(machine);
    machine.faults.failKind = kind;
    machine.faults.failIndex = index;
    machine.faults.failCode = code;
    Outcome outcome;
    outcome.exitCode = runLauncher(machine);
    outcome.report = machine.stdoutText;
    for (const std::string& event : machine.events) {
        outcome.report += event + "\n";
    }
    outcome.statuses = machine.statuses;
    outcome.installed = !machine.services.empty() || !machine.eventSources.empty();
    outcome.fired = machine.faults.fired;
    outcome.counts = machine.faults;
    return outcome;
}

// A seam call whose failure stops the run, and what its report must hold.
struct StopPoint {
    SeamCall kind;
    int index;
    int exitCode;
    // The report: this text, then the system text of the code it names ("": none). A null text
    // stands for the run that ends without any report (the jar mode of a main class that could
    // not be loaded).
    const char* message;
    const char* systemText;
};

struct Scenario {
    const char* name;
    void (*setUp)(FakeMachine&);
    // Whether the run succeeded; a run that a failure stopped never does.
    bool (*succeeded)(const Outcome&);
    // A stopped run leaves neither the service nor its event source (the install).
    bool leavesNothingWhenStopped;
    // Every other call that the run makes is tolerated: the run succeeds all the same.
    std::vector<StopPoint> stops;
};

bool startSucceeded(const Outcome& o) {
    return o.exitCode == kExitMainReturned && o.report.empty();
}
bool checkSucceeded(const Outcome& o) {
    const std::string tail = "The service could start.\n";
    return o.exitCode == kExitMainReturned && o.report.size() > tail.size() &&
           o.report.compare(o.report.size() - tail.size(), tail.size(), tail) == 0;
}
bool installSucceeded(const Outcome& o) {
    return o.exitCode == kExitServiceCommandDone && o.installed &&
           o.report.rfind("The service QuorvexService is installed: ", 0) == 0;
}
bool updateSucceeded(const Outcome& o) {
    return o.exitCode == kExitServiceCommandDone && o.installed &&
           o.report.rfind("The service QuorvexService is updated: ", 0) == 0;
}
bool uninstallSucceeded(const Outcome& o) {
    return o.exitCode == kExitServiceCommandDone && !o.installed &&
           o.report == "The service QuorvexService is uninstalled.\n";
}
// Running, or stopped at once with success, and nothing in the event log; a status report that
// could not be made is missing from the list.
bool serviceRunSucceeded(const Outcome& o) {
    bool ran = false;
    for (const ServiceStatus& status : o.statuses) {
        if (status.win32ExitCode != 0) {
            return false;
        }
        ran = ran || status.state == ServiceState::Running || status.state == ServiceState::Stopped;
    }
    return o.exitCode == 0 && o.report.empty() && ran;
}

constexpr const char* kShippedMessage = "An error occurred while starting the application.\n\n";
constexpr const char* kNoBundledRuntime =
    "This application was configured to use a bundled Java Runtime Environment but the runtime "
    "is missing or corrupted.";
constexpr const char* kNotLoadedYet = "\n\n";  // before the error message is loaded
constexpr const char* kModuleNotFoundText = "The specified module could not be found.\r\n";
// Windows' text for error 193 names the JVM library in its insert.
constexpr const char* kShippedBadExeFormatText =
    "C:\\Zarvel\\service\\bin\\..\\..\\gui\\jre\\bin\\client\\jvm.dll is not a valid Win32 "
    "application.\r\n";
constexpr const char* kRegistryBadExeFormatText =
    "C:\\jdk17\\bin\\client\\jvm.dll is not a valid Win32 application.\r\n";
// The check's findings that stop it: main not in the class path, or the jar mode's missing main.
constexpr const char* kShippedMainNotFound =
    "Main class org.springframework.boot.loader.JarLauncher "
    "(org/springframework/boot/loader/JarLauncher.class): not found in the class path\n";
constexpr const char* kMainNotFound =
    "Main class app.Main (app/Main.class): not found in the class path\n";
constexpr const char* kNoMainInJarMode = "Main: not run in the jar mode (value 15 unset)";
constexpr const char* kWillNotStart = "The service will not start.\n";
constexpr const char* kNotInstalled = "The service QuorvexService could not be installed: ";
constexpr const char* kNotUninstalled = "The service QuorvexService could not be uninstalled: ";
constexpr const char* kNotUpdated = "The service QuorvexService could not be updated: ";
constexpr const char* kJarMode = nullptr;
constexpr const char* kNoProgramData =
    "The program data folder is not known (no ProgramData variable): value 47 must name the "
    "service's temporary folder.";

// Tolerated by design, in every scenario: an options file that cannot be opened or read (it is
// optional), environment reads (a variable that cannot be read is not set), the current
// directory (the start-up directory stays empty) and the change into the working directory,
// the WOW64 probe (not WOW64), the memory status (no heap share), the mutex (only an existing
// one stops), the console's instance lock (a lock it may not take is no other instance), the
// variables of value 19 (set when possible), a find of the class path wildcard (no match), the
// registry keys that do not hold the runtime used (nothing there), the enumeration's call after the
// last subkey (the list ends there either way), a log line that cannot be written (ignored), a
// configuration value that cannot be loaded (taken for a missing one: the build's optional values),
// the status of a class path entry (the check shows it as missing), the program's own path and PE
// headers in the check (it then names and compares nothing), the recovery on non-crash failures
// (the install and the update say what is missing), the uninstall's wait for the stopped service,
// and the status reports of a service (nothing to be done about them).
//
// Stops: the program's own path, the requested debug log, the Path variable with the runtime's
// bin directory, the JVM library and its entry; value 101 (the report then has only the system
// text), value 1 or the status of the bundled runtime (no runtime), value 15 (the jar mode,
// which runs no main and reports nothing); in the registry search, the values that choose it
// (2, 18, 30: no runtime then) and every failure that loses the 64-bit runtime it uses (its
// key, its version subkey, its JavaHome, the launcher's status; or the WOW64 probe, which
// leaves only the 32-bit runtime whose JVM library is missing) ends with the load of a library
// that is not there. The check stops where the start would and on a JVM library it cannot
// read; the service commands on every service manager call they make; the service run where
// the start would, on its instance lock, on the program data folder and the TEMP and TMP
// variables of its temporary folder, on the dispatcher and on the control handler; the install
// on the program data folder as well.
const Scenario kScenarios[] = {
    {"start, shipped configuration",
     shippedInstall,
     startSucceeded,
     false,
     {
         {SeamCall::ModuleFileName, 0, kExitPreparationFailed, kNotLoadedYet, kInjectedText},
         {SeamCall::SetVariable, 0, kExitPreparationFailed, kShippedMessage, kInjectedText},
         {SeamCall::LibraryLoad, 0, kExitNoJvm, kShippedMessage, kInjectedText},
         {SeamCall::EntryLookup, 0, kExitNoJvm, kShippedMessage, kInjectedText},
         {SeamCall::ResourceLoad, 2, kExitPreparationFailed, kNotLoadedYet, kInjectedText},
         {SeamCall::ResourceLoad, 5, kExitPreparationFailed, kNoBundledRuntime, kInjectedText},
         {SeamCall::ResourceLoad, 8, kExitNoJvm, kJarMode, ""},
         {SeamCall::FileQuery, 0, kExitPreparationFailed, kNoBundledRuntime, ""},
         {SeamCall::LogOpen, 0, kExitPreparationFailed, kNotLoadedYet, kInjectedText},
     }},
    {"start, registry search",
     registrySearch,
     startSucceeded,
     false,
     {
         {SeamCall::ModuleFileName, 0, kExitPreparationFailed, kNotLoadedYet, kInjectedText},
         {SeamCall::Wow64Probe, 0, kExitNoJvm, "Start failed.\n\n", kModuleNotFoundText},
         {SeamCall::RegistryOpen, 6, kExitNoJvm, "Start failed.\n\n", kModuleNotFoundText},
         {SeamCall::RegistryOpen, 7, kExitNoJvm, "Start failed.\n\n", kModuleNotFoundText},
         {SeamCall::RegistryEnum, 0, kExitNoJvm, "Start failed.\n\n", kModuleNotFoundText},
         {SeamCall::RegistryQuery, 0, kExitNoJvm, "Start failed.\n\n", kModuleNotFoundText},
         {SeamCall::SetVariable, 0, kExitPreparationFailed, "Start failed.\n\n", kInjectedText},
         {SeamCall::LibraryLoad, 0, kExitNoJvm, "Start failed.\n\n", kInjectedText},
         {SeamCall::EntryLookup, 0, kExitNoJvm, "Start failed.\n\n", kInjectedText},
         {SeamCall::ResourceLoad, 0, kExitPreparationFailed, kNotLoadedYet, kInjectedText},
         {SeamCall::ResourceLoad, 2, kExitPreparationFailed, "No bundled runtime.", ""},
         {SeamCall::ResourceLoad, 3, kExitPreparationFailed, "A runtime is required: 11", ""},
         {SeamCall::ResourceLoad, 4, kExitPreparationFailed, "A runtime is required: 11", ""},
         {SeamCall::ResourceLoad, 8, kExitNoJvm, kJarMode, ""},
         {SeamCall::FileQuery, 0, kExitNoJvm, "Start failed.\n\n", kModuleNotFoundText},
         {SeamCall::LogOpen, 0, kExitPreparationFailed, kNotLoadedYet, kInjectedText},
     }},
    {"--mvk-check, shipped configuration",
     shippedCheck,
     checkSucceeded,
     false,
     {
         {SeamCall::ModuleFileName, 0, kExitPreparationFailed, kNotLoadedYet, kInjectedText},
         {SeamCall::SetVariable, 0, kExitPreparationFailed, kShippedMessage, kInjectedText},
         {SeamCall::ResourceLoad, 2, kExitPreparationFailed, kNotLoadedYet, kInjectedText},
         {SeamCall::ResourceLoad, 5, kExitPreparationFailed, kNoBundledRuntime, kInjectedText},
         {SeamCall::FileQuery, 0, kExitPreparationFailed, kNoBundledRuntime, ""},
         {SeamCall::FileQuery, 1, kExitPreparationFailed, kShippedMessage, kModuleNotFoundText},
         {SeamCall::LogOpen, 0, kExitPreparationFailed, kNotLoadedYet, kInjectedText},
         {SeamCall::FileBytes, 0, kExitPreparationFailed, kShippedMessage,
          kShippedBadExeFormatText},
         {SeamCall::FileBytes, 1, kExitPreparationFailed, kShippedMessage,
          kShippedBadExeFormatText},
         // The working directory stays the start-up one, against which no entry is there.
         {SeamCall::ResourceLoad, 4, kExitPreparationFailed, kShippedMainNotFound, kWillNotStart},
         {SeamCall::ChangeDirectory, 0, kExitPreparationFailed, kShippedMainNotFound,
          kWillNotStart},
         {SeamCall::ResourceLoad, 8, kExitPreparationFailed, kNoMainInJarMode, kWillNotStart},
     }},
    {"--mvk-check, registry search",
     registrySearchCheck,
     checkSucceeded,
     false,
     {
         {SeamCall::ModuleFileName, 0, kExitPreparationFailed, kNotLoadedYet, kInjectedText},
         {SeamCall::Wow64Probe, 0, kExitPreparationFailed, "Start failed.\n\n",
          kModuleNotFoundText},
         {SeamCall::RegistryOpen, 6, kExitPreparationFailed, "Start failed.\n\n",
          kModuleNotFoundText},
         {SeamCall::RegistryOpen, 7, kExitPreparationFailed, "Start failed.\n\n",
          kModuleNotFoundText},
         {SeamCall::RegistryEnum, 0, kExitPreparationFailed, "Start failed.\n\n",
          kModuleNotFoundText},
         {SeamCall::RegistryQuery, 0, kExitPreparationFailed, "Start failed.\n\n",
          kModuleNotFoundText},
         {SeamCall::SetVariable, 0, kExitPreparationFailed, "Start failed.\n\n", kInjectedText},
         {SeamCall::ResourceLoad, 0, kExitPreparationFailed, kNotLoadedYet, kInjectedText},
         {SeamCall::ResourceLoad, 2, kExitPreparationFailed, "No bundled runtime.", ""},
         {SeamCall::ResourceLoad, 3, kExitPreparationFailed, "A runtime is required: 11", ""},
         {SeamCall::ResourceLoad, 4, kExitPreparationFailed, "A runtime is required: 11", ""},
         {SeamCall::FileQuery, 0, kExitPreparationFailed, "Start failed.\n\n", kModuleNotFoundText},
         {SeamCall::FileQuery, 1, kExitPreparationFailed, "Start failed.\n\n", kModuleNotFoundText},
         {SeamCall::LogOpen, 0, kExitPreparationFailed, kNotLoadedYet, kInjectedText},
         {SeamCall::FileBytes, 0, kExitPreparationFailed, "Start failed.\n\n",
          kRegistryBadExeFormatText},
         {SeamCall::FileBytes, 1, kExitPreparationFailed, "Start failed.\n\n",
          kRegistryBadExeFormatText},
         // Main's jar lost: the working directory (value 8, the change into it), the class path
         // (value 16, its wildcard), the jar's status, size and two reads.
         {SeamCall::ResourceLoad, 1, kExitPreparationFailed, kMainNotFound, kWillNotStart},
         {SeamCall::ChangeDirectory, 0, kExitPreparationFailed, kMainNotFound, kWillNotStart},
         {SeamCall::ResourceLoad, 9, kExitPreparationFailed, kMainNotFound, kWillNotStart},
         {SeamCall::FindFirst, 0, kExitPreparationFailed, kMainNotFound, kWillNotStart},
         {SeamCall::FileQuery, 4, kExitPreparationFailed, kMainNotFound, kWillNotStart},
         {SeamCall::FileBytes, 4, kExitPreparationFailed, kMainNotFound, kWillNotStart},
         {SeamCall::FileBytes, 5, kExitPreparationFailed, kMainNotFound, kWillNotStart},
         {SeamCall::FileBytes, 6, kExitPreparationFailed, kMainNotFound, kWillNotStart},
         {SeamCall::ResourceLoad, 8, kExitPreparationFailed, kNoMainInJarMode, kWillNotStart},
     }},
    {"--mvk-install, shipped configuration",
     shippedServiceInstall,
     installSucceeded,
     true,
     {
         {SeamCall::ModuleFileName, 0, kExitServiceCommandFailed, kNotInstalled, kInjectedLine},
         {SeamCall::GetVariable, 0, kExitServiceCommandFailed, kNotInstalled, kNoProgramData},
         {SeamCall::ServiceManagerOpen, 0, kExitServiceCommandFailed, kNotInstalled, kInjectedLine},
         {SeamCall::ServiceCreate, 0, kExitServiceCommandFailed, kNotInstalled, kInjectedLine},
         {SeamCall::ServiceConfig, 0, kExitServiceCommandFailed, kNotInstalled, kInjectedLine},
         {SeamCall::ServiceConfig, 1, kExitServiceCommandFailed, kNotInstalled, kInjectedLine},
         {SeamCall::ServiceConfig, 2, kExitServiceCommandFailed, kNotInstalled, kInjectedLine},
         {SeamCall::ServiceConfig, 3, kExitServiceCommandFailed, kNotInstalled, kInjectedLine},
         {SeamCall::EventSource, 0, kExitServiceCommandFailed, kNotInstalled, kInjectedLine},
     }},
    // A failed update leaves the service with what was set before the failure.
    {"--mvk-install over the installed service, shipped configuration",
     shippedServiceUpdate,
     updateSucceeded,
     false,
     {
         {SeamCall::ModuleFileName, 0, kExitServiceCommandFailed, kNotInstalled, kInjectedLine},
         {SeamCall::GetVariable, 0, kExitServiceCommandFailed, kNotInstalled, kNoProgramData},
         {SeamCall::ServiceManagerOpen, 0, kExitServiceCommandFailed, kNotInstalled, kInjectedLine},
         {SeamCall::ServiceCreate, 0, kExitServiceCommandFailed, kNotInstalled, kInjectedLine},
         {SeamCall::ServiceOpen, 0, kExitServiceCommandFailed, kNotUpdated, kInjectedLine},
         {SeamCall::ServiceQuery, 0, kExitServiceCommandFailed, kNotUpdated, kInjectedLine},
         {SeamCall::ServiceConfig, 0, kExitServiceCommandFailed, kNotUpdated, kInjectedLine},
         {SeamCall::ServiceConfig, 1, kExitServiceCommandFailed, kNotUpdated, kInjectedLine},
         {SeamCall::ServiceConfig, 2, kExitServiceCommandFailed, kNotUpdated, kInjectedLine},
         {SeamCall::ServiceConfig, 3, kExitServiceCommandFailed, kNotUpdated, kInjectedLine},
         {SeamCall::ServiceConfig, 4, kExitServiceCommandFailed, kNotUpdated, kInjectedLine},
         {SeamCall::EventSource, 0, kExitServiceCommandFailed, kNotUpdated, kInjectedLine},
     }},
    {"--mvk-uninstall, shipped configuration",
     shippedServiceUninstall,
     uninstallSucceeded,
     false,
     {
         {SeamCall::ModuleFileName, 0, kExitServiceCommandFailed, kNotUninstalled, kInjectedLine},
         {SeamCall::ServiceManagerOpen, 0, kExitServiceCommandFailed, kNotUninstalled,
          kInjectedLine},
         {SeamCall::ServiceOpen, 0, kExitServiceCommandFailed, kNotUninstalled, kInjectedLine},
         {SeamCall::ServiceQuery, 0, kExitServiceCommandFailed, kNotUninstalled, kInjectedLine},
         {SeamCall::ServiceQuery, 1, kExitServiceCommandFailed, kNotUninstalled, kInjectedLine},
         {SeamCall::ServiceStop, 0, kExitServiceCommandFailed, kNotUninstalled, kInjectedLine},
         {SeamCall::ServiceDelete, 0, kExitServiceCommandFailed, kNotUninstalled, kInjectedLine},
         {SeamCall::EventSource, 0, kExitServiceCommandFailed, kNotUninstalled, kInjectedLine},
     }},
    // The service run ends for the process once the dispatcher returns (0); the stop is in the
    // service's reports and its error event.
    {"--mvk-service, shipped configuration",
     shippedServiceRun,
     serviceRunSucceeded,
     false,
     {
         {SeamCall::ModuleFileName, 0, 0, kNotLoadedYet, kInjectedText},
         {SeamCall::SetVariable, 0, 0, kShippedMessage, kInjectedText},
         {SeamCall::LibraryLoad, 0, 0, kShippedMessage, kInjectedText},
         {SeamCall::EntryLookup, 0, 0, kShippedMessage, kInjectedText},
         {SeamCall::ResourceLoad, 3, 0, kNotLoadedYet, kInjectedText},
         {SeamCall::ResourceLoad, 6, 0, kNoBundledRuntime, kInjectedText},
         {SeamCall::ResourceLoad, 9, 0, kJarMode, ""},
         {SeamCall::FileQuery, 0, 0, kNoBundledRuntime, ""},
         // Not a stop: the service runs without its debug log, and the event says why.
         {SeamCall::LogOpen, 0, 0,
          "The debug log cannot be opened; the service runs without it. "
          "C:\\Zarvel\\service\\bin\\morvakin.log: ",
          kInjectedLine},
         {SeamCall::InstanceLock, 0, 0, kShippedMessage, kInjectedText},
         {SeamCall::GetVariable, 2, 0, kShippedMessage, kNoProgramData},
         {SeamCall::SetVariable, 1, 0, kShippedMessage, kInjectedText},
         {SeamCall::SetVariable, 2, 0, kShippedMessage, kInjectedText},
         {SeamCall::Dispatcher, 0, kExitNotAService, "--mvk-service: ", kInjectedLine},
         {SeamCall::ControlHandler, 0, 0,
          "The service control handler could not be registered: ", kInjectedLine},
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
        ASSERT_TRUE(scenario.succeeded(clean)) << scenario.name << ":\n" << clean.report;
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
                    EXPECT_TRUE(scenario.succeeded(failed))
                        << "exit code " << failed.exitCode << ":\n"
                        << failed.report;
                    continue;
                }
                EXPECT_FALSE(scenario.succeeded(failed)) << failed.report;
                EXPECT_EQ(failed.exitCode, stop->exitCode);
                if (scenario.leavesNothingWhenStopped) {
                    EXPECT_FALSE(failed.installed);
                }
                if (stop->message == kJarMode) {
                    EXPECT_EQ(failed.report, "");
                    continue;
                }
                // The report: the message, then the system text of the cause.
                const std::size_t at = failed.report.find(stop->message);
                EXPECT_NE(at, std::string::npos) << failed.report;
                EXPECT_NE(failed.report.find(stop->systemText, at), std::string::npos)
                    << failed.report;
            }
        }
        // Every run makes the calls this sweep is about; a run that makes none sweeps nothing.
        EXPECT_GT(points, static_cast<int>(scenario.stops.size())) << scenario.name;
    }
}

// A failure whose code has no system text: the report names the code instead.
TEST(FailureSweep, ACauseWithoutSystemTextIsNamedByItsCode) {
    constexpr std::uint32_t kCodeWithoutText = 1359;  // ERROR_INTERNAL_ERROR, no text here
    struct Case {
        void (*setUp)(FakeMachine&);
        SeamCall kind;
        const char* report;
    } cases[] = {
        {shippedInstall, SeamCall::LibraryLoad,
         "Zarvel-Quorvex integration service: An error occurred while starting the application."
         "\n\nWindows error 1359 (no description available).\n"},
        {shippedServiceInstall, SeamCall::ServiceManagerOpen,
         "The service QuorvexService could not be installed: Windows error 1359 (no description "
         "available).\n"},
        {shippedServiceRun, SeamCall::LibraryLoad,
         "QuorvexService: An error occurred while starting the application.\n\nWindows error "
         "1359 (no description available).\n"},
        {shippedServiceRun, SeamCall::Dispatcher,
         "--mvk-service: Windows error 1359 (no description available).\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(seamCallName(c.kind));
        Outcome failed = runWith(c.setUp, c.kind, 0, kCodeWithoutText);
        ASSERT_TRUE(failed.fired);
        EXPECT_EQ(failed.report, c.report);
    }
}

// The version and the help answer without a call that could fail: there is nothing to sweep.
TEST(FailureSweep, VersionAndHelpMakeNoCallThatCanFail) {
    for (const char* word : {" --mvk-version", " --mvk-help"}) {
        SCOPED_TRACE(word);
        FakeMachine machine;
        shippedInstall(machine);
        machine.commandLineText += word;
        EXPECT_EQ(runLauncher(machine), kExitMainReturned);
        EXPECT_NE(machine.stdoutText, "");
        for (std::size_t k = 0; k < kSeamCallKinds; ++k) {
            EXPECT_EQ(machine.faults.count(static_cast<SeamCall>(k)), 0)
                << seamCallName(static_cast<SeamCall>(k));
        }
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
