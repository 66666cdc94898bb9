#include "class_path.h"

#include "config.h"
#include "diagnostics.h"
#include "format.h"
#include "paths.h"
#include "variables.h"

#include <memory>
#include <string>

namespace qv {

namespace {

constexpr const char* kLineFull = "The class path does not fit into the launcher argument line.";

bool appendToLine(Context& ctx, std::string_view text) {
    return ctx.state.launcherArgs.append(text) || noteOverflow(ctx, kLineFull);
}

// Appends every match of a pattern entry with its ";"; false when something does not fit.
bool appendMatches(Context& ctx, const std::string& entry, bool& appended) {
    std::size_t slash = entry.rfind('\\');
    std::string_view directory = slash == std::string::npos
                                     ? std::string_view()
                                     : std::string_view(entry).substr(0, slash + 1);
    std::unique_ptr<FileFind> find = ctx.os.findFirst(entry.c_str());
    if (!find) {
        return true;
    }
    do {
        FixedText<kPathSize> match;
        if (!match.assign(directory) || !match.append(find->name())) {
            return noteOverflow(ctx,
                                formatText("The class path match %.*s%s does not fit into %u "
                                           "characters.",
                                           static_cast<int>(directory.size()), directory.data(),
                                           find->name().c_str(), charsIn(kPathSize)));
        }
        if (!appendToLine(ctx, match.view()) || !appendToLine(ctx, ";")) {
            return false;
        }
        appended = true;
        ctx.state.log.print("      \"      :\t%s\n", match.c_str());
    } while (find->next());
    return true;
}

bool addClassPathForm(Context& ctx, const ProgramLocation& program, bool executableIsJar,
                      const TextBuffer& jarPath) {
    LauncherState& st = ctx.state;
    st.log.print("Main class:\t%s\n", st.mainClass.c_str());
    auto list = std::make_unique<FixedText<kLineSize>>();
    if (!loadString(ctx, cfg::kClassPath, *list)) {
        if (overflowed(ctx)) {
            return false;
        }
        st.log.print("Info:\t\tClasspath not defined.\n");
    }
    auto expanded = std::make_unique<FixedText<kLineSize>>();
    if (substituteVariables(ctx, *expanded, list->view(), program) == Expansion::Overflow) {
        return noteOverflow(ctx, formatText("The class path list (value 16) does not fit into %u "
                                            "characters.",
                                            charsIn(kLineSize)));
    }
    if (!appendToLine(ctx, "-classpath \"")) {
        return false;
    }
    bool appended = false;
    if (executableIsJar || !jarPath.empty()) {
        if (!appendToLine(ctx, executableIsJar ? program.path.view() : jarPath.view()) ||
            !appendToLine(ctx, ";")) {
            return false;
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
        const std::string entry(entries.substr(position, end - position));
        position = end + 1;
        if (entry.empty()) {
            continue;
        }
        st.log.print("Add classpath:\t%s\n", entry.c_str());
        if (entry.find_first_of("*?") != std::string::npos) {
            if (!appendMatches(ctx, entry, appended)) {
                return false;
            }
        } else {
            if (!appendToLine(ctx, entry) || !appendToLine(ctx, ";")) {
                return false;
            }
            appended = true;
        }
    }
    if (appended) {
        st.launcherArgs.truncate(st.launcherArgs.size() - 1);
    }
    return appendToLine(ctx, "\" ") && appendToLine(ctx, st.mainClass.view());
}

bool addJarForm(Context& ctx, const ProgramLocation& program, bool executableIsJar,
                const TextBuffer& jarPath) {
    FixedText<kPathSize> jar;
    if (executableIsJar) {
        (void)jar.assign(program.path.view());
    } else if (!jar.assign(program.directory()) || !joinPath(jar, jarPath.view())) {
        return noteOverflow(ctx,
                            formatText("The jar path (value 14) does not fit into %u characters.",
                                       charsIn(kPathSize)));
    }
    return appendToLine(ctx, "-jar \"") && appendToLine(ctx, jar.view()) && appendToLine(ctx, "\"");
}

}  // namespace

std::string removePrivateOptions(std::string_view argumentText) {
    std::string work(argumentText);
    for (std::size_t marker = work.find(kPrivateOptionMarker); marker != std::string::npos;
         marker = work.find(kPrivateOptionMarker)) {
        std::size_t blank = work.find(' ', marker);
        if (blank != std::string::npos && blank + 1 < work.size()) {
            work.erase(marker, blank - marker + 1);
        } else {
            work.resize(marker);
        }
    }
    return work;
}

bool addClassPathOrJar(Context& ctx, const ProgramLocation& program) {
    LauncherState& st = ctx.state;
    const bool executableIsJar = loadBool(ctx, cfg::kExeIsJar);
    FixedText<kPathSize> jarPath;
    loadString(ctx, cfg::kJarPath, jarPath);
    const bool hasMainClass = loadString(ctx, cfg::kMainClass, st.mainClass);
    if (overflowed(ctx)) {
        return false;
    }
    return hasMainClass ? addClassPathForm(ctx, program, executableIsJar, jarPath)
                        : addJarForm(ctx, program, executableIsJar, jarPath);
}

bool addApplicationArgs(Context& ctx, std::string_view argumentText) {
    LauncherState& st = ctx.state;
    constexpr const char* kArgsFull =
        "The application arguments do not fit into the launcher argument line.";
    auto configured = std::make_unique<FixedText<kLineSize>>();
    if (loadString(ctx, cfg::kAppArgs, *configured)) {
        if (!st.launcherArgs.append(" " + std::string(configured->view()))) {
            return noteOverflow(ctx, kArgsFull);
        }
        (void)st.applicationArgs.assign(configured->view());
    }
    if (overflowed(ctx) || argumentText.empty()) {
        return !overflowed(ctx);
    }
    if (argumentText.size() > kLineSize - 1) {
        return noteOverflow(ctx,
                            formatText("The command line arguments do not fit into %u characters.",
                                       charsIn(kLineSize)));
    }
    const std::string filtered = removePrivateOptions(argumentText);
    if (filtered.empty()) {
        return true;
    }
    if (!st.launcherArgs.append(" " + filtered)) {
        return noteOverflow(ctx, kArgsFull);
    }
    if ((!st.applicationArgs.empty() && !st.applicationArgs.append(' ')) ||
        !st.applicationArgs.append(filtered)) {
        return noteOverflow(ctx, kArgsFull);
    }
    return true;
}

}  // namespace qv
