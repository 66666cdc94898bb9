// The service's output log: the files in the log folder that the process's standard output and
// standard error are written to, rotated at a size (NAME.log, then NAME.1.log, NAME.2.log, ...,
// the oldest beyond the kept count deleted), with a line for what could not be written.
#ifndef QV_LAUNCHER_OUTPUT_LOG_H
#define QV_LAUNCHER_OUTPUT_LOG_H

#include "os.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

// The file of rotation `index` (0: the current file NAME.log; n: NAME.n.log) in `folder`.
std::string outputLogPath(std::string_view folder, std::string_view name, std::uint32_t index);

// "--- NAME started at YYYY-MM-DD hh:mm:ss ---" with its line end.
std::string outputStartLine(std::string_view name, const LocalTime& time);
// "--- N bytes of output were lost ---" with its line end.
std::string outputLostLine(std::uint64_t bytes);

// Writes to the current file, rotating before a write that would take it past the size. A write
// that fails (a full disk) is counted as lost; the next write that succeeds is preceded by the
// line saying how much was lost. Never stops: the file is opened again at every write while it
// cannot be. One thread at a time.
class OutputLog {
  public:
    OutputLog(Os& os, std::string folder, std::string name, std::uint64_t rotateBytes,
              std::uint32_t filesKept);

    // Makes the folder and opens the current file. False when either fails (last error set);
    // the writes try again.
    bool open();
    // Appends `bytes`; false when they were lost.
    bool write(std::string_view bytes);
    // Counts bytes lost before they reached the log (they never arrived here).
    void lose(std::uint64_t bytes) { lost_ += bytes; }
    std::uint64_t lost() const { return lost_; }

  private:
    bool rotate();
    bool append(std::string_view bytes);

    Os& os_;
    std::string folder_;
    std::string name_;
    std::uint64_t rotateBytes_;
    std::uint32_t filesKept_;
    std::unique_ptr<OutputFile> file_;
    std::uint64_t size_ = 0;
    std::uint64_t lost_ = 0;
};

}  // namespace qv

#endif  // QV_LAUNCHER_OUTPUT_LOG_H
