#include "service_temp.h"

#include "config.h"
#include "diagnostics.h"
#include "format.h"
#include "paths.h"
#include "words.h"

#include <string>

namespace qv {

namespace {

// Where the default folder lies: the program data folder (C:\ProgramData), from the
// environment the service gets from the service manager.
constexpr const char* kProgramDataVariable = "ProgramData";
constexpr std::string_view kTempFolderName = "Temp";
constexpr std::string_view kTmpdirOption = "-Djava.io.tmpdir=";
constexpr const char* kTempVariables[] = {"TEMP", "TMP"};

Step madeOrStop(Context& ctx, const char* path) {
    if (ctx.os.createPrivateFolder(path)) {
        return Step::goOn();
    }
    const std::uint32_t cause = ctx.os.lastError();
    ctx.state.log.print("Error:\t\tThe temporary folder %s could not be made.\n", path);
    return Step::windowsError(cause);
}

bool setsTmpdir(std::string_view line) {
    WordReader reader(line);
    std::string word;
    while (reader.next(word)) {
        if (word.compare(0, kTmpdirOption.size(), kTmpdirOption) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

Step prepareServiceTempFolder(Context& ctx, std::string_view serviceName,
                              FixedText<kPathSize>& folder) {
    Result<bool> read = loadString(ctx, cfg::kServiceTempFolder, folder);
    if (!read.step.goesOn()) {
        return std::move(read.step);
    }
    const std::string tooLong = formatText(
        "The service's temporary folder does not fit into %u characters.", charsIn(kPathSize));
    if (read.value && !folder.empty()) {
        return madeOrStop(ctx, folder.c_str());
    }
    std::string programData;
    if (!ctx.os.getEnvironmentVariable(kProgramDataVariable, programData) || programData.empty()) {
        return stopWithReason(ctx,
                              "The program data folder is not known (no ProgramData "
                              "variable): value 47 must name the service's temporary "
                              "folder.");
    }
    if (!folder.assign(programData) || !joinPath(folder, serviceName)) {
        return stopTooLong(ctx, tooLong);
    }
    if (Step made = madeOrStop(ctx, folder.c_str()); !made.goesOn()) {
        return made;
    }
    if (!joinPath(folder, kTempFolderName)) {
        return stopTooLong(ctx, tooLong);
    }
    return madeOrStop(ctx, folder.c_str());
}

Step useServiceTempFolder(Context& ctx, std::string_view serviceName) {
    FixedText<kPathSize> folder;
    if (Step made = prepareServiceTempFolder(ctx, serviceName, folder); !made.goesOn()) {
        return made;
    }
    LauncherState& st = ctx.state;
    st.log.print("Temp folder:\t%s\n", folder.c_str());
    for (const char* name : kTempVariables) {
        if (!ctx.os.setEnvironmentVariable(name, folder.c_str())) {
            return stopWithLastError(ctx);
        }
    }
    if (setsTmpdir(st.launcherArgs.view())) {
        return Step::goOn();
    }
    // Quoted, so that a folder with blanks stays one word.
    std::string line = "\"" + std::string(kTmpdirOption) + folder.c_str() + "\" ";
    line += st.launcherArgs.view();
    if (!st.launcherArgs.assign(line)) {
        return stopTooLong(ctx,
                           "The temporary folder option does not fit into the launcher "
                           "argument line.");
    }
    return Step::goOn();
}

}  // namespace qv
