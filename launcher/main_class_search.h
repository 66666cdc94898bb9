// Where the class path of a start holds its main class: each entry in order, a folder by the
// class file below it, any other file by the names of its ZIP directory (a jar), as the JVM's
// application class loader looks; and which entries are not there at all.
#ifndef QV_LAUNCHER_MAIN_CLASS_SEARCH_H
#define QV_LAUNCHER_MAIN_CLASS_SEARCH_H

#include "os.h"
#include "zip_directory.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// A file of the class path that could not be read as a jar, and why.
struct UnreadableJar {
    std::string entry;
    ZipRead cause;
};

struct MainClassSearch {
    // The entries of the class path (without empty ones), in order.
    std::size_t entries = 0;
    // The entries that are neither a file nor a folder.
    std::vector<std::string> missing;
    // The files read before the class was found that are no readable jar: the JVM skips them.
    std::vector<UnreadableJar> unreadable;
    // The first entry that holds the class, empty when none does.
    std::string foundIn;
};

// The class file of a main class in dotted (or slash) form, with "/" between its parts:
// "app.Main" gives "app/Main.class".
std::string classFileOf(std::string_view mainClass);

// Looks for `mainClass` in the class path text (entries separated by ";"); relative entries are
// taken against the current directory. An empty main class is looked for nowhere.
MainClassSearch searchClassPath(Os& os, std::string_view classPath, std::string_view mainClass);

}  // namespace qv

#endif  // QV_LAUNCHER_MAIN_CLASS_SEARCH_H
