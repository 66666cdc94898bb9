#include "class_path.h"

#include "command_line.h"
#include "config.h"
#include "diagnostics.h"
#include "format.h"
#include "paths.h"
#include "variables.h"

#include <initializer_list>
#include <memory>
#include <string>

namespace qv {

namespace {

constexpr const char* kLineFull = "The class path does not fit into the launcher argument line.";

// The labels of the log lines of a class path entry and of each match of a pattern entry.
constexpr const char* kEntryLabel = "Add classpath:\t";
constexpr const char* kMatchLabel = "      \"      :\t";

// Appends the parts to the line in order; stops at the first that does not fit.
Step appendToLine(Context& ctx, std::initializer_list<std::string_view> parts) {
    for (std::string_view part : parts) {
        if (!ctx.state.launcherArgs.append(part)) {
            return stopTooLong(ctx, kLineFull);
        }
    }
    return Step::goOn();
}

// Appends every match of a pattern entry with its ";" and records it; stops when something does
// not fit.
Step appendMatches(Context& ctx, const std::string& entry, bool& appended) {
    ctx.state.classPathPatterns.push_back({entry, {}});
    std::size_t slash = entry.rfind('\\');
    std::string_view directory = slash == std::string::npos
                                     ? std::string_view()
                                     : std::string_view(entry).substr(0, slash + 1);
    std::unique_ptr<FileFind> find = ctx.os.findFirst(entry.c_str());
    if (!find) {
        return Step::goOn();
    }
    do {
        FixedText<kPathSize> match;
        if (!match.assign(directory) || !match.append(find->name())) {
            return stopTooLong(ctx, formatText("The class path match %.*s%s does not fit into %u "
                                               "characters.",
                                               static_cast<int>(directory.size()), directory.data(),
                                               find->name().c_str(), charsIn(kPathSize)));
        }
        if (Step step = appendToLine(ctx, {match.view(), ";"}); !step.goesOn()) {
            return step;
        }
        appended = true;
        ctx.state.log.print("%s%s\n", kMatchLabel, match.c_str());
        ctx.state.classPathPatterns.back().matches.emplace_back(match.view());
    } while (find->next());
    return Step::goOn();
}

Step addClassPathForm(Context& ctx, const ProgramLocation& program, bool executableIsJar,
                      const TextBuffer& jarPath) {
    LauncherState& st = ctx.state;
    st.log.print("Main class:\t%s\n", st.mainClass.c_str());
    auto list = std::make_unique<FixedText<kLineSize>>();
    Result<bool> read = loadString(ctx, cfg::kClassPath, *list);
    if (!read.step.goesOn()) {
        return std::move(read.step);
    }
    if (!read.value) {
        st.log.print("Info:\t\tClasspath not defined.\n");
    }
    auto expanded = std::make_unique<FixedText<kLineSize>>();
    Step expansion =
        expansionStep(ctx, substituteVariables(ctx, *expanded, list->view(), program), [] {
            return formatText("The class path list (value 16) does not fit into %u characters.",
                              charsIn(kLineSize));
        });
    if (!expansion.goesOn()) {
        return expansion;
    }
    if (Step step = appendToLine(ctx, {"-classpath \""}); !step.goesOn()) {
        return step;
    }
    bool appended = false;
    if (executableIsJar || !jarPath.empty()) {
        Step step =
            appendToLine(ctx, {executableIsJar ? program.path.view() : jarPath.view(), ";"});
        if (!step.goesOn()) {
            return step;
        }
        appended = true;
    }
    std::string_view entries = expanded->view();
    std::size_t position = 0;
    while (position < entries.size()) {
        std::size_t end = entries.find(';', position);
        if (end == std::string_view::npos) {
            end = entries.size();
        }
        const std::string_view entry = entries.substr(position, end - position);
        position = end + 1;
        if (entry.empty()) {
            continue;
        }
        st.log.print("%s%.*s\n", kEntryLabel, static_cast<int>(entry.size()), entry.data());
        if (isClassPathPattern(entry)) {
            if (Step step = appendMatches(ctx, std::string(entry), appended); !step.goesOn()) {
                return step;
            }
        } else {
            if (Step step = appendToLine(ctx, {entry, ";"}); !step.goesOn()) {
                return step;
            }
            appended = true;
        }
    }
    if (appended) {
        st.launcherArgs.truncate(st.launcherArgs.size() - 1);
    }
    return appendToLine(ctx, {"\" ", st.mainClass.view()});
}

Step addJarForm(Context& ctx, const ProgramLocation& program, bool executableIsJar,
                const TextBuffer& jarPath) {
    FixedText<kPathSize> jar;
    if (executableIsJar) {
        (void)jar.assign(program.path.view());
    } else if (!jar.assign(program.directory()) || !joinPath(jar, jarPath.view())) {
        return stopTooLong(ctx,
                           formatText("The jar path (value 14) does not fit into %u characters.",
                                      charsIn(kPathSize)));
    }
    return appendToLine(ctx, {"-jar \"", jar.view(), "\""});
}

}  // namespace

bool isClassPathPattern(std::string_view entry) {
    return entry.find_first_of("*?") != std::string_view::npos;
}

Step addClassPathOrJar(Context& ctx, const ProgramLocation& program) {
    LauncherState& st = ctx.state;
    Result<bool> executableIsJar = loadBool(ctx, cfg::kExeIsJar);
    FixedText<kPathSize> jarPath;
    Result<bool> jarPathRead = loadString(ctx, cfg::kJarPath, jarPath);
    Result<bool> hasMainClass = loadString(ctx, cfg::kMainClass, st.mainClass);
    Step stop = std::move(executableIsJar.step);
    stop.keepFirst(std::move(jarPathRead.step));
    stop.keepFirst(std::move(hasMainClass.step));
    if (!stop.goesOn()) {
        return stop;
    }
    return hasMainClass.value ? addClassPathForm(ctx, program, executableIsJar.value, jarPath)
                              : addJarForm(ctx, program, executableIsJar.value, jarPath);
}

Step addApplicationArgs(Context& ctx, std::string_view argumentText) {
    LauncherState& st = ctx.state;
    constexpr const char* kArgsFull =
        "The application arguments do not fit into the launcher argument line.";
    auto configured = std::make_unique<FixedText<kLineSize>>();
    Result<bool> read = loadString(ctx, cfg::kAppArgs, *configured);
    if (read.value) {
        if (!st.launcherArgs.append(" " + std::string(configured->view()))) {
            return stopTooLong(ctx, kArgsFull);
        }
        (void)st.applicationArgs.assign(configured->view());
    }
    if (!read.step.goesOn() || argumentText.empty()) {
        return std::move(read.step);
    }
    if (argumentText.size() > kLineSize - 1) {
        return stopTooLong(ctx,
                           formatText("The command line arguments do not fit into %u characters.",
                                      charsIn(kLineSize)));
    }
    const std::string filtered = removePrivateOptions(argumentText);
    if (filtered.empty()) {
        return Step::goOn();
    }
    if (!st.launcherArgs.append(" " + filtered)) {
        return stopTooLong(ctx, kArgsFull);
    }
    if ((!st.applicationArgs.empty() && !st.applicationArgs.append(' ')) ||
        !st.applicationArgs.append(filtered)) {
        return stopTooLong(ctx, kArgsFull);
    }
    return Step::goOn();
}

}  // namespace qv
