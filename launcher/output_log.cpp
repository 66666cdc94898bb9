#include "output_log.h"

#include "format.h"

#include <utility>

namespace qv {

namespace {

constexpr std::string_view kLogExtension = ".log";
// The output log's own lines end as Java's do on Windows.
constexpr const char* kLineEnd = "\r\n";

}  // namespace

std::string outputLogPath(std::string_view folder, std::string_view name, std::uint32_t index) {
    std::string path(folder);
    path += '\\';
    path += name;
    if (index > 0) {
        path += formatText(".%u", index);
    }
    path += kLogExtension;
    return path;
}

std::string outputStartLine(std::string_view name, const LocalTime& t) {
    return formatText("--- %s started at %04u-%02u-%02u %02u:%02u:%02u ---%s",
                      std::string(name).c_str(), t.year, t.month, t.day, t.hour, t.minute, t.second,
                      kLineEnd);
}

std::string outputLostLine(std::uint64_t bytes) {
    return formatText("--- %llu bytes of output were lost ---%s",
                      static_cast<unsigned long long>(bytes), kLineEnd);
}

OutputLog::OutputLog(Os& os, std::string folder, std::string name, std::uint64_t rotateBytes,
                     std::uint32_t filesKept)
    : os_(os),
      folder_(std::move(folder)),
      name_(std::move(name)),
      rotateBytes_(rotateBytes),
      filesKept_(filesKept) {}

bool OutputLog::open() {
    if (file_) {
        return true;
    }
    // CreateDirectory makes one level: the folders above it first (those that are there, a
    // drive or a share, fail harmlessly).
    for (std::size_t slash = folder_.find('\\', 1); slash != std::string::npos;
         slash = folder_.find('\\', slash + 1)) {
        if (folder_[slash - 1] != '\\' && folder_[slash - 1] != ':') {
            (void)os_.createFolder(folder_.substr(0, slash).c_str());
        }
    }
    if (!os_.createFolder(folder_.c_str())) {
        return false;
    }
    file_ = os_.openOutputFile(outputLogPath(folder_, name_, 0).c_str());
    if (!file_) {
        return false;
    }
    size_ = file_->size();
    return true;
}

bool OutputLog::rotate() {
    file_.reset();
    // The oldest goes; every other moves up by one; the current file becomes NAME.1.log. A file
    // that is not there is no failure.
    (void)os_.deleteFile(outputLogPath(folder_, name_, filesKept_).c_str());
    for (std::uint32_t i = filesKept_; i > 1; --i) {
        (void)os_.moveFile(outputLogPath(folder_, name_, i - 1).c_str(),
                           outputLogPath(folder_, name_, i).c_str());
    }
    const bool moved = os_.moveFile(outputLogPath(folder_, name_, 0).c_str(),
                                    outputLogPath(folder_, name_, 1).c_str());
    // A current file that cannot be moved (held without sharing its deletion) is written on.
    return open() && moved;
}

bool OutputLog::append(std::string_view bytes) {
    if (!file_->write(bytes)) {
        return false;
    }
    size_ += bytes.size();
    return true;
}

bool OutputLog::write(std::string_view bytes) {
    if (bytes.empty() && lost_ == 0) {
        return true;
    }
    if (!open()) {
        lost_ += bytes.size();
        return false;
    }
    const std::string lostLine = lost_ > 0 ? outputLostLine(lost_) : std::string();
    if (size_ > 0 && size_ + lostLine.size() + bytes.size() > rotateBytes_) {
        (void)rotate();
        if (!file_) {
            lost_ += bytes.size();
            return false;
        }
    }
    if (!lostLine.empty()) {
        if (!append(lostLine)) {
            lost_ += bytes.size();
            return false;
        }
        lost_ = 0;
    }
    if (!append(bytes)) {
        lost_ += bytes.size();
        return false;
    }
    return true;
}

}  // namespace qv
