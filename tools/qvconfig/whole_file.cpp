#include "whole_file.h"

#include <algorithm>
#include <utility>

namespace qvconfig {
namespace {

constexpr std::size_t kIoChunk = 1024 * 1024;

FileError systemError(std::uint32_t code, const char* step) {
    return FileError{FileError::Kind::System, code, step, {}};
}

}  // namespace

bool readWholeFile(FileSystem& files, const std::string& path, std::string& bytes,
                   FileError& error) {
    std::unique_ptr<InputFile> file;
    if (const std::uint32_t code = files.openForReading(path, file); code != kErrorSuccess) {
        error = systemError(code, "opening the file");
        return false;
    }
    std::uint64_t size = 0;
    if (const std::uint32_t code = file->size(size); code != kErrorSuccess) {
        error = systemError(code, "reading the file");
        return false;
    }
    if (size > kMaxExecutableBytes) {
        error = systemError(kErrorFileTooLarge, "reading the file");
        return false;
    }
    std::string content(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        std::size_t got = 0;
        const std::size_t want = std::min(content.size() - done, kIoChunk);
        const std::uint32_t code = file->read(content.data() + done, want, got);
        if (code != kErrorSuccess || got == 0) {
            // A file that ends before its size: the end came too early.
            error = systemError(code != kErrorSuccess ? code : kErrorHandleEof, "reading the file");
            return false;
        }
        done += got;
    }
    bytes = std::move(content);
    return true;
}

bool writeWholeFile(FileSystem& files, const std::string& path, const std::string& bytes,
                    const char* step, FileError& error) {
    std::unique_ptr<OutputFile> file;
    if (const std::uint32_t code = files.createForWriting(path, file); code != kErrorSuccess) {
        error = systemError(code, step);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t put = 0;
        const std::size_t want = std::min(bytes.size() - done, kIoChunk);
        const std::uint32_t code = file->write(bytes.data() + done, want, put);
        if (code != kErrorSuccess || put == 0) {
            error = systemError(code, step);
            return false;
        }
        done += put;
    }
    return true;
}

}  // namespace qvconfig
