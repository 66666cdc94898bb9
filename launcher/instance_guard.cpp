#include "instance_guard.h"

#include "config.h"
#include "diagnostics.h"
#include "format.h"
#include "paths.h"

#include <string>

namespace qv {

namespace {

constexpr std::string_view kLockSuffix = ".lock";
// The lock's name for a mutex name that ends in a backslash (CreateMutexA refuses such a name;
// the lock still needs one).
constexpr std::string_view kUnnamedLock = "instance";

Step anotherInstanceFound(Context& ctx) {
    ctx.state.log.print("Error:\t\t%s\n", "Instance already exists.");
    return Step::anotherInstance();
}

Step lockPathOf(Context& ctx, const ProgramLocation& program, std::string_view mutexName,
                FixedText<kPathSize>& lock) {
    if (!lock.assign(program.directory()) || !joinPath(lock, lockFileName(mutexName))) {
        return stopTooLong(ctx, formatText("The instance lock does not fit into %u characters.",
                                           charsIn(kPathSize)));
    }
    return Step::goOn();
}

}  // namespace

std::string lockFileName(std::string_view mutexName) {
    const std::size_t slash = mutexName.rfind('\\');
    std::string_view leaf =
        slash == std::string_view::npos ? mutexName : mutexName.substr(slash + 1);
    if (leaf.empty()) {
        leaf = kUnnamedLock;
    }
    std::string name(leaf);
    name += kLockSuffix;
    return name;
}

Step instanceLockPath(Context& ctx, const ProgramLocation& program, FixedText<kPathSize>& lock) {
    lock.clear();
    FixedText<kShortTextSize> name;
    Result<bool> read = loadString(ctx, cfg::kMutexName, name);
    if (name.empty()) {
        return std::move(read.step);
    }
    return lockPathOf(ctx, program, name.view(), lock);
}

Step checkInstance(Context& ctx, const ProgramLocation& program) {
    FixedText<kShortTextSize> name;
    Result<bool> read = loadString(ctx, cfg::kMutexName, name);
    if (name.empty()) {
        return std::move(read.step);
    }
    const bool service = ctx.state.mode == RunMode::Service;
    if (!service) {
        ctx.state.log.print("Create mutex:\t%s\n", name.c_str());
        ctx.os.createNamedMutex(name.c_str());
        if (ctx.os.lastError() == kErrorAlreadyExists) {
            return anotherInstanceFound(ctx);
        }
    }

    FixedText<kPathSize> lock;
    if (Step placed = lockPathOf(ctx, program, name.view(), lock); !placed.goesOn()) {
        return placed;
    }
    const std::uint32_t errorBefore = ctx.os.lastError();
    if (service) {
        ctx.state.log.print("Instance lock:\t%s\n", lock.c_str());
    }
    if (ctx.os.holdLockFile(lock.c_str())) {
        ctx.os.setLastError(errorBefore);
        return Step::goOn();
    }
    const std::uint32_t cause = ctx.os.lastError();
    if (cause == kErrorSharingViolation) {
        return anotherInstanceFound(ctx);
    }
    if (service) {
        ctx.state.log.print("Error:\t\t%s\n", "The instance lock could not be created.");
        return Step::windowsError(cause);
    }
    // A console run that may not take the lock (an ordinary user below Program Files) goes on as
    // with the mutex alone, and leaves the last error as the mutex left it.
    ctx.os.setLastError(errorBefore);
    return Step::goOn();
}

}  // namespace qv
