// A service run on the real JVM: while main blocks, the stop attaches another thread and calls
// the stop method; System.exit, from the stop or from the Java service itself, runs the shutdown
// hooks and hands its code to the exit hook, which reports it before the JVM ends the process.
// Cases that end the process run in a child process (a death test); each case is a test program
// of its own, since HotSpot creates one JVM per process.
#include "real_jvm_machine.h"

#include "service_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace qv::testing {
namespace {

constexpr const char* kServiceClass = "com.zarvel.quorvexservice.testing.ServiceProbe";
constexpr const char* kServerClass = "com.zarvel.quorvexservice.testing.ServerProbe";
constexpr std::chrono::milliseconds kInterval{50};

// The real-JVM machine that also writes every status report to a file, one line each
// ("state win32ExitCode serviceExitCode"), so that a parent process can read what the child
// reported before the JVM ended it.
class ReportingMachine : public RealJvmMachine {
  public:
    explicit ReportingMachine(std::string statusPath) : statusPath_(std::move(statusPath)) {}

    bool setServiceStatus(const ServiceStatus& status) override {
        if (std::FILE* file = std::fopen(statusPath_.c_str(), "a")) {
            std::fprintf(file, "%u %u %u\n", static_cast<unsigned>(status.state),
                         status.win32ExitCode, status.serviceExitCode);
            std::fclose(file);
        }
        return RealJvmMachine::setServiceStatus(status);
    }

  private:
    std::string statusPath_;
};

std::vector<std::string> lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

// The states in order, repeats shown once, and the last report whole.
std::vector<std::string> states(const std::vector<std::string>& reports) {
    std::vector<std::string> seen;
    for (const std::string& report : reports) {
        const std::string state = report.substr(0, report.find(' '));
        if (seen.empty() || seen.back() != state) {
            seen.push_back(state);
        }
    }
    return seen;
}

// Sends the stop once the Java service's main has begun (its report holds "main"), from a thread
// of its own, as the service manager would.
[[maybe_unused]] std::thread stopOnceMainRuns(FakeMachine& machine, const std::string& reportPath) {
    return std::thread([&machine, reportPath] {
        while (lines(reportPath).empty()) {
            std::this_thread::sleep_for(kInterval);
        }
        machine.sendControl(ServiceControl::Stop);
    });
}

// Sends the stop once the server thread of ServerProbe serves and its main has returned.
[[maybe_unused]] std::thread stopOnceServing(FakeMachine& machine, const std::string& reportPath) {
    return std::thread([&machine, reportPath] {
        for (;;) {
            const std::vector<std::string> events = lines(reportPath);
            if (std::find(events.begin(), events.end(), "serving") != events.end() &&
                std::find(events.begin(), events.end(), "main returned") != events.end()) {
                break;
            }
            std::this_thread::sleep_for(kInterval);
        }
        // main has returned; the service thread is in DestroyJavaVM or about to be.
        std::this_thread::sleep_for(kInterval * 4);
        machine.sendControl(ServiceControl::Stop);
    });
}

const std::vector<std::string> kStartRunStopPendingStopped = {"2", "4", "3", "1"};
const std::vector<std::string> kStartRunStopped = {"2", "4", "1"};

#if defined(QV_TEST_DEFAULT_STOP)
TEST(ServiceStop, TheDefaultStopCallsSystemExitZeroAndTheShutdownHookRuns) {
    GTEST_FLAG_SET(death_test_style, "fast");
    const std::string reportPath = freshScratchFile("report.txt");
    const std::string statusPath = freshScratchFile("status.txt");
    auto child = [&] {
        ReportingMachine machine(statusPath);
        installProbe(machine, reportPath, kServiceClass);
        std::thread stopper = stopOnceMainRuns(machine, reportPath);
        stopper.detach();  // the JVM ends the process
        (void)runService(machine, readArguments("--mvk-service"), kInterval);
        std::fprintf(stderr, "the service run returned\n");
        std::exit(99);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(readProbeReport(reportPath).events, (std::vector<std::string>{"main", "shutdown"}));
    const std::vector<std::string> reports = lines(statusPath);
    EXPECT_EQ(states(reports), kStartRunStopPendingStopped);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), "1 0 0");
}
#elif defined(QV_TEST_JAVA_EXIT)
TEST(ServiceStop, SystemExitFromTheJavaServiceStopsWithItsCode) {
    GTEST_FLAG_SET(death_test_style, "fast");
    const std::string reportPath = freshScratchFile("report.txt");
    const std::string statusPath = freshScratchFile("status.txt");
    EXPECT_EXIT(
        {
            ReportingMachine machine(statusPath);
            installProbe(machine, reportPath, kProbeClass);
            (void)runService(machine, readArguments("--mvk-service exit=5"), kInterval);
            std::fprintf(stderr, "the service run returned\n");
            std::exit(99);
        },
        ::testing::ExitedWithCode(5), "");
    const ProbeReport report = readProbeReport(reportPath);
    EXPECT_EQ(report.events, (std::vector<std::string>{"main", "shutdown"}));
    EXPECT_EQ(report.arguments, std::vector<std::string>{"exit=5"});
    const std::vector<std::string> reports = lines(statusPath);
    EXPECT_EQ(states(reports), kStartRunStopped);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), "1 1066 5");
}
#elif defined(QV_TEST_STOP_METHOD)
TEST(ServiceStop, AConfiguredStopMethodEndsMainAndTheServiceStopsWithZero) {
    const std::string reportPath = freshScratchFile("report.txt");
    const std::string statusPath = freshScratchFile("status.txt");
    ReportingMachine machine(statusPath);
    installProbe(machine, reportPath, kServiceClass);
    machine.setConfig(37, "com.zarvel.quorvexservice.testing.ServiceProbe.stop");
    std::thread stopper = stopOnceMainRuns(machine, reportPath);
    EXPECT_EQ(runService(machine, readArguments("--mvk-service"), kInterval), 0);
    stopper.join();
    EXPECT_EQ(readProbeReport(reportPath).events,
              (std::vector<std::string>{"main", "stop\t0", "main returned", "shutdown"}));
    const std::vector<std::string> reports = lines(statusPath);
    EXPECT_EQ(states(reports), kStartRunStopPendingStopped);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), "1 0 0");
    EXPECT_TRUE(machine.processEnds.empty());
}
#elif defined(QV_TEST_MAIN_THROWS)
TEST(ServiceStop, AnUncaughtExceptionStopsAsAFailureAndIsDescribedInTheLog) {
    const std::string reportPath = freshScratchFile("report.txt");
    const std::string statusPath = freshScratchFile("status.txt");
    ReportingMachine machine(statusPath);
    installProbe(machine, reportPath, kProbeClass);
    StderrCapture stderrCapture;
    EXPECT_EQ(runService(machine, readArguments("--mvk-service --mvk-debug throw"), kInterval), 0);
    EXPECT_NE(stderrCapture.finish().find("main leaves by an exception"), std::string::npos);
    const std::vector<std::string> reports = lines(statusPath);
    EXPECT_EQ(states(reports), kStartRunStopped);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), "1 1066 70");
    const std::string log = machine.fileContent(kInstalledLog);
    EXPECT_NE(log.find("Exception:\tjava.lang.IllegalStateException: main leaves by an exception\n"
                       "Service:\tmain ended with an uncaught exception (service exit code 70)\n"),
              std::string::npos)
        << log;
}
#elif defined(QV_TEST_STOP_AFTER_MAIN)
// The shipped case: main starts the server and returns, and the service thread waits in
// DestroyJavaVM. The default stop still reaches the JVM: System.exit(0) runs the shutdown hook
// and the process ends with 0, far inside the stop timeout (an hour here).
TEST(ServiceStop, TheDefaultStopReachesAServiceWhoseMainHasReturned) {
    GTEST_FLAG_SET(death_test_style, "fast");
    const std::string reportPath = freshScratchFile("report.txt");
    const std::string statusPath = freshScratchFile("status.txt");
    auto child = [&] {
        ReportingMachine machine(statusPath);
        installProbe(machine, reportPath, kServerClass);
        machine.setConfig(38, "3600");
        std::thread stopper = stopOnceServing(machine, reportPath);
        stopper.detach();  // the JVM ends the process
        (void)runService(machine, readArguments("--mvk-service"), kInterval);
        std::fprintf(stderr, "the service run returned\n");
        std::exit(99);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "");
    const std::vector<std::string> events = readProbeReport(reportPath).events;
    EXPECT_NE(std::find(events.begin(), events.end(), "shutdown"), events.end());
    EXPECT_EQ(std::find(events.begin(), events.end(), "served"), events.end());
    const std::vector<std::string> reports = lines(statusPath);
    EXPECT_EQ(states(reports), kStartRunStopPendingStopped);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), "1 0 0");
}
#elif defined(QV_TEST_STOP_METHOD_AFTER_MAIN)
// The same with a configured stop method: it ends the server thread, DestroyJavaVM returns, the
// shutdown hook runs and the service reports stopped with 0 by itself.
TEST(ServiceStop, AStopMethodReachesAServiceWhoseMainHasReturned) {
    const std::string reportPath = freshScratchFile("report.txt");
    const std::string statusPath = freshScratchFile("status.txt");
    ReportingMachine machine(statusPath);
    installProbe(machine, reportPath, kServerClass);
    machine.setConfig(37, "com.zarvel.quorvexservice.testing.ServerProbe.stop");
    machine.setConfig(38, "3600");
    std::thread stopper = stopOnceServing(machine, reportPath);
    EXPECT_EQ(runService(machine, readArguments("--mvk-service"), kInterval), 0);
    stopper.join();
    const std::vector<std::string> events = readProbeReport(reportPath).events;
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[3], "served");
    EXPECT_EQ(events[4], "shutdown");
    EXPECT_NE(std::find(events.begin(), events.end(), "stop\t0"), events.end());
    const std::vector<std::string> reports = lines(statusPath);
    EXPECT_EQ(states(reports), kStartRunStopPendingStopped);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), "1 0 0");
    EXPECT_TRUE(machine.processEnds.empty());
}
#endif

}  // namespace
}  // namespace qv::testing
