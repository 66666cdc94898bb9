// Who may change what the service runs: the program, the folders above it, the options file, the
// runtime and the class path. Run as LocalSystem, the service runs whatever a user can write
// there; the review names every path that a principal other than an administrator, SYSTEM,
// TrustedInstaller or the service's own account can write, append to, delete, or whose access
// list or owner it can change.
#ifndef QV_LAUNCHER_ACCESS_REVIEW_H
#define QV_LAUNCHER_ACCESS_REVIEW_H

#include "os.h"
#include "state.h"
#include "step.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// A path and a principal that may change it.
struct AccessProblem {
    std::string path;
    std::string principal;  // "BUILTIN\Users (S-1-5-32-545)", or the SID alone
};

struct AccessReview {
    std::vector<AccessProblem> problems;
    // Paths below a folder of value 46, accepted as they are.
    std::vector<std::string> skipped;
    // Paths whose access list cannot be read (the reason): they count as problems.
    std::vector<std::string> unreadable;

    bool passed() const { return problems.empty() && unreadable.empty(); }
};

// The rights that change a file, or what a folder holds: write or append data (in a folder: add
// a file or a subfolder), delete it or a child of the folder, change its access list or owner;
// with the generic rights that hold them.
inline constexpr std::uint32_t kChangeRights =
    0x0002 | 0x0004 | 0x0040 | 0x00010000 | 0x00040000 | 0x00080000 | 0x10000000 | 0x40000000;
// The rights on a folder further up that let a principal put another folder in the place of the
// one below it: delete it or a child, change its access list or owner. (Adding a new subfolder
// does not: "C:\" lets every user do that.)
inline constexpr std::uint32_t kReplaceRights =
    0x0040 | 0x00010000 | 0x00040000 | 0x00080000 | 0x10000000;

// A path to review and the rights that matter on it.
struct ReviewedPath {
    std::string path;
    std::uint32_t rights = kChangeRights;
};

// Adds `path` (kChangeRights) and every folder above it up to its root (kReplaceRights), each
// once (compared without case; a path added twice keeps both rights).
void addWithFoldersAbove(std::vector<ReviewedPath>& paths, std::string_view path);

// The paths a start of the service depends on, from the prepared state: the program and the
// folders above it, the options file, the runtime's folder, its bin and client folders and the
// JVM library with the folders above, and every class path entry's folder (relative entries
// against the working directory) with the folders above.
std::vector<ReviewedPath> startPaths(Context& ctx, std::string_view programPath);
// What an install can know before a start is prepared: the program, its folder with the folders
// above, and the options file.
std::vector<ReviewedPath> programPaths(std::string_view programPath);

// Reviews `paths`. `trustedFolders` is value 46 (folders separated by ";"): a path that is one of
// them or lies below one is skipped. The process's own user counts as the service's account
// when the process runs as the service, or as an administrator when it is elevated.
AccessReview reviewAccess(Os& os, const std::vector<ReviewedPath>& paths,
                          std::string_view trustedFolders, bool asService);

// One line a problem: "PATH can be changed by PRINCIPAL.", and for every skipped path "PATH is
// accepted as it is (value 46).", for every unreadable one "PATH: its access cannot be read:
// REASON".
std::string describeReview(const AccessReview& review);

// Reads value 46 and reviews the paths: the check's, the install's and the service start's one
// call. A value that cannot be read counts as none.
AccessReview reviewInstallation(Context& ctx, const std::vector<ReviewedPath>& paths,
                                bool asService);

// The running program's path, or empty when the system gives none.
std::string runningProgramPath(Context& ctx);

// What the service runs, reviewed for the install (the program's paths; `asService` false) or
// for a service start (every path of the prepared start; `asService` true). Goes on when it
// passed; otherwise stops with one text that names every path and principal and what to do. The
// skipped paths go to the debug log, and for the install to standard output.
Step refuseChangeableInstallation(Context& ctx, std::string_view programPath, bool asService);

// The check's section on the same review of a prepared start, as a warning.
std::string accessReviewSection(Context& ctx, std::string_view programPath);

}  // namespace qv

#endif  // QV_LAUNCHER_ACCESS_REVIEW_H
