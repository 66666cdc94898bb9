#include "start_plan.h"

#include "class_path.h"
#include "config.h"
#include "diagnostics.h"
#include "environment.h"
#include "format.h"
#include "heap_options.h"
#include "instance_guard.h"
#include "jvm_options.h"
#include "options_file.h"
#include "paths.h"
#include "runtime_search.h"
#include "variables.h"

#include <memory>
#include <string>

namespace qv {

namespace {

constexpr const char* kDefaultErrorTitle = "Morvakin";
constexpr const char* kPathOutsideCodePage =
    "The program path holds a character that the ANSI code page of this computer cannot hold, so "
    "the program's folder cannot be named exactly. Install the program in a folder whose path "
    "holds none.";

}  // namespace

Step initGlobals(Context& ctx) {
    LauncherState& st = ctx.state;
    st.module = ctx.os.programModule();
    if (st.module == nullptr) {
        return stopWithLastError(ctx);
    }
    (void)st.errorTitle.assign(kDefaultErrorTitle);
    st.search.reset();
    return Step::goOn();
}

Step findProgram(Context& ctx, ProgramLocation& program) {
    std::string path;
    if (!ctx.os.moduleFileName(ctx.state.module, path)) {
        if (ctx.os.lastError() == kErrorNoUnicodeTranslation) {
            return stopWithReason(ctx, kPathOutsideCodePage);
        }
        return stopWithLastError(ctx);
    }
    if (!program.path.assign(path)) {
        return stopTooLong(ctx, formatText("The program path does not fit into %u characters.",
                                           charsIn(kPathSize)));
    }
    std::size_t slash = program.path.view().rfind('\\');
    program.directoryLength = slash == std::string_view::npos ? 0 : slash;
    return Step::goOn();
}

Step setWow64Flag(Context& ctx) {
    bool isWow64 = false;
    ctx.state.wow64 = ctx.os.queryWow64(isWow64) && isWow64;
    ctx.state.log.print("WOW64:\t\t%s\n", ctx.state.wow64 ? "yes" : "no");
    return Step::goOn();
}

Step loadErrorReport(Context& ctx) {
    LauncherState& st = ctx.state;
    Step stop = loadString(ctx, cfg::kErrorTitle, st.errorTitle).step;
    stop.keepFirst(loadString(ctx, cfg::kSupportUrl, st.errorUrl).step);
    Result<bool> message = loadString(ctx, cfg::kMsgStartupError, st.errorMessage);
    stop.keepFirst(std::move(message.step));
    if (!stop.goesOn()) {
        return stop;
    }
    if (!message.value) {
        st.log.print("Error:\t\t%s\n", "Startup error message not defined.");
        return stopWithLastError(ctx);
    }
    return Step::goOn();
}

Step setWorkingDirectory(Context& ctx, const ProgramLocation& program) {
    LauncherState& st = ctx.state;
    std::string current;
    st.startupDirectory.clear();
    if (ctx.os.currentDirectory(current) && !st.startupDirectory.assign(current)) {
        return stopTooLong(ctx,
                           formatText("The start-up directory does not fit into %u characters.",
                                      charsIn(kPathSize)));
    }
    FixedText<kPathSize> value;
    Result<bool> read = loadString(ctx, cfg::kWorkingDir, value);
    if (!read.value) {
        return std::move(read.step);
    }
    FixedText<kPathSize> directory;
    if (!directory.assign(program.directory()) || !joinPath(directory, value.view())) {
        return stopTooLong(
            ctx, formatText("The working directory (value 8) does not fit into %u characters.",
                            charsIn(kPathSize)));
    }
    (void)ctx.os.changeDirectory(directory.c_str());
    st.log.print("Working dir:\t%s\n", directory.c_str());
    return Step::goOn();
}

Step addJvmOptions(Context& ctx, const ProgramLocation& program) {
    auto options = std::make_unique<FixedText<kLineSize>>();
    if (Step read = readOptionsFile(ctx, *options, program); !read.goesOn()) {
        return read;
    }
    return expansionStep(
        ctx, substituteVariables(ctx, ctx.state.launcherArgs, options->view(), program),
        [] { return "The JVM options do not fit into the launcher argument line."; });
}

Step checkClassPathOption(Context& ctx) {
    if (classPathOptionLength(ctx.state.launcherArgs.view()) > kLineSize - 1) {
        return stopTooLong(ctx, formatText("The class path option does not fit into %u characters.",
                                           charsIn(kLineSize)));
    }
    return Step::goOn();
}

namespace {

// The preparation's steps; `anotherInstance`, where given, lets it go on past another instance.
Step runPreparation(Context& ctx, const CommandLine& line, bool* anotherInstance) {
    // What the steps share while the preparation runs.
    struct Preparation {
        Context& ctx;
        const CommandLine& line;
        ProgramLocation program;
        FixedText<kPathSize> launcherFile;
    };
    using PreparationStep = Step (*)(Preparation&);
    static constexpr PreparationStep kSteps[] = {
        [](Preparation& p) { return initGlobals(p.ctx); },
        [](Preparation& p) { return findProgram(p.ctx, p.program); },
        [](Preparation& p) { return openDebugLog(p.ctx, p.line, p.program); },
        [](Preparation& p) { return setWow64Flag(p.ctx); },
        [](Preparation& p) { return loadErrorReport(p.ctx); },
        [](Preparation& p) { return checkInstance(p.ctx, p.program); },
        [](Preparation& p) { return setWorkingDirectory(p.ctx, p.program); },
        [](Preparation& p) { return jreSearch(p.ctx, p.program); },
        [](Preparation& p) { return checkJvmLibraryPath(p.ctx); },
        [](Preparation& p) { return addRuntimeToPath(p.ctx); },
        [](Preparation& p) { return applyEnvironmentSettings(p.ctx, p.program); },
        [](Preparation& p) { return addLauncherFile(p.ctx, p.launcherFile); },
        [](Preparation& p) { return addHeapOptions(p.ctx, p.ctx.state.launcherArgs); },
        [](Preparation& p) { return addJvmOptions(p.ctx, p.program); },
        [](Preparation& p) { return addClassPathOrJar(p.ctx, p.program); },
        [](Preparation& p) { return addApplicationArgs(p.ctx, p.line.arguments); },
        [](Preparation& p) { return checkClassPathOption(p.ctx); },
    };

    Preparation preparation{ctx, line, {}, {}};
    for (PreparationStep step : kSteps) {
        Step end = step(preparation);
        if (end.kind() == Step::Kind::AnotherInstance && anotherInstance != nullptr) {
            *anotherInstance = true;
            continue;
        }
        if (!end.goesOn()) {
            return end;
        }
    }

    LauncherState& st = ctx.state;
    st.log.print("Launcher:\t%s\n", preparation.launcherFile.c_str());
    st.log.print("Launcher args:\t%s\n", st.launcherArgs.c_str());
    st.log.print("Args length:\t%d/%d chars\n", static_cast<int>(st.launcherArgs.size()),
                 static_cast<int>(kLineSize));
    return Step::goOn();
}

}  // namespace

Step prepare(Context& ctx, const CommandLine& line) {
    return runPreparation(ctx, line, nullptr);
}

Step prepareBesideAnotherInstance(Context& ctx, const CommandLine& line, bool& anotherInstance) {
    anotherInstance = false;
    return runPreparation(ctx, line, &anotherInstance);
}

Step showAnotherInstance(Context& ctx) {
    ErrorMessage message;
    Result<bool> read = loadString(ctx, cfg::kMsgInstanceRunning, message);
    if (read.step.goesOn()) {
        showMessage(ctx, message.view());
        closeDebugLog(ctx);
    }
    return std::move(read.step);
}

Step planStart(Context& ctx, const CommandLine& line, Restarts restarts, StartPlan& plan) {
    Step prepared = prepare(ctx, line);
    if (!prepared.goesOn() || restarts == Restarts::Never) {
        return prepared;
    }
    Result<bool> restart = loadBool(ctx, cfg::kRestart);
    plan.restart = restart.value;
    return std::move(restart.step);
}

void planJvmPass(const LauncherState& st, JvmStart& jvm) {
    parseJvmOptions(jvm, st.search.javaHome.view(), st.mainClass.view(), st.launcherArgs.view(),
                    st.applicationArgs.view());
}

}  // namespace qv
