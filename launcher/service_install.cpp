#include "service_install.h"

#include "access_review.h"
#include "diagnostics.h"
#include "format.h"
#include "instance_guard.h"
#include "service_temp.h"
#include "start_plan.h"

#include <chrono>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace qv {

namespace {

// How often an uninstall looks whether the stopped service has ended.
constexpr std::chrono::milliseconds kStopPollInterval{250};
// A service of that name exists (ERROR_SERVICE_EXISTS).
constexpr std::uint32_t kErrorServiceExists = 1073;
// A setting the service manager does not take (ERROR_INVALID_PARAMETER).
constexpr std::uint32_t kErrorInvalidParameter = 87;
// No password could be read for the account (ERROR_INVALID_PASSWORD).
constexpr std::uint32_t kErrorInvalidPassword = 86;
// Room a password gets before it is read, so that reading it moves no copy of it elsewhere in
// memory (the longest password of a Windows account has 256 characters).
constexpr std::size_t kPasswordReserve = 257;

char foldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return foldAscii(x) == foldAscii(y);
           });
}

// The password of the service account: read from standard input, handed to the service manager
// and nowhere else, and overwritten when it goes.
class Password {
  public:
    Password() { text_.reserve(kPasswordReserve); }
    ~Password() {
        // Every byte the text may have used, up to its capacity, so a shorter text written over
        // a longer one leaves nothing either.
        text_.resize(text_.capacity());
        volatile char* byte = text_.data();
        for (std::size_t i = 0; i < text_.size(); ++i) {
            byte[i] = '\0';
        }
    }
    Password(const Password&) = delete;
    Password& operator=(const Password&) = delete;

    std::string& text() { return text_; }

  private:
    std::string text_;
};

// What the install makes the service manager hold: the settings, the command line, and the
// password of a user account.
ServiceDefinition definitionOf(const ServiceSettings& settings, const std::string& imagePath,
                               Password& password) {
    ServiceDefinition definition;
    definition.displayName = settings.displayName.c_str();
    definition.imagePath = imagePath.c_str();
    definition.startType = settings.startType;
    definition.dependencies = settings.dependencies;
    switch (settings.account.kind) {
        case AccountKind::LocalSystem:
            break;
        case AccountKind::LocalService:
        case AccountKind::NetworkService:
            definition.account = settings.account.name.c_str();
            definition.password = "";
            break;
        case AccountKind::Virtual:
            definition.account = settings.account.name.c_str();
            break;
        case AccountKind::Named:
            definition.account = settings.account.name.c_str();
            definition.password = password.text().c_str();
            break;
    }
    return definition;
}

// The password of a user account, asked for on the console (its echo off) or read from standard
// input. False when none comes.
bool readPassword(Context& ctx, const ServiceAccount& account, Password& password) {
    ctx.os.writeStdout(formatText("Password of %s: ", account.name.c_str()));
    return ctx.os.readSecretLine(password.text());
}

// What the install makes ready for the service before it grants its account anything: the
// temporary folder and the instance lock, both for administrators and SYSTEM only.
struct ServicePlaces {
    FixedText<kPathSize> tempFolder;
    FixedText<kPathSize> lock;  // empty without a mutex name
};

Step prepareServicePlaces(Context& ctx, const ProgramLocation& program,
                          const ServiceSettings& settings, ServicePlaces& places) {
    if (Step temp = prepareServiceTempFolder(ctx, settings.name.view(), places.tempFolder);
        !temp.goesOn()) {
        return temp;
    }
    if (Step lock = instanceLockPath(ctx, program, places.lock); !lock.goesOn()) {
        return lock;
    }
    if (!places.lock.empty() && !ctx.os.createPrivateFile(places.lock.c_str())) {
        return stopWithLastError(ctx);
    }
    return Step::goOn();
}

// What an account other than LocalSystem must be able to change, since it may neither create
// files in the program's folder nor make folders there or in the program data folder: the
// service's log folder (value 41), the debug log beside the program (made for administrators and
// SYSTEM first, as the service makes it: it holds every expanded value), its temporary folder and
// the instance lock. False with `cause` naming the account, the place and the system's text, and
// the last error as the grant left it.
bool grantAccountItsPlaces(Context& ctx, const ProgramLocation& program,
                           const ServiceSettings& settings, const ServicePlaces& prepared,
                           std::string& cause) {
    const ServiceAccount& account = settings.account;
    if (account.kind == AccountKind::LocalSystem) {
        return true;
    }
    const std::string directory(program.directory());
    const std::string debugLog = directory + "\\" + kLogFileName;
    std::vector<std::pair<std::string, GrantTarget>> places = {
        {serviceLogFolder(directory, settings.logFolder.view()), GrantTarget::Folder},
        {debugLog, GrantTarget::File},
        {std::string(prepared.tempFolder.view()), GrantTarget::Folder},
    };
    if (!prepared.lock.empty()) {
        places.emplace_back(std::string(prepared.lock.view()), GrantTarget::File);
    }
    const auto failed = [&](const std::string& path) {
        const std::uint32_t code = ctx.os.lastError();
        cause = formatText("%s could not be given modify rights on %s: %s", account.name.c_str(),
                           path.c_str(), systemTextOf(ctx.os, code).c_str());
        ctx.os.setLastError(code);
        return false;
    };
    if (!ctx.os.createPrivateFile(debugLog.c_str())) {
        return failed(debugLog);
    }
    for (const auto& [path, target] : places) {
        if (!ctx.os.grantModifyAccess(path.c_str(), target, account.grantee.c_str())) {
            return failed(path);
        }
    }
    return true;
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

std::uint32_t preshutdownTimeoutOf(const ServiceSettings& settings) {
    return settings.stopTimeoutMs + kPreshutdownMarginMs;
}

ServiceRecovery recoveryOf(const ServiceSettings& settings) {
    return ServiceRecovery{settings.restartDelayMs, kRecoveryRestarts, kRecoveryResetSeconds};
}

// The existing service of the name made as the install makes it, when it runs this program.
int updateService(Context& ctx, ServiceManager& manager, const ProgramLocation& program,
                  const ServiceSettings& settings, const ServicePlaces& places,
                  const std::string& imagePath, const ServiceDefinition& definition) {
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
    const bool updated = service->reconfigure(definition) &&
                         service->setDescription(settings.description.c_str()) &&
                         delayedStartSet(ctx.os, *service, settings) &&
                         service->setPreshutdownTimeout(preshutdownTimeoutOf(settings)) &&
                         service->setRecovery(recoveryOf(settings));
    if (!updated) {
        return fail(ctx, what, stopWithLastError(ctx));
    }
    std::string cause;
    if (!grantAccountItsPlaces(ctx, program, settings, places, cause)) {
        return failWith(ctx, what, cause, ctx.os.lastError());
    }
    if (!ctx.os.registerEventSource(settings.name.c_str(), program.path.c_str())) {
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
    ServicePlaces places;
    if (Step placed = prepareServicePlaces(ctx, program, *settings, places); !placed.goesOn()) {
        return fail(ctx, what, placed);
    }
    std::unique_ptr<ServiceManager> manager = ctx.os.openServiceManager();
    if (!manager) {
        return fail(ctx, what, stopWithLastError(ctx));
    }
    Password password;
    if (needsPassword(settings->account) && !readPassword(ctx, settings->account, password)) {
        return failWith(ctx, what,
                        formatText("No password of %s came from standard input.",
                                   settings->account.name.c_str()),
                        kErrorInvalidPassword);
    }
    const std::string imagePath =
        serviceImagePath(program.path.view(), commandLine.serviceDebugWord);
    const ServiceDefinition definition = definitionOf(*settings, imagePath, password);
    std::unique_ptr<ServiceHandle> service =
        manager->createService(settings->name.c_str(), definition);
    if (!service) {
        Step failed = stopWithLastError(ctx);
        if (failed.errorCode() == kErrorServiceExists) {
            return updateService(ctx, *manager, program, *settings, places, imagePath, definition);
        }
        return fail(ctx, what, failed);
    }
    std::string cause;
    bool configured =
        (settings->description.empty() || service->setDescription(settings->description.c_str())) &&
        (settings->startType != ServiceStartType::DelayedAutomatic ||
         service->setDelayedAutoStart(true)) &&
        service->setPreshutdownTimeout(preshutdownTimeoutOf(*settings)) &&
        service->setRecovery(recoveryOf(*settings));
    if (configured) {
        // The virtual account exists from the creation of its service on: granted only now.
        configured = grantAccountItsPlaces(ctx, program, *settings, places, cause) &&
                     ctx.os.registerEventSource(settings->name.c_str(), program.path.c_str());
    }
    if (!configured) {
        // Nothing stays: the service goes again, with the cause of the failure kept.
        Step failed = stopWithLastError(ctx);
        (void)service->remove();
        (void)ctx.os.deregisterEventSource(settings->name.c_str());
        return cause.empty() ? fail(ctx, what, failed)
                             : failWith(ctx, what, cause, failed.errorCode());
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
