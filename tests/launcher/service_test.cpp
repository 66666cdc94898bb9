// The service commands on the fake machine: install and uninstall with their arguments and
// failures, and the status reports of a service run from start to stop.
#include "entry.h"
#include "format.h"
#include "service_install.h"
#include "service_run.h"

#include "launcher_fixture.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <set>

namespace qv::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kQuotedProgram = "\"C:\\app\\QuorvexService.exe\"";

int runWith(FakeMachine& machine, const std::string& arguments) {
    machine.commandLineText = std::string(kQuotedProgram) + " " + arguments;
    return runLauncher(machine);
}

// --- Install and uninstall
// ------------------------------------------------------------------------

TEST(ServiceInstall, RegistersTheServiceWithItsSettingsRecoveryAndEventSource) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, const char*>> values;
        const char* arguments;
        const char* serviceName;
        const char* displayName;
        const char* imagePath;
        ServiceStartType startType;
        bool delayed;
        std::optional<std::string> description;
        std::uint32_t restartDelayMs;
    } cases[] = {
        {"defaults",
         {{10, "Quorvex integration"}},
         "--mvk-install",
         "QuorvexService",
         "Quorvex integration",
         "\"C:\\app\\QuorvexService.exe\" --mvk-service",
         ServiceStartType::Automatic,
         false,
         std::nullopt,
         60000},
        {"every value, debug-all carried",
         {{33, "Qv Bridge"},
          {34, "Quorvex Bridge"},
          {35, "Connects the terminals."},
          {36, "delayed"},
          {39, "15"}},
         "--mvk-debug-all --mvk-install",
         "Qv Bridge",
         "Quorvex Bridge",
         "\"C:\\app\\QuorvexService.exe\" --mvk-service --mvk-debug-all",
         ServiceStartType::DelayedAutomatic,
         true,
         std::string("Connects the terminals."),
         15000},
        {"manual, debug carried, delay capped at a day",
         {{36, "manual"}, {39, "999999"}},
         "--mvk-install --mvk-debug",
         "QuorvexService",
         "QuorvexService",
         "\"C:\\app\\QuorvexService.exe\" --mvk-service --mvk-debug",
         ServiceStartType::Manual,
         false,
         std::nullopt,
         86400000},
        {"a restart delay below one second is the default",
         {{36, "automatic"}, {39, "-5"}},
         "--mvk-install",
         "QuorvexService",
         "QuorvexService",
         "\"C:\\app\\QuorvexService.exe\" --mvk-service",
         ServiceStartType::Automatic,
         false,
         std::nullopt,
         60000},
        // The start type as the service manager's own tools write it, and a stop method.
        {"start type in capitals, a stop method",
         {{36, "Manual"}, {37, "com.acme.Service.stop"}},
         "--mvk-install",
         "QuorvexService",
         "QuorvexService",
         "\"C:\\app\\QuorvexService.exe\" --mvk-service",
         ServiceStartType::Manual,
         false,
         std::nullopt,
         60000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine machine;
        for (const auto& [id, text] : c.values) {
            machine.setConfig(id, text);
        }
        EXPECT_EQ(runWith(machine, c.arguments), kExitServiceCommandDone);
        EXPECT_EQ(machine.stdoutText, std::string("The service ") + c.serviceName +
                                          " is installed: " + c.imagePath + "\n");
        ASSERT_EQ(machine.services.size(), 1u);
        const FakeMachine::Service& s = machine.services.begin()->second;
        EXPECT_EQ(s.name, c.serviceName);
        EXPECT_EQ(s.displayName, c.displayName);
        EXPECT_EQ(s.imagePath, c.imagePath);
        EXPECT_EQ(s.startType, c.startType);
        EXPECT_EQ(s.delayedAutoStart, c.delayed);
        EXPECT_EQ(s.description, c.description);
        ASSERT_TRUE(s.recovery.has_value());
        EXPECT_EQ(s.recovery->restartDelayMs, c.restartDelayMs);
        EXPECT_EQ(s.recovery->restartCount, kRecoveryRestarts);
        EXPECT_EQ(s.recovery->resetPeriodSeconds, kRecoveryResetSeconds);
        EXPECT_TRUE(s.recoveryOnNonCrashFailures);
        EXPECT_EQ(s.preshutdownTimeoutMs, kDefaultStopTimeoutSeconds * 1000 + 5000);
        EXPECT_EQ(s.account, "LocalSystem");
        EXPECT_TRUE(s.dependencies.empty());
        EXPECT_EQ(machine.eventSources, std::set<std::string>{c.serviceName});
        EXPECT_EQ(machine.eventMessageFiles.at(c.serviceName), "C:\\app\\QuorvexService.exe");
        EXPECT_TRUE(machine.statuses.empty());
        EXPECT_TRUE(machine.librariesLoaded.empty());
    }
}

TEST(ServiceInstall, AProgramFolderUsersCanChangeIsRefusedUnlessAccepted) {
    const AccessList unpackedBelowC{"S-1-5-32-544",
                                    true,
                                    {{true, false, 0x001F01FF, "S-1-5-18"},
                                     {true, false, 0x001F01FF, "S-1-5-32-544"},
                                     {true, false, 0x001301BF, "S-1-5-11"}}};
    {
        FakeMachine machine;
        machine.setAccessList("C:\\app", unpackedBelowC);
        EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandFailed);
        EXPECT_EQ(machine.stdoutText,
                  "The service QuorvexService could not be installed: Users other than "
                  "administrators can change what the service runs as SYSTEM: C:\\app can be "
                  "changed by NT AUTHORITY\\Authenticated Users (S-1-5-11). Install it below "
                  "Program Files, or give those folders to administrators only; value 46 names "
                  "folders to accept as they are.\n");
        EXPECT_TRUE(machine.services.empty());
        EXPECT_TRUE(machine.eventSources.empty());
    }
    {
        FakeMachine machine;
        machine.setAccessList("C:\\app", unpackedBelowC);
        machine.setConfig(46, "C:\\app");
        EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandDone);
        EXPECT_EQ(machine.services.size(), 1u);
        EXPECT_EQ(machine.stdoutText.substr(0, machine.stdoutText.find('\n') + 1),
                  "C:\\app is accepted as it is (value 46).\n");
    }
}

TEST(ServiceInstall, WithoutTheNonCrashFlagTheInstallStandsAndSaysSo) {
    FakeMachine machine;
    machine.refusesNonCrashFlag = true;
    EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandDone);
    EXPECT_EQ(machine.stdoutText,
              "The service QuorvexService is installed: "
              "\"C:\\app\\QuorvexService.exe\" --mvk-service; it is "
              "restarted after a crash only: The parameter is incorrect.\n");
    ASSERT_EQ(machine.services.size(), 1u);
    EXPECT_TRUE(machine.services.begin()->second.recovery.has_value());
    EXPECT_FALSE(machine.services.begin()->second.recoveryOnNonCrashFailures);
}

TEST(ServiceInstall, FailuresPrintTheSystemTextAndChangeNothing) {
    {
        SCOPED_TRACE("without administrator rights");
        FakeMachine machine;
        machine.administrator = false;
        EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandFailed);
        EXPECT_EQ(machine.stdoutText,
                  "The service QuorvexService could not be installed: Access is denied.\n");
        EXPECT_TRUE(machine.services.empty());
        EXPECT_TRUE(machine.eventSources.empty());
    }
    {
        SCOPED_TRACE("the name is taken");
        FakeMachine machine;
        FakeMachine::Service other;
        other.name = "QuorvexService";
        other.imagePath = "other.exe";
        machine.services["quorvexservice"] = other;
        EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandFailed);
        EXPECT_EQ(machine.stdoutText,
                  "The service QuorvexService could not be installed: The "
                  "specified service already exists. It runs other.exe, not this program.\n");
        ASSERT_EQ(machine.services.size(), 1u);
        EXPECT_EQ(machine.services.begin()->second.imagePath, "other.exe");
        EXPECT_TRUE(machine.eventSources.empty());
    }
    for (const auto& [id, text] : std::vector<std::pair<int, const char*>>{
             {36, "auto"}, {36, "manually"}, {37, "stop"}, {37, "com.acme..stop"}, {37, "a.1b"}}) {
        SCOPED_TRACE(text);  // a start type or stop method the install cannot use
        FakeMachine machine;
        machine.setConfig(id, text);
        EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandFailed);
        EXPECT_EQ(machine.stdoutText,
                  "The service QuorvexService could not be installed: The data is invalid.\n");
        EXPECT_TRUE(machine.services.empty());
    }
}

TEST(ServiceUninstall, StopsARunningServiceAndRemovesItAndItsEventSource) {
    FakeMachine machine;
    machine.setConfig(33, "Qv Bridge");
    EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandDone);
    machine.services.begin()->second.state = ServiceState::Running;
    machine.stdoutText.clear();
    EXPECT_EQ(runWith(machine, "--mvk-uninstall"), kExitServiceCommandDone);
    EXPECT_EQ(machine.stdoutText, "The service Qv Bridge is uninstalled.\n");
    EXPECT_THAT(machine.stopsSent, ElementsAre("Qv Bridge"));
    EXPECT_TRUE(machine.services.empty());
    EXPECT_TRUE(machine.eventSources.empty());

    // A stopped service is removed without a stop.
    EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandDone);
    EXPECT_EQ(runWith(machine, "--mvk-uninstall"), kExitServiceCommandDone);
    EXPECT_EQ(machine.stopsSent.size(), 1u);
    EXPECT_TRUE(machine.services.empty());
}

TEST(ServiceUninstall, AServiceThatDoesNotStopIsRemovedAfterTheStopTimeout) {
    FakeMachine machine;
    machine.setConfig(38, "1");
    EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandDone);
    machine.services.begin()->second.state = ServiceState::Running;
    machine.services.begin()->second.stops = false;
    machine.stdoutText.clear();
    EXPECT_EQ(runWith(machine, "--mvk-uninstall"), kExitServiceCommandDone);
    EXPECT_EQ(machine.stdoutText, "The service QuorvexService is uninstalled.\n");
    EXPECT_EQ(machine.stopsSent.size(), 1u);
    EXPECT_TRUE(machine.services.empty());
}

TEST(ServiceUninstall, FailuresPrintTheSystemTextAndChangeNothing) {
    FakeMachine machine;
    EXPECT_EQ(runWith(machine, "--mvk-uninstall"), kExitServiceCommandFailed);
    EXPECT_EQ(machine.stdoutText,
              "The service QuorvexService could not be uninstalled: The "
              "specified service does not exist as an installed service.\n");

    EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandDone);
    machine.administrator = false;
    machine.stdoutText.clear();
    EXPECT_EQ(runWith(machine, "--mvk-uninstall"), kExitServiceCommandFailed);
    EXPECT_EQ(machine.stdoutText,
              "The service QuorvexService could not be uninstalled: Access is denied.\n");
    EXPECT_EQ(machine.services.size(), 1u);
    EXPECT_EQ(machine.eventSources.size(), 1u);
}

// --- Installing over an installed service
// ---------------------------------------------------------

TEST(ServiceUpdate, TheProgramOfAnImagePathIsItsFirstWordQuotedOrNot) {
    const std::string program = "C:\\Program Files\\Qv\\QuorvexService.exe";
    struct Case {
        const char* imagePath;
        bool runs;
        const char* programOf;
    } cases[] = {
        {"\"C:\\Program Files\\Qv\\QuorvexService.exe\" --mvk-service", true,
         "C:\\Program Files\\Qv\\QuorvexService.exe"},
        {"\"c:\\program files\\qv\\QUORVEXSERVICE.EXE\"", true,
         "c:\\program files\\qv\\QUORVEXSERVICE.EXE"},
        {"C:\\Program Files\\Qv\\QuorvexService.exe --mvk-service", true, "C:\\Program"},
        {"C:\\Program Files\\Qv\\QuorvexService.exe", true, "C:\\Program"},
        {"\"C:\\Program Files\\Qv\\QuorvexService.exe.old\" --mvk-service", false,
         "C:\\Program Files\\Qv\\QuorvexService.exe.old"},
        {"C:\\Program Files\\Qv\\QuorvexService.exe2", false, "C:\\Program"},
        {"\"D:\\Qv\\QuorvexService.exe\" --mvk-service", false, "D:\\Qv\\QuorvexService.exe"},
        {"\"C:\\Program Files\\Qv\\QuorvexService.exe", true,
         "C:\\Program Files\\Qv\\QuorvexService.exe"},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.imagePath);
        EXPECT_EQ(runsProgram(c.imagePath, program), c.runs);
        EXPECT_EQ(programOf(c.imagePath), c.programOf);
    }
}

// An install over the service of this program that the service manager holds as `before`.
struct UpdateMachine {
    UpdateMachine() {
        FakeMachine::Service s;
        s.name = "QuorvexService";
        s.displayName = "Old name";
        s.imagePath = "\"C:\\APP\\QuorvexService.exe\" --mvk-service --mvk-debug";
        s.startType = ServiceStartType::Automatic;
        s.delayedAutoStart = true;
        s.description = "Old description.";
        s.recovery = ServiceRecovery{1000, 1, 10};
        s.preshutdownTimeoutMs = 180000;
        s.account = ".\\someone";
        s.dependencies = {"Tcpip"};
        s.state = ServiceState::Running;
        machine.services["quorvexservice"] = s;
        machine.eventSources.insert("QuorvexService");
    }
    const FakeMachine::Service& service() const { return machine.services.at("quorvexservice"); }
    FakeMachine machine;
};

TEST(ServiceUpdate, AServiceOfThisProgramIsMadeAsTheInstallMakesOne) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, const char*>> values;
        const char* arguments;
        const char* displayName;
        const char* imagePath;
        ServiceStartType startType;
        bool delayed;
        const char* description;
        std::uint32_t restartDelayMs;
        std::uint32_t preshutdownMs;
    } cases[] = {
        {"the settings unset: the debug word, the description and the delay go",
         {},
         "--mvk-install",
         "QuorvexService",
         "\"C:\\app\\QuorvexService.exe\" --mvk-service",
         ServiceStartType::Automatic,
         false,
         "",
         60000,
         35000},
        {"every setting changed",
         {{10, "Gate"}, {35, "New description."}, {36, "manual"}, {38, "100"}, {39, "20"}},
         "--mvk-install --mvk-debug-all",
         "Gate",
         "\"C:\\app\\QuorvexService.exe\" --mvk-service --mvk-debug-all",
         ServiceStartType::Manual,
         false,
         "New description.",
         20000,
         105000},
        {"delayed",
         {{34, "Access gate"}, {36, "delayed"}},
         "--mvk-install",
         "Access gate",
         "\"C:\\app\\QuorvexService.exe\" --mvk-service",
         ServiceStartType::DelayedAutomatic,
         true,
         "",
         60000,
         35000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateMachine m;
        for (const auto& [id, text] : c.values) {
            m.machine.setConfig(id, text);
        }
        EXPECT_EQ(runWith(m.machine, c.arguments), kExitServiceCommandDone);
        EXPECT_EQ(m.machine.stdoutText,
                  std::string("The service QuorvexService is updated: ") + c.imagePath + "\n");
        ASSERT_EQ(m.machine.services.size(), 1u);
        const FakeMachine::Service& s = m.service();
        EXPECT_EQ(s.displayName, c.displayName);
        EXPECT_EQ(s.imagePath, c.imagePath);
        EXPECT_EQ(s.startType, c.startType);
        EXPECT_EQ(s.delayedAutoStart, c.delayed);
        EXPECT_EQ(s.description, std::string(c.description));
        ASSERT_TRUE(s.recovery.has_value());
        EXPECT_EQ(s.recovery->restartDelayMs, c.restartDelayMs);
        EXPECT_EQ(s.recovery->restartCount, kRecoveryRestarts);
        EXPECT_EQ(s.recovery->resetPeriodSeconds, kRecoveryResetSeconds);
        EXPECT_TRUE(s.recoveryOnNonCrashFailures);
        EXPECT_EQ(s.preshutdownTimeoutMs, c.preshutdownMs);
        EXPECT_EQ(s.account, "LocalSystem");
        EXPECT_TRUE(s.dependencies.empty());
        // The update neither stops nor starts it.
        EXPECT_EQ(s.state, ServiceState::Running);
        EXPECT_TRUE(m.machine.stopsSent.empty());
        EXPECT_EQ(m.machine.eventSources, std::set<std::string>{"QuorvexService"});
    }
}

TEST(ServiceUpdate, InstallingTwiceUpdatesTheSecondTime) {
    FakeMachine machine;
    machine.setConfig(33, "Qv Bridge");
    EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandDone);
    machine.setConfig(36, "manual");
    // An event source removed meanwhile is registered again.
    machine.eventSources.clear();
    machine.stdoutText.clear();
    EXPECT_EQ(runWith(machine, "--mvk-install --mvk-debug"), kExitServiceCommandDone);
    EXPECT_EQ(machine.stdoutText,
              "The service Qv Bridge is updated: \"C:\\app\\QuorvexService.exe\" --mvk-service "
              "--mvk-debug\n");
    ASSERT_EQ(machine.services.size(), 1u);
    EXPECT_EQ(machine.services.begin()->second.startType, ServiceStartType::Manual);
    EXPECT_EQ(machine.eventSources, std::set<std::string>{"Qv Bridge"});
}

TEST(ServiceUpdate, WithoutTheNonCrashFlagTheUpdateStandsAndSaysSo) {
    UpdateMachine m;
    m.machine.refusesNonCrashFlag = true;
    EXPECT_EQ(runWith(m.machine, "--mvk-install"), kExitServiceCommandDone);
    EXPECT_EQ(m.machine.stdoutText,
              "The service QuorvexService is updated: \"C:\\app\\QuorvexService.exe\" "
              "--mvk-service; it is restarted after a crash only: The parameter is incorrect.\n");
}

TEST(ServiceUpdate, AServiceManagerWithoutDelayedStartsUpdatesAllTheSame) {
    UpdateMachine m;
    m.machine.services.at("quorvexservice").delayedAutoStart = false;
    m.machine.refusesDelayedStart = true;
    m.machine.setConfig(35, "New description.");
    EXPECT_EQ(runWith(m.machine, "--mvk-install"), kExitServiceCommandDone);
    EXPECT_EQ(m.machine.stdoutText,
              "The service QuorvexService is updated: \"C:\\app\\QuorvexService.exe\" "
              "--mvk-service\n");
    EXPECT_EQ(m.service().description, std::string("New description."));
    EXPECT_EQ(m.service().preshutdownTimeoutMs, 35000u);
    // A delayed start it cannot make fails the update, as it fails an install.
    m.machine.setConfig(36, "delayed");
    m.machine.stdoutText.clear();
    EXPECT_EQ(runWith(m.machine, "--mvk-install"), kExitServiceCommandFailed);
    EXPECT_EQ(m.machine.stdoutText,
              "The service QuorvexService could not be updated: The parameter is incorrect.\n");
}

TEST(ServiceUpdate, EachFailureIsReportedAndTheServiceStays) {
    // The calls of an update in order: the create that finds the name taken, the open, the query
    // of its program, then five settings and the event source.
    struct Case {
        SeamCall kind;
        int index;
        const char* line;
    } cases[] = {
        {SeamCall::ServiceOpen, 0, "The service QuorvexService could not be updated: "},
        {SeamCall::ServiceQuery, 0, "The service QuorvexService could not be updated: "},
        {SeamCall::ServiceConfig, 0, "The service QuorvexService could not be updated: "},
        {SeamCall::ServiceConfig, 2, "The service QuorvexService could not be updated: "},
        {SeamCall::ServiceConfig, 4, "The service QuorvexService could not be updated: "},
        {SeamCall::EventSource, 0, "The service QuorvexService could not be updated: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(seamCallName(c.kind)) + " " + std::to_string(c.index));
        UpdateMachine m;
        m.machine.faults.failKind = c.kind;
        m.machine.faults.failIndex = c.index;
        EXPECT_EQ(runWith(m.machine, "--mvk-install"), kExitServiceCommandFailed);
        EXPECT_EQ(m.machine.stdoutText, std::string(c.line) + "Access is denied.\n");
        EXPECT_TRUE(m.machine.faults.fired);
        EXPECT_EQ(m.machine.services.size(), 1u);
        EXPECT_EQ(m.machine.eventSources.size(), 1u);
    }
}

TEST(ServiceUpdate, AServiceOfAnotherProgramIsLeftAloneByInstallAndUninstall) {
    for (const char* other :
         {"\"C:\\old\\QuorvexService.exe\" --mvk-service", "C:\\tools\\agent.exe -run"}) {
        SCOPED_TRACE(other);
        FakeMachine machine;
        FakeMachine::Service s;
        s.name = "QuorvexService";
        s.imagePath = other;
        s.description = "Theirs.";
        machine.services["quorvexservice"] = s;
        machine.eventSources.insert("QuorvexService");
        const std::string program = programOf(other);

        EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandFailed);
        EXPECT_EQ(machine.stdoutText,
                  "The service QuorvexService could not be installed: The specified service "
                  "already exists. It runs " +
                      program + ", not this program.\n");
        machine.stdoutText.clear();
        EXPECT_EQ(runWith(machine, "--mvk-uninstall"), kExitServiceCommandFailed);
        EXPECT_EQ(machine.stdoutText,
                  "The service QuorvexService could not be uninstalled: It runs " + program +
                      ", not this program.\n");

        ASSERT_EQ(machine.services.size(), 1u);
        EXPECT_EQ(machine.services.begin()->second.imagePath, other);
        EXPECT_EQ(machine.services.begin()->second.description, std::string("Theirs."));
        EXPECT_TRUE(machine.stopsSent.empty());
        EXPECT_EQ(machine.eventSources, std::set<std::string>{"QuorvexService"});
    }
}

TEST(ServiceCommand, OnlyAWholeWordSelectsIt) {
    FakeMachine machine;
    makeRunnable(machine);
    // Not a service word: the console program runs main as always.
    EXPECT_EQ(runWith(machine, "--mvk-installer"), kExitMainReturned);
    EXPECT_TRUE(machine.services.empty());
    EXPECT_EQ(machine.addJvm("C:\\app\\jre\\bin\\client\\jvm.dll").mainArguments.size(), 0u);
}

// --- Running as a service
// -------------------------------------------------------------------------

// A short checkpoint interval keeps the pending states moving in the tests.
constexpr std::chrono::milliseconds kTestInterval{5};

struct ServiceMachine {
    ServiceMachine() : jvm(makeRunnable(machine)) {
        machine.commandLineText = std::string(kQuotedProgram) + " --mvk-service --mvk-debug";
    }
    int run() {
        return runService(machine, readArguments("--mvk-service --mvk-debug"), kTestInterval);
    }

    // The states reported, repeats of one state shown once.
    std::vector<ServiceState> states() const {
        std::vector<ServiceState> seen;
        for (const ServiceStatus& s : machine.statuses) {
            if (seen.empty() || seen.back() != s.state) {
                seen.push_back(s.state);
            }
        }
        return seen;
    }
    const ServiceStatus& last() const { return machine.statuses.back(); }

    // Every pending report carries a wait hint and a checkpoint that moves on within its state;
    // no report follows the stopped one.
    void expectSoundReports() const {
        const auto& all = machine.statuses;
        for (std::size_t i = 0; i < all.size(); ++i) {
            const ServiceStatus& s = all[i];
            SCOPED_TRACE(i);
            if (s.state == ServiceState::StartPending || s.state == ServiceState::StopPending) {
                EXPECT_GT(s.waitHintMs, 0u);
                EXPECT_GT(s.checkPoint, 0u);
                if (i > 0 && all[i - 1].state == s.state) {
                    EXPECT_EQ(s.checkPoint, all[i - 1].checkPoint + 1);
                }
            }
            if (s.state == ServiceState::Stopped) {
                EXPECT_EQ(i, all.size() - 1);
            }
        }
    }

    FakeMachine machine;
    FakeJvm& jvm;
};

constexpr ServiceState kStartPending = ServiceState::StartPending;
constexpr ServiceState kRunning = ServiceState::Running;
constexpr ServiceState kStopPending = ServiceState::StopPending;
constexpr ServiceState kStopped = ServiceState::Stopped;

TEST(ServiceRun, MainEndsTheServiceWithItsExitCode) {
    struct Case {
        const char* name;
        std::function<void(FakeJvm&)> script;
        std::uint32_t win32ExitCode;
        std::uint32_t serviceExitCode;
        const char* logLine;
    } cases[] = {
        {"main returns", [](FakeJvm&) {}, 0, 0, "Exit code:\t0\n"},
        {"main calls System.exit(3)", [](FakeJvm& jvm) { jvm.mainExits = 3; },
         kErrorServiceSpecific, 3, "Exit code:\t3\n"},
        {"main throws", [](FakeJvm& jvm) { jvm.mainThrows = true; }, kErrorServiceSpecific,
         kServiceExitUncaughtException,
         "Exception:\tjava.lang.RuntimeException: from main\n"
         "Service:\tmain ended with an uncaught exception (service exit code 70)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceMachine s;
        c.script(s.jvm);
        EXPECT_EQ(s.run(), 0);
        EXPECT_THAT(s.states(), ElementsAre(kStartPending, kRunning, kStopped));
        s.expectSoundReports();
        EXPECT_EQ(s.last().win32ExitCode, c.win32ExitCode);
        EXPECT_EQ(s.last().serviceExitCode, c.serviceExitCode);
        EXPECT_THAT(s.machine.controlHandlers, ElementsAre("QuorvexService"));
        EXPECT_THAT(s.machine.fileContent(kLogPath), HasSubstr(c.logLine));
        ASSERT_EQ(s.jvm.creations.size(), 1u);
        // The exit hook is the one option the service adds; main gets no service word.
        EXPECT_EQ(s.jvm.creations[0].options.back(), "exit");
        EXPECT_THAT(s.jvm.mainArguments, ElementsAre(std::vector<std::string>{}));
        EXPECT_EQ(s.jvm.destroyCount, 1);
        EXPECT_TRUE(s.machine.events.empty());
        EXPECT_EQ(s.machine.stdoutText, "");
    }
}

// The service's temporary folder: made by the install and at every start for administrators
// and SYSTEM only; TEMP, TMP and java.io.tmpdir of the service point to it, the last unless the
// options set it already.
TEST(ServiceTemp, TheInstallAndEveryStartMakeItAndTheServiceUsesIt) {
    {
        FakeMachine machine;
        EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandDone);
        EXPECT_THAT(machine.privateFolders, ElementsAre("C:\\ProgramData\\QuorvexService",
                                                        "C:\\ProgramData\\QuorvexService\\Temp"));
    }
    struct Case {
        const char* name;
        std::function<void(FakeMachine&)> arrange;
        const char* folder;
        bool optionAdded;
    } cases[] = {
        {"default", [](FakeMachine&) {}, "C:\\ProgramData\\QuorvexService\\Temp", true},
        {"value 47 with a blank",
         [](FakeMachine& m) {
             m.addDirectory("D:\\svc data");
             m.setConfig(47, "D:\\svc data\\tmp");
         },
         "D:\\svc data\\tmp", true},
        {"the options set java.io.tmpdir",
         [](FakeMachine& m) { m.setConfig(12, "-Djava.io.tmpdir=E:\\own"); },
         "C:\\ProgramData\\QuorvexService\\Temp", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceMachine s;
        c.arrange(s.machine);
        EXPECT_EQ(s.run(), 0);
        EXPECT_THAT(s.machine.privateFolders.back(), c.folder);
        EXPECT_EQ(s.machine.variable("TEMP"), c.folder);
        EXPECT_EQ(s.machine.variable("TMP"), c.folder);
        ASSERT_EQ(s.jvm.creations.size(), 1u);
        const std::vector<std::string>& options = s.jvm.creations[0].options;
        const std::string option = std::string("-Djava.io.tmpdir=") + c.folder;
        EXPECT_EQ(std::count(options.begin(), options.end(), option), c.optionAdded ? 1 : 0);
        EXPECT_THAT(s.machine.fileContent(kLogPath),
                    HasSubstr(std::string("Temp folder:\t") + c.folder + "\n"));
    }
    // A start whose folder cannot be made stops with the cause.
    ServiceMachine s;
    s.machine.setConfig(47, "Q:\\missing\\tmp");
    EXPECT_EQ(s.run(), 0);
    EXPECT_EQ(s.last().serviceExitCode, kServiceExitPreparationFailed);
    ASSERT_EQ(s.machine.events.size(), 1u);
    EXPECT_THAT(s.machine.events[0], HasSubstr("The system cannot find the path specified."));
    EXPECT_TRUE(s.jvm.creations.empty());
}

// A service start under each kind of account after an install, on a machine that behaves as
// Windows documents: the program's folder lies below Program Files, where only administrators may
// create files ("File Security and Access Rights"); only an administrator may make
// Administrators the owner of a file or folder ("SE_TAKE_OWNERSHIP_NAME", "SetNamedSecurityInfo");
// LocalSystem's token holds the Administrators group, the other service accounts' do not. The
// install (an administrator) makes what the account needs: the service then starts, its guard
// holds against a second instance, its TEMP is its own folder, and its debug log stays private.
TEST(ServiceAccountStart, EachAccountStartsGuardedWithItsTempFolderAfterAnInstall) {
    constexpr const char* kTemp = "C:\\ProgramData\\QuorvexService\\Temp";
    constexpr const char* kLock = "C:\\app\\qv.lock";
    struct Case {
        const char* name;
        const char* account;  // value 44
        const char* sid;      // the service process's user
        bool administrator;
    } cases[] = {
        {"LocalSystem", "", "S-1-5-18", true},
        {"the virtual account", "NT SERVICE\\QuorvexService",
         "S-1-5-80-1111111111-2222222222-3333333333-4444444444-5555555555", false},
        {"LocalService", "LocalService", "S-1-5-19", false},
        {"a user account", ".\\svc-quorvex", "S-1-5-21-7-8-9-1005", false},
    };
    // The program's folder where an install puts it, the install as an administrator, then the
    // service process under the account.
    const auto installedAs = [](ServiceMachine& s, const Case& c) {
        s.machine.protectFolder("C:\\app");
        s.machine.setVariable("ProgramData", "C:\\ProgramData");
        s.machine.addDirectory("C:\\ProgramData");
        s.machine.setConfig(23, "qv");
        s.machine.setConfig(44, c.account);
        s.machine.stdinLines = {"secret"};
        s.machine.accountSids = {{"nt service\\quorvexservice", c.sid}, {"svc-quorvex", c.sid}};
        s.machine.administrator = true;
        s.machine.session = 1;
        EXPECT_EQ(runWith(s.machine, "--mvk-install"), kExitServiceCommandDone)
            << s.machine.stdoutText;
        s.machine.commandLineText = std::string(kQuotedProgram) + " --mvk-service --mvk-debug";
        s.machine.administrator = c.administrator;
        s.machine.processUserSid = c.sid;
        s.machine.session = 0;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceMachine s;
        installedAs(s, c);
        EXPECT_EQ(s.run(), 0);
        EXPECT_THAT(s.states(), ElementsAre(kStartPending, kRunning, kStopped));
        EXPECT_EQ(s.last().serviceExitCode, 0u);
        EXPECT_TRUE(s.machine.events.empty()) << s.machine.events[0];
        EXPECT_EQ(s.machine.variable("TEMP"), kTemp);
        EXPECT_EQ(s.machine.variable("TMP"), kTemp);
        ASSERT_EQ(s.jvm.creations.size(), 1u);
        EXPECT_THAT(s.jvm.creations[0].options,
                    ::testing::Contains(std::string("-Djava.io.tmpdir=") + kTemp));
        EXPECT_THAT(s.machine.locksTaken, ElementsAre(kLock));
        EXPECT_THAT(s.machine.fileContent(kLogPath), HasSubstr("Exit code:\t0\n"));

        // The temporary folder and the debug log: administrators, SYSTEM and the account alone.
        for (const char* path : {kTemp, kLogPath}) {
            SCOPED_TRACE(path);
            AccessList list;
            ASSERT_TRUE(s.machine.readAccessList(path, list));
            std::set<std::string> principals;
            for (const AccessEntry& entry : list.entries) {
                principals.insert(entry.sid);
            }
            std::set<std::string> allowed{"S-1-5-32-544", "S-1-5-18", c.sid};
            EXPECT_EQ(principals, allowed);
        }

        // A second instance under the same account, while the first holds the lock.
        ServiceMachine second;
        installedAs(second, c);
        second.machine.heldLocks = s.machine.heldLocks;
        second.machine.setConfig(105, "Already running.");
        EXPECT_EQ(second.run(), 0);
        EXPECT_THAT(second.states(), ElementsAre(kStartPending, kStopped));
        EXPECT_EQ(second.last().serviceExitCode, kServiceExitAnotherInstance);
        ASSERT_EQ(second.machine.events.size(), 1u);
        EXPECT_THAT(second.machine.events[0], HasSubstr("Already running."));
        EXPECT_TRUE(second.jvm.creations.empty());

        // An ordinary user can neither take the lock first nor hold it.
        FakeMachine user;
        user.heldLocks = s.machine.heldLocks;
        user.administrator = false;
        user.protectFolder("C:\\app");
        EXPECT_FALSE(user.holdLockFile(kLock));
        EXPECT_EQ(user.lastError(), 5u);
    }
}

// Under an account other than LocalSystem the start only uses the folder the install made: one
// that is missing, or that others can change, stops the start with the reason.
TEST(ServiceAccountStart, ATempFolderThatIsMissingOrOpenToOthersStopsTheStart) {
    constexpr const char* kTemp = "C:\\ProgramData\\QuorvexService\\Temp";
    constexpr const char* kSid = "S-1-5-19";
    struct Case {
        const char* name;
        std::function<void(FakeMachine&)> arrange;
        const char* event;
    } cases[] = {
        {"missing", [](FakeMachine&) {},
         "The service's temporary folder C:\\ProgramData\\QuorvexService\\Temp is missing: "
         "--mvk-install makes it for the service's account."},
        {"Users may write it",
         [](FakeMachine& m) {
             m.addDirectory(kTemp);
             m.setAccessList(kTemp, AccessList{"S-1-5-32-544",
                                               true,
                                               {{true, false, 0x001F01FF, "S-1-5-32-544"},
                                                {true, false, 0x001301BF, "S-1-5-32-545"}}});
         },
         "C:\\ProgramData\\QuorvexService\\Temp can be changed by BUILTIN\\Users (S-1-5-32-545)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceMachine s;
        s.machine.setVariable("ProgramData", "C:\\ProgramData");
        s.machine.addDirectory("C:\\ProgramData");
        c.arrange(s.machine);
        s.machine.administrator = false;
        s.machine.processUserSid = kSid;
        EXPECT_EQ(s.run(), 0);
        EXPECT_THAT(s.states(), ElementsAre(kStartPending, kStopped));
        EXPECT_EQ(s.last().serviceExitCode, kServiceExitPreparationFailed);
        ASSERT_EQ(s.machine.events.size(), 1u);
        EXPECT_THAT(s.machine.events[0], HasSubstr(c.event));
        EXPECT_TRUE(s.machine.privateFolders.empty());
        EXPECT_TRUE(s.jvm.creations.empty());
    }
}

TEST(ServiceRun, AFailedStartStopsWithItsCodeAndReportsToTheEventLog) {
    struct Case {
        const char* name;
        std::function<void(ServiceMachine&)> script;
        std::uint32_t serviceExitCode;
        const char* event;
    } cases[] = {
        {"no runtime",
         [](ServiceMachine& s) {
             s.machine.setConfig(1, "missing");
             s.machine.setConfig(102, "The runtime is missing.");
         },
         kServiceExitPreparationFailed, "QuorvexService: The runtime is missing."},
        {"the JVM is not created", [](ServiceMachine& s) { s.jvm.creationResults = {JNI_ERR}; },
         kServiceExitNoJvm, "QuorvexService: Start failed."},
        // Windows' text for error 193 names the library in its insert.
        {"a JVM library of another architecture",
         [](ServiceMachine& s) {
             s.machine.setConfig(1, "other");
             s.machine.addFile("C:\\app\\other\\bin\\java.exe");
             s.machine.addFile("C:\\app\\other\\bin\\client\\jvm.dll", "MZ");
         },
         kServiceExitNoJvm,
         "Start failed.\n\nC:\\app\\other\\bin\\client\\jvm.dll is not a valid Win32 "
         "application."},
        {"another instance",
         [](ServiceMachine& s) {
             s.machine.setConfig(23, "qv");
             s.machine.setConfig(105, "Already running.");
             // Another process holds the instance lock beside the program.
             FakeMachine other;
             other.heldLocks = s.machine.heldLocks;
             ASSERT_TRUE(other.holdLockFile("C:\\app\\qv.lock"));
         },
         kServiceExitAnotherInstance, "QuorvexService: Already running."},
        // Checked at every start: a change of permissions after the install is refused too.
        {"users can change the runtime",
         [](ServiceMachine& s) {
             s.machine.setAccessList("C:\\app\\jre\\bin", AccessList{"S-1-5-32-544", false, {}});
         },
         kServiceExitPreparationFailed,
         "QuorvexService: Start failed.\n\nUsers other than administrators can change what the "
         "service runs as SYSTEM: C:\\app\\jre\\bin can be changed by Everyone (S-1-1-0). Install "
         "it below Program Files"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceMachine s;
        s.machine.setConfig(22, "https://support.example");
        c.script(s);
        EXPECT_EQ(s.run(), 0);
        EXPECT_THAT(s.states(), ElementsAre(kStartPending, kStopped));
        s.expectSoundReports();
        EXPECT_EQ(s.last().win32ExitCode, kErrorServiceSpecific);
        EXPECT_EQ(s.last().serviceExitCode, c.serviceExitCode);
        ASSERT_EQ(s.machine.events.size(), 1u);
        EXPECT_THAT(s.machine.events[0], HasSubstr(c.event));
        EXPECT_EQ(s.machine.eventKinds[0].id, kEventStartFailed.id);
        EXPECT_THAT(s.machine.fileContent(kLogPath), HasSubstr("Error msg:\t"));
        // A service opens no web page and writes nothing for a console.
        EXPECT_TRUE(s.machine.shellOpened.empty());
        EXPECT_EQ(s.machine.stdoutText, "");
    }
}

TEST(ServiceRun, StopCallsTheStopMethodOnAnAttachedThread) {
    {
        SCOPED_TRACE("default: System.exit(0), learnt through the exit hook");
        ServiceMachine s;
        s.jvm.mainBlocks = true;
        s.machine.controlsOnState = {{kRunning, ServiceControl::Stop}};
        EXPECT_EQ(s.run(), 0);
        EXPECT_THAT(s.states(), ElementsAre(kStartPending, kRunning, kStopPending, kStopped));
        s.expectSoundReports();
        EXPECT_EQ(s.last().win32ExitCode, 0u);
        EXPECT_THAT(s.jvm.exitCodes, ElementsAre(0));
        const auto& calls = s.jvm.calls;
        auto at = [&calls](const char* call) {
            return std::find(calls.begin(), calls.end(), call) - calls.begin();
        };
        EXPECT_LT(at("AttachCurrentThread"), at("System.exit(0)"));
        EXPECT_LT(at("System.exit(0)"), at("DetachCurrentThread"));
        // The JVM goes only once the stop thread is done (DestroyJavaVM waits for it).
        EXPECT_LT(at("DetachCurrentThread"), at("DestroyJavaVM returns"));
        EXPECT_THAT(s.machine.controlResults, ElementsAre(kErrorSuccess));
        // The exit hook reported stopped and ended the process with System.exit's code.
        EXPECT_THAT(s.machine.processEnds, ElementsAre(0u));
    }
    {
        SCOPED_TRACE("a configured stop method, on shutdown");
        ServiceMachine s;
        s.machine.setConfig(37, "app.Main.shutdown");
        s.jvm.stopMethods = {"app/Main.shutdown"};
        s.jvm.mainBlocks = true;
        s.machine.controlsOnState = {{kRunning, ServiceControl::Shutdown}};
        EXPECT_EQ(s.run(), 0);
        EXPECT_THAT(s.states(), ElementsAre(kStartPending, kRunning, kStopPending, kStopped));
        EXPECT_EQ(s.last().win32ExitCode, 0u);
        EXPECT_THAT(s.jvm.stopArguments, ElementsAre(std::vector<std::string>{}));
        EXPECT_TRUE(s.jvm.exitCodes.empty());
        EXPECT_EQ(s.jvm.destroyCount, 1);
    }
}

TEST(ServiceRun, AStopThatTimesOutReportsStoppedAndEndsTheProcess) {
    ServiceMachine s;
    s.machine.setConfig(38, "1");
    s.jvm.mainBlocks = true;
    s.jvm.exitEndsMain = false;  // the Java service ignores System.exit
    s.machine.controlsOnState = {{kRunning, ServiceControl::Stop}};
    EXPECT_EQ(s.run(), 0);
    EXPECT_THAT(s.states(), ElementsAre(kStartPending, kRunning, kStopPending, kStopped));
    s.expectSoundReports();
    EXPECT_THAT(s.machine.processEnds, ElementsAre(kErrorServiceSpecific));
    ASSERT_EQ(s.machine.events.size(), 1u);
    EXPECT_THAT(s.machine.events[0], HasSubstr("did not end within the stop timeout"));
    EXPECT_EQ(s.machine.eventKinds[0].id, kEventStopTimedOut.id);
}

TEST(ServiceRun, AStopWhileTheJvmIsCreatedEndsStoppedWithoutMain) {
    ServiceMachine s;
    s.jvm.beforeCreate = [&s] {
        s.machine.sendControl(ServiceControl::Stop);
        s.machine.waitForControls(1);
    };
    EXPECT_EQ(s.run(), 0);
    EXPECT_THAT(s.states(), ElementsAre(kStartPending, kStopPending, kStopped));
    s.expectSoundReports();
    EXPECT_EQ(s.last().win32ExitCode, 0u);
    EXPECT_TRUE(s.jvm.mainArguments.empty());
    EXPECT_EQ(s.jvm.destroyCount, 1);
    EXPECT_TRUE(s.machine.processEnds.empty());
}

TEST(ServiceRun, AStopReachesAJavaServiceWhoseMainHasReturned) {
    // The shipped case: main starts the application and returns; its non-daemon threads keep
    // DestroyJavaVM waiting. A stop still reaches the JVM, long before the stop timeout.
    struct Case {
        const char* name;
        const char* stopMethod;  // value 37, null for System.exit(0)
        std::vector<std::uint32_t> processEnds;
    } cases[] = {
        {"default stop: System.exit(0) through the exit hook", nullptr, {0u}},
        {"a configured stop method", "app.Main.shutdown", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceMachine s;
        s.machine.setConfig(38, "3600");
        if (c.stopMethod != nullptr) {
            s.machine.setConfig(37, c.stopMethod);
            s.jvm.stopMethods = {"app/Main.shutdown"};
        }
        s.jvm.mainLeavesThread = true;
        // Sent once main has returned and DestroyJavaVM waits.
        s.jvm.onDestroy = [&s] { s.machine.sendControl(ServiceControl::Stop); };
        EXPECT_EQ(s.run(), 0);
        EXPECT_THAT(s.states(), ElementsAre(kStartPending, kRunning, kStopPending, kStopped));
        s.expectSoundReports();
        EXPECT_EQ(s.last().win32ExitCode, 0u);
        EXPECT_EQ(s.machine.processEnds, c.processEnds);
        EXPECT_TRUE(s.machine.events.empty()) << s.machine.events[0];
        EXPECT_EQ(s.jvm.destroyCount, 1);
        if (c.stopMethod == nullptr) {
            EXPECT_THAT(s.jvm.exitCodes, ElementsAre(0));
        } else {
            EXPECT_THAT(s.jvm.stopArguments, ElementsAre(std::vector<std::string>{}));
            EXPECT_TRUE(s.jvm.exitCodes.empty());
        }
        // The stop thread attached while DestroyJavaVM waited, and DestroyJavaVM returned after
        // it was done.
        const auto& calls = s.jvm.calls;
        auto at = [&calls](const char* call) {
            return std::find(calls.begin(), calls.end(), call) - calls.begin();
        };
        EXPECT_LT(at("DestroyJavaVM"), at("AttachCurrentThread"));
        EXPECT_LT(at("DetachCurrentThread"), at("DestroyJavaVM returns"));
    }
}

TEST(ServiceRun, EveryEndOfTheProcessReportsStoppedFirstWithItsCode) {
    struct Case {
        const char* name;
        std::function<void(ServiceMachine&)> script;
        std::vector<ServiceState> states;
        std::uint32_t win32ExitCode;
        std::uint32_t serviceExitCode;
        std::uint32_t processEnd;
        const char* event;  // null: none
        const char* logLine;
    } cases[] = {
        {"main calls System.exit(3)",
         [](ServiceMachine& s) { s.jvm.mainExits = 3; },
         {kStartPending, kRunning, kStopped},
         kErrorServiceSpecific,
         3,
         3,
         nullptr,
         "Exit code:\t3\nService:\tstopped by System.exit(3) at 2026-03-14 09:05:07\n"},
        {"the JVM aborts",
         [](ServiceMachine& s) { s.jvm.mainAborts = true; },
         {kStartPending, kRunning, kStopped},
         kErrorServiceSpecific,
         kServiceExitJvmAbort,
         kServiceExitJvmAbort,
         "QuorvexService: The JVM aborted; the service stops with exit code 72.",
         "Service:\tthe JVM aborted (service exit code 72) at 2026-03-14 09:05:07\n"},
        {"the start deadline passes while the JVM is created",
         [](ServiceMachine& s) {
             s.machine.setConfig(40, "1");
             s.jvm.beforeCreate = [&s] { s.machine.waitForProcessEnd(); };
         },
         {kStartPending, kStopped},
         kErrorServiceSpecific,
         kServiceExitStartDeadline,
         kServiceExitStartDeadline,
         "QuorvexService: The Java service was not started within the start deadline (1 s); its "
         "process was ended.",
         "Service:\tthe start deadline (1 s) passed at 2026-03-14 09:05:07\n"},
        {"a stop that times out",
         [](ServiceMachine& s) {
             s.machine.setConfig(38, "1");
             s.jvm.mainBlocks = true;
             s.jvm.exitEndsMain = false;  // a shutdown hook that never ends
             s.machine.controlsOnState = {{kRunning, ServiceControl::Stop}};
         },
         {kStartPending, kRunning, kStopPending, kStopped},
         0,
         0,
         kErrorServiceSpecific,
         "QuorvexService: The Java service did not end within the stop timeout; its process was "
         "ended.",
         "Service:\tthe stop timeout passed at 2026-03-14 09:05:07\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceMachine s;
        c.script(s);
        EXPECT_EQ(s.run(), 0);
        EXPECT_EQ(s.states(), c.states);
        s.expectSoundReports();
        EXPECT_EQ(s.last().win32ExitCode, c.win32ExitCode);
        EXPECT_EQ(s.last().serviceExitCode, c.serviceExitCode);
        EXPECT_THAT(s.machine.processEnds, ElementsAre(c.processEnd));
        if (c.event == nullptr) {
            EXPECT_TRUE(s.machine.events.empty());
        } else {
            EXPECT_THAT(s.machine.events, ElementsAre(c.event));
        }
        const std::string log = s.machine.fileContent(kLogPath);
        EXPECT_THAT(log, HasSubstr(c.logLine));
        // Nothing is written once the process has ended.
        EXPECT_THAT(log, Not(HasSubstr("Service:\tstopped at")));
    }
}

TEST(ServiceRun, EveryStartAndStopLeavesALineWithTheLocalTime) {
    ServiceMachine s;
    s.machine.setConfig(37, "app.Main.shutdown");
    s.jvm.stopMethods = {"app/Main.shutdown"};
    s.jvm.mainBlocks = true;
    s.machine.controlsOnState = {{kRunning, ServiceControl::Preshutdown}};
    EXPECT_EQ(s.run(), 0);
    const std::string log = s.machine.fileContent(kLogPath);
    const auto started = log.find("Service:\tstarted at 2026-03-14 09:05:07\n");
    const auto requested =
        log.find("Service:\tstop requested (preshutdown) at 2026-03-14 09:05:07\n");
    const auto stopped = log.find("Exit code:\t0\nService:\tstopped at 2026-03-14 09:05:07\n");
    ASSERT_NE(started, std::string::npos) << log;
    ASSERT_NE(requested, std::string::npos) << log;
    ASSERT_NE(stopped, std::string::npos) << log;
    EXPECT_LT(started, requested);
    EXPECT_LT(requested, stopped);
}

TEST(ServiceRun, TheJvmGetsReducedSignalsAndTheHooksOnce) {
    // The service's own temporary folder comes first (its default below the program data folder).
    const std::string kTempOption = "-Djava.io.tmpdir=C:\\ProgramData\\QuorvexService\\Temp";
    struct Case {
        const char* name;
        const char* options;  // value 12
        std::vector<std::string> expected;
    } cases[] = {
        {"added", "-Dx=1", {kTempOption, "-Dx=1", "app.Main", "-Xrs", "abort", "exit"}},
        {"already there",
         "-Xrs -Dx=1",
         {kTempOption, "-Xrs", "-Dx=1", "app.Main", "abort", "exit"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceMachine s;
        s.machine.setConfig(12, c.options);
        EXPECT_EQ(s.run(), 0);
        ASSERT_EQ(s.jvm.creations.size(), 1u);
        std::vector<std::string> options = s.jvm.creations[0].options;
        options.erase(std::remove_if(options.begin(), options.end(),
                                     [](const std::string& o) {
                                         return o.rfind("-Djava.class.path=", 0) == 0;
                                     }),
                      options.end());
        EXPECT_EQ(options, c.expected);
        EXPECT_NE(s.jvm.abortHook, nullptr);
    }
}

TEST(ServiceRun, ADebugLogThatCannotBeOpenedIsAnEventAndTheServiceRuns) {
    ServiceMachine s;
    s.machine.addFile(kLogPath);
    s.machine.setReadOnly(kLogPath);
    EXPECT_EQ(s.run(), 0);
    EXPECT_THAT(s.states(), ElementsAre(kStartPending, kRunning, kStopped));
    EXPECT_EQ(s.last().win32ExitCode, 0u);
    EXPECT_THAT(s.jvm.mainArguments, ElementsAre(std::vector<std::string>{}));
    ASSERT_EQ(s.machine.events.size(), 1u);
    EXPECT_THAT(s.machine.events[0],
                HasSubstr("QuorvexService: The debug log cannot be opened; the service runs "
                          "without it. C:\\app\\morvakin.log: "));
    EXPECT_EQ(s.machine.fileContent(kLogPath), "");
}

TEST(ServiceRun, TheStopMethodsClassIsFoundThroughMainsContextClassLoader) {
    // A fat-jar launcher: the application's classes belong to the launcher's own class loader,
    // which its main makes the context class loader; FindClass on an attached thread sees only
    // the system class loader.
    ServiceMachine s;
    s.machine.setConfig(37, "boot.App.shutdown");
    s.jvm.contextLoaderClasses = {"boot/App"};
    s.jvm.stopMethods = {"boot/App.shutdown"};
    s.jvm.mainBlocks = true;
    s.machine.controlsOnState = {{kRunning, ServiceControl::Stop}};
    EXPECT_EQ(s.run(), 0);
    EXPECT_THAT(s.states(), ElementsAre(kStartPending, kRunning, kStopPending, kStopped));
    EXPECT_EQ(s.last().win32ExitCode, 0u);
    EXPECT_THAT(s.jvm.stopArguments, ElementsAre(std::vector<std::string>{}));
    EXPECT_TRUE(s.jvm.exitCodes.empty());
    EXPECT_TRUE(s.machine.events.empty());
    EXPECT_TRUE(s.machine.processEnds.empty());
    const auto& calls = s.jvm.calls;
    auto at = [&calls](const char* call) {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    };
    // The thread is kept before main runs; the class is loaded by its context loader.
    EXPECT_LT(at("Thread.currentThread"), at("CallStaticVoidMethod(app/Main)"));
    EXPECT_LT(at("AttachCurrentThread"), at("getContextClassLoader"));
    EXPECT_LT(at("getContextClassLoader"), at("Class.forName(boot.App)"));
    EXPECT_EQ(at("FindClass(boot/App)"), static_cast<std::ptrdiff_t>(calls.size()));
}

TEST(ServiceRun, AStopMethodThatCannotBeCalledIsAnEventAndSystemExitFollows) {
    struct Case {
        const char* name;
        const char* stopMethod;
        const char* failure;
    } cases[] = {
        {"class missing", "app.Gone.shutdown", "java.lang.ClassNotFoundException: app.Gone"},
        {"method missing", "app.Main.halt", "java.lang.NoSuchMethodError: main"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceMachine s;
        s.machine.setConfig(37, c.stopMethod);
        s.jvm.mainBlocks = true;
        s.machine.controlsOnState = {{kRunning, ServiceControl::Stop}};
        EXPECT_EQ(s.run(), 0);
        EXPECT_THAT(s.states(), ElementsAre(kStartPending, kRunning, kStopPending, kStopped));
        EXPECT_EQ(s.last().win32ExitCode, 0u);
        EXPECT_THAT(s.jvm.exitCodes, ElementsAre(0));
        EXPECT_THAT(s.machine.processEnds, ElementsAre(0u));
        const std::string text = std::string("The stop method ") + c.stopMethod +
                                 " failed: " + c.failure +
                                 "; the service stops with System.exit(0).";
        EXPECT_THAT(s.machine.events, ElementsAre("QuorvexService: " + text));
        EXPECT_THAT(s.machine.fileContent(kLogPath), HasSubstr("Service:\t" + text + "\n"));
    }
}

TEST(ServiceRun, OutsideTheServiceManagerItEndsWithTheSystemText) {
    ServiceMachine s;
    s.machine.startedAsService = false;
    EXPECT_EQ(s.run(), kExitNotAService);
    EXPECT_EQ(s.machine.stdoutText,
              "--mvk-service: The service process could not connect to "
              "the service controller.\n");
    EXPECT_TRUE(s.machine.statuses.empty());
    EXPECT_TRUE(s.jvm.creations.empty());
}

// --- The output log
// -------------------------------------------------------------------------------

constexpr const char* kStartLine = "--- QuorvexService started at 2026-03-14 09:05:07 ---\r\n";

// What the JVM prints as it starts (a bad option) and what main prints land in the output log,
// after the line of the start, wherever value 41 puts it; the folders above it are made first.
TEST(ServiceOutput, WhatTheJavaServicePrintsLandsInTheOutputLog) {
    struct Case {
        const char* name;
        const char* folder;  // value 41; null: unset
        const char* file;
        std::vector<std::string> folders;
    } cases[] = {
        {"unset",
         nullptr,
         "C:\\app\\logs\\QuorvexService.log",
         {"folder C:\\app", "folder C:\\app\\logs"}},
        {"relative",
         "out\\svc",
         "C:\\app\\out\\svc\\QuorvexService.log",
         {"folder C:\\app", "folder C:\\app\\out", "folder C:\\app\\out\\svc"}},
        {"absolute",
         "D:\\var\\qv",
         "D:\\var\\qv\\QuorvexService.log",
         {"folder D:\\var", "folder D:\\var\\qv"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceMachine s;
        if (c.folder != nullptr) {
            s.machine.setConfig(41, c.folder);
        }
        FakeMachine& m = s.machine;
        s.jvm.beforeCreate = [&m] { m.printToStandardHandles("Unrecognized option: -Xbad\r\n"); };
        s.jvm.onMain = [&m] { m.printToStandardHandles("hello from main\r\n"); };
        EXPECT_EQ(s.run(), 0);
        EXPECT_THAT(s.states(), ElementsAre(kStartPending, kRunning, kStopped));
        EXPECT_EQ(s.last().win32ExitCode, 0u);
        EXPECT_EQ(m.fileContent(c.file),
                  std::string(kStartLine) + "Unrecognized option: -Xbad\r\nhello from main\r\n");
        std::vector<std::string> calls = m.outputCalls();
        ASSERT_GE(calls.size(), c.folders.size());
        calls.resize(c.folders.size());
        EXPECT_EQ(calls, c.folders);
        EXPECT_TRUE(m.events.empty());
        EXPECT_EQ(m.stdoutText, "");
    }
}

// Every start adds its line to the same file; output printed just before an abort is in the log
// before the stopped report.
TEST(ServiceOutput, EachStartAppendsItsLineAndAnAbortKeepsWhatWasPrinted) {
    ServiceMachine s;
    FakeMachine& m = s.machine;
    EXPECT_EQ(s.run(), 0);
    s.jvm.mainAborts = true;
    s.jvm.onMain = [&m] { m.printToStandardHandles("#\r\n# A fatal error has been detected\r\n"); };
    m.statuses.clear();
    EXPECT_EQ(s.run(), 0);
    EXPECT_EQ(s.last().serviceExitCode, kServiceExitJvmAbort);
    EXPECT_EQ(m.fileContent("C:\\app\\logs\\QuorvexService.log"),
              std::string(kStartLine) + kStartLine + "#\r\n# A fatal error has been detected\r\n");
}

// Rotation while the service runs (values 42 and 43): no file grows past the size, the number
// kept is the configured one, and the newest output is in the current file.
TEST(ServiceOutput, TheLogRotatesWhileTheServiceRuns) {
    ServiceMachine s;
    FakeMachine& m = s.machine;
    m.setConfig(42, "1");
    m.setConfig(43, "2");
    std::string printed = kStartLine;
    constexpr int kLines = 3500;  // 1000 bytes each: 3.5 MB
    s.jvm.onMain = [&m, &printed] {
        for (int i = 0; i < kLines; ++i) {
            std::string line = formatText("line %06d ", i);
            line.resize(998, '.');
            line += "\r\n";
            printed += line;
            ASSERT_TRUE(m.printToStandardHandles(line));
        }
    };
    EXPECT_EQ(s.run(), 0);
    EXPECT_THAT(m.outputFileNames(), ElementsAre("C:\\app\\logs\\QuorvexService.1.log",
                                                 "C:\\app\\logs\\QuorvexService.2.log",
                                                 "C:\\app\\logs\\QuorvexService.log"));
    const std::string newest = m.fileContent("C:\\app\\logs\\QuorvexService.log");
    const std::string older = m.fileContent("C:\\app\\logs\\QuorvexService.1.log");
    const std::string oldest = m.fileContent("C:\\app\\logs\\QuorvexService.2.log");
    for (const std::string* file : {&newest, &older, &oldest}) {
        EXPECT_LE(file->size(), 1024u * 1024u);
        EXPECT_FALSE(file->empty());
    }
    // Nothing lost or doubled: the three files are the end of what was printed, in order.
    const std::string kept = oldest + older + newest;
    ASSERT_LE(kept.size(), printed.size());
    EXPECT_EQ(kept, printed.substr(printed.size() - kept.size()));
    EXPECT_GT(kept.size(), 2u * 1024u * 1024u);
}

// A full disk, a folder that cannot be made or a pipe that cannot be made: the service starts,
// runs and stops as always; main is never held up by output that cannot be written (it prints
// more than the pipe holds); the last two are an event.
TEST(ServiceOutput, OutputThatCannotBeWrittenNeverStopsTheService) {
    struct Case {
        const char* name;
        std::function<void(FakeMachine&)> fault;
        const char* event;  // the event's text starts so; null: none
    } cases[] = {
        {"the disk is full", [](FakeMachine& m) { m.setOutputDiskFree(0); }, nullptr},
        {"the folder cannot be made",
         [](FakeMachine& m) { m.unmakeableFolders.insert("c:\\app\\logs"); },
         "The output log in C:\\app\\logs cannot be opened: "},
        {"no pipe", [](FakeMachine& m) { m.pipeFails = true; },
         "Standard output cannot be led into the output log: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceMachine s;
        FakeMachine& m = s.machine;
        c.fault(m);
        s.jvm.onMain = [&m] { (void)m.printToStandardHandles(std::string(200 * 1024, 'x')); };
        EXPECT_EQ(s.run(), 0);
        EXPECT_THAT(s.states(), ElementsAre(kStartPending, kRunning, kStopped));
        EXPECT_EQ(s.last().win32ExitCode, 0u);
        EXPECT_EQ(s.jvm.mainArguments.size(), 1u);
        EXPECT_EQ(m.fileContent("C:\\app\\logs\\QuorvexService.log"), "");
        if (c.event == nullptr) {
            EXPECT_TRUE(m.events.empty());
        } else {
            ASSERT_EQ(m.events.size(), 1u);
            EXPECT_EQ(m.eventKinds[0].id, kEventOutputLogNotOpened.id);
            EXPECT_THAT(m.events[0],
                        ::testing::StartsWith(std::string("QuorvexService: ") + c.event));
            EXPECT_THAT(s.machine.fileContent(kLogPath), HasSubstr(c.event));
        }
    }
}

// The console program leaves the standard handles alone.
TEST(ServiceOutput, TheConsoleProgramHasNoOutputLog) {
    FakeMachine machine;
    FakeJvm& jvm = makeRunnable(machine);
    bool printed = true;
    jvm.onMain = [&machine, &printed] { printed = machine.printToStandardHandles("x"); };
    EXPECT_EQ(runWith(machine, ""), kExitMainReturned);
    EXPECT_FALSE(printed);
    EXPECT_TRUE(machine.outputCalls().empty());
}

}  // namespace
}  // namespace qv::testing
