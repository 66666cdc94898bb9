#include "access_review.h"

#include "config.h"
#include "diagnostics.h"
#include "jvm_options.h"
#include "jvm_start.h"
#include "start_plan.h"

#include <algorithm>
#include <memory>

namespace qv {

namespace {

// The principals that may change what the service runs. CREATOR OWNER (S-1-3-0) and OWNER
// RIGHTS (S-1-3-4) stand for the owner, which the review looks at itself: Windows replaces
// CREATOR OWNER by the creator's SID in the entry a new object inherits, and an entry of it on the
// object itself gives nothing ("Well-known SIDs" in the Windows documentation).
constexpr const char* kAcceptedSids[] = {
    "S-1-5-18",      // SYSTEM (LocalSystem, the service's account as installed)
    "S-1-5-32-544",  // BUILTIN\Administrators
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
    "S-1-3-0",                                                         // CREATOR OWNER
    "S-1-3-4",                                                         // OWNER RIGHTS
};
// The access list that gives everyone everything.
constexpr const char* kEveryoneSid = "S-1-1-0";
constexpr std::string_view kExecutableExtension = "exe";
constexpr std::string_view kOptionsFileSuffix = "mvk.ini";
constexpr const char* kRuntimeFolders[] = {"\\bin", "\\bin\\client"};

char foldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return foldAscii(x) == foldAscii(y);
           });
}

std::string_view withoutTrailingBackslash(std::string_view path) {
    while (path.size() > 1 && path.back() == '\\' && !(path.size() == 3 && path[1] == ':')) {
        path.remove_suffix(1);
    }
    return path;
}

// `path` is `folder` or lies below it.
bool isBelow(std::string_view path, std::string_view folder) {
    folder = withoutTrailingBackslash(folder);
    if (folder.empty() || path.size() < folder.size() ||
        !sameText(path.substr(0, folder.size()), folder)) {
        return false;
    }
    return path.size() == folder.size() || folder.back() == '\\' || path[folder.size()] == '\\';
}

bool accepted(std::string_view sid, const std::string& ownAccount) {
    if (!ownAccount.empty() && sid == ownAccount) {
        return true;
    }
    return std::any_of(std::begin(kAcceptedSids), std::end(kAcceptedSids),
                       [&](const char* known) { return sid == known; });
}

std::string principalText(Os& os, const std::string& sid) {
    std::string name;
    if (os.accountName(sid.c_str(), name) && !name.empty()) {
        return name + " (" + sid + ")";
    }
    return sid;
}

// The principals, in the order the list names them first, that may change the object: the
// owner, which may always change the access list, and every entry for the object itself whose
// rights, less what the list denies the same principal, hold a right that changes it.
std::vector<std::string> changingPrincipals(const AccessList& list, std::uint32_t rights) {
    std::vector<std::string> sids;
    const auto add = [&](const std::string& sid) {
        if (std::find(sids.begin(), sids.end(), sid) == sids.end()) {
            sids.push_back(sid);
        }
    };
    if (!list.ownerSid.empty()) {
        add(list.ownerSid);
    }
    if (!list.hasDacl) {
        add(kEveryoneSid);
        return sids;
    }
    for (const AccessEntry& entry : list.entries) {
        if (!entry.allow || entry.inheritOnly) {
            continue;
        }
        std::uint32_t denied = 0;
        for (const AccessEntry& other : list.entries) {
            if (!other.allow && !other.inheritOnly && other.sid == entry.sid) {
                denied |= other.mask;
            }
        }
        if ((entry.mask & ~denied & rights) != 0) {
            add(entry.sid);
        }
    }
    return sids;
}

// The folder part of a path ("" when it has none).
std::string_view folderOf(std::string_view path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

}  // namespace

void addWithFoldersAbove(std::vector<ReviewedPath>& paths, std::string_view path) {
    const auto add = [&](std::string_view p, std::uint32_t rights) {
        const auto known = std::find_if(paths.begin(), paths.end(),
                                        [&](const ReviewedPath& r) { return sameText(r.path, p); });
        if (known != paths.end()) {
            known->rights |= rights;
        } else {
            paths.push_back({std::string(p), rights});
        }
    };
    path = withoutTrailingBackslash(path);
    std::uint32_t rights = kChangeRights;
    while (!path.empty()) {
        add(path, rights);
        rights = kReplaceRights;
        const std::size_t slash = path.rfind('\\');
        if (slash == std::string_view::npos || (path.size() == 3 && path[1] == ':')) {
            return;
        }
        // A drive root keeps its backslash: "C:\".
        const bool rootAbove = slash == 2 && path[1] == ':';
        path = path.substr(0, rootAbove ? slash + 1 : slash);
    }
}

std::vector<ReviewedPath> programPaths(std::string_view programPath) {
    std::vector<ReviewedPath> paths;
    addWithFoldersAbove(paths, folderOf(programPath));
    paths.push_back({std::string(programPath), kChangeRights});
    if (programPath.size() > kExecutableExtension.size()) {
        std::string options(
            programPath.substr(0, programPath.size() - kExecutableExtension.size()));
        options += kOptionsFileSuffix;
        paths.push_back({std::move(options), kChangeRights});
    }
    return paths;
}

std::vector<ReviewedPath> startPaths(Context& ctx, std::string_view programPath) {
    std::vector<ReviewedPath> paths = programPaths(programPath);
    const std::string javaHome(ctx.state.search.javaHome.view());
    if (!javaHome.empty()) {
        addWithFoldersAbove(paths, javaHome);
        for (const char* folder : kRuntimeFolders) {
            addWithFoldersAbove(paths, javaHome + folder);
        }
        addWithFoldersAbove(paths, javaHome + kJvmLibrary);
    }
    auto jvm = makeWithTexts<JvmStart>();
    planJvmPass(ctx.state, *jvm);
    std::string current;
    (void)ctx.os.currentDirectory(current);
    for (jint i = 0; i < jvm->optionCount; ++i) {
        const std::string& option = jvm->texts[static_cast<std::size_t>(i)];
        if (option.rfind(kClassPathOptionPrefix, 0) != 0) {
            continue;
        }
        std::string_view list =
            std::string_view(option).substr(std::char_traits<char>::length(kClassPathOptionPrefix));
        while (!list.empty()) {
            const std::size_t end = std::min(list.find(';'), list.size());
            const std::string_view entry = list.substr(0, end);
            list.remove_prefix(end < list.size() ? end + 1 : end);
            if (entry.empty()) {
                continue;
            }
            std::string full(entry);
            const bool absolute = (entry.size() > 1 && entry[1] == ':') || entry[0] == '\\';
            if (!absolute && !current.empty()) {
                full = current + (current.back() == '\\' ? "" : "\\") + full;
            }
            // The entry's folder as well: a pattern entry takes whatever file is put there.
            addWithFoldersAbove(paths, folderOf(full));
            addWithFoldersAbove(paths, full);
        }
    }
    return paths;
}

AccessReview reviewAccess(Os& os, const std::vector<ReviewedPath>& paths,
                          std::string_view trustedFolders, bool asService) {
    std::vector<std::string_view> trusted;
    while (!trustedFolders.empty()) {
        const std::size_t end = std::min(trustedFolders.find(';'), trustedFolders.size());
        if (end > 0) {
            trusted.push_back(trustedFolders.substr(0, end));
        }
        trustedFolders.remove_prefix(end < trustedFolders.size() ? end + 1 : end);
    }
    std::string ownAccount;
    bool administrator = false;
    if (!os.processUser(ownAccount, administrator) || !(asService || administrator)) {
        ownAccount.clear();
    }

    AccessReview review;
    for (const auto& [path, rights] : paths) {
        // A structured binding cannot be captured before C++20: the lambda takes a name of its own.
        const std::string& reviewed = path;
        if (std::any_of(trusted.begin(), trusted.end(),
                        [&](std::string_view folder) { return isBelow(reviewed, folder); })) {
            review.skipped.push_back(path);
            continue;
        }
        if (os.fileStatus(path.c_str()) == FileStatus::Missing) {
            // What is not there is created by someone who may write its folder, which is
            // reviewed itself.
            continue;
        }
        AccessList list;
        if (!os.readAccessList(path.c_str(), list)) {
            review.unreadable.push_back(
                path + ": its access cannot be read: " + systemTextOf(os, os.lastError()));
            continue;
        }
        for (const std::string& sid : changingPrincipals(list, rights)) {
            if (!accepted(sid, ownAccount)) {
                review.problems.push_back({path, principalText(os, sid)});
            }
        }
    }
    return review;
}

std::string describeReview(const AccessReview& review) {
    std::string text;
    for (const AccessProblem& problem : review.problems) {
        text += problem.path + " can be changed by " + problem.principal + ".\n";
    }
    for (const std::string& line : review.unreadable) {
        text += line + "\n";
    }
    for (const std::string& path : review.skipped) {
        text += path + " is accepted as it is (value 46).\n";
    }
    return text;
}

AccessReview reviewInstallation(Context& ctx, const std::vector<ReviewedPath>& paths,
                                bool asService) {
    FixedText<cfg::kTrustedFolders.maxLength + 1> trusted;
    (void)loadString(ctx, cfg::kTrustedFolders, trusted);
    return reviewAccess(ctx.os, paths, trusted.view(), asService);
}

std::string runningProgramPath(Context& ctx) {
    std::string path;
    if (ctx.state.module == nullptr || !ctx.os.moduleFileName(ctx.state.module, path)) {
        path.clear();
    }
    return path;
}

Step refuseChangeableInstallation(Context& ctx, std::string_view programPath, bool asService) {
    const AccessReview review = reviewInstallation(
        ctx, asService ? startPaths(ctx, programPath) : programPaths(programPath), asService);
    // Nothing is skipped silently: the install says so, the service in its debug log.
    for (const std::string& path : review.skipped) {
        ctx.state.log.print("Accepted:\t%s (value 46)\n", path.c_str());
        if (!asService) {
            ctx.os.writeStdout(path + " is accepted as it is (value 46).\n");
        }
    }
    if (review.passed()) {
        return Step::goOn();
    }
    std::string why =
        "Users other than administrators can change what the service runs as "
        "SYSTEM: ";
    std::string lines = describeReview(AccessReview{review.problems, {}, review.unreadable});
    while (!lines.empty() && lines.back() == '\n') {
        lines.pop_back();
    }
    for (char& c : lines) {
        if (c == '\n') {
            c = ' ';
        }
    }
    why += lines;
    why +=
        " Install it below Program Files, or give those folders to administrators only; "
        "value 46 names folders to accept as they are.";
    return stopWithReason(ctx, why);
}

std::string accessReviewSection(Context& ctx, std::string_view programPath) {
    const AccessReview review =
        reviewInstallation(ctx, startPaths(ctx, programPath), /*asService=*/false);
    std::string text = review.passed()
                           ? "Access review: only administrators, SYSTEM and the service can "
                             "change what the service runs.\n"
                           : "Access review: warning: users other than administrators can change "
                             "what the service runs; the install and the service start refuse "
                             "this:\n";
    std::string lines = describeReview(review);
    std::size_t start = 0;
    while (start < lines.size()) {
        const std::size_t end = lines.find('\n', start);
        text += "  " + lines.substr(start, end - start) + "\n";
        start = end + 1;
    }
    return text;
}

}  // namespace qv
