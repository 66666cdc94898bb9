#include "service_install.h"

#include "diagnostics.h"
#include "format.h"
#include "start_plan.h"

#include <chrono>
#include <memory>
#include <thread>

namespace qv {

namespace {

// How often an uninstall looks whether the stopped service has ended.
constexpr std::chrono::milliseconds kStopPollInterval{250};

// The common start of both commands: the program and its path, the settings.
Step prepareCommand(Context& ctx, ProgramLocation& program, ServiceSettings& settings) {
    Step stop = initGlobals(ctx);
    if (!stop.goesOn()) {
        return stop;
    }
    stop = findProgram(ctx, program);
    if (!stop.goesOn()) {
        // The line of the failure still names the service: its name needs only the module.
        (void)loadServiceName(ctx, settings);
        return stop;
    }
    return loadServiceSettings(ctx, settings);
}

// The one line of a failed command: what failed and why (the system's text, or what did not fit).
int fail(Context& ctx, std::string_view what, const Step& stop) {
    const std::string cause = stop.kind() == Step::Kind::WindowsError
                                  ? systemTextOf(ctx.os, stop.errorCode())
                                  : stop.text();
    ctx.state.log.print("Error:\t\t%s %s\n", std::string(what).c_str(), cause.c_str());
    ctx.os.writeStdout(std::string(what) + " " + cause + "\n");
    ctx.os.setLastError(stop.errorCode());
    return kExitServiceCommandFailed;
}

int done(Context& ctx, const std::string& line) {
    ctx.os.writeStdout(line + "\n");
    return kExitServiceCommandDone;
}

}  // namespace

std::string serviceImagePath(std::string_view programPath, std::string_view debugWord) {
    std::string path = "\"";
    path.append(programPath).append("\" ").append(kServiceWord);
    if (!debugWord.empty()) {
        path.append(" ").append(debugWord);
    }
    return path;
}

int installService(Context& ctx, const CommandLine& commandLine) {
    ProgramLocation program;
    auto settings = makeWithTexts<ServiceSettings>();
    Step prepared = prepareCommand(ctx, program, *settings);
    const std::string what =
        formatText("The service %s could not be installed:", settings->name.c_str());
    if (!prepared.goesOn()) {
        return fail(ctx, what, prepared);
    }
    std::unique_ptr<ServiceManager> manager = ctx.os.openServiceManager();
    if (!manager) {
        return fail(ctx, what, stopWithLastError(ctx));
    }
    const std::string imagePath =
        serviceImagePath(program.path.view(), commandLine.serviceDebugWord);
    std::unique_ptr<ServiceHandle> service =
        manager->createService(settings->name.c_str(), settings->displayName.c_str(),
                               imagePath.c_str(), settings->startType);
    if (!service) {
        return fail(ctx, what, stopWithLastError(ctx));
    }
    const ServiceRecovery recovery{settings->restartDelayMs, kRecoveryRestarts,
                                   kRecoveryResetSeconds};
    bool configured =
        (settings->description.empty() || service->setDescription(settings->description.c_str())) &&
        (settings->startType != ServiceStartType::DelayedAutomatic ||
         service->setDelayedAutoStart()) &&
        service->setRecovery(recovery) && ctx.os.registerEventSource(settings->name.c_str());
    if (!configured) {
        // Nothing stays: the service goes again, with the cause of the failure kept.
        Step failed = stopWithLastError(ctx);
        (void)service->remove();
        (void)ctx.os.deregisterEventSource(settings->name.c_str());
        return fail(ctx, what, failed);
    }
    std::string line =
        formatText("The service %s is installed: %s", settings->name.c_str(), imagePath.c_str());
    // Without the flag the service manager still restarts the service after a crash: the
    // install stands, and its line says what is missing.
    if (!service->setRecoveryOnNonCrashFailures()) {
        line += "; it is restarted after a crash only: " + systemTextOf(ctx.os, ctx.os.lastError());
    }
    return done(ctx, line);
}

int uninstallService(Context& ctx) {
    ProgramLocation program;
    auto settings = makeWithTexts<ServiceSettings>();
    Step prepared = prepareCommand(ctx, program, *settings);
    const std::string what =
        formatText("The service %s could not be uninstalled:", settings->name.c_str());
    if (!prepared.goesOn()) {
        return fail(ctx, what, prepared);
    }
    std::unique_ptr<ServiceManager> manager = ctx.os.openServiceManager();
    if (!manager) {
        return fail(ctx, what, stopWithLastError(ctx));
    }
    std::unique_ptr<ServiceHandle> service = manager->openService(settings->name.c_str());
    if (!service) {
        return fail(ctx, what, stopWithLastError(ctx));
    }
    ServiceState state = ServiceState::Stopped;
    if (!service->queryState(state)) {
        return fail(ctx, what, stopWithLastError(ctx));
    }
    if (state != ServiceState::Stopped) {
        if (state != ServiceState::StopPending && !service->stop()) {
            return fail(ctx, what, stopWithLastError(ctx));
        }
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(settings->stopTimeoutMs);
        while (service->queryState(state) && state != ServiceState::Stopped &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kStopPollInterval);
        }
    }
    if (!service->remove() || !ctx.os.deregisterEventSource(settings->name.c_str())) {
        return fail(ctx, what, stopWithLastError(ctx));
    }
    return done(ctx, formatText("The service %s is uninstalled.", settings->name.c_str()));
}

}  // namespace qv
