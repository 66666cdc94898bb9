// The seam's output log on Windows: the pipe that the standard handles write into, and the files
// of the log with their rotation (create, append, move, delete).
#include "windows_os.h"

#include "windows_handles.h"

#include <memory>

namespace qv {
namespace {

// The pipe the standard handles write into: the read end is ours, the write end is the
// standard handles', closed only when the process is about to end.
class OutputPipeHandles final : public OutputPipe {
  public:
    OutputPipeHandles(HANDLE readEnd, HANDLE writeEnd) : read_(readEnd), write_(writeEnd) {}

    std::size_t read(char* buffer, std::size_t maxBytes) override {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(maxBytes);
        if (!ReadFile(read_.get(), buffer, want, &got, nullptr)) {
            return 0;  // ERROR_BROKEN_PIPE: every write end is closed
        }
        return got;
    }

    std::size_t pending() override {
        DWORD available = 0;
        if (!PeekNamedPipe(read_.get(), nullptr, 0, nullptr, &available, nullptr)) {
            return 0;
        }
        return available;
    }

    void closeWriteEnd() override { write_.reset(); }

  private:
    windows::KernelHandle read_;
    windows::KernelHandle write_;
};

class OutputFileHandle final : public OutputFile {
  public:
    explicit OutputFileHandle(HANDLE file) : file_(file) {}

    bool write(std::string_view bytes) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(bytes.size() - done);
            if (!WriteFile(file_.get(), bytes.data() + done, chunk, &written, nullptr) ||
                written == 0) {
                return false;
            }
            done += written;
        }
        return true;
    }

    std::uint64_t size() override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file_.get(), &size)) {
            return 0;
        }
        return static_cast<std::uint64_t>(size.QuadPart);
    }

  private:
    windows::KernelHandle file_;
};

}  // namespace

std::unique_ptr<OutputPipe> WindowsOs::redirectStandardOutput(std::size_t bufferBytes) {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    if (!CreatePipe(&readEnd, &writeEnd, &attributes, static_cast<DWORD>(bufferBytes))) {
        return nullptr;
    }
    auto pipe = std::make_unique<OutputPipeHandles>(readEnd, writeEnd);
    if (!SetStdHandle(STD_OUTPUT_HANDLE, writeEnd) || !SetStdHandle(STD_ERROR_HANDLE, writeEnd)) {
        const DWORD cause = GetLastError();
        pipe.reset();
        SetLastError(cause);
        return nullptr;
    }
    return pipe;
}

bool WindowsOs::createFolder(const char* path) {
    if (CreateDirectoryA(path, nullptr)) {
        return true;
    }
    const DWORD cause = GetLastError();
    const DWORD attributes = GetFileAttributesA(path);
    if (cause == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return true;
    }
    SetLastError(cause);
    return false;
}

std::unique_ptr<OutputFile> WindowsOs::openOutputFile(const char* path) {
    HANDLE file =
        CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<OutputFileHandle>(file);
}

bool WindowsOs::moveFile(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool WindowsOs::deleteFile(const char* path) {
    return DeleteFileA(path) != 0;
}

}  // namespace qv
