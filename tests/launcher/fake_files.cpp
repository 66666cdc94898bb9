#include "fake_support.h"

#include <algorithm>

namespace qv::testing {

namespace {

class FakeFileFind : public FileFind {
  public:
    FakeFileFind(std::vector<std::string> names, FaultInjector& faults)
        : names_(std::move(names)), faults_(faults) {}
    const std::string& name() const override { return names_[index_]; }
    bool next() override {
        if (faults_.fails(SeamCall::FindNext) || index_ + 1 >= names_.size()) {
            return false;
        }
        ++index_;
        return true;
    }

  private:
    std::vector<std::string> names_;
    std::size_t index_ = 0;
    FaultInjector& faults_;
};

// Text mode: CR LF arrives as LF, and Ctrl-Z ends the file.
class FakeInputFile : public InputFile {
  public:
    FakeInputFile(const std::string& raw, FaultInjector& faults, std::uint32_t& lastError)
        : faults_(faults), lastError_(lastError) {
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\x1a') {
                break;
            }
            if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
                continue;
            }
            text_ += raw[i];
        }
    }
    long read(char* buffer, std::size_t maxBytes) override {
        if (faults_.fails(SeamCall::FileRead)) {
            lastError_ = faults_.failCode;
            return -1;
        }
        std::size_t count = std::min(maxBytes, text_.size() - position_);
        std::copy_n(text_.data() + position_, count, buffer);
        position_ += count;
        return static_cast<long>(count);
    }

  private:
    std::string text_;
    std::size_t position_ = 0;
    FaultInjector& faults_;
    std::uint32_t& lastError_;
};

// Buffered like a C runtime stream: what is written reaches the file on a flush or when the
// stream is closed.
class FakeLogStream : public LogStream {
  public:
    FakeLogStream(std::string& content, FaultInjector& faults)
        : content_(content), faults_(faults) {}
    ~FakeLogStream() override { flush(); }
    void write(std::string_view text) override {
        if (!faults_.fails(SeamCall::LogWrite)) {
            pending_.append(text);
        }
    }
    void flush() override {
        content_.append(pending_);
        pending_.clear();
    }

  private:
    std::string& content_;
    FaultInjector& faults_;
    std::string pending_;
};

}  // namespace

std::string FakeMachine::fullPath(std::string_view input) const {
    std::string path(input);
    std::replace(path.begin(), path.end(), '/', '\\');
    const std::string_view text(path);
    // The drive of the current directory ("C:") and what follows it; a current directory shorter
    // than a drive is all drive.
    const std::string_view cwdDrive = std::string_view(cwd).substr(0, 2);
    const std::string_view cwdRest = std::string_view(cwd).substr(cwdDrive.size());
    std::string_view root;
    std::string_view before;  // parts that come before those of the path (the current directory)
    std::string_view rest;
    if (text.rfind("\\\\", 0) == 0) {
        root = "\\\\";
        rest = text.substr(2);
    } else if (text.size() >= 2 && text[1] == ':') {
        root = text.substr(0, 2);
        rest = text.substr(2);
        if (rest.empty() || rest[0] != '\\') {  // drive-relative
            const bool sameDrive = cwdDrive.size() == 2 &&
                                   std::tolower(static_cast<unsigned char>(cwdDrive[0])) ==
                                       std::tolower(static_cast<unsigned char>(root[0])) &&
                                   cwdDrive[1] == root[1];
            before = sameDrive ? cwdRest : std::string_view();
        }
    } else if (!text.empty() && text[0] == '\\') {
        root = cwdDrive;
        rest = text;
    } else {
        root = cwdDrive;
        before = cwdRest;
        rest = text;
    }
    std::string full(root);
    if (root != "\\\\") {
        full += '\\';
    }
    // Appends the parts of a text separated by backslashes: ".." takes the last part away, empty
    // parts and "." add nothing.
    const std::size_t base = full.size();
    auto addParts = [&full, base](std::string_view parts) {
        std::size_t start = 0;
        while (start <= parts.size()) {
            std::size_t end = parts.find('\\', start);
            if (end == std::string_view::npos) {
                end = parts.size();
            }
            const std::string_view part = parts.substr(start, end - start);
            if (part == "..") {
                const std::size_t cut = full.rfind('\\');
                full.resize(cut == std::string::npos || cut < base ? base : cut);
            } else if (!part.empty() && part != ".") {
                if (full.size() > base) {
                    full += '\\';
                }
                full += part;
            }
            start = end + 1;
        }
    };
    addParts(before);
    addParts(rest);
    return full;
}

FakeMachine::FileEntry* FakeMachine::entry(std::string_view path) {
    auto it = files_.find(foldCase(fullPath(path)));
    return it == files_.end() ? nullptr : &it->second;
}
const FakeMachine::FileEntry* FakeMachine::entry(std::string_view path) const {
    auto it = files_.find(foldCase(fullPath(path)));
    return it == files_.end() ? nullptr : &it->second;
}

void FakeMachine::addDirectory(std::string_view path) {
    const std::string full = fullPath(path);
    const std::string folded = foldCase(full);
    auto add = [this, &full, &folded](std::size_t length) {
        const std::string_view key = std::string_view(folded).substr(0, length);
        if (files_.find(key) == files_.end()) {
            files_.emplace(std::string(key),
                           FileEntry{full.substr(0, length), true, false, {}, {}});
        }
    };
    // The folder and every folder above it.
    for (std::size_t length = full.size(); length > 0;) {
        const std::size_t parent = parentOf(std::string_view(full).substr(0, length)).size();
        if (parent == length) {
            break;
        }
        add(length);
        length = parent;
    }
    // A drive root.
    add(std::min<std::size_t>(full.size(), 3));
}

void FakeMachine::addFile(std::string_view path, std::string_view content) {
    std::string full = fullPath(path);
    addDirectory(parentOf(full));
    files_[foldCase(full)] = FileEntry{full, false, false, std::string(content), {}};
}

void FakeMachine::setShortName(std::string_view path, std::string_view shortName) {
    if (FileEntry* file = entry(path)) {
        file->shortName = shortName;
    }
}

void FakeMachine::removeFile(std::string_view path) {
    files_.erase(foldCase(fullPath(path)));
}

void FakeMachine::setReadOnly(std::string_view path) {
    if (FileEntry* file = entry(path)) {
        file->readOnly = true;
    }
}

bool FakeMachine::exists(std::string_view path) const {
    return entry(path) != nullptr || outputContent(path).has_value();
}

std::string FakeMachine::fileContent(std::string_view path) const {
    if (std::optional<std::string> output = outputContent(path)) {
        return *output;
    }
    const FileEntry* file = entry(path);
    return file ? file->content : std::string();
}

FileStatus FakeMachine::fileStatus(const char* path) {
    if (failsIn(*this, SeamCall::FileQuery)) {
        return FileStatus::Missing;
    }
    const FileEntry* file = *path ? entry(path) : nullptr;
    if (file == nullptr) {
        lastErrorCode = exists(parentOf(fullPath(path))) ? kErrorFileNotFound : kErrorPathNotFound;
        return FileStatus::Missing;
    }
    return file->directory ? FileStatus::Directory : FileStatus::File;
}

std::unique_ptr<FileFind> FakeMachine::findFirst(const char* pattern) {
    if (failsIn(*this, SeamCall::FindFirst)) {
        return nullptr;
    }
    std::string p(pattern);
    std::replace(p.begin(), p.end(), '/', '\\');
    std::size_t slash = p.rfind('\\');
    std::string dirPart = slash == std::string::npos ? std::string(".") : p.substr(0, slash + 1);
    std::string namePattern = slash == std::string::npos ? p : p.substr(slash + 1);
    const FileEntry* dir = entry(dirPart);
    if (dir == nullptr || !dir->directory) {
        lastErrorCode = kErrorPathNotFound;
        return nullptr;
    }
    std::string folded = foldCase(fullPath(dirPart));
    std::vector<std::string> names;
    if (parentOf(folded) != folded && folded.size() > 3) {
        for (const char* dot : {".", ".."}) {
            if (wildcardMatch(namePattern, dot)) {
                names.emplace_back(dot);
            }
        }
    }
    for (const auto& [key, file] : files_) {
        if (key != folded && parentOf(key) == folded &&
            (wildcardMatch(namePattern, baseName(file.path)) ||
             (!file.shortName.empty() && wildcardMatch(namePattern, file.shortName)))) {
            names.push_back(baseName(file.path));
        }
    }
    if (names.empty()) {
        lastErrorCode = kErrorFileNotFound;
        return nullptr;
    }
    return std::make_unique<FakeFileFind>(std::move(names), faults);
}

const FakeMachine::FileEntry* FakeMachine::regularFile(std::string_view path) {
    const FileEntry* file = entry(path);
    if (file == nullptr || file->directory) {
        lastErrorCode = kErrorFileNotFound;
        return nullptr;
    }
    return file;
}

std::unique_ptr<InputFile> FakeMachine::openForReading(const char* path) {
    if (failsIn(*this, SeamCall::FileOpen)) {
        return nullptr;
    }
    const FileEntry* file = regularFile(path);
    if (file == nullptr) {
        return nullptr;
    }
    return std::make_unique<FakeInputFile>(file->content, faults, lastErrorCode);
}

bool FakeMachine::readFileBytes(const char* path, std::uint64_t offset, std::size_t count,
                                std::string& bytes) {
    if (failsIn(*this, SeamCall::FileBytes)) {
        return false;
    }
    const FileEntry* file = regularFile(path);
    if (file == nullptr) {
        return false;
    }
    bytes = offset < file->content.size()
                ? file->content.substr(static_cast<std::size_t>(offset), count)
                : std::string();
    return true;
}

bool FakeMachine::fileSize(const char* path, std::uint64_t& bytes) {
    if (failsIn(*this, SeamCall::FileBytes)) {
        return false;
    }
    const FileEntry* file = regularFile(path);
    if (file == nullptr) {
        return false;
    }
    bytes = file->content.size();
    return true;
}

std::unique_ptr<LogStream> FakeMachine::openLogForAppend(const char* path) {
    if (failsIn(*this, SeamCall::LogOpen)) {
        return nullptr;
    }
    std::string full = fullPath(path);
    const FileEntry* dir = entry(parentOf(full));
    if (dir == nullptr || !dir->directory) {
        lastErrorCode = kErrorPathNotFound;
        return nullptr;
    }
    FileEntry* file = entry(full);
    if ((file && (file->directory || file->readOnly)) || !mayWrite(full)) {
        lastErrorCode = kErrorAccessDenied;
        return nullptr;
    }
    if (file == nullptr) {
        addFile(full);
        file = entry(full);
        // A new log is private to administrators, SYSTEM and the user who made it.
        AccessList list = privateAccessList();
        list.entries.push_back({true, false, kFullControl, processUserSid});
        setAccessList(full, std::move(list));
    }
    return std::make_unique<FakeLogStream>(file->content, faults);
}

void FakeMachine::writeStdout(std::string_view text) {
    stdoutText.append(text);
}

}  // namespace qv::testing
