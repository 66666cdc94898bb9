// The debug log stream and its level.
#ifndef QV_LAUNCHER_DEBUG_LOG_H
#define QV_LAUNCHER_DEBUG_LOG_H

#include "format.h"
#include "os.h"

#include <memory>
#include <string>
#include <string_view>

namespace qv {

// Written only while open; every line ends with "\n" (the stream makes CR LF of it on Windows).
// A closed log takes no further lines, and closing it again does nothing.
class DebugLog {
  public:
    bool isOpen() const { return stream_ != nullptr; }
    // The verbose level: only meaningful while the log is open.
    bool debugAll() const { return isOpen() && debugAll_; }

    void open(std::unique_ptr<LogStream> stream, bool debugAll);
    void close();

    // While `sink` is set, every line of every level is also appended to it, whether the log is
    // open or not (the check command shows the start's decisions this way). Null ends it.
    void captureInto(std::string* sink) { capture_ = sink; }

    void write(std::string_view text);
    // A formatted line (or part of one) while the log is open.
    void print(const char* format, ...) QV_PRINTF_FORMAT(2, 3);
    // The same, only at the debug-all level.
    void printAll(const char* format, ...) QV_PRINTF_FORMAT(2, 3);

  private:
    void emit(std::string_view text, bool toStream);

    std::unique_ptr<LogStream> stream_;
    std::string* capture_ = nullptr;
    bool debugAll_ = false;
};

}  // namespace qv

#endif  // QV_LAUNCHER_DEBUG_LOG_H
