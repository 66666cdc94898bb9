// A fake machine with the launcher's state and context around it, for the step tests.
#ifndef QV_TESTS_LAUNCHER_LAUNCHER_FIXTURE_H
#define QV_TESTS_LAUNCHER_LAUNCHER_FIXTURE_H

#include "fake_machine.h"
#include "state.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace qv::testing {

inline constexpr const char* kProgramPath = "C:\\app\\QuorvexService.exe";
inline constexpr const char* kLogPath = "C:\\app\\morvakin.log";

// One launcher on a fake machine of its own: the machine, the launcher's state and the context
// that the steps take, with the program at kProgramPath.
struct LauncherOnMachine {
    LauncherOnMachine() {
        state->module = machine.programModule();
        (void)program.path.assign(kProgramPath);
        program.directoryLength = 6;
    }

    // Opens the debug log the way openDebugLog does, at the given level.
    void openLog(bool debugAll = false) {
        state->log.open(machine.openLogForAppend(kLogPath), debugAll);
    }
    std::string log() const { return machine.fileContent(kLogPath); }

    FakeMachine machine;
    std::unique_ptr<LauncherState> state = std::make_unique<LauncherState>();
    Context ctx{machine, *state};
    ProgramLocation program;
};

// The step tests: one launcher on its machine; table rows that need a machine of their own make
// another LauncherOnMachine.
class LauncherFixture : public ::testing::Test, protected LauncherOnMachine {};

// Makes the fake machine one on which the launcher starts: the start-up error message, a local
// runtime "jre" beside the program with its JVM library, and the main class app.Main.
inline FakeJvm& makeRunnable(FakeMachine& machine) {
    machine.setConfig(101, "Start failed.");
    machine.setConfig(1, "jre");
    machine.setConfig(15, "app.Main");
    machine.addFile("C:\\app\\jre\\bin\\java.exe");
    FakeJvm& jvm = machine.addJvm("C:\\app\\jre\\bin\\client\\jvm.dll");
    jvm.classes.insert("app/Main");
    return jvm;
}

}  // namespace qv::testing

#endif  // QV_TESTS_LAUNCHER_LAUNCHER_FIXTURE_H
