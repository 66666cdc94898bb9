#include "entry.h"

#include "class_path.h"
#include "config.h"
#include "diagnostics.h"
#include "environment.h"
#include "format.h"
#include "heap_options.h"
#include "jvm_options.h"
#include "jvm_start.h"
#include "options_file.h"
#include "paths.h"
#include "runtime_search.h"
#include "variables.h"

#include <memory>
#include <string>

namespace qv {

namespace {

constexpr const char* kDefaultErrorTitle = "Morvakin";

// The preparation stops with kPrepareFailed because a text did not fit: the error message gets
// the text that names it, and no system text is added to it.
int failForOverflow(Context& ctx) {
    LauncherState& st = ctx.state;
    if (!st.errorMessage.empty()) {
        st.errorMessage.appendCut("\n\n");
    }
    st.errorMessage.appendCut(st.failure.view());
    ctx.os.setLastError(kErrorSuccess);
    return kPrepareFailed;
}

}  // namespace

std::string_view splitArgumentText(std::string_view commandLine) {
    if (!commandLine.empty() && commandLine[0] == '"') {
        std::size_t close = commandLine.find('"', 1);
        // An unclosed quote: the whole line is the program name.
        if (close == std::string_view::npos || close + 1 >= commandLine.size()) {
            return {};
        }
        return commandLine.substr(close + 2);
    }
    std::size_t blank = commandLine.find(' ');
    if (blank == std::string_view::npos) {
        return {};
    }
    return commandLine.substr(blank + 1);
}

bool initGlobals(Context& ctx) {
    LauncherState& st = ctx.state;
    st.module = ctx.os.programModule();
    if (st.module == nullptr) {
        return false;
    }
    (void)st.errorTitle.assign(kDefaultErrorTitle);
    st.search.reset();
    return true;
}

long getExePath(Context& ctx, ProgramLocation& program) {
    std::string path;
    if (!ctx.os.moduleFileName(ctx.state.module, path)) {
        return -1;
    }
    if (!program.path.assign(path)) {
        noteOverflow(ctx, formatText("The program path does not fit into %u characters.",
                                     charsIn(kPathSize)));
        return -1;
    }
    std::size_t slash = program.path.view().rfind('\\');
    program.directoryLength = slash == std::string_view::npos ? 0 : slash;
    return static_cast<long>(program.directoryLength);
}

void setWow64Flag(Context& ctx) {
    bool isWow64 = false;
    ctx.state.wow64 = ctx.os.queryWow64(isWow64) && isWow64;
    ctx.state.log.print("WOW64:\t\t%s\n", ctx.state.wow64 ? "yes" : "no");
}

bool checkInstance(Context& ctx) {
    FixedText<kShortTextSize> name;
    loadString(ctx, cfg::kMutexName, name);
    if (name.empty()) {
        return true;
    }
    ctx.state.log.print("Create mutex:\t%s\n", name.c_str());
    ctx.os.createNamedMutex(name.c_str());
    if (ctx.os.lastError() == kErrorAlreadyExists) {
        ctx.state.log.print("Error:\t\t%s\n", "Instance already exists.");
        return false;
    }
    return true;
}

bool setWorkingDirectory(Context& ctx, const ProgramLocation& program) {
    LauncherState& st = ctx.state;
    std::string current;
    st.startupDirectory.clear();
    if (ctx.os.currentDirectory(current) && !st.startupDirectory.assign(current)) {
        return noteOverflow(ctx,
                            formatText("The start-up directory does not fit into %u characters.",
                                       charsIn(kPathSize)));
    }
    FixedText<kPathSize> value;
    if (!loadString(ctx, cfg::kWorkingDir, value)) {
        return !overflowed(ctx);
    }
    FixedText<kPathSize> directory;
    if (!directory.assign(program.directory()) || !joinPath(directory, value.view())) {
        return noteOverflow(
            ctx, formatText("The working directory (value 8) does not fit into %u characters.",
                            charsIn(kPathSize)));
    }
    (void)ctx.os.changeDirectory(directory.c_str());
    st.log.print("Working dir:\t%s\n", directory.c_str());
    return true;
}

int prepare(Context& ctx, std::string_view argumentText) {
    LauncherState& st = ctx.state;
    ProgramLocation program;

    if (!initGlobals(ctx)) {
        return kPrepareFailed;
    }
    if (getExePath(ctx, program) < 0) {
        return overflowed(ctx) ? failForOverflow(ctx) : kPrepareFailed;
    }
    if (!openDebugLog(ctx, argumentText, program)) {
        return overflowed(ctx) ? failForOverflow(ctx) : kPrepareFailed;
    }
    setWow64Flag(ctx);

    loadString(ctx, cfg::kErrorTitle, st.errorTitle);
    loadString(ctx, cfg::kSupportUrl, st.errorUrl);
    bool haveMessage = loadString(ctx, cfg::kMsgStartupError, st.errorMessage);
    if (overflowed(ctx)) {
        return failForOverflow(ctx);
    }
    if (!haveMessage) {
        st.log.print("Error:\t\t%s\n", "Startup error message not defined.");
        return kPrepareFailed;
    }

    if (!checkInstance(ctx)) {
        return kPrepareAnotherInstance;
    }
    if (overflowed(ctx) || !setWorkingDirectory(ctx, program)) {
        return failForOverflow(ctx);
    }
    if (!jreSearch(ctx, program)) {
        return overflowed(ctx) ? failForOverflow(ctx) : kPrepareFailed;
    }
    if (overflowed(ctx)) {
        return failForOverflow(ctx);
    }
    if (!addRuntimeToPath(ctx)) {
        return overflowed(ctx) ? failForOverflow(ctx) : kPrepareFailed;
    }
    if (!applyEnvironmentSettings(ctx, program) || overflowed(ctx) ||
        !addLauncherFile(ctx, st.launcherPath) || !addHeapOptions(ctx, st.launcherArgs) ||
        overflowed(ctx)) {
        return failForOverflow(ctx);
    }
    {
        auto options = std::make_unique<FixedText<kLineSize>>();
        if (!readOptionsFile(ctx, *options, program) || overflowed(ctx)) {
            return failForOverflow(ctx);
        }
        if (substituteVariables(ctx, st.launcherArgs, options->view(), program) ==
            Expansion::Overflow) {
            noteOverflow(ctx, "The JVM options do not fit into the launcher argument line.");
        }
        if (overflowed(ctx)) {
            return failForOverflow(ctx);
        }
    }
    if (!addClassPathOrJar(ctx, program) || overflowed(ctx) ||
        !addApplicationArgs(ctx, argumentText) || overflowed(ctx)) {
        return failForOverflow(ctx);
    }
    if (classPathOptionLength(st.launcherArgs.view()) > kLineSize - 1) {
        noteOverflow(ctx, formatText("The class path option does not fit into %u characters.",
                                     charsIn(kLineSize)));
        return failForOverflow(ctx);
    }

    st.log.print("Launcher:\t%s\n", st.launcherPath.c_str());
    st.log.print("Launcher args:\t%s\n", st.launcherArgs.c_str());
    st.log.print("Args length:\t%d/%d chars\n", static_cast<int>(st.launcherArgs.size()),
                 static_cast<int>(kLineSize));
    return kPrepareReady;
}

int runLauncher(Os& os) {
    auto state = std::make_unique<LauncherState>();
    Context ctx{os, *state};
    LauncherState& st = *state;

    const std::string commandLine = os.commandLine();
    const std::string_view argumentText = splitArgumentText(commandLine);

    int prepared = prepare(ctx, argumentText);
    if (prepared == kPrepareAnotherInstance) {
        FixedText<kErrorMessageSize> message;
        loadString(ctx, cfg::kMsgInstanceRunning, message);
        showMessage(ctx, overflowed(ctx) ? st.failure.view() : message.view());
        closeDebugLog(ctx);
        return kExitAnotherInstance;
    }
    if (prepared != kPrepareReady) {
        reportError(ctx);
        return kExitPreparationFailed;
    }

    st.restart = loadBool(ctx, cfg::kRestart);
    auto jvm = std::make_unique<JvmStart>();
    for (;;) {
        st.exitCode = kExitMainReturned;
        parseJvmOptions(*jvm, st.search.javaHome.view(), st.mainClass.view(),
                        st.launcherArgs.view(), st.applicationArgs.view());
        if (!executeInProcess(ctx, *jvm, st.exitCode)) {
            reportError(ctx);
            break;
        }
        if (st.restart && st.exitCode != kExitMainReturned) {
            st.log.print("Exit code:\t%d, restarting the application!\n", st.exitCode);
            continue;
        }
        break;
    }
    st.log.print("Exit code:\t%d\n", st.exitCode);
    closeDebugLog(ctx);
    return st.exitCode;
}

}  // namespace qv
