// A fake machine with the launcher's state and context around it, for the step tests.
#ifndef QV_TESTS_LAUNCHER_LAUNCHER_FIXTURE_H
#define QV_TESTS_LAUNCHER_LAUNCHER_FIXTURE_H

#include "fake_machine.h"
#include "state.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

namespace qv::testing {

inline constexpr const char* kProgramPath = "C:\\app\\QuorvexService.exe";
inline constexpr const char* kLogPath = "C:\\app\\morvakin.log";

// PE machine fields.
inline constexpr std::uint16_t kX64 = 0x8664;

// The headers of a PE file as far as the check reads them: the DOS header with the offset of the
// PE signature (0x80 here), the signature, and the file header's machine and characteristics.
inline std::string peFile(std::uint16_t machine, bool dll) {
    constexpr std::uint16_t kExecutable = 0x0002;  // IMAGE_FILE_EXECUTABLE_IMAGE
    constexpr std::uint16_t kDllFlag = 0x2000;     // IMAGE_FILE_DLL
    std::string bytes(0x80 + 24, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3C] = '\x80';
    bytes.replace(0x80, 4, std::string("PE\0\0", 4));
    bytes[0x84] = static_cast<char>(machine & 0xFF);
    bytes[0x85] = static_cast<char>(machine >> 8);
    const std::uint16_t characteristics = dll ? kDllFlag | kExecutable : kExecutable;
    bytes[0x96] = static_cast<char>(characteristics & 0xFF);
    bytes[0x97] = static_cast<char>(characteristics >> 8);
    return bytes;
}

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

// Makes the fake machine one whose runtime is found in the registry (value 2): 64-bit Windows
// with both views searched (a 64-bit JDK 17 chosen over a 32-bit JDK 21), value 19, value 12 with
// a reference, the options file, a class path wildcard in the working directory "work" and a heap
// share; the debug log on.
inline FakeJvm& makeRegistrySearch(FakeMachine& machine) {
    using View = FakeMachine::View;
    machine.windows64 = true;
    machine.availableMemory = 8192ull << 20;
    machine.setConfig(101, "Start failed.");
    machine.setConfig(2, "11");
    machine.setConfig(18, "1");
    machine.setConfig(30, "2");
    machine.setConfig(28, "25");
    machine.setConfig(19, "APP_HOME=%EXEDIR%\tJAVA_OPTS_HOME=%JREHOMEDIR%");
    machine.setConfig(12, "-Dmode=%MODE%");
    machine.setVariable("MODE", "site");
    machine.setConfig(15, "app.Main");
    machine.setConfig(16, "lib\\*.jar");
    machine.setConfig(8, "work");
    machine.addFile("C:\\app\\work\\lib\\b.jar");
    machine.addFile("C:\\app\\work\\lib\\a.jar");
    machine.addFile("C:\\app\\QuorvexService.mvk.ini", "# site options\r\n-Dhome=%APP_HOME%\r\n");
    machine.setRegistryString(View::Bits64, RegistryRoot::LocalMachine,
                              "SOFTWARE\\JavaSoft\\JDK\\17.0.2", "JavaHome", "C:\\jdk17");
    machine.setRegistryString(View::Bits32, RegistryRoot::LocalMachine,
                              "SOFTWARE\\JavaSoft\\JDK\\21", "JavaHome", "C:\\jdk21-32");
    machine.addFile("C:\\jdk17\\bin\\java.exe");
    machine.addFile("C:\\jdk21-32\\bin\\java.exe");
    FakeJvm& jvm = machine.addJvm("C:\\jdk17\\bin\\client\\jvm.dll");
    jvm.classes.insert("app/Main");
    machine.commandLineText = "QuorvexService.exe --mvk-debug";
    return jvm;
}

}  // namespace qv::testing

#endif  // QV_TESTS_LAUNCHER_LAUNCHER_FIXTURE_H
