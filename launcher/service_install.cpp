#include "service_install.h"

#include "access_review.h"
#include "diagnostics.h"
#include "format.h"
#include "service_temp.h"
#include "start_plan.h"

#include <chrono>
#include <memory>
#include <thread>

namespace qv {

namespace {

// How often an uninstall looks whether the stopped service has ended.
constexpr std::chrono::milliseconds kStopPollInterval{250};
// A service of that name exists (ERROR_SERVICE_EXISTS).
constexpr std::uint32_t kErrorServiceExists = 1073;
// A setting the service manager does not take (ERROR_INVALID_PARAMETER).
constexpr std::uint32_t kErrorInvalidParameter = 87;

char foldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return foldAscii(x) == foldAscii(y);
           });
}

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

// The one line of a failed command: what failed and why, with the last error it leaves.
int failWith(Context& ctx, std::string_view what, const std::string& cause, std::uint32_t code) {
    ctx.state.log.print("Error:\t\t%s %s\n", std::string(what).c_str(), cause.c_str());
    ctx.os.writeStdout(std::string(what) + " " + cause + "\n");
    ctx.os.setLastError(code);
    return kExitServiceCommandFailed;
}

// The same for a stopped step: the system's text, or what did not fit.
int fail(Context& ctx, std::string_view what, const Step& stop) {
    const std::string cause = stop.kind() == Step::Kind::WindowsError
                                  ? systemTextOf(ctx.os, stop.errorCode())
                                  : stop.text();
    return failWith(ctx, what, cause, stop.errorCode());
}

// Why a command leaves alone a service of its name that runs another program.
std::string anotherProgram(std::string_view imagePath) {
    return "It runs " + programOf(imagePath) + ", not this program.";
}

// The line of a done install or update, with what the system does not know of the recovery.
int doneInstalling(Context& ctx, ServiceHandle& service, const char* done,
                   const ServiceSettings& settings, const std::string& imagePath) {
    std::string line =
        formatText("The service %s is %s: %s", settings.name.c_str(), done, imagePath.c_str());
    // Without the flag the service manager still restarts the service after a crash: the
    // install stands, and its line says what is missing.
    if (!service.setRecoveryOnNonCrashFailures()) {
        line += "; it is restarted after a crash only: " + systemTextOf(ctx.os, ctx.os.lastError());
    }
    ctx.os.writeStdout(line + "\n");
    return kExitServiceCommandDone;
}

// The delayed start as the settings have it. A service manager that knows no delayed start
// (Wine's, for one) refuses to clear it as a parameter it does not take: none of its services
// starts delayed, so there is nothing to clear.
bool delayedStartSet(Os& os, ServiceHandle& service, const ServiceSettings& settings) {
    if (settings.startType == ServiceStartType::DelayedAutomatic) {
        return service.setDelayedAutoStart(true);
    }
    if (service.setDelayedAutoStart(false)) {
        return true;
    }
    if (os.lastError() == kErrorInvalidParameter) {
        os.setLastError(kErrorSuccess);
        return true;
    }
    return false;
}

// Opens the service of the settings' name and reads the command line it runs (its image path).
Step openNamedService(Context& ctx, ServiceManager& manager, const ServiceSettings& settings,
                      std::unique_ptr<ServiceHandle>& service, std::string& imagePath) {
    service = manager.openService(settings.name.c_str());
    if (!service || !service->queryImagePath(imagePath)) {
        return stopWithLastError(ctx);
    }
    return Step::goOn();
}

ServiceRecovery recoveryOf(const ServiceSettings& settings) {
    return ServiceRecovery{settings.restartDelayMs, kRecoveryRestarts, kRecoveryResetSeconds};
}

// The existing service of the name made as the install makes it, when it runs this program.
int updateService(Context& ctx, ServiceManager& manager, const ProgramLocation& program,
                  const ServiceSettings& settings, const std::string& imagePath) {
    const std::string what =
        formatText("The service %s could not be updated:", settings.name.c_str());
    std::unique_ptr<ServiceHandle> service;
    std::string existing;
    if (Step opened = openNamedService(ctx, manager, settings, service, existing);
        !opened.goesOn()) {
        return fail(ctx, what, opened);
    }
    if (!runsProgram(existing, program.path.view())) {
        return failWith(ctx,
                        formatText("The service %s could not be installed:", settings.name.c_str()),
                        systemTextOf(ctx.os, kErrorServiceExists) + " " + anotherProgram(existing),
                        kErrorServiceExists);
    }
    const bool updated =
        service->reconfigure(settings.displayName.c_str(), imagePath.c_str(), settings.startType) &&
        service->setDescription(settings.description.c_str()) &&
        delayedStartSet(ctx.os, *service, settings) &&
        service->setPreshutdownTimeout(settings.stopTimeoutMs + kPreshutdownMarginMs) &&
        service->setRecovery(recoveryOf(settings)) &&
        ctx.os.registerEventSource(settings.name.c_str());
    if (!updated) {
        return fail(ctx, what, stopWithLastError(ctx));
    }
    return doneInstalling(ctx, *service, "updated", settings, imagePath);
}

int done(Context& ctx, const std::string& line) {
    ctx.os.writeStdout(line + "\n");
    return kExitServiceCommandDone;
}

}  // namespace

bool runsProgram(std::string_view imagePath, std::string_view programPath) {
    if (!imagePath.empty() && imagePath.front() == '"') {
        return sameIgnoringCase(programOf(imagePath), programPath);
    }
    // Unquoted, a path with blanks runs too: the service manager tries it word by word.
    return imagePath.size() >= programPath.size() &&
           sameIgnoringCase(imagePath.substr(0, programPath.size()), programPath) &&
           (imagePath.size() == programPath.size() || imagePath[programPath.size()] == ' ');
}

std::string programOf(std::string_view imagePath) {
    if (!imagePath.empty() && imagePath.front() == '"') {
        const std::size_t close = imagePath.find('"', 1);
        return std::string(
            imagePath.substr(1, close == std::string_view::npos ? close : close - 1));
    }
    return std::string(imagePath.substr(0, imagePath.find(' ')));
}

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
    if (Step unsafe = refuseChangeableInstallation(ctx, program.path.view(), false);
        !unsafe.goesOn()) {
        return fail(ctx, what, unsafe);
    }
    FixedText<kPathSize> tempFolder;
    if (Step temp = prepareServiceTempFolder(ctx, settings->name.view(), tempFolder);
        !temp.goesOn()) {
        return fail(ctx, what, temp);
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
        Step failed = stopWithLastError(ctx);
        if (failed.errorCode() == kErrorServiceExists) {
            return updateService(ctx, *manager, program, *settings, imagePath);
        }
        return fail(ctx, what, failed);
    }
    bool configured =
        (settings->description.empty() || service->setDescription(settings->description.c_str())) &&
        (settings->startType != ServiceStartType::DelayedAutomatic ||
         service->setDelayedAutoStart(true)) &&
        service->setPreshutdownTimeout(settings->stopTimeoutMs + kPreshutdownMarginMs) &&
        service->setRecovery(recoveryOf(*settings)) &&
        ctx.os.registerEventSource(settings->name.c_str());
    if (!configured) {
        // Nothing stays: the service goes again, with the cause of the failure kept.
        Step failed = stopWithLastError(ctx);
        (void)service->remove();
        (void)ctx.os.deregisterEventSource(settings->name.c_str());
        return fail(ctx, what, failed);
    }
    return doneInstalling(ctx, *service, "installed", *settings, imagePath);
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
    std::unique_ptr<ServiceHandle> service;
    std::string existing;
    if (Step opened = openNamedService(ctx, *manager, *settings, service, existing);
        !opened.goesOn()) {
        return fail(ctx, what, opened);
    }
    if (!runsProgram(existing, program.path.view())) {
        return failWith(ctx, what, anotherProgram(existing), kErrorServiceExists);
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
