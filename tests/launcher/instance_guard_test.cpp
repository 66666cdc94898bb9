// The single-instance guard across processes, sessions and rights: the console's mutex and the
// instance lock that a service and a console in another session both see, which no ordinary user
// can take first.
#include "instance_guard.h"

#include "launcher_fixture.h"

#include <functional>

namespace qv::testing {
namespace {

constexpr const char* kName = "quorvexService";
constexpr const char* kLock = "C:\\app\\quorvexService.lock";

// One process on the computer: its session, its rights and how it runs the launcher.
struct Process : LauncherOnMachine {
    Process(std::uint32_t session, bool administrator, RunMode mode) {
        // The debug log as an administrator made it, open before the rights are the process's.
        openLog();
        machine.session = session;
        machine.administrator = administrator;
        machine.protectFolder("C:\\app");
        machine.setConfig(23, kName);
        state->mode = mode;
    }
    // Shares the computer's mutexes and open files with `other`.
    void sameComputerAs(const Process& other) {
        machine.mutexes = other.machine.mutexes;
        machine.heldLocks = other.machine.heldLocks;
    }
    Step guard() { return checkInstance(ctx, program); }
};

TEST(InstanceGuard, LockFileNameIsTheMutexNamesLastElement) {
    EXPECT_EQ(lockFileName("quorvexService"), "quorvexService.lock");
    EXPECT_EQ(lockFileName("Global\\qv"), "qv.lock");
    EXPECT_EQ(lockFileName("Local\\"), "instance.lock");
}

// The second process's guard, with a first process already running (or having tried).
TEST(InstanceGuard, SecondProcessAcrossSessionsAndRights) {
    constexpr std::uint32_t kServices = 0;
    constexpr std::uint32_t kUser = 1;
    constexpr std::uint32_t kOtherUser = 2;
    struct Row {
        const char* name;
        std::function<void(Process&)> first;  // what the first process did
        std::uint32_t session;
        bool administrator;
        RunMode mode;
        Step::Kind outcome;
        std::uint32_t code;  // the Windows error of a stop
        const char* log;
    };
    const auto guardRuns = [](Process& p) { EXPECT_TRUE(p.guard().goesOn()); };
    const auto console = [&](std::uint32_t session, bool administrator) {
        return [=](Process& p) {
            p.machine.session = session;
            p.machine.administrator = administrator;
            p.state->mode = RunMode::Console;
            EXPECT_TRUE(p.guard().goesOn());
        };
    };
    const std::string found = "Error:\t\tInstance already exists.\n";
    const std::string consoleLine = std::string("Create mutex:\t") + kName + "\n";
    const std::string serviceLine = std::string("Instance lock:\t") + kLock + "\n";
    const Row rows[] = {
        // The unprefixed name of the console lives in session 1's namespace, the service's in
        // the global one: only the lock, a file, is the same for both.
        {"service in session 0, an administrator's console in session 1", guardRuns, kUser, true,
         RunMode::Console, Step::Kind::AnotherInstance, 0, ""},
        {"an administrator's console in session 1, then the service", console(kUser, true),
         kServices, true, RunMode::Service, Step::Kind::AnotherInstance, 0, ""},
        {"an administrator's consoles in two sessions", console(kUser, true), kOtherUser, true,
         RunMode::Console, Step::Kind::AnotherInstance, 0, ""},
        {"two consoles of one session: the mutex, as before", console(kUser, false), kUser, false,
         RunMode::Console, Step::Kind::AnotherInstance, 0, ""},
        // A user cannot take the service's guard first: the global mutex name is no guard of
        // the service, and the lock cannot be created in the program's folder.
        {"a user took the global name and tried the lock, then the service",
         [](Process& p) {
             p.machine.session = kUser;
             p.machine.administrator = false;
             EXPECT_TRUE(p.machine.createNamedMutex("Global\\quorvexService"));
             EXPECT_FALSE(p.machine.holdLockFile(kLock));
             EXPECT_EQ(p.machine.lastError(), 5u);
         },
         kServices, true, RunMode::Service, Step::Kind::GoOn, 0, ""},
        // Nor can a user hold the lock the service made: the lock's access list refuses the
        // user before any sharing is looked at. The user's console goes on as it did before.
        {"service, then an ordinary user's console", guardRuns, kUser, false, RunMode::Console,
         Step::Kind::GoOn, 0, ""},
        {"an ordinary user's console, then the service", console(kUser, false), kServices, true,
         RunMode::Service, Step::Kind::GoOn, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Process first(kServices, true, RunMode::Service);
        row.first(first);
        Process second(row.session, row.administrator, row.mode);
        second.sameComputerAs(first);
        const Step step = second.guard();
        EXPECT_EQ(step.kind(), row.outcome);
        EXPECT_EQ(step.errorCode(), row.code);
        std::string log = row.mode == RunMode::Console ? consoleLine : serviceLine;
        if (row.outcome == Step::Kind::AnotherInstance) {
            log += found;
        }
        EXPECT_EQ(second.log(), log);
    }
}

TEST(InstanceGuard, ServiceThatCannotCreateTheLockStopsWithTheCause) {
    Process service(0, false, RunMode::Service);  // an account that may not write the folder
    const Step step = service.guard();
    EXPECT_EQ(step.kind(), Step::Kind::WindowsError);
    EXPECT_EQ(step.errorCode(), 5u);
    EXPECT_EQ(service.log(), std::string("Instance lock:\t") + kLock +
                                 "\nError:\t\tThe instance lock could not be created.\n");
    EXPECT_TRUE(service.machine.mutexesCreated.empty());
}

TEST(InstanceGuard, ConsoleThatCannotTakeTheLockKeepsTheMutexsLastError) {
    Process console(1, false, RunMode::Console);
    EXPECT_TRUE(console.guard().goesOn());
    EXPECT_EQ(console.machine.lastError(), 0u);
    EXPECT_EQ(console.machine.mutexesCreated, std::vector<std::string>{kName});
    EXPECT_TRUE(console.machine.locksTaken.empty());
}

TEST(InstanceGuard, LockThatDoesNotFitIsNamed) {
    Process service(0, true, RunMode::Service);
    service.machine.setConfig(23, std::string(110, 'n'));
    (void)service.program.path.assign("C:\\" + std::string(150, 'd') + "\\Q.exe");
    service.program.directoryLength = 153;
    const Step step = service.guard();
    EXPECT_EQ(step.kind(), Step::Kind::TextTooLong);
    EXPECT_EQ(step.text(), "The instance lock does not fit into 259 characters.");
}

}  // namespace
}  // namespace qv::testing
