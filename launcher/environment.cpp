#include "environment.h"

#include "config.h"
#include "diagnostics.h"
#include "format.h"
#include "variables.h"

#include <memory>
#include <string>

namespace qv {

namespace {

constexpr const char* kPathVariable = "Path";
constexpr const char* kRuntimeBinDirectory = "\\bin";

}  // namespace

Step appendToPathVar(Context& ctx, std::string_view directory) {
    std::string value;
    if (!ctx.os.getEnvironmentVariable(kPathVariable, value)) {
        value.clear();
    }
    if (value.size() + directory.size() > kPathVariableMaxChars) {
        return stopTooLong(ctx, formatText("The Path variable with the runtime's bin directory "
                                           "does not fit into %u characters.",
                                           static_cast<unsigned>(kPathVariableMaxChars)));
    }
    value += ';';
    value.append(directory);
    if (!ctx.os.setEnvironmentVariable(kPathVariable, value.c_str())) {
        return stopWithLastError(ctx);
    }
    return Step::goOn();
}

Step addRuntimeToPath(Context& ctx) {
    FixedText<kPathSize> directory;
    if (!directory.assign(ctx.state.search.javaHome.view()) ||
        !directory.append(kRuntimeBinDirectory)) {
        return stopTooLong(
            ctx, formatText("The runtime's bin directory does not fit into %u characters.",
                            charsIn(kPathSize)));
    }
    Step appended = appendToPathVar(ctx, directory.view());
    if (!appended.goesOn()) {
        ctx.state.log.print("Error:\t\t%s\n", "appendToPathVar failed.");
    }
    return appended;
}

Step applyEnvironmentSettings(Context& ctx, const ProgramLocation& program) {
    auto settings = std::make_unique<FixedText<kEnvBufferSize>>();
    auto value = std::make_unique<FixedText<kLineSize>>();
    Result<bool> read = loadString(ctx, cfg::kEnvironment, *settings);
    if (!read.step.goesOn()) {
        return std::move(read.step);
    }
    std::string_view text = settings->view();
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find('\t', position);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view entry = text.substr(position, end - position);
        position = end + 1;
        std::size_t equals = entry.find('=');
        if (entry.empty() || equals == std::string_view::npos) {
            continue;  // an entry without "=" sets nothing
        }
        const std::string name(entry.substr(0, equals));
        value->clear();
        Step expanded = expansionStep(
            ctx, substituteVariables(ctx, *value, entry.substr(equals + 1), program), [&] {
                return formatText(
                    "The value of the variable %s (value 19) does not fit into %u "
                    "characters.",
                    name.c_str(), charsIn(kLineSize));
            });
        if (!expanded.goesOn()) {
            return expanded;
        }
        ctx.state.log.print("Set var:\t%s = %s\n", name.c_str(), value->c_str());
        (void)ctx.os.setEnvironmentVariable(name.c_str(), value->c_str());
    }
    return Step::goOn();
}

}  // namespace qv
