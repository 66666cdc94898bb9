// qvconfig's file system seam on Windows: kernel32 and the resource update API.
#ifndef QVCONFIG_WINDOWS_FILE_SYSTEM_H
#define QVCONFIG_WINDOWS_FILE_SYSTEM_H

#include "file_system.h"

namespace qvconfig {

class WindowsFileSystem final : public FileSystem {
  public:
    WindowsFileSystem() = default;

    std::uint32_t openForReading(const std::string& path,
                                 std::unique_ptr<InputFile>& file) override;
    std::uint32_t createForWriting(const std::string& path,
                                   std::unique_ptr<OutputFile>& file) override;
    bool isReadOnly(const std::string& path) override;
    std::uint32_t checkWriteAccess(const std::string& path) override;
    std::uint32_t createTemporaryFile(const std::string& folder, std::string& path) override;
    void deleteFile(const std::string& path) override;
    std::uint32_t replaceFile(const std::string& from, const std::string& to) override;
    std::uint32_t openResourceImage(const std::string& path,
                                    std::unique_ptr<ResourceImage>& image) override;
    std::uint32_t beginResourceUpdate(const std::string& path,
                                      std::unique_ptr<ResourceUpdate>& update) override;
    bool systemText(std::uint32_t code, const std::string& insert, std::string& text) override;
    bool readTextFile(const std::string& path, std::size_t limit, std::string& text) override;
    bool writeTextFile(const std::string& path, const std::string& bytes) override;
};

}  // namespace qvconfig

#endif  // QVCONFIG_WINDOWS_FILE_SYSTEM_H
