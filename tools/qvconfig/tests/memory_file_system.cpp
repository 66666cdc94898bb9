#include "memory_file_system.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace qvconfig::testing {
namespace {

constexpr const char* kTemporaryPrefix = "qvc";
constexpr std::size_t kTemporaryNameCapacity = 16;  // "qvcFFFF.tmp" and its NUL
constexpr unsigned kTemporaryNames = 0x10000;
constexpr std::uint32_t kErrorAccessDeniedCode = 5;

// The system's texts of the codes the file system gives and qvconfig names.
const std::map<std::uint32_t, std::string_view>& systemTexts() {
    static const std::map<std::uint32_t, std::string_view> texts = {
        {kErrorFileNotFound, "The system cannot find the file specified.\r\n"},
        {kErrorPathNotFound, "The system cannot find the path specified.\r\n"},
        {kErrorAccessDeniedCode, "Access is denied.\r\n"},
        {kErrorInvalidData, "The data is invalid.\r\n"},
        {kErrorSharingViolation,
         "The process cannot access the file because it is being used by another process.\r\n"},
        {kErrorHandleEof, "Reached the end of the file.\r\n"},
        {kErrorDiskFull, "There is not enough space on the disk.\r\n"},
        {kErrorBadExeFormat, "%1 is not a valid Win32 application.\r\n"},
        {kErrorFileTooLarge, "The file size exceeds the limit allowed and cannot be saved.\r\n"},
        {kErrorDirectory, "The directory name is invalid.\r\n"},
        {kErrorResourceDataNotFound,
         "The specified image file did not contain a resource section.\r\n"},
    };
    return texts;
}

char foldChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

class MemoryInputFile final : public InputFile {
  public:
    MemoryInputFile(MemoryFileSystem& files, std::string key)
        : files_(files), key_(std::move(key)) {}

    std::uint32_t size(std::uint64_t& bytes) override {
        if (files_.faults.fails(SeamCall::FileSize)) {
            return files_.faults.failCode;
        }
        const MemoryFileSystem::File* file = files_.fileAt(key_);
        bytes = file != nullptr ? file->bytes.size() : 0;
        return kErrorSuccess;
    }
    std::uint32_t read(char* buffer, std::size_t maxBytes, std::size_t& got) override {
        if (files_.faults.fails(SeamCall::FileRead)) {
            return files_.faults.failCode;
        }
        const MemoryFileSystem::File* file = files_.fileAt(key_);
        const std::string_view rest = file == nullptr || at_ >= file->bytes.size()
                                          ? std::string_view()
                                          : std::string_view(file->bytes).substr(at_, maxBytes);
        std::copy(rest.begin(), rest.end(), buffer);
        at_ += rest.size();
        got = rest.size();
        return kErrorSuccess;
    }

  private:
    MemoryFileSystem& files_;
    std::string key_;
    std::size_t at_ = 0;
};

class MemoryOutputFile final : public OutputFile {
  public:
    MemoryOutputFile(MemoryFileSystem& files, std::string key)
        : files_(files), key_(std::move(key)) {}

    std::uint32_t write(const char* data, std::size_t size, std::size_t& put) override {
        if (files_.faults.fails(SeamCall::FileWrite)) {
            return files_.faults.failCode;
        }
        MemoryFileSystem::File* file = files_.fileAt(key_);
        if (file == nullptr) {
            return kErrorAccessDeniedCode;
        }
        file->bytes.append(data, size);
        put = size;
        return kErrorSuccess;
    }

  private:
    MemoryFileSystem& files_;
    std::string key_;
};

class MemoryResourceImage final : public ResourceImage {
  public:
    MemoryResourceImage(MemoryFileSystem& files, std::vector<Resource> resources)
        : files_(files), resources_(std::move(resources)) {}

    std::uint32_t resources(std::vector<Resource>& found) override {
        if (files_.faults.fails(SeamCall::ReadResources)) {
            return files_.faults.failCode;
        }
        found = resources_;
        return kErrorSuccess;
    }

  private:
    MemoryFileSystem& files_;
    std::vector<Resource> resources_;  // as mapped when the image was opened
};

class MemoryResourceUpdate final : public ResourceUpdate {
  public:
    MemoryResourceUpdate(MemoryFileSystem& files, std::string key)
        : files_(files), key_(std::move(key)) {}

    std::uint32_t add(const Resource& r) override {
        if (files_.faults.fails(SeamCall::AddResource)) {
            return files_.faults.failCode;
        }
        // A resource of the same type, name and language is replaced.
        auto same = std::find_if(pending_.begin(), pending_.end(), [&](const Resource& p) {
            return p.type == r.type && p.name == r.name && p.language == r.language;
        });
        if (same != pending_.end()) {
            same->bytes = r.bytes;
        } else {
            pending_.push_back(r);
        }
        return kErrorSuccess;
    }
    std::uint32_t commit() override {
        if (files_.faults.fails(SeamCall::CommitUpdate)) {
            return files_.faults.failCode;
        }
        MemoryFileSystem::File* file = files_.fileAt(key_);
        std::string updated;
        if (file == nullptr || !updatedImage(file->bytes, pending_, updated)) {
            return kErrorBadExeFormat;
        }
        if (file->inUse || file->readOnly) {
            return file->inUse ? kErrorSharingViolation : kErrorAccessDeniedCode;
        }
        file->bytes = std::move(updated);
        return kErrorSuccess;
    }

  private:
    MemoryFileSystem& files_;
    std::string key_;
    std::vector<Resource> pending_;
};

}  // namespace

const char* seamCallName(SeamCall kind) {
    static const char* const kNames[kSeamCallKinds] = {
        "OpenForReading", "FileSize",        "FileRead",     "CreateForWriting", "FileWrite",
        "WriteAccess",    "CreateTemporary", "Replace",      "OpenImage",        "ReadResources",
        "BeginUpdate",    "AddResource",     "CommitUpdate", "ReadText",         "WriteText",
    };
    return kNames[static_cast<std::size_t>(kind)];
}

bool FaultInjector::fails(SeamCall kind) {
    const int index = calls[static_cast<std::size_t>(kind)]++;
    if (failKind == kind && index == failIndex) {
        fired = true;
        return true;
    }
    return false;
}

MemoryFileSystem::MemoryFileSystem() {
    addFolder(currentFolder);
}

std::string MemoryFileSystem::key(std::string_view path) const {
    std::string full(path);
    std::replace(full.begin(), full.end(), '/', '\\');
    const bool absolute =
        (full.size() >= 2 && full[1] == ':') || (!full.empty() && full[0] == '\\');
    if (!absolute) {
        full = currentFolder + "\\" + full;
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= full.size()) {
        std::size_t end = full.find('\\', start);
        if (end == std::string::npos) {
            end = full.size();
        }
        const std::string part = full.substr(start, end - start);
        if (part == "..") {
            if (parts.size() > 1) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string folded;
    for (const std::string& part : parts) {
        if (!folded.empty()) {
            folded += '\\';
        }
        folded += part;
    }
    std::transform(folded.begin(), folded.end(), folded.begin(), foldChar);
    return folded;
}

MemoryFileSystem::File* MemoryFileSystem::fileAt(const std::string& key) {
    auto found = files_.find(key);
    return found != files_.end() ? &found->second : nullptr;
}

std::uint32_t MemoryFileSystem::folderOf(const std::string& path) const {
    const std::string full = key(path);
    const std::size_t slash = full.rfind('\\');
    const std::string folder = slash == std::string::npos ? full : full.substr(0, slash);
    return folders_.count(folder) != 0 ? kErrorSuccess : kErrorPathNotFound;
}

void MemoryFileSystem::addFolder(std::string_view path) {
    std::string folder = key(path);
    while (!folder.empty()) {
        folders_.insert(folder);
        const std::size_t slash = folder.rfind('\\');
        folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);
    }
}

void MemoryFileSystem::addFile(std::string_view path, std::string bytes) {
    const std::string k = key(path);
    const std::size_t slash = k.rfind('\\');
    if (slash != std::string::npos) {
        addFolder(std::string_view(path).substr(0, path.find_last_of("\\/")));
    }
    files_[k] = File{std::string(path), std::move(bytes), false, false};
}

void MemoryFileSystem::setReadOnly(std::string_view path, bool readOnly) {
    if (File* file = fileAt(key(path))) {
        file->readOnly = readOnly;
    }
}

void MemoryFileSystem::setInUse(std::string_view path, bool inUse) {
    if (File* file = fileAt(key(path))) {
        file->inUse = inUse;
    }
}

bool MemoryFileSystem::exists(std::string_view path) const {
    return files_.count(key(path)) != 0;
}

std::string MemoryFileSystem::fileContent(std::string_view path) const {
    auto found = files_.find(key(path));
    return found != files_.end() ? found->second.bytes : std::string();
}

std::vector<std::string> MemoryFileSystem::filePaths() const {
    std::vector<std::string> paths;
    for (const auto& [k, file] : files_) {
        paths.push_back(file.path);
    }
    return paths;
}

std::uint32_t MemoryFileSystem::openForReading(const std::string& path,
                                               std::unique_ptr<InputFile>& file) {
    if (faults.fails(SeamCall::OpenForReading)) {
        return faults.failCode;
    }
    const std::string k = key(path);
    if (fileAt(k) == nullptr) {
        if (folders_.count(k) != 0) {
            return kErrorAccessDeniedCode;
        }
        const std::uint32_t folder = folderOf(path);
        return folder != kErrorSuccess ? folder : kErrorFileNotFound;
    }
    file = std::make_unique<MemoryInputFile>(*this, k);
    return kErrorSuccess;
}

std::uint32_t MemoryFileSystem::createForWriting(const std::string& path,
                                                 std::unique_ptr<OutputFile>& file) {
    if (faults.fails(SeamCall::CreateForWriting)) {
        return faults.failCode;
    }
    if (const std::uint32_t folder = folderOf(path); folder != kErrorSuccess) {
        return folder;
    }
    const std::string k = key(path);
    if (folders_.count(k) != 0) {
        return kErrorAccessDeniedCode;
    }
    if (File* existing = fileAt(k)) {
        if (existing->inUse) {
            return kErrorSharingViolation;
        }
        if (existing->readOnly) {
            return kErrorAccessDeniedCode;
        }
        existing->bytes.clear();
    } else {
        files_[k] = File{path, {}, false, false};
    }
    file = std::make_unique<MemoryOutputFile>(*this, k);
    return kErrorSuccess;
}

bool MemoryFileSystem::isReadOnly(const std::string& path) {
    const File* file = fileAt(key(path));
    return file != nullptr && file->readOnly;
}

std::uint32_t MemoryFileSystem::checkWriteAccess(const std::string& path) {
    if (faults.fails(SeamCall::WriteAccess)) {
        return faults.failCode;
    }
    const File* file = fileAt(key(path));
    if (file == nullptr) {
        const std::uint32_t folder = folderOf(path);
        return folder != kErrorSuccess ? folder : kErrorFileNotFound;
    }
    if (file->inUse) {
        return kErrorSharingViolation;
    }
    return file->readOnly ? kErrorAccessDeniedCode : kErrorSuccess;
}

std::uint32_t MemoryFileSystem::createTemporaryFile(const std::string& folder, std::string& path) {
    if (faults.fails(SeamCall::CreateTemporary)) {
        return faults.failCode;
    }
    if (folders_.count(key(folder)) == 0) {
        return kErrorDirectory;
    }
    const std::string prefix =
        !folder.empty() && (folder.back() == '\\' || folder.back() == '/') ? folder : folder + "\\";
    for (unsigned tries = 0; tries < kTemporaryNames; ++tries) {
        temporaryCounter_ = (temporaryCounter_ + 1) % kTemporaryNames;
        char name[kTemporaryNameCapacity];
        std::snprintf(name, sizeof name, "%s%X.tmp", kTemporaryPrefix, temporaryCounter_);
        const std::string candidate = prefix + name;
        if (!exists(candidate)) {
            files_[key(candidate)] = File{candidate, {}, false, false};
            path = candidate;
            return kErrorSuccess;
        }
    }
    return kErrorAccessDeniedCode;
}

void MemoryFileSystem::deleteFile(const std::string& path) {
    const std::string k = key(path);
    const File* file = fileAt(k);
    if (file != nullptr && !file->inUse && !file->readOnly) {
        files_.erase(k);
    }
}

std::uint32_t MemoryFileSystem::replaceFile(const std::string& from, const std::string& to) {
    if (faults.fails(SeamCall::Replace)) {
        return faults.failCode;
    }
    const std::string source = key(from);
    const std::string target = key(to);
    File* moved = fileAt(source);
    if (moved == nullptr) {
        return kErrorFileNotFound;
    }
    if (const std::uint32_t folder = folderOf(to); folder != kErrorSuccess) {
        return folder;
    }
    if (const File* existing = fileAt(target)) {
        if (existing->inUse || moved->inUse) {
            return kErrorAccessDeniedCode;
        }
        if (existing->readOnly) {
            return kErrorAccessDeniedCode;
        }
    }
    File file = std::move(*moved);
    files_.erase(source);
    const auto existing = files_.find(target);
    file.path = existing != files_.end() ? existing->second.path : to;
    files_[target] = std::move(file);
    return kErrorSuccess;
}

std::uint32_t MemoryFileSystem::openResourceImage(const std::string& path,
                                                  std::unique_ptr<ResourceImage>& image) {
    if (faults.fails(SeamCall::OpenImage)) {
        return faults.failCode;
    }
    const File* file = fileAt(key(path));
    if (file == nullptr) {
        const std::uint32_t folder = folderOf(path);
        return folder != kErrorSuccess ? folder : kErrorFileNotFound;
    }
    std::vector<Resource> resources;
    if (!imageResources(file->bytes, resources)) {
        return kErrorBadExeFormat;
    }
    image = std::make_unique<MemoryResourceImage>(*this, std::move(resources));
    return kErrorSuccess;
}

std::uint32_t MemoryFileSystem::beginResourceUpdate(const std::string& path,
                                                    std::unique_ptr<ResourceUpdate>& update) {
    if (faults.fails(SeamCall::BeginUpdate)) {
        return faults.failCode;
    }
    const std::string k = key(path);
    const File* file = fileAt(k);
    if (file == nullptr) {
        return kErrorFileNotFound;
    }
    if (!isExecutableImage(file->bytes)) {
        return kErrorBadExeFormat;
    }
    if (file->inUse) {
        return kErrorSharingViolation;
    }
    update = std::make_unique<MemoryResourceUpdate>(*this, k);
    return kErrorSuccess;
}

bool MemoryFileSystem::systemText(std::uint32_t code, const std::string& insert,
                                  std::string& text) {
    const auto found = systemTexts().find(code);
    if (found == systemTexts().end() || codesWithoutText.count(code) != 0) {
        return false;
    }
    std::string result;
    const std::string_view pattern = found->second;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
            pattern[i + 1] <= '9') {
            result += insert;
            ++i;
        } else {
            result += pattern[i];
        }
    }
    text = std::move(result);
    return true;
}

bool MemoryFileSystem::readTextFile(const std::string& path, std::size_t limit, std::string& text) {
    if (faults.fails(SeamCall::ReadText)) {
        return false;
    }
    const File* file = fileAt(key(path));
    if (file == nullptr) {
        return false;
    }
    // As much as a reader that stops once it holds more than `limit` bytes.
    text = file->bytes.substr(0, limit + 1);
    return true;
}

bool MemoryFileSystem::writeTextFile(const std::string& path, const std::string& bytes) {
    if (faults.fails(SeamCall::WriteText)) {
        return false;
    }
    if (folderOf(path) != kErrorSuccess || folders_.count(key(path)) != 0) {
        return false;
    }
    File* existing = fileAt(key(path));
    if (existing != nullptr && (existing->inUse || existing->readOnly)) {
        return false;
    }
    if (existing != nullptr) {
        existing->bytes = bytes;
    } else {
        files_[key(path)] = File{path, bytes, false, false};
    }
    return true;
}

}  // namespace qvconfig::testing
