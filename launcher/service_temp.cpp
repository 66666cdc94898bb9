#include "service_temp.h"

#include "access_review.h"
#include "config.h"
#include "diagnostics.h"
#include "format.h"
#include "paths.h"
#include "words.h"

#include <string>
#include <vector>

namespace qv {

namespace {

// Where the default folder lies: the program data folder (C:\ProgramData), from the
// environment the service gets from the service manager.
constexpr const char* kProgramDataVariable = "ProgramData";
constexpr std::string_view kTempFolderName = "Temp";
constexpr std::string_view kTmpdirOption = "-Djava.io.tmpdir=";
constexpr const char* kTempVariables[] = {"TEMP", "TMP"};

// What a start does with the folder: an administrator (LocalSystem) makes it and gives it back to
// administrators; another account, which may neither add folders there nor set an owner, uses
// the folder the install made for it, once it is found unchanged.
enum class FolderUse { Make, Check };

Step madeOrStop(Context& ctx, const char* path) {
    if (ctx.os.createPrivateFolder(path)) {
        return Step::goOn();
    }
    const std::uint32_t cause = ctx.os.lastError();
    ctx.state.log.print("Error:\t\tThe temporary folder %s could not be made.\n", path);
    return Step::windowsError(cause);
}

// The folder the install made: there, and changeable by administrators, SYSTEM and this
// process's account alone.
Step checkedOrStop(Context& ctx, const char* path) {
    if (ctx.os.fileStatus(path) != FileStatus::Directory) {
        ctx.state.log.print("Error:\t\tThe temporary folder %s is missing.\n", path);
        return stopWithReason(ctx, formatText("The service's temporary folder %s is missing: "
                                              "--mvk-install makes it for the service's account.",
                                              path));
    }
    std::vector<ReviewedPath> paths;
    addWithFoldersAbove(paths, path);
    const AccessReview review = reviewInstallation(ctx, paths, true);
    if (!review.passed()) {
        ctx.state.log.print("Error:\t\tThe temporary folder %s can be changed by others.\n", path);
        return stopWithReason(ctx,
                              "The service's temporary folder can be changed by others than "
                              "administrators and the service:\n" +
                                  describeReview(review) + "--mvk-install makes it anew.");
    }
    return Step::goOn();
}

Step madeOrChecked(Context& ctx, const char* path, FolderUse use) {
    return use == FolderUse::Make ? madeOrStop(ctx, path) : checkedOrStop(ctx, path);
}

// The folder of value 47 or the default one: made, or found as the install made it.
Step placeTempFolder(Context& ctx, std::string_view serviceName, FixedText<kPathSize>& folder,
                     FolderUse use) {
    Result<bool> read = loadString(ctx, cfg::kServiceTempFolder, folder);
    if (!read.step.goesOn()) {
        return std::move(read.step);
    }
    const std::string tooLong = formatText(
        "The service's temporary folder does not fit into %u characters.", charsIn(kPathSize));
    if (read.value && !folder.empty()) {
        return madeOrChecked(ctx, folder.c_str(), use);
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
    if (use == FolderUse::Make) {
        if (Step made = madeOrStop(ctx, folder.c_str()); !made.goesOn()) {
            return made;
        }
    }
    if (!joinPath(folder, kTempFolderName)) {
        return stopTooLong(ctx, tooLong);
    }
    return madeOrChecked(ctx, folder.c_str(), use);
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
    return placeTempFolder(ctx, serviceName, folder, FolderUse::Make);
}

Step useServiceTempFolder(Context& ctx, std::string_view serviceName) {
    std::string user;
    bool administrator = false;
    if (!ctx.os.processUser(user, administrator)) {
        return stopWithLastError(ctx);
    }
    FixedText<kPathSize> folder;
    if (Step placed = placeTempFolder(ctx, serviceName, folder,
                                      administrator ? FolderUse::Make : FolderUse::Check);
        !placed.goesOn()) {
        return placed;
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
