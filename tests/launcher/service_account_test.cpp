// The service's account and dependencies: value 44 and 45 as the install hands them to the
// service manager, the password that goes there alone, the rights an account is granted, what
// --mvk-check shows of them; and the event IDs against the program's message table.
#include "service_account.h"
#include "entry.h"
#include "service_events.h"
#include "service_settings.h"

#include "launcher_fixture.h"

#include <gmock/gmock.h>

#include <fstream>
#include <map>
#include <sstream>

namespace qv::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr const char* kImagePath = "\"C:\\app\\QuorvexService.exe\" --mvk-service";
constexpr const char* kLogFolder = "C:\\app\\logs";
constexpr const char* kPassword = "Pa55 w0rd;\"x\"";

int runWith(FakeMachine& machine, const std::string& arguments) {
    machine.commandLineText = std::string("\"") + kProgramPath + "\" " + arguments;
    return runLauncher(machine);
}

// --- Value 44 and value 45 --------------------------------------------------------------------

TEST(ServiceAccountValue, EachFormIsTheAccountTheServiceManagerTakes) {
    struct Case {
        const char* text;
        AccountKind kind;
        const char* name;
        const char* grantee;
    } cases[] = {
        {"", AccountKind::LocalSystem, "", ""},
        {"localsystem", AccountKind::LocalSystem, "", ""},
        {"LocalService", AccountKind::LocalService, "NT AUTHORITY\\LocalService", "S-1-5-19"},
        {"nt authority\\LOCALSERVICE", AccountKind::LocalService, "NT AUTHORITY\\LocalService",
         "S-1-5-19"},
        {"NetworkService", AccountKind::NetworkService, "NT AUTHORITY\\NetworkService", "S-1-5-20"},
        {"NT AUTHORITY\\NetworkService", AccountKind::NetworkService,
         "NT AUTHORITY\\NetworkService", "S-1-5-20"},
        {"NT SERVICE\\Qv Bridge", AccountKind::Virtual, "NT SERVICE\\Qv Bridge",
         "NT SERVICE\\Qv Bridge"},
        {"nt service\\qv bridge", AccountKind::Virtual, "NT SERVICE\\Qv Bridge",
         "NT SERVICE\\Qv Bridge"},
        // The lookup of an account does not know ".": the grant names the local account alone.
        {".\\svc-quorvex", AccountKind::Named, ".\\svc-quorvex", "svc-quorvex"},
        {"SITE\\svc-quorvex", AccountKind::Named, "SITE\\svc-quorvex", "SITE\\svc-quorvex"},
        {"LocalServices", AccountKind::Named, "LocalServices", "LocalServices"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ServiceAccount account;
        std::string why;
        ASSERT_TRUE(parseServiceAccount(c.text, "Qv Bridge", account, why));
        EXPECT_EQ(account.kind, c.kind);
        EXPECT_EQ(account.name, c.name);
        EXPECT_EQ(account.grantee, c.grantee);
        EXPECT_EQ(needsPassword(account), c.kind == AccountKind::Named);
        EXPECT_EQ(why, "");
    }

    ServiceAccount account;
    account.kind = AccountKind::Named;
    std::string why;
    EXPECT_FALSE(parseServiceAccount("NT SERVICE\\Other", "Qv Bridge", account, why));
    EXPECT_EQ(why,
              "Value 44 (service_account) names the virtual account of another service; this "
              "service's is NT SERVICE\\Qv Bridge.");
    EXPECT_EQ(account.kind, AccountKind::Named);  // untouched
}

TEST(ServiceDependenciesValue, TheNamesBetweenSemicolonsWithoutBlanks) {
    struct Case {
        const char* text;
        std::vector<std::string> names;
    } cases[] = {
        {"", {}},
        {" ; ;", {}},
        {"Tcpip", {"Tcpip"}},
        {" Tcpip ;\tDhcp;;+NetworkProvider ", {"Tcpip", "Dhcp", "+NetworkProvider"}},
        {"My Database Service;Afd", {"My Database Service", "Afd"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(dependenciesOf(c.text), c.names);
    }
}

// --- Install -------------------------------------------------------------------------------------

TEST(ServiceInstall, TheAccountDependenciesPreshutdownAndMessageFileReachTheServiceManager) {
    using Grant = FakeMachine::Grant;
    struct Case {
        const char* name;
        std::vector<std::pair<int, const char*>> values;
        std::vector<std::string> stdinLines;
        const char* serviceName;
        const char* account;
        std::optional<std::string> password;
        std::vector<std::string> grants;  // "path|F or D|account"
        std::vector<std::string> dependencies;
        std::uint32_t preshutdownMs;
        const char* prompt;
    } cases[] = {
        {"unset: LocalSystem, nothing granted, the stop timeout and the margin",
         {},
         {},
         "QuorvexService",
         "LocalSystem",
         std::nullopt,
         {},
         {},
         35000,
         ""},
        {"LocalService by its SID, dependencies in order",
         {{44, "LocalService"}, {45, "Tcpip; Dhcp ;+NetworkProvider"}, {38, "100"}},
         {},
         "QuorvexService",
         "NT AUTHORITY\\LocalService",
         std::string(""),
         {"C:\\app\\logs|D|S-1-5-19", "C:\\app\\morvakin.log|F|S-1-5-19",
          "C:\\ProgramData\\QuorvexService\\Temp|D|S-1-5-19"},
         {"Tcpip", "Dhcp", "+NetworkProvider"},
         105000,
         ""},
        {"NetworkService, the stop timeout capped at an hour",
         {{44, "networkservice"}, {38, "999999"}},
         {},
         "QuorvexService",
         "NT AUTHORITY\\NetworkService",
         std::string(""),
         {"C:\\app\\logs|D|S-1-5-20", "C:\\app\\morvakin.log|F|S-1-5-20",
          "C:\\ProgramData\\QuorvexService\\Temp|D|S-1-5-20"},
         {},
         3605000,
         ""},
        // The virtual account exists once its service does: the grant follows the creation.
        {"the virtual account, without a password",
         {{33, "Qv Bridge"}, {44, "NT SERVICE\\qv bridge"}},
         {},
         "Qv Bridge",
         "NT SERVICE\\Qv Bridge",
         std::nullopt,
         {"C:\\app\\logs|D|NT SERVICE\\Qv Bridge", "C:\\app\\morvakin.log|F|NT SERVICE\\Qv Bridge",
          "C:\\ProgramData\\Qv Bridge\\Temp|D|NT SERVICE\\Qv Bridge"},
         {},
         35000,
         ""},
        {"a user account with the password read from standard input",
         {{44, ".\\svc-quorvex"}, {45, "Tcpip"}},
         {kPassword, "not read"},
         "QuorvexService",
         ".\\svc-quorvex",
         std::string(kPassword),
         {"C:\\app\\logs|D|svc-quorvex", "C:\\app\\morvakin.log|F|svc-quorvex",
          "C:\\ProgramData\\QuorvexService\\Temp|D|svc-quorvex"},
         {"Tcpip"},
         35000,
         "Password of .\\svc-quorvex: \n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine machine;
        for (const auto& [id, text] : c.values) {
            machine.setConfig(id, text);
        }
        machine.stdinLines.assign(c.stdinLines.begin(), c.stdinLines.end());
        EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandDone);
        EXPECT_EQ(machine.stdoutText, std::string(c.prompt) + "The service " + c.serviceName +
                                          " is installed: " + kImagePath + "\n");
        ASSERT_EQ(machine.services.size(), 1u);
        const FakeMachine::Service& s = machine.services.begin()->second;
        EXPECT_EQ(s.account, c.account);
        EXPECT_EQ(s.password, c.password);
        EXPECT_EQ(s.dependencies, c.dependencies);
        EXPECT_EQ(s.preshutdownTimeoutMs, c.preshutdownMs);
        std::vector<std::string> grants;
        for (const Grant& g : machine.grants) {
            grants.push_back(g.path + "|" + (g.target == GrantTarget::Folder ? "D" : "F") + "|" +
                             g.account);
        }
        EXPECT_EQ(grants, c.grants);
        // What is granted is there, also where it was missing.
        for (const Grant& g : machine.grants) {
            EXPECT_TRUE(machine.exists(g.path)) << g.path;
        }
        // The Event Viewer finds the texts of the events in the program itself.
        EXPECT_EQ(machine.eventMessageFiles,
                  (std::map<std::string, std::string>{{c.serviceName, kProgramPath}}));
        // Only a user account takes a line of standard input.
        EXPECT_EQ(machine.stdinLines.size(), c.stdinLines.empty() ? 0u : 1u);
    }
}

TEST(ServiceInstall, ThePasswordReachesTheServiceManagerAndNothingElse) {
    struct Case {
        const char* name;
        std::function<void(FakeMachine&)> arrange;
        int exitCode;
    } cases[] = {
        {"installed", [](FakeMachine&) {}, kExitServiceCommandDone},
        {"updated",
         [](FakeMachine& machine) {
             FakeMachine::Service s;
             s.name = "QuorvexService";
             s.imagePath = kImagePath;
             machine.services["quorvexservice"] = s;
         },
         kExitServiceCommandDone},
        {"a setting fails after the password was read",
         [](FakeMachine& machine) {
             machine.faults.failKind = SeamCall::ServiceConfig;
             machine.faults.failIndex = 1;
         },
         kExitServiceCommandFailed},
        {"the account is unknown",
         [](FakeMachine& machine) { machine.unknownAccounts.insert("svc-quorvex"); },
         kExitServiceCommandFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine machine;
        machine.setConfig(44, ".\\svc-quorvex");
        machine.stdinLines = {kPassword};
        c.arrange(machine);
        EXPECT_EQ(runWith(machine, "--mvk-install --mvk-debug-all"), c.exitCode);
        EXPECT_THAT(machine.stdoutText, ::testing::Not(HasSubstr(kPassword)));
        EXPECT_THAT(machine.fileContent(kLogPath), ::testing::Not(HasSubstr(kPassword)));
        for (const std::string& event : machine.events) {
            EXPECT_THAT(event, ::testing::Not(HasSubstr(kPassword)));
        }
        if (c.exitCode == kExitServiceCommandDone) {
            ASSERT_EQ(machine.services.size(), 1u);
            EXPECT_EQ(machine.services.begin()->second.password, std::string(kPassword));
            EXPECT_THAT(machine.services.begin()->second.imagePath,
                        ::testing::Not(HasSubstr(kPassword)));
        }
    }
}

TEST(ServiceInstall, AnAccountThatCannotBeSetFailsNamingItsCauseAndLeavesNothing) {
    struct Case {
        const char* name;
        std::function<void(FakeMachine&)> arrange;
        const char* out;
    } cases[] = {
        {"no password on standard input", [](FakeMachine&) {},
         "Password of .\\svc-quorvex: \nThe service QuorvexService could not be installed: No "
         "password of .\\svc-quorvex came from standard input.\n"},
        {"an account the system does not know",
         [](FakeMachine& machine) {
             machine.stdinLines = {kPassword};
             machine.unknownAccounts.insert("svc-quorvex");
         },
         "Password of .\\svc-quorvex: \nThe service QuorvexService could not be installed: "
         ".\\svc-quorvex could not be given modify rights on C:\\app\\logs: No mapping between "
         "account names and security IDs was done.\n"},
        {"the debug log's rights cannot be set",
         [](FakeMachine& machine) {
             machine.setConfig(44, "LocalService");
             machine.faults.failKind = SeamCall::AccessGrant;
             machine.faults.failIndex = 1;
         },
         "The service QuorvexService could not be installed: NT AUTHORITY\\LocalService could "
         "not be given modify rights on C:\\app\\morvakin.log: Access is denied.\n"},
        {"the virtual account of another service",
         [](FakeMachine& machine) { machine.setConfig(44, "NT SERVICE\\Other"); },
         "The service QuorvexService could not be installed: The data is invalid.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine machine;
        machine.setConfig(44, ".\\svc-quorvex");
        c.arrange(machine);
        EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandFailed);
        EXPECT_EQ(machine.stdoutText, c.out);
        EXPECT_TRUE(machine.services.empty());
        EXPECT_TRUE(machine.eventSources.empty());
    }
}

TEST(ServiceUpdate, TheAccountAndDependenciesAreSetAgainAndTheAccountGranted) {
    FakeMachine machine;
    FakeMachine::Service s;
    s.name = "QuorvexService";
    s.imagePath = kImagePath;
    s.account = ".\\someone";
    s.password = "old";
    s.dependencies = {"Tcpip"};
    machine.services["quorvexservice"] = s;
    machine.setConfig(44, "NT SERVICE\\QuorvexService");
    machine.setConfig(45, "Afd;Dhcp");
    machine.setConfig(23, "Global\\qv");
    EXPECT_EQ(runWith(machine, "--mvk-install"), kExitServiceCommandDone);
    EXPECT_EQ(machine.stdoutText,
              std::string("The service QuorvexService is updated: ") + kImagePath + "\n");
    const FakeMachine::Service& updated = machine.services.at("quorvexservice");
    EXPECT_EQ(updated.account, "NT SERVICE\\QuorvexService");
    EXPECT_EQ(updated.password, std::nullopt);
    EXPECT_THAT(updated.dependencies, ElementsAre("Afd", "Dhcp"));
    // What the account may not make itself: the install makes it private, then grants it.
    EXPECT_THAT(machine.privateFiles, ElementsAre("C:\\app\\qv.lock", "C:\\app\\morvakin.log"));
    std::vector<std::string> granted;
    for (const FakeMachine::Grant& g : machine.grants) {
        EXPECT_EQ(g.account, "NT SERVICE\\QuorvexService");
        granted.push_back(g.path);
    }
    EXPECT_THAT(granted, ElementsAre(kLogFolder, "C:\\app\\morvakin.log",
                                     "C:\\ProgramData\\QuorvexService\\Temp", "C:\\app\\qv.lock"));
    EXPECT_EQ(machine.eventMessageFiles,
              (std::map<std::string, std::string>{{"QuorvexService", kProgramPath}}));
}

// --- --mvk-check ---------------------------------------------------------------------------------

TEST(Check, ShowsTheServiceAccountDependenciesAndTheInstalledServicesEnvironment) {
    const std::string serviceKey = "SYSTEM\\CurrentControlSet\\Services\\QuorvexService";
    struct Case {
        const char* name;
        std::vector<std::pair<int, const char*>> values;
        std::optional<std::string> environment;  // REG_MULTI_SZ bytes; none: no value
        bool installed;
        const char* lines;
    } cases[] = {
        {"unset, not installed",
         {},
         std::nullopt,
         false,
         "Service account: LocalSystem (LocalSystem)\n"
         "Service dependencies: none\n"
         "Environment of the installed service QuorvexService: not installed\n"},
        {"a user account, dependencies, installed without an environment",
         {{44, ".\\svc"}, {45, "Tcpip;Dhcp"}},
         std::nullopt,
         true,
         "Service account: .\\svc (a user account: --mvk-install asks for its password)\n"
         "Service dependencies: Tcpip, Dhcp\n"
         "Environment of the installed service QuorvexService: Morvakin not set (no "
         "Environment value)\n"},
        {"the virtual account, the debug log asked for in the service's environment",
         {{44, "NT SERVICE\\QuorvexService"}},
         std::string("JAVA_TOOL_OPTIONS=-Xint\0MORVAKIN=debug-all\0\0", 44),
         true,
         "Service account: NT SERVICE\\QuorvexService (the service's virtual account)\n"
         "Service dependencies: none\n"
         "Environment of the installed service QuorvexService: \"MORVAKIN=debug-all\"\n"},
        {"an environment without the variable",
         {{44, "LocalService"}},
         std::string("TEMP=C:\\t\0\0", 11),
         true,
         "Service account: NT AUTHORITY\\LocalService (a built-in service account)\n"
         "Service dependencies: none\n"
         "Environment of the installed service QuorvexService: Morvakin not set\n"},
        {"the virtual account of another service",
         {{44, "NT SERVICE\\Other"}},
         std::nullopt,
         false,
         "Service account: --mvk-install refuses it: Value 44 (service_account) names the "
         "virtual account of another service; this service's is NT SERVICE\\QuorvexService.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine machine;
        makeRunnable(machine);
        for (const auto& [id, text] : c.values) {
            machine.setConfig(id, text);
        }
        if (c.installed) {
            machine.addRegistryKey(FakeMachine::View::Bits32, RegistryRoot::LocalMachine,
                                   serviceKey);
        }
        if (c.environment) {
            machine.setRegistryValue(FakeMachine::View::Bits32, RegistryRoot::LocalMachine,
                                     serviceKey, "Environment", kRegMultiSz, *c.environment);
        }
        (void)runWith(machine, "--mvk-check");
        EXPECT_THAT(machine.stdoutText,
                    HasSubstr(std::string("Environment variable Morvakin: not set\n") + c.lines));
    }
}

// --- The message table ---------------------------------------------------------------------------

// The messages of the table: SymbolicName by MessageId.
std::map<std::uint32_t, std::string> messagesOf(const std::string& path) {
    std::ifstream file(path);
    std::map<std::uint32_t, std::string> messages;
    std::string line;
    std::uint32_t id = 0;
    while (std::getline(file, line)) {
        if (line.rfind("MessageId=", 0) == 0) {
            id = static_cast<std::uint32_t>(std::stoul(line.substr(10)));
        } else if (line.rfind("SymbolicName=", 0) == 0) {
            messages[id] = line.substr(13);
        }
    }
    return messages;
}

TEST(ServiceEvents, EachKindIsAMessageOfTheProgramsTable) {
    const std::map<std::uint32_t, std::string> messages = messagesOf(QV_EVENTS_MC);
    ASSERT_FALSE(messages.empty()) << QV_EVENTS_MC;
    std::map<std::uint32_t, std::string> kinds;
    for (const NamedServiceEvent& named : kServiceEvents) {
        EXPECT_TRUE(kinds.emplace(named.event.id, named.symbolicName).second)
            << "ID " << named.event.id << " given twice";
    }
    EXPECT_EQ(kinds, messages);
}

}  // namespace
}  // namespace qv::testing
