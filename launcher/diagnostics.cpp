#include "diagnostics.h"

#include "format.h"

namespace qv {

namespace {
constexpr const char* kLogFileName = "\\morvakin.log";
constexpr const char* kLogVariable = "Morvakin";
constexpr const char* kLauncherVersion = "3.12";
}  // namespace

bool openDebugLog(Context& ctx, std::string_view argumentText, const ProgramLocation& program) {
    std::string variable;
    if (!ctx.os.getEnvironmentVariable(kLogVariable, variable)) {
        variable.clear();
    }
    auto contains = [](std::string_view text, std::string_view word) {
        return text.find(word) != std::string_view::npos;
    };
    bool requested = contains(argumentText, "--mvk-debug") || contains(variable, "debug");
    if (requested) {
        FixedText<kPathSize> path;
        if (!path.append(program.directory()) || !path.append(kLogFileName)) {
            ctx.os.setLastError(kErrorSuccess);
            return noteOverflow(ctx,
                                formatText("The debug log path does not fit into %u characters.",
                                           charsIn(kPathSize)));
        }
        std::unique_ptr<LogStream> stream = ctx.os.openLogForAppend(path.c_str());
        if (!stream) {
            return false;
        }
        bool debugAll =
            contains(argumentText, "--mvk-debug-all") || contains(variable, "debug-all");
        ctx.state.log.open(std::move(stream), debugAll);
    }
    DebugLog& log = ctx.state.log;
    log.print("\n\nVersion:\t%s\n", kLauncherVersion);
    // An empty argument text may have no characters behind it at all: print it from a copy.
    const std::string arguments(argumentText);
    log.print("CmdLine:\t%s %s\n", program.path.c_str(), arguments.c_str());
    return true;
}

void closeDebugLog(Context& ctx) {
    ctx.state.log.close();
}

void showMessage(Context& ctx, std::string_view text) {
    std::string line;
    if (!ctx.state.errorTitle.empty()) {
        line.append(ctx.state.errorTitle.view()).append(": ");
    }
    line.append(text).append("\n");
    ctx.os.writeStdout(line);
}

std::string missingSystemText(std::uint32_t code) {
    return formatText("Windows error %u (no description available).", code);
}

void reportError(Context& ctx) {
    LauncherState& st = ctx.state;
    std::uint32_t code = ctx.os.lastError();
    st.log.print("Error msg:\t%s\n", st.errorMessage.c_str());
    if (code != kErrorSuccess) {
        std::string text;
        if (!ctx.os.systemMessage(code, text)) {
            text = missingSystemText(code);
        }
        st.log.print("Error:\t\t%s\n", text.c_str());
        st.errorMessage.appendCut("\n\n");
        st.errorMessage.appendCut(text);
    }
    showMessage(ctx, st.errorMessage.view());
    if (!st.errorUrl.empty()) {
        st.log.print("Open URL:\t%s\n", st.errorUrl.c_str());
        ctx.os.shellOpen(st.errorUrl.c_str());
    }
    closeDebugLog(ctx);
}

bool noteOverflow(Context& ctx, std::string_view what) {
    if (ctx.state.failure.empty()) {
        ctx.state.failure.appendCut(what);
    }
    ctx.state.log.print("Error:\t\t%.*s\n", static_cast<int>(what.size()), what.data());
    return false;
}

}  // namespace qv
