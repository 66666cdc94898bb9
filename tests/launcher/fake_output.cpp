// The fake machine's output log: the pipe behind the standard handles and the files of the log
// folder, which the relay's threads use while the service thread uses the rest of the machine.
#include "fake_support.h"

#include <algorithm>

namespace qv::testing {

namespace {

constexpr std::uint32_t kErrorNotEnoughMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY
constexpr std::uint32_t kErrorDiskFull = 112;       // ERROR_DISK_FULL

std::string parentPath(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

struct FakeMachine::OutputStore {
    std::mutex mutex;
    std::condition_variable changed;
    // The pipe: what was written and not yet read, its buffer's size, and whether its write end
    // is open (redirected and not closed).
    std::string piped;
    std::size_t pipeBytes = 0;
    bool writeEndOpen = false;
    bool readEndOpen = false;
    std::set<std::string> folders;                                     // folded full paths
    std::map<std::string, std::pair<std::string, std::string>> files;  // folded -> (path, content)
    std::vector<std::string> calls;
    std::optional<std::uint64_t> diskFree;
    // Windows keeps the last error per thread; the fake machine keeps one. The output members
    // set it on the thread that first made the folder (the service thread) only, and leave it
    // alone on the relay's threads, which the service thread does not wait for.
    std::optional<std::thread::id> setupThread;
    bool onSetupThread() const { return setupThread == std::this_thread::get_id(); }
};

std::shared_ptr<FakeMachine::OutputStore> FakeMachine::makeOutputStore() {
    return std::make_shared<OutputStore>();
}

namespace {

class FakeOutputPipe final : public OutputPipe {
  public:
    explicit FakeOutputPipe(std::shared_ptr<FakeMachine::OutputStore> store)
        : store_(std::move(store)) {}
    ~FakeOutputPipe() override {
        std::lock_guard<std::mutex> lock(store_->mutex);
        store_->readEndOpen = false;
        store_->changed.notify_all();
    }

    std::size_t read(char* buffer, std::size_t maxBytes) override {
        std::unique_lock<std::mutex> lock(store_->mutex);
        store_->changed.wait(lock,
                             [this] { return !store_->piped.empty() || !store_->writeEndOpen; });
        const std::size_t got = std::min(maxBytes, store_->piped.size());
        std::copy_n(store_->piped.begin(), got, buffer);
        store_->piped.erase(0, got);
        store_->changed.notify_all();
        return got;
    }
    std::size_t pending() override {
        std::lock_guard<std::mutex> lock(store_->mutex);
        return store_->piped.size();
    }
    void closeWriteEnd() override {
        std::lock_guard<std::mutex> lock(store_->mutex);
        store_->writeEndOpen = false;
        store_->changed.notify_all();
    }

  private:
    std::shared_ptr<FakeMachine::OutputStore> store_;
};

class FakeOutputFile final : public OutputFile {
  public:
    FakeOutputFile(std::shared_ptr<FakeMachine::OutputStore> store, std::string key,
                   std::uint32_t& lastError)
        : store_(std::move(store)), key_(std::move(key)), lastError_(lastError) {}

    bool write(std::string_view bytes) override {
        std::lock_guard<std::mutex> lock(store_->mutex);
        std::optional<std::uint64_t>& diskFree = store_->diskFree;
        if (diskFree && *diskFree < bytes.size()) {
            if (store_->onSetupThread()) {
                lastError_ = kErrorDiskFull;
            }
            return false;
        }
        if (diskFree) {
            *diskFree -= bytes.size();
        }
        // A file moved away while open is written where it went; the fake closes before moving,
        // as the log does, so the entry is there.
        store_->files[key_].second.append(bytes);
        return true;
    }
    std::uint64_t size() override {
        std::lock_guard<std::mutex> lock(store_->mutex);
        auto found = store_->files.find(key_);
        return found == store_->files.end() ? 0 : found->second.second.size();
    }

  private:
    std::shared_ptr<FakeMachine::OutputStore> store_;
    std::string key_;
    std::uint32_t& lastError_;
};

}  // namespace

void FakeMachine::setOutputDiskFree(std::optional<std::uint64_t> bytes) {
    std::lock_guard<std::mutex> lock(output_->mutex);
    output_->diskFree = bytes;
}

bool FakeMachine::printToStandardHandles(std::string_view text) {
    std::unique_lock<std::mutex> lock(output_->mutex);
    std::size_t done = 0;
    while (done < text.size()) {
        output_->changed.wait(lock, [this] {
            return !output_->writeEndOpen || !output_->readEndOpen ||
                   output_->piped.size() < output_->pipeBytes;
        });
        if (!output_->writeEndOpen || !output_->readEndOpen) {
            return false;
        }
        const std::size_t room = output_->pipeBytes - output_->piped.size();
        const std::size_t part = std::min(room, text.size() - done);
        output_->piped.append(text.substr(done, part));
        done += part;
        output_->changed.notify_all();
    }
    return true;
}

std::unique_ptr<OutputPipe> FakeMachine::redirectStandardOutput(std::size_t bufferBytes) {
    if (pipeFails) {
        lastErrorCode = kErrorNotEnoughMemory;
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(output_->mutex);
    output_->piped.clear();
    output_->pipeBytes = bufferBytes;
    output_->writeEndOpen = true;
    output_->readEndOpen = true;
    return std::make_unique<FakeOutputPipe>(output_);
}

bool FakeMachine::createFolder(const char* path) {
    const std::string folded = foldCase(fullPath(path));
    std::lock_guard<std::mutex> lock(output_->mutex);
    output_->calls.push_back("folder " + std::string(path));
    if (!output_->setupThread) {
        output_->setupThread = std::this_thread::get_id();
    }
    if (unmakeableFolders.count(folded) > 0) {
        if (output_->onSetupThread()) {
            lastErrorCode = kErrorAccessDenied;
        }
        return false;
    }
    output_->folders.insert(folded);
    return true;
}

std::unique_ptr<OutputFile> FakeMachine::openOutputFile(const char* path) {
    const std::string full = fullPath(path);
    const std::string folded = foldCase(full);
    std::lock_guard<std::mutex> lock(output_->mutex);
    output_->calls.push_back("open " + std::string(path));
    if (output_->folders.count(parentPath(folded)) == 0) {
        if (output_->onSetupThread()) {
            lastErrorCode = kErrorPathNotFound;
        }
        return nullptr;
    }
    auto& file = output_->files[folded];
    if (file.first.empty()) {
        file.first = full;
    }
    return std::make_unique<FakeOutputFile>(output_, folded, lastErrorCode);
}

bool FakeMachine::moveFile(const char* from, const char* to) {
    const std::string source = foldCase(fullPath(from));
    const std::string target = foldCase(fullPath(to));
    std::lock_guard<std::mutex> lock(output_->mutex);
    output_->calls.push_back("move " + std::string(from) + " > " + std::string(to));
    auto found = output_->files.find(source);
    if (found == output_->files.end()) {
        if (output_->onSetupThread()) {
            lastErrorCode = kErrorFileNotFound;
        }
        return false;
    }
    if (lockedOutputFiles.count(source) > 0 || lockedOutputFiles.count(target) > 0) {
        if (output_->onSetupThread()) {
            lastErrorCode = kErrorSharingViolation;
        }
        return false;
    }
    std::string content = std::move(found->second.second);
    output_->files.erase(found);
    output_->files[target] = {fullPath(to), std::move(content)};
    return true;
}

bool FakeMachine::deleteFile(const char* path) {
    const std::string folded = foldCase(fullPath(path));
    std::lock_guard<std::mutex> lock(output_->mutex);
    output_->calls.push_back("delete " + std::string(path));
    auto found = output_->files.find(folded);
    if (found == output_->files.end()) {
        if (output_->onSetupThread()) {
            lastErrorCode = kErrorFileNotFound;
        }
        return false;
    }
    if (lockedOutputFiles.count(folded) > 0) {
        if (output_->onSetupThread()) {
            lastErrorCode = kErrorSharingViolation;
        }
        return false;
    }
    output_->files.erase(found);
    return true;
}

std::vector<std::string> FakeMachine::outputCalls() const {
    std::lock_guard<std::mutex> lock(output_->mutex);
    return output_->calls;
}

std::vector<std::string> FakeMachine::outputFileNames() const {
    std::lock_guard<std::mutex> lock(output_->mutex);
    std::vector<std::string> names;
    for (const auto& [folded, file] : output_->files) {
        names.push_back(file.first);
    }
    return names;
}

std::optional<std::string> FakeMachine::outputContent(std::string_view path) const {
    const std::string folded = foldCase(fullPath(path));
    std::lock_guard<std::mutex> lock(output_->mutex);
    auto found = output_->files.find(folded);
    if (found == output_->files.end()) {
        return std::nullopt;
    }
    return found->second.second;
}

}  // namespace qv::testing
