#include "diagnostics.h"

#include "format.h"
#include "names.h"

#include <algorithm>

namespace qv {

namespace {
// The words of the variable that ask for the debug log, and for the log with every read.
constexpr std::string_view kVariableDebug = "debug";
constexpr std::string_view kVariableDebugAll = "debug-all";
// The insert of a system text that names the file concerned.
constexpr std::string_view kFirstInsert = "%1";
}  // namespace

Step openDebugLog(Context& ctx, const CommandLine& line, const ProgramLocation& program) {
    std::string variable;
    if (!ctx.os.getEnvironmentVariable(kLogVariable, variable)) {
        variable.clear();
    }
    const DebugRequest request =
        std::max(line.debug, debugRequestOf(variable, kVariableDebug, kVariableDebugAll));
    if (request != DebugRequest::None) {
        FixedText<kPathSize> path;
        if (!path.append(program.directory()) || !path.append('\\') || !path.append(kLogFileName)) {
            return stopTooLong(ctx,
                               formatText("The debug log path does not fit into %u characters.",
                                          charsIn(kPathSize)));
        }
        std::unique_ptr<LogStream> stream = ctx.os.openLogForAppend(path.c_str());
        if (!stream && !ctx.state.debugLogOptional) {
            return stopWithLastError(ctx);
        }
        if (!stream) {
            ctx.state.debugLogFailure =
                std::string(path.view()) + ": " + systemTextOf(ctx.os, ctx.os.lastError());
        } else {
            ctx.state.log.open(std::move(stream), request == DebugRequest::DebugAll);
        }
    }
    DebugLog& log = ctx.state.log;
    log.printHeader("\n\nVersion:\t%s\n", kLauncherVersion);
    log.printHeader("CmdLine:\t%s %s\n", program.path.c_str(), line.arguments.c_str());
    return Step::goOn();
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

std::string fillInserts(std::string_view text, std::string_view subject) {
    if (subject.empty()) {
        return std::string(text);
    }
    std::string filled;
    auto append = [&filled](std::string_view part) {
        filled.append(
            part.substr(0, kFilledTextMaxChars - std::min(filled.size(), kFilledTextMaxChars)));
    };
    std::size_t at = 0;
    while (at < text.size() && filled.size() < kFilledTextMaxChars) {
        const std::size_t percent = text.find('%', at);
        append(text.substr(at, percent == std::string_view::npos ? percent : percent - at));
        if (percent == std::string_view::npos) {
            break;
        }
        std::size_t end = percent + 1;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
            ++end;
        }
        if (text.substr(percent, end - percent) != kFirstInsert) {
            // "%%", another insert or a lone "%": as it stands ("%%" whole, so that "%%1" stays).
            const std::size_t keep = end == percent + 1 && end < text.size() ? 2 : end - percent;
            append(text.substr(percent, keep));
            at = percent + keep;
            continue;
        }
        // A printf format after the insert ("%1!s!") belongs to it.
        if (end < text.size() && text[end] == '!') {
            const std::size_t close = text.find('!', end + 1);
            end = close == std::string_view::npos ? end : close + 1;
        }
        append(subject);
        at = end;
    }
    return filled;
}

std::string systemText(Os& os, std::uint32_t code, std::string_view subject) {
    std::string text;
    if (!os.systemMessage(code, text)) {
        text = formatText("Windows error %u (no description available).", code);
    }
    return fillInserts(text, subject);
}

std::string systemTextOf(Os& os, std::uint32_t code) {
    std::string text = systemText(os, code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

void composeErrorReport(Context& ctx, const Step& stop) {
    LauncherState& st = ctx.state;
    if (stop.kind() == Step::Kind::TextTooLong) {
        if (!st.errorMessage.empty()) {
            st.errorMessage.appendCut("\n\n");
        }
        st.errorMessage.appendCut(stop.text());
    }
    const std::uint32_t code = stop.errorCode();
    ctx.os.setLastError(code);
    st.log.print("Error msg:\t%s\n", st.errorMessage.c_str());
    if (code != kErrorSuccess) {
        const std::string text = systemText(ctx.os, code, stop.subject());
        st.log.print("Error:\t\t%s\n", text.c_str());
        st.errorMessage.appendCut("\n\n");
        st.errorMessage.appendCut(text);
    }
}

void reportError(Context& ctx, const Step& stop) {
    LauncherState& st = ctx.state;
    composeErrorReport(ctx, stop);
    showMessage(ctx, st.errorMessage.view());
    if (!st.errorUrl.empty()) {
        st.log.print("Open URL:\t%s\n", st.errorUrl.c_str());
        ctx.os.shellOpen(st.errorUrl.c_str());
    }
    closeDebugLog(ctx);
}

Step stopTooLong(Context& ctx, std::string what) {
    ctx.state.log.print("Error:\t\t%s\n", what.c_str());
    return Step::textTooLong(std::move(what));
}

Step stopWithReason(Context& ctx, std::string why) {
    return stopTooLong(ctx, std::move(why));
}

Step stopWithLastError(Context& ctx) {
    return Step::windowsError(ctx.os.lastError());
}

}  // namespace qv
