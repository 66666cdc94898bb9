#include "main_class_search.h"

#include <algorithm>

namespace qv {

namespace {

constexpr std::string_view kClassFileSuffix = ".class";

std::vector<std::string> entriesOf(std::string_view classPath) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= classPath.size()) {
        std::size_t end = classPath.find(';', start);
        if (end == std::string_view::npos) {
            end = classPath.size();
        }
        if (end > start) {
            entries.emplace_back(classPath.substr(start, end - start));
        }
        start = end + 1;
    }
    return entries;
}

// The class file below a folder entry, in Windows form.
std::string classFileBelow(const std::string& folder, const std::string& classFile) {
    std::string path = folder;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') {
        path += '\\';
    }
    std::string relative = classFile;
    std::replace(relative.begin(), relative.end(), '/', '\\');
    return path + relative;
}

// Whether the jar at `path` names the class file; records a jar that cannot be read.
bool jarHolds(Os& os, const std::string& path, const std::string& classFile,
              MainClassSearch& search) {
    std::uint64_t size = 0;
    ZipRead read = ZipRead::Unreadable;
    bool found = false;
    if (os.fileSize(path.c_str(), size)) {
        read = readZipEntryNames(
            size,
            [&os, &path](std::uint64_t offset, std::size_t count, std::string& bytes) {
                return os.readFileBytes(path.c_str(), offset, count, bytes);
            },
            [&classFile, &found](std::string_view name) {
                found = name == classFile;
                return !found;
            });
    }
    if (read != ZipRead::Read) {
        search.unreadable.push_back(UnreadableJar{path, read});
    }
    return found;
}

}  // namespace

std::string classFileOf(std::string_view mainClass) {
    std::string file(mainClass);
    std::replace(file.begin(), file.end(), '.', '/');
    return file.append(kClassFileSuffix);
}

MainClassSearch searchClassPath(Os& os, std::string_view classPath, std::string_view mainClass) {
    MainClassSearch search;
    const std::string classFile = mainClass.empty() ? std::string() : classFileOf(mainClass);
    const std::vector<std::string> entries = entriesOf(classPath);
    search.entries = entries.size();
    for (const std::string& entry : entries) {
        const FileStatus status = os.fileStatus(entry.c_str());
        if (status == FileStatus::Missing) {
            search.missing.push_back(entry);
            continue;
        }
        if (classFile.empty() || !search.foundIn.empty()) {
            continue;
        }
        const bool holds =
            status == FileStatus::Directory
                ? os.fileStatus(classFileBelow(entry, classFile).c_str()) == FileStatus::File
                : jarHolds(os, entry, classFile, search);
        if (holds) {
            search.foundIn = entry;
        }
    }
    return search;
}

}  // namespace qv
