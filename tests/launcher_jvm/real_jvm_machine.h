// The in-memory Windows machine of the launcher's unit tests, with one change: the Java home's
// client JVM library is the installed OpenJDK 17 HotSpot library.
//
// This is a test seam. No Windows Java runtime exists on the build machines, so the Windows path
// "<Java home>\bin\client\jvm.dll" is mapped to libjvm.so: loading it is dlopen, and the entry
// JNI_CreateJavaVM is found with dlsym. Every other module stays a fake one. The entry handed to
// the launcher is a thin recorder around the real one: it passes the creation arguments on
// unchanged and notes each result, so that a test sees what the real JVM answered.
//
// HotSpot creates one JVM per process: each test program runs the launcher once.
#ifndef QV_TESTS_LAUNCHER_JVM_REAL_JVM_MACHINE_H
#define QV_TESTS_LAUNCHER_JVM_REAL_JVM_MACHINE_H

#include "fake_machine.h"

#include <map>
#include <string>
#include <vector>

namespace qv::testing {

// The main class of the tests.
inline constexpr const char* kProbeClass = "com.zarvel.quorvexservice.testing.LaunchProbe";

// The install layout of the tests: the shipped one, with the local runtime "..\..\gui\jre".
inline constexpr const char* kInstalledProgram = "C:\\Zarvel\\svc\\bin\\QuorvexService.exe";
inline constexpr const char* kInstalledLog = "C:\\Zarvel\\svc\\bin\\morvakin.log";
inline constexpr const char* kInstalledJavaHome = "C:\\Zarvel\\gui\\jre";
inline constexpr const char* kInstalledOptionsFile = "C:\\Zarvel\\svc\\bin\\QuorvexService.mvk.ini";

// One call of JNI_CreateJavaVM through the recorder.
struct JvmCreation {
    jint result = JNI_ERR;
    std::vector<std::string> options;
};

class RealJvmMachine : public FakeMachine {
  public:
    // `javaHome`: the Windows Java home whose "bin\client\jvm.dll" is the real JVM library.
    explicit RealJvmMachine(std::string javaHome = kInstalledJavaHome);

    // The shipped launch configuration, as a build carries it, and the install layout: the
    // program in C:\Zarvel\svc\bin, the runtime in C:\Zarvel\gui\jre.
    void installShipped();

    // The creations made through the recorder, in order (shared by the process).
    static const std::vector<JvmCreation>& creations();
    // The number of JVMs that exist in the process (JNI_GetCreatedJavaVMs of the real library).
    int createdJvms();

    ModuleHandle loadLibrary(const char* path, const char* importFolder) override;
    CreateJavaVmFn findCreateJavaVm(ModuleHandle library) override;

  private:
    std::string jvmLibrary_;  // folded full Windows path of the mapped library
    void* handle_ = nullptr;  // dlopen handle of libjvm.so, never closed
};

// Everything written to file descriptor 2 (the JVM's System.err and its own messages) while it
// lives, kept and also passed on to the real standard error when it ends.
class StderrCapture {
  public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    // Stops capturing (once) and gives the whole text.
    const std::string& finish();

  private:
    std::string path_;
    int saved_ = -1;
    std::string text_;
};

// What the Java side of the tests wrote: LaunchProbe (main) and LaunchAgent (premain).
struct ProbeReport {
    bool exists = false;
    std::vector<std::string> arguments;             // "arg" lines: main's String[]
    std::map<std::string, std::string> properties;  // "property" lines: name -> value
    std::vector<std::string> inputArguments;        // "option" lines: the JVM's input arguments
    std::vector<std::string> events;                // other lines: "main", "premain", "shutdown"
};
ProbeReport readProbeReport(const std::string& path);

// The launcher run once on the machine, with its standard error captured.
struct LauncherRun {
    int exitCode = 0;
    std::string stderrText;
};
LauncherRun runLauncherOnce(RealJvmMachine& machine);

// A scratch file path of this test program (in the build tree), removed if it exists.
std::string freshScratchFile(const std::string& name);

// The JVM options the tests add to value 12, after the shipped ones: what the real JVM needs
// under AddressSanitizer, -Xcheck:jni, and where LaunchProbe writes its report.
std::string testJvmOptions(const std::string& reportPath);

// The shipped configuration (installShipped) made to run the tests' Java side: value 16 is the
// directory of the test classes, the only class path entry (the Linux JVM separates entries with
// ":", so the shipped jar path of value 14, which would come first, is removed); value 15 is
// `mainClass` (removed when null); the options file holds testJvmOptions and `moreOptions`.
void installProbe(RealJvmMachine& machine, const std::string& reportPath, const char* mainClass,
                  const std::string& moreOptions = {});

}  // namespace qv::testing

#endif  // QV_TESTS_LAUNCHER_JVM_REAL_JVM_MACHINE_H
